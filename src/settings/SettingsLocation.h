// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace kv {

// Where the per-user stores live: the persistent one under XDG_CONFIG_HOME (default
// ~/.config), the volatile one under XDG_RUNTIME_DIR, a memory file system that ends with the
// session. Without XDG_RUNTIME_DIR the volatile path is empty and the persistent store serves.
QString persistentStorePath(const QProcessEnvironment& environment);
QString volatileStorePath(const QProcessEnvironment& environment);
// The user's autostart folder, read by every desktop at logon.
QString autostartFolder(const QProcessEnvironment& environment);

} // namespace kv
