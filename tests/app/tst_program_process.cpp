// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProgramHome.h"
#include "support/RootPixels.h"
#include "support/SessionManager.h"
#include "support/StoreFaults.h"
#include "support/XTools.h"
#include "support/XvfbServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <memory>
#include <optional>

using namespace kv;
using test::ProgramHome;

const QString kTitle = QStringLiteral("Kestrovaline 1.0");

// The real program as a user starts it, in a real X server with a real store file: only what a
// process shows (exit statuses, signals, the lock between copies, a new X server).
class TestProgramProcess : public QObject {
    Q_OBJECT

    test::XvfbServer xvfb_;

    int windowsTitled(const QString& title, const QString& display = {}) const {
        return int(test::visibleWindowsTitled(display.isEmpty() ? xvfb_.display() : display, title)
                       .size());
    }
    // Whether the process has the file open: it has come to the step that opens it.
    static bool hasOpen(const QProcess& process, const QString& path) {
        const QDir files(QStringLiteral("/proc/%1/fd").arg(process.processId()));
        for (const QFileInfo& file : files.entryInfoList(QDir::AllEntries | QDir::System))
            if (file.symLinkTarget() == path)
                return true;
        return false;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(!ProgramHome::program().isEmpty(), "KV_PROGRAM names the program under test");
        for (const char* tool : {"xdotool", "xsetroot", "xwininfo"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        if (!xvfb_.start())
            QSKIP(qPrintable(xvfb_.error()));
    }

    // A new X server has forgotten the wallpaper: a manual-mode logon start shows the picture last
    // shown again (set by hand, so not the current entry), ends without saving, and writes the
    // logon entry naming the program outside the PATH by its full path.
    void logonStartOnANewXServer() {
        test::XvfbServer fresh;
        QVERIFY2(fresh.start(), qPrintable(fresh.error()));
        ProgramHome home(fresh.display(), QStringLiteral("x11"));
        home.store(
            test::threeColourCollection(home.environment().root()) +
            QList<QPair<QString, QString>>{{"Automatic", "0"},
                                           {"AutoLogon", "1"},
                                           {"AutoStart", "0"},
                                           {"WShown", home.environment().root() + "/green.png"}});
        QCOMPARE(home.run({"-logon"}), 0);
        QCOMPARE(home.stored("WMainX"), QString());
        QCOMPARE(home.storedVolatile("LifeTime"), "0");
        QTRY_VERIFY_WITH_TIMEOUT(
            test::closeColours(test::rootCentreColour(fresh.display()), Qt::green), 5000);
        QFile entry(home.environment().configHome() + "/autostart/kestrovaline.desktop");
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString exec =
            QString::fromUtf8(entry.readAll()).section("\nExec=", 1, 1).section('\n', 0, 0);
        QCOMPARE(QFileInfo(exec.chopped(7)).canonicalFilePath(),
                 QFileInfo(ProgramHome::program()).canonicalFilePath());
    }

    // Ten starts at once, as a double click racing the logon start: one copy stays, on a fresh
    // store it imports the samples, and the session's end (SIGTERM) saves them. Repeated, as a
    // race shows itself only now and then. Qt's own options go to the copy that stays; the
    // starts that end say they ignored them.
    void startsTogetherLeaveOneCopy() {
        for (int round = 1; round <= 20; ++round) {
            ProgramHome home(xvfb_.display(), QStringLiteral("none"));
            std::vector<std::unique_ptr<QProcess>> copies;
            for (int n = 0; n < 10; ++n) {
                copies.push_back(std::make_unique<QProcess>());
                copies.back()->setProcessEnvironment(home.processEnvironment());
                copies.back()->start(ProgramHome::program(), {"-style", "Fusion"});
            }
            QList<QProcess*> running;
            const auto runningCopies = [&] {
                running.clear();
                for (const auto& copy : copies)
                    if (copy->state() != QProcess::NotRunning)
                        running.append(copy.get());
                return running.size();
            };
            QTRY_COMPARE_WITH_TIMEOUT(runningCopies(), 1, 20000);
            QTRY_COMPARE_WITH_TIMEOUT(windowsTitled(kTitle), 1, 15000);
            QVERIFY(runningCopies() == 1);
            running.constFirst()->terminate();
            QVERIFY(running.constFirst()->waitForFinished(10000));
            for (const auto& each : copies) {
                QCOMPARE(each->exitCode(), 0);
                QCOMPARE(each->readAllStandardError().contains("not understood"),
                         each.get() != running.constFirst());
            }
            QVERIFY2(home.stored("WN").toInt() >= 4, qPrintable(QString::number(round)));
            QCOMPARE(home.storedVolatile("LifeTime"), "0");
        }
    }

    // A second start leaves the copy alone; "-close" says what happened and returns it, also when
    // the copy hangs. A store locked while the copy starts is reported and keeps what it held:
    // the copy never read it, so it must not save over it. A disk that fills up refuses the save,
    // and that is said too; neither store is taken for damaged.
    void closeOutcomes_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("closeSays");
        QTest::addColumn<int>("ends");
        // Started by nohup: the terminal's hang-up is not the program's to hear.
        QTest::newRow("a hang-up ignored at the start")
            << "nohup" << 0 << "saved its settings" << 0;
        QTest::newRow("the copy does not answer") << "stopped" << 1 << "did not end" << 0;
        QTest::newRow("killed before it takes the close")
            << "killed" << 2 << "ended before it said" << 0;
        QTest::newRow("store locked at the start") << "locked" << 2 << "could not be saved" << 2;
        QTest::newRow("disk full at the save") << "full" << 2 << "could not be saved" << 2;
        // A checkpoint saves and the program goes on; at the session's end it saves and ends.
        QTest::newRow("the session saves") << "checkpoint" << 0 << "saved its settings" << 0;
        QTest::newRow("the session ends") << "shutdown" << 0 << "" << 0;
        // A start that finds the close pending comes up once the copy has ended.
        QTest::newRow("a start right after the close") << "raced" << 0 << "saved its settings" << 0;
        // Files cleaned away under the copy are made anew at its next heartbeat: a second start
        // then finds the copy and leaves it alone.
        QTest::newRow("its session folder removed") << "removed" << 0 << "saved its settings" << 0;
        // Qt ends the process itself when the display goes away (an X11 session ended without a
        // session manager): what the copy held is saved all the same.
        QTest::newRow("the display goes away") << "display lost" << 0 << "" << 1;
        // Its session folder full from the start: nothing reaches the copy, which the close
        // must not take for an end.
        QTest::newRow("its session folder full") << "session full" << 1 << "did not end" << 0;
    }
    void closeOutcomes() {
        QFETCH(QString, fault);
        QFETCH(int, status);
        QFETCH(QString, closeSays);
        QFETCH(int, ends);
        const bool closed = fault != "shutdown" && fault != "display lost";
        std::optional<test::XvfbServer> ownDisplay;
        if (fault == "display lost") {
            ownDisplay.emplace();
            QVERIFY2(ownDisplay->start(), qPrintable(ownDisplay->error()));
        }
        const QString display = ownDisplay ? ownDisplay->display() : xvfb_.display();
        ProgramHome home(display, QStringLiteral("none"));
        const QString storePath = home.environment().persistentStorePath();
        const bool sessionFull = fault == "session full";
        std::unique_ptr<test::SmallDisk> disk;
        if (fault == "full" || sessionFull) {
            disk = std::make_unique<test::SmallDisk>(
                QFileInfo(sessionFull ? home.environment().volatileStorePath() : storePath).path());
            if (!disk->mounted())
                QSKIP("a small file system cannot be mounted here (needs root)");
        }
        if (sessionFull)
            disk->fill();
        home.store(test::threeColourCollection(home.environment().root()) +
                   QList<QPair<QString, QString>>{{"JustInstalled", "0"}});
        std::unique_ptr<test::StoreLock> lock;
        if (fault == "locked")
            lock = std::make_unique<test::StoreLock>(storePath, true);
        std::unique_ptr<test::SessionManager> session;
        if (fault == "checkpoint" || fault == "shutdown") {
            session = std::make_unique<test::SessionManager>();
            home.setVariable("SESSION_MANAGER", session->address);
        }
        QProcess program;
        program.setProcessEnvironment(home.processEnvironment());
        if (fault == "nohup")
            program.setChildProcessModifier([] { ::signal(SIGHUP, SIG_IGN); });
        program.start(ProgramHome::program());
        QTRY_COMPARE_WITH_TIMEOUT(windowsTitled(kTitle, display), 1, 20000);
        // The window's start opens the image plugins of the formats it reads, not every one on
        // the system (each stays loaded for the whole run): the one for icon files is a sign.
        QFile maps(QStringLiteral("/proc/%1/maps").arg(program.processId()));
        QVERIFY(maps.open(QIODevice::ReadOnly) && !maps.readAll().contains("/libqico.so"));
        if (fault == "nohup") {
            QFile signalState(QStringLiteral("/proc/%1/status").arg(program.processId()));
            QVERIFY(signalState.open(QIODevice::ReadOnly));
            const QByteArray state = signalState.readAll();
            const QByteArray ignored = state.mid(state.indexOf("SigIgn:") + 7, 18).trimmed();
            QVERIFY(ignored.toULongLong(nullptr, 16) & (1ULL << (SIGHUP - 1)));
        }
        if (session) {
            QTRY_COMPARE_WITH_TIMEOUT(session->clients.size(), 1, 10000);
            session->saveYourself(fault == "shutdown");
            QTRY_COMPARE_WITH_TIMEOUT(session->savesDone, 1, 10000);
            QVERIFY(!home.stored("WMainX").isEmpty());
            QCOMPARE(session->restartHint, 3); // never: the logon entry starts it
        }
        const QString sessionFolder = QFileInfo(home.environment().volatileStorePath()).path();
        if (fault == "removed") {
            QVERIFY(QDir(sessionFolder).removeRecursively());
            QTRY_VERIFY_WITH_TIMEOUT(home.storedVolatile("LifeTime").toDouble() != 0, 10000);
            QCOMPARE(home.run({}), 0);
            QTRY_COMPARE_WITH_TIMEOUT(windowsTitled(kTitle), 1, 5000); // shown again, to the front
        }
        // A second start that cannot reach the copy says so, rather than seem to bring it up.
        QString secondSays;
        if (sessionFull)
            QVERIFY(home.run({}, 30000, &secondSays) == 1 &&
                    secondSays.contains("could not be asked"));
        if (fault == "stopped" || fault == "raced" || fault == "killed")
            ::kill(pid_t(program.processId()), SIGSTOP);
        if (disk && !sessionFull)
            disk->fill();
        // Let go once the start has found the store locked: readable again, it still holds
        // what this copy never read.
        if (lock) {
            QByteArray said;
            QTRY_VERIFY_WITH_TIMEOUT(
                (said += program.readAllStandardError()).contains("cannot be read now"), 15000);
            lock.reset();
        }
        ownDisplay.reset();
        QProcess closing;
        closing.setProcessEnvironment(home.processEnvironment());
        if (closed)
            closing.start(ProgramHome::program(), {"-close"});
        QProcess* start = nullptr;
        if (fault == "raced" || fault == "killed")
            QTRY_COMPARE_WITH_TIMEOUT(home.storedVolatile("LifeCmd"), "1", 10000);
        if (fault == "killed")
            ::kill(pid_t(program.processId()), SIGKILL);
        if (fault == "raced") {
            start = &home.start();
            // It has read the pending close (it opens this lock under the queue lock) before the
            // copy goes on.
            const QString runningLock = sessionFolder + "/liveness-running.lock";
            QTRY_VERIFY_WITH_TIMEOUT(
                start->state() == QProcess::NotRunning || hasOpen(*start, runningLock), 10000);
            ::kill(pid_t(program.processId()), SIGCONT);
        }
        if (closed) {
            QVERIFY(closing.waitForFinished(60000));
            const QString closeErrors = QString::fromLocal8Bit(closing.readAllStandardError());
            QCOMPARE(closing.exitCode(), status);
            QVERIFY2(closeErrors.contains(closeSays), qPrintable(closeErrors));
        }
        if (fault == "killed") {
            QVERIFY(program.waitForFinished(10000));
            QCOMPARE(home.storedVolatile("LifeCmd"), "0");
            return;
        }
        if (fault == "stopped" || sessionFull) {
            ::kill(pid_t(program.processId()), SIGCONT);
            program.terminate();
        }
        // Served meanwhile, the session manager hears the program leave.
        QTRY_COMPARE_WITH_TIMEOUT(program.state(), QProcess::NotRunning, 20000);
        if (start) {
            QTRY_COMPARE_WITH_TIMEOUT(windowsTitled(kTitle), 1, 15000);
            QVERIFY(home.close(*start));
        }
        if (disk)
            disk->drain();
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), ends);
        QCOMPARE(home.storedVolatile("LifeTime"), sessionFull ? "" : "0");
        // A close obeyed saves the restored window; a copy that never read the store saves nothing.
        QCOMPARE(home.stored("WMainX").isEmpty(), status == 2);
        QVERIFY(!test::movedAside(storePath));
        QCOMPARE(home.stored("WN") + home.stored("WName3"), "3blue.bmp");
    }

    // A start that meets a "-next" start's copy on its way out (held in its save here; it says it
    // will end, so that the start waits however long that takes) waits for its end and comes up
    // in its place.
    void startAsACopyEnds() {
        ProgramHome home(xvfb_.display(), QStringLiteral("none"));
        home.store(test::threeColourCollection(home.environment().root()) +
                   QList<QPair<QString, QString>>{{"JustInstalled", "0"}});
        auto saveHeld =
            std::make_unique<test::StoreLock>(home.environment().persistentStorePath(), false);
        QProcess& next = home.start({"-next"});
        QTRY_VERIFY_WITH_TIMEOUT(home.storedVolatile("LifeTime").toDouble() != 0, 10000);
        QProcess& start = home.start();
        QTRY_COMPARE_WITH_TIMEOUT(home.storedVolatile("LifeCmd"), "2", 10000);
        QTRY_COMPARE_WITH_TIMEOUT(home.storedVolatile("LifeEnding"), "1", 10000);
        saveHeld.reset();
        QVERIFY(next.waitForFinished(10000));
        QTRY_COMPARE_WITH_TIMEOUT(windowsTitled(kTitle), 1, 15000);
        QCOMPARE(home.storedVolatile("LifeEnding"), "0");
        QVERIFY(home.close(start));
    }

    // A "-close" with nothing running says so; without a reachable display (X or Wayland, where
    // Qt would abort) a start says so and ends with status 1, one with arguments it does not know
    // as well, after naming them. Neither uses up the first start.
    void withoutADisplay() {
        ProgramHome home(xvfb_.display(), QStringLiteral("none"));
        QString errors;
        QCOMPARE(home.run({"-close"}, 20000, &errors), 0);
        QVERIFY2(errors.contains("not running"), qPrintable(errors));
        home.removeVariable("DISPLAY");
        QCOMPARE(home.run({"--Close"}, 20000, &errors), 1);
        QVERIFY2(errors.contains("ignored: \"--Close\"") &&
                     errors.contains("needs a graphical desktop"),
                 qPrintable(errors));
        home.setVariable("DISPLAY", ":4095");
        home.setVariable("WAYLAND_DISPLAY", "kv-nowhere-0");
        QCOMPARE(home.run({}, 20000, &errors), 1);
        QVERIFY2(errors.contains("cannot reach the Wayland display \"kv-nowhere-0\"") &&
                     errors.contains("cannot reach the X display"),
                 qPrintable(errors));
        QCOMPARE(home.stored("JustInstalled") + home.stored("WN"), QString());
    }
};

QTEST_GUILESS_MAIN(TestProgramProcess)
#include "tst_program_process.moc"
