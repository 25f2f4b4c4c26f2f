// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/desktop/DesktopBackend.h"

#include <QByteArray>

namespace kv {

// Plain X11 window managers: the root window's background is the wallpaper. We draw the picture
// ourselves into a pixmap per screen and leave it to the server (the setter's connection is
// kept by RetainPermanent), announcing it through _XROOTPMAP_ID and ESETROOT_PMAP_ID the way
// long-standing root setters do, so terminals and docks that show the background find it.
//
// The root has no notion of picture, style or colour, so we keep ours as private properties on
// the root window: they answer the Get operations, and a style or colour change draws the
// recorded picture again. Each operation opens its own connection and closes it.
class X11RootDesktop final : public DesktopBackend {
public:
    // `display` is the X display name (DISPLAY); empty means the default.
    explicit X11RootDesktop(QByteArray display) : display_(std::move(display)) {}

    QString name() const override;
    bool SetDesktopWallpaper(const QString& path) override;
    int GetDesktopWallpaperStyle() override;
    bool SetDesktopWallpaperStyle(int style) override;
    DesktopColor GetDesktopColor() override;
    bool SetDesktopColor(DesktopColor colour) override;

    // Names of the private root properties (UTF8_STRING path, CARDINAL style and colour).
    static constexpr const char* kPathProperty = "_KESTROVALINE_WALLPAPER";
    static constexpr const char* kStyleProperty = "_KESTROVALINE_WALLPAPER_STYLE";
    static constexpr const char* kColorProperty = "_KESTROVALINE_BACKGROUND_COLOR";

private:
    QByteArray display_;
};

} // namespace kv
