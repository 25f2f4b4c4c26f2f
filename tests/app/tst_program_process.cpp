// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProgramHome.h"
#include "support/RootPixels.h"
#include "support/StoreFaults.h"
#include "support/XTools.h"
#include "support/XvfbServer.h"

#include "settings/SqliteSettingsStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <csignal>
#include <memory>

using namespace kv;
using test::ProgramHome;
using Values = QList<QPair<QString, QString>>;

namespace {

const QString kTitle = QStringLiteral("Kestrovaline 1.0");
const QString kStartupTitle = QStringLiteral("Kestrovaline wallpaper manager startup");
const QString kKey = QStringLiteral("Software\\Kestrovaline\\Kestrovaline");

QRect windowGeometry(const QString& display, const QString& id) {
    const QString info = test::runXTool(display, QStringLiteral("xwininfo"), {"-id", id});
    const auto field = [&info](const char* name) {
        return QRegularExpression(
                   QStringLiteral("^\\s*%1:\\s*(-?\\d+)\\s*$").arg(QLatin1String(name)),
                   QRegularExpression::MultilineOption)
            .match(info)
            .captured(1)
            .toInt();
    };
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                 field("Height"));
}

// The three-colour collection and the given options, as a previous run left them.
void storeCollection(ProgramHome& home, const Values& options) {
    home.store(test::threeColourCollection(home.environment().root()) + options);
}

} // namespace

// The real program as a user starts it, in a real X server with the X11 root backend.
class TestProgramProcess : public QObject {
    Q_OBJECT

    test::XvfbServer xvfb_;

    QString display() const { return xvfb_.display(); }
    int windowsTitled(const QString& title) const {
        return int(test::visibleWindowsTitled(display(), title).size());
    }
    int mainWindows() const { return windowsTitled(kTitle); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(!ProgramHome::program().isEmpty(), "KV_PROGRAM names the program under test");
        for (const char* tool : {"xdotool", "xsetroot", "xwininfo"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        }
        if (!xvfb_.start())
            QSKIP(qPrintable(xvfb_.error()));
    }

    // The start-up report comes up over the main window and must be seen there, drawn. The
    // screen is read with a plain GetImage of the root: "xwd -root" composes windows that have
    // colormaps of their own, as Qt's have, and shows a window lying wholly inside another as
    // black although the screen shows it.
    void startupReportIsDrawnOverTheMainWindow() {
        ProgramHome home(display(), QStringLiteral("none"));
        home.store({{"WN", "2"},
                    {"WName1", "gone-1.jpg"},
                    {"WPath1", "/nonexistent"},
                    {"WName2", "gone-2.jpg"},
                    {"WPath2", "/nonexistent"}});
        home.start();
        QTRY_COMPARE_WITH_TIMEOUT(windowsTitled(kStartupTitle), 1, 15000);
        const QRect dialog = windowGeometry(
            display(), test::visibleWindowsTitled(display(), kStartupTitle).constFirst());
        const QStringList mains = test::visibleWindowsTitled(display(), kTitle);
        QCOMPARE(mains.size(), 1);
        QVERIFY2(windowGeometry(display(), mains.constFirst()).contains(dialog.center()),
                 "the report's centre lies over the main window");

        // Between the message and the answers the report shows its own light, neutral
        // background; the window system may take a moment to show what was drawn.
        const auto backgroundAtCentre = [&] {
            const QImage screen = test::readRootPixels(display());
            const QColor shown = screen.isNull() ? QColor() : screen.pixelColor(dialog.center());
            return shown.lightness() > 200 &&
                   test::closeColours(shown, QColor(shown.red(), shown.red(), shown.red()), 8);
        };
        QTRY_VERIFY_WITH_TIMEOUT(backgroundAtCentre(), 5000);
    }

    // A new X server has forgotten the wallpaper: a manual-mode logon start shows the current
    // entry again, ends without saving, and keeps the logon entry an earlier version left,
    // naming the program outside the PATH by its full path.
    void logonStartOnANewXServer() {
        test::XvfbServer fresh;
        QVERIFY2(fresh.start(), qPrintable(fresh.error()));
        ProgramHome home(fresh.display(), QStringLiteral("x11"));
        QFile entry(home.environment().configHome() + "/autostart/kestrovaline.desktop");
        QDir().mkpath(QFileInfo(entry).path());
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nExec=kestrovaline -logon\n");
        entry.close();
        storeCollection(home, {{"Automatic", "0"}, {"AutoLogon", "1"}, {"AutoStart", "0"}});
        QCOMPARE(home.run({"-logon"}), 0);
        QCOMPARE(home.stored("WMainX"), QString());
        QCOMPARE(home.storedVolatile("LifeTime"), "0");
        QTRY_VERIFY_WITH_TIMEOUT(
            test::closeColours(test::rootCentreColour(fresh.display()), Qt::red), 5000);
        QCOMPARE(int(test::visibleWindowsTitled(fresh.display(), kTitle).size()), 0);
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString exec =
            QString::fromUtf8(entry.readAll()).section("\nExec=", 1, 1).section('\n', 0, 0);
        QVERIFY2(exec.endsWith(" -logon"), qPrintable(exec));
        QCOMPARE(QFileInfo(exec.chopped(7)).canonicalFilePath(),
                 QFileInfo(ProgramHome::program()).canonicalFilePath());
        if (!QStandardPaths::findExecutable("desktop-file-validate").isEmpty())
            QCOMPARE(QProcess::execute("desktop-file-validate", {entry.fileName()}), 0);
    }

    // "-next" with no copy to take it and the pictures gone: the failure is told on standard
    // error and in the exit status, and the heartbeat says nothing runs.
    void nextThatFailsSaysSo() {
        ProgramHome home(display(), QStringLiteral("x11"));
        storeCollection(home, {{"Automatic", "1"},
                               {"AutoLogon", "0"},
                               {"AutoPeriod", "0"},
                               {"AutoTime", "0"},
                               {"AutoStart", "1"}});
        for (const char* name : {"red.bmp", "green.png", "blue.bmp"})
            QVERIFY(QFile::remove(QDir(home.environment().root()).filePath(name)));
        QString errors;
        QCOMPARE(home.run({"-next"}, 20000, &errors), 1);
        QVERIFY2(errors.contains("kestrovaline: "), qPrintable(errors));
        QCOMPARE(mainWindows(), 0);
        QCOMPARE(home.stored("WIndex"), "0");
        QCOMPARE(home.storedVolatile("LifeTime").toDouble(), 0.0);
    }

    // Starts that race each other, as a double click or the logon start racing the user's own:
    // one copy stays, on a fresh store it imports the samples, and the session's end (SIGTERM)
    // saves them.
    void startsTogetherLeaveOneCopy_data() {
        QTest::addColumn<int>("starts");
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<int>("rounds");
        QTest::newRow("two starts 20 ms apart") << 2 << 20 << 10;
        QTest::newRow("ten starts at once") << 10 << 0 << 20;
    }
    void startsTogetherLeaveOneCopy() {
        QFETCH(int, starts);
        QFETCH(int, gapMs);
        QFETCH(int, rounds);
        for (int round = 1; round <= rounds; ++round) {
            ProgramHome home(display(), QStringLiteral("none"));
            std::vector<std::unique_ptr<QProcess>> copies;
            QElapsedTimer sinceFirst;
            sinceFirst.start();
            for (int n = 0; n < starts; ++n) {
                while (sinceFirst.elapsed() < qint64(n) * gapMs)
                    QThread::usleep(200);
                copies.push_back(std::make_unique<QProcess>());
                copies.back()->setProcessEnvironment(home.processEnvironment());
                copies.back()->start(ProgramHome::program());
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
            QTRY_COMPARE_WITH_TIMEOUT(mainWindows(), 1, 15000);
            QVERIFY(runningCopies() == 1);
            running.constFirst()->terminate();
            QVERIFY(running.constFirst()->waitForFinished(10000));
            for (const auto& each : copies)
                QCOMPARE(each->exitCode(), 0);
            QVERIFY2(home.stored("WN").toInt() >= 4, qPrintable(QString::number(round)));
            QCOMPARE(home.stored("JustInstalled"), "0");
            QCOMPARE(home.storedVolatile("LifeTime"), "0");
        }
    }

    // What "-close" says and returns, and that a store in trouble is reported, never moved
    // aside, and keeps what it held.
    void closeOutcomes_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("readyTitle");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("closeSays");
        QTest::addColumn<QString>("programSays");
        const auto row = [](const char* name, const char* fault, const QString& readyTitle,
                            int status, const char* closeSays, const char* programSays = "") {
            QTest::newRow(name) << fault << readyTitle << status << closeSays << programSays;
        };
        row("the copy saves and ends", "", kTitle, 0, "saved its settings");
        row("a start-up message is open", "change fails",
            QStringLiteral("Kestrovaline wallpaper autochange"), 0, "saved its settings");
        row("the copy does not answer", "stopped", kTitle, 1, "did not end");
        row("store locked at the save", "lock at save", kTitle, 2, "could not be saved",
            "Unable to save settings!");
        row("store locked at the start", "lock at start", kTitle, 2, "could not be saved",
            "cannot be read now");
        row("disk full", "disk full", kTitle, 2, "could not be saved", "Unable to save settings!");
    }
    void closeOutcomes() {
        QFETCH(QString, fault);
        QFETCH(QString, readyTitle);
        QFETCH(int, status);
        QFETCH(QString, closeSays);
        QFETCH(QString, programSays);
        ProgramHome home(display(), QStringLiteral("none"));
        Values values =
            test::threeColourCollection(home.environment().root()) + Values{{"JustInstalled", "0"}};
        if (fault == "change fails")
            values += Values{{"AutoLogon", "0"},
                             {"AutoPeriod", "1"},
                             {"AutoTime", "0"},
                             {"AutoChangeDate", "2020-01-01"}};
        QString storePath = home.environment().persistentStorePath();
        std::unique_ptr<test::SmallDisk> disk;
        if (fault == "disk full") {
            const QString folder = home.environment().root() + QStringLiteral("/small");
            disk = std::make_unique<test::SmallDisk>(folder);
            if (!disk->mounted())
                QSKIP("a small file system cannot be mounted here (needs root)");
            home.setVariable("XDG_CONFIG_HOME", folder);
            storePath = folder + QStringLiteral("/kestrovaline/settings.sqlite");
        }
        const auto stored = [&storePath](const char* name) {
            return SqliteSettingsStore::open(storePath)->readText(kKey, name);
        };
        {
            auto store = SqliteSettingsStore::open(storePath);
            for (const auto& [name, text] : values)
                store->writeText(kKey, name, text);
        }

        std::unique_ptr<test::StoreLock> lock;
        if (fault == "lock at start")
            lock = std::make_unique<test::StoreLock>(storePath, true);
        QProcess program;
        QString said;
        const auto programSaid = [&] {
            said += QString::fromLocal8Bit(program.readAllStandardError());
            return said.contains(programSays);
        };
        program.setProcessEnvironment(home.processEnvironment());
        program.start(ProgramHome::program());
        QTRY_COMPARE_WITH_TIMEOUT(windowsTitled(readyTitle), 1, 20000);
        if (fault.isEmpty()) {
            // The heartbeat beats, panels show the program's own icon for its window, and a
            // second start finds this copy and ends without a window of its own.
            QVERIFY(home.storedVolatile("LifeTime").toDouble() > 0);
            QVERIFY(test::runXTool(display(), "xprop", {"-name", kTitle, "_NET_WM_ICON"})
                        .startsWith("_NET_WM_ICON(CARDINAL) = "));
            QCOMPARE(home.run({}), 0);
            QCOMPARE(mainWindows(), 1);
        }
        if (fault == "stopped")
            ::kill(pid_t(program.processId()), SIGSTOP);
        if (fault == "lock at save")
            lock = std::make_unique<test::StoreLock>(storePath, false);
        // Let go once the start has found the store locked: readable again, it still holds
        // what this copy never read.
        if (fault == "lock at start") {
            QTRY_VERIFY_WITH_TIMEOUT(programSaid(), 15000);
            lock.reset();
        }
        if (disk)
            disk->fill();

        QString closeErrors;
        QCOMPARE(home.run({"-close"}, 60000, &closeErrors), status);
        QVERIFY2(closeErrors.contains(closeSays), qPrintable(closeErrors));
        if (fault == "stopped") {
            ::kill(pid_t(program.processId()), SIGCONT);
            program.terminate();
        }
        lock.reset();
        QVERIFY(program.waitForFinished(20000));
        QVERIFY2(programSaid(), qPrintable(said));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status == 1 ? 0 : status);
        QCOMPARE(home.storedVolatile("LifeTime"), "0");
        // A close obeyed, even during the start-up message, saves the restored window.
        QCOMPARE(stored("WMainX").isEmpty(), status == 2);
        if (disk)
            disk->drain();
        QVERIFY(!test::movedAside(storePath));
        QCOMPARE(home.storedVolatile("LifeCmd"), "0");
        QCOMPARE(stored("WN"), "3");
        QCOMPARE(stored("WName3"), "blue.bmp");
    }

    // Neither a "-close" with nothing running, the help, nor a start without a display uses up the
    // first start.
    void withoutADisplay() {
        ProgramHome home(display(), QStringLiteral("none"));
        QString errors;
        QCOMPARE(home.run({"-close"}, 20000, &errors), 0);
        QVERIFY2(errors.contains("not running"), qPrintable(errors));
        QCOMPARE(home.storedVolatile("LifeCmd"), QString());
        home.removeVariable("DISPLAY");
        QCOMPARE(home.run({}, 20000, &errors), 1);
        QVERIFY2(errors.contains("needs a graphical desktop") && errors.contains("xvfb-run"),
                 qPrintable(errors));
        QProcess process;
        process.setProcessEnvironment(home.processEnvironment());
        process.start(ProgramHome::program(), {"--version"});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 0);
        const QByteArray version = process.readAllStandardOutput();
        QVERIFY(version.startsWith("Kestrovaline 1.0\nDesktop: none"));
        // The manual beside the program in the build.
        const QString manual =
            QString::fromLocal8Bit(version).section(QStringLiteral("\nManual: "), 1).trimmed();
        QVERIFY2(QFileInfo(manual).isFile(), version.constData());
        QCOMPARE(QFileInfo(manual).canonicalFilePath(),
                 QFileInfo(qEnvironmentVariable("KV_BUILD_DIR") + "/KestrovalineHelp.html")
                     .canonicalFilePath());
        process.start(ProgramHome::program(), {"--help"});
        QVERIFY(process.waitForFinished(10000));
        QVERIFY(process.readAllStandardOutput().contains("-close"));

        home.setVariable("DISPLAY", ":4095");
        QCOMPARE(home.run({}, 20000, &errors), 1);
        QVERIFY2(errors.contains("cannot reach the X display"), qPrintable(errors));
        home.setVariable("DISPLAY", display());
        QProcess& program = home.start();
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows(), 1, 15000);
        QVERIFY(home.close(program));
        QVERIFY(home.stored("WN").toInt() >= 4);
    }
};

QTEST_GUILESS_MAIN(TestProgramProcess)
#include "tst_program_process.moc"
