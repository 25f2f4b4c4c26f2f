#include "settings/Settings.h"
#include "settings/SqliteSettingsStore.h"
#include "support/TestEnvironment.h"
#include "support/XTools.h"
#include "support/XvfbServer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace kv;

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

    QProcessEnvironment environmentFor(const test::TestEnvironment& home) const {
        QProcessEnvironment environment = home.processEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("DISPLAY"), display());
        environment.insert(QStringLiteral("KESTROVALINE_DESKTOP"), QStringLiteral("none"));
        return environment;
    }

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
        test::TestEnvironment home;
        const QProcessEnvironment environment = environmentFor(home);
        {
            // Manual mode: this test is about the icon, and a logon change without a desktop
            // would stop the start at its failure message.
            const auto store = SqliteSettingsStore::open(home.persistentStorePath());
            Settings settings(*store);
            settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
            settings.WriteSetting(QStringLiteral("Automatic"), 0);
        }
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(qEnvironmentVariable("KV_PROGRAM"), {QStringLiteral("-logon")});
        QVERIFY(program.waitForStarted());

        // A logon start lives in the notification area only.
        QTRY_VERIFY_WITH_TIMEOUT(!iconCentre().isNull(), 15000);
        QCOMPARE(mainWindows(), 0);

        clickIcon(1);
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows(), 1, 5000);
        clickIcon(1);
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows(), 0, 5000);

        // A double click is a press and a double click: shown, then hidden again.
        clickIcon(1, 2);
        QTest::qWait(1000);
        QCOMPARE(mainWindows(), 0);

        QProcess second;
        second.setProcessEnvironment(environment);
        second.start(qEnvironmentVariable("KV_PROGRAM"), {});
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows(), 1, 5000);

        QProcess close;
        close.setProcessEnvironment(environment);
        close.start(qEnvironmentVariable("KV_PROGRAM"), {QStringLiteral("-close")});
        QVERIFY(close.waitForFinished(10000));
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        // The icon leaves with the program.
        QTRY_VERIFY_WITH_TIMEOUT(iconCentre().isNull(), 5000);
    }
};

QTEST_GUILESS_MAIN(TestTrayProcess)
#include "tst_tray_process.moc"
