// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kv {

// Makes the folder, and any missing above it, readable by this user alone when it is new; a
// folder that exists is left as it is.
void makePrivateFolder(const QString& folder);

// flock(2) on the whole file, taken again when a signal interrupts the wait; false on failure.
bool lockFile(int fd, int operation);

} // namespace kv
