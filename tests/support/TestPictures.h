#pragma once

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>

namespace kv::test {

// A real picture: a gradient with a bar, so a decode has real content to work through.
inline bool writePicture(const QString& path, QSize size = QSize(64, 48),
                         const char* format = nullptr) {
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

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The first length bytes of a file, as a copy broken off during a transfer leaves it.
inline bool truncateTo(const QString& path, qint64 length) {
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.resize(length);
}

inline qint64 fileSize(const QString& path) {
    return QFile(path).size();
}

} // namespace kv::test
