// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/RecordedDesktop.h"

#include <QString>

namespace kv {

// How long a call to the compositor, from connecting to its answer, may hold the window's thread.
inline constexpr int kCompositorTimeoutMs = 5000;

// sway: one IPC command sets picture, placement and colour for every output. sway cannot tell
// us what it shows and answers success even for a missing file, so we check the picture first
// and keep our own record of what we sent (per sway instance: a new sway starts from its config).
//
// sway runs the path it is given through shell-like word expansion, command substitution
// included. The user's path never reaches it: sway gets a symbolic link with a fixed, plain name
// in our runtime folder that points at the picture.
class SwayDesktop final : public RecordedDesktop {
public:
    // `socketPath` is SWAYSOCK.
    explicit SwayDesktop(QString socketPath);

    QString name() const override;
    // A new sway starts from its config.
    bool keepsWallpaper() const override { return false; }
    bool forgotWallpaper() override { return recorded().path.isEmpty(); }

    // Sends one command over the IPC socket; true when sway reports success for all of it
    // within `timeoutMs`.
    static bool runCommand(const QString& socketPath, const QByteArray& command,
                           int timeoutMs = kCompositorTimeoutMs);

private:
    bool reachable() const override;
    // The picture goes through a fresh link.
    bool show(DesktopState& state) const override;
};

// Other wlroots compositors and Hyprland: swaybg, started by us and left running, draws the
// background. A change starts the new swaybg before ending the previous one (no flash of the
// bare background), and we only ever end the process we started, recognised by its id and
// command line.
class SwaybgDesktop final : public RecordedDesktop {
public:
    // `id` is the loader's id ("hyprland", "wayland"), `desktopName` what name() reports, as the
    // source text of its translation; `waylandDisplay` identifies the compositor our record
    // belongs to.
    SwaybgDesktop(QString id, QString desktopName, QString waylandDisplay);

    QString name() const override;
    // Our swaybg ends with the session.
    bool keepsWallpaper() const override { return false; }
    bool forgotWallpaper() override { return recorded().path.isEmpty(); }

    // Ends the swaybg we started, if it still runs (a test's and a logout's clean-up).
    void endHelper();

private:
    // Also forgets what our swaybg showed once it is gone.
    DesktopState recorded() const override;
    bool reachable() const override;
    bool show(DesktopState& state) const override;

    QString id_;
    QString desktopName_;
};

} // namespace kv
