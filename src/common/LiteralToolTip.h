// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kv {

// A tooltip that shows `text` exactly as written. Qt takes any tooltip that looks like markup
// for rich text, so a file named "<b>x</b>.jpg" would show in bold and one with an <img> tag
// would load a picture from disk; the text is therefore given as escaped rich text, laid out
// as a plain tooltip is (spaces and line breaks kept, one line per line). Empty stays empty:
// no tooltip.
QString LiteralToolTip(const QString& text);

} // namespace kv
