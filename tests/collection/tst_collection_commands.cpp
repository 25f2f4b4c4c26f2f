// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "collection/CollectionCommands.h"
#include "collection/FileBrowserModel.h"
#include "collection/Previews.h"
#include "support/FixedDrives.h"
#include "support/PictureFiles.h"
#include "support/ScriptedAskUser.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {

QList<int> ints(const QString& text) {
    QList<int> values;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts))
        values << word.toInt();
    return values;
}

} // namespace

// The editing commands against real files: additions, the scan, deletion, toggles.
class TestCollectionCommands : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString folder() const { return dir_.path(); }

    struct Fixture {
        test::FixedDrives drives;
        test::ScriptedAskUser askUser;
        Collection collection;
        FileBrowserModel browser{drives, &askUser};
        Previews previews{collection, browser};
        CollectionCommands commands{collection, browser.files(), previews, &askUser};
        // Before it, `skipped` rows that name no file: the scan would remove them if it reached
        // them.
        explicit Fixture(const QString& root, int skipped = 0) : drives(root) {
            browser.start(root, root);
            for (int i = 0; i < skipped; ++i)
                collection.AppendImage(QStringLiteral("old-%1.jpg").arg(i), "/nowhere", StateSkip);
        }
        // Runs the scan to its end the way the timer would, one entry per tick.
        void runScan() {
            for (int ticks = 0; collection.isScanning() && ticks < 100000; ++ticks)
                collection.ImagesScanTimer_Timer();
        }
        void selectRows(const QList<int>& rows) {
            collection.selectionModel()->clearSelection();
            for (int row : rows)
                collection.selectionModel()->select(collection.index(row),
                                                    QItemSelectionModel::Select);
        }
    };

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(test::writePicture(QDir(folder()).filePath(QStringLiteral("a.jpg"))));
        QVERIFY(test::writePicture(QDir(folder()).filePath(QStringLiteral("b.jpg"))));
        QVERIFY(test::writePicture(QDir(folder()).filePath(QStringLiteral("c.bmp")), QSize(30, 20),
                                   "BMP"));
        QVERIFY(
            test::writeBytes(QDir(folder()).filePath(QStringLiteral("text-named.jpg")), "words\n"));
    }

    // Before the addition: a broken entry, the files already in, `fill` rows a scan would
    // remove, a scan at scanAt (-1: none) running. Columns: files selected | already in | fill |
    // scanAt | rows added | scan from (-1: none) | rows after the scan ran to its end.
    void addAddsNewFilesDeselectsAllAndScansOnlyTheNewRows_data() {
        QTest::addColumn<QString>("add");
        QTest::newRow("three, one present") << "a.jpg b.jpg c.bmp|b.jpg|0|-1|2|2|4";
        QTest::newRow("all present adds nothing, starts no scan") << "a.jpg|a.jpg|0|-1|0|-1|2";
        QTest::newRow("a text file under a picture name leaves again")
            << "a.jpg text-named.jpg||0|-1|2|1|2";
        QTest::newRow("scan past the end restarts at the first new row") << "a.jpg||40|50|1|41|42";
        QTest::newRow("scan before the new rows goes on") << "a.jpg||40|10|1|10|11";
        QTest::newRow("scan at the first new row") << "a.jpg||40|41|1|41|42";
    }
    void addAddsNewFilesDeselectsAllAndScansOnlyTheNewRows() {
        QFETCH(QString, add);
        const QStringList c = add.split(u'|');
        Fixture f(folder());
        // Only a scan of the old rows would remove this one.
        f.collection.AppendImage(QStringLiteral("text-named.jpg"), "/elsewhere", StateSkip);
        for (const QString& name : c[1].split(u' ', Qt::SkipEmptyParts))
            QVERIFY(f.collection.AddImage(name, folder(), StateUse));
        for (int i = 0; i < c[2].toInt(); ++i)
            f.collection.AppendImage(QStringLiteral("old-%1.jpg").arg(i), "/nowhere", StateSkip);
        if (c[3].toInt() >= 0) {
            f.collection.ImagesScanTimer().start();
            f.collection.setScanIndex(c[3].toInt());
        }
        const int first = f.collection.rowCount();
        FileListModel& files = f.browser.files();
        for (int row = 0; row < files.fileCount(); ++row)
            files.setSelected(row, c[0].split(u' ').contains(files.fileName(row)));
        f.commands.ImageAdd_Click();
        QCOMPARE(f.collection.rowCount(), first + c[4].toInt());
        QVERIFY(f.collection.PreviewEnabled());
        for (int row = 0; row < files.fileCount(); ++row)
            QVERIFY(!files.isSelected(row));
        QCOMPARE(f.collection.isScanning() ? f.collection.ScanIndex() : -1, c[5].toInt());
        f.runScan();
        QCOMPARE(f.collection.rowCount(), c[6].toInt());
        QCOMPARE(f.collection.ImageFileName(0), QStringLiteral("text-named.jpg"));
    }

    void scanKeepsPicturesAndRemovesTheRest() {
        Fixture f(folder());
        for (const char* name : {"a.jpg", "text-named.jpg", "gone.jpg", "c.bmp", "text-named.jpg"})
            f.collection.AppendImage(QString::fromLatin1(name), folder(), StateUse);
        f.collection.setCurrentIndex(3);
        QSignalSpy enabled(&f.commands, &CollectionCommands::clearEnabledChanged);
        f.commands.Clear_Click();
        QVERIFY(!f.commands.clearEnabled());
        QCOMPARE(f.collection.ScanIndex(), 1); // the first entry is tested at once
        f.runScan();
        QCOMPARE(f.collection.ImageFileName(0) + ' ' + f.collection.ImageFileName(1),
                 "a.jpg c.bmp");
        QCOMPARE(f.collection.rowCount(), 2);
        QCOMPARE(f.collection.currentIndex(), 1);
        QVERIFY(f.commands.clearEnabled());
        QCOMPARE(enabled.size(), 2);
        // Nothing to do on an empty collection, or while a scan runs.
        for (const int rows : {0, 5}) {
            Fixture idle(folder(), rows);
            idle.collection.setScanIndex(3);
            if (rows)
                idle.collection.ImagesScanTimer().start();
            idle.commands.Clear_Click();
            QCOMPARE(idle.collection.rowCount(), rows);
            QCOMPARE(idle.collection.ScanIndex(), 3);
            QVERIFY(idle.commands.clearEnabled());
        }
    }

    // Twenty entries; rows selected | answer | question: none, one or many.
    void deleteAsksAndRemoves_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("nothing selected") << "|1|";
        QTest::newRow("one row") << "4|1|one";
        QTest::newRow("three rows, the last one first") << "2 5 9 19|1|many";
        QTest::newRow("cancelled") << "2 5 9 19|0|many";
        QTest::newRow("question switched off") << "4|-1|one";
    }
    void deleteAsksAndRemoves() {
        QFETCH(QString, run);
        const QStringList c = run.split(u'|');
        Fixture f(folder(), 20);
        f.selectRows(ints(c[0]));
        f.askUser.setAnswer(c[1].toInt());
        QSignalSpy focus(&f.commands, &CollectionCommands::imageNameFocusWanted);
        f.commands.DelImage_Click();
        QStringList asked;
        for (const auto& question : f.askUser.asked)
            asked << question.message;
        QCOMPARE(asked.join(u'\n'),
                 c[2].isEmpty() ? QString()
                 : c[2] == QLatin1String("one")
                     ? "Are you sure to delete selected file from wallpaper collection ?"
                     : "Are you sure to delete 4 items from wallpaper collection ?");
        QVERIFY(asked.isEmpty() || f.askUser.asked[0].kind == MessageKind::Confirm);
        QStringList left, expected;
        for (int row = 0; row < 20; ++row)
            if (c[1] == QLatin1String("0") || !ints(c[0]).contains(row))
                expected << QStringLiteral("old-%1.jpg").arg(row);
        for (int row = 0; row < f.collection.rowCount(); ++row)
            left << f.collection.ImageFileName(row);
        QCOMPARE(left, expected);
        QCOMPARE(focus.size(), left.size() < 20 ? 1 : 0);
        QVERIFY(f.collection.PreviewEnabled());
    }

    // Rows | focused | focus after: Space toggles the focused row and moves down.
    void spaceTogglesTheFocusedRowAndMovesDown_data() {
        QTest::addColumn<QList<int>>("run");
        QTest::newRow("row 4 of 10") << QList<int>{10, 4, 5};
        QTest::newRow("the last row is toggled too") << QList<int>{10, 9, 9};
        QTest::newRow("a one-row list") << QList<int>{1, 0, 0};
    }
    void spaceTogglesTheFocusedRowAndMovesDown() {
        QFETCH(QList<int>, run);
        Fixture f(folder(), run[0]);
        f.collection.SelectOnly(run[1]);
        f.commands.ImageName_KeyUp(Qt::Key_Space);
        for (int row = 0; row < run[0]; ++row)
            QCOMPARE(f.collection.ImageState(row), row == run[1] ? StateMissing : StateSkip);
        QCOMPARE(f.collection.selectionModel()->currentIndex().row(), run[2]);
    }

    void useSkipMarkAndDoubleClick() {
        Fixture f(folder());
        for (const char* name : {"gone.jpg", "a.jpg", "b.jpg"})
            f.collection.AppendImage(QString::fromLatin1(name), folder(), StateSkip);
        f.selectRows({0, 1, 2});
        QSignalSpy focus(&f.commands, &CollectionCommands::imageNameFocusWanted);
        f.commands.UseImage_Click();
        QCOMPARE(f.collection.ImageState(0) * 100 + f.collection.ImageState(1) * 10 +
                     f.collection.ImageState(2),
                 311);
        f.selectRows({2});
        f.commands.SkipImage_Click();
        QCOMPARE(f.collection.ImageState(2), StateSkip);
        f.commands.ImageMark_Click(1);
        QCOMPARE(f.collection.ImageState(1), StateSkip);
        f.commands.ImageMark_Click(0);
        QCOMPARE(f.collection.ImageState(0), StateSkip);
        QCOMPARE(focus.size(), 4);
        // A double click toggles and previews.
        f.collection.SelectOnly(1);
        f.commands.ImageName_DblClick();
        QCOMPARE(f.collection.ImageState(1), StateUse);
        QCOMPARE(f.previews.ImagePreviewName(), QStringLiteral("a.jpg"));
        QVERIFY(!f.previews.picture().isNull());
    }

    void startupReportTexts() {
        QCOMPARE(CollectionCommands::MissingFilesText(0, QStringLiteral("last.jpg")), QString());
        QCOMPARE(
            CollectionCommands::MissingFilesText(1, QStringLiteral("last.jpg")),
            QStringLiteral("Unable to find image file 'last.jpg' from wallpaper collection !"));
        QCOMPARE(CollectionCommands::MissingFilesText(7, QStringLiteral("last.jpg")),
                 QStringLiteral("Unable to find 7 image files from wallpaper collection !"));
    }
};

QTEST_GUILESS_MAIN(TestCollectionCommands)
#include "tst_collection_commands.moc"
