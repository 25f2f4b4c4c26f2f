// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "engine/Options.h"
#include "settings/SavedState.h"
#include "settings/Settings.h"
#include "support/ManualClock.h"
#include "support/MemorySettingsStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {

class FakeWindow final : public PlacedWindow {
public:
    QRect frame{100, 80, 600, 400};
    QRect desktop{0, 0, 1024, 768};
    QRect windowFrame() const override { return frame; }
    void moveWindow(const QPoint& topLeft) override { frame.moveTopLeft(topLeft); }
    QRect desktopArea() const override { return desktop; }
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
};

} // namespace

class TestSavedState : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString sub(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    void touch(const QString& path) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

private Q_SLOTS:
    void twelveEntriesComeBackInOrder() {
        test::MemorySettingsStore store;
        QDir(dir_.path()).mkpath(QStringLiteral("one"));
        QDir(dir_.path()).mkpath(QStringLiteral("two"));
        {
            Run first(store);
            first.load();
            for (int i = 0; i < 12; ++i) {
                const QString folder = sub(i % 2 ? QStringLiteral("one") : QStringLiteral("two"));
                const QString name = QStringLiteral("w%1.jpg").arg(11 - i);
                if (i % 3 != 2)
                    touch(QDir(folder).filePath(name));
                // Every third file is absent: its use request stores 3 (missing).
                first.collection.AppendImage(name, folder, i % 4 == 1 ? StateSkip : StateUse);
            }
            QCOMPARE(first.collection.ImageState(2), 3);
            const int batchesBefore = store.batches;
            const int singlesBefore = store.singleWrites;
            QVERIFY(first.state.SaveState(&first.window));
            QCOMPARE(store.batches, batchesBefore + 1);
            QCOMPARE(store.singleWrites, singlesBefore);
            QCOMPARE(first.stored(QStringLiteral("WN")), QStringLiteral("12"));
            // Missing is saved as use, so the next start tests the file again.
            QCOMPARE(first.stored(QStringLiteral("WState3")), QStringLiteral("1"));
        }
        Run second(store);
        second.load();
        QCOMPARE(second.collection.rowCount(), 12);
        for (int i = 0; i < 12; ++i) {
            QCOMPARE(second.collection.ImageFileName(i), QStringLiteral("w%1.jpg").arg(11 - i));
            QCOMPARE(second.collection.ImagePath(i),
                     sub(i % 2 ? QStringLiteral("one") : QStringLiteral("two")));
            // Skip entries are not tested; use entries whose file is absent come back missing.
            const qint32 expected = i % 4 == 1 ? 2 : (i % 3 == 2 ? 3 : 1);
            QCOMPARE(second.collection.ImageState(i), expected);
        }
        QCOMPARE(second.state.MissingCount(), 3);
        QCOMPARE(second.state.MissingName(), QStringLiteral("w0.jpg"));
    }

    void aSaveWritesOnlyWhatChanged_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("written"); // -1: everything
        QTest::newRow("nothing") << "none" << 0;
        QTest::newRow("one state") << "toggle" << 1;
        QTest::newRow("last entry removed") << "remove last" << 1;
        QTest::newRow("first entry removed, the rest move up") << "remove first" << 1 + 5;
        QTest::newRow("window moved") << "move" << 2;
        QTest::newRow("another copy saved meanwhile") << "elsewhere" << -1;
    }
    void aSaveWritesOnlyWhatChanged() {
        QFETCH(QString, edit);
        QFETCH(int, written);
        test::MemorySettingsStore store;
        {
            Run first(store);
            first.load();
            for (int i = 0; i < 6; ++i)
                first.collection.AppendImage(QStringLiteral("%1.jpg").arg(i), dir_.path(), 2);
            QVERIFY(first.state.SaveState(&first.window));
        }
        Run second(store);
        second.load();
        if (edit == QLatin1String("toggle"))
            second.collection.SetImageState(2, StateToggle);
        else if (edit == QLatin1String("remove last"))
            second.collection.RemoveImage(5);
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
            QVERIFY(store.batchValues - values > 3 * 6);

        Run third(store);
        third.load();
        QCOMPARE(third.collection.rowCount(), second.collection.rowCount());
        for (int row = 0; row < third.collection.rowCount(); ++row) {
            QCOMPARE(third.collection.ImageFileName(row), second.collection.ImageFileName(row));
            QCOMPARE(third.collection.ImageState(row), second.collection.ImageState(row));
        }
        QCOMPARE(third.window.frame.topLeft(), second.window.frame.topLeft());
    }

    void shrinkLeavesOldValuesAndLoadsOnlyTheCount() {
        test::MemorySettingsStore store;
        {
            Run first(store);
            first.load();
            for (int i = 1; i <= 12; ++i)
                first.collection.AppendImage(QStringLiteral("%1.jpg").arg(i), dir_.path(), 2);
            QVERIFY(first.state.SaveState(&first.window));
            while (first.collection.rowCount() > 3)
                first.collection.RemoveImage(first.collection.rowCount() - 1);
            QVERIFY(first.state.SaveState(&first.window));
            QCOMPARE(first.stored(QStringLiteral("WN")), QStringLiteral("3"));
            QCOMPARE(first.stored(QStringLiteral("WName12")), QStringLiteral("12.jpg"));
        }
        Run second(store);
        second.load();
        QCOMPARE(second.collection.rowCount(), 3);
        QCOMPARE(second.collection.ImageFileName(2), QStringLiteral("3.jpg"));
    }

    void currentIndexIsClampedToTheRestoredRows_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("storedIndex");
        QTest::addColumn<int>("index");
        QTest::newRow("beyond the end") << 5 << "7" << 4;
        QTest::newRow("inside") << 5 << "2" << 2;
        QTest::newRow("negative") << 5 << "-3" << 0;
        QTest::newRow("empty collection") << 0 << "7" << 0;
        QTest::newRow("not a number") << 5 << "seven" << 0;
    }
    void currentIndexIsClampedToTheRestoredRows() {
        QFETCH(int, count);
        QFETCH(QString, storedIndex);
        QFETCH(int, index);
        test::MemorySettingsStore store;
        store.listsValues = false;
        Run run(store);
        run.settings.WriteSetting(QStringLiteral("WN"), count);
        for (int n = 1; n <= count; ++n) {
            run.settings.WriteSetting(QStringLiteral("WName%1").arg(n), QStringLiteral("x.jpg"));
            run.settings.WriteSetting(QStringLiteral("WState%1").arg(n), 2);
        }
        run.settings.WriteSetting(QStringLiteral("WIndex"), storedIndex);
        run.load();
        QCOMPARE(run.collection.currentIndex(), index);
        const QModelIndexList selected = run.collection.selectionModel()->selectedRows();
        QCOMPARE(selected.size(), count > 0 ? 1 : 0);
        if (count > 0)
            QCOMPARE(selected[0].row(), index);
    }

    void windowLimitsOfASmallDesktop() {
        const WindowLimits limits = WindowLimitsFor(QRect(0, 0, 1024, 768), QSize(9000, 6000));
        QCOMPARE(limits.minLeft, -150);
        QCOMPARE(limits.maxLeft, 6510);
        QCOMPARE(limits.minTop, -150);
        QCOMPARE(limits.maxTop, 5670);
    }

    void storedPositionComesBackInside_data() {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<QPoint>("pixels");
        // 600 x 400 px window on 1024 x 768: left in [-10, 434], top in [-10, 378] pixels.
        QTest::newRow("saved on a larger screen") << "30000"
                                                  << "20000" << QPoint(434, 378);
        QTest::newRow("far off to the left") << "-9000"
                                             << "-1e9" << QPoint(-10, -10);
        QTest::newRow("inside stays") << "1500"
                                      << "3000" << QPoint(100, 200);
        QTest::newRow("hand-edited text") << "left"
                                          << "" << QPoint(100, 80);
        QTest::newRow("decimal comma") << "1500,0"
                                       << "3000" << QPoint(100, 200);
    }
    void storedPositionComesBackInside() {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(QPoint, pixels);
        test::MemorySettingsStore store;
        Run run(store);
        run.settings.WriteSetting(QStringLiteral("WMainX"), x);
        run.settings.WriteSetting(QStringLiteral("WMainY"), y);
        run.load();
        QCOMPARE(run.window.frame.topLeft(), pixels);
    }

    void windowLargerThanTheDesktopLandsInTheMiddle() {
        test::MemorySettingsStore store;
        Run run(store);
        run.window.frame = QRect(0, 0, 2000, 1000);
        run.settings.WriteSetting(QStringLiteral("WMainX"), 0.0);
        run.load();
        // Left range [-150, 15510 - 30000]: empty, so its middle.
        QCOMPARE(run.window.frame.left(), (15510 - 30000 - 150) / 2 / 15);
    }

    void dialogPositionsAreKeptReady() {
        test::MemorySettingsStore store;
        Run run(store);
        run.settings.WriteSetting(QStringLiteral("WOptsX"), 99999.0);
        run.settings.WriteSetting(QStringLiteral("WOptsY"), 1200.0);
        run.load();
        QVERIFY(run.state.optionsDialog.known);
        QVERIFY(run.state.messageDialog.known);
        QCOMPARE(run.state.optionsDialog.left,
                 (1024 + 10) * 15 - run.state.optionsDialogSize.width());
        QCOMPARE(run.state.optionsDialog.top, 1200);
        // Never placed: the middle of the desktop.
        QCOMPARE(run.state.messageDialog.left, 512 * 15 - run.state.messageDialogSize.width() / 2);
        run.state.messageDialog.left = 450;
        QVERIFY(run.state.SaveState(&run.window));
        QCOMPARE(run.stored(QStringLiteral("WMsgX")), QStringLiteral("450"));
    }

    void anAttachedDialogIsPlacedWithItsOwnSizeAndAskedAtSave() {
        test::MemorySettingsStore store;
        Run run(store);
        FakeDialog dialog;
        run.state.attachDialogs(nullptr, &dialog);
        run.settings.WriteSetting(QStringLiteral("WMsgX"), 99999.0);
        run.settings.WriteSetting(QStringLiteral("WMsgY"), -4000.0);
        run.load();
        QCOMPARE(dialog.restored, 1);
        QCOMPARE(dialog.position, QPoint((1024 + 10) * 15 - dialog.size.width(), -150));
        dialog.position = QPoint(3000, 2250);
        QVERIFY(run.state.SaveState(&run.window));
        QCOMPARE(run.stored(QStringLiteral("WMsgX")), QStringLiteral("3000"));
        QCOMPARE(run.stored(QStringLiteral("WMsgY")), QStringLiteral("2250"));
    }

    void lastFolderWalksToTheNearestParent_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("restored");
        QTest::newRow("vanished subfolders") << "pictures/Old/2007"
                                             << "pictures";
        QTest::newRow("existing folder") << "pictures"
                                         << "pictures";
        QTest::newRow("nothing stored, maker folder") << ""
                                                      << "Moravelstone";
    }
    void lastFolderWalksToTheNearestParent() {
        QFETCH(QString, stored);
        QFETCH(QString, restored);
        QDir(dir_.path()).mkpath(QStringLiteral("pictures"));
        QDir(dir_.path()).mkpath(QStringLiteral("Moravelstone"));
        test::MemorySettingsStore store;
        Run run(store);
        if (!stored.isEmpty())
            run.settings.WriteSetting(QStringLiteral("LastFolder"), sub(stored));
        run.state.LoadSavedState(&run.window, sub(QStringLiteral("Moravelstone")));
        QCOMPARE(run.state.restoredFolder(), sub(restored));
        QVERIFY(!run.state.restoredDrive().isEmpty());
        QCOMPARE(run.state.shownFolder(), sub(restored));
    }

    void relativeLastFolderIsNotRestoredButKept() {
        test::MemorySettingsStore store;
        Run run(store);
        run.settings.WriteSetting(QStringLiteral("LastFolder"), QStringLiteral("no/such/place"));
        run.load();
        QCOMPARE(run.state.restoredFolder(), QString());
        QVERIFY(run.state.SaveState(&run.window));
        QCOMPARE(run.stored(QStringLiteral("LastFolder")), QStringLiteral("no/such/place"));
    }

    void driveOfPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("found");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("current folder") << "." << true;
        QTest::newRow("root") << "/" << true;
        QTest::newRow("temporary folder") << QDir::tempPath() << true;
    }
    void driveOfPath() {
        QFETCH(QString, path);
        QFETCH(bool, found);
        const QString drive = DriveOfPath(path);
        QCOMPARE(!drive.isEmpty(), found);
        if (found)
            QVERIFY(QFileInfo(drive).isDir());
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

    void damagedStoreLoadsQuickly_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("maxReads");
        QTest::newRow("count as text") << "many" << 0 << 400;
        QTest::newRow("negative count") << "-40" << 0 << 400;
        QTest::newRow("real count") << "2.4" << 2 << 400;
        // Beyond 32 bits: clamped like any other count, never read as 0.
        QTest::newRow("huge count") << "99999999999" << 2 << 3 * 32767 + 400;
        QTest::newRow("count of 2^31 + 1") << "2147483649" << 2 << 3 * 32767 + 400;
        // Bounded by the 16-bit limit, whatever is stored.
        QTest::newRow("count above 16 bits") << "1000000" << 2 << 3 * 32767 + 400;
    }
    void damagedStoreLoadsQuickly() {
        QFETCH(QString, count);
        QFETCH(int, rows);
        QFETCH(int, maxReads);
        test::MemorySettingsStore store;
        store.listsValues = false;
        Run run(store);
        run.settings.WriteSetting(QStringLiteral("WN"), count);
        run.settings.WriteSetting(QStringLiteral("WName1"), QStringLiteral("a.jpg"));
        run.settings.WriteSetting(QStringLiteral("WState1"), QStringLiteral("skip"));
        run.settings.WriteSetting(QStringLiteral("WName2"), QStringLiteral("b.jpg"));
        run.settings.WriteSetting(QStringLiteral("WState2"), QStringLiteral("2"));
        run.settings.WriteSetting(QStringLiteral("WIndex"), QStringLiteral("1e300"));
        run.settings.WriteSetting(QStringLiteral("AutoPeriodDays"), QStringLiteral("lots"));
        store.reads = 0;
        run.load();
        QVERIFY2(store.reads <= maxReads, qPrintable(QString::number(store.reads)));
        QCOMPARE(run.collection.rowCount(), rows);
        if (rows > 0) {
            // A state that is not a number reads as the default, use; the file is absent.
            QCOMPARE(run.collection.ImageState(0), 3);
            QCOMPARE(run.collection.ImageState(1), 2);
        }
        QCOMPARE(run.options.options().AutoPeriodDays, 0);
    }

    // Values longer than any path the system accepts are damaged: they cost no walk and take
    // no place in the collection.
    void overlongValuesAreDamaged_data() {
        QTest::addColumn<QString>("lastFolder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("restored");
        QTest::addColumn<int>("rows");
        const QString deep = QStringLiteral("/a").repeated(500'000);
        const QString name255 = QStringLiteral("n").repeated(251) + QStringLiteral(".jpg");
        QTest::newRow("1 MB last folder") << deep << "a.jpg" << false << 1;
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
        run.settings.WriteSetting(QStringLiteral("LastFolder"),
                                  lastFolder.isEmpty() ? dir_.path() : lastFolder);
        run.settings.WriteSetting(QStringLiteral("WN"), 1);
        run.settings.WriteSetting(QStringLiteral("WName1"), name);
        run.settings.WriteSetting(QStringLiteral("WPath1"), dir_.path());
        QElapsedTimer timer;
        timer.start();
        run.load();
        // Generous: the load takes milliseconds; a walk over the folder took minutes.
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(run.state.restoredFolder().isEmpty(), !restored);
        QCOMPARE(run.collection.rowCount(), rows);
    }
};

QTEST_GUILESS_MAIN(TestSavedState)
#include "tst_saved_state.moc"
