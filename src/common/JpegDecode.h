// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>

class QImageReader;

namespace kv {

// What `clip` pixels of a JPEG come out as at the smallest of the decoder's own scales (1/8 to
// 8/8) that gives at least `wanted` in both directions; the clip itself when none is smaller.
// Decoding at such a size costs no scaling step of ours.
QSize JpegDecodedSize(QSize clip, QSize wanted);

// The JPEG `reader` would read as it is set up (its clip rect and scaled size, both of the picture
// as stored, then turned upright when it transforms automatically, within its allocation limit),
// made by one pass of the decoder that also judges the picture whole: a null image where
// JpegReachesEndOfImage would say false, or where the picture does not decode. The pass starts at
// the device's beginning. A clip rect off the grid of the chosen scale is widened to it, by less
// than one decoded pixel.
QImage ReadWholeJpeg(QImageReader& reader);

} // namespace kv
