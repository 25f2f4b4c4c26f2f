// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyleOptionViewItem>

class QPainter;

namespace kv {

// The row of a list that has the keys is framed by the style in a shade of the selection
// colour, which on a selected row cannot be seen: Space, Delete and Enter would go to a list
// that looks like any other. A delegate prepares its row from an option without that frame
// (rowToPaint) and has it painted by paintRowWithFocus: by the style, then framed in the
// selection's text colour on a selected row, in the selection colour elsewhere, and only while
// the list has the keys.
QStyleOptionViewItem rowToPaint(const QStyleOptionViewItem& option);
void paintRowWithFocus(QPainter* painter, const QStyleOptionViewItem& option,
                       const QStyleOptionViewItem& row);

} // namespace kv
