// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/RootPicture.h"

#include "common/JpegDecode.h"
#include "common/PictureCheck.h"

#include <QBrush>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QRegion>
#include <QTransform>

#include <cmath>
#include <cstring>

namespace kv {
namespace {

// The rows held at first of a picture decoded as drawn; the hold grows to what a band needs.
constexpr int kFirstHeldRows = 16;
// Decoded rows beyond those a drawn row lies between, which the smooth filter may reach.
constexpr int kFilterRows = 2;

bool fail(QString* error, const QString& reason) {
    if (error)
        *error = reason;
    return false;
}

// From the picture as stored to the picture upright, in the order the reader turns it: mirror
// and flip first, then a quarter turn clockwise.
QTransform uprightTransform(QSize stored, QImageIOHandler::Transformations turn) {
    QTransform transform;
    if (turn & QImageIOHandler::TransformationMirror)
        transform *= QTransform(-1, 0, 0, 1, stored.width(), 0);
    if (turn & QImageIOHandler::TransformationFlip)
        transform *= QTransform(1, 0, 0, -1, 0, stored.height());
    if (turn & QImageIOHandler::TransformationRotate90)
        transform *= QTransform(0, 1, -1, 0, stored.height(), 0);
    return transform;
}

// The size to decode `region` at when the monitors need `detail` of its pixels (at most 1). A
// JPEG decodes straight at one of its own scales at no extra cost, and the drawing does the last,
// small step of scaling, so nothing is lost to scaling twice.
QSize decodedSize(QSize region, double detail, bool jpeg) {
    if (detail >= 1)
        return region;
    const QSize needed =
        QSize(int(std::ceil(region.width() * detail)), int(std::ceil(region.height() * detail)))
            .expandedTo(QSize(1, 1));
    return jpeg ? JpegDecodedSize(region, needed) : needed;
}

// The JPEG decoder's scales keep exact pixel edges on the 8-pixel grid of the picture as stored.
QRect onJpegGrid(const QRect& clip, QSize stored) {
    constexpr int kGrid = 8;
    const int left = clip.left() / kGrid * kGrid;
    const int top = clip.top() / kGrid * kGrid;
    const int right = (clip.left() + clip.width() + kGrid - 1) / kGrid * kGrid;
    const int bottom = (clip.top() + clip.height() + kGrid - 1) / kGrid * kGrid;
    return QRect(left, top, right - left, bottom - top) & QRect(QPoint(0, 0), stored);
}

} // namespace

QRgb rgbOfDesktopColor(DesktopColor colour) {
    return qRgb(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

Placement placePicture(QSize picture, const QRect& monitor, int style) {
    const QSize room = monitor.size();
    switch (style) {
    case StyleCentre: {
        // A picture larger than the monitor shows only its middle.
        const QSize shown = picture.boundedTo(room);
        return {QRectF(QPointF((picture.width() - shown.width()) / 2,
                               (picture.height() - shown.height()) / 2),
                       shown),
                QRect(monitor.topLeft() + QPoint((room.width() - shown.width()) / 2,
                                                 (room.height() - shown.height()) / 2),
                      shown)};
    }
    case StyleTile:
        // Only as much of a larger picture as the monitor holds, from its top-left corner.
        return {QRectF(QPointF(0, 0), picture.boundedTo(room)), monitor};
    case StyleFit: {
        const QSize shown = picture.scaled(room, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        return {QRectF(QPointF(0, 0), picture),
                QRect(monitor.topLeft() + QPoint((room.width() - shown.width()) / 2,
                                                 (room.height() - shown.height()) / 2),
                      shown)};
    }
    case StyleFill: {
        const double scale =
            qMax(double(room.width()) / picture.width(), double(room.height()) / picture.height());
        const QSizeF shown(qMin(room.width() / scale, double(picture.width())),
                           qMin(room.height() / scale, double(picture.height())));
        return {QRectF(QPointF((picture.width() - shown.width()) / 2,
                               (picture.height() - shown.height()) / 2),
                       shown),
                monitor};
    }
    default:
        return {QRectF(QPointF(0, 0), picture), monitor};
    }
}

RootPicture::RootPicture() = default;

RootPicture::~RootPicture() = default;

bool RootPicture::load(const QString& path, const QList<QRect>& monitors, int style,
                       DesktopColor colour, QString* error, Decode decode) {
    style_ = isWallpaperStyle(style) ? style : StyleStretch;
    background_ = rgbOfDesktopColor(colour);
    rows_.reset();
    file_.reset();
    picture_ = QImage();
    full_ = QSize();
    region_ = QRect();
    decoded_ = QSize();
    heldTop_ = rowsRead_ = 0;
    failed_ = false;
    if (path.isEmpty())
        return true;

    auto file = std::make_unique<QFile>(path);
    if (!OpenPictureFile(*file))
        return fail(error, file->error() == QFileDevice::NoError ? QStringLiteral("not a file")
                                                                 : file->errorString());
    QImageReader reader(file.get());
    reader.setAutoTransform(true);
    const QByteArray format = PrepareWallpaperRead(reader);
    if (format.isEmpty())
        return fail(error, QStringLiteral("not a picture a wallpaper can be"));
    const QSize stored = DeclaredSize(reader);
    if (!stored.isValid() || stored.isEmpty())
        return fail(error, reader.errorString());
    const QImageIOHandler::Transformations turn = reader.transformation();
    const bool quarterTurn = turn & QImageIOHandler::TransformationRotate90;
    full_ = quarterTurn ? stored.transposed() : stored;

    // The part of the picture that shows on any monitor, and the finest detail any needs.
    QRectF shown;
    double detail = 0;
    for (const QRect& monitor : monitors) {
        if (monitor.isEmpty())
            continue;
        const Placement placed = placePicture(full_, QRect(QPoint(0, 0), monitor.size()), style_);
        shown |= placed.source;
        detail = qMax(detail, qMax(placed.target.width() / placed.source.width(),
                                   placed.target.height() / placed.source.height()));
    }
    if (shown.isEmpty())
        return fail(error, QStringLiteral("no monitor to show the picture on"));
    if (style_ == StyleCentre || style_ == StyleTile)
        detail = 1;
    region_ = shown.toAlignedRect() & QRect(QPoint(0, 0), full_);
    const bool jpeg = format == "jpeg";
    // The reader clips and scales the picture as it is stored; the turn upright comes last.
    const QTransform upright = uprightTransform(stored, turn);
    QRect clip = upright.inverted().mapRect(QRectF(region_)).toAlignedRect();
    if (jpeg) {
        clip = onJpegGrid(clip, stored);
        region_ = upright.mapRect(QRectF(clip)).toAlignedRect();
    }
    const QSize decoded = decodedSize(region_.size(), detail, jpeg);
    if (region_.size() != full_)
        reader.setClipRect(clip);
    if (decoded != region_.size())
        reader.setScaledSize(quarterTurn ? decoded.transposed() : decoded);
    // Rows come from the decoder top to bottom as stored: one monitor's bands take them in that
    // order, unless the picture is turned or repeats.
    if (decode == Decode::AsDrawn && jpeg && turn == QImageIOHandler::TransformationNone &&
        monitors.size() == 1 && style_ != StyleTile) {
        rows_ = std::make_unique<JpegRows>(reader);
        picture_ = QImage(decoded.width(), qMin(decoded.height(), kFirstHeldRows), rows_->format());
        if (rows_->size() == decoded && !picture_.isNull()) {
            decoded_ = decoded;
            file_ = std::move(file);
            return true;
        }
        rows_.reset();
    }
    picture_ = ReadWallpaper(reader, format);
    decoded_ = picture_.size();
    if (picture_.isNull())
        return fail(error, reader.error() == QImageReader::UnknownError
                               ? QStringLiteral("the picture's data is damaged or ends early")
                               : reader.errorString());
    return true;
}

bool RootPicture::whole() {
    if (!rows_)
        return true;
    failed_ = failed_ || !rows_->finish();
    rows_.reset();
    file_.reset();
    picture_ = QImage();
    return !failed_;
}

bool RootPicture::holdRows(int first, int last) {
    // Rows gone already: bands must come in order, or the picture is not drawn whole.
    failed_ = failed_ || first < heldTop_;
    if (failed_)
        return false;
    // Rows above the first are not needed again: those held move to the top, those not read yet
    // are read and dropped.
    const qsizetype line = picture_.bytesPerLine();
    const int kept = qMax(rowsRead_ - first, 0);
    if (kept > 0 && first > heldTop_)
        std::memmove(picture_.bits(), picture_.constBits() + (first - heldTop_) * line,
                     size_t(kept) * size_t(line));
    while (rowsRead_ < first && !failed_) {
        failed_ = !rows_->readRow(picture_.scanLine(0));
        ++rowsRead_;
    }
    heldTop_ = first;
    if (last - first > picture_.height()) {
        QImage larger(picture_.width(), last - first, picture_.format());
        failed_ = failed_ || larger.isNull();
        if (failed_)
            return false;
        std::memcpy(larger.bits(), picture_.constBits(), size_t(kept) * size_t(line));
        picture_ = std::move(larger);
    }
    while (rowsRead_ < last && !failed_) {
        failed_ = !rows_->readRow(picture_.scanLine(rowsRead_ - heldTop_));
        ++rowsRead_;
    }
    return !failed_;
}

bool RootPicture::coversMonitors(const QRect& band, const QList<QRect>& monitors) const {
    if (picture_.isNull() || picture_.hasAlphaChannel())
        return false;
    QRegion bare(band);
    for (const QRect& monitor : monitors)
        bare -=
            style_ == StyleTile ? monitor : placePicture(full_, monitor, style_).target & monitor;
    return bare.isEmpty();
}

void RootPicture::drawBand(QImage& band, int top, const QList<QRect>& monitors) {
    const QRect rows(0, top, band.width(), band.height());
    uchar* const bits = band.bits();
    QPainter painter(&band);
    painter.translate(0, -top);
    if (!coversMonitors(rows, monitors))
        painter.fillRect(rows, QColor(background_));
    if (picture_.isNull())
        return;
    const double scaleX = double(decoded_.width()) / region_.width();
    const double scaleY = double(decoded_.height()) / region_.height();
    const bool plainRows = !picture_.hasAlphaChannel() && picture_.format() == band.format();
    const int pixelBytes = band.depth() / 8;
    for (const QRect& monitor : monitors) {
        const QRect area = monitor & rows;
        if (area.isEmpty())
            continue;
        const Placement placed = placePicture(full_, monitor, style_);
        if (style_ == StyleTile) {
            painter.setBrushOrigin(monitor.topLeft());
            painter.fillRect(area, QBrush(picture_));
            continue;
        }
        const QRectF source((placed.source.x() - region_.x()) * scaleX,
                            (placed.source.y() - region_.y()) * scaleY,
                            placed.source.width() * scaleX, placed.source.height() * scaleY);
        const QRect drawn = placed.target & area;
        if (drawn.isEmpty())
            continue;
        if (rows_) {
            // The decoded rows the drawn ones lie between.
            const double perRow = source.height() / placed.target.height();
            const double from = source.top() + (drawn.top() - placed.target.top()) * perRow;
            const double to = source.top() + (drawn.bottom() + 1 - placed.target.top()) * perRow;
            if (!holdRows(qMax(int(std::floor(from)) - kFilterRows, 0),
                          qMin(int(std::ceil(to)) + kFilterRows, decoded_.height())))
                continue;
        }
        const QRectF held = source.translated(0, -heldTop_);
        // The common case, decoded pixels that are the screen's pixels: plain rows.
        const QRect exact = source.toRect();
        if (plainRows && QRectF(exact) == source && exact.size() == placed.target.size()) {
            const QPoint offset = exact.topLeft() - placed.target.topLeft();
            for (int y = drawn.top(); y <= drawn.bottom(); ++y)
                std::memcpy(bits + qsizetype(y - top) * band.bytesPerLine() +
                                qsizetype(drawn.left()) * pixelBytes,
                            picture_.constScanLine(y + offset.y() - heldTop_) +
                                qsizetype(drawn.left() + offset.x()) * pixelBytes,
                            size_t(drawn.width()) * size_t(pixelBytes));
            continue;
        }
        painter.save();
        painter.setClipRect(drawn);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(placed.target), picture_, held);
        painter.restore();
    }
}

QImage RootPicture::render(QSize screen, const QList<QRect>& monitors, QImage::Format format) {
    QImage image(screen, format);
    if (!image.isNull())
        drawBand(image, 0, monitors);
    return image;
}

} // namespace kv
