// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "collection/CollectionCommands.h"
#include "collection/FileBrowserModel.h"
#include "collection/Previews.h"
#include "support/PictureFiles.h"
#include "support/ScriptedAskUser.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {

class OneFolder final : public DriveSource {
public:
    explicit OneFolder(QString root) : root_(std::move(root)) {}
    QList<Drive> drives() const override { return {{root_, QString()}}; }

private:
    QString root_;
};

} // namespace

// The editing commands against real files: additions, the scan, deletion, toggles.
class TestCollectionCommands : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString folder() const { return dir_.path(); }
    QString file(const QString& name) const { return QDir(folder()).filePath(name); }

    struct Fixture {
        OneFolder drives;
        test::ScriptedAskUser askUser;
        Collection collection;
        FileBrowserModel browser;
        Previews previews;
        CollectionCommands commands;
        explicit Fixture(const QString& root)
            : drives(root), browser(drives, &askUser), previews(collection, browser),
              commands(collection, browser.files(), previews, &askUser) {
            browser.start(root, root);
        }
        // Runs the scan to its end the way the timer would, one entry per tick.
        int runScan() {
            int ticks = 0;
            while (collection.isScanning() && ticks < 100000) {
                collection.ImagesScanTimer_Timer();
                ++ticks;
            }
            return ticks;
        }
        void selectRows(const QList<int>& rows) {
            collection.selectionModel()->clearSelection();
            for (int row : rows)
                collection.selectionModel()->select(collection.index(row),
                                                    QItemSelectionModel::Select);
        }
        void selectFiles(const QStringList& names) {
            FileListModel& files = browser.files();
            for (int row = 0; row < files.fileCount(); ++row)
                files.setSelected(row, names.contains(files.fileName(row)));
        }
    };

    // count skip rows that name no file: the scan would remove them if it reached them.
    static void fillCollection(Collection& collection, int count) {
        for (int i = 0; i < count; ++i)
            collection.AppendImage(QStringLiteral("old-%1.jpg").arg(i), QStringLiteral("/nowhere"),
                                   StateSkip);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(test::writePicture(file(QStringLiteral("a.jpg"))));
        QVERIFY(test::writePicture(file(QStringLiteral("b.jpg"))));
        QVERIFY(test::writePicture(file(QStringLiteral("c.bmp")), QSize(30, 20), "BMP"));
        QVERIFY(test::writeBytes(file(QStringLiteral("text-named.jpg")), "just some words\n"));
    }

    // Before the addition: a broken entry, then the files already in, then `fill` rows a scan
    // would remove; a scan at scanAt (-1: none) is running. The scan then runs to its end.
    void addAddsNewFilesDeselectsAllAndScansOnlyTheNewRows_data() {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("alreadyIn");
        QTest::addColumn<int>("fill");
        QTest::addColumn<int>("scanAt");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("scanFrom"); // -1: no scan
        QTest::addColumn<int>("rowsAfterScan");
        const QStringList a{"a.jpg"};
        QTest::newRow("three, one present") << QStringList{"a.jpg", "b.jpg", "c.bmp"}
                                            << QStringList{"b.jpg"} << 0 << -1 << 2 << 2 << 4;
        QTest::newRow("all present adds nothing, starts no scan")
            << a << a << 0 << -1 << 0 << -1 << 2;
        QTest::newRow("a text file under a picture name leaves again")
            << QStringList{"a.jpg", "text-named.jpg"} << QStringList{} << 0 << -1 << 2 << 1 << 2;
        QTest::newRow("scan past the end restarts at the first new row")
            << a << QStringList{} << 40 << 50 << 1 << 41 << 42;
        QTest::newRow("scan before the new rows goes on")
            << a << QStringList{} << 40 << 10 << 1 << 10 << 11;
        QTest::newRow("scan at the first new row")
            << a << QStringList{} << 40 << 41 << 1 << 41 << 42;
    }
    void addAddsNewFilesDeselectsAllAndScansOnlyTheNewRows() {
        QFETCH(QStringList, selected);
        QFETCH(QStringList, alreadyIn);
        QFETCH(int, fill);
        QFETCH(int, scanAt);
        QFETCH(int, added);
        QFETCH(int, scanFrom);
        QFETCH(int, rowsAfterScan);
        Fixture f(folder());
        // A broken entry before the additions: only a scan of the old rows would remove it.
        f.collection.AppendImage(QStringLiteral("text-named.jpg"), QStringLiteral("/elsewhere"),
                                 StateSkip);
        for (const QString& name : alreadyIn)
            QVERIFY(f.collection.AddImage(name, folder(), StateUse));
        fillCollection(f.collection, fill);
        if (scanAt >= 0) {
            f.collection.ImagesScanTimer().start();
            f.collection.setScanIndex(scanAt);
        }
        const int first = f.collection.rowCount();
        f.selectFiles(selected);
        f.commands.ImageAdd_Click();
        QCOMPARE(f.collection.rowCount(), first + added);
        QVERIFY(f.collection.PreviewEnabled());
        for (int row = 0; row < f.browser.files().fileCount(); ++row)
            QVERIFY(!f.browser.files().isSelected(row));
        QCOMPARE(f.collection.isScanning(), scanFrom >= 0);
        if (scanFrom >= 0)
            QCOMPARE(f.collection.ScanIndex(), scanFrom);
        f.runScan();
        QCOMPARE(f.collection.rowCount(), rowsAfterScan);
        QCOMPARE(f.collection.ImageFileName(0), QStringLiteral("text-named.jpg"));
    }

    void scanKeepsPicturesAndRemovesTheRest() {
        Fixture f(folder());
        const QStringList names{"a.jpg", "text-named.jpg", "gone.jpg", "c.bmp", "text-named.jpg"};
        for (const QString& name : names)
            f.collection.AppendImage(name, folder(), StateUse);
        f.collection.setCurrentIndex(3);
        QSignalSpy enabled(&f.commands, &CollectionCommands::clearEnabledChanged);
        f.commands.Clear_Click();
        QVERIFY(!f.commands.clearEnabled());
        // Clear_Click tests the first entry at once.
        QCOMPARE(f.collection.ScanIndex(), 1);
        const int ticks = f.runScan();
        // One tick per entry, and one that finds the end; removing the last row moves the scan
        // back onto the row before it, which is tested once more.
        QCOMPARE(ticks, 4 + 1 + 1);
        QCOMPARE(f.collection.rowCount(), 2);
        QCOMPARE(f.collection.ImageFileName(0), QStringLiteral("a.jpg"));
        QCOMPARE(f.collection.ImageFileName(1), QStringLiteral("c.bmp"));
        QCOMPARE(f.collection.currentIndex(), 1);
        QVERIFY(f.commands.clearEnabled());
        QCOMPARE(enabled.size(), 2);
    }

    void clearDoesNothingWhenEmptyOrScanning_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("scanning");
        QTest::newRow("empty collection") << 0 << false;
        QTest::newRow("scan running") << 5 << true;
    }
    void clearDoesNothingWhenEmptyOrScanning() {
        QFETCH(int, rows);
        QFETCH(bool, scanning);
        Fixture f(folder());
        fillCollection(f.collection, rows);
        if (scanning) {
            f.collection.setScanIndex(3);
            f.collection.ImagesScanTimer().start();
        }
        f.commands.Clear_Click();
        QCOMPARE(f.collection.rowCount(), rows);
        QCOMPARE(f.collection.ScanIndex(), scanning ? 3 : 0);
        QVERIFY(f.commands.clearEnabled());
    }

    void deleteAsksAndRemoves_data() {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("rowsLeft");
        const QList<int> twelve{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        QTest::newRow("nothing selected") << QList<int>{} << 1 << QString() << 20;
        QTest::newRow("one row")
            << QList<int>{4} << 1
            << "Are you sure to delete selected file from wallpaper collection ?" << 19;
        QTest::newRow("twelve rows")
            << twelve << 1 << "Are you sure to delete 12 items from wallpaper collection ?" << 8;
        QTest::newRow("cancelled")
            << twelve << 0 << "Are you sure to delete 12 items from wallpaper collection ?" << 20;
        QTest::newRow("question switched off")
            << QList<int>{4} << -1
            << "Are you sure to delete selected file from wallpaper collection ?" << 19;
    }
    void deleteAsksAndRemoves() {
        QFETCH(QList<int>, selected);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(int, rowsLeft);
        Fixture f(folder());
        fillCollection(f.collection, 20);
        f.selectRows(selected);
        f.askUser.setAnswer(answer);
        QSignalSpy focus(&f.commands, &CollectionCommands::imageNameFocusWanted);
        f.commands.DelImage_Click();
        if (question.isEmpty()) {
            QVERIFY(f.askUser.asked.isEmpty());
        } else {
            QCOMPARE(f.askUser.asked.size(), 1);
            QCOMPARE(f.askUser.asked[0].kind, MessageKind::Confirm);
            QCOMPARE(f.askUser.asked[0].message, question);
        }
        QCOMPARE(f.collection.rowCount(), rowsLeft);
        QCOMPARE(focus.size(), rowsLeft < 20 ? 1 : 0);
        QVERIFY(f.collection.PreviewEnabled());
    }

    void deleteRemovesFromTheLastRowDown() {
        Fixture f(folder());
        fillCollection(f.collection, 12);
        f.selectRows({2, 5, 9});
        QList<int> removed;
        connect(&f.collection, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                [&](const QModelIndex&, int first, int) { removed.append(first); });
        f.commands.DelImage_Click();
        QCOMPARE(removed, (QList<int>{9, 5, 2}));
        QCOMPARE(f.collection.ImageFileName(2), QStringLiteral("old-3.jpg"));
        QCOMPARE(f.collection.ImageFileName(7), QStringLiteral("old-10.jpg"));
    }

    void spaceTogglesTheFocusedRowAndMovesDown_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("focused");
        QTest::addColumn<int>("focusAfter");
        QTest::newRow("row 4 of 10") << 10 << 4 << 5;
        QTest::newRow("the last row is toggled too") << 10 << 9 << 9;
        QTest::newRow("a one-row list") << 1 << 0 << 0;
        QTest::newRow("the first row") << 10 << 0 << 1;
    }
    void spaceTogglesTheFocusedRowAndMovesDown() {
        QFETCH(int, rows);
        QFETCH(int, focused);
        QFETCH(int, focusAfter);
        Fixture f(folder());
        for (int i = 0; i < rows; ++i)
            f.collection.AppendImage(QStringLiteral("a.jpg"), folder(), StateSkip);
        f.collection.SelectOnly(focused);
        f.commands.ImageName_KeyUp(Qt::Key_Space);
        for (int row = 0; row < rows; ++row)
            QCOMPARE(f.collection.ImageState(row), row == focused ? StateUse : StateSkip);
        QCOMPARE(f.collection.selectionModel()->currentIndex().row(), focusAfter);
    }

    void useSkipAndMarkClicks() {
        Fixture f(folder());
        f.collection.AppendImage(QStringLiteral("gone.jpg"), folder(), StateSkip);
        f.collection.AppendImage(QStringLiteral("a.jpg"), folder(), StateSkip);
        f.collection.AppendImage(QStringLiteral("b.jpg"), folder(), StateSkip);
        f.selectRows({0, 1, 2});
        QSignalSpy focus(&f.commands, &CollectionCommands::imageNameFocusWanted);
        f.commands.UseImage_Click();
        QCOMPARE(f.collection.ImageState(0), StateMissing);
        QCOMPARE(f.collection.ImageState(1), StateUse);
        QCOMPARE(f.collection.ImageState(2), StateUse);
        f.selectRows({2});
        f.commands.SkipImage_Click();
        QCOMPARE(f.collection.ImageState(2), StateSkip);
        f.commands.ImageMark_Click(1);
        QCOMPARE(f.collection.ImageState(1), StateSkip);
        f.commands.ImageMark_Click(0);
        QCOMPARE(f.collection.ImageState(0), StateSkip);
        QCOMPARE(focus.size(), 4);
    }

    void doubleClickTogglesAndPreviews() {
        Fixture f(folder());
        f.collection.AppendImage(QStringLiteral("a.jpg"), folder(), StateUse);
        f.collection.SelectOnly(0);
        f.commands.ImageName_DblClick();
        QCOMPARE(f.collection.ImageState(0), StateSkip);
        QCOMPARE(f.previews.ImagePreviewName(), QStringLiteral("a.jpg"));
        QVERIFY(!f.previews.picture().isNull());
    }

    void startupReportTexts_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << 0 << QString();
        QTest::newRow("one") << 1
                             << "Unable to find image file 'last.jpg' from wallpaper collection !";
        QTest::newRow("seven") << 7 << "Unable to find 7 image files from wallpaper collection !";
    }
    void startupReportTexts() {
        QFETCH(int, count);
        QFETCH(QString, text);
        QCOMPARE(CollectionCommands::MissingFilesText(count, QStringLiteral("last.jpg")), text);
    }
};

QTEST_GUILESS_MAIN(TestCollectionCommands)
#include "tst_collection_commands.moc"
