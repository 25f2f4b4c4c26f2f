// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/win32/WindowsDesktop.h"

#include "desktop/win32/ActiveDesktop.h"
#include "desktop/win32/SystemColours.h"

#include <QDir>

namespace kv {

bool WindowsDesktop::SetDesktopWallpaper(const QString& path) {
    // The shell takes the path as the user sees it, with backslashes.
    return win32::SetDesktopWallpaper(QDir::toNativeSeparators(path).toStdWString());
}

int WindowsDesktop::GetDesktopWallpaperStyle() {
    const int style = win32::GetDesktopWallpaperStyle();
    // Newer shells also report span, which is no option here.
    return isWallpaperStyle(style) ? style : StyleUnknown;
}

bool WindowsDesktop::SetDesktopWallpaperStyle(int style) {
    return win32::SetDesktopWallpaperStyle(style);
}

DesktopColor WindowsDesktop::GetDesktopColor() {
    return win32::GetDesktopColor();
}

bool WindowsDesktop::SetDesktopColor(DesktopColor colour) {
    return win32::SetDesktopColor(colour);
}

} // namespace kv
