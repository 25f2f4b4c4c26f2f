// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kv {

// Where the desktop has no notification area (GNOME without an extension for one), the window
// collapses into nothing on the screen, and the program looks ended while it goes on changing
// the wallpaper. The first time the user collapses the window, the desktop's notifications say
// so and how to bring it back: once a process, which for the copy started at logon is once a
// session.
class StillRunningNotice {
public:
    // As the window the user sees collapses.
    void windowCollapsing();

private:
    bool told_ = false;
};

} // namespace kv
