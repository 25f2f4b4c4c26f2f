// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace kv {

// The picture at path decoded to fit within box (device pixels), keeping its aspect and turned
// upright by its EXIF orientation; pictures smaller than box keep their size. Only what a
// wallpaper change accepts previews (see PictureDecodes): a null image for an absent file, one
// that is not a JPEG, BMP, GIF or PNG by its content, a JPEG cut short, or one that does not
// decode.
QImage DecodePreview(const QString& path, QSize box);

} // namespace kv
