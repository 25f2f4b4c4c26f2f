// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Program.h"
#include "support/FakeDesktop.h"
#include "support/MemorySettingsStore.h"
#include "support/PictureFiles.h"
#include "support/ProgramStores.h"
#include "support/ScriptedAskUser.h"
#include "ui/main/CollectionView.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

Q_DECLARE_METATYPE(kv::Program::TrayClick)

// The program in one process, headless: start-up, the window, and the ways it ends or stays.
class TestProgram : public QObject {
    Q_OBJECT

    struct Running : test::ProgramStores {
        test::ScriptedAskUser askUser;
        int endCalls = 0;
        Program program{settings, clock, [this] { ++endCalls; }, environment.root()};
        test::FakeDesktop desktop;
        MainWindow window;

        // A close command may arrive between the liveness check and the start.
        bool start(const QStringList& arguments = {}, const QString& commandAfterTheCheck = {}) {
            const CommandLine line = CommandLine::parse(arguments);
            if (!Program::settleLiveness(settings, clock, line))
                return false;
            if (!commandAfterTheCheck.isEmpty())
                settings.WriteSetting(QStringLiteral("LifeCmd"), commandAfterTheCheck);
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
        // A stored collection of two real pictures and the given options, as a previous run
        // would have left them.
        void storeCollection(const QList<std::pair<const char*, int>>& options) {
            settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
            if (!test::WritePictureFixtures(environment.root()))
                qFatal("cannot write the picture fixtures");
            settings.WriteSetting(QStringLiteral("WN"), 2);
            settings.WriteSetting(QStringLiteral("WName1"), QStringLiteral("valid.jpg"));
            settings.WriteSetting(QStringLiteral("WName2"), QStringLiteral("valid.bmp"));
            for (const QString& name : {QStringLiteral("WPath1"), QStringLiteral("WPath2")})
                settings.WriteSetting(name, environment.root());
            for (const auto& [name, value] : options)
                settings.WriteSetting(QString::fromLatin1(name), value);
        }
    };

private Q_SLOTS:
    void exitCommand_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("ends");
        QTest::newRow("confirmed") << 1 << true;
        QTest::newRow("cancelled") << 0 << false;
        QTest::newRow("nothing shown") << -1 << false;
    }
    void exitCommand() {
        QFETCH(int, answer);
        QFETCH(bool, ends);
        Running run;
        QVERIFY(run.start());
        QVERIFY(run.window.isVisible());
        run.askUser.setAnswer(answer);
        QTest::mouseClick(run.window.closeButton(), Qt::LeftButton);
        QCOMPARE(run.askUser.asked.size(), 1);
        QCOMPARE(run.askUser.asked[0].kind, MessageKind::Exit);
        QCOMPARE(run.endCalls, ends ? 1 : 0);
        QCOMPARE(run.program.hasEnded(), ends);
        QCOMPARE(run.stored(QStringLiteral("LifeTime")), ends ? "0" : QStringLiteral("34200"));
        QCOMPARE(run.program.lifeTimer().isActive(), !ends);
        if (!ends)
            QVERIFY(run.window.isVisible());
    }

    void closingOrMinimisingOnlyCollapses() {
        Running run;
        QVERIFY(run.start());
        run.window.close();
        QVERIFY(!run.window.isVisible());
        run.window.showWindow();
        run.window.setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(!run.window.isVisible());
        QVERIFY(!(run.window.windowState() & Qt::WindowMinimized));
        QVERIFY(!run.program.hasEnded());
        QCOMPARE(run.endCalls, 0);
    }

    // How a logon start and a "-next" with no copy to take it go: the change they make, whether
    // the copy stays, and the index saved (none when a start ends without saving).
    void startModes_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QList<int>>("options"); // Automatic, AutoPeriod, AutoStart
        QTest::addColumn<bool>("changes");
        QTest::addColumn<bool>("stays");
        QTest::addColumn<QString>("savedIndex");
        const auto row = [](const char* name, const char* argument, QList<int> options,
                            bool changes, bool stays, const char* savedIndex) {
            QTest::newRow(name) << argument << options << changes << stays << savedIndex;
        };
        row("automatic logon mode changes", "-LOGON", {1, 0, 1}, true, true, "1");
        row("automatic logon mode without autostart changes", "-logon", {1, 0, 0}, true, true, "1");
        row("automatic period mode waits", "-logon", {1, 1, 1}, false, true, "0");
        row("manual mode stays resident", "-logon", {0, 0, 1}, false, true, "0");
        row("manual mode without autostart ends", "-logon", {0, 0, 0}, false, false, "");
        row("next: one change, saved, then ends", "-next", {0, 0, 1}, true, false, "1");
    }
    void startModes() {
        QFETCH(QString, argument);
        QFETCH(QList<int>, options);
        QFETCH(bool, changes);
        QFETCH(bool, stays);
        QFETCH(QString, savedIndex);
        const int automatic = options[0];
        const int period = options[1];
        Running run;
        run.storeCollection({{"Automatic", automatic},
                             {"AutoLogon", period ? 0 : 1},
                             {"AutoPeriod", period},
                             {"AutoTime", 0},
                             {"AutoStart", options[2]}});
        QCOMPARE(run.start({argument}), stays);
        QCOMPARE(run.desktop.wallpaperCalls,
                 changes ? QStringList{run.environment.root() + QStringLiteral("/valid.bmp")}
                         : QStringList{});
        QVERIFY(!run.window.isVisible());
        QCOMPARE(run.program.hasEnded(), !stays);
        // "-next" ends through the save and exit; an ending logon start saves nothing.
        QCOMPARE(run.endCalls, argument == "-next" ? 1 : 0);
        QCOMPARE(run.program.exitStatus(), 0);
        // A start that ends says so at once, so that the user's own start right after it runs.
        QCOMPARE(run.stored(QStringLiteral("LifeTime")), stays ? QStringLiteral("34200") : "0");
        QCOMPARE(run.program.lifeTimer().isActive(), stays);
        QCOMPARE(run.saved(QStringLiteral("WIndex")), savedIndex);
        if (changes || !stays)
            QCOMPARE(run.saved(QStringLiteral("AutoChangeTime")), changes ? "09:30:00" : "");
        QCOMPARE(run.program.engine().ChangeTimer().isActive(), automatic != 0 && period != 0);
    }

    void setButtonSetsTheSelectedRow() {
        Running run;
        run.storeCollection({{"Automatic", 0}});
        QVERIFY(run.start());
        run.program.collection().SelectOnly(1);
        QTest::mouseClick(run.window.setButton(), Qt::LeftButton);
        QCOMPARE(run.desktop.wallpaper, run.environment.root() + QStringLiteral("/valid.bmp"));
        QCOMPARE(run.program.collection().currentIndex(), 0);
    }

    // A refused picture keeps its mark, and the message comes once for both clicks.
    void trayClicks_data() {
        using Click = Program::TrayClick;
        QTest::addColumn<bool>("visibleBefore");
        QTest::addColumn<QList<Click>>("clicks");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("visibleAfter");
        QTest::addColumn<int>("changes");
        QTest::newRow("left press hides") << true << QList{Click::LeftPress} << false << false << 0;
        QTest::newRow("left press shows") << false << QList{Click::LeftPress} << false << true << 0;
        QTest::newRow("left double click toggles twice")
            << false << QList{Click::LeftPress, Click::LeftDoubleClick} << false << false << 0;
        QTest::newRow("right press changes")
            << true << QList{Click::RightPress} << false << true << 1;
        QTest::newRow("right double click changes twice")
            << false << QList{Click::RightPress, Click::RightDoubleClick} << false << false << 2;
        QTest::newRow("the desktop refuses")
            << false << QList{Click::RightPress, Click::RightPress} << true << false << 0;
        QTest::newRow("anything else does nothing")
            << false << QList{Click::Other} << false << false << 0;
    }
    void trayClicks() {
        QFETCH(bool, visibleBefore);
        QFETCH(QList<Program::TrayClick>, clicks);
        QFETCH(bool, refused);
        QFETCH(bool, visibleAfter);
        QFETCH(int, changes);
        Running run;
        run.storeCollection({{"Automatic", 0}});
        QVERIFY(run.start(visibleBefore ? QStringList{} : QStringList{QStringLiteral("-logon")}));
        if (refused)
            for (const QString& name : {QStringLiteral("valid.jpg"), QStringLiteral("valid.bmp")})
                run.desktop.refused.insert(run.environment.root() + u'/' + name);
        for (Program::TrayClick click : clicks)
            run.program.TrayIcon_MouseMove(click);
        QCOMPARE(run.window.isVisible(), visibleAfter);
        if (visibleAfter)
            QVERIFY(!(run.window.windowState() & Qt::WindowMinimized));
        QCOMPARE(run.program.collection().currentIndex(), changes % 2);
        QCOMPARE(run.desktop.wallpaperCalls.size(), refused ? 2 : changes);
        QCOMPARE(run.askUser.asked.size(), refused ? 1 : 0);
        QCOMPARE(run.program.collection().ImageState(0), StateUse);
        QCOMPARE(run.program.collection().ImageState(1), StateUse);
    }

    void hidingTwiceAddsOneIconThatExitRemoves() {
        Running run;
        QVERIFY(run.start());
        QVERIFY(!run.window.trayIcon());
        run.program.HideTray_Click();
        QSystemTrayIcon* icon = run.window.trayIcon();
        QVERIFY(icon);
        run.window.showWindow();
        run.program.HideTray_Click();
        QCOMPARE(run.window.trayIcon(), icon);
        QCOMPARE(run.window.findChildren<QSystemTrayIcon*>().size(), 1);
        run.program.ExitProgram();
        QVERIFY(!run.window.trayIcon());
    }

    // What another copy asks through the volatile store: a close that arrives while this copy
    // starts is kept until the collection is restored, then obeyed, so the save holds the
    // collection.
    void commands_data() {
        QTest::addColumn<QString>("during");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("ends");
        QTest::newRow("close arriving during the start") << "1"
                                                         << "" << true;
        QTest::newRow("close while running") << ""
                                             << "1" << true;
        QTest::newRow("show") << ""
                              << "2" << false;
        QTest::newRow("change") << ""
                                << "3" << false;
    }
    void commands() {
        QFETCH(QString, during);
        QFETCH(QString, after);
        QFETCH(bool, ends);
        Running run;
        run.storeCollection({{"Automatic", 0}});
        QCOMPARE(run.start({}, during), during.isEmpty());
        if (!after.isEmpty()) {
            run.window.hideWindow();
            run.settings.WriteSetting(QStringLiteral("LifeCmd"), after);
            run.program.LifeTimer_Timer();
        }
        QCOMPARE(run.program.hasEnded(), ends);
        QCOMPARE(run.window.isVisible(), after == "2");
        QCOMPARE(run.saved(QStringLiteral("WMainX")).isEmpty(), !ends);
        QCOMPARE(run.stored(QStringLiteral("LifeCmd")), QStringLiteral("0"));
        QCOMPARE(run.stored(QStringLiteral("LifeTime")), ends ? "0" : QStringLiteral("34200"));
        QCOMPARE(run.desktop.wallpaperCalls.size(), after == "3" ? 1 : 0);
        QCOMPARE(run.program.collection().currentIndex(), after == "3" ? 1 : 0);
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
        const qint32 shown = run.program.collection().currentIndex();
        run.program.options().options().AutoChangeDate = QDate(2026, 12, 1);
        run.program.HideTray_Click();
        run.askUser.setAnswer(1);
        run.program.Close_Click();
        QVERIFY(run.program.hasEnded());
        QCOMPARE(run.desktop.wallpaperCalls.size(), 1);
        QCOMPARE(run.askUser.asked.size(), 1);
        QCOMPARE(run.saved(QStringLiteral("WIndex")), QString::number(shown));
        QCOMPARE(run.saved(QStringLiteral("AutoChangeDate")), QStringLiteral("2026-12-01"));
    }

    // A refused save is told in the window, and the exit command lets the user choose to leave
    // the session's changes behind; the exit status says they were lost.
    void aRefusedSaveIsReported() {
        test::MemorySettingsStore store;
        store.refusesBatches = true;
        Settings settings(store);
        test::ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(9, 30))};
        test::ScriptedAskUser askUser;
        test::FakeDesktop desktop;
        MainWindow window;
        QTemporaryDir home;
        Program program{settings, clock, [] {}, home.path()};
        const CommandLine line = CommandLine::parse({});
        QVERIFY(Program::settleLiveness(settings, clock, line));
        program.setDesktop(desktop);
        window.attach(program);
        QVERIFY(program.Form_Load(line, window, askUser));
        program.HideTray_Click();
        QCOMPARE(askUser.asked.size(), 1);
        QCOMPARE(askUser.asked[0].kind, MessageKind::StoreFailed);
        QVERIFY(askUser.asked[0].message.contains(QStringLiteral("the disk is full")));
        QVERIFY(!program.hasEnded());
        program.Close_Click();
        QCOMPARE(askUser.asked.size(), 3);
        QVERIFY(program.hasEnded());
        QCOMPARE(program.exitCode(), 2);
        QCOMPARE(settings.ReadSetting(QStringLiteral("LifeSaved"), -1), 0);
    }

    // The next start finds what this one saved, and reports the missing files in use (not the
    // skipped one) once, on its second tick, when the window has been drawn.
    void collectionSurvivesAnExitAndARestart() {
        Running run;
        QVERIFY(run.start());
        Collection& collection = run.program.collection();
        collection.AppendImage(QStringLiteral("kept.jpg"), run.environment.root(), StateSkip);
        collection.AppendImage(QStringLiteral("gone.jpg"), run.environment.root(), StateUse);
        run.program.options().options().AutoTimeHours = 7;
        run.askUser.setAnswer(1);
        run.program.Close_Click();
        QVERIFY(run.program.hasEnded());

        MainWindow window;
        Program again{run.settings, run.clock, [] {}, run.environment.root()};
        window.attach(again);
        QVERIFY(Program::settleLiveness(run.settings, run.clock, CommandLine::parse({})));
        QVERIFY(again.Form_Load(CommandLine::parse({}), window, run.askUser));
        QCOMPARE(again.collection().rowCount(), 2);
        QCOMPARE(again.collection().ImageFileName(0), QStringLiteral("kept.jpg"));
        QCOMPARE(again.collection().ImageState(0), StateSkip);
        QCOMPARE(again.collection().ImageState(1), StateMissing);
        QCOMPARE(again.options().options().AutoTimeHours, 7);
        QCOMPARE(window.imageName()->model(), &again.collection());
        const qsizetype asked = run.askUser.asked.size();
        again.InitTimer_Timer();
        QCOMPARE(run.askUser.asked.size(), asked);
        again.InitTimer_Timer();
        QVERIFY(!again.initTimer().isActive());
        QCOMPARE(run.askUser.asked.size(), asked + 1);
        QCOMPARE(run.askUser.asked.last().kind, MessageKind::StartupReport);
        QVERIFY(run.askUser.asked.last().message.contains(QStringLiteral("'gone.jpg'")));
        again.ExitProgram();
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
