// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace kv {

// Empty when a window can be shown; otherwise what to tell the user, so that a start without a
// display it can use (none, one it cannot reach, Wayland without Qt's plugin for it) ends with
// advice instead of a platform plugin's abort.
QString missingDisplayAdvice(const QProcessEnvironment& environment, const QStringList& arguments);

} // namespace kv
