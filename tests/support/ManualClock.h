// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/Clock.h"

#include <functional>

namespace kv::test {

// A clock that only moves when told to; sleeping advances it and can run a scripted action, so
// waits and timeouts are exercised without any real waiting.
class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime start) : now_(std::move(start)) {}

    QDateTime now() const override { return now_; }
    void sleepMs(int milliseconds) override;

    void set(const QDateTime& moment) { now_ = moment; }
    // Runs after each sleep with the number of sleeps so far.
    void onSleep(std::function<void(int)> action) { onSleep_ = std::move(action); }

private:
    QDateTime now_;
    int sleeps_ = 0;
    std::function<void(int)> onSleep_;
};

} // namespace kv::test
