// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace kv {

// Where the per-user stores live: the persistent one under XDG_CONFIG_HOME (default
// ~/.config), the volatile one under XDG_RUNTIME_DIR, a memory file system that ends with the
// session. Without XDG_RUNTIME_DIR the one the session gives each user, <sessionFolders>/<uid>,
// serves when it is this user's alone (mode 0700); failing that the volatile path is empty and
// the persistent store serves.
QString persistentStorePath(const QProcessEnvironment& environment);
// HOME, or where HOME is unset or not absolute (a service, a cleared environment) the home the
// user database names: Qt's own fallback, the root folder, would hide the user's collection.
QString userHomeFolder(const QProcessEnvironment& environment);
QString volatileStorePath(const QProcessEnvironment& environment,
                          const QString& sessionFolders = QStringLiteral("/run/user"));
// The user's autostart folder, read by every desktop at logon.
QString autostartFolder(const QProcessEnvironment& environment);
// The lock file every copy of this user takes while it settles who runs: beside the volatile
// store, or beside the persistent one where there is no volatile store.
QString livenessLockPath(const QProcessEnvironment& environment,
                         const QString& sessionFolders = QStringLiteral("/run/user"));

} // namespace kv
