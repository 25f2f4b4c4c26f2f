// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kv {

// A queued notification leaves with the program's next turn of its event loop. A program about
// to end waits for the service to take it (two seconds at most), as its queue ends with it.
enum class NotificationDelivery { Queued, Awaited };

// Shows a passing message in the desktop's notifications, where a service for them runs: for
// what the user should learn with no window to close. The body is plain text: a "<" or "&" in a
// file name shows as itself.
void notifyDesktop(const QString& summary, const QString& body, NotificationDelivery delivery);

} // namespace kv
