// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTextDocument>

namespace kv::test {

// The text a tooltip shows: Qt renders one that looks like markup as rich text, where tags
// vanish, a <br> breaks the line and an <img> becomes a picture (U+FFFC in plain text).
inline QString shownToolTip(const QString& toolTip) {
    if (!Qt::mightBeRichText(toolTip))
        return toolTip;
    QTextDocument document;
    document.setHtml(toolTip);
    return document.toPlainText();
}

} // namespace kv::test
