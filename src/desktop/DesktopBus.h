// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusMessage>

namespace kv {

// How long a desktop component on the session bus may take to answer one call. Every call is
// made from the window's thread, so this is how long a hung desktop can freeze the window.
inline constexpr int kDesktopCallTimeoutMs = 2000;
// After a component failed to answer, calls to it fail at once for this long, so one change
// (a picture, then colour and style) waits for one timeout, not one per call. Shorter than the
// scheduler's retry, so every retry asks the desktop again.
inline constexpr int kDesktopSilenceMs = 10000;

// A call that makes a desktop load and draw the picture before it answers may take longer. Only
// after a quick call found the component answering: one that does not answer has been caught by
// then, and the silence below makes this call fail at once.
inline constexpr int kDesktopDrawTimeoutMs = 8000;

// Whether the component (a bus service name, or a name for a component reached another way) did
// not answer lately, so that it is not asked now.
bool silentLately(const QString& component);
// Notes whether the component answered its last call in time.
void noteAnswered(const QString& component, bool answered);

// Sends a call to a desktop component on the session bus and waits for its answer, at most
// timeoutMs. A bus that cannot be reached, an error and no answer all come back as an error
// message.
QDBusMessage callDesktop(const QDBusMessage& message, int timeoutMs = kDesktopCallTimeoutMs);

} // namespace kv
