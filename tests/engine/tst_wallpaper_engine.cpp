// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "engine/Options.h"
#include "engine/PictureCheck.h"
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

#include <memory>

using namespace kv;

namespace {

// Draws as scripted, then the lowest value; remembers how many were asked for.
class ScriptedRandom final : public Random {
public:
    QList<int> draws;
    int used = 0;
    int Between(int low, int high) override {
        ++used;
        return draws.isEmpty() ? low : qBound(low, draws.takeFirst(), high);
    }
};

const QString kNoAvailable = QStringLiteral(
    "Unable to set new wallpaper! There are no available image files in wallpaper collection!");
const QString kNoSupported = QStringLiteral(
    "Unable to set new wallpaper! There are no supported image files in wallpaper collection!");

QList<int> ints(const QString& text) {
    QList<int> values;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts))
        values << word.toInt();
    return values;
}

QDateTime at(int month, int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(2026, month, day), QTime(hour, minute, second));
}

// What the change engine works with: a collection of real picture files, the options, a clock
// that only moves when told, a desktop that counts calls.
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
    void add(const QString& file, int state) {
        collection.AppendImage(file, dir.path(), StateUse);
        collection.SetImageState(collection.rowCount() - 1, state);
    }
    // Entries valid.jpg under names of their own, so each row has its own path; rows listed
    // in broken hold a truncated picture instead.
    void addEntries(const QList<int>& states, const QList<int>& broken = {}) {
        for (int row = 0; row < states.size(); ++row) {
            const QString name = QStringLiteral("entry%1.jpg").arg(row);
            QFile::copy(path(broken.contains(row) ? QStringLiteral("truncated.jpg")
                                                  : QStringLiteral("valid.jpg")),
                        path(name));
            add(name, states[row]);
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
    void periodMode(int days, int hours, int minutes) {
        options.AutoPeriod = 1;
        options.AutoTime = 0;
        options.AutoPeriodDays = days;
        options.AutoPeriodHours = hours;
        options.AutoPeriodMins = minutes;
    }
    void timeMode(int hours, int minutes, int weekday) {
        options.AutoPeriod = 0;
        options.AutoTime = 1;
        options.AutoTimeHours = hours;
        options.AutoTimeMins = minutes;
        options.AutoTimeWeekday = weekday;
    }
};

} // namespace

class TestWallpaperEngine : public QObject {
    Q_OBJECT

    std::unique_ptr<Bench> pictures_;

private Q_SLOTS:
    void setWallpaperEntry_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("stateBefore");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("stateAfter");
        QTest::addColumn<int>("desktopCalls");
        // Which files decode is the decode table's; here what a set does with each outcome.
        QTest::newRow("picture") << "valid.jpg" << 1 << true << 1 << 1 << 1;
        QTest::newRow("broken picture keeps its state")
            << "truncated.jpg" << 1 << true << 0 << 1 << 0;
        QTest::newRow("text-named.jpg stays skipped")
            << "text-named.jpg" << 2 << true << 0 << 2 << 0;
        QTest::newRow("missing entry is back in use") << "valid.jpg" << 3 << true << 1 << 1 << 1;
        QTest::newRow("skipped entry stays skipped") << "valid.jpg" << 2 << true << 1 << 2 << 1;
        QTest::newRow("deleted file") << "deleted.jpg" << 1 << true << 0 << 3 << 0;
        QTest::newRow("desktop refuses, the entry keeps its state")
            << "valid.jpg" << 1 << false << 0 << 1 << 1;
        QTest::newRow("desktop refuses a missing entry's file that is back")
            << "valid.jpg" << 3 << false << 0 << 3 << 1;
    }
    void setWallpaperEntry() {
        QFETCH(QString, file);
        QFETCH(int, stateBefore);
        QFETCH(bool, accepted);
        QFETCH(int, result);
        QFETCH(int, stateAfter);
        QFETCH(int, desktopCalls);
        Bench bench;
        bench.add(QStringLiteral("valid.bmp"), StateUse);
        bench.collection.AppendImage(file, bench.dir.path(), StateUse);
        bench.collection.SetImageState(1, stateBefore);
        if (file == QLatin1String("deleted.jpg"))
            QCOMPARE(bench.collection.ImageState(1), StateMissing);
        else
            QCOMPARE(bench.collection.ImageState(1), stateBefore);
        if (!accepted)
            bench.desktop.refused << bench.path(file);
        bench.collection.SelectOnly(0);

        QCOMPARE(bench.engine.SetWallpaperEntry(1), result);
        QCOMPARE(bench.collection.ImageState(1), stateAfter);
        QCOMPARE(bench.desktop.wallpaperCalls.size(), desktopCalls);
        QCOMPARE(bench.desktop.wallpaper, result ? bench.path(file) : QString());
        // Colour and style follow only a picture the desktop took.
        QCOMPARE(bench.desktop.colourSets, result);
        QCOMPARE(bench.desktop.styleSets, result);
        QCOMPARE(bench.collection.selectionModel()->currentIndex().row(), result ? 1 : 0);
        QCOMPARE(bench.collection.currentIndex(), 0);
    }

    void colourAndStyleOnlyWhenTheyDiffer() {
        Bench bench;
        bench.add(QStringLiteral("valid.jpg"), StateUse);
        bench.desktop.colour = 0x00336699;
        bench.desktop.style = StyleStretch;
        QCOMPARE(bench.engine.SetWallpaperEntry(0), 1);
        bench.engine.ApplyDesktopOptions();
        QCOMPARE(bench.desktop.colourSets, 0);
        QCOMPARE(bench.desktop.styleSets, 0);
        // Bits above the colour, hand-edited into the store, do not make the colour differ.
        bench.options.Backgroud = qint32(0xAB336699u);
        bench.options.Stretch = StyleTile;
        bench.engine.ApplyDesktopOptions();
        QCOMPARE(bench.desktop.styleSets, 1);
        QCOMPARE(bench.desktop.style, int(StyleTile));
        QCOMPARE(bench.desktop.colourSets, 0);
    }

    // A start on a desktop that may have forgotten its wallpaper: the options are applied as
    // they load, a logon change may come, then the restore.
    void restoreAtStart_data() {
        QTest::addColumn<bool>("forgets");
        QTest::addColumn<bool>("showsCurrent");
        QTest::addColumn<bool>("changeFirst");
        QTest::addColumn<bool>("currentBroken");
        QTest::addColumn<QList<int>>("rowsSet");
        QTest::newRow("a desktop that keeps it")
            << false << false << false << false << QList<int>{};
        QTest::newRow("forgotten: shown with colour and style at once")
            << true << false << false << false << QList<int>{0};
        QTest::newRow("still shown") << true << true << false << false << QList<int>{};
        QTest::newRow("the logon change shows a picture anyway")
            << true << false << true << false << QList<int>{1};
        QTest::newRow("forgotten and broken: colour and style at least")
            << true << false << false << true << QList<int>{};
    }

    void restoreAtStart() {
        QFETCH(bool, forgets);
        QFETCH(bool, showsCurrent);
        QFETCH(bool, changeFirst);
        QFETCH(bool, currentBroken);
        QFETCH(QList<int>, rowsSet);
        Bench bench;
        bench.addEntries({StateUse, StateUse}, currentBroken ? QList<int>{0} : QList<int>{});
        bench.desktop.forgets = forgets;
        if (showsCurrent)
            bench.desktop.wallpaper = bench.collection.ImageFullPath(0);
        bench.engine.setRestorePending();
        bench.engine.ApplyDesktopOptions();
        // Held back where the picture is still to come, so the bare colour never shows first.
        QCOMPARE(bench.desktop.colourSets, forgets && !showsCurrent ? 0 : 1);
        if (changeFirst)
            QCOMPARE(bench.engine.ChangeWallpaper(), 1);
        bench.engine.RestoreWallpaper();
        QCOMPARE(bench.rowsSet(), rowsSet);
        QCOMPARE(bench.desktop.colourSets, 1);
        QCOMPARE(bench.desktop.colour, DesktopColor(bench.options.Backgroud));
        QCOMPARE(bench.desktop.style, bench.options.Stretch);
        // Once only: applying the options later is as ever.
        bench.engine.RestoreWallpaper();
        QCOMPARE(bench.rowsSet(), rowsSet);
    }

    void selectionAfterASet_data() {
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("current");
        QTest::addColumn<QList<int>>("selectedAfter");
        const QList<int> six{0, 1, 2, 3, 4, 5};
        QTest::newRow("hidden window collapses six") << false << six << 0 << QList<int>{7};
        QTest::newRow("visible window collapses five")
            << true << QList<int>{0, 1, 2, 3, 4} << 0 << QList<int>{7};
        QTest::newRow("visible window keeps six") << true << six << 0 << six;
        QTest::newRow("selected current entry stays as it is")
            << false << QList<int>{6, 7} << 7 << QList<int>{6, 7};
    }
    void selectionAfterASet() {
        QFETCH(bool, visible);
        QFETCH(QList<int>, selected);
        QFETCH(int, current);
        QFETCH(QList<int>, selectedAfter);
        Bench bench;
        bench.addEntries(QList<int>(8, 1));
        bench.visible = visible;
        QItemSelectionModel* selection = bench.collection.selectionModel();
        selection->setCurrentIndex(bench.collection.index(current), QItemSelectionModel::NoUpdate);
        for (int row : selected)
            selection->select(bench.collection.index(row), QItemSelectionModel::Select);
        QCOMPARE(bench.engine.SetWallpaperEntry(7), 1);
        QList<int> rows;
        for (const QModelIndex& index : selection->selectedRows())
            rows << index.row();
        std::sort(rows.begin(), rows.end());
        QCOMPARE(rows, selectedAfter);
    }

    // The pictures of the decode checks, written once: the large ones take a while.
    void initTestCase() {
        pictures_ = std::make_unique<Bench>();
        const QString large = pictures_->path(QStringLiteral("large.jpg"));
        QVERIFY(test::WriteNoisyJpeg(large, 1600, 1200));
        QImage noisy(large);
        QImageWriter progressive(pictures_->path(QStringLiteral("progressive.jpg")));
        progressive.setProgressiveScanWrite(true);
        QVERIFY(progressive.write(noisy));
        const auto bytes = [this](const char* name) {
            QFile read(pictures_->path(QLatin1String(name)));
            return read.open(QIODevice::ReadOnly) ? read.readAll() : QByteArray();
        };
        const QByteArray whole = bytes("large.jpg");
        const QByteArray cut = whole.chopped(int(whole.size() / 10));
        const QByteArray endMarker("\xFF\xD9", 2);
        QVERIFY(test::writeBytes(pictures_->path(QStringLiteral("large-truncated.jpg")), cut));
        QVERIFY(
            test::writeBytes(pictures_->path(QStringLiteral("cut-marked.jpg")), cut + endMarker));
        QVERIFY(test::writeBytes(pictures_->path(QStringLiteral("progressive-cut-marked.jpg")),
                                 bytes("progressive.jpg").chopped(20000) + endMarker));
        QVERIFY(test::writeBytes(pictures_->path(QStringLiteral("trailing.jpg")),
                                 whole + QByteArray(100000, '\x5A')));
        QVERIFY(QFile::copy(large, pictures_->path(QStringLiteral("sparse.jpg"))));
        QVERIFY(QFile::resize(pictures_->path(QStringLiteral("sparse.jpg")), qint64(2) << 30));
    }

    // The reduced test decode is only worth its speed if it turns down what the full one does.
    void reducedDecodeRejectsWhatFullDecodeRejects_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("valid.jpg") << "valid.jpg" << true;
        QTest::newRow("valid.bmp") << "valid.bmp" << true;
        QTest::newRow("valid.gif") << "valid.gif" << true;
        QTest::newRow("valid.png") << "valid.png" << true;
        QTest::newRow("truncated.png") << "truncated.png" << false;
        QTest::newRow("large.jpg") << "large.jpg" << true;
        QTest::newRow("truncated.jpg") << "truncated.jpg" << false;
        QTest::newRow("large-truncated.jpg") << "large-truncated.jpg" << false;
        QTest::newRow("cut, end marker stuck on") << "cut-marked.jpg" << false;
        QTest::newRow("progressive") << "progressive.jpg" << true;
        QTest::newRow("progressive, cut, end marker stuck on")
            << "progressive-cut-marked.jpg" << false;
        QTest::newRow("data after the end marker") << "trailing.jpg" << true;
        QTest::newRow("2 GiB, sparse") << "sparse.jpg" << false;
        QTest::newRow("text-named.jpg") << "text-named.jpg" << false;
        QTest::newRow("empty.bmp") << "empty.bmp" << false;
        QTest::newRow("huge.bmp") << "huge.bmp" << false;
        QTest::newRow("absent.gif") << "absent.gif" << false;
    }
    void reducedDecodeRejectsWhatFullDecodeRejects() {
        QFETCH(QString, file);
        QFETCH(bool, decodes);
        const QString path = pictures_->path(file);
        QCOMPARE(PictureDecodes(path, DecodeSize::Full), decodes);
        QCOMPARE(PictureDecodes(path, DecodeSize::Reduced), decodes);
    }

    // Lists are written as text: "1 1 2 1" is four entries' states.
    void changeWallpaper_data() {
        QTest::addColumn<int>("selection");
        QTest::addColumn<QString>("states");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("broken");
        QTest::addColumn<int>("drawsUsed");
        QTest::addColumn<QString>("draws");
        QTest::addColumn<int>("currentAfter");
        QTest::addColumn<QString>("rowsSet");
        QTest::addColumn<QString>("message");
        const QString none;
        QTest::newRow("list order skips a skipped entry")
            << 0 << "1 1 2 1" << 1 << "" << 0 << "" << 3 << "3" << none;
        QTest::newRow("list order wraps past a broken entry, never the current")
            << 0 << "1 1 2 1" << 1 << "3" << 0 << "" << 0 << "0" << none;
        QTest::newRow("list order tries a missing entry whose file is back")
            << 0 << "1 3 1" << 0 << "" << 0 << "" << 1 << "1" << none;
        QTest::newRow("list order, one entry is applied again")
            << 0 << "1" << 0 << "" << 0 << "" << 0 << "0" << none;
        QTest::newRow("list order, the others skipped, the current applied again")
            << 0 << "1 2 2" << 0 << "" << 0 << "" << 0 << "0" << none;
        QTest::newRow("list order, every entry skipped")
            << 0 << "2 2" << 0 << "" << 0 << "" << 0 << "" << kNoAvailable;
        QTest::newRow("list order, the only entry broken")
            << 0 << "1" << 0 << "0" << 0 << "" << 0 << "" << kNoSupported;
        QTest::newRow("list order, stored index beyond the end starts from the last")
            << 0 << "1 1 1 1 1 1 1 1 1 1" << 57 << "" << 0 << "" << 0 << "0" << none;
        QTest::newRow("list order, every other entry broken, the current applied again")
            << 0 << "1 1 1" << 0 << "1 2" << 0 << "" << 0 << "0" << none;
        QTest::newRow("random, only the current entry in use, applied again")
            << 1 << "1 2 3" << 0 << "" << 1 << "" << 0 << "0" << none;
        QTest::newRow("random, no entry in use")
            << 1 << "2 3" << 0 << "" << 0 << "" << 0 << "" << kNoAvailable;
        QTest::newRow("random, two candidates, the current drawn")
            << 1 << "1 1" << 0 << "" << 1 << "1" << 1 << "1" << none;
        QTest::newRow("random, two candidates, the other drawn")
            << 1 << "1 1" << 0 << "" << 1 << "2" << 1 << "1" << none;
        QTest::newRow("random, the current drawn as last takes the one before")
            << 1 << "1 2 1" << 2 << "" << 1 << "2" << 0 << "0" << none;
        QTest::newRow("random, every candidate broken, each tried once")
            << 1 << "1 1 1 2" << 3 << "0 1 2" << 3 << "3 1 1" << 3 << "" << kNoSupported;
    }
    void changeWallpaper() {
        QFETCH(int, selection);
        QFETCH(QString, states);
        QFETCH(int, current);
        QFETCH(QString, broken);
        QFETCH(int, drawsUsed);
        QFETCH(QString, draws);
        QFETCH(int, currentAfter);
        QFETCH(QString, rowsSet);
        QFETCH(QString, message);
        Bench bench;
        bench.options.AutoSelection = selection;
        bench.addEntries(ints(states), ints(broken));
        bench.collection.setCurrentIndex(current);
        bench.random.draws = ints(draws);

        const int result = bench.engine.ChangeWallpaper();
        QCOMPARE(result, rowsSet.isEmpty() ? 0 : 1);
        QCOMPARE(bench.rowsSet(), ints(rowsSet));
        QCOMPARE(bench.random.used, drawsUsed);
        QCOMPARE(bench.collection.currentIndex(), currentAfter);
        QCOMPARE(bench.askUser.asked.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(bench.askUser.asked[0].kind, MessageKind::ChangeFailed);
            QCOMPARE(bench.askUser.asked[0].message, message);
        }
        // A change is recorded at its whole minute; a failure leaves the last change alone.
        QCOMPARE(bench.options.AutoChangeTime, result ? QTime(14, 37) : QTime(10, 0));
        QCOMPARE(bench.options.AutoChangeDate, QDate(2026, 5, 3));
        for (int row : ints(broken))
            QCOMPARE(bench.collection.ImageState(row), ints(states)[row]);
    }

    // A retry of a failing change stays quiet until something that could mend it happens.
    void oneFailureMessagePerStreak() {
        Bench bench;
        bench.addEntries({1, 1, 1});
        const QStringList all{bench.collection.ImageFullPath(0), bench.collection.ImageFullPath(1),
                              bench.collection.ImageFullPath(2)};
        bench.desktop.refused = QSet<QString>(all.begin(), all.end());
        const QString refusedText =
            QStringLiteral("Unable to set new wallpaper! The desktop \"fake\" did not accept it.");
        const auto failWith = [&bench](int messages) {
            QCOMPARE(bench.engine.ChangeWallpaper(), 0);
            QCOMPARE(bench.askUser.asked.size(), messages);
        };
        // The desktop turned a good file down: one try, the file keeps its mark. Nothing shown
        // (the dialog busy with another message) leaves the next retry free to show it.
        bench.askUser.setAnswer(-1);
        failWith(1);
        QCOMPARE(bench.askUser.asked[0].message, refusedText);
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

    // One application of the options at `now`: the next change, the timer's interval and whether
    // a change was due. The setting is a period (days, hours, minutes) or a time (hours, minutes,
    // weekday); interval 0 means the timer is off, however long overdue the change is.
    void nextChangeAndTick_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QList<int>>("setting");
        QTest::addColumn<QDateTime>("last");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("next");
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("changed");
        const QList<int> hour{0, 1, 0};
        const QList<int> halfPastEight{8, 30, 0};
        const QDateTime ten = at(5, 3, 10, 0);
        const QDateTime eleven = at(5, 3, 11, 0);
        QTest::newRow("period 1 hour")
            << "period" << hour << ten << ten << eleven << 30000 << false;
        QTest::newRow("period 2 days 3 hours 4 minutes")
            << "period" << QList<int>{2, 3, 4} << at(5, 3, 22, 58) << at(5, 3, 22, 58)
            << at(5, 6, 2, 2) << 30000 << false;
        QTest::newRow("empty period is an hour")
            << "period" << QList<int>{0, 0, 0} << ten << ten << eleven << 30000 << false;
        QTest::newRow("every day, last change yesterday at the time")
            << "time" << halfPastEight << at(5, 2, 8, 30) << at(5, 2, 8, 30) << at(5, 3, 8, 30)
            << 30000 << false;
        QTest::newRow("every day, last change today at the time")
            << "time" << halfPastEight << at(5, 3, 8, 30) << at(5, 3, 8, 30) << at(5, 4, 8, 30)
            << 30000 << false;
        QTest::newRow("Monday, from a Wednesday")
            << "time" << QList<int>{8, 30, 2} << at(5, 6, 9, 0) << at(5, 6, 9, 0)
            << at(5, 11, 8, 30) << 30000 << false;
        QTest::newRow("Sunday, on a Sunday before the time")
            << "time" << QList<int>{8, 30, 1} << at(5, 3, 7, 0) << at(5, 3, 7, 0) << at(5, 3, 8, 30)
            << 30000 << false;
        QTest::newRow("hour 24") << "time" << QList<int>{24, 15, 0} << ten << ten << at(5, 4, 0, 15)
                                 << 30000 << false;
        QTest::newRow("a minute before")
            << "period" << hour << ten << at(5, 3, 10, 59) << eleven << 6000 << false;
        QTest::newRow("two seconds before")
            << "period" << hour << ten << at(5, 3, 10, 59, 58) << eleven << 200 << false;
        QTest::newRow("at the moment")
            << "period" << hour << ten << eleven << eleven << 200 << false;
        QTest::newRow("a second after")
            << "period" << hour << ten << at(5, 3, 11, 0, 1) << at(5, 3, 12, 0) << 15000 << true;
        QTest::newRow("hours before")
            << "period" << hour << ten << at(5, 3, 10, 1) << eleven << 30000 << false;
        QTest::newRow("overdue by two days")
            << "period" << hour << ten << at(5, 5, 9, 0) << at(5, 5, 10, 0) << 15000 << true;
        QTest::newRow("next change on a later date")
            << "period" << QList<int>{2, 0, 0} << ten << at(5, 3, 23, 59) << at(5, 5, 10, 0)
            << 30000 << false;
        QTest::newRow("clock set back a day")
            << "period" << hour << ten << at(5, 2, 10, 30) << at(5, 2, 11, 30) << 15000 << true;
        QTest::newRow("clock set back within the day")
            << "period" << hour << ten << at(5, 3, 9, 0) << eleven << 30000 << false;
        QTest::newRow("automatic off")
            << "off" << hour << ten << at(5, 9, 0, 0) << QDateTime() << 0 << false;
        QTest::newRow("logon mode")
            << "logon" << hour << ten << at(5, 9, 0, 0) << QDateTime() << 0 << false;
    }
    void nextChangeAndTick() {
        QFETCH(QString, mode);
        QFETCH(QList<int>, setting);
        QFETCH(QDateTime, last);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, next);
        QFETCH(int, interval);
        QFETCH(bool, changed);
        Bench bench;
        bench.addEntries({1, 1});
        if (mode == QLatin1String("time"))
            bench.timeMode(setting[0], setting[1], setting[2]);
        else
            bench.periodMode(setting[0], setting[1], setting[2]);
        bench.options.Automatic = mode == QLatin1String("off") ? 0 : 1;
        if (mode == QLatin1String("logon")) {
            bench.options.AutoLogon = 1;
            bench.options.AutoPeriod = 0;
        }
        bench.options.AutoChangeDate = last.date();
        bench.options.AutoChangeTime = last.time();
        bench.engine.ChangeTimer().start(1000);
        bench.clock.set(now);
        bench.engine.ApplyDesktopOptions();
        QCOMPARE(bench.engine.ChangeTimer().isActive(), interval > 0);
        QCOMPARE(bench.desktop.wallpaperCalls.size(), changed ? 1 : 0);
        if (interval == 0)
            return;
        QCOMPARE(bench.engine.ChangeTimer().interval(), interval);
        QCOMPARE(bench.engine.NextChange().date(), next.date());
        QCOMPARE(bench.engine.NextChange().time(), next.time());
        if (changed) {
            QCOMPARE(bench.engine.LastChange().date(), now.date());
            QCOMPARE(bench.engine.LastChange().time(),
                     QTime(now.time().hour(), now.time().minute()));
        }
    }

    // The computer sleeps between two ticks: the first tick after waking catches the change up
    // once, and the next moment counts from that change.
    void missedChangeIsCaughtUpAfterSleep() {
        Bench bench;
        bench.addEntries({1, 1});
        bench.periodMode(0, 1, 0);
        bench.clock.set(at(5, 3, 10, 30));
        bench.engine.ApplyDesktopOptions();
        QCOMPARE(bench.engine.ChangeTimer().interval(), 30000);
        QVERIFY(bench.desktop.wallpaperCalls.isEmpty());

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
        bench.timeMode(8, 30, 0);
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
