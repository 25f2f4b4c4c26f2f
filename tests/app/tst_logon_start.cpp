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

        QTest::newRow("manual mode, nothing to do")
            << 0 << 0 << false << kNone << Outcome::Unchanged << kNone;
        QTest::newRow("automatic change") << 1 << 0 << false << kNone << Outcome::Written << kOurs;
        QTest::newRow("autostart in manual mode")
            << 0 << 1 << false << kNone << Outcome::Written << kOurs;
        QTest::newRow("desktop forgets its wallpaper")
            << 0 << 0 << true << kNone << Outcome::Written << kOurs;
        QTest::newRow("no longer wanted") << 0 << 0 << false << kOurs << Outcome::Removed << kNone;
        QTest::newRow("still wanted") << 1 << 1 << false << kOurs << Outcome::Unchanged << kOurs;
        QTest::newRow("stale entry of a moved program")
            << 1 << 0 << false << QByteArray(kOurs).replace("Exec=", "Exec=/old/")
            << Outcome::Written << kOurs;
        QTest::newRow("hidden by the user")
            << 1 << 0 << false << kHidden << Outcome::LeftToUser << kHidden;
        QTest::newRow("hidden, and no longer wanted")
            << 0 << 0 << false << kHidden << Outcome::LeftToUser << kHidden;
        QTest::newRow("switched off in the GNOME way")
            << 0 << 1 << false << kSwitchedOff << Outcome::LeftToUser << kSwitchedOff;
        QTest::newRow("hidden only in another group")
            << 1 << 0 << false << kOurs + "[Desktop Action Other]\nHidden=true\n"
            << Outcome::Written << kOurs;
        QTest::newRow("shown again by the user") << 1 << 0 << false << kOurs + "Hidden=false\n"
                                                 << Outcome::Written << kOurs;
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
        QTest::newRow("on the PATH") << "kestrovaline" << QByteArray("Exec=kestrovaline -logon");
        QTest::newRow("plain path")
            << "/opt/kv/kestrovaline" << QByteArray("Exec=/opt/kv/kestrovaline -logon");
        QTest::newRow("space") << "/opt/My Programs/kestrovaline"
                               << QByteArray("Exec=\"/opt/My Programs/kestrovaline\" -logon");
        QTest::newRow("shell characters")
            << "/opt/a$b\"c\\d/kestrovaline"
            << QByteArray("Exec=\"/opt/a\\\\$b\\\\\"c\\\\\\\\d/kestrovaline\" -logon");
        QTest::newRow("field code")
            << "/opt/100%u/kestrovaline" << QByteArray("Exec=/opt/100%%u/kestrovaline -logon");
        QTest::newRow("line break")
            << "/opt/a\nExec=rm/kestrovaline" << QByteArray("Exec=kestrovaline -logon");
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
