// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/RowFocus.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>

namespace kv {

QStyleOptionViewItem rowToPaint(const QStyleOptionViewItem& option) {
    QStyleOptionViewItem row(option);
    row.state &= ~QStyle::State_HasFocus;
    return row;
}

void paintRowWithFocus(QPainter* painter, const QStyleOptionViewItem& option,
                       const QStyleOptionViewItem& row) {
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &row, painter, widget);
    if (!option.state.testFlag(QStyle::State_HasFocus) || !widget || !widget->hasFocus())
        return;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QPalette::ColorGroup group =
        option.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
    painter->save();
    painter->setPen(QPen(
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Highlight),
        1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(row.rect.adjusted(1, 1, -2, -2));
    painter->restore();
}

} // namespace kv
