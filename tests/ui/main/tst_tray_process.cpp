// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/EndProcess.h"
#include "support/ProgramHome.h"
#include "support/RootPixels.h"
#include "support/SessionBus.h"
#include "support/XTools.h"
#include "support/XvfbServer.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace kv;
using test::ProgramHome;

namespace {

// A panel's StatusNotifier watcher, served by the test on the private bus: it keeps the items
// that register with it.
class Watcher : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
public:
    explicit Watcher(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    QStringList items;
public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { items.append(service); }
};

QDBusMessage itemCall(const QString& item, const char* interface, const char* method) {
    return QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"),
                                          QLatin1String(interface), QLatin1String(method));
}
QVariant itemProperty(QDBusConnection& host, const QString& item, const char* name) {
    const QDBusMessage reply =
        host.call(itemCall(item, "org.freedesktop.DBus.Properties", "Get")
                  << QStringLiteral("org.kde.StatusNotifierItem") << QLatin1String(name));
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}
// The icon pictures that have pixels, read as a host reads them.
int pictures(const QVariant& iconPixmap) {
    if (!iconPixmap.canConvert<QDBusArgument>())
        return -1;
    const auto array = iconPixmap.value<QDBusArgument>();
    int count = 0;
    array.beginArray();
    while (!array.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray argb;
        array.beginStructure();
        array >> width >> height >> argb;
        array.endStructure();
        count += width > 0 && argb.size() == qsizetype(width) * height * 4 ? 1 : 0;
    }
    array.endArray();
    return count;
}

} // namespace

// The real program in real notification areas, clicked the way a user clicks: an XEmbed tray
// (trayer) in a real X server, and a StatusNotifier host on a private session bus.
class TestTrayProcess : public QObject {
    Q_OBJECT

    test::XvfbServer xvfb_;
    QProcess trayHost_;

    int mainWindows() const {
        return int(
            test::visibleWindowsTitled(xvfb_.display(), QStringLiteral("Kestrovaline 1.0")).size());
    }
    QPoint iconCentre() const {
        return test::trayIconGeometry(xvfb_.display(), QStringLiteral("kestrovaline")).center();
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
        for (const char* tool : {"xdotool", "xwininfo", "trayer"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        if (!xvfb_.start())
            QSKIP(qPrintable(xvfb_.error()));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), xvfb_.display());
        trayHost_.setProcessEnvironment(environment);
        trayHost_.start(QStringLiteral("trayer"),
                        QStringLiteral("--edge bottom --align right --widthtype request --height "
                                       "24 --SetDockType true --transparent false")
                            .split(u' '));
        QVERIFY(trayHost_.waitForStarted());
    }

    void cleanupTestCase() { test::endProcess(trayHost_); }

    // A right click changes the wallpaper, a double click twice (a press, then the double click
    // the tray reports): list order from red is green, then blue and red. The window stays hidden.
    void rightClickChangesTheWallpaperAndADoubleClickTwice() {
        ProgramHome home(xvfb_.display(), QStringLiteral("x11"));
        QProcess& program = startInTray(home);
        const auto rootShows = [this](const QColor& colour) {
            return test::closeColours(test::rootCentreColour(xvfb_.display()), colour);
        };
        test::clickAt(xvfb_.display(), iconCentre(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(rootShows(Qt::green), 5000);
        QTest::qWait(800); // past the double-click time of the click before
        test::clickAt(xvfb_.display(), iconCentre(), 3, 2);
        QTRY_VERIFY_WITH_TIMEOUT(rootShows(Qt::red), 5000);
        QCOMPARE(mainWindows(), 0);
        closeProgram(home, program);
        QCOMPARE(home.stored(QStringLiteral("WIndex")), QStringLiteral("0"));
    }

    // At logon the panel often starts after the programs it hosts, and a panel may restart:
    // each time a StatusNotifier watcher appears, the icon registers with it, with its pictures.
    // Started in German, it offers the host its German title; a click there, as the host passes
    // it on, shows the window.
    void iconRegistersWithAStatusNotifierHostThatComesLater() {
        test::SessionBus bus;
        if (!bus.start())
            QSKIP(qPrintable(bus.error()));
        ProgramHome home(xvfb_.display(), QStringLiteral("none"));
        home.setVariable(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        home.setVariable(QStringLiteral("LANGUAGE"), QStringLiteral("de"));
        QProcess& program = startInTray(home);
        // The icon in the XEmbed tray shows the program started before any watcher.
        QDBusConnection host = QDBusConnection::connectToBus(bus.address(), "host");
        const QString prefix =
            QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(program.processId());
        QCOMPARE(mainWindows(), 0);
        for (int start = 1; start <= 2; ++start) {
            const QString name = QStringLiteral("panel %1").arg(start);
            QDBusConnection panel = QDBusConnection::connectToBus(bus.address(), name);
            QObject served;
            auto* watcher = new Watcher(&served);
            QVERIFY(panel.registerObject(QStringLiteral("/StatusNotifierWatcher"), &served));
            QVERIFY(panel.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
            QTRY_COMPARE_WITH_TIMEOUT(watcher->items.size(), 1, 10000);
            const QString item = watcher->items[0];
            QVERIFY2(item.startsWith(prefix), qPrintable(item));
            QCOMPARE(pictures(itemProperty(host, item, "IconPixmap")), 6);
            if (start == 1) {
                QCOMPARE(itemProperty(host, item, "Title"),
                         QVariant(QStringLiteral("Kestrovaline-Hintergrundbildverwaltung")));
                host.call(itemCall(item, "org.kde.StatusNotifierItem", "Activate") << 0 << 0);
                QTRY_COMPARE_WITH_TIMEOUT(mainWindows(), 1, 5000);
            }
            QDBusConnection::disconnectFromBus(name);
        }
        closeProgram(home, program);
    }
};

QTEST_GUILESS_MAIN(TestTrayProcess)
#include "tst_tray_process.moc"
