// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

namespace kv::test {

// Writes the picture files the engine's tests need into folder and returns nothing that can
// fail silently: each writer verifies what it wrote.
//   valid.jpg, valid.bmp, valid.gif,
//   valid.png                         decodable pictures
//   truncated.jpg, truncated.png      cut off in the middle of their picture data
//   text-named.jpg                    plain text with a picture's name
//   empty.bmp                         no bytes at all
//   huge.bmp                          a header claiming 100 000 x 100 000 pixels, no data
bool WritePictureFixtures(const QString& folder);

// A noisy picture, so that its JPEG is large and its data long enough to be cut.
bool WriteNoisyJpeg(const QString& path, int width, int height, int quality = 90);

// A real picture: a gradient with a bar, so a decode has real content to work through. The
// format follows the file name unless one is given.
bool writePicture(const QString& path, QSize size = QSize(64, 48), const char* format = nullptr);

// The picture a placement test shows on a 4:3 screen: for centre, tile and stretch (0 to 2) a
// 40 x 30 picture, its left half one colour and its right half another; for fit and fill (3, 4) a
// 320 x 120 picture, its left 120 columns one colour and the rest another: wider than the screen
// and split off centre, so that fit (bands of background above and below), fill (cropped at the
// sides) and stretch each show the split somewhere else. With an EXIF orientation other than 1 it
// is stored turned, as a JPEG that looks that way only once the orientation is applied.
bool writePlacementPicture(const QString& path, int style, const QColor& left, const QColor& right,
                           int orientation = 1);

// A JPEG carrying an EXIF orientation that turns it (1, 3, 6 or 8), stored turned so that it shows
// as `upright` once the orientation is applied, as a camera held sideways writes it.
bool writeOrientedJpeg(const QString& path, const QImage& upright, int orientation);

// An 8-bit picture as a BMP stored as runs: runs of one index, pixels as they are, and each row's
// leading and trailing index-0 pixels jumped over and left out, as an encoder may store the
// background.
QByteArray runLengthBmp(const QImage& indexed);

// A picture as a BMP of 32-bit pixels with an alpha mask and every alpha 0, as some writers
// store an opaque picture.
QByteArray bmpWithUnusedAlpha(const QImage& picture);

// An 8-bit picture as a GIF after a graphic control extension, its codes stored uncompressed.
QByteArray gifOf(const QImage& indexed);

bool writeBytes(const QString& path, const QByteArray& bytes);

} // namespace kv::test
