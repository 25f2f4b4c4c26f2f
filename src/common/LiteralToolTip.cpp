// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/LiteralToolTip.h"

namespace kv {

QString LiteralToolTip(const QString& text) {
    if (text.isEmpty())
        return {};
    return QLatin1String("<p style=\"white-space:pre\">") + text.toHtmlEscaped() +
           QLatin1String("</p>");
}

} // namespace kv
