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
// tile, stretch). The picture is decoded only at the size that shows: reduced for stretch, and
// just the visible part when it is larger than the screen. An empty path gives the bare colour.
// Returns a null image, with the reason in *error, when the picture cannot be used.
QImage renderRootPicture(const QString& path, QSize rootSize, int style, DesktopColor colour,
                         QString* error = nullptr);

// 0x00BBGGRR as the opaque colour it stands for.
QRgb rgbOfDesktopColor(DesktopColor colour);

} // namespace kv
