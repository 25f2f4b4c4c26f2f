// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PictureCheck.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

namespace kv {
namespace {

bool isWallpaperFormat(const QByteArray& format) {
    return format == "jpeg" || format == "jpg" || format == "bmp" || format == "gif";
}

bool isRestartMarker(unsigned char marker) {
    return marker >= 0xD0 && marker <= 0xD7;
}

bool walkJpegMarkers(const QByteArray& data) {
    const auto byteAt = [&data](qsizetype i) {
        return static_cast<unsigned char>(data.at(i));
    };
    const qsizetype size = data.size();
    if (size < 4 || byteAt(0) != 0xFF || byteAt(1) != 0xD8)
        return false;
    qsizetype i = 2;
    while (i + 1 < size) {
        if (byteAt(i) != 0xFF)
            return false;
        const unsigned char marker = byteAt(i + 1);
        if (marker == 0xFF) { // a fill byte before the marker
            ++i;
            continue;
        }
        if (marker == 0xD9)
            return true;
        if (isRestartMarker(marker) || marker == 0x01) { // markers without a length
            i += 2;
            continue;
        }
        if (i + 3 >= size)
            return false;
        const qsizetype length = (qsizetype(byteAt(i + 2)) << 8) | byteAt(i + 3);
        if (length < 2)
            return false;
        i += 2 + length;
        if (marker != 0xDA)
            continue;
        // The coded data of a scan runs to the next marker that is neither a stuffed zero nor a
        // restart marker; fill bytes stay put so the marker after them is found.
        while (i + 1 < size) {
            if (byteAt(i) == 0xFF) {
                const unsigned char next = byteAt(i + 1);
                if (next != 0x00 && next != 0xFF && !isRestartMarker(next))
                    break;
                i += next == 0xFF ? 1 : 2;
                continue;
            }
            ++i;
        }
    }
    return false;
}

} // namespace

bool JpegReachesEndOfImage(QIODevice& device) {
    // Read, not mapped: a mapped file that another program shortens under us would end the
    // process with a bus error.
    if (!device.seek(0))
        return false;
    return walkJpegMarkers(device.readAll());
}

bool PictureDecodes(const QString& path, DecodeSize size) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QImageReader reader(&file);
    // The content decides, so a text file named .jpg is not taken for a picture.
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    if (!isWallpaperFormat(format))
        return false;
    const QSize declared = reader.size();
    if (declared.isValid() &&
        qint64(declared.width()) * qint64(declared.height()) > kMaxPicturePixels)
        return false;
    if (size == DecodeSize::Reduced && declared.isValid() &&
        (declared.width() > kReducedDecodeSide || declared.height() > kReducedDecodeSide))
        reader.setScaledSize(
            declared.scaled(kReducedDecodeSide, kReducedDecodeSide, Qt::KeepAspectRatio)
                .expandedTo(QSize(1, 1)));
    if (reader.read().isNull())
        return false;
    if (format == "jpeg" || format == "jpg")
        return JpegReachesEndOfImage(file);
    return true;
}

} // namespace kv
