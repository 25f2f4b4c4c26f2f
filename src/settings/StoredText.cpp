// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/StoredText.h"

#include <QStringDecoder>

namespace kv {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at `at` (no overlong forms, no surrogates, nothing
// above U+10FFFF), or 0.
qsizetype sequenceLength(QByteArrayView bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) {
        return static_cast<unsigned char>(bytes[i]);
    };
    const unsigned char lead = byte(at);
    const qsizetype left = bytes.size() - at;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return left >= 2 && isContinuation(byte(at + 1)) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (left < 3 || !isContinuation(byte(at + 1)) || !isContinuation(byte(at + 2)))
            return 0;
        const unsigned char second = byte(at + 1);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0))
            return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (left < 4 || !isContinuation(byte(at + 1)) || !isContinuation(byte(at + 2)) ||
            !isContinuation(byte(at + 3)))
            return 0;
        const unsigned char second = byte(at + 1);
        if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
            return 0;
        return 4;
    }
    return 0;
}

bool isEscape(const QString& text, qsizetype i) {
    const char16_t unit = text.at(i).unicode();
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF &&
           (i == 0 || !text.at(i - 1).isHighSurrogate());
}

// A byte order mark at the start is part of the text (a file name may begin with one), where Qt's
// plain conversion would drop it.
QString fromUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(bytes);
}

} // namespace

QString DecodeStoredText(QByteArrayView bytes) {
    if (bytes.isValidUtf8())
        return fromUtf8(bytes);
    QString text;
    text.reserve(bytes.size());
    qsizetype at = 0;
    while (at < bytes.size()) {
        qsizetype end = at;
        qsizetype length = 0;
        while (end < bytes.size() && (length = sequenceLength(bytes, end)) > 0)
            end += length;
        text += fromUtf8(bytes.sliced(at, end - at));
        if (end < bytes.size())
            text += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[end++])));
        at = end;
    }
    return text;
}

QByteArray EncodeStoredText(const QString& text) {
    QByteArray bytes;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isEscape(text, i))
            continue;
        bytes += QStringView(text).sliced(runStart, i - runStart).toUtf8();
        bytes += static_cast<char>(text.at(i).unicode() - kEscapeBase);
        runStart = i + 1;
    }
    if (runStart == 0)
        return text.toUtf8();
    bytes += QStringView(text).sliced(runStart).toUtf8();
    return bytes;
}

} // namespace kv
