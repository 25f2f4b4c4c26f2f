// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/RootPixels.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <tuple>
#include <utility>

namespace kv::test {

namespace {

// A channel of `pixel` under `mask`, widened or narrowed to 8 bits.
int channel(quint32 pixel, quint32 mask) {
    int shift = 0;
    while (mask && !(mask & (1u << shift)))
        ++shift;
    const quint32 top = mask >> shift;
    return top ? int(((pixel & mask) >> shift) * 255 / top) : 0;
}

} // namespace

QImage readRootPixels(const QString& display) {
    xcb_connection_t* connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> owner(connection,
                                                                               xcb_disconnect);
    if (xcb_connection_has_error(connection))
        return {};
    // Read through the root visual's masks, in the server's byte order, whatever its depth.
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    const xcb_visualtype_t* visual = nullptr;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d))
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->visual_id == screen->root_visual)
                visual = v.data;
    int bits = 0, pad = 0;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == screen->root_depth)
            std::tie(bits, pad) = std::pair(int(f.data->bits_per_pixel), int(f.data->scanline_pad));
    if (!visual || visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR || bits % 8 || !pad)
        return {};
    const int width = screen->width_in_pixels;
    const int height = screen->height_in_pixels;
    auto* reply = xcb_get_image_reply(connection,
                                      xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP,
                                                    screen->root, 0, 0, width, height, ~0u),
                                      nullptr);
    const int bytes = bits / 8;
    const int rowBytes = (width * bits + pad - 1) / pad * pad / 8;
    QImage image;
    if (reply && xcb_get_image_data_length(reply) == rowBytes * height) {
        image = QImage(width, height, QImage::Format_RGB32);
        const bool msbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const uint8_t* at = xcb_get_image_data(reply) + y * rowBytes + x * bytes;
                quint32 pixel = 0;
                for (int i = 0; i < bytes; ++i)
                    pixel |= quint32(at[i]) << (8 * (msbFirst ? bytes - 1 - i : i));
                row[x] = qRgb(channel(pixel, visual->red_mask), channel(pixel, visual->green_mask),
                              channel(pixel, visual->blue_mask));
            }
        }
    }
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
