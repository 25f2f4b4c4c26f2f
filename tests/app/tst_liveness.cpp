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
        QTest::addColumn<QString>("now");
        QTest::addColumn<Liveness::Verdict>("verdict");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<bool>("answered"); // a running copy takes a command at its next tick
        const auto goOn = Liveness::Verdict::GoOn;
        const auto endNow = Liveness::Verdict::EndNow;
        QTest::newRow("no copy ever ran") << ""
                                          << "12:00:00.000" << goOn << ""
                                          << "" << false;
        QTest::newRow("copy ended") << "0"
                                    << "12:00:00.000" << goOn << ""
                                    << "" << false;
        QTest::newRow("fresh") << "43195.5"
                               << "12:00:00.000" << endNow << "2"
                               << "" << false;
        QTest::newRow("fresh, written with a comma") << "43195,5"
                                                     << "12:00:00.000" << endNow << "2"
                                                     << "" << false;
        QTest::newRow("ten seconds old") << "43190"
                                         << "12:00:00.000" << goOn << ""
                                         << "" << false;
        QTest::newRow("killed a minute ago") << "43140"
                                             << "12:00:00.000" << goOn << ""
                                             << "" << false;
        QTest::newRow("same instant") << "43200"
                                      << "12:00:00.000" << goOn << ""
                                      << "" << false;
        QTest::newRow("across midnight") << "86398"
                                         << "00:00:03.000" << endNow << "2"
                                         << "" << false;
        QTest::newRow("across midnight, stale") << "86380"
                                                << "00:00:03.000" << goOn << ""
                                                << "" << false;
        QTest::newRow("hand-edited text") << "soon"
                                          << "12:00:00.000" << goOn << ""
                                          << "" << false;
        // "-next": the running copy changes the wallpaper; without one this start does.
        QTest::newRow("next, no copy") << "0"
                                       << "12:00:00.000" << goOn << ""
                                       << "-next" << false;
        QTest::newRow("next, taken by the running copy") << "43195.5"
                                                         << "12:00:00.000" << endNow << "0"
                                                         << "-NEXT" << true;
        QTest::newRow("next, a fresh heartbeat but nobody takes it")
            << "43195.5"
            << "12:00:00.000" << goOn << "0"
            << "-next" << false;
    }
    void normalStart() {
        QFETCH(QString, heartbeat);
        QFETCH(QString, now);
        QFETCH(Liveness::Verdict, verdict);
        QFETCH(QString, command);
        QFETCH(QString, arguments);
        QFETCH(bool, answered);
        if (!heartbeat.isEmpty())
            settings_->WriteSetting(QStringLiteral("LifeTime"), heartbeat);
        ManualClock clock(at(now));
        clock.onSleep([&](int sleeps) {
            if (answered && sleeps == 500) {
                QCOMPARE(settings_->ReadSetting(QStringLiteral("LifeCmd"), 0), 3);
                settings_->WriteSetting(QStringLiteral("LifeCmd"), 0);
            }
        });
        Liveness liveness(*settings_, clock);
        QCOMPARE(liveness.check(CommandLine::parse(arguments.split(' ', Qt::SkipEmptyParts))),
                 verdict);
        QCOMPARE(settings_->ReadSetting(QStringLiteral("LifeCmd"), ""), command);
    }

    void closeWithNoCopyWritesNothing() {
        ManualClock clock(at(QStringLiteral("12:00:00.000")));
        Liveness liveness(*settings_, clock);
        QCOMPARE(liveness.check(CommandLine::parse({QStringLiteral("-close")})),
                 Liveness::Verdict::EndNow);
        QCOMPARE(volatile_->readText(settings_->settingsKey(), QStringLiteral("LifeCmd")),
                 QString());
        QCOMPARE(clock.sleeps(), 0);
    }

    void closeWaitsForTheRunningCopy() {
        settings_->WriteSetting(QStringLiteral("LifeTime"), 43199.5);
        ManualClock clock(at(QStringLiteral("12:00:00.000")));
        // The running copy sees the command at its next tick and ends.
        clock.onSleep([this](int sleeps) {
            if (sleeps == 700) {
                QCOMPARE(settings_->ReadSetting(QStringLiteral("LifeCmd"), 0), 1);
                settings_->WriteSetting(QStringLiteral("LifeCmd"), 0);
                settings_->WriteSetting(QStringLiteral("LifeTime"), 0);
            }
        });
        Liveness liveness(*settings_, clock);
        QCOMPARE(liveness.check(CommandLine::parse({QStringLiteral("-CLOSE")})),
                 Liveness::Verdict::EndNow);
        QCOMPARE(clock.sleeps(), 700);
    }

    void closeThatNobodyAnswersGivesUpAndClearsItsCommand() {
        settings_->WriteSetting(QStringLiteral("LifeTime"), 43199.5);
        ManualClock clock(at(QStringLiteral("12:00:00.000")));
        Liveness liveness(*settings_, clock);
        QCOMPARE(liveness.check(CommandLine::parse({QStringLiteral("-close")})),
                 Liveness::Verdict::EndNow);
        QCOMPARE(clock.sleeps(), Liveness::kCloseWaitAttempts);
        QCOMPARE(settings_->ReadSetting(QStringLiteral("LifeCmd"), -1), 0);
    }

    void tick_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("restored");
        QTest::addColumn<Liveness::Command>("action");
        QTest::addColumn<QString>("commandAfter");
        QTest::newRow("nothing pending") << "0" << true << Liveness::Command::None << "0";
        QTest::newRow("close") << "1" << true << Liveness::Command::SaveAndExit << "0";
        QTest::newRow("close before restore is discarded")
            << "1" << false << Liveness::Command::None << "0";
        QTest::newRow("show") << "2" << false << Liveness::Command::ShowWindow << "0";
        QTest::newRow("change now") << "3" << true << Liveness::Command::ChangeWallpaper << "0";
        QTest::newRow("change before restore waits for the next tick")
            << "3" << false << Liveness::Command::None << "3";
        QTest::newRow("unknown is left alone") << "7" << true << Liveness::Command::None << "7";
        QTest::newRow("garbage is left alone") << "x" << true << Liveness::Command::None << "x";
    }
    void tick() {
        QFETCH(QString, command);
        QFETCH(bool, restored);
        QFETCH(Liveness::Command, action);
        QFETCH(QString, commandAfter);
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
        liveness.tick(true);
        QVERIFY(settings_->ReadSetting(QStringLiteral("LifeTime"), 0.0) != 0.0);
        liveness.markEnded();
        QCOMPARE(settings_->ReadSetting(QStringLiteral("LifeTime"), ""), QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(TestLiveness)
#include "tst_liveness.moc"
