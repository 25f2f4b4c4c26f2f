#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace kv {

// Whether the file at path decodes as a picture. The decode runs at a reduced size: it rejects
// the same files as a full decode (absent, not a picture, damaged header, wrong contents under a
// picture name) at a fraction of the time on large JPEGs, which keeps each scan tick short.
bool PictureLoads(const QString& path);
// The same test with a full-size decode; kept for the benchmark and the tests that hold the two
// to the same verdicts.
bool PictureLoadsFullSize(const QString& path);

// The picture at path decoded to fit within box (device pixels), keeping its aspect and turned
// upright by its EXIF orientation. Pictures smaller than box keep their size. A null image when
// the file is absent or does not decode.
QImage DecodePreview(const QString& path, QSize box);

} // namespace kv
