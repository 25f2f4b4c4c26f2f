// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/PictureCheck.h"

#include "common/JpegDecode.h"
#include "common/PictureEnds.h"
#include "common/PngRows.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageIOHandler>
#include <QImageReader>

#include <cerrno>
#include <sys/stat.h>

namespace kv {
namespace {

bool isJpeg(const QByteArray& format) {
    return format == "jpeg";
}

// The wallpaper format the first bytes announce, by the same marks the format's own reader
// looks for; empty for any other content. Told this, a reader loads that format's decoder
// alone instead of every image plugin there is, each asked in turn whether it knows the file.
QByteArray announcedFormat(QIODevice& device) {
    const QByteArray head = device.peek(8);
    if (head.startsWith("\xFF\xD8"))
        return "jpeg";
    if (head == "\x89PNG\r\n\x1A\n")
        return "png";
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return "gif";
    if (head.startsWith("BM"))
        return "bmp";
    return {};
}

// Some writers store an opaque picture as 32-bit pixels with an alpha mask and every alpha 0;
// other programs show such a picture opaque, not as the background colour alone.
void makeOpaqueIfAlphaIsUnused(QImage& picture) {
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(line[x]) != 0)
                return;
    }
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] |= 0xFF000000u;
    }
    picture.reinterpretAsFormat(QImage::Format_RGB32);
}

// Qt's BMP reader leaves the pixels that run-length data skips or ends a row before as the memory
// held them. It reads into a picture it is handed that already has the size and format it makes.
// A picture with alpha is read whole and its alpha judged before it is clipped and scaled as the
// reader would, since scaling loses the colour of pixels that are wholly transparent.
QImage readFilledBmp(QImageReader& reader) {
    QImage picture;
    const QImage::Format format = reader.imageFormat();
    if (!QImageIOHandler::allocateImage(DeclaredSize(reader), format, &picture))
        return {};
    picture.fill(0);
    if (format != QImage::Format_ARGB32)
        return reader.read(&picture) ? picture : QImage();
    const QRect clip = reader.clipRect(), scaledClip = reader.scaledClipRect();
    const QSize scaled = reader.scaledSize();
    reader.setClipRect({});
    reader.setScaledSize({});
    reader.setScaledClipRect({});
    const bool read = reader.read(&picture);
    reader.setClipRect(clip);
    reader.setScaledSize(scaled);
    reader.setScaledClipRect(scaledClip);
    if (!read)
        return {};
    makeOpaqueIfAlphaIsUnused(picture);
    if (!clip.isNull())
        picture = picture.copy(clip);
    if (scaled.isValid())
        picture = picture.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!scaledClip.isNull())
        picture = picture.copy(scaledClip);
    return picture;
}

// Qt reads a PNG of 32-bit pixels a row at a time when it scales it, so a reduced decode passes
// at any size; a whole decode, or one with a clip rect, must hold the whole picture at once and
// may be refused by the allocation limit. Our own row decoder makes the others agree with it.
bool pngReadInRows(QImageReader& reader, const QByteArray& format) {
    const QImage::Format decoded = reader.imageFormat();
    return format == "png" && (decoded == QImage::Format_RGB32 || decoded == QImage::Format_ARGB32);
}

// Qt reads a PNG of 16-bit channels whole, in 64-bit pixels, even when it is asked for a smaller
// copy: a picture of over 33 million pixels (a large camera's 16-bit export) passes the allocation
// limit that way, though what is kept is 32-bit pixels. Our row decoder takes each row down to
// 8-bit channels as it reads. A turn the file asks for is left to Qt's reader, which knows it.
bool pngOfWidePixels(QImageReader& reader, const QByteArray& format) {
    const QImage::Format decoded = reader.imageFormat();
    return format == "png" &&
           (decoded == QImage::Format_RGBX64 || decoded == QImage::Format_RGBA64 ||
            decoded == QImage::Format_RGBA64_Premultiplied) &&
           (!reader.autoTransform() ||
            reader.transformation() == QImageIOHandler::TransformationNone);
}

// The clip of a PNG of 16-bit channels as the reader is set up, in 32-bit pixels: reduced as its
// rows come where the decoder can, else held at full size and scaled.
QImage readWidePng(QImageReader& reader) {
    const QRect whole(QPoint(0, 0), DeclaredSize(reader));
    const QRect clip = reader.clipRect().isNull() ? whole : reader.clipRect() & whole;
    const QSize scaled = reader.scaledSize();
    QImage kept;
    if (clip.isEmpty() || !ReadPngRows(*reader.device(), clip, &kept, scaled))
        return {};
    return scaled.isValid() && scaled != kept.size()
               ? kept.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
               : kept;
}

// The clip rect as the reader is set up: the rows of the clip alone at full size, or the whole
// picture scaled row by row and then clipped (the clip at full size can be as large as the
// picture). The reader is left without its clip rect.
QImage readPngClip(QImageReader& reader) {
    const QSize stored = DeclaredSize(reader);
    const QRect clip = reader.clipRect() & QRect(QPoint(0, 0), stored);
    const QSize scaled = reader.scaledSize();
    reader.setClipRect(QRect());
    if (clip.isEmpty())
        return {};
    if (!scaled.isValid() || scaled == clip.size()) {
        QImage kept;
        return ReadPngRows(*reader.device(), clip, &kept) ? kept : QImage();
    }
    const double scaleX = double(scaled.width()) / clip.width();
    const double scaleY = double(scaled.height()) / clip.height();
    const QSize whole =
        QSize(qRound(stored.width() * scaleX), qRound(stored.height() * scaleY)).expandedTo(scaled);
    reader.setScaledSize(whole);
    const QImage picture = reader.read();
    const QPoint corner(qBound(0, qRound(clip.x() * scaleX), whole.width() - scaled.width()),
                        qBound(0, qRound(clip.y() * scaleY), whole.height() - scaled.height()));
    return picture.isNull() ? picture : picture.copy(QRect(corner, scaled));
}

// A file that remembers a failed read: the decoders take a read that fails for data that ends
// early.
class ReadWatchedFile final : public QFile {
public:
    using QFile::QFile;
    bool readFailed() const { return readFailed_; }

protected:
    qint64 readData(char* data, qint64 length) override {
        const qint64 read = QFile::readData(data, length);
        readFailed_ = readFailed_ || read < 0;
        return read;
    }

private:
    bool readFailed_ = false;
};

// Gone, or no file: only a path that leads nowhere says so, not one that could not be looked up
// (a folder on the way nobody may enter, a medium's error).
bool leadsNowhere(const QString& path) {
    // A name kept as the bytes it was stored with, which are no text, cannot be looked up from
    // here: its file may well be there.
    if (!path.isValidUtf16())
        return false;
#ifdef Q_OS_WIN
    return !QFileInfo(path).isFile();
#else
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return errno == ENOENT || errno == ENOTDIR || errno == ELOOP || errno == ENAMETOOLONG;
    return !S_ISREG(status.st_mode);
#endif
}

// Whether a picture that did not decode was refused for its size alone and is whole all the same.
// Qt's readers may hold any picture but a JPEG whole, also for a smaller copy; over their
// allocation limit such a picture is judged as far as it can be without holding it: the
// structure of a BMP or GIF, the data of a PNG a row at a time. Over the pixels this program
// reads at all, reading the data would take seconds for a picture that cannot be shown anyway:
// only a BMP's length, quickly told, is looked at. (A file of over a gigabyte is no wallpaper.)
bool wholeButTooLarge(QFile& file) {
    if (file.size() > kMaxPictureBytes || !file.seek(0))
        return false;
    const QByteArray format = announcedFormat(file);
    if (format.isEmpty())
        return false;
    QImageReader reader(&file, format);
    const QSize declared = DeclaredSize(reader);
    if (!declared.isValid())
        return false;
    const bool unread = qint64(declared.width()) * declared.height() > kMaxPicturePixels;
    if (!unread && (isJpeg(format) || withinAllocationLimit(declared, 32)))
        return false;
    if (format == "bmp")
        return BmpHoldsEveryRow(file);
    if (unread)
        return true;
    if (format == "gif")
        return GifReachesEndOfImage(file);
    return ReadPngRows(file, QRect(), nullptr);
}

enum class Decode { Whole, Fails, TooLarge };

Decode decodesFrom(QFile& file, DecodeSize size) {
    const auto judged = [&file](bool whole) {
        return whole ? Decode::Whole : wholeButTooLarge(file) ? Decode::TooLarge : Decode::Fails;
    };
    QImageReader reader(&file);
    const QByteArray format = PrepareWallpaperRead(reader);
    if (format.isEmpty())
        return judged(false);
    // The completeness check decodes a JPEG at an eighth of its size, which is all a reduced
    // test decode would do.
    if (isJpeg(format) && size == DecodeSize::Reduced) {
        bool outOfMemory = false;
        const bool whole = JpegReachesEndOfImage(file, &outOfMemory);
        return whole ? Decode::Whole : outOfMemory ? Decode::TooLarge : Decode::Fails;
    }
    // Every row at full size, as a clip of the picture takes them, without holding the picture:
    // the verdict is its data's, at any size.
    if ((size == DecodeSize::Full && pngReadInRows(reader, format)) ||
        pngOfWidePixels(reader, format))
        return ReadPngRows(file, QRect(), nullptr) ? Decode::Whole : Decode::Fails;
    const QSize declared = DeclaredSize(reader);
    if (size == DecodeSize::Reduced && declared.isValid() &&
        (declared.width() > kReducedDecodeSide || declared.height() > kReducedDecodeSide))
        reader.setScaledSize(
            declared.scaled(kReducedDecodeSide, kReducedDecodeSide, Qt::KeepAspectRatio)
                .expandedTo(QSize(1, 1)));
    return judged(!ReadWallpaper(reader, format).isNull());
}

} // namespace

QByteArray PrepareWallpaperRead(QImageReader& reader) {
    if (!reader.device() || reader.device()->size() > kMaxPictureBytes)
        return {};
    // The content decides, so a text file named .jpg is not taken for a picture.
    const QByteArray format = announcedFormat(*reader.device());
    if (format.isEmpty())
        return {};
    reader.setFormat(format);
    reader.setAutoDetectImageFormat(false);
    const QSize declared = DeclaredSize(reader);
    if (declared.isValid() &&
        qint64(declared.width()) * qint64(declared.height()) > kMaxPicturePixels)
        return {};
    return format;
}

QSize DeclaredSize(QImageReader& reader) {
    const QSize size = reader.size();
    return size.width() > 0 && size.height() < 0 ? QSize(size.width(), -size.height()) : size;
}

QImage ReadWallpaper(QImageReader& reader, const QByteArray& format) {
    if (isJpeg(format))
        return ReadWholeJpeg(reader);
    if (format == "bmp")
        return BmpHoldsEveryRow(*reader.device()) ? readFilledBmp(reader) : QImage();
    if (format == "gif" && !GifReachesEndOfImage(*reader.device()))
        return {};
    if (pngOfWidePixels(reader, format))
        return readWidePng(reader);
    if (!reader.clipRect().isNull() && pngReadInRows(reader, format))
        return readPngClip(reader);
    // The PNG decoder refuses data that ends early by itself.
    return reader.read();
}

void UsePictureAllocationLimit() {
    if (!qEnvironmentVariableIsSet("QT_IMAGEIO_MAXALLOC"))
        QImageReader::setAllocationLimit(kPictureAllocationLimitMB);
}

bool withinAllocationLimit(QSize size, int depth) {
    const int limitMB = QImageReader::allocationLimit();
    return limitMB <= 0 ||
           qint64(size.width()) * size.height() * (depth / 8) <= qint64(limitMB) * 1024 * 1024;
}

bool OpenPictureFile(QFile& file) {
    const QFileInfo info(file.fileName());
    return info.isAbsolute() && info.isFile() && file.open(QIODevice::ReadOnly);
}

bool PictureDecodes(const QString& path, DecodeSize size) {
    return JudgePicture(path, size) == PictureVerdict::Decodes;
}

PictureVerdict JudgePicture(const QString& path, DecodeSize size) {
    ReadWatchedFile file(path);
    if (!OpenPictureFile(file))
        return QFileInfo(path).isAbsolute() && !leadsNowhere(path) ? PictureVerdict::Unreadable
                                                                   : PictureVerdict::NotAPicture;
    switch (decodesFrom(file, size)) {
    case Decode::Whole:
        return PictureVerdict::Decodes;
    case Decode::TooLarge:
        return PictureVerdict::TooLarge;
    case Decode::Fails:
        break;
    }
    return file.readFailed() ? PictureVerdict::Unreadable : PictureVerdict::NotAPicture;
}

} // namespace kv
