// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Clock.h"

#include <QThread>

namespace kv {

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

void SystemClock::sleepMs(int milliseconds) {
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

double secondsSinceMidnight(const QDateTime& moment) {
    return moment.time().msecsSinceStartOfDay() / 1000.0;
}

} // namespace kv
