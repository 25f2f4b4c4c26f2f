// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/AwaitedDesktop.h"

#include <QThread>

namespace kv {

AwaitedDesktop::AwaitedDesktop(std::unique_ptr<DesktopBackend> standIn, Arrival arrival)
    : current_(std::move(standIn)), arrival_(std::move(arrival)) {
    watch_.setInterval(kCheckIntervalMs);
    watch_.callOnTimeout([this] {
        if ((checkArrival() && !showAgainPending_) || --checksLeft_ <= 0)
            watch_.stop();
    });
}

bool AwaitedDesktop::checkArrival() {
    if (arrival_) {
        std::unique_ptr<DesktopBackend> awaited = arrival_();
        if (!awaited)
            return false;
        arrival_ = nullptr;
        current_ = std::move(awaited);
        showAgainPending_ = !shownPath_.isEmpty();
    }
    // A desktop that came may not take a picture yet: it is asked again until it does.
    if (showAgainPending_) {
        showAgainPending_ = !showAgain();
        if (showAgainPending_ && !watch_.isActive())
            watchAfterShow();
    }
    return true;
}

bool AwaitedDesktop::showAgain() {
    if (shownColour_ && shownStyle_)
        // A file gone since is not tried again.
        return current_->ShowWallpaper(shownPath_, *shownColour_, *shownStyle_) !=
               ShowResult::Refused;
    if (!current_->SetDesktopWallpaper(shownPath_))
        return false;
    if (shownColour_)
        current_->SetDesktopColor(*shownColour_);
    if (shownStyle_)
        current_->SetDesktopWallpaperStyle(*shownStyle_);
    return true;
}

DesktopBackend& AwaitedDesktop::desktop() {
    checkArrival();
    return *current_;
}

void AwaitedDesktop::watchAfterShow() {
    if (!arrival_ && !showAgainPending_)
        return;
    checksLeft_ = kChecksAfterShow;
    // Timers need the application's event loop; a start that only prints has none.
    if (watch_.thread() && watch_.thread()->eventDispatcher())
        watch_.start();
}

bool AwaitedDesktop::SetDesktopWallpaper(const QString& path) {
    if (!desktop().SetDesktopWallpaper(path))
        return false;
    showAgainPending_ = false;
    shownPath_ = path;
    watchAfterShow();
    return true;
}

int AwaitedDesktop::GetDesktopWallpaperStyle() {
    return desktop().GetDesktopWallpaperStyle();
}

bool AwaitedDesktop::SetDesktopWallpaperStyle(int style) {
    if (!desktop().SetDesktopWallpaperStyle(style))
        return false;
    shownStyle_ = style;
    return true;
}

DesktopColor AwaitedDesktop::GetDesktopColor() {
    return desktop().GetDesktopColor();
}

bool AwaitedDesktop::SetDesktopColor(DesktopColor colour) {
    if (!desktop().SetDesktopColor(colour))
        return false;
    shownColour_ = colour;
    return true;
}

ShowResult AwaitedDesktop::ShowWallpaper(const QString& path, DesktopColor colour, int style) {
    const ShowResult result = desktop().ShowWallpaper(path, colour, style);
    if (result == ShowResult::Shown) {
        showAgainPending_ = false;
        shownPath_ = path;
        shownColour_ = colour;
        shownStyle_ = style;
        watchAfterShow();
    }
    return result;
}

bool AwaitedDesktop::setColourAndStyle(DesktopColor colour, int style) {
    const bool shown = desktop().setColourAndStyle(colour, style);
    shownColour_ = colour;
    shownStyle_ = style;
    return shown;
}

bool AwaitedDesktop::forgotWallpaper() {
    DesktopBackend& shown = desktop();
    return showAgainPending_ || shown.forgotWallpaper();
}

} // namespace kv
