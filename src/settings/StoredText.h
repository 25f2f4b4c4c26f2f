// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kv {

// Stored values are UTF-8, but a file name on a Unix system is any bytes, and a value written by
// another program or by hand may not decode. Bytes that are not part of valid UTF-8 come in as
// the lone surrogates U+DC80..U+DCFF (the byte's value above 0xDC00), which valid UTF-8 never
// yields, and go out as the byte again, so such a value is written back exactly as it was read.
QString DecodeStoredText(QByteArrayView bytes);
QByteArray EncodeStoredText(const QString& text);

} // namespace kv
