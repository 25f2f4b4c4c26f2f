// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/PictureFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTransform>
#include <QtEndian>

#include <random>

namespace kv::test {
namespace {

QByteArray bmpHeader(qint32 width, qint32 height) {
    QByteArray header(54, '\0');
    auto put32 = [&header](int at, quint32 value) {
        qToLittleEndian<quint32>(value, header.data() + at);
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, 54);  // file size as claimed
    put32(10, 54); // pixel data offset
    put32(14, 40); // info header size
    put32(18, static_cast<quint32>(width));
    put32(22, static_cast<quint32>(height));
    qToLittleEndian<quint16>(1, header.data() + 26);  // planes
    qToLittleEndian<quint16>(24, header.data() + 28); // bits per pixel
    return header;
}

} // namespace

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writePicture(const QString& path, QSize size, const char* format) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb((x * 255) / qMax(1, size.width()), (y * 255) / qMax(1, size.height()),
                           ((x ^ y) & 0xff));
    }
    QPainter(&image).fillRect(QRect(0, 0, size.width() / 4, size.height()), Qt::darkGreen);
    return image.save(path, format);
}

static QImage splitPicture(QSize size, int leftWidth, const QColor& left, const QColor& right) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(right);
    QPainter(&image).fillRect(0, 0, leftWidth, size.height(), left);
    return image;
}

bool writePlacementPicture(const QString& path, int style, const QColor& left, const QColor& right,
                           int orientation) {
    const QImage upright = style == 3 || style == 4
                               ? splitPicture(QSize(320, 120), 120, left, right)
                               : splitPicture(QSize(40, 30), 20, left, right);
    if (orientation == 1)
        return upright.save(path, "PNG");
    if (!writeOrientedJpeg(path, upright, orientation))
        return false;
    // Only a file that really carries the turn proves anything.
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.transformation() != QImageIOHandler::TransformationNone &&
           reader.read().size() == upright.size();
}

bool WriteNoisyJpeg(const QString& path, int width, int height, int quality) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 noise(42);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x + y) & 0xFF, int(noise() & 0xFF), (x * 3) & 0xFF);
    }
    return image.save(path, "JPG", quality);
}

bool writeOrientedJpeg(const QString& path, const QImage& upright, int orientation) {
    // How far the orientation turns the stored picture clockwise to show it.
    const int degrees = orientation == 3 ? 180 : orientation == 6 ? 90 : orientation == 8 ? 270 : 0;
    if (degrees == 0 && orientation != 1)
        return false;
    const QImage stored = upright.transformed(QTransform().rotate(-degrees));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    if (!buffer.open(QIODevice::WriteOnly) || !stored.save(&buffer, "JPEG", 95))
        return false;
    // An APP1 segment right after the start of image: "Exif", a little-endian TIFF header and
    // one directory entry, the orientation as a SHORT.
    QByteArray exif("\xFF\xE1\x00\x22"
                    "Exif\0\0"
                    "II\x2A\x00\x08\x00\x00\x00"
                    "\x01\x00"
                    "\x12\x01\x03\x00\x01\x00\x00\x00",
                    28);
    exif.append(char(orientation)).append(QByteArray(3, '\0')).append(QByteArray(4, '\0'));
    return writeBytes(path, jpeg.insert(2, exif));
}

bool WritePictureFixtures(const QString& folder) {
    const QDir dir(folder);
    QImage small(80, 60, QImage::Format_RGB32);
    small.fill(qRgb(30, 120, 200));
    if (!WriteNoisyJpeg(dir.filePath(QStringLiteral("valid.jpg")), 200, 150) ||
        !small.save(dir.filePath(QStringLiteral("valid.bmp")), "BMP") ||
        !writePicture(dir.filePath(QStringLiteral("valid.png")), QSize(200, 150), "PNG"))
        return false;
    // Qt writes no GIF, so the smallest well-formed one is spelled out.
    const QByteArray gif = QByteArray::fromHex("47494638396101000100800000ffffff000000"
                                               "21f90401000000002c00000000010001000002"
                                               "024401003b");
    QFile whole(dir.filePath(QStringLiteral("valid.jpg")));
    if (!whole.open(QIODevice::ReadOnly))
        return false;
    const QByteArray jpeg = whole.readAll();
    return writeBytes(dir.filePath(QStringLiteral("valid.gif")), gif) &&
           writeBytes(dir.filePath(QStringLiteral("truncated.jpg")), jpeg.left(jpeg.size() / 2)) &&
           QFile::copy(dir.filePath(QStringLiteral("valid.png")),
                       dir.filePath(QStringLiteral("truncated.png"))) &&
           QFile(dir.filePath(QStringLiteral("truncated.png")))
               .resize(QFileInfo(dir.filePath(QStringLiteral("valid.png"))).size() / 2) &&
           writeBytes(dir.filePath(QStringLiteral("text-named.jpg")),
                      "This is a note, not a picture.\n") &&
           writeBytes(dir.filePath(QStringLiteral("empty.bmp")), QByteArray()) &&
           writeBytes(dir.filePath(QStringLiteral("huge.bmp")), bmpHeader(100000, 100000));
}

} // namespace kv::test
