#include "settings/SqliteSettingsStore.h"
#include "support/TestEnvironment.h"
#include "support/XTools.h"
#include "support/XvfbServer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace kv;

namespace {

const QString kKey = QStringLiteral("Software\\Kestrovaline\\Kestrovaline");

QString programPath() {
    return qEnvironmentVariable("KV_PROGRAM");
}

} // namespace

// The real program as a user starts it, in a real X server.
class TestProgramProcess : public QObject {
    Q_OBJECT

    test::XvfbServer xvfb_;

    QProcessEnvironment environmentFor(const test::TestEnvironment& home) const {
        QProcessEnvironment environment = home.processEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("DISPLAY"), xvfb_.display());
        environment.insert(QStringLiteral("KESTROVALINE_DESKTOP"), QStringLiteral("none"));
        return environment;
    }

    QStringList windowsTitled(const QString& title) const {
        return test::visibleWindowsTitled(xvfb_.display(), title);
    }

    static QString stored(const test::TestEnvironment& home, const QString& name) {
        auto store = SqliteSettingsStore::open(home.volatileStorePath());
        return store->readText(kKey, name);
    }

    static int runToEnd(const QStringList& arguments, const QProcessEnvironment& environment,
                        QString* errorOutput = nullptr, int timeoutMs = 20000) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(programPath(), arguments);
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            return -100;
        }
        if (errorOutput)
            *errorOutput = QString::fromLocal8Bit(process.readAllStandardError());
        return process.exitStatus() == QProcess::CrashExit ? -1 : process.exitCode();
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(!programPath().isEmpty(), "KV_PROGRAM names the program under test");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is not installed (Debian package xdotool)");
        if (!xvfb_.start())
            QSKIP(qPrintable(xvfb_.error()));
    }

    void startShowsTheWindowAndCloseEndsIt() {
        test::TestEnvironment home;
        const QProcessEnvironment environment = environmentFor(home);
        QProcess first;
        first.setProcessEnvironment(environment);
        first.start(programPath(), {});
        QVERIFY(first.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(windowsTitled(QStringLiteral("Kestrovaline 1.0")).size(), 1,
                                  15000);
        QVERIFY(stored(home, QStringLiteral("LifeTime")).toDouble() > 0);

        // A second start finds the running copy and ends without a window of its own.
        QCOMPARE(runToEnd({}, environment), 0);
        QCOMPARE(windowsTitled(QStringLiteral("Kestrovaline 1.0")).size(), 1);
        QVERIFY(first.state() == QProcess::Running);

        QCOMPARE(runToEnd({QStringLiteral("-close")}, environment), 0);
        QVERIFY(first.waitForFinished(10000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(stored(home, QStringLiteral("LifeTime")), QStringLiteral("0"));
        QCOMPARE(stored(home, QStringLiteral("LifeCmd")), QStringLiteral("0"));
    }

    void closeWithNothingRunningEndsAtOnce() {
        test::TestEnvironment home;
        QCOMPARE(runToEnd({QStringLiteral("-close")}, environmentFor(home), nullptr, 2000), 0);
        QCOMPARE(stored(home, QStringLiteral("LifeCmd")), QString());
        QCOMPARE(stored(home, QStringLiteral("LifeTime")), QString());
    }

    void noDisplayGivesAdviceNotACrash() {
        test::TestEnvironment home;
        QProcessEnvironment environment = environmentFor(home);
        environment.remove(QStringLiteral("DISPLAY"));
        QString errors;
        QCOMPARE(runToEnd({}, environment, &errors), 1);
        QVERIFY2(errors.contains(QStringLiteral("needs a graphical desktop")), qPrintable(errors));
        QVERIFY2(errors.contains(QStringLiteral("xvfb-run")), qPrintable(errors));

        environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4095"));
        QCOMPARE(runToEnd({}, environment, &errors), 1);
        QVERIFY2(errors.contains(QStringLiteral("cannot reach the X display")), qPrintable(errors));
    }

    void helpAndVersionNeedNoDisplay() {
        test::TestEnvironment home;
        QProcessEnvironment environment = environmentFor(home);
        environment.remove(QStringLiteral("DISPLAY"));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(programPath(), {QStringLiteral("--version")});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(process.readAllStandardOutput().startsWith("Kestrovaline 1.0\n"));
        process.start(programPath(), {QStringLiteral("--help")});
        QVERIFY(process.waitForFinished(10000));
        QVERIFY(process.readAllStandardOutput().contains("-close"));
    }
};

QTEST_GUILESS_MAIN(TestProgramProcess)
#include "tst_program_process.moc"
