// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/PictureCheck.h"

#include "common/JpegDecode.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

namespace kv {
namespace {

bool isJpeg(const QByteArray& format) {
    return format == "jpeg" || format == "jpg";
}

} // namespace

bool IsWallpaperFormat(const QByteArray& format) {
    return format == "jpeg" || format == "jpg" || format == "bmp" || format == "gif" ||
           format == "png";
}

QByteArray PrepareWallpaperRead(QImageReader& reader) {
    if (!reader.device() || reader.device()->size() > kMaxPictureBytes)
        return {};
    // The content decides, so a text file named .jpg is not taken for a picture.
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    if (!IsWallpaperFormat(format))
        return {};
    const QSize declared = reader.size();
    if (declared.isValid() &&
        qint64(declared.width()) * qint64(declared.height()) > kMaxPicturePixels)
        return {};
    return format;
}

QImage ReadWallpaper(QImageReader& reader, const QByteArray& format) {
    return isJpeg(format) ? ReadWholeJpeg(reader) : reader.read();
}

bool PictureDecodes(const QString& path, DecodeSize size) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QImageReader reader(&file);
    const QByteArray format = PrepareWallpaperRead(reader);
    if (format.isEmpty())
        return false;
    // The completeness check decodes a JPEG at an eighth of its size, which is all a reduced
    // test decode would do.
    if (isJpeg(format) && size == DecodeSize::Reduced)
        return JpegReachesEndOfImage(file);
    const QSize declared = reader.size();
    if (size == DecodeSize::Reduced && declared.isValid() &&
        (declared.width() > kReducedDecodeSide || declared.height() > kReducedDecodeSide))
        reader.setScaledSize(
            declared.scaled(kReducedDecodeSide, kReducedDecodeSide, Qt::KeepAspectRatio)
                .expandedTo(QSize(1, 1)));
    return !ReadWallpaper(reader, format).isNull();
}

} // namespace kv
