// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "engine/Options.h"
#include "settings/SavedState.h"
#include "settings/Settings.h"
#include "support/ManualClock.h"
#include "support/MemorySettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {

class FakeWindow final : public PlacedWindow {
public:
    QRect frame{100, 80, 600, 400};
    QRect windowFrame() const override { return frame; }
    void moveWindow(const QPoint& topLeft) override { frame.moveTopLeft(topLeft); }
    QRect desktopArea() const override { return {0, 0, 1024, 768}; }
};

class FakeDialog final : public PlacedDialog {
public:
    QSize size{4500, 1800};
    QPoint position;
    int restored = 0;
    QSize sizeTwips() const override { return size; }
    void setRestoredPosition(QPoint twips) override {
        position = twips;
        ++restored;
    }
    QPoint positionTwips() const override { return position; }
};

// One program's worth of state over a store that outlives it, as a restart would see it.
struct Run {
    explicit Run(test::MemorySettingsStore& store) : settings(store) {
        settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
    }
    Settings settings;
    test::ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(9, 30))};
    Collection collection;
    OptionsKeeper options{settings, clock};
    SavedState state{settings, collection, options};
    FakeWindow window;

    void load() { state.LoadSavedState(&window, QString()); }
    QString stored(const QString& name) { return settings.ReadSetting(name, QString()); }
    // Values as a hand edit leaves them: name, text, name, text...
    void seed(const QStringList& pairs) {
        for (qsizetype i = 0; i + 1 < pairs.size(); i += 2)
            settings.WriteSetting(pairs[i], pairs[i + 1]);
    }
};

} // namespace

class TestSavedState : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString sub(const QString& name) const { return QDir(dir_.path()).filePath(name); }

private Q_SLOTS:
    // Counted, not timed: a save writes only the values that changed since the load.
    void aSaveWritesOnlyWhatChanged_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("written"); // -1: everything
        QTest::newRow("nothing") << "none" << 0;
        QTest::newRow("one state") << "toggle" << 1;
        // Only the count: the old values stay behind, and a load reads only as far as it.
        QTest::newRow("last entry removed") << "remove last" << 1;
        // The count, three names, three folders and the two states that differ.
        QTest::newRow("first entry removed, the rest move up") << "remove first" << 1 + 3 + 3 + 2;
        QTest::newRow("window moved") << "move" << 2;
        QTest::newRow("another copy saved meanwhile") << "elsewhere" << -1;
    }
    void aSaveWritesOnlyWhatChanged() {
        QFETCH(QString, edit);
        QFETCH(int, written);
        test::MemorySettingsStore store;
        QDir(dir_.path()).mkpath(QStringLiteral("one"));
        QDir(dir_.path()).mkpath(QStringLiteral("two"));
        // name, folder, state asked for, file present, state after a restart
        const QList<std::tuple<QString, QString, int, bool, int>> rows{
            {"w3.jpg", "one", StateUse, true, StateUse},
            {"w2.jpg", "two", StateSkip, false, StateSkip}, // a skipped entry is not tested
            {"w1.jpg", "one", StateUse, false, StateMissing},
            {"w0.jpg", "two", StateUse, false, StateMissing}};
        {
            Run first(store);
            first.load();
            for (const auto& [name, folder, state, present, after] : rows) {
                if (present)
                    QVERIFY(QFile(QDir(sub(folder)).filePath(name)).open(QIODevice::WriteOnly));
                first.collection.AppendImage(name, sub(folder), state);
            }
            const int singles = store.singleWrites;
            QVERIFY(first.state.SaveState(&first.window));
            QCOMPARE(store.batches, 1);
            QCOMPARE(store.singleWrites, singles);
            QCOMPARE(first.stored(QStringLiteral("WN")), QStringLiteral("4"));
            // Missing is saved as use, so the next start tests the file again.
            QCOMPARE(first.stored(QStringLiteral("WState3")), QStringLiteral("1"));
        }
        Run second(store);
        second.load();
        QCOMPARE(second.collection.rowCount(), 4);
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(second.collection.ImageFileName(row), std::get<0>(rows[row]));
            QCOMPARE(second.collection.ImagePath(row), sub(std::get<1>(rows[row])));
            QCOMPARE(second.collection.ImageState(row), std::get<4>(rows[row]));
        }
        QCOMPARE(second.state.MissingCount(), 2);
        QCOMPARE(second.state.MissingName(), QStringLiteral("w0.jpg"));

        if (edit == QLatin1String("toggle"))
            second.collection.SetImageState(2, StateToggle);
        else if (edit == QLatin1String("remove last"))
            second.collection.RemoveImage(3);
        else if (edit == QLatin1String("remove first"))
            second.collection.RemoveImage(0);
        else if (edit == QLatin1String("move"))
            second.window.frame.moveTopLeft(QPoint(300, 200));
        else if (edit == QLatin1String("elsewhere"))
            store.writeElsewhere(second.settings.settingsKey(), QStringLiteral("WName2"),
                                 QStringLiteral("other.jpg"));
        const int batches = store.batches;
        const int values = store.batchValues;
        QVERIFY(second.state.SaveState(&second.window));
        QCOMPARE(store.batches, batches + (written == 0 ? 0 : 1));
        if (written >= 0)
            QCOMPARE(store.batchValues - values, written);
        else
            QVERIFY(store.batchValues - values > 3 * 4);

        Run third(store);
        third.load();
        QCOMPARE(third.collection.rowCount(), second.collection.rowCount());
        for (int row = 0; row < third.collection.rowCount(); ++row) {
            QCOMPARE(third.collection.ImageFileName(row), second.collection.ImageFileName(row));
            QCOMPARE(third.collection.ImagePath(row), second.collection.ImagePath(row));
            QCOMPARE(third.collection.ImageState(row), second.collection.ImageState(row));
        }
        QCOMPARE(third.window.frame.topLeft(), second.window.frame.topLeft());
    }

    // Five entries stored, the first with a state that is no number; the count and the index
    // as a hand edit or damage left them. Reads are counted: a huge count costs no long load.
    void handEditedCountAndIndex_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("index");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("maxReads");
        const int bounded = 3 * Collection::kMaxEntries + 400;
        QTest::newRow("index beyond the end") << "5" << 5 << "7" << 4 << 400;
        QTest::newRow("index inside") << "5" << 5 << "2" << 2 << 400;
        QTest::newRow("negative index") << "5" << 5 << "-3" << 0 << 400;
        QTest::newRow("index not a number") << "5" << 5 << "seven" << 0 << 400;
        QTest::newRow("empty collection") << "0" << 0 << "7" << 0 << 400;
        QTest::newRow("count as text") << "many" << 0 << "1" << 0 << 400;
        QTest::newRow("negative count") << "-40" << 0 << "1" << 0 << 400;
        QTest::newRow("real count") << "2.4" << 2 << "1e300" << 1 << 400;
        // Beyond 32 bits: clamped like any other count, never read as 0.
        QTest::newRow("huge count") << "99999999999" << 5 << "1" << 1 << bounded;
        QTest::newRow("count of 2^31 + 1") << "2147483649" << 5 << "1" << 1 << bounded;
        // Bounded by the 16-bit limit, whatever is stored.
        QTest::newRow("count above 16 bits") << "1000000" << 5 << "1" << 1 << bounded;
    }
    void handEditedCountAndIndex() {
        QFETCH(QString, count);
        QFETCH(QString, index);
        QFETCH(int, rows);
        QFETCH(int, current);
        QFETCH(int, maxReads);
        test::MemorySettingsStore store;
        store.listsValues = false;
        Run run(store);
        run.seed({"WN", count, "WIndex", index, "AutoPeriodDays", "lots", "WState1", "skip"});
        for (int n = 1; n <= 5; ++n) {
            run.settings.WriteSetting(QStringLiteral("WName%1").arg(n),
                                      QStringLiteral("%1.jpg").arg(n));
            if (n > 1)
                run.settings.WriteSetting(QStringLiteral("WState%1").arg(n), 2);
        }
        store.reads = 0;
        run.load();
        QVERIFY2(store.reads <= maxReads, qPrintable(QString::number(store.reads)));
        QCOMPARE(run.collection.rowCount(), rows);
        QCOMPARE(run.collection.currentIndex(), current);
        const QModelIndexList selected = run.collection.selectionModel()->selectedRows();
        QCOMPARE(selected.size(), rows > 0 ? 1 : 0);
        if (rows > 0) {
            QCOMPARE(selected[0].row(), current);
            // A state that is not a number reads as the default, use; the file is absent.
            QCOMPARE(run.collection.ImageState(0), StateMissing);
            QCOMPARE(run.collection.ImageState(1), StateSkip);
        }
        QCOMPARE(run.options.options().AutoPeriodDays, 0);
    }

    void storedPositionComesBackInside_data() {
        QTest::addColumn<QStringList>("stored"); // x, y
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("pixels");
        // 600 x 400 px window on 1024 x 768: left in [-10, 434], top in [-10, 378] pixels.
        const QSize usual(600, 400);
        QTest::newRow("saved on a larger screen")
            << QStringList{"30000", "20000"} << usual << QPoint(434, 378);
        QTest::newRow("far off to the left")
            << QStringList{"-9000", "-1e9"} << usual << QPoint(-10, -10);
        QTest::newRow("inside stays") << QStringList{"1500", "3000"} << usual << QPoint(100, 200);
        QTest::newRow("hand-edited text") << QStringList{"left", ""} << usual << QPoint(100, 80);
        QTest::newRow("decimal comma")
            << QStringList{"1500,0", "3000"} << usual << QPoint(100, 200);
        // Left range [-150, 15510 - 30000] twips is empty: its middle.
        QTest::newRow("larger than the desktop") << QStringList{"0", "0"} << QSize(2000, 1000)
                                                 << QPoint((15510 - 30000 - 150) / 2 / 15, -116);
    }
    void storedPositionComesBackInside() {
        QFETCH(QStringList, stored);
        QFETCH(QSize, window);
        QFETCH(QPoint, pixels);
        test::MemorySettingsStore store;
        Run run(store);
        run.window.frame.setSize(window);
        run.seed({"WMainX", stored[0], "WMainY", stored[1]});
        run.load();
        QCOMPARE(run.window.frame.topLeft(), pixels);
    }

    void dialogPositionsComeBackInside() {
        test::MemorySettingsStore store;
        Run run(store);
        FakeDialog dialog;
        run.state.attachDialogs(nullptr, &dialog);
        run.seed({"WOptsX", "99999", "WOptsY", "1200", "WMsgX", "99999", "WMsgY", "-4000"});
        run.load();
        // Not shown yet: kept ready, with the size it will have.
        QVERIFY(run.state.optionsDialog.known);
        QCOMPARE(run.state.optionsDialog.left,
                 (1024 + 10) * 15 - run.state.optionsDialogSize.width());
        QCOMPARE(run.state.optionsDialog.top, 1200);
        // Attached: placed with its own size, asked for its place at save.
        QCOMPARE(dialog.restored, 1);
        QCOMPARE(dialog.position, QPoint((1024 + 10) * 15 - dialog.size.width(), -150));
        dialog.position = QPoint(3000, 2250);
        run.state.optionsDialog.left = 450;
        QVERIFY(run.state.SaveState(&run.window));
        QCOMPARE(run.stored(QStringLiteral("WMsgX")), QStringLiteral("3000"));
        QCOMPARE(run.stored(QStringLiteral("WMsgY")), QStringLiteral("2250"));
        QCOMPARE(run.stored(QStringLiteral("WOptsX")), QStringLiteral("450"));

        test::MemorySettingsStore empty;
        Run fresh(empty);
        fresh.load();
        // Never placed: the middle of the desktop.
        QVERIFY(fresh.state.messageDialog.known);
        QCOMPARE(fresh.state.messageDialog.left,
                 512 * 15 - fresh.state.messageDialogSize.width() / 2);
    }

    void lastFolderWalksToTheNearestParent_data() {
        QTest::addColumn<QString>("stored"); // under the test folder unless it starts with '='
        QTest::addColumn<QString>("restored");
        QTest::newRow("vanished subfolders") << "pictures/Old/2007"
                                             << "pictures";
        QTest::newRow("existing folder") << "pictures"
                                         << "pictures";
        QTest::newRow("nothing stored, maker folder") << ""
                                                      << "Moravelstone";
        // Not restored, but kept for the day it means something again.
        QTest::newRow("relative") << "=no/such/place"
                                  << "";
    }
    void lastFolderWalksToTheNearestParent() {
        QFETCH(QString, stored);
        QFETCH(QString, restored);
        QDir(dir_.path()).mkpath(QStringLiteral("pictures"));
        QDir(dir_.path()).mkpath(QStringLiteral("Moravelstone"));
        const bool relative = stored.startsWith(u'=');
        const QString value = relative ? stored.mid(1) : sub(stored);
        test::MemorySettingsStore store;
        Run run(store);
        if (!stored.isEmpty())
            run.settings.WriteSetting(QStringLiteral("LastFolder"), value);
        run.state.LoadSavedState(&run.window,
                                 relative ? QString() : sub(QStringLiteral("Moravelstone")));
        QCOMPARE(run.state.restoredFolder(), restored.isEmpty() ? QString() : sub(restored));
        if (relative) {
            QVERIFY(run.state.SaveState(&run.window));
            QCOMPARE(run.stored(QStringLiteral("LastFolder")), value);
            return;
        }
        // The drive list opens on the drive that holds it.
        QVERIFY(QFileInfo(run.state.restoredDrive()).isDir());
        QVERIFY(sub(restored).startsWith(run.state.restoredDrive()));
        QCOMPARE(run.state.shownFolder(), sub(restored));
    }

    void homePageHasABuiltInDefault() {
        test::MemorySettingsStore store;
        Run run(store);
        const QString manual = QStringLiteral("file:///opt/kv/KestrovalineHelp.html");
        run.state.setBuiltInHomePage(manual);
        run.load();
        QCOMPARE(run.state.homePage(), manual);
        run.settings.WriteSetting(QStringLiteral("HomePage"), QStringLiteral("https://x.test/"));
        run.load();
        QCOMPARE(run.state.homePage(), QStringLiteral("https://x.test/"));
        QVERIFY(run.state.SaveState(&run.window));
        QCOMPARE(run.stored(QStringLiteral("HomePage")), QStringLiteral("https://x.test/"));
    }

    // Values longer than any path the system accepts are damaged: they cost no walk up to the
    // root and take no place in the collection.
    void overlongValuesAreDamaged_data() {
        QTest::addColumn<QString>("lastFolder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("restored");
        QTest::addColumn<int>("rows");
        const QString name255 = QStringLiteral("n").repeated(251) + QStringLiteral(".jpg");
        QTest::newRow("1 MB last folder")
            << QStringLiteral("/a").repeated(500'000) << "a.jpg" << false << 1;
        QTest::newRow("10 MB file name") << "" << QString(5'000'000, u'x') << true << 0;
        QTest::newRow("name of 255") << "" << name255 << true << 1;
        QTest::newRow("name of 256") << "" << QString(u'n') + name255 << true << 0;
    }
    void overlongValuesAreDamaged() {
        QFETCH(QString, lastFolder);
        QFETCH(QString, name);
        QFETCH(bool, restored);
        QFETCH(int, rows);
        test::MemorySettingsStore store;
        Run run(store);
        run.seed({"LastFolder", lastFolder.isEmpty() ? dir_.path() : lastFolder, "WN", "1",
                  "WName1", name, "WPath1", dir_.path()});
        run.load();
        QCOMPARE(run.state.restoredFolder().isEmpty(), !restored);
        QCOMPARE(run.collection.rowCount(), rows);
    }
};

QTEST_GUILESS_MAIN(TestSavedState)
#include "tst_saved_state.moc"
