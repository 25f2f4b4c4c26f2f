// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QIODevice;

namespace kv {

// Qt's BMP and GIF readers hand out a picture whose data ends early: a GIF's missing part black,
// a BMP's missing rows as whatever memory held. These tell from the file's structure alone,
// without decoding, whether its data is all there. Both read the device from its start and put
// it back where it was; a sequential device, which cannot go back, never counts as whole.

// An uncompressed BMP (any depth, bottom-up or top-down, with or without colour masks) must
// hold every row from where its pixel data starts; a run-length one must reach its end-of-picture
// code or end its last row.
bool BmpHoldsEveryRow(QIODevice& device);

// The first image of a GIF, after the extensions before it, must reach the terminator of its
// data, or end after the codes of all its pixels (missing only that terminator and the trailer).
bool GifReachesEndOfImage(QIODevice& device);

} // namespace kv
