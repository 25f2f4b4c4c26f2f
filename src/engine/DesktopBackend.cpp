// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DesktopBackend.h"

#include "common/PictureCheck.h"

namespace kv {

ShowResult DesktopBackend::ShowWallpaper(const QString& path, DesktopColor colour, int style) {
    if (!PictureDecodes(path))
        return ShowResult::NotAPicture;
    if (!SetDesktopWallpaper(path))
        return ShowResult::Refused;
    setColourAndStyle(colour, style);
    return ShowResult::Shown;
}

bool DesktopBackend::setColourAndStyle(DesktopColor colour, int style) {
    const bool colourShown = GetDesktopColor() == colour || SetDesktopColor(colour);
    const bool styleShown = GetDesktopWallpaperStyle() == style || SetDesktopWallpaperStyle(style);
    return colourShown && styleShown;
}

} // namespace kv
