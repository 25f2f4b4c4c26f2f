// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProgramHome.h"
#include "support/RootPixels.h"
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

#include <sqlite3.h>
#include <sys/mount.h>

#include <csignal>
#include <memory>

using namespace kv;
using test::ProgramHome;

namespace {

const QString kTitle = QStringLiteral("Kestrovaline 1.0");
const QString kStartupTitle = QStringLiteral("Kestrovaline wallpaper manager startup");

int xwininfoField(const QString& info, const char* field) {
    const QRegularExpression line(QStringLiteral("^\\s*%1:\\s*(-?\\d+)\\s*$")
                                      .arg(QRegularExpression::escape(QLatin1String(field))),
                                  QRegularExpression::MultilineOption);
    const auto match = line.match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QRect windowGeometry(const QString& display, const QString& id) {
    const QString info =
        test::runXTool(display, QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    return QRect(xwininfoField(info, "Absolute upper-left X"),
                 xwininfoField(info, "Absolute upper-left Y"), xwininfoField(info, "Width"),
                 xwininfoField(info, "Height"));
}

const QString kKey = QStringLiteral("Software\\Kestrovaline\\Kestrovaline");

// Another program holding the settings store locked, as a backup or a second tool may: for
// writing only, or (whole) for reading too.
class StoreLock {
public:
    StoreLock(const QString& path, bool whole) {
        sqlite3_open(path.toUtf8().constData(), &db_);
        if (whole)
            sqlite3_exec(db_, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr);
        sqlite3_exec(db_,
                     "BEGIN IMMEDIATE; "
                     "INSERT OR REPLACE INTO settings VALUES('lock', 'lock', 'held')",
                     nullptr, nullptr, nullptr);
    }
    ~StoreLock() { sqlite3_close_v2(db_); }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    sqlite3* db_ = nullptr;
};

// A small file system of its own for the persistent store, to be filled up.
class SmallDisk {
public:
    explicit SmallDisk(const QString& folder) : folder_(folder) {
        QDir().mkpath(folder);
        mounted_ = ::mount("tmpfs", folder.toLocal8Bit().constData(), "tmpfs", 0, "size=1m") == 0;
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount2(folder_.toLocal8Bit().constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }
    void fill() const {
        QFile filler(QDir(folder_).filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly))
            return;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    void drain() const { QFile::remove(QDir(folder_).filePath(QStringLiteral("filler"))); }

private:
    QString folder_;
    bool mounted_ = false;
};

bool movedAside(const QString& storePath) {
    const QFileInfo store(storePath);
    return !store.exists() || !QDir(store.absolutePath())
                                   .entryList({store.fileName() + QStringLiteral(".damaged-*")})
                                   .isEmpty();
}

} // namespace

// The real program as a user starts it, in a real X server with the X11 root backend.
class TestProgramProcess : public QObject {
    Q_OBJECT

    test::XvfbServer xvfb_;

    QString display() const { return xvfb_.display(); }
    int mainWindows() const { return int(test::visibleWindowsTitled(display(), kTitle).size()); }
    void paintRootGrey() {
        test::runXTool(display(), QStringLiteral("xsetroot"),
                       {QStringLiteral("-solid"), QStringLiteral("#808080")});
    }
    // An invalid colour stands for "none of the collection's pictures".
    bool rootShows(const QColor& colour, const QString& on = {}) const {
        const QColor shown = test::rootCentreColour(on.isEmpty() ? display() : on);
        if (colour.isValid())
            return test::closeColours(shown, colour);
        return shown.isValid() && !test::closeColours(shown, Qt::red) &&
               !test::closeColours(shown, Qt::green) && !test::closeColours(shown, Qt::blue);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(!ProgramHome::program().isEmpty(), "KV_PROGRAM names the program under test");
        for (const char* tool : {"xdotool", "xsetroot"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        }
        if (!xvfb_.start())
            QSKIP(qPrintable(xvfb_.error()));
    }

    void startShowsTheWindowAndCloseSavesAndEndsIt() {
        ProgramHome home(display(), QStringLiteral("none"));
        home.store(test::threeColourCollection(home.environment().root()));
        QProcess& first = home.start();
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows(), 1, 15000);
        QVERIFY(home.storedVolatile(QStringLiteral("LifeTime")).toDouble() > 0);
        // Panels show the program's own icon for its window.
        QVERIFY(test::runXTool(display(), QStringLiteral("xprop"),
                               {QStringLiteral("-name"), kTitle, QStringLiteral("_NET_WM_ICON")})
                    .startsWith(QStringLiteral("_NET_WM_ICON(CARDINAL) = ")));

        // A second start finds the running copy and ends without a window of its own.
        QCOMPARE(home.run({}), 0);
        QCOMPARE(mainWindows(), 1);
        QCOMPARE(first.state(), QProcess::Running);

        QCOMPARE(home.run({QStringLiteral("-close")}), 0);
        QVERIFY(first.waitForFinished(10000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(home.storedVolatile(QStringLiteral("LifeTime")), QStringLiteral("0"));
        QCOMPARE(home.storedVolatile(QStringLiteral("LifeCmd")), QStringLiteral("0"));
        QCOMPARE(home.stored(QStringLiteral("WN")), QStringLiteral("3"));
        QCOMPARE(home.stored(QStringLiteral("WName3")), QStringLiteral("blue.bmp"));
        QCOMPARE(home.stored(QStringLiteral("WMainX")).isEmpty(), false);
    }

    // The start-up report comes up over the main window and must be seen there, drawn. The
    // screen is read with a plain GetImage of the root: "xwd -root" composes windows that have
    // colormaps of their own, as Qt's have, and shows a window lying wholly inside another as
    // black although the screen shows it.
    void startupReportIsDrawnOverTheMainWindow() {
        if (QStandardPaths::findExecutable(QStringLiteral("xwininfo")).isEmpty())
            QSKIP("xwininfo is not installed (package x11-utils)");
        ProgramHome home(display(), QStringLiteral("none"));
        home.store({{QStringLiteral("WN"), QStringLiteral("2")},
                    {QStringLiteral("WName1"), QStringLiteral("gone-1.jpg")},
                    {QStringLiteral("WPath1"), QStringLiteral("/nonexistent")},
                    {QStringLiteral("WName2"), QStringLiteral("gone-2.jpg")},
                    {QStringLiteral("WPath2"), QStringLiteral("/nonexistent")}});
        home.start();
        QTRY_COMPARE_WITH_TIMEOUT(int(test::visibleWindowsTitled(display(), kStartupTitle).size()),
                                  1, 15000);
        const QString report = test::visibleWindowsTitled(display(), kStartupTitle).constFirst();
        const QRect dialog = windowGeometry(display(), report);
        const QStringList mains = test::visibleWindowsTitled(display(), kTitle);
        QCOMPARE(mains.size(), 1);
        const QRect main = windowGeometry(display(), mains.constFirst());
        QVERIFY2(main.contains(dialog.center()), "the report's centre lies over the main window");

        // Between the message and the answers the report shows its own light, neutral
        // background; the window system may take a moment to show what was drawn.
        const auto backgroundAtCentre = [&] {
            const QImage screen = test::readRootPixels(display());
            if (screen.isNull())
                return false;
            const QColor shown = screen.pixelColor(dialog.center());
            return shown.lightness() > 200 &&
                   test::closeColours(shown, QColor(shown.red(), shown.red(), shown.red()), 8);
        };
        QTRY_VERIFY_WITH_TIMEOUT(backgroundAtCentre(), 5000);
    }

    // The ways a logon start can go, and the logon entry it leaves. The X server forgets the
    // wallpaper with the session (a new server, or another program's picture on the root): a
    // start shows the current entry again, red, unless its logon change shows the next, green.
    // An automatic start also starts at logon and stays resident; a manual one without
    // autostart ends. The user's logon entry before the start is none or an earlier one of ours.
    void logonStart_data() {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<bool>("newServer");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("logonChange");
        QTest::addColumn<QColor>("root");
        QTest::addColumn<bool>("earlierEntry");
        // A desktop that keeps its wallpaper, so nothing else calls for a logon start.
        QTest::newRow("manual, no autostart: ends, saves nothing, drops the logon entry")
            << "none" << false << false << true << QColor() << true;
        QTest::newRow("manual, no autostart, new X server: shows, ends, keeps the logon entry")
            << "x11" << true << false << true << QColor(Qt::red) << true;
        QTest::newRow("automatic without logon change: shows, collapses")
            << "x11" << false << true << false << QColor(Qt::red) << false;
        QTest::newRow("automatic logon change: next picture, then collapses")
            << "x11" << false << true << true << QColor(Qt::green) << true;
    }
    void logonStart() {
        QFETCH(QString, desktop);
        QFETCH(bool, newServer);
        QFETCH(bool, automatic);
        QFETCH(bool, logonChange);
        QFETCH(QColor, root);
        QFETCH(bool, earlierEntry);
        test::XvfbServer fresh;
        if (newServer)
            QVERIFY2(fresh.start(), qPrintable(fresh.error()));
        const QString shownOn = newServer ? fresh.display() : display();
        ProgramHome home(shownOn, desktop);
        QFile entryFile(home.environment().configHome() + "/autostart/kestrovaline.desktop");
        if (earlierEntry) {
            QDir().mkpath(QFileInfo(entryFile).path());
            QVERIFY(entryFile.open(QIODevice::WriteOnly));
            entryFile.write("[Desktop Entry]\nType=Application\nExec=kestrovaline -logon\n");
            entryFile.close();
        }
        // What the user finds in the autostart folder once the program has started: the
        // program outside the PATH named by its full path.
        const auto checkEntry = [&] {
            QCOMPARE(entryFile.exists(), automatic || desktop == QLatin1String("x11"));
            if (!entryFile.exists())
                return;
            QVERIFY(entryFile.open(QIODevice::ReadOnly));
            const QByteArray text = entryFile.readAll();
            entryFile.close();
            const QString exec = QString::fromUtf8(text).section(QStringLiteral("\nExec="), 1, 1);
            QVERIFY2(exec.section(QLatin1Char('\n'), 0, 0).endsWith(QStringLiteral(" -logon")),
                     text.constData());
            QCOMPARE(QFileInfo(exec.section(QStringLiteral(" -logon"), 0, 0)).canonicalFilePath(),
                     QFileInfo(ProgramHome::program()).canonicalFilePath());
            if (!QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty())
                QCOMPARE(QProcess::execute(QStringLiteral("desktop-file-validate"),
                                           {entryFile.fileName()}),
                         0);
        };
        const QString automaticText = automatic ? QStringLiteral("1") : QStringLiteral("0");
        auto values = test::threeColourCollection(home.environment().root());
        values.append({QStringLiteral("Automatic"), automaticText});
        values.append(
            {QStringLiteral("AutoLogon"), logonChange ? QStringLiteral("1") : QStringLiteral("0")});
        values.append({QStringLiteral("AutoPeriod"), QStringLiteral("0")});
        values.append({QStringLiteral("AutoTime"), QStringLiteral("0")});
        values.append({QStringLiteral("AutoStart"), automaticText});
        home.store(values);
        if (!newServer)
            paintRootGrey();

        if (!automatic) {
            QCOMPARE(home.run({QStringLiteral("-logon")}), 0);
            // Nothing saved, and the heartbeat says the copy has ended.
            QCOMPARE(home.stored(QStringLiteral("WMainX")), QString());
            QCOMPARE(home.storedVolatile(QStringLiteral("LifeTime")), QStringLiteral("0"));
            QVERIFY(rootShows(root, shownOn));
            checkEntry();
            return;
        }
        QProcess& program = home.start({QStringLiteral("-LOGON")});
        // The collapse saves the state; the change, when there is one, comes before it.
        QTRY_VERIFY_WITH_TIMEOUT(!home.stored(QStringLiteral("WMainX")).isEmpty(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(rootShows(root), 5000);
        QCOMPARE(mainWindows(), 0);
        QCOMPARE(program.state(), QProcess::Running);
        checkEntry();
        QCOMPARE(home.run({QStringLiteral("-close")}), 0);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(home.stored(QStringLiteral("WIndex")), root == QColor(Qt::green) ? "1" : "0");
    }

    // "-next" from a shortcut or the menu: the running copy changes the wallpaper as a right
    // click on its icon does; with none, this start makes the change and ends, reporting a
    // failure on standard error and in its exit status.
    void next_data() {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("picturesThere");
        QTest::addColumn<int>("status");
        QTest::addColumn<QColor>("root");
        QTest::newRow("no copy: one change, then ends") << false << true << 0 << QColor(Qt::green);
        QTest::newRow("no copy, pictures gone: failure on stderr")
            << false << false << 1 << QColor();
        QTest::newRow("the running copy changes it") << true << true << 0 << QColor(Qt::green);
    }
    void next() {
        QFETCH(bool, running);
        QFETCH(bool, picturesThere);
        QFETCH(int, status);
        QFETCH(QColor, root);
        ProgramHome home(display(), QStringLiteral("x11"));
        const QString folder = home.environment().root();
        auto values = test::threeColourCollection(folder);
        values.append({QStringLiteral("Automatic"), QStringLiteral("1")});
        values.append({QStringLiteral("AutoLogon"), QStringLiteral("0")});
        values.append({QStringLiteral("AutoPeriod"), QStringLiteral("0")});
        values.append({QStringLiteral("AutoTime"), QStringLiteral("0")});
        values.append({QStringLiteral("AutoStart"), QStringLiteral("1")});
        home.store(values);
        if (!picturesThere)
            for (const char* name : {"red.bmp", "green.png", "blue.bmp"})
                QVERIFY(QFile::remove(QDir(folder).filePath(QLatin1String(name))));
        paintRootGrey();
        QProcess* copy = nullptr;
        if (running) {
            copy = &home.start({QStringLiteral("-logon")});
            QTRY_VERIFY_WITH_TIMEOUT(!home.stored(QStringLiteral("WMainX")).isEmpty(), 15000);
            // The start showed the current entry again on the forgetful root.
            QVERIFY(rootShows(Qt::red));
        }

        QString errors;
        QCOMPARE(home.run({QStringLiteral("-next")}, 20000, &errors), status);
        QTRY_VERIFY_WITH_TIMEOUT(rootShows(root), 5000);
        QCOMPARE(mainWindows(), 0);
        QCOMPARE(errors.contains(QStringLiteral("kestrovaline: ")), status != 0);
        if (copy) {
            QCOMPARE(copy->state(), QProcess::Running);
            QCOMPARE(home.run({QStringLiteral("-close")}), 0);
            QVERIFY(copy->waitForFinished(10000));
        }
        // The change moved the current entry and was saved; the heartbeat says nothing runs.
        QCOMPARE(home.stored(QStringLiteral("WIndex")), status == 0 ? "1" : "0");
        QCOMPARE(home.storedVolatile(QStringLiteral("LifeTime")).toDouble(), 0.0);
    }

    // Starts that race each other, as a double click or the logon start racing the user's own:
    // one copy stays, on a fresh store it imports the samples, and the session's end (SIGTERM)
    // saves them.
    void startsTogetherLeaveOneCopy_data() {
        QTest::addColumn<int>("starts");
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<int>("rounds");
        QTest::newRow("two starts 20 ms apart") << 2 << 20 << 10;
        QTest::newRow("two starts 100 ms apart") << 2 << 100 << 10;
        QTest::newRow("ten starts at once") << 10 << 0 << 20;
    }
    void startsTogetherLeaveOneCopy() {
        QFETCH(int, starts);
        QFETCH(int, gapMs);
        QFETCH(int, rounds);
        for (int round = 1; round <= rounds; ++round) {
            ProgramHome home(display(), QStringLiteral("none"));
            QList<std::shared_ptr<QProcess>> copies;
            QElapsedTimer sinceFirst;
            sinceFirst.start();
            for (int n = 0; n < starts; ++n) {
                while (sinceFirst.elapsed() < qint64(n) * gapMs)
                    QThread::usleep(200);
                copies.append(std::make_shared<QProcess>());
                copies.last()->setProcessEnvironment(home.processEnvironment());
                copies.last()->start(ProgramHome::program());
            }
            const auto runningCopies = [&copies] {
                QList<QProcess*> running;
                for (const auto& copy : copies) {
                    if (copy->state() != QProcess::NotRunning)
                        running.append(copy.get());
                }
                return running;
            };
            QTRY_COMPARE_WITH_TIMEOUT(runningCopies().size(), 1, 20000);
            QTRY_COMPARE_WITH_TIMEOUT(mainWindows(), 1, 15000);
            QProcess* copy = runningCopies().constFirst();
            copy->terminate();
            QVERIFY(copy->waitForFinished(10000));
            for (const auto& each : copies)
                QCOMPARE(each->exitCode(), 0);
            QVERIFY2(home.stored(QStringLiteral("WN")).toInt() >= 4,
                     qPrintable(QString::number(round)));
            QCOMPARE(home.stored(QStringLiteral("JustInstalled")), QStringLiteral("0"));
            QCOMPARE(home.storedVolatile(QStringLiteral("LifeTime")), QStringLiteral("0"));
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
        QTest::newRow("nothing running") << "none" << QString() << 0 << "not running"
                                         << "";
        QTest::newRow("the copy saves and ends") << "" << kTitle << 0 << "saved its settings"
                                                 << "";
        QTest::newRow("a start-up message is open")
            << "change fails" << QStringLiteral("Kestrovaline wallpaper autochange") << 0
            << "saved its settings"
            << "";
        QTest::newRow("the copy does not answer") << "stopped" << kTitle << 1 << "did not end"
                                                  << "";
        QTest::newRow("store locked at the save")
            << "lock at save" << kTitle << 2 << "could not be saved"
            << "Unable to save settings!";
        QTest::newRow("store locked at the start")
            << "lock at start" << kTitle << 2 << "could not be saved"
            << "cannot be read now";
        QTest::newRow("disk full") << "disk full" << kTitle << 2 << "could not be saved"
                                   << "Unable to save settings!";
    }
    void closeOutcomes() {
        QFETCH(QString, fault);
        QFETCH(QString, readyTitle);
        QFETCH(int, status);
        QFETCH(QString, closeSays);
        QFETCH(QString, programSays);
        ProgramHome home(display(), QStringLiteral("none"));
        auto values = test::threeColourCollection(home.environment().root());
        values.append({QStringLiteral("JustInstalled"), QStringLiteral("0")});
        if (fault == QLatin1String("change fails")) {
            values.append({QStringLiteral("AutoLogon"), QStringLiteral("0")});
            values.append({QStringLiteral("AutoPeriod"), QStringLiteral("1")});
            values.append({QStringLiteral("AutoTime"), QStringLiteral("0")});
            values.append({QStringLiteral("AutoChangeDate"), QStringLiteral("2020-01-01")});
        }
        QString storePath = home.environment().persistentStorePath();
        std::unique_ptr<SmallDisk> disk;
        if (fault == QLatin1String("disk full")) {
            const QString folder = home.environment().root() + QStringLiteral("/small");
            disk = std::make_unique<SmallDisk>(folder);
            if (!disk->mounted())
                QSKIP("a small file system cannot be mounted here (needs root)");
            home.setVariable(QStringLiteral("XDG_CONFIG_HOME"), folder);
            storePath = folder + QStringLiteral("/kestrovaline/settings.sqlite");
        }
        {
            auto store = SqliteSettingsStore::open(storePath);
            for (const auto& [name, text] : values)
                store->writeText(kKey, name, text);
        }
        const auto storedCount = [&storePath] {
            return SqliteSettingsStore::open(storePath)->readText(kKey, QStringLiteral("WN"));
        };

        std::unique_ptr<StoreLock> lock;
        QElapsedTimer locked;
        if (fault == QLatin1String("lock at start")) {
            lock = std::make_unique<StoreLock>(storePath, true);
            locked.start();
        }
        QProcess program;
        if (fault != QLatin1String("none")) {
            program.setProcessEnvironment(home.processEnvironment());
            program.start(ProgramHome::program());
            QTRY_COMPARE_WITH_TIMEOUT(int(test::visibleWindowsTitled(display(), readyTitle).size()),
                                      1, 20000);
        }
        if (fault == QLatin1String("stopped"))
            ::kill(pid_t(program.processId()), SIGSTOP);
        if (fault == QLatin1String("lock at save"))
            lock = std::make_unique<StoreLock>(storePath, false);
        if (fault == QLatin1String("lock at start")) {
            // Held for ten seconds in all, then let go: the store is readable again.
            QTest::qWait(int(qMax<qint64>(0, 10000 - locked.elapsed())));
            lock.reset();
        }
        if (disk)
            disk->fill();

        QString closeErrors;
        QCOMPARE(home.run({QStringLiteral("-close")}, 60000, &closeErrors), status);
        QVERIFY2(closeErrors.contains(closeSays), qPrintable(closeErrors));
        if (fault == QLatin1String("stopped")) {
            ::kill(pid_t(program.processId()), SIGCONT);
            program.terminate();
        }
        lock.reset();
        if (fault != QLatin1String("none")) {
            QVERIFY(program.waitForFinished(20000));
            const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
            QVERIFY2(errors.contains(programSays), qPrintable(errors));
            QCOMPARE(program.exitCode(), status == 1 ? 0 : status);
        }
        if (disk)
            disk->drain();
        QVERIFY(!movedAside(storePath));
        // A close with nothing running leaves no command for a later start.
        if (fault == QLatin1String("none"))
            QCOMPARE(home.storedVolatile(QStringLiteral("LifeCmd")), QString());
        QCOMPARE(storedCount(), QStringLiteral("3"));
        // A close obeyed during the start-up message saves the restored window too.
        if (fault == QLatin1String("change fails"))
            QVERIFY(!SqliteSettingsStore::open(storePath)
                         ->readText(kKey, QStringLiteral("WMainX"))
                         .isEmpty());
    }

    // Neither a "-close" nor a start without a display uses up the first start.
    void noDisplayGivesAdviceAndLeavesTheFirstStart() {
        ProgramHome home(display(), QStringLiteral("none"));
        QCOMPARE(home.run({QStringLiteral("-close")}), 0);
        home.removeVariable(QStringLiteral("DISPLAY"));
        QString errors;
        QCOMPARE(home.run({}, 20000, &errors), 1);
        QVERIFY2(errors.contains(QStringLiteral("needs a graphical desktop")), qPrintable(errors));
        QVERIFY2(errors.contains(QStringLiteral("xvfb-run")), qPrintable(errors));

        home.setVariable(QStringLiteral("DISPLAY"), QStringLiteral(":4095"));
        QCOMPARE(home.run({}, 20000, &errors), 1);
        QVERIFY2(errors.contains(QStringLiteral("cannot reach the X display")), qPrintable(errors));
        home.setVariable(QStringLiteral("DISPLAY"), display());
        QProcess& program = home.start();
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows(), 1, 15000);
        QCOMPARE(home.run({QStringLiteral("-close")}), 0);
        QVERIFY(program.waitForFinished(10000));
        QVERIFY(home.stored(QStringLiteral("WN")).toInt() >= 4);
    }

    void helpAndVersionNeedNoDisplay() {
        ProgramHome home(display(), QStringLiteral("none"));
        home.removeVariable(QStringLiteral("DISPLAY"));
        QProcess process;
        process.setProcessEnvironment(home.processEnvironment());
        process.start(ProgramHome::program(), {QStringLiteral("--version")});
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
        process.start(ProgramHome::program(), {QStringLiteral("--help")});
        QVERIFY(process.waitForFinished(10000));
        QVERIFY(process.readAllStandardOutput().contains("-close"));
    }
};

QTEST_GUILESS_MAIN(TestProgramProcess)
#include "tst_program_process.moc"
