// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "engine/Options.h"
#include "settings/Settings.h"
#include "support/ManualClock.h"
#include "support/MemorySettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {

// One start of the program over a store that outlives it, with what is stored as "name=text".
struct Run {
    explicit Run(SettingsStore& store, const QStringList& stored = {}) : settings(store) {
        settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
        for (const QString& value : stored)
            settings.WriteSetting(value.section(u'=', 0, 0), value.section(u'=', 1));
    }
    Settings settings;
    test::ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(9, 30, 15))};
    Collection collection;
    OptionsKeeper keeper{settings, clock};

    const Options& load(const QString& makerFolder = QString()) {
        keeper.ReadOptions();
        keeper.ImportInstalledWallpapers(collection, makerFolder);
        return keeper.options();
    }
    QString stored(const QString& name) { return settings.ReadSetting(name, QString()); }
};

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A fresh store, or values as a hand edit left them: "name=text" stored, then what loads.
    // Automatic, logon mode only; a period of one hour; 12:00 every day; stretched; random;
    // black; started with the session; every question asked; the first tab.
    void load_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("loaded");
        const QString defaults = QStringLiteral("1 1 0 0 0 1 0 12 0 0 2 1 0 1 1 1 1 1 0");
        QTest::newRow("fresh store") << "" << defaults;
        QTest::newRow("out of range") << "AutoPeriodDays=40 AutoPeriodMins=-5 AutoTimeHours=24 "
                                         "AutoTimeWeekday=9 Stretch=5"
                                      << "1 1 0 0 31 0 0 24 0 7 4 1 0 1 1 1 1 1 0";
        QTest::newRow("flags and free values") << "Automatic=5 AutoStart=7 Backgroud=16777215"
                                               << "1 1 0 0 0 1 0 12 0 0 2 1 16777215 7 1 1 1 1 0";
        QTest::newRow("text and empty") << "Automatic=yes AutoTimeHours=noon Stretch= Confirm3=0"
                                        << "1 1 0 0 0 1 0 12 0 0 2 1 0 1 1 1 0 1 0";
        // Two change modes at once fall back to the logon one; none stays none.
        QTest::newRow("period and time") << "AutoLogon=0 AutoPeriod=1 AutoTime=1"
                                         << "1 1 0 0 0 1 0 12 0 0 2 1 0 1 1 1 1 1 0";
        QTest::newRow("none") << "AutoLogon=0 AutoPeriod=0 AutoTime=0 Automatic=0"
                              << "0 0 0 0 0 1 0 12 0 0 2 1 0 1 1 1 1 1 0";
    }
    void load() {
        QFETCH(QString, stored);
        QFETCH(QString, loaded);
        test::MemorySettingsStore store;
        Run run(store, stored.split(u' ', Qt::SkipEmptyParts));
        const Options& o = run.load();
        QStringList values;
        for (int value : {o.Automatic, o.AutoLogon, o.AutoPeriod, o.AutoTime, o.AutoPeriodDays,
                          o.AutoPeriodHours, o.AutoPeriodMins, o.AutoTimeHours, o.AutoTimeMins,
                          o.AutoTimeWeekday, o.Stretch, o.AutoSelection, o.Backgroud, o.AutoStart,
                          *o.Confirm(1), *o.Confirm(2), *o.Confirm(3), *o.Confirm(4), o.OptTab})
            values << QString::number(value);
        QCOMPARE(values.join(u' '), loaded);
        QCOMPARE(o.Confirm(5), nullptr);
        if (stored.isEmpty())
            QCOMPARE(o.LastChange(), run.clock.now());
    }

    void saveWritesEveryOptionAndReadsBack() {
        test::MemorySettingsStore store;
        Run run(store);
        Options& o = run.keeper.options();
        run.load();
        o.AutoPeriod = o.AutoTime = 1; // two modes: the save applies the rule
        o.AutoPeriodMins = 45;
        o.Backgroud = 0x00336699;
        o.AutoChangeDate = QDate(2025, 2, 3);
        o.AutoChangeTime = QTime(23, 59);
        o.Confirm2 = 0;
        o.OptTab = 2;
        run.keeper.SaveOptions();
        QCOMPARE(run.stored("AutoChangeDate") + ' ' + run.stored("AutoChangeTime") + ' ' +
                     run.stored("AutoLogon") + run.stored("AutoPeriod"),
                 "2025-02-03 23:59:00 10");
        for (const OptionDeclaration& option : OptionTable())
            QVERIFY2(!run.stored(QString::fromLatin1(option.name)).isEmpty(), option.name);
        Run again(store);
        const Options& back = again.load();
        QCOMPARE((QList<int>{back.AutoPeriodMins, back.Backgroud, back.Confirm2, back.OptTab}),
                 (QList<int>{45, 0x00336699, 0, 2}));
        QCOMPARE(back.LastChange(), QDateTime(QDate(2025, 2, 3), QTime(23, 59)));
    }

    // Dates and times written by hand or in a region's formats; what the program itself writes
    // is read back by the save above.
    void regionalDatesAndTimesStillLoad_data() {
        QTest::addColumn<QString>("row"); // locale | text | date read | time read (empty: none)
        QTest::newRow("two-digit year") << "de_DE|14.03.26|2026-03-14|";
        QTest::newRow("short date, four-digit year") << "de_DE|14.03.2026|2026-03-14|";
        QTest::newRow("month first") << "en_US|3/14/2026|2026-03-14|";
        QTest::newRow("no leading zeros") << "C|2026-3-14|2026-03-14|";
        QTest::newRow("not a date") << "de_DE|tomorrow||";
        QTest::newRow("colon") << "de_DE|17:05||17:05:00";
        QTest::newRow("dot, not a fraction of an hour") << "fi_FI|14.07||14:07:00";
        QTest::newRow("twelve-hour clock") << "en_US|2:30:00 PM||14:30:00";
        QTest::newRow("one-digit hour") << "C|8:30||08:30:00";
    }
    void regionalDatesAndTimesStillLoad() {
        QFETCH(QString, row);
        const QStringList part = row.split(u'|');
        const QLocale region(part[0]);
        QCOMPARE(ParseStoredDate(part[1], region).toString(Qt::ISODate), part[2]);
        QCOMPARE(ParseStoredTime(part[1], region).toString(Qt::ISODate), part[3]);
    }

    // The request to import is the installer's JustInstalled, as a hand edit may leave it; the
    // maker's folder holds three pictures and a text file, or is gone.
    void importIsAskedFor_data() {
        QTest::addColumn<QString>("run"); // JustInstalled | what happens
        QTest::newRow("two") << "2|imports";
        QTest::newRow("zero as a real") << "0.0|";
        QTest::newRow("missing") << "|";
        QTest::newRow("missing, no installer") << "|no installer, imports";
        // Nothing to import: only the request is cleared.
        QTest::newRow("maker's folder gone") << "1|gone, imports";
    }
    void importIsAskedFor() {
        QFETCH(QString, run);
        const QString justInstalled = run.section(u'|', 0, 0), flags = run.section(u'|', 1);
        const bool imports = flags.contains(QLatin1String("imports"));
        QTemporaryDir made;
        for (const char* name : {"c.jpeg", "b.bmp", "a.jpg", "notes.txt"})
            QVERIFY(QFile(QDir(made.path()).filePath(QLatin1String(name))).open(QFile::WriteOnly));
        const bool gone = flags.contains(QLatin1String("gone"));
        const QString maker = gone ? QStringLiteral("/no/such/Moravelstone") : made.path();
        test::MemorySettingsStore store;
        Run start(store, {"JustInstalled=" + justInstalled});
        start.keeper.setImportWhenUnmarked(flags.contains(QLatin1String("no installer")));
        start.load(maker);
        QStringList names;
        for (int i = 0; i < start.collection.rowCount(); ++i) {
            names << start.collection.ImageFileName(i);
            QCOMPARE(start.collection.ImageState(i), StateUse);
            QCOMPARE(start.collection.ImagePath(i), maker);
        }
        QCOMPARE(names.join(u' '), imports && !gone ? "a.jpg b.bmp c.jpeg" : "");
        // The new entries are handed to the scan.
        QCOMPARE(start.collection.isScanning(), !names.isEmpty());
        start.collection.ImagesScanTimer().stop();
        // The request is cleared by the save that stores the pictures, not before; anything but
        // an import leaves it as it was.
        QCOMPARE(start.stored(QStringLiteral("JustInstalled")), justInstalled);
        start.keeper.SaveOptions();
        QCOMPARE(start.stored(QStringLiteral("JustInstalled")), imports ? "0" : justInstalled);
    }
};

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
