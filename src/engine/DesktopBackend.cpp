// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DesktopBackend.h"

#include "common/PictureCheck.h"

namespace kv {

ShowResult DesktopBackend::ShowWallpaper(const QString& path, DesktopColor colour, int style) {
    if (!PictureDecodes(path))
        return ShowResult::NotAPicture;
    if (!SetDesktopWallpaper(path))
        return ShowResult::Refused;
    if (GetDesktopColor() != colour)
        SetDesktopColor(colour);
    if (GetDesktopWallpaperStyle() != style)
        SetDesktopWallpaperStyle(style);
    return ShowResult::Shown;
}

} // namespace kv
