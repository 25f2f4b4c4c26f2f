// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LogonStart.h"
#include "app/Program.h"
#include "common/MessageSwitches.h"
#include "support/FakeDesktop.h"
#include "support/MemorySettingsStore.h"
#include "support/ProgramHome.h"
#include "support/ProgramStores.h"
#include "support/ScriptedAskUser.h"
#include "ui/WindowsOnDemand.h"
#include "ui/help/Hyperlinks.h"
#include "ui/main/MainWindow.h"
#include "ui/message/ProgMsg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QScopedValueRollback>
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

        // Every copy of the program takes this lock while it settles who runs.
        const QString lockPath = environment.runtimeDir() + QStringLiteral("/liveness.lock");
        LivenessLock running{Liveness::runningLockPath(lockPath)};
        // A close command may arrive between the liveness check and the start.
        // The program's own windows may stand in for the window and the scripted answers.
        bool start(const QStringList& arguments = {}, const QString& commandAfterTheCheck = {},
                   WindowsOnDemand* windows = nullptr) {
            const CommandLine line = CommandLine::parse(arguments);
            if (!Program::settleLiveness(used, clock, line, lockPath, nullptr, &running))
                return false;
            program.setLivenessLocks(lockPath, &running);
            if (!commandAfterTheCheck.isEmpty())
                used.WriteSetting(QStringLiteral("LifeCmd"), commandAfterTheCheck);
            program.setDesktop(desktop);
            if (windows)
                return program.Form_Load(line, *windows, windows->askUser());
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
            used.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
            for (const auto& [name, text] : test::threeColourCollection(environment.root()))
                used.WriteSetting(name, text);
            for (const auto& [name, value] : options)
                used.WriteSetting(QString::fromLatin1(name), value);
        }
        QString picture(const char* name) { return environment.root() + u'/' + name; }
        void refuseEveryPicture() {
            for (const char* name : {"red.bmp", "green.png", "blue.bmp"})
                desktop.refused.insert(picture(name));
        }
    };

private Q_SLOTS:
    // The start-up report waits for the window to be drawn (the second tick) and names the
    // missing file. Closing only collapses the window; a left click on the icon shows it again.
    // Set shows the selected entry.
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
        QVERIFY(!run.window.isVisible() && !run.program.hasEnded());
        run.program.TrayIcon_MouseMove(Program::TrayClick::LeftPress);
        QVERIFY(run.window.isVisible());
        run.program.collection().SelectOnly(1);
        QTest::mouseClick(run.window.setButton(), Qt::LeftButton);
        QCOMPARE(run.desktop.wallpaperCalls, QStringList{run.picture("green.png")});
    }

    // How a logon start and a "-next" with no copy to take it go: the change they make (index 1
    // saved), whether the copy stays, the status, and the file browser (a logon's opens last).
    void startModes_data() {
        QTest::addColumn<QString>("argument");
        // automatic change: 0 off, 1 at logon, 2 by period, 3 by period and long due
        QTest::addColumn<int>("mode");
        // a failure: the desktop refuses every picture, or the collection is empty; either is said
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("changes");
        QTest::addColumn<bool>("stays");
        QTest::newRow("automatic logon mode changes") << "-LOGON" << 1 << "" << true << true;
        QTest::newRow("automatic period mode waits") << "-logon" << 2 << "" << false << true;
        QTest::newRow("next: changes, saves and ends") << "-next" << 0 << "" << true << false;
        QTest::newRow("next refused") << "-next" << 0 << "did not accept" << false << false;
        QTest::newRow("next, nothing to change")
            << "-next" << 0 << "no available" << false << false;
        QTest::newRow("next with a change due: one change") << "-next" << 3 << "" << true << false;
        QTest::newRow("next closed before its change")
            << "-next" << 0 << "asked to close" << false << false;
    }
    void startModes() {
        QFETCH(QString, argument);
        QFETCH(int, mode);
        QFETCH(QString, failure);
        QFETCH(bool, changes);
        QFETCH(bool, stays);
        Running run;
        run.storeCollection({{"Automatic", mode != 0},
                             {"AutoLogon", mode < 2},
                             {"AutoPeriod", mode >= 2},
                             {"AutoTime", 0},
                             {"AutoStart", 1}});
        if (mode == 3) {
            run.used.WriteSetting(QStringLiteral("AutoChangeDate"), QStringLiteral("2020-01-01"));
            run.used.WriteSetting(QStringLiteral("AutoChangeTime"), QStringLiteral("12:00:00"));
        }
        if (!failure.isEmpty())
            run.refuseEveryPicture();
        if (failure == "no available")
            run.used.WriteSetting(QStringLiteral("WN"), 0);
        const bool closedFirst = failure == "asked to close";
        if (closedFirst)
            run.program.requestClose();
        QCOMPARE(run.start({argument}), stays);
        QVERIFY(run.askUser.asked.value(0).message.contains(failure));
        QCOMPARE(run.askUser.asked.size(), failure.isEmpty() ? 0 : 1);
        if (failure.isEmpty())
            QCOMPARE(run.desktop.wallpaperCalls,
                     changes ? QStringList{run.picture("green.png")} : QStringList{});
        QVERIFY(!run.window.isVisible());
        QCOMPARE(run.program.hasEnded(), !stays);
        // "-next" ends through the save and exit; an ending logon start saves nothing.
        QCOMPARE(run.endCalls, argument == "-next" ? 1 : 0);
        QCOMPARE(run.program.exitStatus(), failure.isEmpty() ? 0 : 1);
        // A start that ends says so at once, so that the user's own start right after it runs.
        QCOMPARE(run.stored(QStringLiteral("LifeTime")), stays ? QStringLiteral("34200") : "0");
        QCOMPARE(run.saved(QStringLiteral("WIndex")), changes ? "1" : "0");
        // What shows is kept for a start after the session forgot it.
        QCOMPARE(run.saved(QStringLiteral("WShown")),
                 changes ? run.picture("green.png") : QString());
        if (changes)
            QCOMPARE(run.saved(QStringLiteral("AutoChangeTime")), QStringLiteral("09:30:00"));
        // The colour comes with a new picture, never bare before it, and without one after all;
        // a start closed first touches nothing.
        QCOMPARE(run.desktop.colour, closedFirst ? kUnknownDesktopColor : DesktopColor(0));
        QCOMPARE(run.desktop.wallpaperWhenColoured, changes ? run.picture("green.png") : QString());
        QCOMPARE(run.program.engine().ChangeTimer().isActive(), mode == 2);
        QCOMPARE(run.program.browser().folderPath().isEmpty(), closedFirst);
    }

    // A message blocks the window, also one built while it is up (after a logon start, with no
    // window): Delete there waits for the answer, never deletes unasked. A second start's show
    // brings the message up with the window, and a click on the window hands it the keys, or the
    // window would ignore every key and click with no reason in sight.
    void aMessageBlocksTheWindowAndComesUpWithIt_data() {
        QTest::addColumn<bool>("logon");
        QTest::newRow("the exit question over the window") << false;
        QTest::newRow("a report before the window exists") << true;
    }
    void aMessageBlocksTheWindowAndComesUpWithIt() {
        QFETCH(bool, logon);
        Running run;
        run.storeCollection({{"Automatic", 1}, {"AutoLogon", 0}, {"AutoPeriod", 1}});
        MemoryMessageSwitches switches;
        Hyperlinks links;
        WindowsOnDemand windows(run.program, run.used, switches, links);
        QVERIFY(run.start(logon ? QStringList{"-logon"} : QStringList{}, {}, &windows));
        QCOMPARE(bool(windows.builtWindow()), !logon);
        run.program.collection().SelectOnly(0);
        bool shown = false, clicked = false;
        windows.messageDialog().setShownHookForTest([&](ProgMsg& message) {
            windows.hideWindow();
            run.program.TrayIcon_MouseMove(Program::TrayClick::LeftPress);
            windows.builtWindow()->activateWindow();
            QTRY_VERIFY((clicked = QApplication::activeWindow() == &message));
            windows.hideWindow(); // as a second start's show does
            windows.showWindow();
            QTRY_VERIFY((shown = QApplication::activeWindow() == &message));
            auto* del = windows.builtWindow()->findChild<QPushButton*>(QStringLiteral("DelImage"));
            QTest::mouseClick(del->window()->windowHandle(), Qt::LeftButton, {},
                              del->mapTo(del->window(), del->rect().center()));
        });
        windows.askUser().ask(logon ? MessageKind::StartupReport : MessageKind::Exit,
                              QStringLiteral("Go on?"));
        QVERIFY(shown && clicked);
        QCOMPARE(run.program.collection().rowCount(), 3);
    }

    // An autostart entry that cannot be written (a file in its folder's place) is reported once,
    // where the user looks: not at a logon start nobody sees, but as a window opened since goes.
    void unwritableLogonEntryIsReportedOnce() {
        Running run;
        run.storeCollection({{"Automatic", 1}});
        const LogonStart logonStart(run.picture("autostart"), QStringLiteral("kestrovaline"));
        QVERIFY(QFile(run.picture("autostart")).open(QIODevice::WriteOnly));
        run.program.setLogonStart(&logonStart);
        QVERIFY(run.start({"-logon"}));
        run.program.InitTimer_Timer();
        run.program.InitTimer_Timer();
        QVERIFY(run.askUser.asked.isEmpty());
        for (int collapse = 0; collapse < 2; ++collapse) {
            run.program.TrayIcon_MouseMove(Program::TrayClick::LeftPress);
            run.program.HideTray_Click();
        }
        QCOMPARE(run.askUser.asked.size(), 1);
        QVERIFY(run.askUser.asked[0].message.contains(logonStart.filePath()));
    }

    // What another copy asks through the volatile store: a close that arrives while this copy
    // starts is kept until the collection is restored, then obeyed, so the save holds the
    // collection; a show waits until the start is through; an end stops the heartbeat and says so.
    // A "-next" start hears how its change went (told before the copy's own failure message)
    // and exits with that; a copy too busy to take it in time makes it later.
    void commands_data() {
        QTest::addColumn<int>("during");
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<QString>("copy"); // how it serves a change: refuses, busy
        QTest::addColumn<int>("status");   // the asking start's exit status
        QTest::newRow("close arriving during the start") << 1 << 0 << true << "" << 0;
        QTest::newRow("show") << 0 << 2 << false << "" << 0;
        QTest::newRow("change") << 0 << 3 << false << "" << 0;
        QTest::newRow("change the desktop refuses") << 0 << 3 << false << "refuses" << 1;
        QTest::newRow("change, the copy never answers") << 0 << 3 << false << "busy" << 1;
        QTest::newRow("show arriving during a logon start") << 2 << 0 << false << "" << 0;
    }
    void commands() {
        QFETCH(int, during);
        QFETCH(int, after);
        QFETCH(bool, ends);
        QFETCH(QString, copy);
        Running run;
        run.storeCollection({{"Automatic", 0}});
        const bool logon = during == 2; // which collapses into the tray, and so saves
        QCOMPARE(run.start(logon ? QStringList{"-logon"} : QStringList{},
                           during ? QString::number(during) : QString()),
                 during != 1);
        QString toldBeforeTheMessage;
        // The change's message opens after the tick: inside it, the heartbeat would stop.
        bool ticking = false;
        bool askedWhileTicking = false;
        const auto tick = [&] {
            const QScopedValueRollback inTick(ticking, true);
            run.program.LifeTimer_Timer();
        };
        if (after != 0) {
            run.window.hideWindow();
            if (copy == "refuses")
                run.refuseEveryPicture();
            run.askUser.whileAsking = [&] {
                toldBeforeTheMessage = run.stored("LifeChanged");
                askedWhileTicking = ticking;
            };
            // A second start asks under the lock that this copy's ticks take, and waits until a
            // tick has taken it and the copy has run what the tick left it.
            if (copy != "busy")
                run.clock.onSleep([&](int) {
                    tick();
                    QCoreApplication::sendPostedEvents();
                });
            LivenessLock secondStarts(Liveness::runningLockPath(run.lockPath));
            Liveness::NextOutcome outcome = Liveness::NextOutcome::Made;
            QVERIFY(!Program::settleLiveness(
                run.settings, run.clock,
                CommandLine::parse(after == 3 ? QStringList{"-next"} : QStringList{}), run.lockPath,
                nullptr, &secondStarts, &outcome));
            QTEST(Liveness::exitCodeOf(outcome), "status");
            tick();
            QCoreApplication::sendPostedEvents();
        }
        QCOMPARE(toldBeforeTheMessage, copy == "refuses" ? "0" : QString());
        QVERIFY(!askedWhileTicking);
        QCOMPARE(run.program.hasEnded(), ends);
        QCOMPARE(run.endCalls, ends ? 1 : 0);
        QCOMPARE(run.window.isVisible(), after == 2 || logon);
        QCOMPARE(run.saved(QStringLiteral("WMainX")).isEmpty(), !ends && !logon);
        QCOMPARE(run.stored(QStringLiteral("LifeCmd")), QStringLiteral("0"));
        QCOMPARE(run.stored(QStringLiteral("LifeEnding")) == "1", ends);
        const double beat = run.used.ReadSetting(QStringLiteral("LifeTime"), 0.0);
        QVERIFY(ends ? beat == 0 : Liveness::isFresh(beat, secondsSinceMidnight(run.clock.now())));
        QCOMPARE(LivenessLock(Liveness::runningLockPath(run.lockPath)).heldElsewhere(), !ends);
        QCOMPARE(run.desktop.wallpaperCalls.size(), after == 3 ? 1 : 0);
        QCOMPARE(run.program.collection().currentIndex(), after == 3 && copy != "refuses");
    }

    // A start reads another copy's heartbeat (seconds since midnight; it is 00:00:03 now): from
    // a copy holding its running lock, of any age (busy on a slow desktop), or fresh where that
    // lock cannot be had, it gets a show (2) or a "-next" as a change (3), taken at the copy's
    // next tick, and the start ends; else it takes over and its lock, drops a command left for a
    // gone copy, beats at once. A busy copy's lock keeps an untaken "-next" pending for it.
    void anotherCopysHeartbeat_data() {
        QTest::addColumn<QString>("left"); // heartbeat, command, and the running lock: held/none
        QTest::addColumn<bool>("endsNow");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("command");
        QTest::newRow("rounded up a little ahead") << "3.004 0 none" << true << "" << 2;
        QTest::newRow("more than a second ahead is yesterday's") << "5 0 none" << false << "" << 0;
        QTest::newRow("across midnight") << "86398 0 none" << true << "" << 2;
        QTest::newRow("a close left for a copy that is gone") << "86000 1" << false << "" << 0;
        QTest::newRow("fresh from a killed copy, lock free") << "2.5 2" << false << "" << 0;
        QTest::newRow("next, taken by an older copy, untold")
            << "1.5 0 held" << true << "-NEXT" << 0;
        QTest::newRow("next, nobody takes it") << "1.5 0 none" << false << "-Next" << 0;
        QTest::newRow("next, a busy copy holding its lock") << "1.5 0 held" << true << "-next" << 3;
        QTest::newRow("15 s old from a copy holding its lock") << "86388 0 held" << true << "" << 2;
        QTest::newRow("logon beside a running copy") << "1.5 0 held" << true << "-logon" << 0;
        QTest::newRow("close to a copy holding its lock")
            << "86388 0 held" << true << "-close" << 0;
        // Its save held up past the wait by a busy store, it lets go of its lock at last.
        QTest::newRow("a copy ending slowly") << "1.5 0 held ending" << false << "" << 0;
        QTest::newRow("logon beside a copy ending slowly")
            << "1.5 0 held ending" << false << "-logon" << 0;
        // Killed in its save, it never says how the save went: the close does not wait for it.
        QTest::newRow("close, the copy killed in its save")
            << "86388 0 held killed" << true << "-close" << 0;
    }
    void anotherCopysHeartbeat() {
        QFETCH(QString, left);
        QFETCH(bool, endsNow);
        QFETCH(QString, argument);
        QFETCH(int, command);
        test::ProgramStores stores;
        Settings& settings = stores.settings;
        settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
        settings.WriteSetting(QStringLiteral("LifeTime"), left.section(u' ', 0, 0));
        settings.WriteSetting(QStringLiteral("LifeCmd"), left.section(u' ', 1, 1));
        const bool ending = left.section(u' ', 3, 3) == QStringLiteral("ending");
        const bool killed = left.section(u' ', 3, 3) == QStringLiteral("killed");
        if (ending)
            Liveness(settings, stores.clock).markEnding();
        stores.clock.set(QDateTime(QDate(2026, 12, 6), QTime(0, 0, 3)));
        const bool close = argument == QStringLiteral("-close");
        const QString lock = left.section(u' ', 2, 2);
        // No lock can be had in a folder that does not exist.
        const QString lockPath =
            stores.environment.runtimeDir() +
            (lock == QStringLiteral("none") ? "/gone/liveness.lock" : "/liveness.lock");
        LivenessLock runningCopys(Liveness::runningLockPath(lockPath));
        LivenessLock thisCopys(Liveness::runningLockPath(lockPath));
        // The running copy takes the command at a later tick, unless busy; a close ends it.
        stores.clock.onSleep([&](int sleeps) {
            if (endsNow && !argument.isEmpty() && command == 0 && sleeps == 500) {
                QCOMPARE(settings.ReadSetting(QStringLiteral("LifeCmd"), 0), close ? 1 : 3);
                settings.WriteSetting(QStringLiteral("LifeCmd"), 0);
                if (close && !killed)
                    settings.WriteSetting(QStringLiteral("LifeTime"), 0);
            }
            if ((ending && sleeps == 3500) || (killed && sleeps == 600))
                runningCopys.letGo();
        });
        const bool held = lock == QStringLiteral("held");
        if (held)
            QVERIFY(runningCopys.holdIfFree());
        const CommandLine line = CommandLine::parse(argument.split(u' ', Qt::SkipEmptyParts));
        Liveness::NextOutcome outcome = Liveness::NextOutcome::Made;
        Liveness::CloseOutcome closeOutcome = Liveness::CloseOutcome::NotRunning;
        QCOMPARE(Program::settleLiveness(settings, stores.clock, line, lockPath, &closeOutcome,
                                         &thisCopys, &outcome),
                 !endsNow);
        QCOMPARE(Liveness::exitCodeOf(closeOutcome), killed ? 2 : 0);
        QCOMPARE(settings.ReadSetting(QStringLiteral("LifeCmd"), -1), command);
        // A "-next" that a copy took without telling how it went (an older one) is content with
        // that; one left pending fails.
        QCOMPARE(Liveness::exitCodeOf(outcome), command == 3 ? 1 : 0);
        // A copy that goes on holds its lock.
        if (lock != QStringLiteral("none"))
            QCOMPARE(runningCopys.heldElsewhere(), !endsNow);
        if (!endsNow || (close && !killed))
            QCOMPARE(settings.ReadSetting(QStringLiteral("LifeTime"), 0.0),
                     close ? 0.0 : secondsSinceMidnight(stores.clock.now()));
        // This copy's end leaves the heartbeat of a copy that holds its lock alone.
        Liveness(settings, stores.clock, lockPath, &thisCopys).markEnded();
        QCOMPARE(settings.ReadSetting(QStringLiteral("LifeTime"), 0.0) == 0,
                 !held || close || !endsNow);
    }

    // With a change due, neither the collapse nor the exit changes the wallpaper: saving only
    // writes. A refused save is told in the window, and the exit command lets the user choose to
    // leave the session's changes behind; the exit status says they were lost.
    void savingLeavesTheSchedulerAloneAndARefusalIsReported() {
        test::MemorySettingsStore store;
        Settings refusing(store);
        Running run(&refusing);
        run.storeCollection(
            {{"Automatic", 1}, {"AutoLogon", 0}, {"AutoPeriod", 1}, {"AutoTime", 0}});
        // Days overdue: the start catches up with one change.
        refusing.WriteSetting(QStringLiteral("AutoChangeDate"), QStringLiteral("2026-12-01"));
        refusing.WriteSetting(QStringLiteral("AutoChangeTime"), QStringLiteral("12:00:00"));
        QVERIFY(run.start());
        QCOMPARE(run.desktop.wallpaperCalls.size(), 1);
        run.program.options().options().AutoChangeDate = QDate(2026, 12, 1);
        store.refusesBatches = true;
        run.program.HideTray_Click();
        QCOMPARE(run.askUser.asked.size(), 1);
        QCOMPARE(run.askUser.asked[0].kind, MessageKind::StoreFailed);
        QVERIFY(!run.program.hasEnded());
        // From its save on, the exit says the copy is ending (a start then waits for its end);
        // called off after the refusal, it takes that back (the refusal was told at the collapse).
        QStringList ending;
        run.askUser.whileAsking = [&] {
            ending << run.used.ReadSetting(QStringLiteral("LifeEnding"), QString());
            // A "-close" ends the second exit while its last question is open.
            if (ending.size() == 4)
                run.program.SaveAndExit();
            run.askUser.setAnswer(ending.size() % 2);
        };
        run.program.Close_Click();
        QVERIFY(!run.program.hasEnded());
        run.program.Close_Click();
        QCOMPARE(ending, (QStringList{"", "1", "0", "1"}));
        // Ending, nothing is tried again: the question says so.
        QCOMPARE(run.askUser.asked[2].kind, MessageKind::ExitUnsaved);
        QVERIFY(!run.askUser.asked[2].message.contains(QLatin1String("tried again")));
        QVERIFY(run.program.hasEnded());
        QCOMPARE(run.program.exitCode(), 2);
        QCOMPARE(run.used.ReadSetting(QStringLiteral("LifeEnding"), QString()), "1");
        QCOMPARE(run.desktop.wallpaperCalls.size(), 1);
        // A "-next" start, which has no window, tells it through its own way of asking.
        Running next(&refusing);
        QVERIFY(!next.start({QStringLiteral("-next")}));
        QCOMPARE(next.askUser.asked.size(), 1);
        QVERIFY(next.askUser.asked[0].message.startsWith(QLatin1String("Unable to save")));
    }

    // The entry follows whether a logon start is wanted, and a user's own choice in it stays,
    // deleting it included. A program outside the PATH is named in full, quoted as desktop
    // entries want it: for those rows "after" is the one Exec line expected.
    void logonEntryFollowsTheOptions_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("wanted");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<bool>("keptBefore");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char* name, const char* program, bool wanted,
                            const QByteArray& before, Outcome outcome, const QByteArray& after,
                            bool keptBefore = false) {
            QTest::newRow(name) << QString::fromUtf8(program) << wanted << before << keptBefore
                                << outcome << after;
        };
        using enum Outcome;
        row("wanted, none", "kestrovaline", true, kNone, Written, kOurs);
        row("deleted by the user", "kestrovaline", true, kNone, LeftToUser, kNone, true);
        row("deleted by the user, no longer wanted", "kestrovaline", false, kNone, Unchanged, kNone,
            true);
        row("no longer wanted", "kestrovaline", false, kOurs, Removed, kNone);
        // What the user wrote stays; only a command naming a program no longer there is mended.
        const QByteArray delayed = kOurs + "X-GNOME-Autostart-Delay=10\n";
        const QByteArray ownCommand = QByteArray(kOurs).replace("\nExec=", "\nExec=nice -n 5 ");
        row("a delay of the user's", "kestrovaline", true, delayed, Unchanged, delayed);
        row("a delay of the user's, no longer wanted", "kestrovaline", false, delayed, LeftToUser,
            delayed);
        row("a command of the user's", "kestrovaline", true, ownCommand, Unchanged, ownCommand);
        const QByteArray wrapper = QByteArray(kOurs).replace("\nExec=", "\nExec=no-such-wrapper ");
        row("a wrapper off this start's PATH", "kestrovaline", true, wrapper, Unchanged, wrapper);
        row("stale entry of a moved program", "kestrovaline", true,
            QByteArray(delayed).replace("Exec=", "Exec=/old/"), Written, delayed);
        // Another copy's (a build's, before the installed program ran), never edited.
        const QByteArray anotherCopys = LogonStart(QString(), "/bin/sh").entryText();
        row("another copy's entry", "kestrovaline", true, anotherCopys, Written, kOurs);
        row("another copy's entry, no longer wanted", "kestrovaline", false, anotherCopys, Removed,
            kNone);
        row("hidden by the user", "kestrovaline", false, kHidden, LeftToUser, kHidden);
        row("switched off in the GNOME way", "kestrovaline", true, kSwitchedOff, LeftToUser,
            kSwitchedOff);
        row("shell characters", "/opt/a$b\"c\\d/kestrovaline", true, kNone, Written,
            "Exec=\"/opt/a\\\\$b\\\\\"c\\\\\\\\d/kestrovaline\" -logon");
        row("a percent sign", "/opt/50% off/kestrovaline", true, kNone, Written,
            "Exec=env \"/opt/50%% off/kestrovaline\" -logon");
        row("moved out of a folder with a percent sign", "kestrovaline", true,
            QByteArray(kOurs)
                .replace("\nExec=kestrovaline", "\nExec=env \"/gone/50%% off/kestrovaline\"")
                .replace("\nTryExec=kestrovaline", "\nTryExec=/gone/50% off/kestrovaline"),
            Written, kOurs);
        row("line break", "/opt/a\nExec=rm/kestrovaline", true, kNone, Written,
            "Exec=kestrovaline -logon");
    }
    void logonEntryFollowsTheOptions() {
        QFETCH(QString, program);
        QFETCH(bool, wanted);
        QFETCH(QByteArray, before);
        QFETCH(bool, keptBefore);
        QFETCH(Outcome, outcome);
        QFETCH(QByteArray, after);
        const QTemporaryDir home;
        const LogonStart logonStart(home.filePath(QStringLiteral("autostart")), program);
        test::MemorySettingsStore store;
        Settings settings(store);
        QFile file(logonStart.filePath());
        if (keptBefore) // as a start that found or wrote the entry leaves it
            QCOMPARE(logonStart.Update(true, settings), Outcome::Written);
        file.remove();
        if (!before.isNull()) {
            QDir().mkpath(home.filePath(QStringLiteral("autostart")));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
            file.close();
        }
        QCOMPARE(logonStart.Update(wanted, settings), outcome);
        // The next start sees the same.
        if (outcome != Outcome::Failed)
            QCOMPARE(logonStart.Update(wanted, settings),
                     outcome == Outcome::LeftToUser ? outcome : Outcome::Unchanged);
        QCOMPARE(file.exists(), !after.isNull());
        const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (!after.startsWith("Exec="))
            QCOMPARE(text, after);
        else // Exec and TryExec, nothing slipped in
            QVERIFY(text.split('\n').contains(after) && text.count("Exec=") == 2);
        // Not wanted for a while, then wanted anew: there is an entry again.
        logonStart.Update(false, settings);
        logonStart.Update(true, settings);
        QVERIFY(QFileInfo::exists(file.fileName()));
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
