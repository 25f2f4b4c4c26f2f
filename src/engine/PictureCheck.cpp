// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PictureCheck.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

namespace kv {

bool IsWallpaperFormat(const QByteArray& format) {
    return format == "jpeg" || format == "jpg" || format == "bmp" || format == "gif" ||
           format == "png";
}

bool PictureDecodes(const QString& path, DecodeSize size) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxPictureBytes)
        return false;
    QImageReader reader(&file);
    // The content decides, so a text file named .jpg is not taken for a picture.
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    if (!IsWallpaperFormat(format))
        return false;
    const QSize declared = reader.size();
    if (declared.isValid() &&
        qint64(declared.width()) * qint64(declared.height()) > kMaxPicturePixels)
        return false;
    const bool jpeg = format == "jpeg" || format == "jpg";
    // The completeness check decodes a JPEG at an eighth of its size, which is all a reduced
    // test decode would do.
    if (jpeg && size == DecodeSize::Reduced)
        return JpegReachesEndOfImage(file);
    if (size == DecodeSize::Reduced && declared.isValid() &&
        (declared.width() > kReducedDecodeSide || declared.height() > kReducedDecodeSide))
        reader.setScaledSize(
            declared.scaled(kReducedDecodeSide, kReducedDecodeSide, Qt::KeepAspectRatio)
                .expandedTo(QSize(1, 1)));
    if (reader.read().isNull())
        return false;
    if (jpeg)
        return JpegReachesEndOfImage(file);
    return true;
}

} // namespace kv
