// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The looks the windows are checked in: Qt's light palette, and the dark palette desktops
// commonly give Qt's own style. The screenshot tools show the user's language as the program
// picks it at start, and the dark look with KV_SHOT_PALETTE=dark.
#include "ui/Translations.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

#include <initializer_list>
#include <utility>

namespace kv::test {

inline QPalette darkPalette() {
    QPalette dark;
    const QColor window(53, 53, 53);
    const QColor base(42, 42, 42);
    for (const auto& [role, colour] : std::initializer_list<std::pair<QPalette::ColorRole, QColor>>{
             {QPalette::Window, window},
             {QPalette::WindowText, Qt::white},
             {QPalette::Base, base},
             {QPalette::AlternateBase, window},
             {QPalette::Text, Qt::white},
             {QPalette::Button, window},
             {QPalette::ButtonText, Qt::white},
             {QPalette::Highlight, QColor(42, 130, 218)},
             {QPalette::HighlightedText, Qt::black},
             {QPalette::Link, QColor(100, 170, 255)}})
        dark.setColor(role, colour);
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(127, 127, 127));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(127, 127, 127));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(127, 127, 127));
    return dark;
}

inline void applyShotLook() {
    InstallTranslations();
    if (qEnvironmentVariable("KV_SHOT_PALETTE") == QLatin1String("dark")) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    }
}

} // namespace kv::test
