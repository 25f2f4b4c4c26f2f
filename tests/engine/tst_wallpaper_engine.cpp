// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "engine/Options.h"
#include "engine/Random.h"
#include "engine/WallpaperEngine.h"
#include "support/FakeDesktop.h"
#include "support/ManualClock.h"
#include "support/PictureFiles.h"
#include "support/ScriptedAskUser.h"

#include <QDir>
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

} // namespace

class TestWallpaperEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
        // Asked again, the user is told again; the timer's retry of a due change is quiet
        // until the options apply.
        bench.engine.ChangeWallpaper();
        bench.options.AutoPeriod = 1; // an hour after 10:00, long due
        bench.engine.ComputeNextChange();
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

QTEST_MAIN(TestWallpaperEngine)
#include "tst_wallpaper_engine.moc"
