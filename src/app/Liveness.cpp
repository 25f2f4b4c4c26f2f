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
    {
        const LivenessLock::Hold hold(lock_);
        if (anotherCopyRuns()) {
            settings_.WriteSetting(kLifeCmd, commandLine.isNext() ? 3 : 2);
            if (!commandLine.isNext())
                return Verdict::EndNow;
        } else {
            return takeOver();
        }
    }
    if (commandTaken())
        return Verdict::EndNow;
    const LivenessLock::Hold hold(lock_);
    // Taken at the last moment; or the copy is busy past the wait (a slow desktop can keep it
    // that long) and still runs: the change stays pending for it, as a second copy beside it
    // would wipe its edits.
    if (settings_.ReadSetting(kLifeCmd, 0) == 0 || (running_ && running_->heldElsewhere()))
        return Verdict::EndNow;
    return takeOver();
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

Liveness::Verdict Liveness::takeOver() {
    // This copy takes over: a command still pending was meant for a copy that is gone.
    if (settings_.ReadSetting(kLifeCmd, 0) != 0)
        settings_.WriteSetting(kLifeCmd, 0);
    writeHeartbeat();
    // Held by a copy that did not take a "-next" in time, the lock stays that copy's.
    if (running_)
        running_->holdIfFree();
    return Verdict::GoOn;
}

bool Liveness::commandTaken() {
    for (int attempt = 1; attempt <= kCloseWaitAttempts; ++attempt) {
        if (settings_.ReadSetting(kLifeCmd, 0) == 0)
            return true;
        clock_.sleepMs(1);
    }
    return false;
}

Liveness::CloseOutcome Liveness::requestClose() {
    {
        const LivenessLock::Hold hold(lock_);
        // A heartbeat that stopped long ago without its lock is a copy that was killed: nobody
        // would answer.
        if (!anotherCopyRuns())
            return CloseOutcome::NotRunning;
        settings_.WriteSetting(kLifeSaved, QString());
        settings_.WriteSetting(kLifeCmd, 1);
    }
    if (!waitForHeartbeat(kCloseWaitAttempts, 1, true)) {
        const LivenessLock::Hold hold(lock_);
        if (settings_.ReadSetting(kLifeCmd, 0) == 1) {
            // Nobody took it: a command left behind would be met by the next start.
            settings_.WriteSetting(kLifeCmd, 0);
            return CloseOutcome::NoAnswer;
        }
    }
    // The command was taken: the copy is saving, which may take a while on a busy store.
    if (settings_.ReadSetting(kLifeTime, 0.0) != 0 &&
        !waitForHeartbeat(kEndWaitAttempts, kEndWaitSleepMs, false))
        return CloseOutcome::NoAnswer;
    return settings_.ReadSetting(kLifeSaved, 1) == 0 ? CloseOutcome::EndedUnsaved
                                                     : CloseOutcome::Ended;
}

// True once the heartbeat reads 0 or, with untilTaken, once the close command is taken.
bool Liveness::waitForHeartbeat(int attempts, int sleepMs, bool untilTaken) {
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        if (settings_.ReadSetting(kLifeTime, 0.0) == 0)
            return true;
        if (untilTaken && settings_.ReadSetting(kLifeCmd, 0) != 1)
            return true;
        clock_.sleepMs(sleepMs);
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
        return 2;
    }
    return 1;
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
    case CloseOutcome::NoAnswer:
        return QCoreApplication::translate("kv::Liveness",
                                           "Kestrovaline is running but did not end in time.");
    }
    return {};
}

Liveness::Command Liveness::tick(bool restored) {
    const LivenessLock::Hold hold(lock_);
    const Settings::HeartbeatUpdate update(settings_);
    writeHeartbeat();
    const qint32 command = settings_.ReadSetting(kLifeCmd, 0);
    if (command == 1) {
        settings_.WriteSetting(kLifeCmd, 0);
        return Command::SaveAndExit;
    }
    if (command == 2) {
        settings_.WriteSetting(kLifeCmd, 0);
        return Command::ShowWindow;
    }
    // A change before the collection is restored would have nothing to change to.
    if (command == 3 && restored) {
        settings_.WriteSetting(kLifeCmd, 0);
        return Command::ChangeWallpaper;
    }
    return Command::None;
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
