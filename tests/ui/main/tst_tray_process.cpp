// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsLocation.h"
#include "settings/SqliteSettingsStore.h"
#include "support/EndProcess.h"
#include "support/ProgramHome.h"
#include "support/RootPixels.h"
#include "support/SessionBus.h"
#include "support/StatusNotifierWatcher.h"
#include "support/XTools.h"
#include "support/XvfbServer.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

using namespace kv;
using test::ProgramHome;

// The desktop's notification service: what the program tells through it.
class Notifications : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit Notifications(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    QStringList told;
    QStringList bodies;
public Q_SLOTS:
    QStringList GetCapabilities() { return {QStringLiteral("body-markup")}; }
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        told.append(summary);
        bodies.append(body);
        return uint(told.size());
    }
};

// That service on a private session bus, served by the test.
struct NotificationService {
    test::SessionBus bus;
    QObject served;
    const Notifications* notifications = new Notifications(&served);
    QDBusConnection desktop{QString()};
    ~NotificationService() { QDBusConnection::disconnectFromBus(QStringLiteral("notifications")); }
    bool serve() {
        desktop = QDBusConnection::connectToBus(bus.address(), QStringLiteral("notifications"));
        return desktop.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &served) &&
               desktop.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
};

// A watcher whose service is busy (answering "no host" late) or stopped (holding every call
// until it wakes, never at a negative time).
class SlowWatcher : public QDBusVirtualObject {
public:
    SlowWatcher(int delayMs, int wakesAfterMs) : delayMs_(delayMs) {
        if (wakesAfterMs >= 0)
            QTimer::singleShot(wakesAfterMs, this, [this] {
                for (const auto& [call, bus] : std::exchange(held_, {}))
                    answer(call, bus);
                awake_ = true;
            });
    }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
        if (awake_)
            answer(call, bus);
        else
            held_.append({call, bus});
        return true;
    }
    QString introspect(const QString&) const override { return {}; }

private:
    void answer(const QDBusMessage& call, const QDBusConnection& bus) {
        QTimer::singleShot(delayMs_, this, [call, bus] {
            bus.send(call.createReply(QVariant::fromValue(QDBusVariant(false))));
        });
    }
    int delayMs_;
    bool awake_ = false;
    QList<QPair<QDBusMessage, QDBusConnection>> held_;
};

// The real program in a real X server under a real window manager (openbox), used through
// xdotool the way a user does it: its icon in an XEmbed tray (trayer) and in a StatusNotifier
// host on a private session bus, and its main window.
class TestTrayProcess : public QObject {
    Q_OBJECT

    test::XvfbServer xvfb_;
    QProcess windowManager_;
    QProcess trayHost_;

    QString xdotool(const QString& arguments) const {
        return test::runXTool(xvfb_.display(), QStringLiteral("xdotool"), arguments.split(u' '));
    }
    QStringList windowsTitled(const QString& title) const {
        return test::visibleWindowsTitled(xvfb_.display(), title);
    }
    QStringList mainWindows() const { return windowsTitled(QStringLiteral("Kestrovaline 1.0")); }
    // A key or click sent to a window that has no focus upsets openbox.
    bool isActive(const QString& window) const {
        return xdotool(QStringLiteral("getactivewindow")).trimmed() == window;
    }
    QPoint iconCentre() const {
        return test::trayIconGeometry(xvfb_.display(), QStringLiteral("kestrovaline")).center();
    }
    QRect windowGeometry(const QString& window) const {
        // WINDOW=…, X=…, Y=…, WIDTH=…, HEIGHT=…, one a line.
        const QStringList shell =
            xdotool(QStringLiteral("getwindowgeometry --shell ") + window).split(u'\n');
        const auto value = [&shell](int line) {
            return shell.value(line).section(u'=', 1).toInt();
        };
        return {value(1), value(2), value(3), value(4)};
    }
    QPoint windowPlace(const QString& window) const { return windowGeometry(window).topLeft(); }
    // The pointer goes in small steps, as a hand moves it, so the window manager sees motion.
    void movePointerBy(QPoint by) const {
        for (int i = 0; i < 8; ++i) {
            xdotool(QStringLiteral("mousemove_relative -- %1 %2").arg(by.x() / 8).arg(by.y() / 8));
            QTest::qWait(30);
        }
    }
    bool startTrayHost() {
        trayHost_.start(QStringLiteral("trayer"),
                        QStringLiteral("--edge bottom --align right --widthtype request --height "
                                       "24 --SetDockType true --transparent false")
                            .split(u' '));
        return trayHost_.waitForStarted();
    }
    // A program collapsed into the notification area at once, with automatic change off; the
    // caller waits for its icon.
    QProcess& startInTray(ProgramHome& home) {
        auto values = test::threeColourCollection(home.environment().root());
        values.append({QStringLiteral("Automatic"), QStringLiteral("0")});
        values.append({QStringLiteral("AutoStart"), QStringLiteral("1")});
        home.store(values);
        return home.start({QStringLiteral("-logon")});
    }

private Q_SLOTS:
    void initTestCase() {
        for (const char* tool : {"xdotool", "xwininfo", "xprop", "xrandr", "trayer", "openbox"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        if (!xvfb_.start())
            QSKIP(qPrintable(xvfb_.error()));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), xvfb_.display());
        windowManager_.setProcessEnvironment(environment);
        windowManager_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY(windowManager_.waitForStarted());
        // The manager is ready once it has claimed the screen.
        QTRY_VERIFY_WITH_TIMEOUT(
            test::runXTool(xvfb_.display(), QStringLiteral("xprop"),
                           {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                .contains(QStringLiteral("window id")),
            20000);
        trayHost_.setProcessEnvironment(environment);
        QVERIFY(startTrayHost());
    }

    void cleanupTestCase() {
        test::endProcess(trayHost_);
        test::endProcess(windowManager_);
    }

    // A right click changes the wallpaper, a double click twice (a press, then the double click
    // the tray reports): list order from red is green, then blue and red, the window hidden. A
    // left click brings the window forward; a left drag on its background moves it by the drag,
    // and once released it stays where it is however the pointer goes on (which buttons and
    // how far start a move is tst_main_window's dragsMoveTheWindow).
    void trayClicksAndAWindowDrag() {
        ProgramHome home(xvfb_.display(), QStringLiteral("x11"));
        QProcess& program = startInTray(home);
        QTRY_VERIFY_WITH_TIMEOUT(!iconCentre().isNull(), 15000);
        const auto rootShows = [this](const QColor& colour) {
            return test::closeColours(test::rootCentreColour(xvfb_.display()), colour);
        };
        test::clickAt(xvfb_.display(), iconCentre(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(rootShows(Qt::green), 20000); // a loaded machine
        QTest::qWait(800); // past the double-click time of the click before
        test::clickAt(xvfb_.display(), iconCentre(), 3, 2);
        QTRY_VERIFY_WITH_TIMEOUT(rootShows(Qt::red), 20000);
        QVERIFY(mainWindows().isEmpty());
        QTest::qWait(800);
        test::clickAt(xvfb_.display(), iconCentre(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows().size(), 1, 5000);
        const QString window = mainWindows()[0];
        QTRY_VERIFY_WITH_TIMEOUT(isActive(window), 5000);
        const QPoint start = windowPlace(window);
        const QPoint drag(120, 80);
        // The window's background, inside its margin, left of the headings.
        xdotool(
            QStringLiteral("mousemove %1 %2 mousedown 1").arg(start.x() + 4).arg(start.y() + 4));
        movePointerBy(drag);
        xdotool(QStringLiteral("mouseup 1"));
        QTest::qWait(200);
        // The move starts once the pointer has gone the drag distance, a step here; a busy
        // machine may have let a step or two more go by first, which the window lags by.
        const QPoint moved = windowPlace(window);
        const QPoint lag = start + drag - moved;
        QVERIFY2(lag.x() >= 0 && lag.y() >= 0 && lag.x() <= drag.x() * 3 / 8 &&
                     lag.y() <= drag.y() * 3 / 8,
                 qPrintable(QStringLiteral("lags %1, %2").arg(lag.x()).arg(lag.y())));
        // Let go, it stays.
        movePointerBy(QPoint(-160, 120));
        QTest::qWait(300);
        QCOMPARE(windowPlace(window), moved);
        // A click whose change fails leaves its message open; an end asked for meanwhile closes
        // it and ends cleanly, though the icon that took the click is still handling it.
        for (const char* name : {"red.bmp", "green.png", "blue.bmp"})
            QVERIFY(QFile::remove(QDir(home.environment().root()).filePath(name)));
        test::clickAt(xvfb_.display(), iconCentre(), 3);
        QTRY_COMPARE_WITH_TIMEOUT(windowsTitled("Kestrovaline wallpaper autochange").size(), 1,
                                  15000);
        QVERIFY(home.close(program));
        QCOMPARE(home.stored(QStringLiteral("WIndex")), QStringLiteral("0"));
    }

    // The message dialog and the main window come back where they were left at every start, at
    // 200 % where the title bar is at its tallest: the stored corner is the frame's, never the
    // inside's. The main window needs more room than the screen has, and is fitted to it all the
    // same; one stored with its title bar above the screen comes back with it on the screen, one
    // on a second monitor narrower than the first stays there.
    void windowsKeepTheirPlaceOverStarts_data() {
        QTest::addColumn<QString>("window"); // as the stored names have it
        QTest::addColumn<QPoint>("stored");  // logical pixels
        QTest::addColumn<QPoint>("kept");
        QTest::addColumn<QStringList>("monitors"); // as xrandr's --setmonitor takes them
        QTest::addColumn<int>("scale");
        QTest::newRow("message dialog")
            << "Msg" << QPoint(100, 100) << QPoint(100, 100) << QStringList() << 2;
        QTest::newRow("main window, stored above the screen")
            << "Main" << QPoint(0, -10) << QPoint(0, 0) << QStringList() << 2;
        // Scaled, each monitor's logical corner would be its corner in pixels: at 100 % the
        // stored and the shown places are alike.
        QTest::newRow("main window, on a narrow second monitor")
            << "Main" << QPoint(880, 0) << QPoint(880, 0)
            << QStringList{"M0 880/232x1024/270+0+0 screen", "M1 400/105x1024/270+880+0 none"} << 1;
    }
    void windowsKeepTheirPlaceOverStarts() {
        QFETCH(QString, window);
        QFETCH(QPoint, stored);
        QFETCH(QPoint, kept);
        QFETCH(QStringList, monitors);
        QFETCH(int, scale);
        const auto xrandr = [this](const QString& arguments) {
            test::runXTool(xvfb_.display(), QStringLiteral("xrandr"), arguments.split(u' '));
        };
        const auto removed = qScopeGuard([&] {
            for (const QString& monitor : monitors)
                xrandr("--delmonitor " + monitor.section(u' ', 0, 0));
        });
        for (const QString& monitor : monitors)
            xrandr("--setmonitor " + monitor);
        ProgramHome home(xvfb_.display(), QStringLiteral("none"));
        home.setVariable(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
        auto values = test::threeColourCollection(home.environment().root());
        // A picture gone since: each start reports it.
        values.append({QStringLiteral("WName1"), QStringLiteral("gone.bmp")});
        const QString xName = u'W' + window + u'X';
        const QString yName = u'W' + window + u'Y';
        values.append({xName, QString::number(stored.x() * 15)});
        values.append({yName, QString::number(stored.y() * 15)});
        home.store(values);
        const QString title = QStringLiteral("Kestrovaline wallpaper manager startup");
        for (int start = 1; start <= 3; ++start) {
            QProcess& program = home.start();
            QTRY_COMPARE_WITH_TIMEOUT(windowsTitled(title).size(), 1, 15000);
            const QString report = windowsTitled(title).value(0);
            const QString placed = window == QLatin1String("Msg") ? report : mainWindows().value(0);
            QTRY_COMPARE_WITH_TIMEOUT(test::framePlace(xvfb_.display(), placed), kept * scale,
                                      5000);
            // No larger than the screen (its frame may stick out a little, as a stored place may).
            const QSize size = windowGeometry(placed).size();
            QVERIFY2(size.width() <= 1280 && size.height() <= 1024,
                     qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())));
            // Answered as a user does.
            QTRY_VERIFY_WITH_TIMEOUT(isActive(report), 5000);
            xdotool(QStringLiteral("key Escape"));
            QTRY_VERIFY_WITH_TIMEOUT(windowsTitled(title).isEmpty(), 5000);
            QVERIFY(home.close(program));
            QCOMPARE(home.stored(xName), QString::number(kept.x() * 15));
            QCOMPARE(home.stored(yName), QString::number(kept.y() * 15));
        }
        if (monitors.isEmpty())
            return;
        // Its monitor removed while it was out of sight, it comes back on the one left (sticking
        // out no more than a stored place may, and its frame).
        QProcess& program = home.start();
        QTRY_VERIFY_WITH_TIMEOUT(isActive(windowsTitled(title).value(0)), 15000);
        xdotool(QStringLiteral("key Escape"));
        QTRY_VERIFY_WITH_TIMEOUT(isActive(mainWindows().value(0)), 5000);
        xdotool(QStringLiteral("key Escape"));
        QTRY_VERIFY_WITH_TIMEOUT(mainWindows().isEmpty(), 5000);
        xrandr("--delmonitor " + monitors.last().section(u' ', 0, 0));
        QCOMPARE(home.run({}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(windowGeometry(mainWindows().value(0)).right() < 880 + 20, 5000);
        QVERIFY(home.close(program));
    }

    // Where nothing shows the icon, the window the user collapses (by minimising it here) says
    // so through the desktop's notifications, once; a logon start, whose window nobody saw,
    // says nothing, nor does a window collapsing into a tray. A watcher that never answers
    // takes the icon without holding the window up, and shows nothing; one that answers late,
    // also past D-Bus's 25 s limit, leaves it to the tray once it has.
    void collapsingWithoutANotificationAreaSaysSoOnce_data() {
        QTest::addColumn<bool>("tray");
        QTest::addColumn<int>("watcherDelayMs");      // 0: no watcher
        QTest::addColumn<int>("watcherWakesAfterMs"); // -1: never
        QTest::newRow("no notification area") << false << 0 << 0;
        QTest::newRow("X11 tray") << true << 0 << 0;
        QTest::newRow("X11 tray, a watcher that never answers") << true << 1 << -1;
        QTest::newRow("X11 tray, a watcher that answers late") << true << 3000 << 0;
        QTest::newRow("X11 tray, a watcher stopped 30 s") << true << 1 << 30000;
    }
    void collapsingWithoutANotificationAreaSaysSoOnce() {
        QFETCH(bool, tray);
        QFETCH(int, watcherDelayMs);
        QFETCH(int, watcherWakesAfterMs);
        NotificationService service;
        if (!service.bus.start())
            QSKIP(qPrintable(service.bus.error()));
        QVERIFY(service.serve());
        const Notifications* notifications = service.notifications;
        SlowWatcher watcher(watcherDelayMs, watcherWakesAfterMs);
        if (watcherDelayMs != 0) {
            QVERIFY(service.desktop.registerVirtualObject(QStringLiteral("/StatusNotifierWatcher"),
                                                          &watcher));
            QVERIFY(
                service.desktop.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
        }
        const bool iconShown = tray && watcherWakesAfterMs >= 0;
        if (!tray)
            test::endProcess(trayHost_);
        const auto trayBack = qScopeGuard([this, tray] { QVERIFY(tray || startTrayHost()); });
        ProgramHome home(xvfb_.display(), QStringLiteral("none"));
        home.setVariable(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), service.bus.address());
        QProcess& program = startInTray(home);
        // A second start before the first took the heartbeat would be the copy that runs.
        QTRY_VERIFY_WITH_TIMEOUT(home.storedVolatile(QStringLiteral("LifeTime")).toDouble() != 0,
                                 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!iconShown || !iconCentre().isNull(), 45000);
        for (int shown = 1; shown <= 2; ++shown) {
            QCOMPARE(home.run({}), 0);
            QTRY_COMPARE_WITH_TIMEOUT(mainWindows().size(), 1, 15000);
            QCOMPARE(notifications->told.size(), iconShown || shown == 1 ? 0 : 1);
            xdotool(QStringLiteral("windowminimize %1").arg(mainWindows()[0]));
            QTRY_VERIFY_WITH_TIMEOUT(mainWindows().isEmpty(), 5000);
            QTRY_COMPARE_WITH_TIMEOUT(notifications->told.size(), iconShown ? 0 : 1, 5000);
        }
        QVERIFY(home.close(program));
        QCoreApplication::processEvents();
        QCOMPARE(notifications->told,
                 iconShown ? QStringList() : QStringList{"Kestrovaline is still running"});
    }

    // A "-next" start has nobody to close a dialog: the change it could not make, unless the
    // user switched change failures off, and a damaged store it set aside (its name holding an
    // "&" and a "<" here) reach the user as notifications.
    void aNextStartTellsWhatWentWrongAsNotifications() {
        NotificationService service;
        if (!service.bus.start())
            QSKIP(qPrintable(service.bus.error()));
        QVERIFY(service.serve());
        ProgramHome home(xvfb_.display(), QStringLiteral("none"));
        home.setVariable(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), service.bus.address());
        home.setVariable(QStringLiteral("XDG_CONFIG_HOME"),
                         home.environment().root() + QStringLiteral("/R&D <config>"));
        const QString store = persistentStorePath(home.processEnvironment());
        const QString key = QStringLiteral("Software\\Kestrovaline\\Kestrovaline");
        for (const QString shown : {"0", "1", "damaged"}) {
            QFile damaged(store);
            QVERIFY(shown == QLatin1String("damaged")
                        ? damaged.open(QIODevice::WriteOnly) && damaged.write("damaged") == 7
                        : SqliteSettingsStore::open(store)->writeAll(
                              key, {{"WN", "0"}, {"JustInstalled", "0"}, {"Confirm2", shown}}));
            damaged.close();
            QProcess& next = home.start({QStringLiteral("-next")});
            QTRY_COMPARE_WITH_TIMEOUT(next.state(), QProcess::NotRunning, 20000);
        }
        const QStringList told = service.notifications->bodies;
        QCOMPARE(told.value(0).section(u'!', 0, 0), QStringLiteral("Unable to set new wallpaper"));
        QVERIFY2(told.value(1).contains(QStringLiteral("R&amp;D &lt;config&gt;/kestrovaline/"
                                                       "settings.sqlite was damaged")),
                 qPrintable(told.join(u'\n')));
    }

    // At logon the panel often starts after the programs it hosts, and a panel may restart:
    // each time a StatusNotifier host appears, the icon registers with it. A watcher without a
    // host (a background service's) shows nothing: until a host registers, the X11 tray shows
    // the icon, also one that starts after the program. A click there, as the host passes it on,
    // shows or hides the window.
    void iconRegistersWithAStatusNotifierHostThatComesLater_data() {
        QTest::addColumn<bool>("trayLate");
        QTest::newRow("X11 tray first") << false;
        QTest::newRow("X11 tray after the program") << true;
    }
    void iconRegistersWithAStatusNotifierHostThatComesLater() {
        QFETCH(bool, trayLate);
        test::SessionBus bus;
        if (!bus.start())
            QSKIP(qPrintable(bus.error()));
        ProgramHome home(xvfb_.display(), QStringLiteral("none"));
        home.setVariable(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        QProcess* program = nullptr;
        for (int start = 1; start <= 2; ++start) {
            const QString name = QStringLiteral("%1, panel %2")
                                     .arg(QLatin1String(QTest::currentDataTag()))
                                     .arg(start);
            QDBusConnection panel = QDBusConnection::connectToBus(bus.address(), name);
            QObject served;
            auto* watcher = new test::StatusNotifierWatcher(&served);
            watcher->host = program;
            QVERIFY(panel.registerObject(QStringLiteral("/StatusNotifierWatcher"), &served));
            QVERIFY(panel.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
            if (!program) {
                if (trayLate)
                    test::endProcess(trayHost_);
                program = &startInTray(home);
                if (trayLate) {
                    // With no X11 tray either, the watcher takes the icon, for a host to come.
                    QTRY_COMPARE_WITH_TIMEOUT(watcher->items.size(), 1, 15000);
                    QVERIFY(startTrayHost());
                    watcher->items.clear();
                }
                QTRY_VERIFY_WITH_TIMEOUT(!iconCentre().isNull(), 15000);
                QVERIFY(watcher->items.isEmpty());
                watcher->host = true;
                Q_EMIT watcher->StatusNotifierHostRegistered();
            }
            QTRY_COMPARE_WITH_TIMEOUT(watcher->items.size(), 1, 10000);
            QCOMPARE(mainWindows().size(), start - 1);
            panel.call(QDBusMessage::createMethodCall(
                           watcher->items[0], QStringLiteral("/StatusNotifierItem"),
                           QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"))
                       << 0 << 0);
            QTRY_COMPARE_WITH_TIMEOUT(mainWindows().size(), 2 - start, 5000);
            QDBusConnection::disconnectFromBus(name);
        }
        QVERIFY(home.close(*program));
    }
};

QTEST_GUILESS_MAIN(TestTrayProcess)
#include "tst_tray_process.moc"
