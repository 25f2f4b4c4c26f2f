// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/VisibleControls.h"

namespace kv {
namespace {

constexpr char16_t kControlSymbols = 0x2400; // U+2400 SYMBOL FOR NULL, then one per C0 code
constexpr char16_t kDeleteSymbol = 0x2421;
constexpr char16_t kNewlineSymbol = 0x2424;

char16_t visibleSymbol(char16_t unit) {
    if (unit < 0x20)
        return char16_t(kControlSymbols + unit);
    if (unit == 0x7F)
        return kDeleteSymbol;
    if (unit == QChar::LineSeparator || unit == QChar::ParagraphSeparator)
        return kNewlineSymbol;
    return unit;
}

} // namespace

QString WithVisibleControls(const QString& text) {
    QString shown = text; // copied only when something changes
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t unit = shown.at(i).unicode();
        if (const char16_t symbol = visibleSymbol(unit); symbol != unit)
            shown[i] = QChar(symbol);
    }
    return shown;
}

} // namespace kv
