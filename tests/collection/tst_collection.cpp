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

private Q_SLOTS:
    // current -1: the entry is appended with the state asked for; otherwise the state is asked
    // of an entry in state current. The file is "file", "none" or a "folder" of that name.
    void stateChanges_data() {
        QTest::addColumn<qint32>("current");
        QTest::addColumn<qint32>("requested");
        QTest::addColumn<QString>("file");
        QTest::addColumn<qint32>("result");
        QTest::newRow("append use, file present") << -1 << 1 << "file" << 1;
        QTest::newRow("append use, file deleted meanwhile") << -1 << 1 << "none" << 3;
        QTest::newRow("append use, a folder of that name") << -1 << 1 << "folder" << 3;
        QTest::newRow("append negative acts as use") << -1 << -4 << "file" << 1;
        QTest::newRow("append negative, file absent") << -1 << -4 << "none" << 3;
        QTest::newRow("append toggle gives skip") << -1 << 0 << "none" << 2;
        QTest::newRow("append skip is not tested") << -1 << 2 << "none" << 2;
        QTest::newRow("append missing is not tested") << -1 << 3 << "file" << 3;
        QTest::newRow("append above 3 is missing") << -1 << 7 << "file" << 3;
        QTest::newRow("1 toggle") << 1 << 0 << "file" << 2;
        QTest::newRow("1 use, even if absent") << 1 << 1 << "none" << 1;
        QTest::newRow("1 skip") << 1 << 2 << "file" << 2;
        QTest::newRow("1 missing") << 1 << 3 << "file" << 3;
        QTest::newRow("2 toggle, present") << 2 << 0 << "file" << 1;
        QTest::newRow("2 toggle, absent") << 2 << 0 << "none" << 3;
        QTest::newRow("2 use, present") << 2 << 1 << "file" << 1;
        QTest::newRow("2 use, absent") << 2 << 1 << "none" << 3;
        QTest::newRow("2 skip") << 2 << 2 << "none" << 2;
        QTest::newRow("2 missing") << 2 << 3 << "file" << 3;
        QTest::newRow("3 toggle gives skip") << 3 << 0 << "file" << 2;
        QTest::newRow("3 use, back") << 3 << 1 << "file" << 1;
        QTest::newRow("3 use, still absent") << 3 << 1 << "none" << 3;
        QTest::newRow("3 skip") << 3 << 2 << "none" << 2;
        // requests outside 0..3 are clamped
        QTest::newRow("below 0 is toggle") << 1 << -9 << "file" << 2;
        QTest::newRow("above 3 is missing") << 2 << 12 << "file" << 3;
    }
    void stateChanges() {
        QFETCH(qint32, current);
        QFETCH(qint32, requested);
        QFETCH(QString, file);
        QFETCH(qint32, result);
        const QString name = QStringLiteral("entry-%1.jpg").arg(QTest::currentDataTag());
        QFile present(QDir(folder()).filePath(name));
        QVERIFY(present.open(QIODevice::WriteOnly));
        Collection collection;
        if (current >= 0) {
            collection.AppendImage(name, folder(), current);
            QCOMPARE(collection.ImageState(0), current);
        }
        present.remove();
        if (file == QLatin1String("file"))
            QVERIFY(present.open(QIODevice::WriteOnly));
        else if (file == QLatin1String("folder"))
            QVERIFY(QDir(folder()).mkpath(name));
        if (current >= 0)
            collection.SetImageState(0, requested);
        else
            QVERIFY(collection.AppendImage(name, folder(), requested));
        QCOMPARE(collection.ImageState(0), result);
        QCOMPARE(collection.ImageFileName(0), name);
        QCOMPARE(collection.ImagePath(0), folder());
    }

    void onlyAChangedRowIsRedrawn() {
        Collection collection;
        collection.AppendImage(QStringLiteral("a.jpg"), folder(), StateSkip);
        collection.AppendImage(QStringLiteral("b.jpg"), folder(), StateSkip);
        QSignalSpy changed(&collection, &Collection::dataChanged);
        collection.SetImageState(1, StateSkip);
        QCOMPARE(changed.count(), 0);
        collection.SetImageState(1, StateMissing);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0][0].toModelIndex().row(), 1);
        QCOMPARE(changed[0][1].toModelIndex().row(), 1);
        collection.SetImageState(5, StateUse); // outside: nothing
        QCOMPARE(changed.count(), 1);
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
        QTest::addColumn<bool>("added");
        QTest::addColumn<QString>("folderSuffix");
        QTest::newRow("same pair") << "a.jpg" << false << "/pics";
        QTest::newRow("same name, other folder") << "a.jpg" << true << "/other";
        QTest::newRow("trailing separator is another folder") << "a.jpg" << true << "/pics/";
#ifdef Q_OS_WIN
        QTest::newRow("case differs") << "A.JPG" << false << "/PICS";
#else
        // Two different files on this platform, both belong in the collection.
        QTest::newRow("case differs") << "A.JPG" << true << "/pics";
        QTest::newRow("folder case differs") << "a.jpg" << true << "/PICS";
#endif
        QTest::newRow("empty name") << "" << false << "/pics";
        QTest::newRow("empty folder") << "b.jpg" << false << "";
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
