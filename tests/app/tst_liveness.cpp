// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Liveness.h"
#include "settings/Settings.h"
#include "settings/SqliteSettingsStore.h"
#include "support/ManualClock.h"

#include <QTemporaryDir>
#include <QTest>

using kv::CommandLine;
using kv::Liveness;
using kv::Settings;
using kv::test::ManualClock;

Q_DECLARE_METATYPE(Liveness::Verdict)
Q_DECLARE_METATYPE(Liveness::Command)
Q_DECLARE_METATYPE(Liveness::CloseOutcome)

namespace {

QDateTime at(const QString& time) {
    return QDateTime(QDate(2026, 12, 6), QTime::fromString(time, QStringLiteral("HH:mm:ss.zzz")));
}

} // namespace

class TestLiveness : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<kv::SqliteSettingsStore> persistent_;
    std::unique_ptr<kv::SqliteSettingsStore> volatile_;
    std::unique_ptr<Settings> settings_;

private Q_SLOTS:
    void init() {
        settings_.reset();
        persistent_ = kv::SqliteSettingsStore::open(QString());
        volatile_ = kv::SqliteSettingsStore::open(QString());
        settings_ = std::make_unique<Settings>(*persistent_, volatile_.get());
        settings_->SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
    }

    void normalStart_data() {
        QTest::addColumn<QString>("heartbeat");
        QTest::addColumn<QString>("pending");
        QTest::addColumn<QString>("now");
        QTest::addColumn<Liveness::Verdict>("verdict");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<bool>("answered"); // a running copy takes a command at its next tick
        const auto goOn = Liveness::Verdict::GoOn;
        const auto endNow = Liveness::Verdict::EndNow;
        QTest::newRow("no copy ever ran") << ""
                                          << ""
                                          << "12:00:00.000" << goOn << ""
                                          << "" << false;
        QTest::newRow("copy ended") << "0"
                                    << ""
                                    << "12:00:00.000" << goOn << ""
                                    << "" << false;
        QTest::newRow("fresh") << "43195.5"
                               << ""
                               << "12:00:00.000" << endNow << "2"
                               << "" << false;
        QTest::newRow("fresh, written with a comma") << "43195,5"
                                                     << ""
                                                     << "12:00:00.000" << endNow << "2"
                                                     << "" << false;
        QTest::newRow("ten seconds old") << "43190"
                                         << ""
                                         << "12:00:00.000" << goOn << ""
                                         << "" << false;
        QTest::newRow("killed a minute ago") << "43140"
                                             << ""
                                             << "12:00:00.000" << goOn << ""
                                             << "" << false;
        QTest::newRow("same instant") << "43200"
                                      << ""
                                      << "12:00:00.000" << endNow << "2"
                                      << "" << false;
        QTest::newRow("rounded up a little ahead") << "43200.01"
                                                   << ""
                                                   << "12:00:00.004" << endNow << "2"
                                                   << "" << false;
        QTest::newRow("more than a second ahead is yesterday's") << "43202"
                                                                 << ""
                                                                 << "12:00:00.000" << goOn << ""
                                                                 << "" << false;
        QTest::newRow("across midnight") << "86398"
                                         << ""
                                         << "00:00:03.000" << endNow << "2"
                                         << "" << false;
        QTest::newRow("across midnight, stale") << "86380"
                                                << ""
                                                << "00:00:03.000" << goOn << ""
                                                << "" << false;
        QTest::newRow("hand-edited text") << "soon"
                                          << ""
                                          << "12:00:00.000" << goOn << ""
                                          << "" << false;
        QTest::newRow("a close left for a copy that is gone") << "43100"
                                                              << "1"
                                                              << "12:00:00.000" << goOn << "0"
                                                              << "" << false;
        QTest::newRow("next, no copy") << "0"
                                       << ""
                                       << "12:00:00.000" << goOn << ""
                                       << "-next" << false;
        QTest::newRow("next, taken by the running copy") << "43195.5"
                                                         << ""
                                                         << "12:00:00.000" << endNow << "0"
                                                         << "-NEXT" << true;
        QTest::newRow("next, a fresh heartbeat but nobody takes it")
            << "43195.5"
            << ""
            << "12:00:00.000" << goOn << "0"
            << "-next" << false;
    }
    void normalStart() {
        QFETCH(QString, heartbeat);
        QFETCH(QString, pending);
        QFETCH(QString, now);
        QFETCH(Liveness::Verdict, verdict);
        QFETCH(QString, command);
        QFETCH(QString, arguments);
        QFETCH(bool, answered);
        if (!heartbeat.isEmpty())
            settings_->WriteSetting(QStringLiteral("LifeTime"), heartbeat);
        if (!pending.isEmpty())
            settings_->WriteSetting(QStringLiteral("LifeCmd"), pending);
        ManualClock clock(at(now));
        clock.onSleep([&](int sleeps) {
            if (answered && sleeps == 500) {
                QCOMPARE(settings_->ReadSetting(QStringLiteral("LifeCmd"), 0), 3);
                settings_->WriteSetting(QStringLiteral("LifeCmd"), 0);
            }
        });
        Liveness liveness(*settings_, clock, dir_.filePath(QStringLiteral("liveness.lock")));
        QCOMPARE(liveness.check(CommandLine::parse(arguments.split(' ', Qt::SkipEmptyParts))),
                 verdict);
        QCOMPARE(settings_->ReadSetting(QStringLiteral("LifeCmd"), ""), command);
        // A start that goes on has written its heartbeat before anything else.
        const double written = settings_->ReadSetting(QStringLiteral("LifeTime"), 0.0);
        if (verdict == Liveness::Verdict::GoOn)
            QCOMPARE(written, kv::secondsSinceMidnight(clock.now()));
    }

    // The running copy's side of a close is scripted by the sleeps of the closing copy.
    void close_data() {
        QTest::addColumn<QString>("heartbeat");
        QTest::addColumn<int>("takenAt");
        QTest::addColumn<int>("endedAt");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<Liveness::CloseOutcome>("outcome");
        QTest::addColumn<int>("sleeps");
        QTest::addColumn<QString>("command");
        using Outcome = Liveness::CloseOutcome;
        QTest::newRow("no copy ever ran")
            << "" << -1 << -1 << true << Outcome::NotRunning << 0 << "";
        QTest::newRow("a killed copy's old heartbeat")
            << "43100" << -1 << -1 << true << Outcome::NotRunning << 0 << "";
        QTest::newRow("the copy saves and ends")
            << "43199.5" << 700 << 700 << true << Outcome::Ended << 700 << "0";
        QTest::newRow("the copy takes long to save")
            << "43199.5" << 700 << 3500 << true << Outcome::Ended << 3500 << "0";
        QTest::newRow("the copy's save failed")
            << "43199.5" << 5 << 6 << false << Outcome::EndedUnsaved << 6 << "0";
        QTest::newRow("nobody answers") << "43199.5" << -1 << -1 << true << Outcome::NoAnswer
                                        << Liveness::kCloseWaitAttempts << "0";
        QTest::newRow("taken, never ended") << "43199.5" << 10 << -1 << true << Outcome::NoAnswer
                                            << 10 + Liveness::kEndWaitAttempts << "0";
    }
    void close() {
        QFETCH(QString, heartbeat);
        QFETCH(int, takenAt);
        QFETCH(int, endedAt);
        QFETCH(bool, saved);
        QFETCH(Liveness::CloseOutcome, outcome);
        QFETCH(int, sleeps);
        QFETCH(QString, command);
        if (!heartbeat.isEmpty())
            settings_->WriteSetting(QStringLiteral("LifeTime"), heartbeat);
        ManualClock clock(at(QStringLiteral("12:00:00.000")));
        Liveness running(*settings_, clock);
        clock.onSleep([&](int slept) {
            if (slept == takenAt)
                QCOMPARE(running.tick(), Liveness::Command::SaveAndExit);
            if (slept == endedAt)
                running.markEnded(saved);
        });
        Liveness liveness(*settings_, clock);
        QCOMPARE(liveness.check(CommandLine::parse({QStringLiteral("-CLOSE")})),
                 Liveness::Verdict::EndNow);
        QCOMPARE(liveness.closeOutcome(), outcome);
        QCOMPARE(clock.sleeps(), sleeps);
        QCOMPARE(volatile_->readText(settings_->settingsKey(), QStringLiteral("LifeCmd")), command);
    }

    void tick_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<Liveness::Command>("action");
        QTest::addColumn<QString>("commandAfter");
        QTest::addColumn<bool>("restored");
        QTest::newRow("nothing pending") << "0" << Liveness::Command::None << "0" << true;
        QTest::newRow("close") << "1" << Liveness::Command::SaveAndExit << "0" << false;
        QTest::newRow("show") << "2" << Liveness::Command::ShowWindow << "0" << false;
        QTest::newRow("change now") << "3" << Liveness::Command::ChangeWallpaper << "0" << true;
        QTest::newRow("change before restore waits for the next tick")
            << "3" << Liveness::Command::None << "3" << false;
        QTest::newRow("unknown is left alone") << "7" << Liveness::Command::None << "7" << true;
        QTest::newRow("garbage is left alone") << "x" << Liveness::Command::None << "x" << true;
    }
    void tick() {
        QFETCH(QString, command);
        QFETCH(Liveness::Command, action);
        QFETCH(QString, commandAfter);
        QFETCH(bool, restored);
        settings_->WriteSetting(QStringLiteral("LifeCmd"), command);
        ManualClock clock(at(QStringLiteral("10:20:30.250")));
        Liveness liveness(*settings_, clock);
        QCOMPARE(liveness.tick(restored), action);
        QCOMPARE(settings_->ReadSetting(QStringLiteral("LifeCmd"), ""), commandAfter);
        QCOMPARE(settings_->ReadSetting(QStringLiteral("LifeTime"), ""),
                 QStringLiteral("37230.25"));
    }

    void heartbeatAtMidnightStillMeansRunning() {
        ManualClock clock(at(QStringLiteral("00:00:00.000")));
        Liveness liveness(*settings_, clock);
        liveness.tick();
        QVERIFY(settings_->ReadSetting(QStringLiteral("LifeTime"), 0.0) != 0.0);
        liveness.markEnded();
        QCOMPARE(settings_->ReadSetting(QStringLiteral("LifeTime"), ""), QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(TestLiveness)
#include "tst_liveness.moc"
