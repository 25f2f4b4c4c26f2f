// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/DesktopBackend.h"

#include <QByteArray>

#include <memory>

namespace kv {

class X11MonitorWatch;

// Plain X11 window managers: the root window's background is the wallpaper. We draw the picture
// ourselves into a pixmap per screen, placed on each monitor by itself, and leave it to the
// server (the setter's connection is kept by RetainPermanent), announcing it through
// _XROOTPMAP_ID and ESETROOT_PMAP_ID the way long-standing root setters do, so terminals and docks
// that show the background find it. The next change ends that connection, once the server says
// that the process that drew the pixmap still owns it (X-Resource).
//
// The root has no notion of picture, style or colour, so we keep ours as private properties on
// the root window: they answer the Get operations, and a style or colour change draws the
// recorded picture again. Each operation opens one connection of its own and closes it. Once we
// have drawn, a watch on the monitors draws our picture again when they change.
//
// The X server forgets all of it when it ends, so the wallpaper is shown again at each start.
class X11RootDesktop final : public DesktopBackend {
public:
    // `display` is the X display name (DISPLAY); empty means the default.
    explicit X11RootDesktop(QByteArray display);
    ~X11RootDesktop() override;

    QString name() const override;
    bool SetDesktopWallpaper(const QString& path) override;
    int GetDesktopWallpaperStyle() override;
    bool SetDesktopWallpaperStyle(int style) override;
    DesktopColor GetDesktopColor() override;
    bool SetDesktopColor(DesktopColor colour) override;
    ShowResult ShowWallpaper(const QString& path, DesktopColor colour, int style) override;
    bool setColourAndStyle(DesktopColor colour, int style) override;
    bool keepsWallpaper() const override { return false; }
    bool forgotWallpaper() override;

    // Names of the private root properties (UTF8_STRING path, CARDINAL style and colour, the
    // PIXMAP we drew it into, which tells whether the root still shows ours, and the CARDINAL
    // process id the X server knows for the connection that keeps that pixmap).
    static constexpr const char* kPathProperty = "_KESTROVALINE_WALLPAPER";
    static constexpr const char* kStyleProperty = "_KESTROVALINE_WALLPAPER_STYLE";
    static constexpr const char* kColorProperty = "_KESTROVALINE_BACKGROUND_COLOR";
    static constexpr const char* kPixmapProperty = "_KESTROVALINE_PIXMAP";
    static constexpr const char* kPixmapOwnerProperty = "_KESTROVALINE_PIXMAP_OWNER";

private:
    void watchMonitors();
    void monitorsChanged();

    QByteArray display_;
    std::unique_ptr<X11MonitorWatch> watch_;
};

} // namespace kv
