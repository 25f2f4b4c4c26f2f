// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/DesktopBackend.h"

#include <QCoreApplication>

namespace kv {

// Used where no desktop could be found, or where the user asked for none: every operation fails
// as a desktop that cannot be reached does, so the rest of the program reports the entry as not
// set.
class NullDesktop final : public DesktopBackend {
public:
    explicit NullDesktop(bool chosen = false) : chosen_(chosen) {}
    // The name before the brackets is the one KESTROVALINE_DESKTOP takes, in every language. Its
    // reason tells a user who set that variable why nothing changes.
    QString name() const override {
        return QStringLiteral("none (%1)")
            .arg(chosen_ ? QCoreApplication::translate("kv::NullDesktop",
                                                       "switched off by KESTROVALINE_DESKTOP")
                         : QCoreApplication::translate("kv::NullDesktop",
                                                       "no supported desktop found"));
    }
    bool SetDesktopWallpaper(const QString&) override { return false; }
    int GetDesktopWallpaperStyle() override { return StyleUnknown; }
    bool SetDesktopWallpaperStyle(int) override { return false; }
    DesktopColor GetDesktopColor() override { return kUnknownDesktopColor; }
    bool SetDesktopColor(DesktopColor) override { return false; }

private:
    bool chosen_;
};

} // namespace kv
