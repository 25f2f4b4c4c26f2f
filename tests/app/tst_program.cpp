// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LogonStart.h"
#include "app/Program.h"
#include "support/FakeDesktop.h"
#include "support/MemorySettingsStore.h"
#include "support/ProgramHome.h"
#include "support/ProgramStores.h"
#include "support/ScriptedAskUser.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>

using namespace kv;
using Outcome = LogonStart::Outcome;
Q_DECLARE_METATYPE(Outcome)

namespace {

const QByteArray kOurs = LogonStart(QString(), QStringLiteral("kestrovaline")).entryText();
const QByteArray kSwitchedOff = QByteArray(kOurs).replace("enabled=true", "enabled=false");
const QByteArray kHidden = kOurs + "Hidden=true\n";
const QByteArray kNone; // no entry at all

} // namespace

// The program in one process, headless: start-up, the window, and the ways it ends or stays.
class TestProgram : public QObject {
    Q_OBJECT

    struct Running : test::ProgramStores {
        // The program may run on other settings, as one over a store that refuses to save.
        explicit Running(Settings* instead = nullptr) : used(instead ? *instead : settings) {}
        Settings& used;
        test::ScriptedAskUser askUser;
        int endCalls = 0;
        Program program{used, clock, [this] { ++endCalls; }, environment.root()};
        test::FakeDesktop desktop;
        MainWindow window;

        // A close command may arrive between the liveness check and the start.
        bool start(const QStringList& arguments = {}, const QString& commandAfterTheCheck = {}) {
            const CommandLine line = CommandLine::parse(arguments);
            if (!Program::settleLiveness(used, clock, line))
                return false;
            if (!commandAfterTheCheck.isEmpty())
                used.WriteSetting(QStringLiteral("LifeCmd"), commandAfterTheCheck);
            program.setDesktop(desktop);
            window.attach(program);
            return program.Form_Load(line, window, askUser);
        }
        QString stored(const QString& name) {
            return volatileStore->readText(settings.settingsKey(), name);
        }
        QString saved(const QString& name) {
            return persistent->readText(settings.settingsKey(), name);
        }
        // The three-colour collection and the given options, as a previous run left them.
        void storeCollection(const QList<std::pair<const char*, int>>& options) {
            settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
            for (const auto& [name, text] : test::threeColourCollection(environment.root()))
                settings.WriteSetting(name, text);
            for (const auto& [name, value] : options)
                settings.WriteSetting(QString::fromLatin1(name), value);
        }
        QString picture(const char* name) { return environment.root() + u'/' + name; }
    };

private Q_SLOTS:
    // The start-up report waits for the window to be drawn (the second tick) and names the
    // missing file. Closing or minimising only collapses the window; a left click on the icon
    // shows it again and a double click toggles it twice, changing nothing. Set shows the
    // selected entry.
    void reportWaitsForTheWindowWhichOnlyCollapses() {
        Running run;
        run.storeCollection({{"Automatic", 0}});
        QVERIFY(QFile::remove(run.picture("blue.bmp")));
        QVERIFY(run.start());
        run.program.InitTimer_Timer();
        QVERIFY(run.askUser.asked.isEmpty());
        run.program.InitTimer_Timer();
        QCOMPARE(run.askUser.asked.size(), 1);
        QCOMPARE(run.askUser.asked[0].kind, MessageKind::StartupReport);
        QVERIFY(run.askUser.asked[0].message.contains(QStringLiteral("'blue.bmp'")));
        run.window.close();
        QVERIFY(!run.window.isVisible());
        run.window.showWindow();
        run.window.setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(!run.window.isVisible());
        run.program.TrayIcon_MouseMove(Program::TrayClick::LeftPress);
        QVERIFY(run.window.isVisible() && !(run.window.windowState() & Qt::WindowMinimized));
        run.program.TrayIcon_MouseMove(Program::TrayClick::LeftPress);
        run.program.TrayIcon_MouseMove(Program::TrayClick::LeftDoubleClick);
        QVERIFY(run.window.isVisible());
        QVERIFY(!run.program.hasEnded());
        run.program.collection().SelectOnly(1);
        QTest::mouseClick(run.window.setButton(), Qt::LeftButton);
        QCOMPARE(run.desktop.wallpaperCalls, QStringList{run.picture("green.png")});
    }

    // How a logon start and a "-next" with no copy to take it go: the change they make, whether
    // the copy stays, the index saved, and the status.
    void startModes_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QList<int>>("options"); // Automatic, AutoPeriod, AutoStart, refused
        QTest::addColumn<bool>("changes");
        QTest::addColumn<bool>("stays");
        QTest::addColumn<QString>("savedIndex");
        const auto row = [](const char* name, const char* argument, QList<int> options,
                            bool changes, bool stays, const char* savedIndex) {
            QTest::newRow(name) << argument << options << changes << stays << savedIndex;
        };
        row("automatic logon mode changes", "-LOGON", {1, 0, 1, 0}, true, true, "1");
        row("automatic period mode waits", "-logon", {1, 1, 1, 0}, false, true, "0");
        row("manual mode stays resident", "-logon", {0, 0, 1, 0}, false, true, "0");
        row("next: one change, saved, then ends", "-next", {0, 0, 1, 0}, true, false, "1");
        row("next the desktop refuses: a failure", "-next", {0, 0, 1, 1}, false, false, "0");
    }
    void startModes() {
        QFETCH(QString, argument);
        QFETCH(QList<int>, options);
        QFETCH(bool, changes);
        QFETCH(bool, stays);
        QFETCH(QString, savedIndex);
        const int automatic = options[0];
        const int period = options[1];
        const bool refused = options[3] != 0;
        Running run;
        run.storeCollection({{"Automatic", automatic},
                             {"AutoLogon", period ? 0 : 1},
                             {"AutoPeriod", period},
                             {"AutoTime", 0},
                             {"AutoStart", options[2]}});
        if (refused)
            for (const char* name : {"red.bmp", "green.png", "blue.bmp"})
                run.desktop.refused.insert(run.picture(name));
        QCOMPARE(run.start({argument}), stays);
        if (!refused)
            QCOMPARE(run.desktop.wallpaperCalls,
                     changes ? QStringList{run.picture("green.png")} : QStringList{});
        QVERIFY(!run.window.isVisible());
        QCOMPARE(run.program.hasEnded(), !stays);
        // "-next" ends through the save and exit; an ending logon start saves nothing.
        QCOMPARE(run.endCalls, argument == "-next" ? 1 : 0);
        QCOMPARE(run.program.exitStatus(), refused ? 1 : 0);
        // A start that ends says so at once, so that the user's own start right after it runs.
        QCOMPARE(run.stored(QStringLiteral("LifeTime")), stays ? QStringLiteral("34200") : "0");
        QCOMPARE(run.program.lifeTimer().isActive(), stays);
        QCOMPARE(run.saved(QStringLiteral("WIndex")), savedIndex);
        if (changes)
            QCOMPARE(run.saved(QStringLiteral("AutoChangeTime")), QStringLiteral("09:30:00"));
        QCOMPARE(run.program.engine().ChangeTimer().isActive(), automatic != 0 && period != 0);
    }

    // What another copy asks through the volatile store: a close that arrives while this copy
    // starts is kept until the collection is restored, then obeyed, so the save holds the
    // collection; an end stops the heartbeat and says so.
    void commands_data() {
        QTest::addColumn<int>("during");
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("ends");
        QTest::newRow("close arriving during the start") << 1 << 0 << true;
        QTest::newRow("close while running") << 0 << 1 << true;
        QTest::newRow("show") << 0 << 2 << false;
        QTest::newRow("change") << 0 << 3 << false;
    }
    void commands() {
        QFETCH(int, during);
        QFETCH(int, after);
        QFETCH(bool, ends);
        Running run;
        run.storeCollection({{"Automatic", 0}});
        QCOMPARE(run.start({}, during ? QString::number(during) : QString()), during == 0);
        if (after != 0) {
            run.window.hideWindow();
            run.settings.WriteSetting(QStringLiteral("LifeCmd"), after);
            run.program.LifeTimer_Timer();
        }
        QCOMPARE(run.program.hasEnded(), ends);
        QCOMPARE(run.endCalls, ends ? 1 : 0);
        QCOMPARE(run.program.lifeTimer().isActive(), !ends);
        QCOMPARE(run.window.isVisible(), after == 2);
        QCOMPARE(run.saved(QStringLiteral("WMainX")).isEmpty(), !ends);
        QCOMPARE(run.stored(QStringLiteral("LifeCmd")), QStringLiteral("0"));
        QCOMPARE(run.stored(QStringLiteral("LifeTime")), ends ? "0" : QStringLiteral("34200"));
        QCOMPARE(run.desktop.wallpaperCalls.size(), after == 3 ? 1 : 0);
        QCOMPARE(run.program.collection().currentIndex(), after == 3 ? 1 : 0);
    }

    // With a change due, neither the collapse nor the exit changes the wallpaper or asks
    // anything but the exit question: saving only writes.
    void savingLeavesTheSchedulerAlone() {
        Running run;
        run.storeCollection(
            {{"Automatic", 1}, {"AutoLogon", 0}, {"AutoPeriod", 1}, {"AutoTime", 0}});
        // Days overdue: the start catches up with one change.
        run.settings.WriteSetting(QStringLiteral("AutoChangeDate"), QStringLiteral("2026-12-01"));
        QVERIFY(run.start());
        QCOMPARE(run.desktop.wallpaperCalls.size(), 1);
        run.program.options().options().AutoChangeDate = QDate(2026, 12, 1);
        run.program.HideTray_Click();
        run.askUser.setAnswer(1);
        run.program.Close_Click();
        QVERIFY(run.program.hasEnded());
        QCOMPARE(run.desktop.wallpaperCalls.size(), 1);
        QCOMPARE(run.askUser.asked.size(), 1);
        QCOMPARE(run.saved(QStringLiteral("WIndex")), QStringLiteral("1"));
        QCOMPARE(run.saved(QStringLiteral("AutoChangeDate")), QStringLiteral("2026-12-01"));
    }

    // A refused save is told in the window, and the exit command lets the user choose to leave
    // the session's changes behind; the exit status says they were lost.
    void aRefusedSaveIsReported() {
        test::MemorySettingsStore store;
        store.refusesBatches = true;
        Settings refusing(store);
        Running run(&refusing);
        QVERIFY(run.start());
        run.program.HideTray_Click();
        QCOMPARE(run.askUser.asked.size(), 1);
        QCOMPARE(run.askUser.asked[0].kind, MessageKind::StoreFailed);
        QVERIFY(!run.program.hasEnded());
        run.program.Close_Click();
        QCOMPARE(run.askUser.asked.size(), 3);
        QVERIFY(run.program.hasEnded());
        QCOMPARE(run.program.exitCode(), 2);
    }

    // The entry follows whether a logon start is wanted, and a user's own choice in it stays.
    void logonEntryFollowsTheOptions_data() {
        QTest::addColumn<bool>("wanted");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char* name, bool wanted, const QByteArray& before,
                            Outcome outcome, const QByteArray& after) {
            QTest::newRow(name) << wanted << before << outcome << after;
        };
        using enum Outcome;
        row("wanted, none", true, kNone, Written, kOurs);
        row("no longer wanted", false, kOurs, Removed, kNone);
        row("stale entry of a moved program", true,
            QByteArray(kOurs).replace("Exec=", "Exec=/old/"), Written, kOurs);
        row("hidden by the user", false, kHidden, LeftToUser, kHidden);
        row("switched off in the GNOME way", true, kSwitchedOff, LeftToUser, kSwitchedOff);
    }
    void logonEntryFollowsTheOptions() {
        QFETCH(bool, wanted);
        QFETCH(QByteArray, before);
        QFETCH(Outcome, outcome);
        QFETCH(QByteArray, after);
        const QTemporaryDir home;
        const LogonStart logonStart(home.filePath(QStringLiteral("autostart")),
                                    QStringLiteral("kestrovaline"));
        QFile file(logonStart.filePath());
        if (!before.isNull()) {
            QDir().mkpath(home.filePath(QStringLiteral("autostart")));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
            file.close();
        }
        QCOMPARE(logonStart.Update(wanted), outcome);
        QCOMPARE(file.exists(), !after.isNull());
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), after);
    }

    // A program outside the PATH is named in full, quoted as desktop entries want it.
    void logonEntryExecLine_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("exec");
        const auto row = [](const char* name, const char* program, const char* exec) {
            QTest::newRow(name) << QString::fromUtf8(program) << QByteArray(exec);
        };
        row("shell characters", "/opt/a$b\"c\\d/kestrovaline",
            "Exec=\"/opt/a\\\\$b\\\\\"c\\\\\\\\d/kestrovaline\" -logon");
        row("field code", "/opt/100%u/kestrovaline", "Exec=/opt/100%%u/kestrovaline -logon");
        row("line break", "/opt/a\nExec=rm/kestrovaline", "Exec=kestrovaline -logon");
    }
    void logonEntryExecLine() {
        QFETCH(QString, program);
        QFETCH(QByteArray, exec);
        const QByteArray text = LogonStart(QString(), program).entryText();
        QVERIFY(text.split('\n').contains(exec));
        QCOMPARE(text.count("Exec="), 2); // Exec and TryExec, nothing slipped in
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
