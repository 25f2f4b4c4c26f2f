// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "common/PictureCheck.h"
#include "engine/Options.h"
#include "engine/Random.h"
#include "engine/WallpaperEngine.h"
#include "support/FakeDesktop.h"
#include "support/ManualClock.h"
#include "support/PictureFiles.h"
#include "support/ScriptedAskUser.h"

#include <QDir>
#include <QImageWriter>
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

QList<int> ints(const QString& text) { // "1 1 2" is three numbers
    QList<int> values;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts))
        values << word.toInt();
    return values;
}

QDateTime at(int month, int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(2026, month, day), QTime(hour, minute, second));
}

// The change engine over real picture files, a clock that only moves when told and a desktop
// that counts calls.
struct Bench {
    QTemporaryDir dir;
    Collection collection;
    Options options;
    test::ManualClock clock{at(5, 3, 14, 37, 52)};
    ScriptedRandom random;
    test::FakeDesktop desktop;
    test::ScriptedAskUser askUser;
    bool visible = false;
    WallpaperEngine engine{collection, options, clock, random, desktop};

    Bench() {
        if (!test::WritePictureFixtures(dir.path()))
            qFatal("cannot write the picture fixtures");
        engine.setAskUser(&askUser);
        engine.setWindowVisible([this] { return visible; });
        options.Automatic = 1;
        options.AutoSelection = 0;
        options.Stretch = StyleStretch;
        options.Backgroud = 0x00336699;
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
                if (collection.ImageFullPath(row) == called)
                    rows << row;
        return rows;
    }
    // A period (days, hours, minutes) or a time (hours, minutes, weekday).
    void schedule(bool period, const QList<int>& setting) {
        options.AutoPeriod = period;
        options.AutoTime = !period;
        options.AutoPeriodDays = options.AutoTimeHours = setting[0];
        options.AutoPeriodHours = options.AutoTimeMins = setting[1];
        options.AutoPeriodMins = options.AutoTimeWeekday = setting[2];
    }
};

} // namespace

class TestWallpaperEngine : public QObject {
    Q_OBJECT

    std::unique_ptr<Bench> pictures_;

private Q_SLOTS:
    // What a set does with each outcome; which files decode is the decode table's.
    void setWallpaperEntry_data() {
        // file, state before, desktop accepts, result, state after, desktop calls
        QTest::addColumn<QString>("run");
        QTest::newRow("picture") << "valid.jpg 1 1 1 1 1";
        QTest::newRow("broken picture keeps its state") << "truncated.jpg 1 1 0 1 0";
        QTest::newRow("text-named.jpg stays skipped") << "text-named.jpg 2 1 0 2 0";
        QTest::newRow("missing entry is back in use") << "valid.jpg 3 1 1 1 1";
        QTest::newRow("skipped entry stays skipped") << "valid.jpg 2 1 1 2 1";
        QTest::newRow("deleted file") << "deleted.jpg 1 1 0 3 0";
        QTest::newRow("refused, keeps its state") << "valid.jpg 1 0 0 1 1";
        QTest::newRow("refused, missing entry's file back") << "valid.jpg 3 0 0 3 1";
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
    }

    void colourAndStyleOnlyWhenTheyDiffer() {
        Bench bench;
        bench.addEntries({StateUse});
        bench.desktop.colour = 0x00336699;
        bench.desktop.style = StyleStretch;
        QCOMPARE(bench.engine.SetWallpaperEntry(0), 1);
        bench.engine.ApplyDesktopOptions();
        QCOMPARE(bench.desktop.colourSets + bench.desktop.styleSets, 0);
        // Bits above the colour, hand-edited into the store, do not make the colour differ.
        bench.options.Backgroud = qint32(0xAB336699u);
        bench.options.Stretch = StyleTile;
        bench.engine.ApplyDesktopOptions();
        QCOMPARE(bench.desktop.colourSets * 10 + bench.desktop.styleSets, 1);
        QCOMPARE(bench.desktop.style, int(StyleTile));
    }

    // A start on a desktop that may have forgotten its wallpaper: the options are applied as
    // they load, a logon change may come, then the restore.
    void restoreAtStart_data() {
        QTest::addColumn<QString>("desktop"); // what it does | rows set
        QTest::newRow("a desktop that keeps it") << "keeps|";
        QTest::newRow("forgotten: shown with colour and style at once") << "forgets|0";
        QTest::newRow("still shown") << "forgets, shows|";
        QTest::newRow("the logon change shows a picture anyway") << "forgets, change|1";
        QTest::newRow("forgotten and broken: colour and style") << "forgets, broken|";
    }
    void restoreAtStart() {
        QFETCH(QString, desktop);
        const QList<int> rowsSet = ints(desktop.section(u'|', 1));
        Bench bench;
        bench.addEntries({StateUse, StateUse},
                         desktop.contains("broken") ? QList<int>{0} : QList<int>{});
        bench.desktop.forgets = desktop.startsWith(QLatin1String("forgets"));
        if (desktop.contains(QLatin1String("shows")))
            bench.desktop.wallpaper = bench.collection.ImageFullPath(0);
        bench.engine.setRestorePending();
        bench.engine.ApplyDesktopOptions();
        // Held back where the picture is still to come, so the bare colour never shows first.
        QCOMPARE(bench.desktop.colourSets,
                 desktop.startsWith(QLatin1String("keeps")) || desktop.contains("shows") ? 1 : 0);
        if (desktop.contains(QLatin1String("change")))
            QCOMPARE(bench.engine.ChangeWallpaper(), 1);
        for (int once = 0; once < 2; ++once) { // once only: later it is as ever
            bench.engine.RestoreWallpaper();
            QCOMPARE(bench.rowsSet(), rowsSet);
            QCOMPARE(bench.desktop.colourSets, 1);
        }
        QCOMPARE(bench.desktop.colour, DesktopColor(bench.options.Backgroud));
        QCOMPARE(bench.desktop.style, bench.options.Stretch);
    }

    // Eight entries; row 7 is set. A hidden window, or a selection of five, collapses to it.
    void selectionAfterASet_data() {
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QString>("selected"); // before (the current row first) | after
        QTest::newRow("hidden window collapses six") << false << "0 1 2 3 4 5|7";
        QTest::newRow("visible window collapses five") << true << "0 1 2 3 4|7";
        QTest::newRow("visible window keeps six") << true << "0 1 2 3 4 5|0 1 2 3 4 5";
        QTest::newRow("selected current entry stays as it is") << false << "7 6|6 7";
    }
    void selectionAfterASet() {
        QFETCH(bool, visible);
        QFETCH(QString, selected);
        Bench bench;
        bench.addEntries(QList<int>(8, 1));
        bench.visible = visible;
        QItemSelectionModel* selection = bench.collection.selectionModel();
        selection->setCurrentIndex(bench.collection.index(ints(selected.section(u'|', 0, 0))[0]),
                                   QItemSelectionModel::NoUpdate);
        for (int row : ints(selected.section(u'|', 0, 0)))
            selection->select(bench.collection.index(row), QItemSelectionModel::Select);
        QCOMPARE(bench.engine.SetWallpaperEntry(7), 1);
        QStringList rows;
        for (const QModelIndex& index : selection->selectedRows())
            rows << QString::number(index.row());
        rows.sort();
        QCOMPARE(rows.join(u' '), selected.section(u'|', 1));
    }

    // The pictures of the decode checks, written once: the large ones take a while.
    void initTestCase() {
        pictures_ = std::make_unique<Bench>();
        const auto path = [this](const char* name) {
            return pictures_->path(QLatin1String(name));
        };
        QVERIFY(test::WriteNoisyJpeg(path("large.jpg"), 1600, 1200));
        QImageWriter progressive(path("progressive.jpg"));
        progressive.setProgressiveScanWrite(true);
        QVERIFY(progressive.write(QImage(path("large.jpg"))));
        const auto bytes = [&path](const char* name) {
            QFile read(path(name));
            return read.open(QIODevice::ReadOnly) ? read.readAll() : QByteArray();
        };
        const QByteArray whole = bytes("large.jpg"), end("\xFF\xD9", 2);
        QVERIFY(test::writeBytes(path("cut-marked.jpg"), whole.chopped(whole.size() / 10) + end));
        QVERIFY(test::writeBytes(path("progressive-cut-marked.jpg"),
                                 bytes("progressive.jpg").chopped(20000) + end));
        QVERIFY(test::writeBytes(path("trailing.jpg"), whole + QByteArray(100000, 'Z')));
        QVERIFY(QFile::copy(path("large.jpg"), path("sparse.jpg")));
        QVERIFY(QFile::resize(path("sparse.jpg"), qint64(2) << 30));
    }

    // The reduced test decode is only worth its speed if it turns down what the full one does.
    void reducedDecodeRejectsWhatFullDecodeRejects_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("decodes");
        for (const char* file : {"valid.gif", "large.jpg", "progressive.jpg", "trailing.jpg"})
            QTest::newRow(file) << QString::fromLatin1(file) << true;
        for (const char* file : {"truncated.png", "cut-marked.jpg", "progressive-cut-marked.jpg",
                                 "sparse.jpg", "huge.bmp", "absent.gif"})
            QTest::newRow(file) << QString::fromLatin1(file) << false;
    }
    void reducedDecodeRejectsWhatFullDecodeRejects() {
        QFETCH(QString, file);
        QFETCH(bool, decodes);
        QCOMPARE(PictureDecodes(pictures_->path(file), DecodeSize::Full), decodes);
        QCOMPARE(PictureDecodes(pictures_->path(file), DecodeSize::Reduced), decodes);
    }

    // order (0 list, 1 random) | states | current | broken | draws used | draws | current after |
    // rows set | message: none, a(vailable) or s(upported)
    void changeWallpaper_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("list skips a skipped entry") << "0|1 1 2 1|1||0||3|3|";
        QTest::newRow("list wraps past a broken entry, never the current")
            << "0|1 1 2 1|1|3|0||0|0|";
        QTest::newRow("list tries a missing entry whose file is back") << "0|1 3 1|0||0||1|1|";
        QTest::newRow("list, one entry applied again") << "0|1|0||0||0|0|";
        QTest::newRow("list, the others skipped, the current again") << "0|1 2 2|0||0||0|0|";
        QTest::newRow("list, every entry skipped") << "0|2 2|0||0||0||a";
        QTest::newRow("list, the only entry broken") << "0|1|0|0|0||0||s";
        QTest::newRow("list, index beyond the end: the last")
            << "0|1 1 1 1 1 1 1 1 1 1|57||0||0|0|";
        QTest::newRow("list, every other entry broken, the current again")
            << "0|1 1 1|0|1 2|0||0|0|";
        QTest::newRow("random, only the current in use, applied again") << "1|1 2 3|0||1||0|0|";
        QTest::newRow("random, no entry in use") << "1|2 3|0||0||0||a";
        QTest::newRow("random, two candidates, the current drawn") << "1|1 1|0||1|1|1|1|";
        QTest::newRow("random, two candidates, the other drawn") << "1|1 1|0||1|2|1|1|";
        QTest::newRow("random, the current drawn as last: the one before") << "1|1 2 1|2||1|2|0|0|";
        QTest::newRow("random, every candidate broken, each tried once")
            << "1|1 1 1 2|3|0 1 2|3|3 1 1|3||s";
    }
    void changeWallpaper() {
        QFETCH(QString, run);
        const QStringList c = run.split(u'|');
        Bench bench;
        bench.options.AutoSelection = c[0].toInt();
        bench.addEntries(ints(c[1]), ints(c[3]));
        bench.collection.setCurrentIndex(c[2].toInt());
        bench.random.draws = ints(c[5]);
        const int result = bench.engine.ChangeWallpaper();
        QCOMPARE(result, c[7].isEmpty() ? 0 : 1);
        QCOMPARE(bench.rowsSet(), ints(c[7]));
        QCOMPARE(bench.random.used, c[4].toInt());
        QCOMPARE(bench.collection.currentIndex(), c[6].toInt());
        QCOMPARE(bench.askUser.asked.size(), c[8].isEmpty() ? 0 : 1);
        if (!c[8].isEmpty()) {
            QCOMPARE(bench.askUser.asked[0].kind, MessageKind::ChangeFailed);
            QCOMPARE(bench.askUser.asked[0].message,
                     QStringLiteral("Unable to set new wallpaper! There are no %1 image files in "
                                    "wallpaper collection!")
                         .arg(c[8] == "a" ? "available" : "supported"));
        }
        // A change is recorded at its whole minute; a failure leaves the last change alone.
        QCOMPARE(bench.options.AutoChangeTime, result ? QTime(14, 37) : QTime(10, 0));
        for (int row : ints(c[3]))
            QCOMPARE(bench.collection.ImageState(row), ints(c[1])[row]);
    }

    // A retry of a failing change stays quiet until something that could mend it happens.
    void oneFailureMessagePerStreak() {
        Bench bench;
        bench.addEntries({1, 1, 1});
        for (int row = 0; row < 3; ++row)
            bench.desktop.refused.insert(bench.collection.ImageFullPath(row));
        const auto failWith = [&bench](int messages) {
            QCOMPARE(bench.engine.ChangeWallpaper(), 0);
            QCOMPARE(bench.askUser.asked.size(), messages);
        };
        // The desktop turned a good file down: one try, the file keeps its mark. Nothing shown
        // (the dialog busy with another message) leaves the next retry free to show it.
        bench.askUser.setAnswer(-1);
        failWith(1);
        QCOMPARE(
            bench.askUser.asked[0].message,
            QStringLiteral("Unable to set new wallpaper! The desktop \"fake\" did not accept it."));
        QCOMPARE(bench.desktop.wallpaperCalls.size(), 1);
        QCOMPARE(bench.collection.ImageState(1), StateUse);
        bench.askUser.setAnswer(1);
        failWith(2);
        failWith(2);
        bench.engine.ApplyDesktopOptions();
        failWith(3);
        bench.collection.SetImageState(2, StateSkip);
        failWith(4);
        failWith(4);
        bench.desktop.refused.clear();
        QCOMPARE(bench.engine.ChangeWallpaper(), 1);
        bench.desktop.refused.insert(bench.collection.ImageFullPath(0));
        bench.desktop.refused.insert(bench.collection.ImageFullPath(1));
        failWith(5);
    }

    // One application of the options: mode | setting: a period (days hours minutes) or a time
    // (hours minutes weekday) | last change | now | next change | the timer's interval, 0: off
    // however overdue, negative: a change was due. Times are days of May, hh:mm[:ss].
    void nextChangeAndTick_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("period 2 days 3 hours 4 minutes")
            << "period|2 3 4|3 22:58|3 22:58|6 02:02|30000";
        QTest::newRow("empty period is an hour") << "period|0 0 0|3 10:00|3 10:00|3 11:00|30000";
        QTest::newRow("every day, last change yesterday")
            << "time|8 30 0|2 08:30|2 08:30|3 08:30|30000";
        QTest::newRow("every day, last change today")
            << "time|8 30 0|3 08:30|3 08:30|4 08:30|30000";
        QTest::newRow("Monday, from a Wednesday") << "time|8 30 2|6 09:00|6 09:00|11 08:30|30000";
        QTest::newRow("Sunday, on a Sunday before the time")
            << "time|8 30 1|3 07:00|3 07:00|3 08:30|30000";
        QTest::newRow("hour 24") << "time|24 15 0|3 10:00|3 10:00|4 00:15|30000";
        QTest::newRow("a minute before") << "period|0 1 0|3 10:00|3 10:59|3 11:00|6000";
        QTest::newRow("two seconds before") << "period|0 1 0|3 10:00|3 10:59:58|3 11:00|200";
        QTest::newRow("at the moment") << "period|0 1 0|3 10:00|3 11:00|3 11:00|200";
        QTest::newRow("a second after") << "period|0 1 0|3 10:00|3 11:00:01|3 12:00|-15000";
        QTest::newRow("hours before") << "period|0 1 0|3 10:00|3 10:01|3 11:00|30000";
        QTest::newRow("overdue by two days") << "period|0 1 0|3 10:00|5 09:00|5 10:00|-15000";
        QTest::newRow("next change on a later date")
            << "period|2 0 0|3 10:00|3 23:59|5 10:00|30000";
        QTest::newRow("clock set back a day") << "period|0 1 0|3 10:00|2 10:30|2 11:30|-15000";
        QTest::newRow("clock set back within the day")
            << "period|0 1 0|3 10:00|3 09:00|3 11:00|30000";
        QTest::newRow("automatic off") << "off|0 1 0|3 10:00|9 00:00||0";
        QTest::newRow("logon mode") << "logon|0 1 0|3 10:00|9 00:00||0";
    }
    void nextChangeAndTick() {
        QFETCH(QString, run);
        const QStringList c = run.split(u'|');
        const auto time = [](const QString& t) {
            return at(5, t.section(u' ', 0, 0).toInt(), 0, 0)
                .addSecs(QTime(0, 0).secsTo(
                    QTime::fromString(t.section(u' ', 1), t.size() > 8 ? "hh:mm:ss" : "hh:mm")));
        };
        const QString format = QStringLiteral("MM-dd hh:mm:ss");
        const int interval = c[5].toInt();
        Bench bench;
        bench.addEntries({1, 1});
        bench.schedule(c[0] != QLatin1String("time"), ints(c[1]));
        bench.options.Automatic = c[0] != QLatin1String("off");
        bench.options.AutoLogon = c[0] == QLatin1String("logon");
        bench.options.AutoPeriod &= !bench.options.AutoLogon;
        bench.options.AutoChangeDate = time(c[2]).date();
        bench.options.AutoChangeTime = time(c[2]).time();
        bench.engine.ChangeTimer().start(1000);
        bench.clock.set(time(c[3]));
        bench.engine.ApplyDesktopOptions();
        QTimer& timer = bench.engine.ChangeTimer();
        QCOMPARE(timer.isActive() ? timer.interval() : 0, qAbs(interval));
        QCOMPARE(bench.desktop.wallpaperCalls.size(), interval < 0 ? 1 : 0);
        if (interval != 0)
            QCOMPARE(bench.engine.NextChange().toString(format), time(c[4]).toString(format));
        if (interval < 0)
            QCOMPARE(bench.engine.LastChange().toString(format),
                     time(c[3]).toString(format).chopped(2) + "00");
    }

    // The computer sleeps between two ticks: the first tick after waking catches the change up
    // once, and the next moment counts from that change.
    void missedChangeIsCaughtUpAfterSleep() {
        Bench bench;
        bench.addEntries({1, 1});
        bench.schedule(true, {0, 1, 0});
        bench.clock.set(at(5, 3, 10, 30));
        bench.engine.ApplyDesktopOptions();
        bench.clock.set(at(5, 5, 10, 30, 20));
        bench.engine.ChangeTimer_Timer();
        QCOMPARE(bench.desktop.wallpaperCalls.size(), 1);
        QCOMPARE(bench.engine.ChangeTimer().interval(), 15000);
        QCOMPARE(bench.engine.NextChange(), QDateTime(QDate(2026, 5, 5), QTime(11, 30), Qt::UTC));
        bench.clock.advanceMs(15000);
        bench.engine.ChangeTimer_Timer();
        QCOMPARE(bench.desktop.wallpaperCalls.size(), 1);
        QCOMPARE(bench.engine.ChangeTimer().interval(), 30000);
    }

    void timedChangeHappensOnceInItsMinute() {
        Bench bench;
        bench.addEntries({1, 1});
        bench.schedule(false, {8, 30, 0});
        bench.options.AutoChangeDate = QDate(2026, 5, 2);
        bench.options.AutoChangeTime = QTime(8, 30);
        bench.clock.set(at(5, 3, 8, 30, 1));
        bench.engine.ApplyDesktopOptions();
        QCOMPARE(bench.desktop.wallpaperCalls.size(), 1);
        QCOMPARE(bench.options.AutoChangeTime, QTime(8, 30));
        bench.clock.set(at(5, 3, 8, 30, 40));
        bench.engine.ChangeTimer_Timer();
        QCOMPARE(bench.desktop.wallpaperCalls.size(), 1);
        QCOMPARE(bench.engine.NextChange().date(), QDate(2026, 5, 4));
    }
};

QTEST_MAIN(TestWallpaperEngine)
#include "tst_wallpaper_engine.moc"
