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

// LXQt: pcmanfm-qt draws the desktop and takes a picture and mode over D-Bus. It applies the
// mode but never saves it and has no call for the colour, so the style and colour we set are
// kept in our record, and the mode and colour go into its settings file for its next start. Both
// pcmanfm desktops show the picture again in the next session, so upright copies live in the
// cache folder, not the runtime folder.
class LxqtDesktop final : public RecordedDesktop {
public:
    explicit LxqtDesktop(QString display);

    QString name() const override;

    // True when pcmanfm-qt answers on the session bus and draws the desktop (with no desktop it
    // takes every picture and shows none).
    static bool desktopRunning();
    // The settings file of the running desktop's profile.
    QString settingsFile() const;

private:
    bool show(DesktopState& state) const override;
    bool applyColour(DesktopState& state) const override;
    // Its setWallpaper call knows no fill (it keeps the previous mode for "zoom"): fill is a copy
    // cropped to the largest monitor, stretched.
    std::optional<QSize> fillShape() const override;
    QString copyFolder() const override { return DesktopRecord::cacheFolder(); }
    // What it leaves out of its saved settings for its next start: the mode and our colour.
    bool writeSettings(const DesktopState& state) const;
    // True when pcmanfm-qt took the request (which does not say it shows it).
    bool setWallpaper(const QString& file, const QString& mode) const;
    // The whole screen as `state` shows it (in `ownColour` where it has no colour), drawn into
    // our copy folder; empty when it could not be.
    QString screenPicture(const DesktopState& state, DesktopColor ownColour) const;
};

// LXDE: pcmanfm draws the desktop; `pcmanfm --set-wallpaper` hands it picture and mode. Only
// while its desktop runs: otherwise the same command opens an error window on the user's screen.
// The colour has no command: it goes into pcmanfm's desktop settings for its next start.
class LxdeDesktop final : public RecordedDesktop {
public:
    explicit LxdeDesktop(QString display);

    QString name() const override;

    bool desktopRunning() const;
    QString settingsFile() const;

private:
    bool show(DesktopState& state) const override;
    bool applyColour(DesktopState& state) const override;
    QString copyFolder() const override { return DesktopRecord::cacheFolder(); }
    bool writeColour(DesktopColor colour) const;
};

} // namespace kv
