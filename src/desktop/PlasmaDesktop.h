// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/DesktopBackend.h"

#include <QString>

#include <optional>

namespace kv {

// KDE Plasma 5 and 6: the shell's scripting interface on the session bus. Every operation is one
// script that touches every desktop (containment), then a second one that prints what they hold
// as JSON, so success means the shell really kept it. A shell that refuses the script (widgets
// locked, a script error) answers with a D-Bus error, which is a failure.
class PlasmaDesktop final : public DesktopBackend {
public:
    static constexpr const char* kService = "org.kde.plasmashell";
    static constexpr const char* kPath = "/PlasmaShell";
    static constexpr const char* kInterface = "org.kde.PlasmaShell";

    QString name() const override;
    bool SetDesktopWallpaper(const QString& path) override;
    int GetDesktopWallpaperStyle() override;
    bool SetDesktopWallpaperStyle(int style) override;
    DesktopColor GetDesktopColor() override;
    bool SetDesktopColor(DesktopColor colour) override;

    // The text as a JavaScript string literal in which every character outside [A-Za-z0-9/._-]
    // is a \uXXXX escape: nothing a file name holds can end the literal or the line.
    static QString scriptString(const QString& text);

    // What one desktop shows, as the read-back script reports it.
    struct Shown {
        QString plugin;
        QString image;
        QString fillMode;
        QString colour;
    };

private:
    std::optional<QList<Shown>> shown();
};

} // namespace kv
