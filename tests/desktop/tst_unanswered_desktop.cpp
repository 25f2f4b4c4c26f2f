// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopBus.h"
#include "desktop/DesktopLoader.h"
#include "support/PictureFiles.h"
#include "support/SessionBus.h"
#include "support/TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {

// Takes every call to the desktop services and never answers, as a hung desktop component does.
class SilentDesktop final : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage&, const QDBusConnection&) override { return true; }
    QString introspect(const QString&) const override { return {}; }
};

} // namespace

// Every desktop reached over the session bus, against a stand-in that owns its bus name and
// never answers: a change and the options after it cost one bounded wait and end as a failure.
class TestUnansweredDesktop : public QObject {
    Q_OBJECT

    test::TestEnvironment home_;
    test::SessionBus bus_;
    SilentDesktop silent_;
    QTemporaryDir pictures_;

private Q_SLOTS:
    void initTestCase() {
        if (!bus_.start())
            QSKIP(qPrintable(bus_.error()));
        QDBusConnection standIn =
            QDBusConnection::connectToBus(bus_.address(), QStringLiteral("silent desktop"));
        QVERIFY(standIn.isConnected());
        for (const char* service :
             {"org.kde.plasmashell", "org.xfce.Xfconf", "org.pcmanfm.PCManFM"})
            QVERIFY(standIn.registerService(QLatin1String(service)));
        QVERIFY(
            standIn.registerVirtualObject(QStringLiteral("/"), &silent_, QDBusConnection::SubPath));
        QVERIFY(test::WritePictureFixtures(pictures_.path()));
    }

    void changeFailsWithinTheBound_data() {
        QTest::addColumn<QString>("desktop");
        for (const char* desktop : {"kde", "xfce", "lxqt"})
            QTest::newRow(desktop) << QString::fromLatin1(desktop);
    }
    void changeFailsWithinTheBound() {
        QFETCH(QString, desktop);
        QProcessEnvironment environment = home_.processEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":1"));
        const std::unique_ptr<DesktopBackend> backend = createDesktopBackend(desktop, environment);
        QVERIFY(backend->name().startsWith(desktop));
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(
            backend->ShowWallpaper(pictures_.filePath(QStringLiteral("valid.jpg")), 0, StyleTile),
            ShowResult::Refused);
        // The options applied next go to the same silent desktop: they must not wait again.
        backend->SetDesktopColor(backend->GetDesktopColor() + 1);
        backend->SetDesktopWallpaperStyle(backend->GetDesktopWallpaperStyle() == 1 ? 2 : 1);
        QVERIFY2(waited.elapsed() < kDesktopCallTimeoutMs + 1500,
                 qPrintable(QStringLiteral("waited %1 ms").arg(waited.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestUnansweredDesktop)
#include "tst_unanswered_desktop.moc"
