// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Liveness.h"

#include "engine/Clock.h"
#include "settings/Settings.h"

namespace kv {
namespace {

const QString kLifeTime = QStringLiteral("LifeTime");
const QString kLifeCmd = QStringLiteral("LifeCmd");
constexpr double kSecondsPerDay = 86400.0;

} // namespace

Liveness::Liveness(Settings& settings, Clock& clock) : settings_(settings), clock_(clock) {}

double Liveness::ageSeconds(double heartbeat, double now) {
    double age = now - heartbeat;
    if (age < 0)
        age += kSecondsPerDay;
    return age;
}

Liveness::Verdict Liveness::check(const CommandLine& commandLine) {
    const double last = settings_.ReadSetting(kLifeTime, 0.0);
    if (commandLine.isClose()) {
        if (last != 0)
            requestClose();
        return Verdict::EndNow;
    }
    const double now = secondsSinceMidnight(clock_.now());
    const double age = ageSeconds(last, now);
    const bool running = last != 0 && age > 0 && age < kFreshSeconds;
    if (commandLine.isNext()) {
        if (!running)
            return Verdict::GoOn;
        settings_.WriteSetting(kLifeCmd, 3);
        return commandTaken() ? Verdict::EndNow : Verdict::GoOn;
    }
    if (running) {
        settings_.WriteSetting(kLifeCmd, 2);
        return Verdict::EndNow;
    }
    return Verdict::GoOn;
}

bool Liveness::commandTaken() {
    for (int attempt = 1; attempt <= kCloseWaitAttempts; ++attempt) {
        if (settings_.ReadSetting(kLifeCmd, 0) == 0)
            return true;
        clock_.sleepMs(1);
    }
    settings_.WriteSetting(kLifeCmd, 0);
    return false;
}

void Liveness::requestClose() {
    settings_.WriteSetting(kLifeCmd, 1);
    for (int attempt = 1; attempt <= kCloseWaitAttempts; ++attempt) {
        if (settings_.ReadSetting(kLifeTime, 0.0) == 0)
            return;
        clock_.sleepMs(1);
    }
    // Nobody answered: a command left behind would be met by the next start.
    settings_.WriteSetting(kLifeCmd, 0);
}

Liveness::Command Liveness::tick(bool stateRestored) {
    // 0 means "ended": a beat at the very first instant of the day is written just after it.
    settings_.WriteSetting(kLifeTime, qMax(secondsSinceMidnight(clock_.now()), 0.01));
    const qint32 command = settings_.ReadSetting(kLifeCmd, 0);
    if (command == 1) {
        settings_.WriteSetting(kLifeCmd, 0);
        return stateRestored ? Command::SaveAndExit : Command::None;
    }
    if (command == 2) {
        settings_.WriteSetting(kLifeCmd, 0);
        return Command::ShowWindow;
    }
    // A change before the collection is restored would have nothing to change to: it waits
    // for the next tick.
    if (command == 3 && stateRestored) {
        settings_.WriteSetting(kLifeCmd, 0);
        return Command::ChangeWallpaper;
    }
    return Command::None;
}

void Liveness::markEnded() {
    settings_.WriteSetting(kLifeTime, 0);
}

} // namespace kv
