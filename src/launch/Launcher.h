// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kv {

// The whole program: start-up, the event loop, and the exit code.
int launch(int argc, char** argv);

} // namespace kv
