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
        QTest::addColumn<bool>("endsNow");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("pending");
        QTest::addColumn<bool>("answered"); // a running copy takes a command at its next tick
        const auto row = [](const char* name, const char* heartbeat, bool endsNow,
                            const char* command = "", const char* arguments = "",
                            const char* now = "12:00:00.000", const char* pending = "",
                            bool answered = false) {
            QTest::newRow(name) << QString::fromLatin1(heartbeat) << endsNow
                                << QString::fromLatin1(command) << QString::fromLatin1(arguments)
                                << QString::fromLatin1(now) << QString::fromLatin1(pending)
                                << answered;
        };
        row("no copy ever ran", "", false);
        row("copy ended", "0", false);
        row("fresh", "43195.5", true, "2");
        row("fresh, written with a comma", "43195,5", true, "2");
        row("ten seconds old", "43190", false);
        row("killed a minute ago", "43140", false);
        row("same instant", "43200", true, "2");
        row("rounded up a little ahead", "43200.01", true, "2", "", "12:00:00.004");
        row("more than a second ahead is yesterday's", "43202", false);
        row("across midnight", "86398", true, "2", "", "00:00:03.000");
        row("across midnight, stale", "86380", false, "", "", "00:00:03.000");
        row("hand-edited text", "soon", false);
        row("a close left for a copy that is gone", "43100", false, "0", "", "12:00:00.000", "1");
        row("next, no copy", "0", false, "", "-next");
        row("next, taken by the running copy", "43195.5", true, "0", "-NEXT", "12:00:00.000", "",
            true);
        row("next, a fresh heartbeat but nobody takes it", "43195.5", false, "0", "-next");
    }
    void normalStart() {
        QFETCH(QString, heartbeat);
        QFETCH(bool, endsNow);
        QFETCH(QString, command);
        QFETCH(QString, arguments);
        QFETCH(QString, now);
        QFETCH(QString, pending);
        QFETCH(bool, answered);
        const auto verdict = endsNow ? Liveness::Verdict::EndNow : Liveness::Verdict::GoOn;
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
        const auto row = [](const char* name, const char* heartbeat, int takenAt, int endedAt,
                            bool saved, Outcome outcome, int sleeps, const char* command) {
            QTest::newRow(name) << QString::fromLatin1(heartbeat) << takenAt << endedAt << saved
                                << outcome << sleeps << QString::fromLatin1(command);
        };
        row("no copy ever ran", "", -1, -1, true, Outcome::NotRunning, 0, "");
        row("a killed copy's old heartbeat", "43100", -1, -1, true, Outcome::NotRunning, 0, "");
        row("the copy saves and ends", "43199.5", 700, 700, true, Outcome::Ended, 700, "0");
        row("the copy takes long to save", "43199.5", 700, 3500, true, Outcome::Ended, 3500, "0");
        row("the copy's save failed", "43199.5", 5, 6, false, Outcome::EndedUnsaved, 6, "0");
        row("nobody answers", "43199.5", -1, -1, true, Outcome::NoAnswer,
            Liveness::kCloseWaitAttempts, "0");
        row("taken, never ended", "43199.5", 10, -1, true, Outcome::NoAnswer,
            10 + Liveness::kEndWaitAttempts, "0");
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
