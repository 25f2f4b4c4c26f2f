// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

namespace kv {

// Every part of the program that looks at the time or waits asks a Clock, so that tests can
// drive the time of day, midnight and sleep without ever sleeping themselves.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    virtual void sleepMs(int milliseconds) = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    void sleepMs(int milliseconds) override;
};

// Seconds since local midnight, with the fraction the heartbeat keeps.
double secondsSinceMidnight(const QDateTime& moment);

} // namespace kv
