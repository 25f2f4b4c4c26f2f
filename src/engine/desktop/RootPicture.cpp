// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/desktop/RootPicture.h"

#include <QBrush>
#include <QImageReader>
#include <QPainter>
#include <QRect>

#include <cstring>

namespace kv {
namespace {

bool fail(QString* error, const QString& reason) {
    if (error)
        *error = reason;
    return false;
}

// The largest of the JPEG decoder's own reductions (1/2, 1/4, 1/8) that still leaves at least
// the screen's size, so the last, small step of scaling loses nothing.
QSize jpegReduction(QSize full, QSize screen) {
    for (int denominator : {8, 4, 2}) {
        const QSize reduced(full.width() / denominator, full.height() / denominator);
        if (reduced.width() >= screen.width() && reduced.height() >= screen.height())
            return reduced;
    }
    return {};
}

} // namespace

QRgb rgbOfDesktopColor(DesktopColor colour) {
    return qRgb(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

bool RootPicture::load(const QString& path, QSize screen, int style, DesktopColor colour,
                       QString* error) {
    if (screen.isEmpty())
        return fail(error, QStringLiteral("empty screen"));
    screen_ = screen;
    style_ = style >= StyleCentre && style <= StyleStretch ? style : StyleStretch;
    background_ = rgbOfDesktopColor(colour);
    picture_ = QImage();
    placed_ = QPoint(0, 0);
    if (path.isEmpty())
        return true;

    QImageReader reader(path);
    reader.setAllocationLimit(kPictureAllocationLimitMB);
    const QSize full = reader.size();
    if (!full.isValid() || full.isEmpty())
        return fail(error, reader.errorString());
    if (qint64(full.width()) * full.height() > kMaxPicturePixels)
        return fail(error, QStringLiteral("picture of %1x%2 pixels is too large")
                               .arg(full.width())
                               .arg(full.height()));

    if (style_ == StyleStretch) {
        if (full != screen) {
            // A JPEG decodes straight at a fraction of its size, and drawBand does the last
            // step; anything else the reader scales to the screen.
            const QSize reduced = reader.format() == "jpeg" ? jpegReduction(full, screen) : QSize();
            reader.setScaledSize(reduced.isValid() ? reduced : screen);
        }
    } else if (style_ == StyleTile) {
        // Tiles start at the top-left corner; a picture wider or taller than the screen shows
        // only that much of its top-left part.
        if (full.width() > screen.width() || full.height() > screen.height())
            reader.setClipRect(QRect(QPoint(0, 0), full.boundedTo(screen)));
    } else {
        // Centred: a larger picture shows only its middle.
        const QSize shown = full.boundedTo(screen);
        if (shown != full)
            reader.setClipRect(QRect(
                QPoint((full.width() - shown.width()) / 2, (full.height() - shown.height()) / 2),
                shown));
        placed_ =
            QPoint((screen.width() - shown.width()) / 2, (screen.height() - shown.height()) / 2);
    }
    if (!reader.read(&picture_))
        return fail(error, reader.errorString());
    return true;
}

void RootPicture::drawBand(QImage& band, int top) const {
    const bool opaque = !picture_.isNull() && !picture_.hasAlphaChannel();
    // The common case, a picture already the screen's size: plain rows.
    if (style_ == StyleStretch && opaque && picture_.size() == screen_ &&
        picture_.format() == band.format()) {
        const int rows = qMin(band.height(), screen_.height() - top);
        const qsizetype bytes = qMin(band.bytesPerLine(), picture_.bytesPerLine());
        for (int row = 0; row < rows; ++row)
            std::memcpy(band.scanLine(row), picture_.constScanLine(top + row), size_t(bytes));
        return;
    }
    QPainter painter(&band);
    painter.translate(0, -top);
    if (!(style_ == StyleStretch && opaque))
        painter.fillRect(QRect(QPoint(0, 0), screen_), QColor(background_));
    if (picture_.isNull())
        return;
    if (style_ == StyleStretch) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(0, 0), screen_), picture_);
    } else if (style_ == StyleTile) {
        painter.fillRect(QRect(QPoint(0, 0), screen_), QBrush(picture_));
    } else {
        painter.drawImage(placed_, picture_);
    }
}

QImage RootPicture::render(QImage::Format format) const {
    QImage screen(screen_, format);
    if (!screen.isNull())
        drawBand(screen, 0);
    return screen;
}

} // namespace kv
