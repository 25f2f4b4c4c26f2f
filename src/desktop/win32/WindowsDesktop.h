// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/DesktopBackend.h"

namespace kv {

// The Windows shell's desktop: the wallpaper through the desktop object, the background colour
// through the system colours. COM must already be joined on the calling thread
// (win32::ComApartment).
class WindowsDesktop final : public DesktopBackend {
public:
    QString name() const override { return QStringLiteral("Windows"); }
    bool SetDesktopWallpaper(const QString& path) override;
    int GetDesktopWallpaperStyle() override;
    bool SetDesktopWallpaperStyle(int style) override;
    DesktopColor GetDesktopColor() override;
    bool SetDesktopColor(DesktopColor colour) override;
};

} // namespace kv
