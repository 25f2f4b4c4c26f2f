// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>

class QIODevice;
class QImage;
class QRect;

namespace kv {

// Decodes a PNG from the device's start a row at a time and keeps, in *kept, only the pixels
// within `keep` (of the picture as stored) as 32-bit pixels: ARGB32 where the picture has
// transparency, RGB32 otherwise, as Qt's reader gives such a picture. So a part of a picture of
// any size costs no more memory than the part. True when every row and the end of the data
// decode, which Qt's reader demands too; with no `kept` or an empty `keep` it only judges the
// picture. The kept part is held within the allocation limit of Qt's reader. With `reducedTo`
// smaller than the part, an opaque picture that is not interlaced comes reduced to that size, each
// pixel the average of those stored on it, so that it costs no more memory than its reduced size;
// any other comes at full size, for the caller to scale.
bool ReadPngRows(QIODevice& device, const QRect& keep, QImage* kept, QSize reducedTo = QSize());

} // namespace kv
