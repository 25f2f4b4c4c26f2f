// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kv {

class Program;

// Qt ends the process with exit() from inside the event loop when its X display goes away, as at
// the end of an X11 session without a session manager. Nothing returns to the program then, and
// the state it would save at its end is lost. While a guard lives, such an exit first saves and
// marks the copy ended, as the session's end does.
class AbruptExitGuard final {
public:
    explicit AbruptExitGuard(Program& program);
    ~AbruptExitGuard();
    AbruptExitGuard(const AbruptExitGuard&) = delete;
    AbruptExitGuard& operator=(const AbruptExitGuard&) = delete;
};

} // namespace kv
