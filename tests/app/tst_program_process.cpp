// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ProgramHome.h"
#include "support/RootPixels.h"
#include "support/XTools.h"
#include "support/XvfbServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

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
    bool rootShows(const QColor& colour) const {
        const QColor shown = test::rootCentreColour(display());
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

    void closeWithNothingRunningEndsAtOnce() {
        ProgramHome home(display(), QStringLiteral("none"));
        QCOMPARE(home.run({QStringLiteral("-close")}, 2000), 0);
        QCOMPARE(home.storedVolatile(QStringLiteral("LifeCmd")), QString());
        QCOMPARE(home.storedVolatile(QStringLiteral("LifeTime")), QString());
    }

    void staleCloseCommandDoesNotOverwriteTheCollection() {
        ProgramHome home(display(), QStringLiteral("none"));
        home.store(test::threeColourCollection(home.environment().root()));
        home.storeVolatile(QStringLiteral("LifeCmd"), QStringLiteral("1"));
        QProcess& program = home.start();
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows(), 1, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(home.storedVolatile(QStringLiteral("LifeCmd")),
                                  QStringLiteral("0"), 5000);
        QCOMPARE(program.state(), QProcess::Running);
        QCOMPARE(home.stored(QStringLiteral("WN")), QStringLiteral("3"));
        QCOMPARE(home.stored(QStringLiteral("WName1")), QStringLiteral("red.bmp"));
        QCOMPARE(home.run({QStringLiteral("-close")}), 0);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(home.stored(QStringLiteral("WN")), QStringLiteral("3"));
    }

    // The ways a logon start can go, and the logon entry it leaves.
    void logonStart_data() {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QString>("automatic");
        QTest::addColumn<QString>("logon");
        QTest::addColumn<QString>("autoStart");
        QTest::addColumn<bool>("staysResident");
        QTest::addColumn<QColor>("root");
        // The user's logon entry before the start: none, an earlier one of ours, or ours hidden
        // by the user.
        QTest::addColumn<QByteArray>("entry");
        const QByteArray earlier = "[Desktop Entry]\nType=Application\nExec=kestrovaline -logon\n";
        // A desktop that keeps its wallpaper, so nothing else calls for a logon start.
        QTest::newRow("manual, no autostart: ends, saves nothing, drops the logon entry")
            << "none"
            << "0"
            << "1"
            << "0" << false << QColor() << earlier;
        QTest::newRow("automatic without logon change: only collapses")
            << "x11"
            << "1"
            << "0"
            << "1" << true << QColor() << QByteArray();
        QTest::newRow("automatic logon change: next picture, then collapses")
            << "x11"
            << "1"
            << "1"
            << "1" << true << QColor(Qt::green) << earlier;
        QTest::newRow("logon entry hidden by the user stays")
            << "x11"
            << "1"
            << "0"
            << "1" << true << QColor() << earlier + "Hidden=true\n";
    }
    void logonStart() {
        QFETCH(QString, desktop);
        QFETCH(QString, automatic);
        QFETCH(QString, logon);
        QFETCH(QString, autoStart);
        QFETCH(bool, staysResident);
        QFETCH(QColor, root);
        QFETCH(QByteArray, entry);
        ProgramHome home(display(), desktop);
        QFile entryFile(home.environment().configHome() + "/autostart/kestrovaline.desktop");
        if (!entry.isNull()) {
            QDir().mkpath(QFileInfo(entryFile).path());
            QVERIFY(entryFile.open(QIODevice::WriteOnly));
            entryFile.write(entry);
            entryFile.close();
        }
        // What the user finds in the autostart folder once the program has started.
        const auto checkEntry = [&] {
            const bool hidden = entry.contains("Hidden=true");
            QCOMPARE(entryFile.exists(), staysResident || hidden);
            if (!entryFile.exists())
                return;
            QVERIFY(entryFile.open(QIODevice::ReadOnly));
            const QByteArray text = entryFile.readAll();
            entryFile.close();
            if (hidden) {
                QCOMPARE(text, entry);
                return;
            }
            // The program outside the PATH is named by its full path.
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
        auto values = test::threeColourCollection(home.environment().root());
        values.append({QStringLiteral("Automatic"), automatic});
        values.append({QStringLiteral("AutoLogon"), logon});
        values.append({QStringLiteral("AutoPeriod"), QStringLiteral("0")});
        values.append({QStringLiteral("AutoTime"), QStringLiteral("0")});
        values.append({QStringLiteral("AutoStart"), autoStart});
        home.store(values);
        paintRootGrey();

        if (!staysResident) {
            QCOMPARE(home.run({QStringLiteral("-logon")}), 0);
            // Nothing saved, and the heartbeat is left as it was.
            QCOMPARE(home.stored(QStringLiteral("WMainX")), QString());
            QVERIFY(home.storedVolatile(QStringLiteral("LifeTime")).toDouble() > 0);
            QVERIFY(rootShows(root));
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
            QVERIFY(rootShows(QColor()));
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

    void noDisplayGivesAdviceNotACrash() {
        ProgramHome home(display(), QStringLiteral("none"));
        home.removeVariable(QStringLiteral("DISPLAY"));
        QString errors;
        QCOMPARE(home.run({}, 20000, &errors), 1);
        QVERIFY2(errors.contains(QStringLiteral("needs a graphical desktop")), qPrintable(errors));
        QVERIFY2(errors.contains(QStringLiteral("xvfb-run")), qPrintable(errors));

        home.setVariable(QStringLiteral("DISPLAY"), QStringLiteral(":4095"));
        QCOMPARE(home.run({}, 20000, &errors), 1);
        QVERIFY2(errors.contains(QStringLiteral("cannot reach the X display")), qPrintable(errors));
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
