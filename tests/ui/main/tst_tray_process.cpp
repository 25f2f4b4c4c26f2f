// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/EndProcess.h"
#include "support/ProgramHome.h"
#include "support/RootPixels.h"
#include "support/SessionBus.h"
#include "support/XTools.h"
#include "support/XvfbServer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace kv;
using test::ProgramHome;

namespace {
constexpr int kPastDoubleClickMs = 800;
}

// The real program with a real notification area (trayer) in a real X server, clicked the way a
// user clicks.
class TestTrayProcess : public QObject {
    Q_OBJECT

    test::XvfbServer xvfb_;
    QProcess trayHost_;

    QString display() const { return xvfb_.display(); }

    int mainWindows() const {
        return int(
            test::visibleWindowsTitled(display(), QStringLiteral("Kestrovaline 1.0")).size());
    }

    QPoint iconCentre() const {
        return test::trayIconGeometry(display(), QStringLiteral("kestrovaline")).center();
    }

    // Clicks the icon as a user does: never within the double-click time of the click before.
    void clickIcon(int button, int repeat = 1) {
        QTest::qWait(kPastDoubleClickMs);
        test::clickAt(display(), iconCentre(), button, repeat);
    }

    bool rootShows(const QColor& colour) const {
        return test::closeColours(test::rootCentreColour(display()), colour);
    }

    // A program collapsed into the notification area at once, with automatic change off.
    QProcess& startInTray(ProgramHome& home) {
        auto values = test::threeColourCollection(home.environment().root());
        values.append({QStringLiteral("Automatic"), QStringLiteral("0")});
        values.append({QStringLiteral("AutoStart"), QStringLiteral("1")});
        home.store(values);
        QProcess& program = home.start({QStringLiteral("-logon")});
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(!iconCentre().isNull(), 15000);
        }();
        return program;
    }

    static void closeProgram(ProgramHome& home, QProcess& program) {
        QCOMPARE(home.run({QStringLiteral("-close")}), 0);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
    }

private Q_SLOTS:
    void initTestCase() {
        for (const char* tool : {"xdotool", "xwininfo", "trayer"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        }
        if (!xvfb_.start())
            QSKIP(qPrintable(xvfb_.error()));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display());
        trayHost_.setProcessEnvironment(environment);
        trayHost_.start(
            QStringLiteral("trayer"),
            {QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"),
             QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
             QStringLiteral("--height"), QStringLiteral("24"), QStringLiteral("--SetDockType"),
             QStringLiteral("true"), QStringLiteral("--transparent"), QStringLiteral("false")});
        QVERIFY(trayHost_.waitForStarted());
    }

    void cleanupTestCase() {
        trayHost_.terminate();
        trayHost_.waitForFinished(5000);
    }

    void leftClickTogglesAndASecondStartBringsTheWindowBack() {
        ProgramHome home(display(), QStringLiteral("none"));
        QProcess& program = startInTray(home);
        QCOMPARE(mainWindows(), 0);

        clickIcon(1);
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows(), 1, 5000);
        clickIcon(1);
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows(), 0, 5000);

        // A double click is a press and a double click: shown, then hidden again.
        clickIcon(1, 2);
        QTest::qWait(1000);
        QCOMPARE(mainWindows(), 0);

        // However often the window was hidden, there is one icon.
        const QString tree = test::runXTool(display(), QStringLiteral("xwininfo"),
                                            {QStringLiteral("-root"), QStringLiteral("-tree")});
        QCOMPARE(tree.count(QStringLiteral("(\"kestrovaline\" \"Kestrovaline\")  22x22")), 1);

        QCOMPARE(home.run({}, 5000), 0);
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows(), 1, 5000);

        closeProgram(home, program);
        // The icon leaves with the program.
        QTRY_VERIFY_WITH_TIMEOUT(iconCentre().isNull(), 5000);
    }

    void rightClickChangesTheWallpaperAndADoubleClickTwice() {
        ProgramHome home(display(), QStringLiteral("x11"));
        QProcess& program = startInTray(home);

        // List order from red: green, then blue and red for the two changes of a double click.
        clickIcon(3);
        QTRY_VERIFY_WITH_TIMEOUT(rootShows(Qt::green), 5000);
        clickIcon(3, 2);
        QTRY_VERIFY_WITH_TIMEOUT(rootShows(Qt::red), 5000);
        QCOMPARE(mainWindows(), 0);

        closeProgram(home, program);
        QCOMPARE(home.stored(QStringLiteral("WIndex")), QStringLiteral("0"));
    }

    // At logon the panel often starts after the programs it hosts, and a panel may restart:
    // each time a StatusNotifier watcher appears, the icon registers with it. The program is
    // started in German, and the host shows its tooltip in German.
    void iconRegistersWithAStatusNotifierHostThatComesLater() {
        test::SessionBus bus;
        if (!bus.start())
            QSKIP(qPrintable(bus.error()));
        ProgramHome home(display(), QStringLiteral("none"));
        home.setVariable(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        home.setVariable(QStringLiteral("LANGUAGE"), QStringLiteral("de"));
        QProcess& program = startInTray(home);
        QTest::qWait(3000);
        for (int start = 1; start <= 2; ++start) {
            QProcess watcher;
            watcher.setProcessEnvironment(home.processEnvironment());
            watcher.start(qEnvironmentVariable("KV_BUILD_DIR") +
                              QStringLiteral("/tests/fake_status_notifier_watcher"),
                          QStringList());
            QByteArray said;
            const auto registered = [&] {
                said += watcher.readAllStandardOutput();
                return said.contains("registered org.kde.StatusNotifierItem-") &&
                       said.contains(" with 6 pictures");
            };
            QTRY_VERIFY2_WITH_TIMEOUT(
                registered(),
                qPrintable(QStringLiteral("start %1: %2").arg(start).arg(QString::fromUtf8(said))),
                10000);
            // A click there, as the host passes it on, shows the window.
            if (start == 1) {
                const QString item = QString::fromUtf8(said).section(QLatin1Char(' '), 1, 1);
                QDBusConnection host =
                    QDBusConnection::connectToBus(bus.address(), QStringLiteral("host"));
                QDBusMessage title = QDBusMessage::createMethodCall(
                    item, QStringLiteral("/StatusNotifierItem"),
                    QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
                title << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("Title");
                QCOMPARE(host.call(title).arguments().value(0).value<QDBusVariant>().variant(),
                         QVariant(QStringLiteral("Kestrovaline-Hintergrundbildverwaltung")));
                QDBusMessage click = QDBusMessage::createMethodCall(
                    item, QStringLiteral("/StatusNotifierItem"),
                    QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"));
                click << 0 << 0;
                host.call(click);
                QTRY_COMPARE_WITH_TIMEOUT(mainWindows(), 1, 5000);
            }
            test::endProcess(watcher);
        }
        closeProgram(home, program);
    }
};

QTEST_GUILESS_MAIN(TestTrayProcess)
#include "tst_tray_process.moc"
