// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AccessibleNames.h"

#include <QAccessible>
#include <QTextDocument>
#include <QWidget>

namespace kv {

void NameControlsByToolTip(QWidget* window) {
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (!(control->focusPolicy() & Qt::TabFocus) || control->toolTip().isEmpty() ||
            Qt::mightBeRichText(control->toolTip()))
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        if (accessible && accessible->text(QAccessible::Name).isEmpty())
            control->setAccessibleName(control->toolTip());
    }
}

} // namespace kv
