// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LiteralToolTips.h"

#include "common/LiteralToolTip.h"

#include <QWidget>

namespace kv {

void SetLiteralToolTip(QWidget* widget, const QString& text) {
    widget->setToolTip(LiteralToolTip(text));
    widget->setAccessibleDescription(text);
}

} // namespace kv
