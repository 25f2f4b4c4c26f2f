// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "engine/Options.h"
#include "engine/Random.h"
#include "engine/WallpaperEngine.h"
#include "settings/Settings.h"
#include "support/FakeDesktop.h"
#include "support/ManualClock.h"
#include "support/MemorySettingsStore.h"
#include "support/PictureFiles.h"
#include "support/ScriptedAskUser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {

// Draws as scripted, then the lowest value; remembers how many were asked for.
struct ScriptedRandom final : Random {
    QList<int> draws;
    int used = 0;
    int Between(int low, int high) override {
        ++used;
        return draws.isEmpty() ? low : qBound(low, draws.takeFirst(), high);
    }
};

QList<int> ints(const QString& text) {
    QList<int> values;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts))
        values << word.toInt();
    return values;
}

// The change engine over real picture files, a clock that only moves when told and a desktop
// that counts calls.
struct Bench {
    QTemporaryDir dir;
    Collection collection;
    Options options;
    test::ManualClock clock{QDateTime(QDate(2026, 5, 3), QTime(14, 37, 52))};
    ScriptedRandom random;
    test::FakeDesktop desktop;
    test::ScriptedAskUser askUser;
    WallpaperEngine engine{collection, options, clock, random, desktop};

    Bench() {
        if (!test::WritePictureFixtures(dir.path()))
            qFatal("cannot write the picture fixtures");
        engine.setAskUser(&askUser);
        options.Automatic = 1;
        options.AutoChangeDate = QDate(2026, 5, 3);
        options.AutoChangeTime = QTime(10, 0);
    }
    QString path(const QString& file) const { return QDir(dir.path()).filePath(file); }
    // Entries of their own names, each valid.jpg, or truncated.jpg for the rows in broken.
    void addEntries(const QList<int>& states, const QList<int>& broken = {}) {
        for (int row = 0; row < states.size(); ++row) {
            const QString name = QStringLiteral("entry%1.jpg").arg(row);
            QFile::copy(path(broken.contains(row) ? "truncated.jpg" : "valid.jpg"), path(name));
            collection.AppendImage(name, dir.path(), StateUse);
            collection.SetImageState(row, states[row]);
        }
    }
    QList<int> rowsSet() const {
        QList<int> rows;
        for (const QString& called : desktop.wallpaperCalls)
            for (int row = 0; row < collection.rowCount(); ++row)
                if (collection.ImageFullPath(row) == called && !desktop.refused.contains(called))
                    rows << row;
        return rows;
    }
};

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

// The options as stored and loaded, and the change engine that runs on them.
class TestEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A fresh store, or values as a hand edit left them: "name=text" stored, then what loads.
    // Automatic, logon mode only; a period of one hour; 12:00 every day; stretched; random;
    // black; started with the session; every question asked; the first tab. No row stores a
    // readable last change, so it is the moment of loading.
    void optionsLoad_data() {
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
        // Today beside the stored later hour would be a change still to come, and none would run.
        QTest::newRow("last change: date damaged")
            << "AutoChangeDate=2026-13-45 AutoChangeTime=23:00:00" << defaults;
    }
    void optionsLoad() {
        QFETCH(QString, stored);
        test::MemorySettingsStore store;
        Run run(store, stored.split(u' ', Qt::SkipEmptyParts));
        const Options& o = run.load();
        QStringList values;
        for (int value : {o.Automatic, o.AutoLogon, o.AutoPeriod, o.AutoTime, o.AutoPeriodDays,
                          o.AutoPeriodHours, o.AutoPeriodMins, o.AutoTimeHours, o.AutoTimeMins,
                          o.AutoTimeWeekday, o.Stretch, o.AutoSelection, o.Backgroud, o.AutoStart,
                          *o.Confirm(1), *o.Confirm(2), *o.Confirm(3), *o.Confirm(4), o.OptTab})
            values << QString::number(value);
        QTEST(values.join(u' '), "loaded");
        QCOMPARE(o.Confirm(5), nullptr);
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
        // As a later start would from the stored index, so that the commands act on it at once.
        QCOMPARE(start.collection.SelectedRows(), names.isEmpty() ? QList<qint32>{} : QList{0});
        // The new entries are handed to the scan.
        QCOMPARE(start.collection.isScanning(), !names.isEmpty());
        start.collection.ImagesScanTimer().stop();
        // The request is cleared by the save that stores the pictures, not before; anything but
        // an import leaves it as it was.
        QCOMPARE(start.stored(QStringLiteral("JustInstalled")), justInstalled);
        start.keeper.SaveOptions();
        QCOMPARE(start.stored(QStringLiteral("JustInstalled")), imports ? "0" : justInstalled);
        // A store written anew whole, in place of a damaged one, keeps a request that was done.
        store.values.clear();
        start.keeper.SaveOptions();
        QCOMPARE(start.stored(QStringLiteral("JustInstalled")), imports ? "0" : justInstalled);
    }

    // What a set does with each outcome; which files decode is the scan's table.
    void setWallpaperEntry_data() {
        // file, state before, desktop accepts, result, state after, desktop calls, decodes of
        // the file in three more sets: it, another entry, it again
        QTest::addColumn<QString>("run");
        QTest::newRow("missing entry is back in use") << "valid.jpg 3 1 1 1 1 2";
        QTest::newRow("skipped entry stays skipped") << "valid.jpg 2 1 1 2 1 2";
        QTest::newRow("deleted file") << "deleted.jpg 1 1 0 3 0 0";
        QTest::newRow("refused, keeps its state") << "valid.jpg 1 0 0 1 1 2";
        QTest::newRow("undecodable, decoded again once another is set")
            << "truncated.jpg 1 1 0 1 0 1";
    }
    void setWallpaperEntry() {
        QFETCH(QString, run);
        const QString file = run.section(u' ', 0, 0);
        const QList<int> n = ints(run.section(u' ', 1));
        Bench bench;
        bench.collection.AppendImage(QStringLiteral("valid.bmp"), bench.dir.path(), StateUse);
        bench.collection.AppendImage(file, bench.dir.path(), StateUse);
        bench.collection.SetImageState(1, n[0]);
        if (!n[1])
            bench.desktop.refused << bench.path(file);
        bench.collection.SelectOnly(0);
        QCOMPARE(bench.engine.SetWallpaperEntry(1), n[2]);
        QCOMPARE(bench.collection.ImageState(1), n[3]);
        QCOMPARE(bench.desktop.wallpaperCalls.size(), n[4]);
        QCOMPARE(bench.desktop.wallpaper, n[2] ? bench.path(file) : QString());
        // Colour and style follow only a picture the desktop took.
        QCOMPARE(bench.desktop.colourSets + bench.desktop.styleSets, 2 * n[2]);
        QCOMPARE(bench.collection.selectionModel()->currentIndex().row(), n[2]);
        QCOMPARE(bench.collection.currentIndex(), 0);
        bench.desktop.shown.clear();
        bench.engine.SetWallpaperEntry(1);
        bench.engine.SetWallpaperEntry(0);
        bench.engine.SetWallpaperEntry(1);
        QCOMPARE(bench.desktop.shown.count(bench.path(file)), n[5]);
    }

    // A start on a desktop that forgets its wallpaper at the session's end, the current entry
    // row 1: what the desktop shows (-1: nothing, else a row) | whether it forgets | the picture
    // last shown (-1: none ever, 9: one that left the collection, else a row) | the row shown
    // after, -1: none. Row 0 stands for a picture set by hand, which is not the current entry.
    void restoreWallpaper_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("a new session shows the picture set by hand") << "-1 1 0 0";
        QTest::newRow("... or the current entry, that one gone") << "-1 1 9 1";
        QTest::newRow("a picture set by hand still shows") << "0 1 0 -1";
        QTest::newRow("never shown one: the desktop's own stays") << "-1 1 -1 -1";
        QTest::newRow("a desktop that keeps it is left alone") << "-1 0 1 -1";
    }
    void restoreWallpaper() {
        QFETCH(QString, run);
        const QList<int> n = ints(run);
        Bench bench;
        bench.addEntries({1, 1});
        bench.collection.setCurrentIndex(1);
        if (n[0] >= 0)
            bench.desktop.wallpaper = bench.collection.ImageFullPath(n[0]);
        bench.desktop.forgets = n[1];
        bench.engine.setLastShown(n[2] < 0    ? QString()
                                  : n[2] == 9 ? bench.path(QStringLiteral("gone.jpg"))
                                              : bench.collection.ImageFullPath(n[2]));
        bench.engine.setRestorePending();
        bench.engine.ApplyDesktopOptions();
        bench.engine.RestoreWallpaper();
        QCOMPARE(bench.rowsSet(), n[3] < 0 ? QList<int>{} : QList<int>{n[3]});
    }

    // order (0 list, 1 random) | states | current | broken (rN: the desktop refuses row N) |
    // draws used | draws | current after | rows set | message: none, no a(vailable) or no
    // s(upported) files, or the d(esktop) refused.
    void changeWallpaper_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("list skips a skipped entry") << "0|1 1 2 1|1||0||3|3|";
        QTest::newRow("list wraps past a broken entry, never the current")
            << "0|1 1 2 1|1|3|0||0|0|";
        QTest::newRow("list tries a missing entry whose file is back") << "0|1 3 1|0||0||1|1|";
        QTest::newRow("list, one entry applied again") << "0|1|0||0||0|0|";
        QTest::newRow("list, every entry skipped") << "0|2 2|0||0||0||a";
        QTest::newRow("list, the only entry broken") << "0|1|0|0|0||0||s";
        QTest::newRow("random, only the current in use, applied again") << "1|1 2 3|0||1||0|0|";
        QTest::newRow("random, no entry in use") << "1|2 3|0||0||0||a";
        QTest::newRow("random, two candidates, the current drawn") << "1|1 1|0||1|1|1|1|";
        QTest::newRow("random, the current drawn as last: the one before") << "1|1 2 1|2||1|2|0|0|";
        QTest::newRow("random, every candidate broken, each tried once")
            << "1|1 1 1 2|3|0 1 2|3|3 1 1|3||s";
        QTest::newRow("list, the desktop refuses: no other is tried") << "0|1 1 1|0|r1|0||0||d";
    }
    void changeWallpaper() {
        QFETCH(QString, run);
        const QStringList c = run.split(u'|');
        Bench bench;
        bench.options.AutoSelection = c[0].toInt();
        const QList<int> broken = c[3].startsWith(u'r') ? QList<int>{} : ints(c[3]);
        bench.addEntries(ints(c[1]), broken);
        if (c[3].startsWith(u'r'))
            bench.desktop.refused << bench.collection.ImageFullPath(c[3].mid(1).toInt());
        bench.collection.setCurrentIndex(c[2].toInt());
        bench.random.draws = ints(c[5]);
        const int result = bench.engine.ChangeWallpaper();
        QCOMPARE(result, c[7].isEmpty() ? 0 : 1);
        QCOMPARE(bench.rowsSet(), ints(c[7]));
        QCOMPARE(bench.random.used, c[4].toInt());
        QCOMPARE(bench.collection.currentIndex(), c[6].toInt());
        QCOMPARE(bench.askUser.asked.size(), c[8].isEmpty() ? 0 : 1);
        const QHash<QString, QString> said{
            {"a", "no available"}, {"s", "no supported"}, {"d", "\"fake\" did not accept"}};
        QVERIFY(bench.askUser.asked.value(0).message.contains(said.value(c[8])));
        // A change is recorded at its whole minute; a failure leaves the last change alone.
        QCOMPARE(bench.options.AutoChangeTime, result ? QTime(14, 37) : QTime(10, 0));
        for (int row : broken)
            QCOMPARE(bench.collection.ImageState(row), ints(c[1])[row]);
        // Asked again, the user is told again, once that change has ended: the timer's changes
        // go on while the message is open. The timer's retry of a due change is quiet until the
        // options apply.
        bench.options.AutoPeriod = 1; // an hour after 10:00, long due
        bench.engine.ComputeNextChange();
        bool timerRunsWhileTold = false;
        bench.askUser.whileAsking = [&] {
            bench.engine.ChangeTimer_Timer();
            timerRunsWhileTold = bench.engine.ChangeTimer().isActive();
        };
        bench.engine.ChangeWallpaper();
        bench.askUser.whileAsking = nullptr;
        QCOMPARE(timerRunsWhileTold, !c[8].isEmpty());
        bench.engine.ChangeTimer_Timer();
        QCOMPARE(bench.askUser.asked.size(), c[8].isEmpty() ? 0 : 2);
        // The timer's failure is told after its change has ended: the timer runs on while the
        // message is open, and a failing retry there asks nothing. An edit meanwhile (as a
        // change that succeeds) makes the next failure worth telling again.
        bool timerRunsWhileAsking = false;
        bench.askUser.whileAsking = [&] {
            timerRunsWhileAsking = bench.engine.ChangeTimer().isActive();
            bench.engine.ChangeTimer_Timer();
            bench.collection.AppendImage(QStringLiteral("added.jpg"), bench.dir.path(), StateSkip);
        };
        bench.engine.ApplyDesktopOptions();
        bench.askUser.whileAsking = nullptr;
        QCOMPARE(bench.askUser.asked.size(), c[8].isEmpty() ? 0 : 3);
        QCOMPARE(bench.askUser.askedWhileOpen, 0);
        QCOMPARE(timerRunsWhileAsking, !c[8].isEmpty());
        QCOMPARE(bench.engine.ChangeTimer().isActive() ? bench.engine.ChangeTimer().interval() : 0,
                 result ? 30000 : 15000);
        // A run of failures decodes each file once; an edit of the collection may have mended
        // one.
        const auto decodes = [&bench](int row) {
            return bench.desktop.shown.count(bench.collection.ImageFullPath(row));
        };
        for (int row : broken)
            QVERIFY(result || decodes(row) == 1);
        bench.engine.ChangeTimer_Timer();
        QCOMPARE(bench.askUser.asked.size(), c[8].isEmpty() ? 0 : 4);
        for (int row : broken)
            QVERIFY(result || decodes(row) == 2);
        // A change that succeeds while the failure's message is open closes it.
        bench.askUser.whileAsking = [&] {
            bench.desktop.refused.clear();
            bench.engine.ChangeTimer_Timer();
        };
        bench.engine.ChangeWallpaper();
        bench.askUser.whileAsking = nullptr;
        QCOMPARE(bench.askUser.withdrawn, c[8] == u'd' ? 1 : 0);
        // Asked to end, a change stops before its next try, quietly; one with nothing to try
        // still says so.
        const qsizetype asked = bench.askUser.asked.size();
        const qsizetype shown = bench.desktop.shown.size();
        bench.engine.setEndRequested([] { return true; });
        QCOMPARE(bench.engine.ChangeWallpaper(), 0);
        QCOMPARE(bench.desktop.shown.size(), shown);
        QCOMPARE(bench.askUser.asked.size(), asked + (c[8] == u'a' ? 1 : 0));
    }

    // One application of the options: mode | setting: a period (days hours minutes) or a time
    // (hours minutes weekday) | last change | now | next change | the timer's interval, 0: off
    // however overdue, negative: a change was due. Times are days of May, hh:mm[:ss]. A change
    // is caught up once, however long the computer slept: a tick later in that minute is quiet.
    void nextChangeAndTick_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("period 2 days 3 hours 4 minutes")
            << "period|2 3 4|03 22:58|03 22:58|06 02:02|30000";
        QTest::newRow("empty period is an hour") << "period|0 0 0|03 10:00|03 10:00|03 11:00|30000";
        QTest::newRow("Monday, from a Wednesday") << "time|8 30 2|06 09:00|06 09:00|11 08:30|30000";
        QTest::newRow("hour 24") << "time|24 15 0|03 10:00|03 10:00|04 00:15|30000";
        QTest::newRow("at the moment") << "period|0 1 0|03 10:00|03 11:00|03 11:00|200";
        QTest::newRow("a second after") << "period|0 1 0|03 10:00|03 11:00:01|03 12:00|-15000";
        QTest::newRow("every day, due a second ago")
            << "time|8 30 0|02 08:30|03 08:30:01|04 08:30|-15000";
        QTest::newRow("overdue by two days") << "period|0 1 0|03 10:00|05 09:00|05 10:00|-15000";
        QTest::newRow("clock set back a day") << "period|0 1 0|03 10:00|02 10:30|02 11:30|-15000";
        QTest::newRow("clock set back within the day")
            << "period|0 1 0|03 10:00|03 09:00|03 11:00|30000";
        QTest::newRow("automatic off") << "off|0 1 0|03 10:00|09 00:00||0";
        QTest::newRow("logon mode") << "logon|0 1 0|03 10:00|09 00:00||0";
    }
    void nextChangeAndTick() {
        QFETCH(QString, run);
        const QStringList c = run.split(u'|');
        const auto time = [](const QString& t) {
            return QDateTime::fromString("2026-05-" + t + (t.size() > 8 ? "" : ":00"),
                                         QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        };
        const QString format = QStringLiteral("MM-dd hh:mm:ss");
        const int interval = c[5].toInt();
        Bench bench;
        bench.addEntries({1, 1});
        Options& o = bench.options;
        const QList<int> setting = ints(c[1]);
        o.AutoPeriod = c[0] == QLatin1String("period") || c[0] == QLatin1String("off");
        o.AutoTime = c[0] == QLatin1String("time");
        o.AutoPeriodDays = o.AutoTimeHours = setting[0];
        o.AutoPeriodHours = o.AutoTimeMins = setting[1];
        o.AutoPeriodMins = o.AutoTimeWeekday = setting[2];
        o.Automatic = c[0] != QLatin1String("off");
        o.AutoLogon = c[0] == QLatin1String("logon");
        o.AutoChangeDate = time(c[2]).date();
        o.AutoChangeTime = time(c[2]).time();
        bench.engine.ChangeTimer().start(1000);
        bench.clock.set(time(c[3]));
        bench.engine.ApplyDesktopOptions();
        QTimer& timer = bench.engine.ChangeTimer();
        QCOMPARE(timer.isActive() ? timer.interval() : 0, qAbs(interval));
        QCOMPARE(bench.desktop.wallpaperCalls.size(), interval < 0 ? 1 : 0);
        if (interval != 0)
            QCOMPARE(bench.engine.NextChange().toString(format), time(c[4]).toString(format));
        if (interval < 0) { // recorded at its whole minute
            QCOMPARE(bench.engine.LastChange().toString(format),
                     time(c[3]).toString(format).chopped(2) + "00");
            bench.clock.set(time(c[3]).addSecs(40));
            bench.engine.ChangeTimer_Timer();
            QCOMPARE(bench.desktop.wallpaperCalls.size(), 1);
        }
    }
};

QTEST_MAIN(TestEngine)
#include "tst_engine.moc"
