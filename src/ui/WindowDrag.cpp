// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowDrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace kv {

bool StartWindowDrag(QWidget* widget) {
    if (!widget)
        return false;
    QWindow* handle = widget->window()->windowHandle();
    return handle && handle->startSystemMove();
}

bool IsDragPress(const QMouseEvent* event) {
    return event->button() == Qt::LeftButton;
}

WindowDragHandles::WindowDragHandles(QObject* parent) : QObject(parent) {}

void WindowDragHandles::attach(QWidget* handle) {
    handle->installEventFilter(this);
}

void WindowDragHandles::startDrag(QWidget* widget) {
    StartWindowDrag(widget);
}

bool WindowDragHandles::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress || !watched->isWidgetType() ||
        !IsDragPress(static_cast<QMouseEvent*>(event)))
        return false;
    startDrag(static_cast<QWidget*>(watched));
    return true;
}

} // namespace kv
