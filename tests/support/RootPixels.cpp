// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/RootPixels.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace kv::test {

QImage readRootPixels(const QString& display) {
    xcb_connection_t* connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> owner(connection,
                                                                               xcb_disconnect);
    if (xcb_connection_has_error(connection))
        return {};
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (screen->root_depth != 24 && screen->root_depth != 32)
        return {};
    auto* reply =
        xcb_get_image_reply(connection,
                            xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0,
                                          screen->width_in_pixels, screen->height_in_pixels, ~0u),
                            nullptr);
    QImage image;
    const int bytes = screen->width_in_pixels * screen->height_in_pixels * 4;
    if (reply && xcb_get_image_data_length(reply) == bytes)
        image = QImage(xcb_get_image_data(reply), screen->width_in_pixels, screen->height_in_pixels,
                       QImage::Format_RGB32)
                    .copy();
    std::free(reply);
    return image;
}

QColor rootCentreColour(const QString& display) {
    const QImage pixels = readRootPixels(display);
    if (pixels.isNull())
        return {};
    return pixels.pixelColor(pixels.width() / 2, pixels.height() / 2);
}

bool closeColours(const QColor& a, const QColor& b, int tolerance) {
    return a.isValid() && b.isValid() && std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace kv::test
