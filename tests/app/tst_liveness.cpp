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
        const auto row = [](const char* name, const char* heartbeat, bool endsNow,
                            const char* command = "", const char* arguments = "",
                            const char* now = "12:00:00.000", const char* pending = "") {
            QTest::newRow(name) << QString::fromLatin1(heartbeat) << endsNow
                                << QString::fromLatin1(command) << QString::fromLatin1(arguments)
                                << QString::fromLatin1(now) << QString::fromLatin1(pending);
        };
        row("copy ended", "0", false);
        row("fresh", "43195.5", true, "2");
        row("fresh, written with a comma", "43195,5", true, "2");
        row("rounded up a little ahead", "43200.01", true, "2", "", "12:00:00.004");
        row("more than a second ahead is yesterday's", "43202", false);
        row("across midnight", "86398", true, "2", "", "00:00:03.000");
        row("hand-edited text", "soon", false);
        row("a close left for a copy that is gone", "43100", false, "0", "", "12:00:00.000", "1");
        row("next, taken by the running copy", "43195.5", true, "0", "-NEXT");
        row("next, a fresh heartbeat but nobody takes it", "43195.5", false, "0", "-Next");
    }
    void normalStart() {
        QFETCH(QString, heartbeat);
        QFETCH(bool, endsNow);
        QFETCH(QString, command);
        QFETCH(QString, arguments);
        QFETCH(QString, now);
        QFETCH(QString, pending);
        // A "-next" that ends this start was taken by the running copy at its next tick.
        const bool answered = endsNow && !arguments.isEmpty();
        const auto verdict = endsNow ? Liveness::Verdict::EndNow : Liveness::Verdict::GoOn;
        if (!heartbeat.isEmpty())
            settings_->WriteSetting(QStringLiteral("LifeTime"), heartbeat);
        if (!pending.isEmpty())
            settings_->WriteSetting(QStringLiteral("LifeCmd"), pending);
        ManualClock clock(QDateTime(QDate(2026, 12, 6), QTime::fromString(now, "HH:mm:ss.zzz")));
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
};

QTEST_GUILESS_MAIN(TestLiveness)
#include "tst_liveness.moc"
