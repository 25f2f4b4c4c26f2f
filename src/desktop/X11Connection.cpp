// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/X11Connection.h"

#include <xcb/randr.h>

#include <cstdlib>

namespace kv {

X11Connection::X11Connection(const QByteArray& display)
    : c_(xcb_connect(display.isEmpty() ? nullptr : display.constData(), &defaultScreen_)) {}

X11Connection::~X11Connection() {
    xcb_disconnect(c_);
}

QList<xcb_screen_t*> X11Connection::screens() const {
    QList<xcb_screen_t*> result;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c_)); it.rem; xcb_screen_next(&it))
        result << it.data;
    return result;
}

xcb_screen_t* X11Connection::defaultScreen() const {
    const QList<xcb_screen_t*> all = screens();
    return defaultScreen_ >= 0 && defaultScreen_ < all.size() ? all[defaultScreen_] : nullptr;
}

xcb_atom_t X11Connection::atom(const char* name, bool onlyIfExists) const {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c_, xcb_intern_atom(c_, onlyIfExists, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

bool X11Connection::settle() const {
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    bool clean = ok();
    while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
        if (event->response_type == 0)
            clean = false;
        std::free(event);
    }
    return clean;
}

bool X11Connection::knowsMonitors() const {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c_, &xcb_randr_id);
    if (!extension || !extension->present)
        return false;
    xcb_randr_query_version_reply_t* version = xcb_randr_query_version_reply(
        c_, xcb_randr_query_version(c_, XCB_RANDR_MAJOR_VERSION, XCB_RANDR_MINOR_VERSION), nullptr);
    const bool known = version && (version->major_version > 1 ||
                                   (version->major_version == 1 && version->minor_version >= 5));
    std::free(version);
    return known;
}

QList<QRect> X11Connection::monitors(const xcb_screen_t* screen) const {
    const QRect whole(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    QList<QRect> result;
    if (knowsMonitors()) {
        xcb_randr_get_monitors_reply_t* reply =
            xcb_randr_get_monitors_reply(c_, xcb_randr_get_monitors(c_, screen->root, 1), nullptr);
        if (reply)
            for (auto it = xcb_randr_get_monitors_monitors_iterator(reply); it.rem;
                 xcb_randr_monitor_info_next(&it)) {
                const QRect monitor =
                    QRect(it.data->x, it.data->y, it.data->width, it.data->height) & whole;
                if (!monitor.isEmpty())
                    result << monitor;
            }
        std::free(reply);
    }
    if (result.isEmpty())
        result << whole;
    return result;
}

} // namespace kv
