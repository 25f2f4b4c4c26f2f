// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ManualClock.h"

namespace kv::test {

void ManualClock::sleepMs(int milliseconds) {
    now_ = now_.addMSecs(milliseconds);
    ++sleeps_;
    if (onSleep_)
        onSleep_(sleeps_);
}

} // namespace kv::test
