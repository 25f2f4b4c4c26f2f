// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace kv {

// Shows `text` as the widget's tooltip exactly as written (see LiteralToolTip), and gives it to
// screen readers as the widget's description: without one they read the tooltip, escaped markup
// and all.
void SetLiteralToolTip(QWidget* widget, const QString& text);

} // namespace kv
