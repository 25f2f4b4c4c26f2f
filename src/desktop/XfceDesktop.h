// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/DesktopBackend.h"

#include <QString>
#include <QStringList>

namespace kv {

// XFCE: xfdesktop draws what the xfconf channel xfce4-desktop holds, one group of properties per
// screen, monitor and workspace (/backdrop/screen0/monitorHDMI-1/workspace0/...). We set every
// group that exists, so the picture shows whichever workspace and monitor the user is on; with
// none yet (a fresh session) we create them for the current monitors on workspace 0.
class XfceDesktop final : public DesktopBackend {
public:
    static constexpr const char* kService = "org.xfce.Xfconf";
    static constexpr const char* kPath = "/org/xfce/Xfconf";
    static constexpr const char* kChannel = "xfce4-desktop";

    QString name() const override;
    bool SetDesktopWallpaper(const QString& path) override;
    int GetDesktopWallpaperStyle() override;
    bool SetDesktopWallpaperStyle(int style) override;
    DesktopColor GetDesktopColor() override;
    bool SetDesktopColor(DesktopColor colour) override;

    // The property groups (without the trailing /last-image) that exist, sorted; the ones we
    // would create when there are none.
    static QStringList existingGroups();
    static QStringList groupsToCreate();
};

} // namespace kv
