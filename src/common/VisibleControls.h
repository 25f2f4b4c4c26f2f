// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kv {

// A file name as a one-line list row shows it: each control character (a line break, a tab,
// an escape) as its visible symbol, U+2400 and on, and the line and paragraph separators as the
// newline symbol. A name may hold any of them; a row that broke its line would stand taller
// than the others, and lists whose rows share one height would then show every row so. The
// marks that turn the text's direction show as the replacement character, or a name could pose
// as another. Only for display: the name itself is kept as written.
QString WithVisibleControls(const QString& text);

} // namespace kv
