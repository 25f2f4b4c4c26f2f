#include "collection/Pictures.h"

#include <QImageReader>

namespace kv {
namespace {

// Small enough to be cheap, large enough that the decoder runs through all of a JPEG's scan
// data: libjpeg's reduced decode still reads and entropy-decodes every block.
constexpr int kProbeSide = 64;

} // namespace

bool PictureLoads(const QString& path) {
    if (path.isEmpty())
        return false;
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kProbeSide || size.height() > kProbeSide))
        reader.setScaledSize(
            size.scaled(kProbeSide, kProbeSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    return !reader.read().isNull();
}

bool PictureLoadsFullSize(const QString& path) {
    if (path.isEmpty())
        return false;
    QImageReader reader(path);
    return !reader.read().isNull();
}

QImage DecodePreview(const QString& path, QSize box) {
    if (path.isEmpty())
        return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (stored.isValid() && box.isValid() && !box.isEmpty()) {
        // The scaled size applies to the picture as stored, before it is turned upright.
        const bool turned =
            reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        const QSize fit = turned ? box.transposed() : box;
        if (stored.width() > fit.width() || stored.height() > fit.height())
            reader.setScaledSize(stored.scaled(fit, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
    return reader.read();
}

} // namespace kv
