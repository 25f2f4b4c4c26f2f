// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/DesktopBackend.h"

#include <QCoreApplication>

namespace kv {

// Used where no desktop could be found: every operation fails as a desktop that cannot be
// reached does, so the rest of the program reports the entry as not set.
class NullDesktop final : public DesktopBackend {
public:
    // The name before the brackets is the one KESTROVALINE_DESKTOP takes, in every language.
    QString name() const override {
        return QStringLiteral("none (%1)")
            .arg(QCoreApplication::translate("kv::NullDesktop", "no supported desktop found"));
    }
    bool SetDesktopWallpaper(const QString&) override { return false; }
    int GetDesktopWallpaperStyle() override { return StyleUnknown; }
    bool SetDesktopWallpaperStyle(int) override { return false; }
    DesktopColor GetDesktopColor() override { return kUnknownDesktopColor; }
    bool SetDesktopColor(DesktopColor) override { return false; }
};

} // namespace kv
