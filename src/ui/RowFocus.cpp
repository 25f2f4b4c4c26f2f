// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/RowFocus.h"

#include <QPainter>
#include <QWidget>

namespace kv {

QStyleOptionViewItem rowToPaint(const QStyleOptionViewItem& option) {
    QStyleOptionViewItem row(option);
    row.state &= ~QStyle::State_HasFocus;
    return row;
}

void paintRowFocus(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect) {
    if (!option.state.testFlag(QStyle::State_HasFocus) || !option.widget ||
        !option.widget->hasFocus())
        return;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QPalette::ColorGroup group =
        option.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
    painter->save();
    painter->setPen(QPen(
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Highlight),
        1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(1, 1, -2, -2));
    painter->restore();
}

} // namespace kv
