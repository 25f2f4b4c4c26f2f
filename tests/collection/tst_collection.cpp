// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

// The collection model against real files in a temporary folder.
class TestCollection : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString folder() const { return dir_.path(); }
    void touch(const QString& name) {
        QFile file(QDir(folder()).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    void remove(const QString& name) { QFile::remove(QDir(folder()).filePath(name)); }

    // A row in the given state: present.jpg exists, absent.jpg does not.
    void appendInState(Collection& collection, qint32 state) {
        touch(QStringLiteral("present.jpg"));
        collection.AppendImage(QStringLiteral("present.jpg"), folder(), state);
        QCOMPARE(collection.ImageState(collection.rowCount() - 1), state);
    }

private Q_SLOTS:
    void appendStoresTheRequestedState_data() {
        QTest::addColumn<qint32>("requested");
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<qint32>("stored");
        QTest::newRow("use, file present") << 1 << true << 1;
        QTest::newRow("use, file deleted meanwhile") << 1 << false << 3;
        QTest::newRow("negative acts as use") << -4 << true << 1;
        QTest::newRow("negative, file absent") << -4 << false << 3;
        QTest::newRow("toggle gives skip") << 0 << false << 2;
        QTest::newRow("skip is not tested") << 2 << false << 2;
        QTest::newRow("missing is not tested") << 3 << true << 3;
        QTest::newRow("above 3 is missing") << 7 << true << 3;
    }
    void appendStoresTheRequestedState() {
        QFETCH(qint32, requested);
        QFETCH(bool, fileExists);
        QFETCH(qint32, stored);
        const QString name = QStringLiteral("append-%1.jpg").arg(QTest::currentDataTag());
        if (fileExists)
            touch(name);
        Collection collection;
        QVERIFY(collection.AppendImage(name, folder(), requested));
        QCOMPARE(collection.ImageState(0), stored);
        QCOMPARE(collection.ImageFileName(0), name);
        QCOMPARE(collection.ImagePath(0), folder());
    }

    void stateTransitions_data() {
        QTest::addColumn<qint32>("current");
        QTest::addColumn<qint32>("requested");
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<qint32>("result");
        // current 1
        QTest::newRow("1 toggle") << 1 << 0 << true << 2;
        QTest::newRow("1 use, even if absent") << 1 << 1 << false << 1;
        QTest::newRow("1 skip") << 1 << 2 << true << 2;
        QTest::newRow("1 missing") << 1 << 3 << true << 3;
        // current 2
        QTest::newRow("2 toggle, present") << 2 << 0 << true << 1;
        QTest::newRow("2 toggle, absent") << 2 << 0 << false << 3;
        QTest::newRow("2 use, present") << 2 << 1 << true << 1;
        QTest::newRow("2 use, absent") << 2 << 1 << false << 3;
        QTest::newRow("2 skip") << 2 << 2 << false << 2;
        QTest::newRow("2 missing") << 2 << 3 << true << 3;
        // current 3
        QTest::newRow("3 toggle gives skip") << 3 << 0 << true << 2;
        QTest::newRow("3 use, back") << 3 << 1 << true << 1;
        QTest::newRow("3 use, still absent") << 3 << 1 << false << 3;
        QTest::newRow("3 skip") << 3 << 2 << false << 2;
        // requests outside 0..3 are clamped
        QTest::newRow("below 0 is toggle") << 1 << -9 << true << 2;
        QTest::newRow("above 3 is missing") << 2 << 12 << true << 3;
    }
    void stateTransitions() {
        QFETCH(qint32, current);
        QFETCH(qint32, requested);
        QFETCH(bool, fileExists);
        QFETCH(qint32, result);
        Collection collection;
        appendInState(collection, current);
        if (!fileExists)
            remove(QStringLiteral("present.jpg"));
        collection.SetImageState(0, requested);
        QCOMPARE(collection.ImageState(0), result);
    }

    void onlyAChangedRowIsRedrawn() {
        Collection collection;
        appendInState(collection, StateUse);
        appendInState(collection, StateUse);
        QSignalSpy changed(&collection, &Collection::dataChanged);
        collection.SetImageState(1, StateUse);
        QCOMPARE(changed.count(), 0);
        collection.SetImageState(1, StateSkip);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0][0].toModelIndex().row(), 1);
        QCOMPARE(changed[0][1].toModelIndex().row(), 1);
        collection.SetImageState(5, StateSkip); // outside: nothing
        QCOMPARE(changed.count(), 1);
    }

    void useOnASelectionTestsEachRow() {
        touch(QStringLiteral("b.jpg"));
        touch(QStringLiteral("c.jpg"));
        Collection collection;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
            collection.AppendImage(QString::fromLatin1(name), folder(), StateSkip);
        QItemSelectionModel* selection = collection.selectionModel();
        for (int row : {0, 1, 2})
            selection->select(collection.index(row), QItemSelectionModel::Select);
        collection.SetSelectedState(StateUse);
        QCOMPARE(collection.ImageState(0), 3);
        QCOMPARE(collection.ImageState(1), 1);
        QCOMPARE(collection.ImageState(2), 1);
        QCOMPARE(collection.ImageState(3), 2); // not selected
    }

    void removeMovesTheCurrentIndex_data() {
        QTest::addColumn<qint32>("current");
        QTest::addColumn<qint32>("removed");
        QTest::addColumn<qint32>("after");
        QTest::newRow("row before current") << 5 << 3 << 4;
        QTest::newRow("current row itself") << 5 << 5 << 4;
        QTest::newRow("row 0 moves it too") << 5 << 0 << 4;
        QTest::newRow("row after current") << 5 << 7 << 5;
        QTest::newRow("never below 0") << 0 << 0 << 0;
        QTest::newRow("index below 0 removes nothing") << 5 << -1 << 5;
        QTest::newRow("index past the end removes nothing") << 5 << 10 << 5;
    }
    void removeMovesTheCurrentIndex() {
        QFETCH(qint32, current);
        QFETCH(qint32, removed);
        QFETCH(qint32, after);
        Collection collection;
        for (int i = 0; i < 10; ++i)
            collection.AppendImage(QStringLiteral("f%1.jpg").arg(i), folder(), StateSkip);
        collection.setCurrentIndex(current);
        collection.RemoveImage(removed);
        QCOMPARE(collection.currentIndex(), after);
        const bool inside = removed >= 0 && removed < 10;
        QCOMPARE(collection.rowCount(), inside ? 9 : 10);
        if (inside) {
            // The row that followed takes the removed one's place.
            QCOMPARE(collection.ImageFileName(removed),
                     removed < 9 ? QStringLiteral("f%1.jpg").arg(removed + 1) : QString());
            // A removed entry can be added again.
            QVERIFY(collection.AddImage(QStringLiteral("f%1.jpg").arg(removed), folder(), 2));
        }
    }

    void removeKeepsARunningScanInsideTheList() {
        Collection collection;
        for (int i = 0; i < 4; ++i)
            collection.AppendImage(QStringLiteral("s%1.jpg").arg(i), folder(), StateSkip);
        collection.setScanIndex(3);
        collection.RemoveImage(3);
        QCOMPARE(collection.ScanIndex(), 3); // no scan running: left alone
        collection.ImagesScanTimer().start();
        collection.RemoveImage(2);
        QCOMPARE(collection.ScanIndex(), 1);
        collection.ImagesScanTimer().stop();
    }

    void duplicatesFollowThePlatformRule_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folderSuffix");
        QTest::addColumn<bool>("added");
        QTest::newRow("same pair") << "a.jpg"
                                   << "/pics" << false;
        QTest::newRow("same name, other folder") << "a.jpg"
                                                 << "/other" << true;
        QTest::newRow("trailing separator is another folder") << "a.jpg"
                                                              << "/pics/" << true;
#ifdef Q_OS_WIN
        QTest::newRow("case differs") << "A.JPG"
                                      << "/PICS" << false;
#else
        // Two different files on this platform, both belong in the collection.
        QTest::newRow("case differs") << "A.JPG"
                                      << "/pics" << true;
        QTest::newRow("folder case differs") << "a.jpg"
                                             << "/PICS" << true;
#endif
        QTest::newRow("empty name") << ""
                                    << "/pics" << false;
        QTest::newRow("empty folder") << "b.jpg"
                                      << "" << false;
    }
    void duplicatesFollowThePlatformRule() {
        QFETCH(QString, name);
        QFETCH(QString, folderSuffix);
        QFETCH(bool, added);
        Collection collection;
        QVERIFY(
            collection.AddImage(QStringLiteral("a.jpg"), folder() + QStringLiteral("/pics"), 2));
        const QString target = folderSuffix.isEmpty() ? QString() : folder() + folderSuffix;
        QCOMPARE(collection.AddImage(name, target, 2), added);
        QCOMPARE(collection.rowCount(), added ? 2 : 1);
    }

    void loadMayBringDuplicatesAndRemovalKeepsCount() {
        Collection collection;
        collection.AppendImage(QStringLiteral("x.jpg"), folder(), 2);
        collection.AppendImage(QStringLiteral("x.jpg"), folder(), 2);
        collection.RemoveImage(0);
        // One copy is still there, so adding it again is refused.
        QVERIFY(!collection.AddImage(QStringLiteral("x.jpg"), folder(), 2));
        collection.RemoveImage(0);
        QVERIFY(collection.AddImage(QStringLiteral("x.jpg"), folder(), 2));
    }

    void fullPathJoinsWithOneSeparator_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::newRow("plain folder") << "/home/u/pics"
                                      << "/home/u/pics/a.jpg";
        QTest::newRow("root folder") << "/"
                                     << "/a.jpg";
#ifdef Q_OS_WIN
        QTest::newRow("drive root") << "C:\\"
                                    << "C:\\a.jpg";
        QTest::newRow("drive folder") << "C:\\Pics"
                                      << "C:\\Pics\\a.jpg";
#endif
    }
    void fullPathJoinsWithOneSeparator() {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        Collection collection;
        collection.AppendImage(QStringLiteral("a.jpg"), folder, 2);
        QCOMPARE(collection.ImageFullPath(0), path);
        QCOMPARE(collection.ImageFullPath(1), QString());
        QCOMPARE(collection.ImageFullPath(-1), QString());
        QCOMPARE(collection.ImageFileName(-1), QString());
    }

    void holdsAtMost32767Entries() {
        Collection collection;
        for (int i = 0; i < Collection::kMaxEntries; ++i)
            QVERIFY(collection.AppendImage(QStringLiteral("%1.jpg").arg(i), folder(), 2));
        QVERIFY(!collection.AppendImage(QStringLiteral("one-more.jpg"), folder(), 2));
        QVERIFY(!collection.AddImage(QStringLiteral("one-more.jpg"), folder(), 2));
        QCOMPARE(collection.rowCount(), Collection::kMaxEntries);
        QCOMPARE(collection.ImageFileName(Collection::kMaxEntries - 1),
                 QStringLiteral("%1.jpg").arg(Collection::kMaxEntries - 1));
    }

    void folderCountsAsAbsent() {
        QVERIFY(QDir(folder()).mkpath(QStringLiteral("dir.jpg")));
        Collection collection;
        collection.AppendImage(QStringLiteral("dir.jpg"), folder(), StateUse);
        QCOMPARE(collection.ImageState(0), 3);
    }

    void scanRemovesWhatDoesNotDecode() {
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(QDir(folder()).filePath(QStringLiteral("good.bmp"))));
        QFile text(QDir(folder()).filePath(QStringLiteral("text-named.jpg")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a picture at all");
        text.close();
        Collection collection;
        collection.AppendImage(QStringLiteral("text-named.jpg"), folder(), 1);
        collection.AppendImage(QStringLiteral("good.bmp"), folder(), 1);
        collection.AppendImage(QStringLiteral("gone.jpg"), folder(), 2);
        QSignalSpy finished(&collection, &Collection::scanFinished);
        collection.ScanFrom(0);
        QVERIFY(collection.isScanning());
        // The ticks are run here one by one instead of waiting for the timer.
        for (int tick = 0; tick < 10 && collection.isScanning(); ++tick)
            collection.ImagesScanTimer_Timer();
        QVERIFY(!collection.isScanning());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(collection.rowCount(), 1);
        QCOMPARE(collection.ImageFileName(0), QStringLiteral("good.bmp"));
    }

    void modelStaysConsistent() {
        Collection collection;
        QAbstractItemModelTester tester(&collection,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        touch(QStringLiteral("m1.jpg"));
        for (int i = 0; i < 6; ++i)
            collection.AddImage(QStringLiteral("m%1.jpg").arg(i), folder(), 1);
        collection.SetImageState(2, StateToggle);
        collection.RemoveImage(0);
        collection.RemoveImage(4);
        collection.RemoveImage(1);
        QCOMPARE(collection.rowCount(), 3);
        QCOMPARE(collection.data(collection.index(0), Qt::DisplayRole).toString(),
                 QStringLiteral("m1.jpg"));
        QCOMPARE(collection.data(collection.index(0), Collection::StateRole).toInt(), 1);
        QCOMPARE(collection.data(collection.index(0), Collection::FullPathRole).toString(),
                 QDir(folder()).filePath(QStringLiteral("m1.jpg")));
    }
};

QTEST_GUILESS_MAIN(TestCollection)
#include "tst_collection.moc"
