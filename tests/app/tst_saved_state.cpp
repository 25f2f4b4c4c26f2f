// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SavedState.h"
#include "collection/Collection.h"
#include "engine/Options.h"
#include "settings/Settings.h"
#include "settings/SqliteSettingsStore.h"
#include "support/ManualClock.h"
#include "support/MemorySettingsStore.h"
#include "support/PictureFiles.h"
#include "support/StoreFaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <optional>

using namespace kv;

namespace {

// On the first of two monitors, side by side.
struct FakeWindow final : PlacedWindow {
    QRect frame{100, 80, 600, 400};
    bool monitors = true; // none while asleep or before one is connected
    bool tells = true;
    QRect windowFrame() const override { return frame; }
    bool tellsPlace() const override { return tells; }
    void moveWindow(const QPoint& topLeft) override { frame.moveTopLeft(topLeft); }
    QRect desktopAreaFor(const QRect& placed) const override {
        const QRect first(0, 0, 1024, 768), second(1024, 0, 1280, 1024);
        const QRect onSecond = placed.intersected(second);
        const QRect onFirst = placed.intersected(first);
        return !monitors                                                                   ? QRect()
               : onSecond.width() * onSecond.height() > onFirst.width() * onFirst.height() ? second
                                                                                           : first;
    }
};

// Shown where a compositor keeps its place to itself (reported at 0,0), or where it was put,
// or moved there by the user.
struct ShownDialog final : PlacedDialog {
    bool tells = false;
    QPoint given;
    std::optional<QPoint> moved;
    QSize sizeTwips() const override { return {6000, 4500}; }
    void setRestoredPosition(QPoint twips) override { given = twips; }
    QPoint positionTwips() const override { return tells ? moved.value_or(given) : QPoint(); }
    bool tellsPlace() const override { return tells; }
};

// One program's worth of state over a store that outlives it, as a restart would see it.
struct Run {
    explicit Run(SettingsStore& store) : settings(store) {
        settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
    }
    Settings settings;
    test::ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(9, 30))};
    Collection collection;
    OptionsKeeper options{settings, clock};
    SavedState state{settings, collection, options};
    FakeWindow window;

    Run& load(const QString& maker = QString()) {
        state.LoadSavedState(&window, maker);
        return *this;
    }
    QStringList rows() const {
        QStringList all;
        for (int row = 0; row < collection.rowCount(); ++row)
            all << QStringLiteral("%1/%2 %3")
                       .arg(QFileInfo(collection.ImagePath(row)).fileName(),
                            collection.ImageFileName(row),
                            QString::number(collection.ImageState(row)));
        return all;
    }
};

} // namespace

class TestSavedState : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString sub(const QString& name) const { return QDir(dir_.path()).filePath(name); }

private Q_SLOTS:
    // What a save wrote loads back; a save writes only what changed since the load (counted, not
    // timed), and all of it when another copy saved meanwhile, so no two collections mix. A store
    // that cannot tell another copy's changes gets everything at every save; the rows past a
    // shrunk collection go all the same. Counts are batches and values written, beyond what a
    // save with nothing changed wrote.
    void aSaveRoundTripsAndWritesOnlyWhatChanged_data() {
        QTest::addColumn<bool>("listsValues");
        QTest::addColumn<QPoint>("afterRemoval");
        // The count, the current entry (row 0 went: now the last row, before it going round),
        // three names, three folders, the two states that differ, and the old last row, which
        // goes.
        QTest::newRow("store with a change mark") << true << QPoint(1, 1 + 1 + 3 + 3 + 2 + 3);
        // The old last row's three values in place of the removed row's.
        QTest::newRow("registry-like store") << false << QPoint(0, 0);
    }
    void aSaveRoundTripsAndWritesOnlyWhatChanged() {
        QFETCH(bool, listsValues);
        test::MemorySettingsStore store;
        store.listsValues = listsValues;
        QDir(dir_.path()).mkpath(QStringLiteral("one"));
        QVERIFY(QFile(sub(QStringLiteral("one/w3.jpg"))).open(QIODevice::WriteOnly));
        {
            Run first(store);
            first.load();
            // A skipped entry is not tested; a missing one is saved as use, to be tested again.
            for (const char* entry :
                 {"one/w3.jpg 1", "two/w2.jpg 2", "one/w1.jpg 1", "two/w0.jpg 1"}) {
                const QStringList parts = QString::fromLatin1(entry).split(u' ');
                first.collection.AppendImage(QFileInfo(parts[0]).fileName(),
                                             QFileInfo(sub(parts[0])).path(), parts[1].toInt());
            }
            first.state.setShownWallpaper(sub(QStringLiteral("two/w2.jpg")));
            QVERIFY(first.state.SaveState(&first.window));
        }
        Run second(store);
        QCOMPARE(second.load().rows(),
                 (QStringList{"one/w3.jpg 1", "two/w2.jpg 2", "one/w1.jpg 3", "two/w0.jpg 3"}));
        QCOMPARE(second.state.MissingCount(), 2);
        QCOMPARE(second.state.shownWallpaper(), sub(QStringLiteral("two/w2.jpg")));
        const auto written = [&] {
            const QPoint before(store.batches, store.batchValues);
            return second.state.SaveState(&second.window)
                       ? QPoint(store.batches, store.batchValues) - before
                       : QPoint(-1, -1);
        };
        const QPoint unchanged = written();
        QCOMPARE(unchanged.x(), listsValues ? 0 : 1);
        second.collection.RemoveImage(0);
        QTEST(written() - unchanged, "afterRemoval");
        QCOMPARE(store.readText(second.settings.settingsKey(), "WName4"), QString());
        store.writeElsewhere(second.settings.settingsKey(), "WName2", "other.jpg");
        QVERIFY(written().y() > 12);
        Run third(store);
        QCOMPARE(third.load().rows(), second.rows());
        // A row the load skips, and all rows replaced from other folders: no old folder stays.
        store.writeElsewhere(second.settings.settingsKey(), "WName1", QString(300, u'n'));
        Run fourth(store);
        for (fourth.load(); fourth.collection.rowCount() > 0;)
            fourth.collection.RemoveImage(0);
        for (const char* entry : {"one/w5.jpg", "three/w1.jpg", "three/w0.jpg"})
            fourth.collection.AppendImage(QFileInfo(entry).fileName(), QFileInfo(sub(entry)).path(),
                                          2);
        QVERIFY(fourth.state.SaveState(&fourth.window));
        QCOMPARE(Run(store).load().rows(),
                 (QStringList{"one/w5.jpg 2", "three/w1.jpg 2", "three/w0.jpg 2"}));
    }

    // The store's file changes under a running copy: damage comes to light after the load read
    // it (a lookup by name meets the page of its index overwritten; the load reads the table
    // without it), or comes only then and is met by the save, or the file is removed, or another
    // store or another file is moved over it. A save that says it saved put the whole collection
    // into the file now at the path; a damaged file is kept aside, and one that is no store is
    // left as it is.
    void aSaveReachesTheFileNowAtThePath_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("damage found after the load") << "damage";
        QTest::newRow("damage after the load, met by the save") << "damage later";
        QTest::newRow("cut short after the load") << "damage: cut";
        QTest::newRow("cut short, met by a last save with nothing to write") << "damage: last";
        QTest::newRow("damaged again after it was set aside") << "damage later, twice";
        // No room for the store made in its place: the damaged one stays until there is.
        QTest::newRow("damage met by a save on a full disk") << "damage later, disk full";
        QTest::newRow("removed") << "removed";
        QTest::newRow("another store moved over it") << "store";
        QTest::newRow("another file moved over it") << "file";
    }
    void aSaveReachesTheFileNowAtThePath() {
        QFETCH(QString, change);
        const QByteArray kForeign("not a settings store\n");
        const QString path = sub(change + QStringLiteral("/settings.sqlite"));
        const QString other = path + QStringLiteral(".other");
        std::optional<test::SmallDisk> disk;
        if (change.endsWith("full") && !disk.emplace(QFileInfo(path).path()).mounted())
            QSKIP("a small file system cannot be mounted here (needs root)");
        QStringList rows;
        {
            const auto store = SqliteSettingsStore::open(path);
            Run first(*store);
            first.load();
            for (int n = 0; n < (change == "damage: last" ? 300 : 2); ++n)
                first.collection.AppendImage(QStringLiteral("%1.jpg").arg(n), dir_.path(), 2);
            QVERIFY(first.state.SaveState(&first.window));
            rows = first.rows();
        }
        QFile file(path);
        const auto damage = [&file] {
            const bool done = file.open(QIODevice::ReadWrite) && file.seek(2 * 4096) &&
                              file.write(QByteArray(4096, 'Z')) == 4096;
            file.close();
            return done;
        };
        QVERIFY(change != "damage" || damage());
        const auto store = SqliteSettingsStore::open(path);
        Run second(*store);
        QCOMPARE(second.load().rows(), rows);
        QVERIFY(!change.startsWith("damage later") || damage());
        if (disk) {
            disk->fill();
            QVERIFY(!second.state.SaveState(&second.window, true));
            QVERIFY(!test::movedAside(path));
            disk->drain();
        }
        // A save before the damage: what it wrote is in the log, not in the file.
        if (change.endsWith("twice") || change == "damage: last") {
            second.collection.AppendImage(QStringLiteral("d.jpg"), dir_.path(), 2);
            QVERIFY(second.state.SaveState(&second.window));
            rows = second.rows();
        }
        if (change.endsWith("twice")) {
            // The store made in place of the damaged one, its log written into it, cut short.
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(path), &db), SQLITE_OK);
            sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
            sqlite3_close(db);
            QVERIFY(file.resize(4096));
        }
        QVERIFY(change != "damage: cut" || file.resize(4096));
        QVERIFY(change != "damage: last" || file.resize(file.size() / 2));
        // A change for the save to write; the store cut short is met by a save with none.
        if (!change.startsWith("damage: ")) {
            second.collection.AppendImage(QStringLiteral("c.jpg"), dir_.path(), 2);
            rows = second.rows();
        }
        if (change == "damage")
            second.settings.ReadSetting(QStringLiteral("HomePage"), QString());
        if (change == "removed") {
            for (const char* suffix : {"", "-wal", "-shm"})
                QFile::remove(path + QLatin1String(suffix));
        }
        if (change == "store")
            SqliteSettingsStore::open(other)->writeText(second.settings.settingsKey(), "WN", "0");
        QVERIFY(change != "file" || test::writeBytes(other, kForeign));
        QVERIFY(!QFile::exists(other) ||
                std::rename(QFile::encodeName(other), QFile::encodeName(path)) == 0);
        QCOMPARE(second.state.SaveState(&second.window, change == "damage: last"),
                 change != "file");
        if (change == "file") {
            QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == kForeign);
            return;
        }
        QCOMPARE(test::movedAside(path), change.startsWith("damage"));
        const auto again = SqliteSettingsStore::open(path);
        QCOMPARE(Run(*again).load().rows(), rows);
    }

    // Values as a hand edit or damage left them, over five entries (the first with a state that
    // is no number, so use, its file absent); "~" is the test folder. Only the facts a row names
    // are compared; "saved" ones after a save. Reads are counted, not timed.
    void handEditedValues_data() {
        QTest::addColumn<QStringList>("seed");
        QTest::addColumn<QString>("facts");
        const auto row = [](const char* tag, const QStringList& seed, const char* facts) {
            QTest::newRow(tag) << seed << QString::fromLatin1(facts);
        };
        row("index beyond the end", {"WN", "5", "WIndex", "7"}, "rows=5 current=4 states=32222");
        // A damaged or lost count: the entries are counted, so that a save does not overwrite
        // them.
        row("count that is no number", {"WN", "5x"}, "rows=5");
        row("negative count", {"WN", "-3"}, "rows=5");
        row("empty count", {"WN", ""}, "rows=5");
        // Only skip is taken as stored: the others ask for use, which tests the file.
        row("states stored as missing and as 0, the first file there",
            {"WState2", "3", "WPath2", "~", "WState3", "0"}, "states=31322");
        row("count that is no number, a row lost", {"WN", "5x", "WName3", ""}, "rows=4");
        // Beyond 32 bits: clamped like any other count, never wrapped or read as 0.
        row("count of 2^31 + 1, huge index", {"WN", "2147483649", "WIndex", "1e300"},
            "rows=5 current=4 reads=bounded");
        // A 600 x 400 px window on 1024 x 768: left in [-10, 434], top in [0, 378] pixels, its
        // title bar on the desktop.
        row("window saved on a larger screen", {"WMainX", "30000", "WMainY", "20000"},
            "window=434,378");
        row("window saved above the desktop", {"WMainX", "-300", "WMainY", "-150"}, "window=-10,0");
        row("no monitor reported", {"monitors", "0", "WMainX", "2250", "WMainY", "1500"},
            "window=150,100");
        // The options dialog is not shown yet: kept ready, with the size it will have, and saved
        // where it was stored.
        row("dialog off the desktop", {"WOptsX", "99999", "WOptsY", "1200"},
            "options=8310,1200 saved=1500,1200,99999");
        // Shown where it was put, or moved by the user: only a move changes where it belongs.
        row("dialog off the desktop, shown", {"WOptsX", "99999", "shown", ""},
            "saved=1500,1200,99999");
        row("dialog off the desktop, moved", {"WOptsX", "99999", "shown", "3000,1500"},
            "saved=1500,1200,3000");
        row("window and dialog on the second monitor",
            {"WMainX", "24000", "WMainY", "3000", "WOptsX", "25500", "WOptsY", "1500"},
            "window=1600,200 options=25500,1500");
        // Their corners just off it: the monitor that holds most of each is theirs.
        row("window and dialog mostly on the second monitor",
            {"WMainX", "15000", "WMainY", "3000", "WOptsX", "14700", "WOptsY", "1500"},
            "window=1014,200 options=15210,1500");
        // A Wayland session's windows, which are not told where they are: the places an X11
        // session stored stay for it.
        row("places not told", {"untold", "", "WMainX", "2250", "WMainY", "1500", "WOptsX", "3000"},
            "saved=2250,1500,3000");
        // Longer than any path the system accepts: no walk up to the root (the maker folder
        // instead), no entry.
        row("1 MB last folder",
            {"LastFolder", QStringLiteral("/a").repeated(500'000), "WN", "1", "WPath1", "~"},
            "folder=Moravelstone rows=1 last=Moravelstone");
        // A medium that is not plugged in: its folder is kept until another one is browsed.
        row("last folder's subfolders vanished", {"LastFolder", "~/pictures/Old/2007"},
            "folder=pictures last=pictures/Old/2007");
        row("last folder vanished, another browsed",
            {"LastFolder", "~/pictures/Old/2007", "browse", "~/Moravelstone"}, "last=Moravelstone");
    }
    void handEditedValues() {
        QFETCH(QStringList, seed);
        QFETCH(QString, facts);
        QVERIFY(QDir(dir_.path()).mkpath("pictures") && QDir(dir_.path()).mkpath("Moravelstone"));
        QVERIFY(test::writeBytes(dir_.filePath(QStringLiteral("2.jpg")), "x"));
        test::MemorySettingsStore store;
        store.listsValues = false;
        Run run(store);
        run.settings.WriteSetting(QStringLiteral("WState1"), QStringLiteral("skip"));
        for (int n = 1; n <= 5; ++n) {
            run.settings.WriteSetting(QStringLiteral("WName%1").arg(n),
                                      QStringLiteral("%1.jpg").arg(n));
            run.settings.WriteSetting(QStringLiteral("WState%1").arg(n + 1), 2);
        }
        for (qsizetype i = 0; i + 1 < seed.size(); i += 2)
            run.settings.WriteSetting(seed[i], QString(seed[i + 1]).replace(u'~', dir_.path()));
        store.reads = 0;
        run.window.monitors = !seed.contains(QStringLiteral("monitors"));
        run.load(sub(QStringLiteral("Moravelstone")));
        const auto pair = [](int x, int y) {
            return QStringLiteral("%1,%2").arg(x).arg(y);
        };
        QString states;
        for (int row = 0; row < run.collection.rowCount(); ++row)
            states += QString::number(run.collection.ImageState(row));
        QStringList found = {
            "rows=" + QString::number(run.collection.rowCount()),
            "current=" + QString::number(run.collection.currentIndex()),
            "states=" + states,
            store.reads <= 3 * Collection::kMaxEntries + 400 ? "reads=bounded" : "reads=many",
            "window=" + pair(run.window.frame.left(), run.window.frame.top()),
            "options=" + pair(run.state.optionsDialog.left, run.state.optionsDialog.top),
            "folder=" + QString(run.state.restoredFolder()).remove(dir_.path() + u'/')};
        ShownDialog dialog;
        run.window.tells = !seed.contains(QStringLiteral("untold"));
        if (!run.window.tells)
            run.window.frame.moveTopLeft({0, 0});
        const qsizetype shown = seed.indexOf(QStringLiteral("shown"));
        if (shown >= 0) {
            dialog.tells = run.window.tells;
            const QStringList moved = seed[shown + 1].split(u',');
            if (moved.size() == 2)
                dialog.moved = QPoint(moved[0].toInt(), moved[1].toInt());
        }
        if (shown >= 0 || !run.window.tells)
            run.state.attachDialogs(&dialog, nullptr);
        // The browser reports the folder it opened, then the one browsed to.
        run.state.setShownFolder(run.state.restoredFolder());
        if (seed.contains(QStringLiteral("browse")))
            run.state.setShownFolder(run.settings.ReadSetting(QStringLiteral("browse"), ""));
        QVERIFY(run.state.SaveState(&run.window));
        found << "last=" + run.settings.ReadSetting(QStringLiteral("LastFolder"), "")
                               .remove(dir_.path() + u'/');
        found << "saved=" + QStringList{run.settings.ReadSetting(QStringLiteral("WMainX"), ""),
                                        run.settings.ReadSetting(QStringLiteral("WMainY"), ""),
                                        run.settings.ReadSetting(QStringLiteral("WOptsX"), "")}
                                .join(u',');
        for (const QString& fact : facts.split(u' '))
            QVERIFY2(found.contains(fact), qPrintable(found.join(u' ')));
    }
};

QTEST_GUILESS_MAIN(TestSavedState)
#include "tst_saved_state.moc"
