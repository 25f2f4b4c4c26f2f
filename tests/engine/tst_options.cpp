// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "engine/Options.h"
#include "settings/Settings.h"
#include "support/ManualClock.h"
#include "support/MemorySettingsStore.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {

struct Run {
    explicit Run(SettingsStore& store) : settings(store) {
        settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
        keeper.ApplyDesktopOptions = [this] {
            ++applied;
        };
    }
    Settings settings;
    test::ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(9, 30, 15))};
    Collection collection;
    OptionsKeeper keeper{settings, clock};
    int applied = 0;

    const Options& load(const QString& makerFolder = QString()) {
        keeper.ReadOptions();
        keeper.ImportInstalledWallpapers(collection, makerFolder);
        return keeper.options();
    }
    QString stored(const QString& name) { return settings.ReadSetting(name, QString()); }
};

QStringList namesOf(const Collection& collection) {
    QStringList names;
    for (int i = 0; i < collection.rowCount(); ++i)
        names << collection.ImageFileName(i);
    return names;
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void messageSwitchesAreTheConfirmOptions() {
        Options options;
        options.Confirm2 = 1;
        options.Confirm4 = 1;
        OptionsMessageSwitches switches(options);
        switches.setConfirm(4, 0);
        QCOMPARE(options.Confirm4, 0);
        QCOMPARE(switches.confirm(4), 0);
        QCOMPARE(switches.confirm(2), 1);
        switches.setConfirm(2, 7);
        QCOMPARE(options.Confirm2, 1);
        // The help and exit questions have no switch.
        switches.setConfirm(6, 0);
        QCOMPARE(switches.confirm(6), 1);
        QCOMPARE(switches.confirm(5), 1);
    }

    void freshStoreGivesTheDefaults() {
        test::MemorySettingsStore store;
        Run run(store);
        const Options& o = run.load();
        // Automatic, logon mode only; a period of one hour; 12:00 every day; stretched; random;
        // black; started with the session; every question asked; the first tab.
        const QList<int> loaded{
            o.Automatic,       o.AutoLogon,      o.AutoPeriod,    o.AutoTime,     o.AutoPeriodDays,
            o.AutoPeriodHours, o.AutoPeriodMins, o.AutoTimeHours, o.AutoTimeMins, o.AutoTimeWeekday,
            o.Stretch,         o.AutoSelection,  o.Backgroud,     o.AutoStart,    *o.Confirm(1),
            *o.Confirm(2),     *o.Confirm(3),    *o.Confirm(4),   o.OptTab};
        QCOMPARE(loaded, (QList<int>{1, 1, 0, 0, 0, 1, 0, 12, 0, 0, 2, 1, 0, 1, 1, 1, 1, 1, 0}));
        QCOMPARE(o.Confirm(5), nullptr);
        QCOMPARE(o.LastChange(), run.clock.now());
    }

    void loadLimits_data() {
        QTest::addColumn<QString>("stored"); // name=text
        QTest::addColumn<int>("loaded");
        QTest::newRow("days above 31") << "AutoPeriodDays=40" << 31;
        QTest::newRow("minutes below 0") << "AutoPeriodMins=-5" << 0;
        QTest::newRow("hour 24 stays") << "AutoTimeHours=24" << 24;
        QTest::newRow("hour 25") << "AutoTimeHours=25" << 24;
        QTest::newRow("weekday 9") << "AutoTimeWeekday=9" << 7;
        QTest::newRow("style 3 is fit") << "Stretch=3" << 3;
        QTest::newRow("style 4 is fill") << "Stretch=4" << 4;
        QTest::newRow("style 5") << "Stretch=5" << 4;
        QTest::newRow("selection -1") << "AutoSelection=-1" << 0;
        QTest::newRow("flag 5 becomes 1") << "Automatic=5" << 1;
        QTest::newRow("flag 0") << "Automatic=0" << 0;
        QTest::newRow("flag as text keeps its default") << "Automatic=yes" << 1;
        QTest::newRow("colour without limits") << "Backgroud=16777215" << 16777215;
        QTest::newRow("autostart as it is") << "AutoStart=7" << 7;
        QTest::newRow("confirm off") << "Confirm3=0" << 0;
        QTest::newRow("hours as text") << "AutoTimeHours=noon" << 12;
        QTest::newRow("empty value") << "Stretch=" << 2;
    }
    void loadLimits() {
        QFETCH(QString, stored);
        QFETCH(int, loaded);
        const QString name = stored.section(u'=', 0, 0);
        test::MemorySettingsStore store;
        Run run(store);
        run.settings.WriteSetting(name, stored.section(u'=', 1));
        const Options& o = run.load();
        for (const OptionDeclaration& option : OptionTable()) {
            if (QString::fromLatin1(option.name) == name) {
                QVERIFY(option.field);
                QCOMPARE(o.*option.field, loaded);
                return;
            }
        }
        QFAIL("no such option");
    }

    void changeModes_data() {
        QTest::addColumn<int>("logon");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("time");
        QTest::addColumn<QList<int>>("modes");
        QTest::newRow("period and time") << 0 << 1 << 1 << QList<int>{1, 0, 0};
        QTest::newRow("period only") << 0 << 1 << 0 << QList<int>{0, 1, 0};
        QTest::newRow("time only") << 0 << 0 << 1 << QList<int>{0, 0, 1};
        QTest::newRow("none") << 0 << 0 << 0 << QList<int>{0, 0, 0};
    }
    void changeModes() {
        QFETCH(int, logon);
        QFETCH(int, period);
        QFETCH(int, time);
        QFETCH(QList<int>, modes);
        test::MemorySettingsStore store;
        Run run(store);
        run.settings.WriteSetting(QStringLiteral("AutoLogon"), logon);
        run.settings.WriteSetting(QStringLiteral("AutoPeriod"), period);
        run.settings.WriteSetting(QStringLiteral("AutoTime"), time);
        const Options& o = run.load();
        QCOMPARE((QList<int>{o.AutoLogon, o.AutoPeriod, o.AutoTime}), modes);
    }

    void saveWritesEveryOptionAndReadsBack() {
        test::MemorySettingsStore store;
        Run run(store);
        Options& o = run.keeper.options();
        run.load();
        o.AutoPeriod = 1;
        o.AutoTime = 1; // two modes: the save applies the rule
        o.AutoPeriodMins = 45;
        o.Backgroud = 0x00336699;
        o.AutoChangeDate = QDate(2025, 2, 3);
        o.AutoChangeTime = QTime(23, 59);
        o.Confirm2 = 0;
        o.OptTab = 2;
        run.keeper.SaveOptions();
        // Saving only writes: the desktop and the scheduler are the load's and the dialog's.
        QCOMPARE(run.applied, 0);
        QCOMPARE(run.stored(QStringLiteral("AutoChangeDate")), QStringLiteral("2025-02-03"));
        QCOMPARE(run.stored(QStringLiteral("AutoChangeTime")), QStringLiteral("23:59:00"));
        QCOMPARE(run.stored(QStringLiteral("AutoLogon")), QStringLiteral("1"));
        QCOMPARE(run.stored(QStringLiteral("AutoPeriod")), QStringLiteral("0"));
        for (const OptionDeclaration& option : OptionTable())
            QVERIFY2(!run.stored(QString::fromLatin1(option.name)).isEmpty(), option.name);

        Run again(store);
        const Options& back = again.load();
        QCOMPARE(back.AutoPeriodMins, 45);
        QCOMPARE(back.Backgroud, 0x00336699);
        QCOMPARE(back.LastChange(), QDateTime(QDate(2025, 2, 3), QTime(23, 59)));
        QCOMPARE(back.Confirm2, 0);
        QCOMPARE(back.OptTab, 2);
    }

    void datesWrittenUnderAnotherLocaleStillLoad_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("dateText");
        QTest::addColumn<QString>("timeText");
        const QDate date(2026, 3, 14);
        const QTime time(17, 5);
        for (const char* name : {"de_DE", "en_US", "fr_FR", "ja_JP"}) {
            const QLocale locale{QString::fromLatin1(name)};
            QTest::newRow(name) << QString::fromLatin1(name)
                                << locale.toString(date, QLocale::ShortFormat)
                                << locale.toString(time, QLocale::ShortFormat);
        }
        QTest::newRow("ISO under any locale") << "de_DE"
                                              << "2026-03-14"
                                              << "17:05:00";
    }
    void datesWrittenUnderAnotherLocaleStillLoad() {
        QFETCH(QString, locale);
        QFETCH(QString, dateText);
        QFETCH(QString, timeText);
        QCOMPARE(ParseStoredDate(dateText, QLocale(locale)), QDate(2026, 3, 14));
        QCOMPARE(ParseStoredTime(timeText, QLocale(locale)), QTime(17, 5));
        QVERIFY(!ParseStoredDate(QStringLiteral("tomorrow"), QLocale(locale)).isValid());
    }

    // The request to import is the installer's JustInstalled; "made" is a folder of three pictures
    // and a text file, "samples" the built sample wallpapers, "none" a folder that is not there.
    void importIsAskedFor_data() {
        QTest::addColumn<QString>("justInstalled");
        QTest::addColumn<bool>("noInstaller");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("imports");
        QTest::newRow("just installed") << "1" << false << "made" << true;
        QTest::newRow("two") << "2" << false << "made" << true;
        QTest::newRow("zero as a real") << "0.0" << false << "made" << false;
        QTest::newRow("text") << "yes" << false << "made" << false;
        QTest::newRow("missing") << "" << false << "made" << false;
        QTest::newRow("missing, no installer") << "" << true << "made" << true;
        QTest::newRow("zero, no installer") << "0" << true << "made" << false;
        QTest::newRow("the samples") << "1" << false << "samples" << true;
        // Nothing to import: only the request is cleared.
        QTest::newRow("sample folder missing") << "1" << false << "none" << true;
    }
    void importIsAskedFor() {
        QFETCH(QString, justInstalled);
        QFETCH(bool, noInstaller);
        QFETCH(QString, folder);
        QFETCH(bool, imports);
        QTemporaryDir made;
        for (const char* name : {"c.jpeg", "b.bmp", "a.jpg", "notes.txt"})
            QVERIFY(QFile(QDir(made.path()).filePath(QLatin1String(name))).open(QFile::WriteOnly));
        QString maker = made.path();
        if (folder == QLatin1String("samples")) {
            maker =
                QDir(qEnvironmentVariable("KV_BUILD_DIR")).filePath(QStringLiteral("Moravelstone"));
            if (!QFileInfo(maker).isDir())
                QSKIP("the sample wallpapers have not been built");
        } else if (folder == QLatin1String("none")) {
            maker = QStringLiteral("/no/such/Moravelstone");
        }
        test::MemorySettingsStore store;
        Run run(store);
        run.settings.WriteSetting(QStringLiteral("JustInstalled"), justInstalled);
        run.keeper.setImportWhenUnmarked(noInstaller);
        run.load(maker);
        const QStringList names = namesOf(run.collection);
        if (!imports || folder == QLatin1String("none")) {
            QVERIFY(names.isEmpty());
        } else if (folder == QLatin1String("made")) {
            QCOMPARE(names, (QStringList{"a.jpg", "b.bmp", "c.jpeg"}));
            QCOMPARE(run.collection.ImagePath(0), maker);
            QCOMPARE(run.collection.ImageState(0), StateUse);
        } else {
            QVERIFY(names.size() >= 4);
            QCOMPARE(names.filter(QStringLiteral(".bmp")).size(), 1);
            for (int i = 0; i < run.collection.rowCount(); ++i) {
                const QSize size = QImageReader(run.collection.ImageFullPath(i)).size();
                QVERIFY2(size.width() >= 1920 && size.height() >= 1080, qPrintable(names[i]));
            }
        }
        // The new entries are handed to the scan.
        QCOMPARE(run.collection.isScanning(), !names.isEmpty());
        QCOMPARE(run.collection.ScanIndex(), 0);
        run.collection.ImagesScanTimer().stop();
        // The request is cleared by the save that stores the samples, not before; anything but
        // an import leaves it as it was.
        QCOMPARE(run.stored(QStringLiteral("JustInstalled")), justInstalled);
        run.keeper.SaveOptions();
        QCOMPARE(run.stored(QStringLiteral("JustInstalled")),
                 imports ? QStringLiteral("0") : justInstalled);
        Run again(store);
        again.load(maker);
        QCOMPARE(again.collection.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
