// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Pictures.h"

#include "common/PictureCheck.h"

#include <QFile>
#include <QImageReader>

namespace kv {

QImage DecodePreview(const QString& path, QSize box) {
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    if (!IsWallpaperFormat(format))
        return {};
    const QSize stored = reader.size();
    if (stored.isValid() && qint64(stored.width()) * stored.height() > kMaxPicturePixels)
        return {};
    if (stored.isValid() && box.isValid() && !box.isEmpty()) {
        // The scaled size applies to the picture as stored, before it is turned upright.
        const bool turned =
            reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        const QSize fit = turned ? box.transposed() : box;
        if (stored.width() > fit.width() || stored.height() > fit.height())
            reader.setScaledSize(stored.scaled(fit, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
    const QImage picture = reader.read();
    // The decoder greys out the missing part of a JPEG cut short; a wallpaper change refuses
    // it, so the preview does too.
    if (picture.isNull() || ((format == "jpeg" || format == "jpg") && !JpegReachesEndOfImage(file)))
        return {};
    return picture;
}

} // namespace kv
