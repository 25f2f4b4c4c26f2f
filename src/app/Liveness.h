// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"

namespace kv {

class Clock;
class Settings;

// Copies of the program find each other through two values of the settings store: a heartbeat
// that the running copy rewrites every second ("LifeTime", seconds since local midnight, 0 once
// ended) and a command slot ("LifeCmd": 0 nothing, 1 save and end, 2 show your window, 3 change
// the wallpaper now).
class Liveness {
public:
    static constexpr int kTimerIntervalMs = 1000;
    // A heartbeat is fresh for ten timer periods.
    static constexpr double kFreshSeconds = kTimerIntervalMs * 0.01;
    static constexpr int kCloseWaitAttempts = 3000;

    enum class Verdict { GoOn, EndNow };
    enum class Command { None, SaveAndExit, ShowWindow, ChangeWallpaper };

    Liveness(Settings& settings, Clock& clock);

    // Before anything is restored: a "-close" start asks the running copy to end and waits for
    // it; a normal start that finds a fresh heartbeat asks that copy to show itself. Both end.
    // A "-next" start asks a running copy to change the wallpaper and ends once it has taken
    // the command; with no copy, or none that takes it, it goes on to change it itself.
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
    // Waits for the running copy to take the command; clears it when no copy does.
    bool commandTaken();

    Settings& settings_;
    Clock& clock_;
};

} // namespace kv
