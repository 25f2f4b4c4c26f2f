// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/MainKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace kv {

MainKeys::MainKeys(QWidget* window) : QObject(window), window_(window) {
    // One filter on the application sees every key before any control of the window does,
    // whichever control has the focus, including controls added later.
    qApp->installEventFilter(this);
}

MainKeys::~MainKeys() {
    if (qApp)
        qApp->removeEventFilter(this);
}

bool MainKeys::isFirstDelivery(QObject* watched) const {
    // A key a control ignores travels on to its parents and passes this filter again; only the
    // delivery to the control with the focus counts (or to the window when no control has it).
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != window_)
        return false;
    const QWidget* focus = QApplication::focusWidget();
    if (focus && focus->window() == window_)
        return widget == focus;
    return widget == window_;
}

bool MainKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !isFirstDelivery(watched))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // A keyboard user who moved to a button means that button, as Space would press it.
        if (auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget())) {
            button->click();
            return true;
        }
        // The folder list opens its highlighted folder and the web link opens itself: Enter
        // there must not set a wallpaper as well.
        const QWidget* focus = QApplication::focusWidget();
        const QString name = focus ? focus->objectName() : QString();
        if (name != QStringLiteral("Folder") && name != QStringLiteral("Hyperlink"))
            Q_EMIT enterPressed();
    } else if (key->key() == Qt::Key_Escape) {
        Q_EMIT escapePressed();
        // Kept from the controls: the window has collapsed, so no control has the focus and the
        // key travelling on to the window would count as a first delivery again.
        return true;
    } else if (key->text() == QStringLiteral("+")) {
        // The character, wherever it is typed from: the keypad, or Shift and the = key.
        Q_EMIT plusPressed();
    }
    return false;
}

} // namespace kv
