// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"
#include "app/LivenessLock.h"

#include <QString>

#include <functional>

namespace kv {

class Clock;
class Settings;

// Copies of the program find each other through values of the volatile settings store: a
// heartbeat that the running copy rewrites every second ("LifeTime", seconds since local
// midnight, 0 once ended), a command slot ("LifeCmd": 0 nothing, 1 save and end, 2 show your
// window, 3 change the wallpaper now), how the last ending went ("LifeSaved": 1 saved, 0 the
// save failed) and how the last change taken from the slot went ("LifeChanged": 1 changed, 0
// not, -1 while it is being made). Every read that leads to a write happens under one lock file, so
// copies started together queue up. A running copy also holds a second lock for its whole life: its
// heartbeat stops while a slow desktop keeps its window thread waiting, and a start must not take
// it for gone then. A copy that dies lets go of that lock with its process.
class Liveness {
public:
    static constexpr int kTimerIntervalMs = 1000;
    // A heartbeat is fresh for ten timer periods.
    static constexpr double kFreshSeconds = kTimerIntervalMs * 0.01;
    // A heartbeat is written with its hundredths; one a little ahead of this copy's clock is as
    // fresh as one just behind it.
    static constexpr double kFutureToleranceSeconds = 1.0;
    // How long a close waits for the running copy to take its command, and then to end; a
    // "-next" waits as long for the change to be made.
    static constexpr int kCloseWaitAttempts = 3000;
    static constexpr int kEndWaitAttempts = 3000;
    static constexpr int kEndWaitSleepMs = 10;

    enum class Verdict { GoOn, EndNow };
    // The values of the command slot.
    enum class Command { None, SaveAndExit, ShowWindow, ChangeWallpaper };
    // EndedUntold: the copy went (its running lock with it) without saying how its save went.
    enum class CloseOutcome { NotRunning, Ended, EndedUnsaved, EndedUntold, NoAnswer };
    // How the change a "-next" start handed over went. Made: this start makes it itself; Taken:
    // an older copy took it, which never tells how its change went. NotAsked: the running copy
    // could not be asked, for a change or to show its window, as the request did not stay in
    // the store (a full session folder).
    enum class NextOutcome { Made, Taken, Changed, Unchanged, EndedFirst, NoAnswer, NotAsked };

    // lockPath: the lock file shared by every copy of this user; empty locks nothing. running:
    // the lock this copy holds while it runs (at runningLockPath), kept by the caller for the life
    // of the process; none marks nothing.
    Liveness(Settings& settings, Clock& clock, QString lockPath = QString(),
             LivenessLock* running = nullptr);
    void setLocks(const QString& lockPath, LivenessLock* running) {
        lock_.setPath(lockPath);
        running_ = running;
    }
    static QString runningLockPath(const QString& lockPath);

    // Before anything is restored: a "-close" start asks the running copy to end and waits for
    // it. A normal start that finds a running copy asks that copy to show itself, a "-next"
    // start asks it to change the wallpaper; either ends once the copy has taken the command,
    // and goes on in its place when the copy ends without taking it; a "-next" waits for the
    // copy to say how the change went first. A command is put only
    // into an empty slot. A copy busy past the wait that holds its running lock keeps the
    // command pending for it; where no lock can be had, a "-next" nobody took goes on to change
    // the wallpaper itself. A start that goes on has written its first heartbeat before the
    // lock is let go.
    Verdict check(const CommandLine& commandLine);
    // How the close asked for by check() went.
    CloseOutcome closeOutcome() const { return closeOutcome_; }
    static int exitCodeOf(CloseOutcome outcome);
    static QString describe(CloseOutcome outcome);
    // How the change or show handed over by check() went: none is said for one that succeeded.
    NextOutcome nextOutcome() const { return nextOutcome_; }
    static int exitCodeOf(NextOutcome outcome);
    static QString describe(NextOutcome outcome);

    // The heartbeat tick: writes the heartbeat and takes the pending command. A change asked
    // for before the collection is restored waits for a later tick; a copy passing through (a
    // "-next" start's, which ends once it has changed) takes only a close.
    Command tick(bool restored = true, bool passingThrough = false);
    // Tells a waiting "-next" how the change taken from the slot went; called once it is known,
    // before a failure is told in a dialog the user may leave open.
    void markChanged(bool changed);

    // Called by the exit before it saves: a start meanwhile waits for this copy to be gone. False
    // takes it back, for an exit the user called off.
    void markEnding(bool ending = true);
    // Called by the exit as its last store action; saved tells a waiting "-close" how the save
    // went.
    void markEnded(bool saved = true);

    // Seconds from the heartbeat to now, across midnight: a heartbeat at 23:59:58 is 5 seconds
    // old at 00:00:03; one slightly ahead of now is slightly negative.
    static double ageSeconds(double heartbeat, double now);
    static bool isFresh(double heartbeat, double now);

private:
    void writeHeartbeat();
    // Under the lock: a copy that holds its running lock; where that lock cannot be had, a fresh
    // heartbeat.
    bool anotherCopyRuns();
    // Under the lock: this copy becomes the running one; own is the command this start left
    // pending, if any.
    Verdict takeOver(qint32 own = 0);
    Verdict handOver(qint32 command);
    CloseOutcome requestClose();
    // After the copy took a change: its outcome, or that the copy ended or kept silent.
    NextOutcome awaitChange();
    // Under the lock: the copy asked to close has said how its end went, or the heartbeat says
    // that no copy runs.
    bool copyEnded();
    // Runs done under the lock until it is true, sleeping between tries; false when the
    // attempts ran out.
    bool untilUnderLock(int attempts, int sleepMs, const std::function<bool()>& done);

    static constexpr qint32 kClose = qint32(Command::SaveAndExit);
    static constexpr qint32 kShow = qint32(Command::ShowWindow);
    static constexpr qint32 kChange = qint32(Command::ChangeWallpaper);
    static constexpr qint32 kChanging = -1;

    Settings& settings_;
    Clock& clock_;
    LivenessLock lock_;
    LivenessLock* running_;
    CloseOutcome closeOutcome_ = CloseOutcome::NotRunning;
    NextOutcome nextOutcome_ = NextOutcome::Made;
    bool passingThrough_ = false;
};

} // namespace kv
