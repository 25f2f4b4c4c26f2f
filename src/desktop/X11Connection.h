// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>

#include <xcb/xcb.h>

namespace kv {

// One connection to an X server, closed when it goes out of scope.
class X11Connection {
public:
    // `display` is the X display name (DISPLAY); empty means the default.
    explicit X11Connection(const QByteArray& display);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    bool ok() const { return xcb_connection_has_error(c_) == 0; }
    xcb_connection_t* get() const { return c_; }

    QList<xcb_screen_t*> screens() const;
    xcb_screen_t* defaultScreen() const;
    xcb_atom_t atom(const char* name, bool onlyIfExists = false) const;

    // Waits until the server has handled everything sent so far; false when any of it failed.
    bool settle() const;

    // True when the server tells its monitors apart (RandR 1.5).
    bool knowsMonitors() const;
    // The active monitors of a screen, in its pixels and within it; the whole screen when the
    // server does not tell its monitors apart or names none on it.
    QList<QRect> monitors(const xcb_screen_t* screen) const;

private:
    int defaultScreen_ = 0;
    xcb_connection_t* c_;
};

} // namespace kv
