// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowDrag.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace kv {
namespace {

bool startSystemMove(QWidget* window) {
    QWindow* handle = window->windowHandle();
    return handle && handle->startSystemMove();
}

} // namespace

WindowDragHandles::WindowDragHandles(QObject* parent)
    : QObject(parent), startMove_(startSystemMove) {}

void WindowDragHandles::attach(QWidget* handle) {
    handle->installEventFilter(this);
}

bool WindowDragHandles::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() != Qt::LeftButton)
            return false;
        pressedAt_ = press->globalPosition().toPoint();
        return true;
    }
    case QEvent::MouseMove: {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (!pressedAt_)
            return false;
        if (!(move->buttons() & Qt::LeftButton)) {
            pressedAt_.reset();
            return false;
        }
        if ((move->globalPosition().toPoint() - *pressedAt_).manhattanLength() >=
            QApplication::startDragDistance()) {
            pressedAt_.reset();
            startMove_(static_cast<QWidget*>(watched)->window());
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!pressedAt_ || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        pressedAt_.reset();
        return true;
    default:
        return false;
    }
}

} // namespace kv
