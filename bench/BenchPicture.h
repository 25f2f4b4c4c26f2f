// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRandomGenerator>

namespace kv::bench {

// A picture that compresses like a photograph: smooth gradients with grain.
inline QImage photographLike(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(42);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int noise = static_cast<int>(random.bounded(48));
            line[x] = qRgb((x * 200) / size.width() + noise, (y * 180) / size.height() + noise,
                           ((x / 37 + y / 53) % 2) * 90 + noise);
        }
    }
    return image;
}

} // namespace kv::bench
