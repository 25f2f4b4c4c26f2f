// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/DesktopBackend.h"

#include <QSet>
#include <QStringList>

namespace kv::test {

// A desktop in memory that counts every call, so a test can tell what was written and when.
// Paths in `refused` are turned down as a desktop that cannot show them does.
class FakeDesktop final : public DesktopBackend {
public:
    QString name() const override { return QStringLiteral("fake"); }
    ShowResult ShowWallpaper(const QString& path, DesktopColor colour, int style) override {
        shown.append(path);
        return DesktopBackend::ShowWallpaper(path, colour, style);
    }
    bool SetDesktopWallpaper(const QString& path) override {
        wallpaperCalls.append(path);
        if (refused.contains(path))
            return false;
        wallpaper = path;
        return true;
    }
    int GetDesktopWallpaperStyle() override { return style; }
    bool SetDesktopWallpaperStyle(int value) override {
        ++styleSets;
        if (!isWallpaperStyle(value))
            return false;
        style = value;
        return true;
    }
    bool keepsWallpaper() const override { return !forgets; }
    bool forgotWallpaper() override { return forgets && wallpaper.isEmpty(); }
    DesktopColor GetDesktopColor() override { return colour; }
    bool SetDesktopColor(DesktopColor value) override {
        ++colourSets;
        colour = value;
        wallpaperWhenColoured = wallpaper;
        return true;
    }

    QString wallpaper;
    int style = StyleUnknown;
    DesktopColor colour = kUnknownDesktopColor;
    QStringList wallpaperCalls;
    QStringList shown; // every picture handed over for a test decode
    QSet<QString> refused;
    bool forgets = false; // as a bare X server does when the session ends
    int styleSets = 0;
    int colourSets = 0;
    QString wallpaperWhenColoured; // what showed as the colour was last set
};

} // namespace kv::test
