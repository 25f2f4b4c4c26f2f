// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "desktop/DesktopBus.h"
#include "desktop/DesktopLoader.h"
#include "engine/Options.h"
#include "engine/Random.h"
#include "engine/WallpaperEngine.h"
#include "support/ManualClock.h"
#include "support/PictureFiles.h"
#include "support/ScriptedAskUser.h"
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

class FirstDraw final : public Random {
public:
    int Between(int low, int) override { return low; }
};

} // namespace

// Every desktop reached over the session bus, against a stand-in that owns its bus name and
// never answers: a change costs one bounded wait and ends as a failure naming the desktop.
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
        Collection collection;
        collection.AppendImage(QStringLiteral("valid.jpg"), pictures_.path(), StateUse);
        collection.AppendImage(QStringLiteral("valid.bmp"), pictures_.path(), StateUse);
        Options options;
        test::ManualClock clock{QDateTime(QDate(2026, 5, 3), QTime(14, 0))};
        FirstDraw random;
        test::ScriptedAskUser askUser;
        WallpaperEngine engine{collection, options, clock, random, *backend};
        engine.setAskUser(&askUser);

        QElapsedTimer waited;
        waited.start();
        QCOMPARE(engine.ChangeWallpaper(), 0);
        // Colour and style go to the same silent desktop: they must not wait again.
        engine.ApplyDesktopOptions();
        QVERIFY2(waited.elapsed() < kDesktopCallTimeoutMs + 1500,
                 qPrintable(QStringLiteral("waited %1 ms").arg(waited.elapsed())));
        QCOMPARE(askUser.asked.size(), 1);
        QVERIFY(askUser.asked[0].message.contains(backend->name()));
        QCOMPARE(collection.ImageState(1), StateUse);
    }
};

QTEST_GUILESS_MAIN(TestUnansweredDesktop)
#include "tst_unanswered_desktop.moc"
