#pragma once

class QWidget;

namespace kv {

// Lets the window system move the window with the mouse, as if its title bar had been pressed.
// The window system's own move works on X11 and Wayland alike; false where it is not offered.
bool StartWindowDrag(QWidget* widget);

} // namespace kv
