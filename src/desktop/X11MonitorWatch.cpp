// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/X11MonitorWatch.h"

#include <xcb/randr.h>

#include <cstdlib>

namespace kv {

X11MonitorWatch::X11MonitorWatch(const QByteArray& display, std::function<void()> changed)
    : connection_(display), changed_(std::move(changed)) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] { changed_(); });
    if (!connection_.ok())
        return;
    xcb_connection_t* c = connection_.get();
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_randr_id);
    if (!extension || !extension->present)
        return;
    firstEvent_ = extension->first_event;
    // The version must be agreed before the server sends the notices of later versions.
    std::free(xcb_randr_query_version_reply(
        c, xcb_randr_query_version(c, XCB_RANDR_MAJOR_VERSION, XCB_RANDR_MINOR_VERSION), nullptr));
    // A monitor made, moved or removed without a new mode (xrandr --setmonitor, as a dock or
    // a split screen does) is told only as a configure notice of the root.
    const uint32_t structure = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    for (xcb_screen_t* screen : connection_.screens()) {
        xcb_randr_select_input(c, screen->root,
                               XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                   XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
        xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &structure);
    }
    if (!connection_.settle())
        return;
    notifier_ =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &X11MonitorWatch::readNotices);
}

void X11MonitorWatch::readNotices() {
    bool changed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_.get())) {
        const uint8_t type = event->response_type & 0x7F;
        changed = changed || type == firstEvent_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                  type == firstEvent_ + XCB_RANDR_NOTIFY || type == XCB_CONFIGURE_NOTIFY;
        std::free(event);
    }
    if (!connection_.ok()) {
        // The server went away: nothing more will come.
        notifier_->setEnabled(false);
        return;
    }
    if (changed)
        settle_.start();
}

} // namespace kv
