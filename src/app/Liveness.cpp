// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Liveness.h"

#include "engine/Clock.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace kv {
namespace {

const QString kLifeTime = QStringLiteral("LifeTime");
const QString kLifeCmd = QStringLiteral("LifeCmd");
const QString kLifeSaved = QStringLiteral("LifeSaved");
const QString kLifeChanged = QStringLiteral("LifeChanged");
const QString kLifeEnding = QStringLiteral("LifeEnding");
constexpr double kSecondsPerDay = 86400.0;

} // namespace

Liveness::Liveness(Settings& settings, Clock& clock, QString lockPath, LivenessLock* running)
    : settings_(settings), clock_(clock), lock_(std::move(lockPath)), running_(running) {}

QString Liveness::runningLockPath(const QString& lockPath) {
    if (lockPath.isEmpty())
        return {};
    const QFileInfo lock(lockPath);
    return lock.dir().filePath(lock.completeBaseName() + QStringLiteral("-running.lock"));
}

double Liveness::ageSeconds(double heartbeat, double now) {
    double age = now - heartbeat;
    if (age <= -kFutureToleranceSeconds)
        age += kSecondsPerDay;
    return age;
}

bool Liveness::isFresh(double heartbeat, double now) {
    const double age = ageSeconds(heartbeat, now);
    return heartbeat != 0 && age > -kFutureToleranceSeconds && age < kFreshSeconds;
}

void Liveness::writeHeartbeat() {
    // 0 means "ended": a beat at the very first instant of the day is written just after it.
    settings_.WriteSetting(kLifeTime, qMax(secondsSinceMidnight(clock_.now()), 0.01));
}

Liveness::Verdict Liveness::check(const CommandLine& commandLine) {
    if (commandLine.isClose()) {
        closeOutcome_ = requestClose();
        return Verdict::EndNow;
    }
    passingThrough_ = commandLine.isNext();
    if (commandLine.isLogon()) {
        // Started twice at logon (a window manager's start-up file beside the session's
        // autostart entry), the running copy made the logon change; its window stays hidden.
        // One on its way out is waited for as long as any start waits, or the logon would end
        // with nothing running.
        untilUnderLock(kCloseWaitAttempts + kEndWaitAttempts, kEndWaitSleepMs, [this] {
            return !anotherCopyRuns() || settings_.ReadSetting(kLifeEnding, 0) != 1;
        });
        const LivenessLock::Hold hold(lock_);
        return anotherCopyRuns() ? Verdict::EndNow : takeOver(0);
    }
    return handOver(commandLine.isNext() ? kChange : kShow);
}

Liveness::Verdict Liveness::handOver(qint32 command) {
    bool posted = false;
    for (int attempt = 1;; ++attempt) {
        bool waitsForEnd = false;
        {
            const LivenessLock::Hold hold(lock_);
            // A copy on its way out (a "-next" start's, one closing) takes no more commands:
            // once it is gone, this start runs instead of being lost with it.
            if (!anotherCopyRuns())
                return takeOver(posted ? command : 0);
            const qint32 pending = settings_.ReadSetting(kLifeCmd, 0);
            if (posted && pending != command)
                break;
            // Written over, a close would be lost and its waiting copy told of an end that never
            // comes: another command waits until the copy has taken it.
            const bool tried = !posted && pending == 0;
            if (tried) {
                settings_.WriteSetting(kLifeCmd, command);
                // Only a command that reads back was posted (see requestClose).
                posted = settings_.ReadSetting(kLifeCmd, 0) == command;
            }
            const bool refused = tried && !posted;
            posted = posted || (pending == kShow && command == kShow);
            // A copy on its way out takes no command, but is gone once its save is done, however
            // long a busy store makes that: this start then runs in its place, or the user's
            // start would end with nothing running.
            waitsForEnd = attempt >= kCloseWaitAttempts &&
                          attempt < kCloseWaitAttempts + kEndWaitAttempts &&
                          settings_.ReadSetting(kLifeEnding, 0) == 1;
            if (attempt >= kCloseWaitAttempts && !waitsForEnd) {
                // The copy is busy past the wait (a slow desktop can keep it that long) and
                // still runs: the command stays pending for it, as a second copy beside it would
                // wipe its edits. Where the lock cannot be had, a "-next" that nobody took goes
                // on. A store that never kept the command is said to the user.
                if (command == kShow || (running_ && running_->heldElsewhere())) {
                    if (refused)
                        nextOutcome_ = NextOutcome::NotAsked;
                    else if (command == kChange)
                        nextOutcome_ = NextOutcome::NoAnswer;
                    return Verdict::EndNow;
                }
                return takeOver(posted ? command : 0);
            }
        }
        clock_.sleepMs(waitsForEnd ? kEndWaitSleepMs : 1);
    }
    // A "-next" bound to a key or run by a script reports through its exit status whether the
    // wallpaper changed.
    if (command == kChange)
        nextOutcome_ = awaitChange();
    return Verdict::EndNow;
}

Liveness::NextOutcome Liveness::awaitChange() {
    NextOutcome outcome = NextOutcome::NoAnswer;
    // The copy marks the change as being made when it takes it, under the lock: from then on the
    // value is this change's or, once another start's change is taken, a later one's.
    untilUnderLock(kEndWaitAttempts, kEndWaitSleepMs, [this, &outcome] {
        if (settings_.ReadSetting(kLifeChanged, QString()).isEmpty())
            outcome = NextOutcome::Taken;
        else if (const qint32 told = settings_.ReadSetting(kLifeChanged, kChanging);
                 told != kChanging)
            outcome = told == 1 ? NextOutcome::Changed : NextOutcome::Unchanged;
        else if (!anotherCopyRuns())
            outcome = NextOutcome::EndedFirst;
        return outcome != NextOutcome::NoAnswer;
    });
    return outcome;
}

bool Liveness::anotherCopyRuns() {
    // The running lock is the sure sign: a busy copy's heartbeat stops, and a killed copy's
    // stays fresh for seconds but its lock went with its process. The heartbeat's age is only
    // the guess for where the lock cannot be had.
    if (running_) {
        switch (running_->holder()) {
        case LivenessLock::Holder::Another:
            return true;
        case LivenessLock::Holder::ThisObject:
        case LivenessLock::Holder::Nobody:
            return false;
        case LivenessLock::Holder::Unknown:
            break;
        }
    }
    return isFresh(settings_.ReadSetting(kLifeTime, 0.0), secondsSinceMidnight(clock_.now()));
}

Liveness::Verdict Liveness::takeOver(qint32 own) {
    // A command still pending was meant for a copy that is gone, unless another start still
    // waits with it: a copy that only passes through (a "-next") leaves a show or a change of
    // another start's for the copy that will serve it.
    const qint32 pending = settings_.ReadSetting(kLifeCmd, 0);
    if (pending != 0 && (!passingThrough_ || pending == kClose || pending == own))
        settings_.WriteSetting(kLifeCmd, 0);
    // A copy passing through ends without taking a show: a start meanwhile waits for its end.
    if (settings_.ReadSetting(kLifeEnding, 0) != int(passingThrough_))
        settings_.WriteSetting(kLifeEnding, int(passingThrough_));
    writeHeartbeat();
    // Held by a copy that did not take a "-next" in time, the lock stays that copy's.
    if (running_)
        running_->holdIfFree();
    return Verdict::GoOn;
}

Liveness::CloseOutcome Liveness::requestClose() {
    bool running = true;
    bool landed = false;
    // A show or a change pending is taken first: written over, it would be lost, and written
    // after the close, the copy would obey it instead.
    const bool posted = untilUnderLock(kCloseWaitAttempts, 1, [this, &running, &landed] {
        // A heartbeat that stopped long ago without its lock is a copy that was killed: nobody
        // would answer.
        running = anotherCopyRuns();
        const qint32 pending = settings_.ReadSetting(kLifeCmd, 0);
        if (running && pending != 0 && pending != kClose)
            return false;
        if (running) {
            settings_.WriteSetting(kLifeSaved, QString());
            settings_.WriteSetting(kLifeCmd, kClose);
            landed = settings_.ReadSetting(kLifeCmd, 0) == kClose;
        }
        return true;
    });
    if (!running)
        return CloseOutcome::NotRunning;
    // A session folder that takes no writes (full, or something else at the file's place)
    // reads back nothing: the copy, and its end, would only seem to answer.
    if (!posted || !landed)
        return CloseOutcome::NoAnswer;
    bool gone = false;
    const bool taken = untilUnderLock(kCloseWaitAttempts, 1, [this, &gone] {
        // A copy killed before it took the command never will: its running lock went with it.
        gone = running_ && running_->holder() == LivenessLock::Holder::Nobody;
        return gone || copyEnded() || settings_.ReadSetting(kLifeCmd, 0) != kClose;
    });
    if (!taken || gone) {
        const LivenessLock::Hold hold(lock_);
        if (settings_.ReadSetting(kLifeCmd, 0) == kClose) {
            // Nobody took it: a command left behind would be met by the next start.
            settings_.WriteSetting(kLifeCmd, 0);
            if (!taken)
                return CloseOutcome::NoAnswer;
        }
    }
    // The command was taken: the copy is saving, which may take a while on a busy store. One
    // killed meanwhile never says it ended, but its running lock goes with it.
    bool ended = false;
    if (!untilUnderLock(kEndWaitAttempts, kEndWaitSleepMs, [this, &ended] {
            ended = copyEnded();
            return ended || (running_ && running_->holder() == LivenessLock::Holder::Nobody);
        }))
        return CloseOutcome::NoAnswer;
    if (!ended)
        return CloseOutcome::EndedUntold;
    return settings_.ReadSetting(kLifeSaved, 1) == 0 ? CloseOutcome::EndedUnsaved
                                                     : CloseOutcome::Ended;
}

bool Liveness::copyEnded() {
    // The ending copy says how its save went, which a start taking over right after it leaves
    // alone; its heartbeat's 0 lasts only until that start's first beat.
    return !settings_.ReadSetting(kLifeSaved, QString()).isEmpty() ||
           settings_.ReadSetting(kLifeTime, 0.0) == 0;
}

bool Liveness::untilUnderLock(int attempts, int sleepMs, const std::function<bool()>& done) {
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        if (attempt > 1)
            clock_.sleepMs(sleepMs);
        const LivenessLock::Hold hold(lock_);
        if (done())
            return true;
    }
    return false;
}

int Liveness::exitCodeOf(CloseOutcome outcome) {
    switch (outcome) {
    case CloseOutcome::NotRunning:
    case CloseOutcome::Ended:
        return 0;
    case CloseOutcome::NoAnswer:
        return 1;
    case CloseOutcome::EndedUnsaved:
    case CloseOutcome::EndedUntold:
        return 2;
    }
    return 1;
}

int Liveness::exitCodeOf(NextOutcome outcome) {
    switch (outcome) {
    case NextOutcome::Made:
    case NextOutcome::Taken:
    case NextOutcome::Changed:
        return 0;
    case NextOutcome::Unchanged:
    case NextOutcome::EndedFirst:
    case NextOutcome::NoAnswer:
    case NextOutcome::NotAsked:
        return 1;
    }
    return 1;
}

QString Liveness::describe(NextOutcome outcome) {
    switch (outcome) {
    case NextOutcome::Made:
    case NextOutcome::Taken:
    case NextOutcome::Changed:
        return {};
    case NextOutcome::Unchanged:
        return QCoreApplication::translate("kv::Liveness",
                                           "Kestrovaline is running but could not change the "
                                           "wallpaper.");
    case NextOutcome::EndedFirst:
        return QCoreApplication::translate("kv::Liveness",
                                           "Kestrovaline ended before it said whether the "
                                           "wallpaper changed.");
    case NextOutcome::NoAnswer:
        return QCoreApplication::translate(
            "kv::Liveness", "Kestrovaline is running but did not change the wallpaper in time.");
    case NextOutcome::NotAsked:
        return QCoreApplication::translate(
            "kv::Liveness", "Kestrovaline is running but could not be asked: the request could "
                            "not be stored in its session folder, which may be full.");
    }
    return {};
}

QString Liveness::describe(CloseOutcome outcome) {
    switch (outcome) {
    case CloseOutcome::NotRunning:
        return QCoreApplication::translate(
            "kv::Liveness", "Kestrovaline is not running: there was nothing to close.");
    case CloseOutcome::Ended:
        return QCoreApplication::translate("kv::Liveness",
                                           "Kestrovaline saved its settings and ended.");
    case CloseOutcome::EndedUnsaved:
        return QCoreApplication::translate("kv::Liveness",
                                           "Kestrovaline ended, but its settings could not be "
                                           "saved; its own report says why.");
    case CloseOutcome::EndedUntold:
        return QCoreApplication::translate(
            "kv::Liveness", "Kestrovaline ended before it said whether its settings were saved.");
    case CloseOutcome::NoAnswer:
        return QCoreApplication::translate("kv::Liveness",
                                           "Kestrovaline is running but did not end in time.");
    }
    return {};
}

Liveness::Command Liveness::tick(bool restored, bool passingThrough) {
    // Files cleaned away under this copy are made anew, so that starts still find it.
    lock_.followPath();
    const LivenessLock::Hold hold(lock_);
    if (running_)
        running_->followPath();
    const Settings::HeartbeatUpdate update(settings_);
    writeHeartbeat();
    const qint32 command = settings_.ReadSetting(kLifeCmd, 0);
    // A copy passing through would drop a show or a change: both wait for the copy that serves
    // them, and the start that asked for them for this one's end. A change before the collection
    // is restored would have nothing to change to.
    const bool taken = command == kClose || (command == kShow && !passingThrough) ||
                       (command == kChange && restored && !passingThrough);
    if (!taken)
        return Command::None;
    settings_.WriteSetting(kLifeCmd, 0);
    if (command == kChange)
        settings_.WriteSetting(kLifeChanged, kChanging);
    return static_cast<Command>(command);
}

void Liveness::markChanged(bool changed) {
    const LivenessLock::Hold hold(lock_);
    settings_.WriteSetting(kLifeChanged, changed ? 1 : 0);
}

void Liveness::markEnding(bool ending) {
    const LivenessLock::Hold hold(lock_);
    settings_.WriteSetting(kLifeEnding, ending ? 1 : 0);
}

void Liveness::markEnded(bool saved) {
    const LivenessLock::Hold hold(lock_);
    settings_.WriteSetting(kLifeSaved, saved ? 1 : 0);
    // A copy that never became the running one leaves the running copy's heartbeat alone.
    if (!running_ || !running_->heldElsewhere())
        settings_.WriteSetting(kLifeTime, 0);
    // Let go together with the 0, under the queue lock: a start right after a "-close" takes
    // the lock over instead of finding it still held by a copy on its way out.
    if (running_)
        running_->letGo();
}

} // namespace kv
