// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/RecordedDesktop.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kv {

// The arguments of a running process of this user whose program is `program` and whose
// command line holds `argument`, showing on `display`; nullopt when there is none.
std::optional<QStringList> findOwnProcess(const QString& program, const QString& argument,
                                          const QString& display);

// LXQt: pcmanfm-qt draws the desktop and takes a picture and mode over D-Bus. It has no call for
// the colour, and it saves the settings it read at its start, over any we wrote, with every
// change and as it ends. So where the colour shows (centre and fit) it gets the whole screen drawn
// by us, and since it has forgotten our style and colour at its next start, a start shows the
// picture again. It shows its last picture at its next start: our copies and drawings live in the
// cache folder, not the runtime folder.
class LxqtDesktop final : public RecordedDesktop {
public:
    explicit LxqtDesktop(QString display);

    QString name() const override;
    bool keepsWallpaper() const override { return false; }
    bool forgotWallpaper() override { return recorded().path.isEmpty(); }

    // True when pcmanfm-qt answers on the session bus and draws the desktop (with no desktop it
    // takes every picture and shows none).
    static bool desktopRunning();
    // The settings file of the running desktop's profile.
    QString settingsFile() const;

private:
    bool reachable() const override { return desktopRunning(); }
    bool show(DesktopState& state) const override;
    // Its setWallpaper call knows no fill (it keeps the previous mode for "zoom"): fill is a copy
    // cropped to the largest monitor, stretched.
    std::optional<QSize> fillShape() const override;
    QString copyFolder() const override { return DesktopRecord::cacheFolder(); }
    // True when pcmanfm-qt took the request (which does not say it shows it).
    bool setWallpaper(const QString& file, const QString& mode) const;
    // The whole screen with `state`'s picture placed by `style` (in `ownColour` where `state` has
    // no colour), drawn into our copy folder; empty when it could not be.
    QString screenPicture(const DesktopState& state, int style, DesktopColor ownColour) const;
};

// LXDE: pcmanfm draws a desktop on each monitor, each with its own settings file, and `pcmanfm
// --set-wallpaper` hands picture and mode to the first monitor's. Only while its desktop runs:
// otherwise the same command opens an error window on the user's screen. The colour has no
// command, and the other monitors' desktops read their settings only as they start: both go into
// the settings files for pcmanfm's next start.
class LxdeDesktop final : public RecordedDesktop {
public:
    explicit LxdeDesktop(QString display);

    QString name() const override;

    bool desktopRunning() const;
    // The settings file of the desktop on the given monitor.
    QString settingsFile(int monitor = 0) const;

private:
    bool show(DesktopState& state) const override;
    bool applyColour(DesktopState& state) const override;
    QString copyFolder() const override { return DesktopRecord::cacheFolder(); }
    // Writes the colour into every monitor's settings, and `shown` (the first monitor's settings
    // as pcmanfm saved them) into the others'.
    bool writeSettings(DesktopColor colour, const QByteArray& shown = {}) const;
};

} // namespace kv
