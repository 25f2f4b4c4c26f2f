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

// A BMP's file and basic headers, the pixel data right after them and `colours` palette entries.
QByteArray bmpHeader(qint32 width, qint32 height, quint16 bits = 24, quint32 compression = 0,
                     quint32 colours = 0) {
    QByteArray header(54, '\0');
    auto put32 = [&header](int at, quint32 value) {
        qToLittleEndian<quint32>(value, header.data() + at);
    };
    const quint32 dataOffset = 54 + 4 * colours;
    header[0] = 'B';
    header[1] = 'M';
    put32(2, dataOffset); // file size as claimed
    put32(10, dataOffset);
    put32(14, 40); // info header size
    put32(18, static_cast<quint32>(width));
    put32(22, static_cast<quint32>(height));
    qToLittleEndian<quint16>(1, header.data() + 26);    // planes
    qToLittleEndian<quint16>(bits, header.data() + 28); // bits per pixel
    put32(30, compression);
    put32(46, colours);
    return header;
}

QList<QRgb> fullPalette(const QImage& indexed) {
    QList<QRgb> colours = indexed.colorTable();
    colours.resize(256, qRgb(0, 0, 0));
    return colours;
}

} // namespace

QByteArray runLengthBmp(const QImage& indexed) {
    QByteArray data;
    auto put = [&data](std::initializer_list<int> bytes) {
        for (const int byte : bytes)
            data.append(char(byte));
    };
    // Rows are stored bottom-up.
    for (int y = indexed.height() - 1; y >= 0; --y) {
        const uchar* line = indexed.constScanLine(y);
        int x = 0, end = indexed.width();
        while (end > 0 && line[end - 1] == 0)
            --end;
        while (x < qMin(end, 255) && line[x] == 0)
            ++x;
        if (x > 0)
            put({0, 2, x, 0});
        while (x < end) {
            int same = 1, differing = 1;
            while (x + same < end && same < 255 && line[x + same] == line[x])
                ++same;
            while (x + differing < end && differing < 255 &&
                   line[x + differing] != line[x + differing - 1])
                ++differing;
            if (same == 1 && differing >= 3) {
                // Pixels as they are (fewer than 3 would read as an escape code).
                put({0, differing});
                data.append(reinterpret_cast<const char*>(line + x), differing);
                if (differing % 2 != 0)
                    data.append('\0');
                x += differing;
            } else {
                put({same, line[x]});
                x += same;
            }
        }
        put({0, 0});
    }
    put({0, 1});
    QByteArray bmp = bmpHeader(indexed.width(), indexed.height(), 8, 1, 256);
    for (const QRgb colour : fullPalette(indexed))
        bmp.append(char(qBlue(colour)))
            .append(char(qGreen(colour)))
            .append(char(qRed(colour)))
            .append('\0');
    qToLittleEndian<quint32>(quint32(bmp.size() + data.size()), bmp.data() + 2);
    return bmp + data;
}

QByteArray bmpWithUnusedAlpha(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    // A version 4 header, the first that carries an alpha mask.
    QByteArray bmp = bmpHeader(rgb.width(), rgb.height(), 32, 3) + QByteArray(108 - 40, '\0');
    const auto put32 = [&bmp](int at, quint32 value) {
        qToLittleEndian<quint32>(value, bmp.data() + at);
    };
    put32(10, 14 + 108); // where the pixels start
    put32(14, 108);
    put32(54, 0x00FF0000); // red, green, blue and alpha masks
    put32(58, 0x0000FF00);
    put32(62, 0x000000FF);
    put32(66, 0xFF000000);
    for (int y = rgb.height() - 1; y >= 0; --y)
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb pixel = rgb.pixel(x, y);
            bmp.append(char(qBlue(pixel))).append(char(qGreen(pixel))).append(char(qRed(pixel)));
            bmp.append('\0');
        }
    qToLittleEndian<quint32>(quint32(bmp.size()), bmp.data() + 2);
    return bmp;
}

QByteArray gifOf(const QImage& indexed) {
    QByteArray gif("GIF89a");
    auto put16 = [&gif](int value) {
        gif.append(char(value & 0xFF)).append(char(value >> 8));
    };
    put16(indexed.width());
    put16(indexed.height());
    gif.append("\xF7\0\0", 3); // a screen colour table of 256 entries
    for (const QRgb colour : fullPalette(indexed))
        gif.append(char(qRed(colour))).append(char(qGreen(colour))).append(char(qBlue(colour)));
    gif.append("\x21\xF9\x04\0\0\0\0\0", 8); // graphic control: no delay, nothing transparent
    gif.append(',');
    put16(0);
    put16(0);
    put16(indexed.width());
    put16(indexed.height());
    gif.append("\0\x08", 2); // no colour table of its own; codes start at 9 bits
    // Each pixel its own code, never a clear code after the first: the codes widen with the
    // decoder's table, up to 12 bits, as many writers leave them.
    QByteArray codes;
    quint32 pending = 0;
    int pendingBits = 0;
    int codeBits = 9;
    auto code = [&](int value) {
        pending |= quint32(value) << pendingBits;
        for (pendingBits += codeBits; pendingBits >= 8; pendingBits -= 8, pending >>= 8)
            codes.append(char(pending & 0xFF));
    };
    code(256);
    for (int i = 0, next = 258; i < indexed.width() * indexed.height(); ++i) {
        code(indexed.pixelIndex(i % indexed.width(), i / indexed.width()));
        if (i > 0 && next < 4096 && ++next == (1 << codeBits) && codeBits < 12)
            ++codeBits;
    }
    code(257);
    if (pendingBits > 0)
        codes.append(char(pending));
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        gif.append(char(block.size())).append(block);
    }
    return gif.append("\0;", 2);
}

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
    QImage image(size, right.alpha() < 255 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
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
