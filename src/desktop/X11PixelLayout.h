// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QtGlobal>

#include <xcb/xcb.h>

#include <optional>

namespace kv {

// How an X server keeps a screen's pixels in its pixmaps. Screens differ: 24 or 30 bits in 32,
// 15 or 16 bits in 16, red high or low, and a server's byte order need not be ours.
struct X11PixelLayout {
    int bitsPerPixel = 32;
    int scanlinePad = 32;
    quint32 redMask = 0xFF0000;
    quint32 greenMask = 0xFF00;
    quint32 blueMask = 0xFF;
    bool mostSignificantFirst = false;

    // The layout of a TrueColor screen; none for screens whose pixels index a colour map.
    static std::optional<X11PixelLayout> of(const xcb_setup_t* setup, const xcb_screen_t* screen);

    qsizetype rowBytes(int width) const;
    // The QImage format whose bytes are exactly these pixels on this machine, if there is one:
    // drawn into straight away, they need no encoding.
    std::optional<QImage::Format> imageFormat() const;
    // Writes the pixels of `image` (Format_RGB32) in this layout to `pixels`, rowBytes() apart.
    void encode(const QImage& image, uchar* pixels) const;
};

} // namespace kv
