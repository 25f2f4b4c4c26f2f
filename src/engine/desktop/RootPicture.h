// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/desktop/DesktopBackend.h"

#include <QImage>
#include <QSize>
#include <QString>

namespace kv {

// Pictures whose header promises more pixels than this are refused before any decoding: no
// screen needs them, and a damaged or hostile header must not make us allocate gigabytes.
inline constexpr qint64 kMaxPicturePixels = qint64(20000) * 20000;
// What one decode may allocate, in megabytes. Decoding happens at the size the screen needs, so
// this only bites on pictures that cannot be decoded reduced (and would be absurd anyway).
inline constexpr int kPictureAllocationLimitMB = 256;

// The whole background of one screen: the colour, and the picture placed on it by style (centre,
// tile, stretch). The picture is decoded only at the size that shows: a JPEG shrinks while it
// decodes, and only the visible part of a picture larger than the screen is kept. The screen
// itself is drawn band by band, so the screen-sized result never has to exist in our memory.
class RootPicture {
public:
    // An empty path gives the bare colour. False, with the reason in *error, when the picture
    // cannot be used.
    bool load(const QString& path, QSize screen, int style, DesktopColor colour,
              QString* error = nullptr);

    QSize screenSize() const { return screen_; }
    // Draws the screen's rows from `top` on into `band`, which is as wide as the screen.
    void drawBand(QImage& band, int top) const;
    // The whole screen at once.
    QImage render(QImage::Format format = QImage::Format_RGB32) const;

private:
    QSize screen_;
    int style_ = StyleStretch;
    QRgb background_ = 0;
    QImage picture_;
    QPoint placed_; // top-left of a centred picture on the screen
};

// 0x00BBGGRR as the opaque colour it stands for.
QRgb rgbOfDesktopColor(DesktopColor colour);

} // namespace kv
