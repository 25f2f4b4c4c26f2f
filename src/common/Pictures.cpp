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
    if (!OpenPictureFile(file))
        return {};
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    const QByteArray format = PrepareWallpaperRead(reader);
    if (format.isEmpty())
        return {};
    const QSize stored = DeclaredSize(reader);
    if (stored.isValid() && box.isValid() && !box.isEmpty()) {
        // The scaled size applies to the picture as stored, before it is turned upright.
        const bool turned =
            reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        const QSize fit = turned ? box.transposed() : box;
        if (stored.width() > fit.width() || stored.height() > fit.height())
            reader.setScaledSize(stored.scaled(fit, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
    // The decoder greys out the missing part of a JPEG cut short; a wallpaper change refuses
    // it, so the preview does too.
    return ReadWallpaper(reader, format);
}

} // namespace kv
