// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/VisibleControls.h"

namespace kv {
namespace {

constexpr char16_t kControlSymbols = 0x2400; // U+2400 SYMBOL FOR NULL, then one per C0 code
constexpr char16_t kDeleteSymbol = 0x2421;
constexpr char16_t kNewlineSymbol = 0x2424;
constexpr char16_t kReplacement = 0xFFFD;

// The marks and overrides that turn the direction of the text after them: "\u202Egpj.exe"
// shows as "exe.jpg".
bool turnsDirection(char16_t unit) {
    return unit == 0x061C || unit == 0x200E || unit == 0x200F ||
           (unit >= 0x202A && unit <= 0x202E) || (unit >= 0x2066 && unit <= 0x2069);
}

char16_t visibleSymbol(char16_t unit) {
    if (unit < 0x20)
        return char16_t(kControlSymbols + unit);
    if (unit == 0x7F)
        return kDeleteSymbol;
    if (unit == QChar::LineSeparator || unit == QChar::ParagraphSeparator)
        return kNewlineSymbol;
    if (turnsDirection(unit))
        return kReplacement;
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
