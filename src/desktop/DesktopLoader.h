// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/DesktopBackend.h"

#include <QProcessEnvironment>
#include <QString>

#include <functional>
#include <memory>

namespace kv {

// What detection may ask of the machine beyond the environment; tests inject their own.
struct DesktopProbes {
    std::function<bool(const char* schemaId)> schemaInstalled;
    // A name someone owns on the session bus right now.
    std::function<bool(const char* name)> busNameOwned;
    // A name that is owned or that the session bus starts on demand.
    std::function<bool(const char* name)> busNameAvailable;
    // pcmanfm-qt draws the desktop (LXQt).
    std::function<bool()> lxqtDesktopRunning;
    // `pcmanfm --desktop` of this user runs on the display (LXDE).
    std::function<bool(const QString& display)> lxdeDesktopRunning;
    // A Unix socket at this path (sway's IPC).
    std::function<bool(const QString& path)> socketExists;
    // A program of that name on PATH.
    std::function<bool(const char* program)> executableFound;
    // Lets this much time pass before the probes are asked again; no waiting when unset.
    std::function<void(int milliseconds)> pause;

    // The real machine.
    static DesktopProbes system();
};

// The backend for this session, by its id (the values KESTROVALINE_DESKTOP takes: "kde",
// "gnome", "cinnamon", "mate", "xfce", "lxqt", "lxde", "sway", "hyprland", "wayland", "x11",
// "none"). A pure function of the environment and the probes.
//
// KESTROVALINE_DESKTOP names the backend outright, skipping the session match; when that backend
// cannot work here (x11 under Wayland, a schema that is not installed) the answer is "none"
// rather than some other desktop. Without it, the session's desktop names (XDG_CURRENT_DESKTOP as
// a colon-separated list, else XDG_SESSION_DESKTOP, else DESKTOP_SESSION; case-insensitive) pick
// the first backend that claims them and can work; one that cannot gives way to the next. The
// order: KDE (its shell on the bus), the GNOME family, Cinnamon, MATE, XFCE, LXQt, LXDE, sway
// (SWAYSOCK), Hyprland, any other Wayland compositor (swaybg installed), the X11 root window
// (DISPLAY set, no WAYLAND_DISPLAY) and finally "none".
//
// At logon a desktop's own component (Plasma's shell, xfconfd, pcmanfm's desktop) may reach the
// session bus after us: when the session names that desktop, or it is forced, detection waits
// up to kDesktopPatienceMs for it before giving way. swaybg never stands in for a desktop the
// session names: that desktop's compositor draws its own background over it, if it shows layer
// surfaces at all.
inline constexpr int kDesktopPatienceMs = 5000;
QString detectDesktop(const QProcessEnvironment& environment, const DesktopProbes& probes);

// The desktop the session names (or the override forces) that detection waited for in vain, so
// that `detected`, the X11 root or nothing, only stands in for it; empty when there is none.
QString awaitedDesktop(const QProcessEnvironment& environment, const QString& detected);

// The backend with this id; NullDesktop for "none" or an unknown id.
std::unique_ptr<DesktopBackend> createDesktopBackend(const QString& id,
                                                     const QProcessEnvironment& environment);

// Picks the backend for the desktop this process runs on; KESTROVALINE_DESKTOP overrides it.
// A stand-in for an awaited desktop hands over to it when it comes. Without `patient` nothing is
// waited for: enough where only the desktop's name is wanted.
std::unique_ptr<DesktopBackend> loadDesktopBackend(const QProcessEnvironment& environment,
                                                   bool patient = true);

} // namespace kv
