// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/DesktopBackend.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace kv {

// Stands in for the desktop the session names while that desktop has not come. At logon a
// desktop's shell may reach the session bus after detection stopped waiting for it, and then
// covers whatever the stand-in drew: once the awaited desktop works, it takes over and shows the
// last picture again, so a change made meanwhile does not vanish under the shell.
class AwaitedDesktop final : public DesktopBackend {
public:
    // The awaited desktop's backend once it works here; nullptr until then.
    using Arrival = std::function<std::unique_ptr<DesktopBackend>()>;

    // A shell comes within moments of the session or not at all: after a shown picture, the
    // desktop is asked for this long whether it has come, besides at every operation.
    static constexpr int kCheckIntervalMs = 2000;
    static constexpr int kChecksAfterShow = 60;

    AwaitedDesktop(std::unique_ptr<DesktopBackend> standIn, Arrival arrival);

    // True once the awaited desktop has taken over (now or before).
    bool checkArrival();

    QString name() const override { return current_->name(); }
    bool SetDesktopWallpaper(const QString& path) override;
    int GetDesktopWallpaperStyle() override;
    bool SetDesktopWallpaperStyle(int style) override;
    DesktopColor GetDesktopColor() override;
    bool SetDesktopColor(DesktopColor colour) override;
    ShowResult ShowWallpaper(const QString& path, DesktopColor colour, int style) override;
    bool setColourAndStyle(DesktopColor colour, int style) override;
    bool keepsWallpaper() const override { return current_->keepsWallpaper(); }
    bool forgotWallpaper() override;

private:
    // The stand-in's current backend, after asking whether the awaited one has come.
    DesktopBackend& desktop();
    // Shows the stand-in's last picture on the desktop that came; false when it did not take it.
    bool showAgain();
    void watchAfterShow();

    std::unique_ptr<DesktopBackend> current_;
    Arrival arrival_;
    // What the stand-in last showed, for the awaited desktop to show again.
    QString shownPath_;
    std::optional<DesktopColor> shownColour_;
    std::optional<int> shownStyle_;
    bool showAgainPending_ = false;
    QTimer watch_;
    int checksLeft_ = 0;
};

} // namespace kv
