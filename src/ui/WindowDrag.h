// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPoint>

#include <functional>
#include <optional>
#include <utility>

class QWidget;

namespace kv {

// Parts of a window by which it is moved, the window itself among them for the presses that no
// control takes. Held down with the left button, a part moves the whole window through the
// window system's own move (X11 and Wayland alike) once the pointer has gone the drag distance.
// A move begun at the press itself would, after a quick click or tap whose release comes before
// the window system has taken the pointer, follow the pointer with no button held until the next
// click; so would one begun by another button, which the window system never sees released.
// The press and its moves go no further, so a handle never acts as a control.
class WindowDragHandles final : public QObject {
    Q_OBJECT
public:
    // Starts the window system's move of a window; false where it is not offered.
    using MoveStarter = std::function<bool(QWidget* window)>;

    explicit WindowDragHandles(QObject* parent = nullptr);

    void attach(QWidget* handle);
    // Test seam: what starts the window system's move.
    void setMoveStarterForTest(MoveStarter starter) { startMove_ = std::move(starter); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MoveStarter startMove_;
    // Where the left button went down, on the screen, while it may still become a move.
    std::optional<QPoint> pressedAt_;
};

} // namespace kv
