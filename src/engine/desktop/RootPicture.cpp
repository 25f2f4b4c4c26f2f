#include "engine/desktop/RootPicture.h"

#include <QImageReader>
#include <QPainter>
#include <QRect>

namespace kv {
namespace {

bool fail(QString* error, const QString& reason) {
    if (error)
        *error = reason;
    return false;
}

// The picture as it will be drawn, decoded no larger than that. `placed` receives where its
// top-left corner lands on the screen.
bool decodeForScreen(const QString& path, QSize root, int style, QImage* picture, QPoint* placed,
                     QString* error) {
    QImageReader reader(path);
    reader.setAllocationLimit(kPictureAllocationLimitMB);
    const QSize full = reader.size();
    if (!full.isValid() || full.isEmpty())
        return fail(error, reader.errorString());
    if (qint64(full.width()) * full.height() > kMaxPicturePixels)
        return fail(error, QStringLiteral("picture of %1x%2 pixels is too large")
                               .arg(full.width())
                               .arg(full.height()));

    *placed = QPoint(0, 0);
    if (style == StyleStretch) {
        // The reader scales while decoding (a JPEG decodes straight at a fraction of its size).
        if (full != root)
            reader.setScaledSize(root);
    } else if (style == StyleTile) {
        // Tiles start at the top-left corner; a picture wider or taller than the screen shows
        // only that much of its top-left part.
        if (full.width() > root.width() || full.height() > root.height())
            reader.setClipRect(QRect(QPoint(0, 0), full.boundedTo(root)));
    } else {
        // Centred: a larger picture shows only its middle.
        const QSize shown = full.boundedTo(root);
        const QPoint from((full.width() - shown.width()) / 2, (full.height() - shown.height()) / 2);
        if (shown != full)
            reader.setClipRect(QRect(from, shown));
        *placed = QPoint((root.width() - shown.width()) / 2, (root.height() - shown.height()) / 2);
    }
    if (!reader.read(picture))
        return fail(error, reader.errorString());
    return true;
}

} // namespace

QRgb rgbOfDesktopColor(DesktopColor colour) {
    return qRgb(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

QImage renderRootPicture(const QString& path, QSize rootSize, int style, DesktopColor colour,
                         QString* error) {
    if (rootSize.isEmpty()) {
        fail(error, QStringLiteral("empty screen"));
        return {};
    }
    if (style < StyleCentre || style > StyleStretch)
        style = StyleStretch;
    const QRgb background = rgbOfDesktopColor(colour);

    QImage picture;
    QPoint placed;
    if (!path.isEmpty() && !decodeForScreen(path, rootSize, style, &picture, &placed, error))
        return {};

    // An opaque picture that already covers the screen is the background itself: no second
    // screen-sized buffer.
    if (!picture.isNull() && picture.size() == rootSize && !picture.hasAlphaChannel())
        return picture.format() == QImage::Format_RGB32
                   ? picture
                   : std::move(picture).convertToFormat(QImage::Format_RGB32);

    QImage canvas(rootSize, QImage::Format_RGB32);
    if (canvas.isNull()) {
        fail(error, QStringLiteral("out of memory for the screen"));
        return {};
    }
    canvas.fill(background);
    if (picture.isNull())
        return canvas;
    QPainter painter(&canvas);
    if (style == StyleTile) {
        for (int y = 0; y < rootSize.height(); y += picture.height())
            for (int x = 0; x < rootSize.width(); x += picture.width())
                painter.drawImage(QPoint(x, y), picture);
    } else {
        painter.drawImage(placed, picture);
    }
    painter.end();
    return canvas;
}

} // namespace kv
