// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/options/OptionsForm.h"

#include "settings/Numbers.h"

#include <cmath>

namespace kv {
namespace {

// Any space: an input method in full-width mode types U+3000, a paste may bring U+00A0.
bool isBlank(QChar c) {
    return c.isSpace();
}

// Any decimal digit: full-width ones come from input methods, others from a user's own script.
int digitOf(QChar c) {
    return c.isDigit() ? c.digitValue() : -1;
}

// The leading number of the text with blanks left out, or 0 when it starts with none.
double leadingNumber(const QString& text) {
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text)
        if (!isBlank(c))
            kept.append(c);
    qsizetype at = 0;
    double sign = 1.0;
    if (at < kept.size() && (kept[at] == QLatin1Char('+') || kept[at] == QLatin1Char('-'))) {
        if (kept[at] == QLatin1Char('-'))
            sign = -1.0;
        ++at;
    }
    double value = 0.0;
    bool digits = false;
    for (; at < kept.size() && digitOf(kept[at]) >= 0; ++at) {
        value = value * 10.0 + digitOf(kept[at]);
        digits = true;
    }
    if (at < kept.size() && kept[at] == QLatin1Char('.')) {
        double scale = 0.1;
        for (++at; at < kept.size() && digitOf(kept[at]) >= 0; ++at) {
            value += digitOf(kept[at]) * scale;
            scale /= 10.0;
            digits = true;
        }
    }
    return digits ? sign * value : 0.0;
}

} // namespace

qint32 NumberFieldValue(const QString& text, qint32 min, qint32 max) {
    // Clamped before the conversion, so a hundred-digit entry cannot overflow.
    double value = std::nearbyint(leadingNumber(text)); // the default mode rounds halves to even
    if (value < min)
        value = min;
    if (value > max)
        value = max;
    return static_cast<qint32>(value);
}

qint32 ForcedInto(qint32 value, FieldRange range) {
    return ClampToRange(value, range.max, range.min);
}

QString FieldText(qint32 value, FieldRange range) {
    return NumberText(ForcedInto(value, range));
}

QColor ColorFromStored(qint32 stored) {
    const auto bits = static_cast<quint32>(stored);
    return QColor(bits & 0xFF, (bits >> 8) & 0xFF, (bits >> 16) & 0xFF);
}

qint32 StoredFromColor(const QColor& color) {
    return static_cast<qint32>(static_cast<quint32>(color.red()) |
                               (static_cast<quint32>(color.green()) << 8) |
                               (static_cast<quint32>(color.blue()) << 16));
}

} // namespace kv
