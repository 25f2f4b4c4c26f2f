// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the sample wallpapers that are imported on the first start. They are drawn here at
// build time rather than kept in the repository, so the repository stays small and the pictures
// are the same on every build.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A little deterministic grain hides the steps of 8-bit gradients.
void addGrain(QImage& image, int amplitude) {
    quint32 seed = 0x9e3779b9u;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int d = static_cast<int>((seed >> 24) % (2 * amplitude + 1)) - amplitude;
            const QRgb p = line[x];
            line[x] = qRgb(qBound(0, qRed(p) + d, 255), qBound(0, qGreen(p) + d, 255),
                           qBound(0, qBlue(p) + d, 255));
        }
    }
}

QPainterPath ridge(double base, double amplitude, double waves, double phase, double roughness) {
    QPainterPath path;
    path.moveTo(0, kHeight);
    for (int x = 0; x <= kWidth; x += 8) {
        const double t = static_cast<double>(x) / kWidth;
        const double y = base + amplitude * std::sin(t * waves * 2 * std::numbers::pi + phase) +
                         roughness * std::sin(t * waves * 7.3 * std::numbers::pi + phase * 2.1);
        path.lineTo(x, y);
    }
    path.lineTo(kWidth, kHeight);
    path.closeSubpath();
    return path;
}

QImage aurora() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0, QColor(6, 12, 38));
    sky.setColorAt(0.6, QColor(10, 48, 78));
    sky.setColorAt(1, QColor(8, 70, 84));
    p.fillRect(image.rect(), sky);
    for (int band = 0; band < 5; ++band) {
        QPainterPath path;
        const double base = 260 + band * 70;
        for (int x = 0; x <= kWidth; x += 10) {
            const double t = static_cast<double>(x) / kWidth;
            const QPointF point(x, base + 90 * std::sin(t * 5.2 + band * 0.9) +
                                       30 * std::sin(t * 13 + band));
            if (x == 0)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
        QColor colour = band % 2 ? QColor(90, 255, 180) : QColor(120, 200, 255);
        colour.setAlpha(70);
        p.setPen(QPen(colour, 60 - band * 8, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(path);
        colour.setAlpha(140);
        p.setPen(QPen(colour, 6));
        p.drawPath(path);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(4, 16, 24));
    p.drawPath(ridge(900, 40, 1.6, 0.4, 18));
    p.end();
    addGrain(image, 2);
    return image;
}

QImage dunes() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kHeight * 0.7);
    sky.setColorAt(0, QColor(58, 42, 110));
    sky.setColorAt(0.55, QColor(236, 120, 92));
    sky.setColorAt(1, QColor(255, 206, 120));
    p.fillRect(image.rect(), sky);
    QRadialGradient sun(kWidth * 0.68, kHeight * 0.56, 260);
    sun.setColorAt(0, QColor(255, 244, 200));
    sun.setColorAt(0.25, QColor(255, 226, 150, 220));
    sun.setColorAt(1, QColor(255, 200, 120, 0));
    p.fillRect(image.rect(), sun);
    const QColor shades[] = {QColor(214, 120, 80), QColor(176, 84, 66), QColor(128, 56, 60),
                             QColor(78, 34, 52)};
    for (int i = 0; i < 4; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(shades[i]);
        p.drawPath(ridge(640 + i * 110, 46 - i * 6, 0.9 + i * 0.35, i * 1.7, 8));
    }
    p.end();
    addGrain(image, 2);
    return image;
}

QImage lagoon() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient water(0, 0, kWidth, kHeight);
    water.setColorAt(0, QColor(12, 92, 128));
    water.setColorAt(0.5, QColor(24, 160, 170));
    water.setColorAt(1, QColor(160, 230, 210));
    p.fillRect(image.rect(), water);
    const QPointF centres[] = {{520, 380}, {1380, 720}, {1560, 220}};
    for (const QPointF& centre : centres) {
        for (int r = 40; r < 900; r += 46) {
            QColor ring(255, 255, 255, qMax(0, 60 - r / 16));
            p.setPen(QPen(ring, 3));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(centre, r, r * 0.62);
        }
    }
    p.end();
    addGrain(image, 2);
    return image;
}

QImage hexfield() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient base(0, 0, kWidth, 0);
    base.setColorAt(0, QColor(22, 26, 40));
    base.setColorAt(1, QColor(40, 30, 58));
    p.fillRect(image.rect(), base);
    const double side = 44;
    const double w = std::sqrt(3.0) * side;
    for (int row = -1; row * side * 1.5 < kHeight + side; ++row) {
        for (int col = -1; col * w < kWidth + w; ++col) {
            const double cx = col * w + (row % 2 ? w / 2 : 0);
            const double cy = row * side * 1.5;
            QPolygonF hex;
            for (int k = 0; k < 6; ++k) {
                const double a = std::numbers::pi / 3 * k + std::numbers::pi / 6;
                hex << QPointF(cx + (side - 3) * std::cos(a), cy + (side - 3) * std::sin(a));
            }
            const double glow = std::exp(-std::pow((cx - kWidth * 0.62) / 520, 2) -
                                         std::pow((cy - kHeight * 0.45) / 340, 2));
            const QColor fill =
                QColor::fromRgbF(0.10f + 0.05f * float(glow), 0.14f + 0.45f * float(glow),
                                 0.24f + 0.50f * float(glow));
            p.setPen(QPen(QColor(255, 255, 255, int(18 + 60 * glow)), 1.5));
            p.setBrush(fill);
            p.drawPolygon(hex);
        }
    }
    p.end();
    return image;
}

// Flat colours only, so the picture keeps every colour in an 8-bit palette and the BMP stays a
// third of the size of a true-colour one.
QImage ridges() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const int bands = 12;
    for (int i = 0; i < bands; ++i) {
        const double t = static_cast<double>(i) / (bands - 1);
        p.fillRect(
            QRectF(0, kHeight * 0.55 * i / bands, kWidth, kHeight * 0.55 / bands + 1),
            QColor::fromRgbF(float(0.98 - 0.1 * t), float(0.86 - 0.2 * t), float(0.62 + 0.2 * t)));
    }
    p.fillRect(QRectF(0, kHeight * 0.55 - 1, kWidth, kHeight), QColor(240, 190, 150));
    const QColor layers[] = {QColor(170, 150, 190), QColor(130, 112, 168), QColor(96, 80, 140),
                             QColor(66, 54, 110), QColor(40, 32, 78)};
    for (int i = 0; i < 5; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(layers[i]);
        p.drawPath(ridge(420 + i * 130, 70 - i * 6, 1.2 + i * 0.4, i * 2.3, 26 - i * 3));
    }
    p.end();
    return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
}

bool save(const QImage& image, const QDir& folder, const char* name, const char* format,
          int quality) {
    QImageWriter writer(folder.filePath(QString::fromLatin1(name)), format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(image)) {
        std::fprintf(stderr, "make_samples: %s: %s\n", name,
                     writer.errorString().toLocal8Bit().constData());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    // An option is never a folder: "--help" asks for the usage rather than making "--help/".
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: make_samples OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral(".")))
        return 1;
    bool ok = save(aurora(), folder, "aurora.jpg", "jpeg", 88);
    ok = save(dunes(), folder, "dunes.jpg", "jpeg", 88) && ok;
    ok = save(lagoon(), folder, "lagoon.jpg", "jpeg", 88) && ok;
    ok = save(hexfield(), folder, "hexfield.jpg", "jpeg", 88) && ok;
    ok = save(ridges(), folder, "ridges.bmp", "bmp", -1) && ok;
    return ok ? 0 : 1;
}
