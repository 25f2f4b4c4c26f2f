// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Program.h"
#include "settings/Settings.h"
#include "settings/SqliteSettingsStore.h"
#include "support/ManualClock.h"
#include "support/PictureFiles.h"
#include "support/ScriptedAskUser.h"
#include "support/TestEnvironment.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

// The report of missing collection files, once, on the second tick after start-up.
class TestStartupReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reportsMissingFilesOnce_data() {
        QTest::addColumn<int>("missing");
        QTest::addColumn<QString>("text");
        QTest::newRow("none missing") << 0 << QString();
        QTest::newRow("one missing")
            << 1 << "Unable to find image file 'missing-0.jpg' from wallpaper collection !";
        QTest::newRow("seven missing")
            << 7 << "Unable to find 7 image files from wallpaper collection !";
    }
    void reportsMissingFilesOnce() {
        QFETCH(int, missing);
        QFETCH(QString, text);
        test::TestEnvironment environment;
        QTemporaryDir pictures;
        QVERIFY(test::writePicture(QDir(pictures.path()).filePath(QStringLiteral("here.jpg"))));
        auto persistent = SqliteSettingsStore::open(environment.persistentStorePath());
        auto volatileStore = SqliteSettingsStore::open(environment.volatileStorePath(),
                                                       SqliteSettingsStore::Kind::Volatile);
        Settings settings{*persistent, volatileStore.get()};
        test::ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(9, 30))};
        test::ScriptedAskUser askUser;
        Program program{settings, clock, [] {}, environment.root()};
        MainWindow window;
        const CommandLine line = CommandLine::parse({});
        QVERIFY(Program::settleLiveness(settings, clock, line));
        // A present picture in use, a skipped missing one (not tested, not counted), and the
        // missing ones in use.
        int n = 0;
        const auto store = [&](const QString& name, const QString& folder, const QString& state) {
            ++n;
            settings.WriteSetting(QStringLiteral("WName%1").arg(n), name);
            settings.WriteSetting(QStringLiteral("WPath%1").arg(n), folder);
            settings.WriteSetting(QStringLiteral("WState%1").arg(n), state);
        };
        store(QStringLiteral("here.jpg"), pictures.path(), QStringLiteral("1"));
        store(QStringLiteral("skipped.jpg"), pictures.path(), QStringLiteral("2"));
        for (int i = 0; i < missing; ++i)
            store(QStringLiteral("missing-%1.jpg").arg(i), pictures.path(), QStringLiteral("1"));
        settings.WriteSetting(QStringLiteral("WN"), n);
        window.attach(program);
        QVERIFY(program.Form_Load(line, window, askUser));
        const qsizetype askedAtStart = askUser.asked.size();
        QVERIFY(program.initTimer().isActive());
        program.InitTimer_Timer();
        QCOMPARE(askUser.asked.size(), askedAtStart);
        program.InitTimer_Timer();
        QVERIFY(!program.initTimer().isActive());
        QCOMPARE(askUser.asked.size(), askedAtStart + (text.isEmpty() ? 0 : 1));
        if (!text.isEmpty()) {
            QCOMPARE(askUser.asked.last().kind, MessageKind::StartupReport);
            QCOMPARE(askUser.asked.last().message, text);
        }
        program.ExitProgram();
    }
};

QTEST_MAIN(TestStartupReport)
#include "tst_startup_report.moc"
