// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace kv {

// Empty when a window can be shown; otherwise what to tell the user, so that a start without a
// display ends with advice instead of a platform plugin's abort.
QString missingDisplayAdvice(const QProcessEnvironment& environment);

} // namespace kv
