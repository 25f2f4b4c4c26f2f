// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QMouseEvent;
class QWidget;

namespace kv {

// Lets the window system move the window with the mouse, as if its title bar had been pressed.
// The window system's own move works on X11 and Wayland alike; false where it is not offered.
bool StartWindowDrag(QWidget* widget);

// Whether a press moves the window. Only the left button does: window systems end their move
// when the left button is released, so a move begun by another button would follow the pointer
// until the next left click.
bool IsDragPress(const QMouseEvent* event);

// Parts of a window by which it is moved: a left press on one of them moves the whole window and
// goes no further, so a handle never acts as a control.
class WindowDragHandles final : public QObject {
    Q_OBJECT
public:
    explicit WindowDragHandles(QObject* parent = nullptr);

    void attach(QWidget* handle);
    // Moves the window that holds widget.
    void startDrag(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kv
