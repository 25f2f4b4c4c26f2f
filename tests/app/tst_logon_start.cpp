// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LogonStart.h"
#include "engine/Options.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using kv::LogonStart;
using Outcome = LogonStart::Outcome;
Q_DECLARE_METATYPE(Outcome)

namespace {

const QByteArray kOurs = LogonStart(QString(), QStringLiteral("kestrovaline")).entryText();
const QByteArray kSwitchedOff = QByteArray(kOurs).replace("enabled=true", "enabled=false");
const QByteArray kHidden = kOurs + "Hidden=true\n";
const QByteArray kNone; // no entry at all

} // namespace

class TestLogonStart : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void followsTheOptions_data() {
        QTest::addColumn<int>("automatic");
        QTest::addColumn<int>("autoStart");
        QTest::addColumn<bool>("forgets");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QByteArray>("after");

        const auto row = [](const char* name, int automatic, int autoStart, bool forgets,
                            const QByteArray& before, Outcome outcome, const QByteArray& after) {
            QTest::newRow(name) << automatic << autoStart << forgets << before << outcome << after;
        };
        using enum Outcome;
        row("manual mode, nothing to do", 0, 0, false, kNone, Unchanged, kNone);
        row("automatic change", 1, 0, false, kNone, Written, kOurs);
        row("autostart in manual mode", 0, 1, false, kNone, Written, kOurs);
        row("desktop forgets its wallpaper", 0, 0, true, kNone, Written, kOurs);
        row("no longer wanted", 0, 0, false, kOurs, Removed, kNone);
        row("still wanted", 1, 1, false, kOurs, Unchanged, kOurs);
        row("stale entry of a moved program", 1, 0, false,
            QByteArray(kOurs).replace("Exec=", "Exec=/old/"), Written, kOurs);
        row("hidden by the user", 1, 0, false, kHidden, LeftToUser, kHidden);
        row("hidden, and no longer wanted", 0, 0, false, kHidden, LeftToUser, kHidden);
        row("switched off in the GNOME way", 0, 1, false, kSwitchedOff, LeftToUser, kSwitchedOff);
        row("hidden only in another group", 1, 0, false,
            kOurs + "[Desktop Action Other]\nHidden=true\n", Written, kOurs);
        row("shown again by the user", 1, 0, false, kOurs + "Hidden=false\n", Written, kOurs);
    }
    void followsTheOptions() {
        QFETCH(int, automatic);
        QFETCH(int, autoStart);
        QFETCH(bool, forgets);
        QFETCH(QByteArray, before);
        QFETCH(Outcome, outcome);
        QFETCH(QByteArray, after);

        const QTemporaryDir home;
        const LogonStart logonStart(home.filePath(QStringLiteral("autostart")),
                                    QStringLiteral("kestrovaline"));
        QFile file(logonStart.filePath());
        if (!before.isNull()) {
            QDir().mkpath(home.filePath(QStringLiteral("autostart")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(before);
            file.close();
        }
        kv::Options options;
        options.Automatic = automatic;
        options.AutoStart = autoStart;
        QCOMPARE(logonStart.Update(LogonStart::IsWanted(options, forgets)), outcome);
        QCOMPARE(file.exists(), !after.isNull());
        if (!after.isNull()) {
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), after);
        }
    }

    // A program outside the PATH is named in full, quoted as desktop entries want it.
    void execLine_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("exec");
        const auto row = [](const char* name, const char* program, const char* exec) {
            QTest::newRow(name) << QString::fromUtf8(program) << QByteArray(exec);
        };
        row("on the PATH", "kestrovaline", "Exec=kestrovaline -logon");
        row("plain path", "/opt/kv/kestrovaline", "Exec=/opt/kv/kestrovaline -logon");
        row("space", "/opt/My Programs/kestrovaline",
            "Exec=\"/opt/My Programs/kestrovaline\" -logon");
        row("shell characters", "/opt/a$b\"c\\d/kestrovaline",
            "Exec=\"/opt/a\\\\$b\\\\\"c\\\\\\\\d/kestrovaline\" -logon");
        row("field code", "/opt/100%u/kestrovaline", "Exec=/opt/100%%u/kestrovaline -logon");
        row("line break", "/opt/a\nExec=rm/kestrovaline", "Exec=kestrovaline -logon");
    }
    void execLine() {
        QFETCH(QString, program);
        QFETCH(QByteArray, exec);
        const QList<QByteArray> lines = LogonStart(QString(), program).entryText().split('\n');
        QVERIFY(lines.contains(exec));
        // Exec and TryExec, nothing slipped in.
        QCOMPARE(std::count_if(lines.begin(), lines.end(),
                               [](const QByteArray& line) { return line.contains("Exec="); }),
                 2);
    }
};

QTEST_GUILESS_MAIN(TestLogonStart)
#include "tst_logon_start.moc"
