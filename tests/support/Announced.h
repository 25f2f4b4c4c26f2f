// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/ShownToolTip.h"

#include <QAccessible>
#include <QStringList>
#include <QWidget>

namespace kv::test {

// The controls under `window` that a screen reader would announce otherwise than a sighted user
// meets them: taking the focus without a name, or described in other words than their tooltip
// shows (Qt gives the tooltip, markup and all, where the control has no description of its own).
inline QStringList misannounced(const QWidget* window) {
    QStringList found;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        if (!accessible || !control->isVisibleTo(window))
            continue;
        // A control with a focus proxy hands the focus on to one checked in its own right.
        const bool unnamed = (control->focusPolicy() & Qt::TabFocus) && !control->focusProxy() &&
                             accessible->text(QAccessible::Name).trimmed().isEmpty();
        const QString toolTip = control->toolTip();
        const QString description = accessible->text(QAccessible::Description);
        if (unnamed ||
            (!toolTip.isEmpty() && !description.isEmpty() && description != shownToolTip(toolTip)))
            found << control->objectName();
    }
    return found;
}

} // namespace kv::test
