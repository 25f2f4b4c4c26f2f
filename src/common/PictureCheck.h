// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

class QFile;
class QIODevice;
class QImageReader;

namespace kv {

// How large the test decode of a wallpaper is: the whole picture, or a thumbnail that costs a
// fraction of the time and memory and rejects the same broken files.
enum class DecodeSize { Full, Reduced };

// The longest side of the reduced test decode, in pixels.
inline constexpr int kReducedDecodeSide = 64;
// Pictures larger than this many pixels are refused before decoding: a desktop would need
// gigabytes to show them, and a damaged header can claim any size.
inline constexpr qint64 kMaxPicturePixels = 250'000'000;
// Files larger than this are refused unread: even an uncompressed picture of the largest size
// above fits in it, so only damage or a mistake makes a picture file longer.
inline constexpr qint64 kMaxPictureBytes = qint64(1) << 30;

// What one decode may allocate, in megabytes: a picture that must be decoded whole (a BMP, say,
// which has no reduced decode) of up to 64 million pixels.
inline constexpr int kPictureAllocationLimitMB = 256;
// Sets that limit for every decode of the process, unless the user set one (QT_IMAGEIO_MAXALLOC).
// Qt keeps a single limit, so it is set once at the start: a picture's verdict must not depend
// on what was decoded before it.
void UsePictureAllocationLimit();
// Whether Qt's readers may hold a picture of `size` in pixels of `depth` bits under that limit.
bool withinAllocationLimit(QSize size, int depth);

// Opens `file` for reading when its whole path names a regular file (or a link to one). A named
// pipe would block the open until a writer came, a device would never end, and a relative path
// would depend on where the program was started.
bool OpenPictureFile(QFile& file);

// True when the file is a JPEG, BMP, GIF or PNG picture (judged by its content, not its name)
// that decodes completely. Never throws; a file that cannot be read is simply not a picture.
bool PictureDecodes(const QString& path, DecodeSize size = DecodeSize::Reduced);

// The same test, telling a file whose content was read and is no whole picture (or that is not
// there at all) from one that is there but could not be opened or read to its end: a medium's
// read error or a file nobody may read says nothing of what the file holds. Nor does a picture
// too large for the memory or size this program reads pictures in.
enum class PictureVerdict { Decodes, NotAPicture, Unreadable, TooLarge };
PictureVerdict JudgePicture(const QString& path, DecodeSize size = DecodeSize::Reduced);

// The judgement of PictureDecodes around a read of one's own, for a decoder that shows what it
// reads (so a change decodes once). Before the read: the format judged by content, empty unless
// it is a wallpaper format (JPEG, BMP, GIF or PNG, as QImageReader names them) with a declared
// size within kMaxPicturePixels; the reader is set to that format alone. The read itself: the
// picture as the reader is set up (clip rect, scaled size, automatic turn), a null image unless
// it decodes whole; a JPEG is read and judged in one pass of its decoder, a BMP or GIF judged by
// its structure first (see PictureEnds.h), and a clip of a PNG of 32-bit pixels decoded a row at
// a time (see PngRows.h), since Qt's reader would hold the whole picture first. A read refused by
// that judgement leaves the reader without an error of its own.
QByteArray PrepareWallpaperRead(QImageReader& reader);
QImage ReadWallpaper(QImageReader& reader, const QByteArray& format);
// The size of the picture as stored, as the reader declares it before the read; invalid when it
// cannot tell. (Qt declares a BMP stored top-down with a negative height.)
QSize DeclaredSize(QImageReader& reader);

// The JPEG decoder fills a picture whose data ends early with grey and reports success, so a
// JPEG counts as whole only when a decode reaches the end of image without running out of
// picture data, also when an end-of-image marker was stuck onto a cut file. A file missing only
// that marker after the last of its data is whole, and data after the marker (a camera's
// appended video, say) does not matter. Reads the device in pieces, from its start. A picture
// whose decode needs more memory than the decoder may take (a progressive one keeps all its
// coefficients) is not judged: `outOfMemory` then says so.
bool JpegReachesEndOfImage(QIODevice& device, bool* outOfMemory = nullptr);

} // namespace kv
