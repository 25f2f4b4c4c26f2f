// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "collection/NaturalOrder.h"
#include "support/ShownToolTip.h"

#include <QAbstractItemModelTester>
#include <QCollator>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

constexpr auto kFailHere = QAbstractItemModelTester::FailureReportingMode::QtTest;

// The collection model against real files in a temporary folder.
class TestCollection : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString folder() const { return dir_.path(); }
    void fill(Collection& collection, int count) {
        for (int i = 0; i < count; ++i)
            collection.AppendImage(QStringLiteral("f%1.jpg").arg(i), folder(), StateSkip);
    }

private Q_SLOTS:
    // State before (- : the entry is appended with the state asked for), state asked for, the
    // file then ("file", "none", a "folder" of that name, or a "file" named without its folder
    // in the working folder: "bare"), state after. The entry's name holds its row, which may
    // go on with words that look like markup or with control characters; its tooltip shows the
    // whole path as written, its row the controls as symbols on one line.
    void stateChanges_data() {
        QTest::addColumn<QString>("change");
        for (const char* row :
             {"- 1 file 1",  "- 1 none 3",  "- 1 folder 3",
              "- -4 file 1", "- -4 none 3", "- 0 none 2",
              "- 2 none 2",  "- 3 file 3",  "- 7 file 3",
              "1 0 file 2",  "1 1 none 1",  "1 2 file 2",
              "1 3 file 3",  "2 0 file 1",  "2 0 none 3",
              "2 1 file 1",  "2 1 none 3",  "2 2 none 2",
              "2 3 file 3",  "3 0 file 2",  "3 1 file 1",
              "3 1 none 3",  "3 2 none 2",  "1 -9 file 2",
              "2 12 file 3", "- 1 bare 3",  "- 1 file 1 <b>bold<br><img src=x.png>"})
            QTest::newRow(row) << QString::fromLatin1(row);
        QTest::newRow("- 1 file 1 a\nb\tc") << QStringLiteral("- 1 file 1 a\nb\tc");
    }
    void stateChanges() {
        QFETCH(QString, change);
        const QStringList c = change.split(u' ');
        const QString name = QStringLiteral("entry-%1.jpg").arg(QTest::currentDataTag());
        const QString entryFolder = c[2] == QLatin1String("bare") ? QString() : folder();
        QVERIFY(QDir::setCurrent(folder()));
        QFile present(QDir(folder()).filePath(name));
        QVERIFY(present.open(QIODevice::WriteOnly));
        Collection collection;
        QAbstractItemModelTester tester(&collection, kFailHere);
        if (c[0] != QLatin1String("-"))
            collection.AppendImage(name, entryFolder, c[0].toInt());
        present.remove();
        if (c[2] == QLatin1String("file") || c[2] == QLatin1String("bare"))
            QVERIFY(present.open(QIODevice::WriteOnly));
        else if (c[2] == QLatin1String("folder"))
            QVERIFY(QDir(folder()).mkpath(name));
        if (c[0] != QLatin1String("-"))
            collection.SetImageState(0, c[1].toInt());
        else
            QVERIFY(collection.AppendImage(name, entryFolder, c[1].toInt()));
        QCOMPARE(collection.ImageState(0), c[3].toInt());
        QCOMPARE(collection.ImageFullPath(0),
                 entryFolder.isEmpty() ? name : QDir(folder()).filePath(name));
        QCOMPARE(test::shownToolTip(collection.index(0).data(Qt::ToolTipRole).toString()),
                 collection.ImageFullPath(0));
        QCOMPARE(collection.index(0).data().toString(),
                 QString(name).replace(u'\n', u'\u240A').replace(u'\t', u'\u2409'));
    }

    // Rows "current removed after", then, while the scan runs, "place after": the rows removed
    // at once end as removing them one by one from the last would leave them; the rows the
    // scan has yet to test stay ahead of its place. An index outside removes nothing.
    void removeMovesTheCurrentIndex_data() {
        QTest::addColumn<QString>("remove");
        for (const char* row :
             {"5 3 4", "5 5 4", "5 0 4", "5 7 5", "0 0 8", "5 -1 5", "5 10 5", "5 4,5,6 3",
              "0 0,1,2 6", "5 1,3,5,7,9 2", "3 9,0,1,2,3,4,5,6,7,8 0", "5 -1,3,10 4", "5 3 4 6 5",
              "5 4,5,6 3 6 4", "5 1,3,5,7,9 2 6 3", "0 9 0 9 8", "0 0,1,2 6 0 0"})
            QTest::newRow(row) << QString::fromLatin1(row);
    }
    void removeMovesTheCurrentIndex() {
        QFETCH(QString, remove);
        const QStringList c = remove.split(u' ');
        QList<qint32> removed;
        for (const QString& row : c[1].split(u','))
            removed.append(row.toInt());
        Collection collection;
        // The views rely on the model keeping Qt's rules through every change.
        QAbstractItemModelTester tester(&collection, kFailHere);
        fill(collection, 10);
        collection.setCurrentIndex(c[0].toInt());
        if (c.size() > 3)
            collection.ScanFrom(c[3].toInt()); // no tick comes: nothing runs the event loop
        if (removed.size() == 1)
            collection.RemoveImage(removed[0]);
        else
            collection.RemoveImages(removed);
        QCOMPARE(collection.currentIndex(), c[2].toInt());
        if (c.size() > 3)
            QCOMPARE(collection.ScanIndex(), c[4].toInt());
        QStringList left, expected;
        for (int row = 0; row < 10; ++row)
            if (!removed.contains(row))
                expected << QStringLiteral("f%1.jpg").arg(row);
        for (int row = 0; row < collection.rowCount(); ++row)
            left << collection.ImageFileName(row);
        QCOMPARE(left, expected);
        // A removed entry can come back.
        for (const qint32 row : removed)
            QVERIFY(row < 0 || row >= 10 ||
                    collection.AddImage(QStringLiteral("f%1.jpg").arg(row), folder(), 2));
    }

    // An entry "a.jpg" in pics is there; what is added next, as "name|folder" under the test
    // folder. A case that differs is another file on this platform.
    void duplicatesFollowThePlatformRule_data() {
        QTest::addColumn<QString>("added");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("same pair") << "a.jpg|/pics" << false;
        QTest::newRow("same name, other folder") << "a.jpg|/other" << true;
        QTest::newRow("case differs") << "A.JPG|/PICS" << true;
        QTest::newRow("empty folder") << "b.jpg|" << false;
    }
    void duplicatesFollowThePlatformRule() {
        QFETCH(QString, added);
        QFETCH(bool, accepted);
        const QString name = added.section(u'|', 0, 0), under = added.section(u'|', 1);
        Collection collection;
        QVERIFY(collection.AddImage(QStringLiteral("a.jpg"), folder() + "/pics", 2));
        QCOMPARE(collection.AddImage(name, under.isEmpty() ? under : folder() + under, 2),
                 accepted);
        QCOMPARE(collection.rowCount(), accepted ? 2 : 1);
        QCOMPARE(collection.ImageFullPath(2) + collection.ImageFileName(-1), QString());
    }

    void holdsAtMost32767Entries() {
        Collection collection;
        fill(collection, Collection::kMaxEntries);
        QVERIFY(!collection.AppendImage(QStringLiteral("one-more.jpg"), folder(), 2));
        QVERIFY(!collection.AddImage(QStringLiteral("one-more.jpg"), folder(), 2));
        QCOMPARE(collection.ImageFileName(Collection::kMaxEntries - 1),
                 QStringLiteral("f%1.jpg").arg(Collection::kMaxEntries - 1));
    }

    // Names sort as the language's collator orders them, whether or not it is asked.
    void naturalOrderIsTheCollators_data() {
        QTest::addColumn<QString>("names"); // language:names
        QTest::newRow("signs") << "en:b-2|b_2|b 2|B.2|b2|b02|b10|b~|b$|b|ba|B1a|b0";
        QTest::newRow("brackets") << "de:(x)|[x]|{x}|X|@x|x1|X01|'x|\"x|x!|x?";
        QTest::newRow("beyond ASCII") << "en:café|cafe|Cafe2|cafz";
        QTest::newRow("tailored") << "cs:ch|h|i|c|cz";
    }
    void naturalOrderIsTheCollators() {
        QFETCH(QString, names);
        const QLocale language(names.section(u':', 0, 0));
        QLocale::setDefault(language);
        QStringList sorted = names.section(u':', 1).split(u'|'), expected = sorted;
        QCollator collator(language);
        collator.setNumericMode(true);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(expected.begin(), expected.end(), [&](const QString& a, const QString& b) {
            const int order = collator.compare(a, b);
            return order != 0 ? order < 0 : a < b;
        });
        SortNaturally(sorted);
        QLocale::setDefault(QLocale::c());
        QCOMPARE(sorted, expected);
    }
};

QTEST_GUILESS_MAIN(TestCollection)
#include "tst_collection.moc"
