// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/X11PixelLayout.h"

#include <array>
#include <bit>

namespace kv {
namespace {

// A channel of 8 bits widened or narrowed to a mask's bits, as QImage converts it, at the mask's
// place: a table for every value.
std::array<quint32, 256> channelTable(quint32 mask) {
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    std::array<quint32, 256> table{};
    for (quint32 value = 0; value < 256; ++value) {
        const quint32 scaled =
            bits <= 8 ? value >> (8 - bits) : (value << (bits - 8)) | (value >> (16 - bits));
        table[value] = (scaled << shift) & mask;
    }
    return table;
}

bool isChannelMask(quint32 mask) {
    return mask != 0 && std::has_single_bit((mask >> std::countr_zero(mask)) + 1);
}

} // namespace

std::optional<X11PixelLayout> X11PixelLayout::of(const xcb_setup_t* setup,
                                                 const xcb_screen_t* screen) {
    X11PixelLayout layout;
    layout.bitsPerPixel = 0;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == screen->root_depth) {
            layout.bitsPerPixel = it.data->bits_per_pixel;
            layout.scanlinePad = it.data->scanline_pad;
        }
    const xcb_visualtype_t* visual = nullptr;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem && !visual; xcb_depth_next(&d))
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->visual_id == screen->root_visual) {
                visual = v.data;
                break;
            }
    if (!visual || visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR)
        return std::nullopt;
    layout.redMask = visual->red_mask;
    layout.greenMask = visual->green_mask;
    layout.blueMask = visual->blue_mask;
    layout.mostSignificantFirst = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    const int bits = layout.bitsPerPixel;
    if (bits < 8 || bits > 32 || bits % 8 || layout.scanlinePad < 8 || layout.scanlinePad % 8)
        return std::nullopt;
    const quint32 fits = bits == 32 ? ~0u : (1u << bits) - 1;
    for (const quint32 mask : {layout.redMask, layout.greenMask, layout.blueMask})
        if (!isChannelMask(mask) || (mask & ~fits))
            return std::nullopt;
    return layout;
}

qsizetype X11PixelLayout::rowBytes(int width) const {
    return (qsizetype(width) * bitsPerPixel + scanlinePad - 1) / scanlinePad * (scanlinePad / 8);
}

std::optional<QImage::Format> X11PixelLayout::imageFormat() const {
    static const struct {
        int bitsPerPixel;
        quint32 red, green, blue;
        QImage::Format format;
    } kFormats[] = {{32, 0xFF0000, 0xFF00, 0xFF, QImage::Format_RGB32},
                    {32, 0x3FF00000, 0xFFC00, 0x3FF, QImage::Format_RGB30},
                    {32, 0x3FF, 0xFFC00, 0x3FF00000, QImage::Format_BGR30},
                    {16, 0xF800, 0x07E0, 0x001F, QImage::Format_RGB16},
                    {16, 0x7C00, 0x03E0, 0x001F, QImage::Format_RGB555}};
    // QImage keeps these as whole numbers in our byte order, each row 32-bit aligned.
    if (mostSignificantFirst != (Q_BYTE_ORDER == Q_BIG_ENDIAN) || scanlinePad != 32)
        return std::nullopt;
    for (const auto& known : kFormats)
        if (known.bitsPerPixel == bitsPerPixel && known.red == redMask &&
            known.green == greenMask && known.blue == blueMask)
            return known.format;
    return std::nullopt;
}

void X11PixelLayout::encode(const QImage& image, uchar* pixels) const {
    const auto red = channelTable(redMask);
    const auto green = channelTable(greenMask);
    const auto blue = channelTable(blueMask);
    const int bytes = bitsPerPixel / 8;
    const qsizetype stride = rowBytes(image.width());
    for (int y = 0; y < image.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* to = pixels + y * stride;
        for (int x = 0; x < image.width(); ++x, to += bytes) {
            const QRgb rgb = from[x];
            const quint32 pixel = red[qRed(rgb)] | green[qGreen(rgb)] | blue[qBlue(rgb)];
            for (int i = 0; i < bytes; ++i)
                to[i] = uchar(pixel >> (8 * (mostSignificantFirst ? bytes - 1 - i : i)));
        }
    }
}

} // namespace kv
