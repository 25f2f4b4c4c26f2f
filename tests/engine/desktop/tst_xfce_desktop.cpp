// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/desktop/XfceDesktop.h"
#include "support/SessionBus.h"
#include "support/TestEnvironment.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {

// Two monitors by two workspaces, as xfdesktop leaves them after a session on two screens.
const QStringList kGroups{
    QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace0"),
    QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace1"),
    QStringLiteral("/backdrop/screen0/monitoreDP-1/workspace0"),
    QStringLiteral("/backdrop/screen0/monitoreDP-1/workspace1"),
};

} // namespace

// The XFCE backend against the real xfconfd on a private session bus, checked with xfconf-query
// and the daemon's own D-Bus answers (which tell the stored types).
class TestXfceDesktop : public QObject {
    Q_OBJECT

    test::TestEnvironment home_;
    test::SessionBus bus_;
    QTemporaryDir pictures_;

    // xfconf-query's answer, or a null QByteArray when it failed.
    QByteArray query(const QStringList& arguments) {
        QProcess tool;
        tool.start(QStringLiteral("xfconf-query"),
                   QStringList{QStringLiteral("-c"), QStringLiteral("xfce4-desktop")} + arguments);
        if (!tool.waitForFinished(20000) || tool.exitCode() != 0)
            return {};
        QByteArray output = tool.readAllStandardOutput().trimmed();
        return output.isNull() ? QByteArray("") : output;
    }

    void seed(const QString& property, const QString& type, const QString& value) {
        QVERIFY(!query({QStringLiteral("-n"), QStringLiteral("-p"), property, QStringLiteral("-t"),
                        type, QStringLiteral("-s"), value})
                     .isNull());
    }

    void resetChannel() {
        query({QStringLiteral("-r"), QStringLiteral("-R"), QStringLiteral("-p"),
               QStringLiteral("/backdrop")});
    }

    // The stored value exactly as the daemon hands it out, with its D-Bus signature.
    QString signatureOf(const QString& property) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.xfce.Xfconf"), QStringLiteral("/org/xfce/Xfconf"),
            QStringLiteral("org.xfce.Xfconf"), QStringLiteral("GetProperty"));
        message << QStringLiteral("xfce4-desktop") << property;
        const QDBusMessage reply = QDBusConnection::sessionBus().call(message);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return {};
        const QVariant value = reply.arguments().first().value<QDBusVariant>().variant();
        if (value.userType() == qMetaTypeId<QDBusArgument>())
            return value.value<QDBusArgument>().currentSignature();
        return QString::fromLatin1(QDBusMetaType::typeToSignature(value.metaType()));
    }

    QString picture(const QString& name) {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::blue);
        const QString path = pictures_.filePath(name);
        return image.save(path, "PNG") ? path : QString();
    }

private Q_SLOTS:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("xfconf-query")).isEmpty() ||
            !QFile::exists(QStringLiteral("/usr/share/dbus-1/services/org.xfce.Xfconf.service")))
            QSKIP("xfconf is not installed (packages xfconf, libxfconf-0-3)");
        if (!bus_.start())
            QSKIP(qPrintable(bus_.error()));
    }

    void init() { resetChannel(); }

    // Every existing monitor and workspace gets the picture, style and colour, with the types
    // xfdesktop reads.
    void everyWorkspaceOfEveryMonitor() {
        for (const QString& group : kGroups) {
            seed(group + QStringLiteral("/last-image"), QStringLiteral("string"),
                 QStringLiteral("/usr/share/backgrounds/old.png"));
            seed(group + QStringLiteral("/image-style"), QStringLiteral("int"),
                 QStringLiteral("6"));
        }
        QCOMPARE(XfceDesktop::existingGroups(), kGroups);

        const QString path = picture(QStringLiteral("it's a #1 100% Ærø.png"));
        XfceDesktop desktop;
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), -1); // spanning is none of ours
        QVERIFY(desktop.SetDesktopWallpaper(path));
        QVERIFY(desktop.SetDesktopWallpaperStyle(1));
        QVERIFY(desktop.SetDesktopColor(0x00336699));

        for (const QString& group : kGroups) {
            QCOMPARE(QString::fromUtf8(query({QStringLiteral("-p"), group + "/last-image"})), path);
            QCOMPARE(query({QStringLiteral("-p"), group + "/image-style"}), QByteArray("2"));
            QCOMPARE(query({QStringLiteral("-p"), group + "/color-style"}), QByteArray("0"));
            QCOMPARE(signatureOf(group + "/image-style"), QStringLiteral("i"));
            QCOMPARE(signatureOf(group + "/color-style"), QStringLiteral("i"));
            QCOMPARE(signatureOf(group + "/rgba1"), QStringLiteral("av"));
            const QList<QByteArray> lines =
                query({QStringLiteral("-p"), group + "/rgba1"}).split('\n');
            QCOMPARE(lines.size(), 6); // "Value is an array with 4 items:", a blank line, 4 values
            QCOMPARE(lines[2].toDouble(), 0x99 / 255.0);
            QCOMPARE(lines[3].toDouble(), 0x66 / 255.0);
            QCOMPARE(lines[4].toDouble(), 0x33 / 255.0);
            QCOMPARE(lines[5].toDouble(), 1.0);
        }
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), 1);
        QCOMPARE(desktop.GetDesktopColor(), DesktopColor(0x00336699));
    }

    void styles_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QByteArray>("imageStyle");
        QTest::newRow("centre") << 0 << QByteArray("1");
        QTest::newRow("tile") << 1 << QByteArray("2");
        QTest::newRow("stretch") << 2 << QByteArray("3");
        QTest::newRow("fit") << 3 << QByteArray("4");
        QTest::newRow("fill") << 4 << QByteArray("5");
    }

    void styles() {
        QFETCH(int, style);
        QFETCH(QByteArray, imageStyle);
        seed(kGroups[0] + QStringLiteral("/last-image"), QStringLiteral("string"),
             QStringLiteral("/x.png"));
        XfceDesktop desktop;
        QVERIFY(desktop.SetDesktopWallpaperStyle(style));
        QCOMPARE(query({QStringLiteral("-p"), kGroups[0] + "/image-style"}), imageStyle);
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), style);
        QVERIFY(!desktop.SetDesktopWallpaperStyle(5));
        QVERIFY(!desktop.SetDesktopWallpaperStyle(-1));
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), style);
    }

    // A fresh session has no backdrop properties yet: the picture creates them.
    void freshSessionGetsItsProperties() {
        QVERIFY(XfceDesktop::existingGroups().isEmpty());
        XfceDesktop desktop;
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), -1);
        QCOMPARE(desktop.GetDesktopColor(), kUnknownDesktopColor);
        const QString path = picture(QStringLiteral("fresh.png"));
        QVERIFY(desktop.SetDesktopWallpaper(path));
        const QStringList created = XfceDesktop::groupsToCreate();
        QCOMPARE(XfceDesktop::existingGroups(), created);
        QCOMPARE(QString::fromUtf8(query({QStringLiteral("-p"), created[0] + "/last-image"})),
                 path);
        QVERIFY(desktop.SetDesktopWallpaperStyle(2));
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), 2);
    }

    void unusableFilesAreRefused() {
        seed(kGroups[0] + QStringLiteral("/last-image"), QStringLiteral("string"),
             QStringLiteral("/kept.png"));
        XfceDesktop desktop;
        QVERIFY(!desktop.SetDesktopWallpaper(pictures_.filePath(QStringLiteral("absent.png"))));
        QVERIFY(!desktop.SetDesktopWallpaper(pictures_.path()));
        QCOMPARE(query({QStringLiteral("-p"), kGroups[0] + "/last-image"}),
                 QByteArray("/kept.png"));
    }
};

QTEST_MAIN(TestXfceDesktop)
#include "tst_xfce_desktop.moc"
