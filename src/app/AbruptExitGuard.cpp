// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AbruptExitGuard.h"

#include "app/Program.h"

#include <atomic>
#include <cstdlib>
#include <thread>

namespace kv {
namespace {

std::atomic<Program*> guarded{nullptr};
std::thread::id guardingThread;

void saveBeforeExit() {
    Program* program = guarded.exchange(nullptr, std::memory_order_acquire);
    // An exit on another thread would race the user-interface thread, which owns the program.
    if (program && std::this_thread::get_id() == guardingThread)
        program->endAbruptly();
}

} // namespace

AbruptExitGuard::AbruptExitGuard(Program& program) {
    // Exit hooks and static objects go in the reverse order of their making: registered as late
    // as the start allows, the hook runs while all that the start made still stands.
    static const bool registered = std::atexit(saveBeforeExit) == 0;
    if (!registered)
        return;
    guardingThread = std::this_thread::get_id();
    guarded.store(&program, std::memory_order_release);
}

AbruptExitGuard::~AbruptExitGuard() {
    guarded.store(nullptr, std::memory_order_release);
}

} // namespace kv
