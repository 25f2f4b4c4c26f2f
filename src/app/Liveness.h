// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"

namespace kv {

class Clock;
class Settings;

// Copies of the program find each other through two values of the settings store: a heartbeat
// that the running copy rewrites every second ("LifeTime", seconds since local midnight, 0 once
// ended) and a command slot ("LifeCmd": 0 nothing, 1 save and end, 2 show your window).
class Liveness {
public:
    static constexpr int kTimerIntervalMs = 1000;
    // A heartbeat is fresh for ten timer periods.
    static constexpr double kFreshSeconds = kTimerIntervalMs * 0.01;
    static constexpr int kCloseWaitAttempts = 3000;

    enum class Verdict { GoOn, EndNow };
    enum class Command { None, SaveAndExit, ShowWindow };

    Liveness(Settings& settings, Clock& clock);

    // Before anything is restored: a "-close" start asks the running copy to end and waits for
    // it; a normal start that finds a fresh heartbeat asks that copy to show itself. Both end.
    Verdict check(const CommandLine& commandLine);

    // The heartbeat tick. A close command met before this copy has restored its saved state is
    // discarded: obeying it would save an empty collection over the stored one.
    Command tick(bool stateRestored);

    // Called by the exit as its last store action.
    void markEnded();

    // Seconds from the heartbeat to now, across midnight: a heartbeat at 23:59:58 is 5 seconds
    // old at 00:00:03.
    static double ageSeconds(double heartbeat, double now);

private:
    void requestClose();

    Settings& settings_;
    Clock& clock_;
};

} // namespace kv
