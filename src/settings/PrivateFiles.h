// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kv {

// Makes the folder, and any missing above it, readable by this user alone when it is new; a
// folder that exists is left as it is.
void makePrivateFolder(const QString& folder);

// Whether path still names the file open as fd: false once that file was removed or replaced
// (its folder cleaned away); true where the open file cannot be examined.
bool pathNamesOpenFile(int fd, const QString& path);

// flock(2) on the whole file, taken again when a signal interrupts the wait; false on failure.
bool lockFile(int fd, int operation);

} // namespace kv
