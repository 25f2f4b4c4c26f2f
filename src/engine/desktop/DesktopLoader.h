#pragma once

#include "engine/desktop/DesktopBackend.h"

#include <QProcessEnvironment>
#include <QString>

#include <functional>
#include <memory>

namespace kv {

// What detection may ask of the machine beyond the environment; tests inject their own.
struct DesktopProbes {
    std::function<bool(const char* schemaId)> schemaInstalled;

    // The real machine.
    static DesktopProbes system();
};

// The backend for this session, by its id (the values KESTROVALINE_DESKTOP takes: "x11",
// "gnome", "cinnamon", "mate", "none"). A pure function of the environment and the probes.
//
// KESTROVALINE_DESKTOP names the backend outright, skipping the session match; when that backend
// cannot work here (x11 under Wayland, a schema that is not installed) the answer is "none"
// rather than some other desktop. Without it, the session's desktop names (XDG_CURRENT_DESKTOP as
// a colon-separated list, else XDG_SESSION_DESKTOP, else DESKTOP_SESSION; case-insensitive) pick
// the first backend that claims them and can work; one that cannot gives way to the next, down to
// the X11 root window (DISPLAY set, no WAYLAND_DISPLAY) and finally "none".
QString detectDesktop(const QProcessEnvironment& environment, const DesktopProbes& probes);

// The backend with this id; NullDesktop for "none" or an unknown id.
std::unique_ptr<DesktopBackend> createDesktopBackend(const QString& id,
                                                     const QProcessEnvironment& environment);

// Picks the backend for the desktop this process runs on; KESTROVALINE_DESKTOP overrides it.
std::unique_ptr<DesktopBackend> loadDesktopBackend(const QProcessEnvironment& environment);

} // namespace kv
