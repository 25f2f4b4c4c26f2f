// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "collection/CollectionCommands.h"
#include "collection/FileBrowserModel.h"
#include "collection/NaturalOrder.h"
#include "collection/Previews.h"
#include "common/PictureCheck.h"
#include "common/Pictures.h"
#include "desktop/RootPicture.h"
#include "support/FixedDrives.h"
#include "support/PictureFiles.h"
#include "support/ScriptedAskUser.h"
#include "support/ShownToolTip.h"

#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QCollator>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QMutex>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QtEndian>

#include <numeric>
#include <optional>

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kv;

namespace {

constexpr auto kFailHere = QAbstractItemModelTester::FailureReportingMode::QtTest;

// The browser and the editing commands over them, as the main window holds them.
struct Fixture {
    test::FixedDrives drives;
    test::ScriptedAskUser askUser;
    Collection collection;
    FileBrowserModel browser{drives, &askUser};
    Previews previews{collection, browser};
    CollectionCommands commands{collection, browser.files(), previews, &askUser};
    // Opened on the first drive listed; before it, `skipped` rows that name no file: the scan
    // would remove them if it reached them.
    explicit Fixture(const QList<Drive>& list = {}, int skipped = 0) {
        drives.list = list;
        browser.reloadDrives();
        if (!list.isEmpty())
            browser.start(list.first().rootPath, list.first().rootPath);
        for (int i = 0; i < skipped; ++i)
            collection.AppendImage(QStringLiteral("old-%1.jpg").arg(i), "/nowhere", StateSkip);
    }
};

// 8-bit indices in runs, neighbours that differ, and rows that start and end in index 0.
QImage indexedPicture() {
    QImage picture(61, 40, QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i)
        colours << qRgb(i, 255 - i, (i * 3) & 0xFF);
    picture.setColorTable(colours);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, x < 4 || x > 55 ? 0 : y % 2 ? 1 + (x * 7 + y) % 200 : 1 + x / 8);
    return picture;
}

QByteArray progressiveJpeg(const QImage& picture) {
    QBuffer buffer;
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    return buffer.open(QIODevice::WriteOnly) && writer.write(picture) ? buffer.data()
                                                                      : QByteArray();
}

} // namespace

// The collection model, the drive, folder and file lists, the editing commands and the previews
// against real files and folders, pictures decoded in the pool as the program does. Drives are
// folders of a temporary tree.
class TestCollection : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString folder() const { return dir_.path(); }
    QString path(const QString& relative) const { return QDir(folder()).filePath(relative); }
    QByteArray bytesNamed() const { return QFile::encodeName(folder()) + "/\xFF.jpg"; }
    void fill(Collection& collection, int count) {
        for (int i = 0; i < count; ++i)
            collection.AppendImage(QStringLiteral("f%1.jpg").arg(i), folder(), StateSkip);
    }
    static QStringList entryNames(const Collection& collection) {
        QStringList names;
        for (int row = 0; row < collection.rowCount(); ++row)
            names << collection.ImageFileName(row);
        return names;
    }
    static QStringList fileNames(const FileListModel& files, bool selectedOnly = false) {
        QStringList names;
        for (int row = 0; row < files.fileCount(); ++row)
            if (!selectedOnly || files.isSelected(row))
                names << files.fileName(row);
        return names;
    }

private Q_SLOTS:
    // Besides the common fixtures: pictures under another format's name, and pictures whose
    // damage lies where a decode that reads only part of the file would not look.
    void initTestCase() {
        const auto read = [this](const char* name) {
            QFile file(path(name));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QVERIFY(test::WritePictureFixtures(folder()));
        QVERIFY(test::writePicture(path(QStringLiteral("wide.jpg")), QSize(800, 400)));
        QImage upright(200, 400, QImage::Format_RGB32);
        upright.fill(Qt::blue);
        QVERIFY(test::writeOrientedJpeg(path(QStringLiteral("turned.jpg")), upright, 6));
        QVERIFY(test::writePicture(path(QStringLiteral("bmp-named.jpg")), QSize(90, 60), "BMP"));
        QVERIFY(test::writePicture(path(QStringLiteral("png-named.jpg")), QSize(90, 60), "PNG"));
        QVERIFY(test::WriteNoisyJpeg(path(QStringLiteral("large.jpg")), 1600, 1200));
        // A picture whose name is a byte that is no UTF-8 (which Qt cannot remove either).
        QVERIFY(QFile::copy(path("wide.jpg"), path("bytes.jpg")) &&
                ::rename(QFile::encodeName(path("bytes.jpg")), bytesNamed()) == 0);
        const QByteArray whole = read("large.jpg"), end("\xFF\xD9", 2);
        const QByteArray layered = progressiveJpeg(QImage(path("large.jpg")));
        QVERIFY(test::writeBytes(path("progressive.jpg"), layered));
        QVERIFY(test::writeBytes(path("cut-marked.jpg"), whole.chopped(whole.size() / 10) + end));
        // Cut within a scan, and before the last one, which the rows need for their detail.
        QVERIFY(test::writeBytes(path("prog-cut.jpg"), layered.first(layered.size() / 2)));
        QVERIFY(test::writeBytes(path("prog-cut-at-scan.jpg"),
                                 layered.first(layered.lastIndexOf("\xFF\xDA"))));
        // Whole but for the end-of-image marker, which some writers leave off.
        QVERIFY(test::writeBytes(path("no-end.jpg"), whole.chopped(2)));
        QVERIFY(test::writeBytes(path("prog-no-end.jpg"), layered.chopped(2)));
        QVERIFY(test::writeBytes(path("trailing.jpg"), whole + QByteArray(100000, 'Z')));
        // Claiming more pixels than are shown (30000 x 20000), or than a progressive decode may
        // hold the coefficients of (15000 x 13000): too large, whatever their data.
        const auto claiming = [](QByteArray jpeg, const char* size) {
            qsizetype at = 2;
            while ((uchar(jpeg[at + 1]) & 0xFD) != 0xC0) // a baseline or progressive frame
                at += 2 + qFromBigEndian<quint16>(jpeg.constData() + at + 2);
            return jpeg.replace(at + 5, 4, QByteArray::fromHex(size));
        };
        QVERIFY(test::writeBytes(path("vast.jpg"), claiming(whole, "4e207530")));
        QVERIFY(test::writeBytes(path("vast-progressive.jpg"), claiming(layered, "32c83a98")));
        QVERIFY(QFile::copy(path("large.jpg"), path("sparse.jpg")));
        QVERIFY(QFile::resize(path("sparse.jpg"), qint64(2) << 30));
        // Its first scan (the DC values, which repeated decode the same) up to the second.
        QByteArray scans = progressiveJpeg(QImage(path("valid.png")));
        const qsizetype first = scans.indexOf("\xFF\xDA"),
                        second = scans.indexOf("\xFF\xDA", first + 2);
        QVERIFY(first > 0 && second > first);
        QVERIFY(test::writeBytes(
            path("many-scans.jpg"),
            scans.insert(second, scans.sliced(first, second - first).repeated(1000))));
        // BMPs of stored rows: 24 bits bottom-up as Qt writes them, the same top-down, 1 bit.
        QVERIFY(test::writePicture(path("rows.bmp"), QSize(61, 40)));
        QByteArray bmp = read("rows.bmp");
        QVERIFY(test::writeBytes(path("rows-cut.bmp"), bmp.left(bmp.size() / 2)));
        QVERIFY(test::writeBytes(path("rows-less-a-byte.bmp"), bmp.chopped(1)));
        qToLittleEndian<qint32>(-40, bmp.data() + 22);
        QVERIFY(test::writeBytes(path("top-down.bmp"), bmp));
        QVERIFY(test::writeBytes(path("top-down-cut.bmp"), bmp.chopped(bmp.size() / 3)));
        QVERIFY(QImage(path("rows.bmp"))
                    .convertToFormat(QImage::Format_Mono)
                    .save(path("mono-cut.bmp")));
        QVERIFY(QFile::resize(path("mono-cut.bmp"), QFileInfo(path("mono-cut.bmp")).size() - 4));
        // A BMP stored as runs and a GIF, whole, cut, and ended at telling places.
        const QByteArray runs = test::runLengthBmp(indexedPicture());
        QVERIFY(test::writeBytes(path("runs.bmp"), runs));
        QVERIFY(test::writeBytes(path("runs-cut.bmp"), runs.left(runs.size() / 2)));
        QVERIFY(test::writeBytes(path("runs-cut-in-the-last-row.bmp"), runs.chopped(12)));
        QVERIFY(test::writeBytes(path("runs-ending-the-last-row.bmp"), runs.chopped(2)));
        // Over the allocation limit (lowered below) as Qt's reader holds it, also for a small copy.
        QImage vast(6000, 6000, QImage::Format_Indexed8);
        vast.setColorTable(indexedPicture().colorTable());
        vast.fill(1);
        QVERIFY(test::writeBytes(path("vast-runs.bmp"), test::runLengthBmp(vast)));
        const QByteArray gif = test::gifOf(indexedPicture());
        QVERIFY(test::writeBytes(path("frame.gif"), gif));
        QVERIFY(test::writeBytes(path("frame-cut.gif"), gif.left(gif.size() / 2)));
        QVERIFY(test::writeBytes(path("frame-without-its-terminator.gif"), gif.chopped(2)));
        QVERIFY(test::writeBytes(path("frame-without-its-end-code.gif"), gif.chopped(3)));
        QVERIFY(test::writeBytes(path("frame-without-its-last-pixel.gif"), gif.chopped(4)));
        // A PNG over the allocation limit (lowered, so that it is quick to write), whole and cut:
        // a scaled decode reads it a row at a time, a clip of it at full size must too.
        QImageReader::setAllocationLimit(32);
        QVERIFY(test::writePicture(path("large.png"), QSize(3000, 3000)));
        QImage grey(3000, 3000, QImage::Format_Grayscale8);
        grey.fill(0x80);
        QVERIFY(grey.save(path("large-grey.png")));
        const QByteArray largePng = read("large.png");
        QVERIFY(test::writeBytes(path("large-cut.png"), largePng.left(largePng.size() / 2)));
        QVERIFY(test::writeBytes(path("large-without-its-end.png"), largePng.chopped(12)));
        // Of 16-bit channels: over the limit only as Qt's reader holds it, in 64-bit pixels. Its
        // top left quarter tells where a smaller copy put its rows and columns.
        QImage deep(2500, 2500, QImage::Format_RGBX64);
        deep.fill(Qt::darkYellow);
        QPainter(&deep).fillRect(QRect(0, 0, 1250, 1250), Qt::darkCyan);
        QVERIFY(deep.save(path("large-16-bit.png")));
        QVERIFY(test::writeBytes(path("unused-alpha.bmp"),
                                 test::bmpWithUnusedAlpha(deep.scaled(400, 400))));
        // With transparency (its bottom right quarter), and over the limit in 32-bit pixels too.
        QImage clear(3000, 3000, QImage::Format_RGBA64);
        clear.fill(Qt::darkYellow);
        QPainter painter(&clear);
        painter.fillRect(QRect(0, 0, 1500, 1500), Qt::darkCyan);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(QRect(1500, 1500, 1500, 1500), Qt::transparent);
        painter.end();
        QVERIFY(clear.save(path("large-16-bit-clear.png")));
    }
    void cleanupTestCase() { QCOMPARE(::unlink(bytesNamed().constData()), 0); }

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
        QTest::newRow("- 1 file 1 \u202Egpj.exe\u2066")
            << QStringLiteral("- 1 file 1 \u202Egpj.exe\u2066");
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
        QCOMPARE(collection.index(0).data().toString(), QString(name)
                                                            .replace(u'\n', u'\u240A')
                                                            .replace(u'\t', u'\u2409')
                                                            .replace(u'\u202E', u'\uFFFD')
                                                            .replace(u'\u2066', u'\uFFFD'));
    }

    // Rows "current removed after", then, while the scan runs, "place after": the rows removed
    // at once end as removing them one by one from the last would leave them; the rows the
    // scan has yet to test stay ahead of its place. An index outside removes nothing.
    void removeMovesTheCurrentIndex_data() {
        QTest::addColumn<QString>("remove");
        for (const char* row : {"5 5 4", "5 0 4", "5 7 5", "0 0 8", "5 -1 5", "5 10 5",
                                "3 9,0,1,2,3,4,5,6,7,8 0", "5 -1,3,10 4", "5 3 4 6 5",
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
        QStringList expected;
        for (int row = 0; row < 10; ++row)
            if (!removed.contains(row))
                expected << QStringLiteral("f%1.jpg").arg(row);
        QCOMPARE(entryNames(collection), expected);
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

    // Before the addition a broken entry and the files already in; the files selected | already
    // in | rows added | the scan starts at (-1: none) | rows after the scan ran to its end |
    // places left, filled in memory with entries the scan never reaches (empty: room for all;
    // the row counts above leave these entries out) | the files left highlighted, which the user
    // is told once were not added.
    void addAddsNewFilesDeselectsAllAndScansOnlyTheNewRows_data() {
        QTest::addColumn<QString>("add");
        QTest::newRow("three, one present") << "valid.jpg valid.gif valid.bmp|valid.gif|2|2|4||";
        QTest::newRow("all present adds nothing, starts no scan") << "valid.jpg|valid.jpg|0|-1|2||";
        QTest::newRow("a text file under a picture name leaves again")
            << "valid.jpg text-named.jpg||2|1|2||";
        QTest::newRow("one place left: the first fits, the rest stays highlighted")
            << "valid.jpg valid.gif valid.bmp|valid.gif|1|2|3|1|valid.jpg";
        QTest::newRow("full: nothing added, all stay highlighted")
            << "valid.jpg valid.bmp||0|-1|1|0|valid.bmp valid.jpg";
        QTest::newRow("full, files already in: deselected, nothing said")
            << "valid.gif|valid.gif|0|-1|2|0|";
    }
    void addAddsNewFilesDeselectsAllAndScansOnlyTheNewRows() {
        QFETCH(QString, add);
        const QStringList c = add.split(u'|');
        Fixture f({{folder(), {}}});
        // Only a scan of the old rows would remove this one.
        f.collection.AppendImage(QStringLiteral("text-named.jpg"), "/elsewhere", StateSkip);
        for (const QString& name : c[1].split(u' ', Qt::SkipEmptyParts))
            QVERIFY(f.collection.AddImage(name, folder(), StateUse));
        const int filler =
            c[5].isEmpty() ? 0 : Collection::kMaxEntries - f.collection.rowCount() - c[5].toInt();
        for (int i = 0; i < filler; ++i)
            f.collection.AppendImage(QStringLiteral("old-%1.jpg").arg(i), "/nowhere", StateSkip);
        const int first = f.collection.rowCount();
        FileListModel& files = f.browser.files();
        for (int row = 0; row < files.fileCount(); ++row)
            files.setSelected(row, c[0].split(u' ').contains(files.fileName(row)));
        f.commands.ImageAdd_Click();
        QCOMPARE(f.collection.rowCount(), first + c[2].toInt());
        QVERIFY(f.collection.PreviewEnabled());
        QCOMPARE(fileNames(files, true).join(u' '), c[6]);
        QCOMPARE(f.askUser.asked.size(), c[6].isEmpty() ? 0 : 1);
        if (!c[6].isEmpty()) {
            QCOMPARE(f.askUser.asked[0].kind, MessageKind::CollectionFull);
            QVERIFY(f.askUser.asked[0].message.contains(QString::number(Collection::kMaxEntries)));
        }
        const int scanStart = c[3].toInt();
        QCOMPARE(f.collection.isScanning() ? f.collection.ScanIndex() : -1,
                 scanStart < 0 ? -1 : scanStart + filler);
        QSignalSpy finished(&f.collection, &Collection::scanFinished);
        QVERIFY(!f.collection.isScanning() || finished.wait(30000));
        QVERIFY(f.commands.clearEnabled());
        QCOMPARE(f.collection.rowCount(), c[4].toInt() + filler);
        QCOMPARE(f.collection.ImageFileName(0), QStringLiteral("text-named.jpg"));
    }

    void deleteAsksAndRemoves_data() {
        QTest::addColumn<QList<int>>("rows"); // of twenty
        QTest::addColumn<int>("answer");      // -1: the question switched off
        // While the question is open: a change selects its entry, or the scan removes one.
        QTest::addColumn<QString>("meanwhile");
        // The row focused and previewed, as a click on it leaves it; -1: the first chosen one.
        QTest::addColumn<int>("focus");
        QTest::newRow("nothing selected") << QList<int>{} << 1 << "" << -1;
        QTest::newRow("four rows, the last one first") << QList<int>{2, 5, 9, 19} << 1 << "" << -1;
        QTest::newRow("cancelled") << QList<int>{2, 5, 9, 19} << 0 << "" << -1;
        QTest::newRow("question switched off") << QList<int>{4} << -1 << "" << -1;
        QTest::newRow("a change selected another entry")
            << QList<int>{2, 5} << 1 << "select 0" << -1;
        QTest::newRow("the scan removed an entry before")
            << QList<int>{2, 5} << 1 << "remove 1" << -1;
        QList<int> all(20), everyOther(10);
        std::iota(all.begin(), all.end(), 0);
        QTest::newRow("every row: nothing left to preview") << all << 1 << "" << -1;
        for (int i = 0; i < 10; ++i)
            everyOther[i] = 2 * i + 1;
        QTest::newRow("every other row, the focus on one kept: it alone is selected")
            << everyOther << 1 << "" << 8;
    }
    void deleteAsksAndRemoves() {
        QFETCH(QList<int>, rows);
        QFETCH(int, answer);
        QFETCH(QString, meanwhile);
        QFETCH(int, focus);
        Fixture f({{folder(), {}}}, 20);
        if (!rows.isEmpty())
            f.collection.selectionModel()->setCurrentIndex(
                f.collection.index(focus < 0 ? rows.first() : focus),
                QItemSelectionModel::NoUpdate);
        for (int row : rows)
            f.collection.selectionModel()->select(f.collection.index(row),
                                                  QItemSelectionModel::Select);
        f.askUser.setAnswer(answer);
        const int other = meanwhile.isEmpty() ? -1 : meanwhile.section(u' ', 1).toInt();
        f.askUser.whileAsking = [&] {
            if (meanwhile.startsWith(QLatin1String("select")))
                f.collection.SelectOnly(other);
            else if (other >= 0)
                f.collection.RemoveImage(other);
        };
        f.commands.DelImage_Click();
        QCOMPARE(f.askUser.asked.size(), rows.isEmpty() ? 0 : 1);
        if (rows.size() > 1)
            QVERIFY(f.askUser.asked[0].message.contains(QString::number(rows.size())));
        QStringList expected;
        for (int row = 0; row < 20; ++row)
            if ((answer == 0 || !rows.contains(row)) &&
                !(row == other && meanwhile.startsWith(QLatin1String("remove"))))
                expected << QStringLiteral("old-%1.jpg").arg(row);
        QCOMPARE(entryNames(f.collection), expected);
        QVERIFY(f.collection.PreviewEnabled());
        // The path box shows the row the focus is on now, or nothing when none is.
        const QModelIndex focused = f.collection.selectionModel()->currentIndex();
        QCOMPARE(f.previews.ImagePathText(), f.collection.ImageFullPath(focused.row()));
        QCOMPARE(f.previews.ImagePreviewName(),
                 f.collection.rowCount() > 0 ? Previews::initialName() : QString());
        // What the window shows is what the next command acts on.
        QCOMPARE(f.collection.SelectedRows(), answer == 0         ? rows
                                              : focused.isValid() ? QList<int>{focused.row()}
                                                                  : QList<int>{});
    }

    // An action on the folder list of t/a/b/{c,d} on the drive t: a key code, a click (-1) or
    // none but the watch's report (0), after changes: a folder removed, made (+) or renamed
    // (old>new). Paths are under the test folder, except the root (on no listed drive).
    // Columns: open | list index | changes | action | opened, highlighted and saved | its
    // subfolders then (-1: not counted), which follow a subfolder made there afterwards.
    void folderActions_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("Enter on an ancestor opens it") << "t/a|-2||13|t|1";
        QTest::newRow("Backspace at the root does nothing") << "/|-1||8|/|-1";
        QTest::newRow("Backspace at a drive's root does nothing") << "t|-1||8|t|1";
        QTest::newRow("click: the open folder and its parent vanished") << "t/a/b|-1|t/a|-1|t|0";
        QTest::newRow("click: a subfolder vanished, read again") << "t/a/b|1|t/a/b/d|-1|t/a/b|1";
        QTest::newRow("click: a middle subfolder vanished, not its neighbour")
            << "t/a/b|0|t/a/b/c|-1|t/a/b|1";
        QTest::newRow("watch: the open folder deleted") << "t/a/b|-1|t/a/b|0|t/a|0";
        QTest::newRow("watch: the open folder and its parent deleted") << "t/a/b|-1|t/a|0|t|0";
        QTest::newRow("watch: the open folder renamed away") << "t/a/b|-1|t/a/b>t/a/e|0|t/a|1";
        QTest::newRow("watch: renamed away and back within the delay")
            << "t/a/b|-1|t/a/b>t/a/e +t/a/e/f t/a/e>t/a/b|0|t/a/b|3";
        QTest::newRow("watch: deleted and made anew within the delay")
            << "t/a/b|-1|t/a/b +t/a/b|0|t/a/b|0";
    }
    void folderActions() {
        QFETCH(QString, run);
        const QStringList c = run.split(u'|');
        const int action = c[3].toInt();
        QDir(path("t")).removeRecursively();
        QVERIFY(QDir().mkpath(path("t/a/b/c")) && QDir().mkpath(path("t/a/b/d")));
        const auto full = [this](const QString& p) {
            return p == "/" ? p : path(p);
        };
        Fixture f({{path("t"), {}}});
        QVERIFY(f.browser.openFolder(full(c[0])));
        f.browser.folders().setListIndex(c[1].toInt());
        QSignalSpy saved(&f.browser, &FileBrowserModel::folderChanged);
        for (const QString& change : c[2].split(u' ', Qt::SkipEmptyParts)) {
            const QStringList renamed = change.split(u'>');
            QVERIFY(change.startsWith(u'+') ? QDir().mkpath(path(change.mid(1)))
                    : renamed.size() == 2   ? QDir().rename(path(renamed[0]), path(renamed[1]))
                                            : QDir(path(change)).removeRecursively());
        }
        if (action < 0)
            f.browser.Folder_Click();
        else if (action > 0)
            f.browser.Folder_KeyPress(action);
        QTRY_COMPARE_WITH_TIMEOUT(f.browser.folderPath(), full(c[4]), 10000);
        QCOMPARE(f.browser.files().path(), full(c[4]));
        QCOMPARE(f.browser.folders().ListIndex(), -1);
        QCOMPARE(saved.isEmpty() ? full(c[0]) : saved.last().first().toString(), full(c[4]));
        // A click leaves a folder that stays open as it is, with its highlighted files.
        QVERIFY(action >= 0 || saved.isEmpty() == (c[4] == c[0]));
        if (const int count = c[5].toInt(); count >= 0) {
            QTRY_COMPARE_WITH_TIMEOUT(f.browser.folders().subfolderCount(), count, 10000);
            QVERIFY(QDir().mkpath(full(c[4]) + "/new"));
            QTRY_COMPARE_WITH_TIMEOUT(f.browser.folders().subfolderCount(), count + 1, 10000);
        }
    }

    // Pictures saved into the open folder, or deleted from it, show while it stays open; the
    // highlighted files and the focused one stay so, also when another program thins out a
    // large folder. (Subfolders made there: folderActions.) All but the first file are
    // highlighted, the last focused; a.jpg arrives and every other one of the others leaves.
    void openFolderFollowsItsChanges_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("a few") << 3;
        QTest::newRow("many, every other one leaving") << 80;
    }
    void openFolderFollowsItsChanges() {
        QFETCH(int, count);
        QVERIFY(QDir().mkpath(path("w")));
        QStringList names, left;
        for (int i = 0; i < count; ++i) {
            names << QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
            QVERIFY(test::writeBytes(path("w/") + names.last(), "x"));
        }
        Fixture f;
        QVERIFY(f.browser.openFolder(path("w")));
        FileListModel& files = f.browser.files();
        for (int row = 1; row < count; ++row)
            files.setSelected(row, true);
        files.selectionModel()->setCurrentIndex(files.index(count - 1),
                                                QItemSelectionModel::NoUpdate);
        QVERIFY(test::writeBytes(path("w/a.jpg"), "x"));
        for (int i = 0; i < count; ++i)
            if (i % 2 == 0 && i < count - 1)
                QVERIFY(QFile::remove(path("w/") + names[i]));
            else
                left << names[i];
        QTRY_COMPARE_WITH_TIMEOUT(fileNames(files), QStringList("a.jpg") + left, 10000);
        QCOMPARE(fileNames(files, true), left);
        QCOMPARE(files.fileName(files.ListIndex()), names.last());
        QVERIFY(QDir(path("w")).removeRecursively());
    }

    // Drives d0.. of which those marked - do not open (a missing folder); the browser opens on
    // d0, then d0 goes too if asked, and the user chooses a drive. Columns: drives | d0 goes |
    // chosen | drive open at the end (-1: the lists stay on the gone d0) | messages | folders
    // opened.
    void driveRecovery_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("back to the last drive that opened") << "+ -|0|1|0|1|1";
        QTest::newRow("that one gone too: on to one that opens") << "+ - - +|1|1|3|3|1";
        QTest::newRow("none opens: each tried once") << "+ - -|1|2|-1|3|0";
        QTest::newRow("the open drive chosen again") << "+ +|0|0|0|0|0";
    }
    void driveRecovery() {
        QFETCH(QString, run);
        const QStringList c = run.split(u'|');
        const QStringList kinds = c[0].split(u' ');
        QList<Drive> list;
        for (int i = 0; i < kinds.size(); ++i) {
            const QString root = path(QStringLiteral("drives/d%1").arg(i));
            QVERIFY(kinds[i] == "-" || QDir().mkpath(root));
            list.append({root, QString()});
        }
        Fixture f(list);
        QVERIFY(c[1] == "0" || QDir(list[0].rootPath).removeRecursively());
        QSignalSpy folderOpened(&f.browser, &FileBrowserModel::folderChanged);
        f.browser.chooseDrive(c[2].toInt());
        const int opened = c[3].toInt();
        QCOMPARE(f.browser.folderPath(), list[qMax(0, opened)].rootPath);
        QCOMPARE(f.askUser.asked.size(), c[4].toInt());
        QCOMPARE(folderOpened.size(), c[5].toInt());
        QVERIFY(QDir(path("drives")).removeRecursively());
    }

    // The drive box lists network mounts, programs' file systems and automounts without asking
    // them anything, so that one that does not answer cannot hold the window up; a local medium
    // that cannot be examined is left out.
    void drivesComeFromTheMountTable() {
        const QByteArray table = "proc /proc proc rw 0 0\n"
                                 "server:/export /mnt/My\\040NAS nfs4 rw 0 0\n"
                                 "/dev/sdz9 /media/u/gone ext4 rw 0 0\n"
                                 "/dev/sdz8 /mnt ext4 rw 0 0\n" // a folder of every Debian system
                                 "me@host:/pics /home/u/a\\134b fuse.sshfs rw 0 0\n"
                                 "tmpfs /run/user/1000 tmpfs rw 0 0\n"
                                 "systemd-1 /mnt/auto autofs rw 0 0\n"
                                 "encfs /media/u/vault fuse.encfs rw 0 0\n";
        QStringList roots;
        for (const Drive& drive : RemovableAndNetworkDrives(table))
            roots << drive.rootPath;
        QCOMPARE(roots, (QStringList{"/home/u/a\\b", "/media/u/vault", "/mnt", "/mnt/My NAS",
                                     "/mnt/auto"}));
    }

    // What the file list shows of a folder of odd names and links: pictures only, in natural
    // order whatever their case. A name the file system's encoding cannot give back could be
    // neither previewed nor added: it is left out. A folder nobody may read does not open.
    void fileListShowsPicturesInNaturalOrderWhateverTheirCase() {
        QVERIFY(QDir().mkpath(path("odd/sub\t.jpg")) && QDir().mkpath(path("odd/locked")));
        for (const char* name : {"img10.jpg", "img2.jpg", "IMG_0001.JPG", "b.jpeg", "c.Bmp",
                                 "d.gif", "e.png", "f.txt", "jpg", "g.jpg.txt", ".hidden.jpg"})
            QVERIFY(test::writeBytes(path(QStringLiteral("odd/") + QLatin1String(name)), "x"));
        QVERIFY(test::writeBytes(path("odd/new\nline.jpg"), "x"));
        QVERIFY(QFile::link(path("odd/nowhere.jpg"), path("odd/broken-link.jpg")));
        QVERIFY(QFile::link(path("odd/self.jpg"), path("odd/self.jpg")));
        QVERIFY(QFile::link(path("odd/d.gif"), path("odd/linked.gif")));
        QVERIFY(QFile::setPermissions(path("odd/locked"), QFileDevice::Permissions()));
        const QByteArray raw = QFile::encodeName(path("odd/")) + "caf\xe9.jpg"; // Latin-1
        const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        Fixture f;
        QVERIFY(f.browser.openFolder(path("odd")));
        QCOMPARE(fileNames(f.browser.files()),
                 (QStringList{"b.jpeg", "c.Bmp", "d.gif", "e.png", "IMG_0001.JPG", "img2.jpg",
                              "img10.jpg", "linked.gif", "new\nline.jpg"}));
        // A row of either list, and a message naming a file, shows a control as its symbol.
        QCOMPARE(f.browser.files().index(8).data().toString(), QStringLiteral("new\u240Aline.jpg"));
        QCOMPARE(f.browser.folders().subfolderCount(), 2);
        const FolderListModel& folders = f.browser.folders();
        QCOMPARE(folders.index(folders.rowOfListIndex(1)).data().toString(), "sub\u2409.jpg");
        QVERIFY(CollectionCommands::MissingFilesText(1, "new\nline.jpg").contains("new\u240Aline"));
        // Enter on the folder nobody may read stays, and says so where the preview speaks.
        f.browser.folders().setListIndex(0);
        f.browser.Folder_KeyPress(13);
        const bool refused = ::geteuid() != 0;
        QCOMPARE(f.browser.folderPath(), path(refused ? "odd" : "odd/locked"));
        QCOMPARE(f.previews.ImageErr(),
                 refused ? QStringLiteral("Unable to open folder 'locked' !") : QString());
        QCOMPARE(::unlink(raw.constData()), 0); // Qt cannot name it to delete it
        QFile::setPermissions(path("odd/locked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner);
        QVERIFY(QDir(path("odd")).removeRecursively());
    }
    // Selection changes preview, as clicks would, and come faster than large pictures decode:
    // one picture decodes at a time, and of those asked for meanwhile only the last decodes
    // and shows. An entry in use whose file is gone needs no picture: passed over, it is still
    // marked missing at once. An absent file asked to be used is stored missing, so such
    // entries are added while their files are there. The picture fits the preview box
    // (193×145) upright; a failure names the file.
    // Columns: entry | state before and after | size shown (none: nothing) | "late": nothing
    // shows pictures until all were asked for | colours near its top left, top right and bottom
    // left corners.
    void collectionPreview_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("missing entry in use becomes missing") << "gone.jpg|1 3||";
        // Its name would turn the message's text round.
        QTest::newRow("missing entry whose name turns the text")
            << QStringLiteral("gone\u202Egpj.jpg|1 3||");
        QTest::newRow("missing entry whose file came back is in use again")
            << "wide.jpg|3 1|193 96|";
        QTest::newRow("skipped entry whose file is gone stays skipped") << "gone.jpg|2 2||";
        QTest::newRow("entry in use that is not a picture becomes missing")
            << "text-named.jpg|1 3||";
        QTest::newRow("skipped picture stays skipped, small keeps its size")
            << "valid.bmp|2 2|80 60|";
        QTest::newRow("PNG of 16-bit channels over the allocation limit")
            << "large-16-bit.png|1 1|145 145||#008080 #808000 #808000";
        QTest::newRow("PNG of 16-bit channels with transparency over the allocation limit")
            << "large-16-bit-clear.png|1 1|145 145||#008080 #808000 #808000";
        QTest::newRow("BMP whose alpha is all 0")
            << "unused-alpha.bmp|1 1|145 145||#008080 #808000 #808000";
        QTest::newRow("window built after all were asked for: only the last decodes")
            << "turned.jpg|1 1|72 145|late";
    }
    void collectionPreview() {
        QFETCH(QString, run);
        const QStringList c = run.split(u'|');
        const QString name = c[0];
        const qint32 before = c[1].section(u' ', 0, 0).toInt(),
                     after = c[1].section(u' ', 1).toInt();
        const QSize size(c[2].section(u' ', 0, 0).toInt(), c[2].section(u' ', 1).toInt());
        const bool late = c[3] == QLatin1String("late");
        Fixture f;
        QMutex decodedLock;
        QStringList decoded;
        f.previews.setDecoder([&](const QString& file, QSize box) {
            decodedLock.lock(); // were two to decode at once, they would not race here
            decoded.append(QFileInfo(file).fileName());
            decodedLock.unlock();
            return DecodePreview(file, box);
        });
        std::optional<QSignalSpy> shown;
        if (!late)
            shown.emplace(&f.previews, &Previews::pictureChanged);
        f.previews.setDecodeInPool(true);
        const auto append = [&](const QString& entry, qint32 state) {
            const bool absent = !QFile::exists(path(entry));
            QVERIFY(!absent || test::writeBytes(path(entry), "x"));
            f.collection.AppendImage(entry, folder(), state);
            QVERIFY(!absent || QFile::remove(path(entry)));
        };
        const QStringList passed{"wide.jpg", "large.jpg", "passed-over-gone.jpg"};
        for (const QString& entry : passed)
            append(entry, StateUse);
        append(name, before);
        for (int row = 0; row <= passed.size(); ++row)
            f.collection.SelectOnly(row);
        if (late) {
            // Whatever the pool decoded has been handed back before the window connects.
            QThreadPool::globalInstance()->waitForDone();
            QCoreApplication::sendPostedEvents();
            shown.emplace(&f.previews, &Previews::pictureChanged);
        }
        const bool decodes = QFile::exists(path(name));
        const QStringList expected =
            QStringList(late ? 0 : 1, passed[0]) + QStringList(decodes ? 1 : 0, name);
        // The gone entry passed over shows at once; the last shows at the end.
        const int shows = late ? 1 : 2;
        QVERIFY(QTest::qWaitFor([&] { return shown->size() >= shows; }, 30000));
        // A picture out of date may still be decoding: it must not show when it arrives.
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(decoded, expected);
        QCOMPARE(shown->size(), shows);
        QCOMPARE(shown->last().at(0).value<QImage>(), f.previews.picture());
        QCOMPARE(f.previews.picture().size(), size);
        const QStringList colours = c.value(4).split(u' ', Qt::SkipEmptyParts);
        for (qsizetype corner = 0; corner < colours.size(); ++corner) {
            const QPoint near(corner == 1 ? size.width() - 10 : 10,
                              corner == 2 ? size.height() - 10 : 10);
            QCOMPARE(f.previews.picture().pixelColor(near).name(QColor::HexArgb),
                     QColor(colours[corner]).name(QColor::HexArgb));
        }
        QCOMPARE(f.previews.ImagePreviewName(), size.isEmpty() ? QString() : name);
        QCOMPARE(f.previews.ImageErr().contains(QString(name).replace(u'\u202E', u'\uFFFD')),
                 size.isEmpty());
        QCOMPARE(f.collection.ImageState(passed.size()), after);
        // A preview nobody saw tested nothing.
        QCOMPARE(f.collection.ImageState(2), qint32(late ? StateUse : StateMissing));
    }

    // The scan tests at a reduced size in the pool; it must keep and remove what a full decode
    // would, in order (a wrongly removed entry is lost), and a verdict for a row that went
    // meanwhile judges no other. A file that cannot be read may be a good picture: it stays.
    void scanKeepsWhatAWallpaperChangeAccepts_data() {
        // The files in the collection's order, + those left at the end, - those gone, = those left
        // that do not decode.
        QTest::addColumn<QString>("files");
        // Row 0 removed by hand: -1 never, 0 once the first tick has handed its picture to the
        // pool, 1 once its verdict is taken and the next picture handed on.
        QTest::addColumn<int>("removeFirst");
        QTest::newRow("every kind in order, the last removed")
            << "-text-named.jpg +wide.jpg -gone.jpg +valid.gif +bmp-named.jpg -truncated.jpg "
               "+png-named.jpg -truncated.png +large.jpg -cut-marked.jpg +progressive.jpg "
               "+trailing.jpg -sparse.jpg -huge.bmp -empty.bmp -pipe.jpg =read-error.jpg"
            << -1;
        QTest::newRow("BMP rows cut short") << "+rows.bmp -rows-cut.bmp -rows-less-a-byte.bmp "
                                               "+top-down.bmp -top-down-cut.bmp -mono-cut.bmp"
                                            << -1;
        QTest::newRow("BMP runs cut short")
            << "+runs.bmp -runs-cut.bmp -runs-cut-in-the-last-row.bmp "
               "+runs-ending-the-last-row.bmp "
               "=vast-runs.bmp"
            << -1;
        QTest::newRow("GIF cut short, or missing only what follows its last pixel")
            << "+frame.gif -frame-cut.gif +frame-without-its-terminator.gif "
               "+frame-without-its-end-code.gif -frame-without-its-last-pixel.gif"
            << -1;
        QTest::newRow("PNG over the allocation limit, whole, cut, without its end, 16-bit")
            << "+large.png -large-cut.png -large-without-its-end.png +large-16-bit.png "
               "=large-grey.png"
            << -1;
        QTest::newRow("JPEGs cut short, missing only their end marker, of too many scans, vast")
            << "+no-end.jpg +prog-no-end.jpg -prog-cut.jpg -prog-cut-at-scan.jpg +progressive.jpg "
               "-many-scans.jpg =vast.jpg =vast-progressive.jpg"
            << -1;
        // Its name kept as the bytes stored, which are no UTF-8: the file may be there.
        QTest::newRow("named by bytes that are no text")
            << QStringLiteral("=") + QChar(0xDCFF) + QStringLiteral(".jpg -gone.jpg") << -1;
        QTest::newRow("row removed while it decodes") << "-text-named.jpg +wide.jpg" << 0;
        QTest::newRow("row removed above the scan's place")
            << "-wide.jpg -text-named.jpg +wide.jpg -gone.jpg" << 1;
    }
    void scanKeepsWhatAWallpaperChangeAccepts() {
        QFETCH(QString, files);
        QFETCH(int, removeFirst);
        QStringList names, kept, decoding;
        for (const QString& file : files.split(u' ')) {
            names << file.mid(1);
            if (file.startsWith(u'+') || file.startsWith(u'='))
                kept << file.mid(1);
            if (file.startsWith(u'+'))
                decoding << file.mid(1);
        }
        // A named pipe, which blocks an open until a writer comes.
        QVERIFY(QFileInfo::exists(path("pipe.jpg")) ||
                ::mkfifo(QFile::encodeName(path("pipe.jpg")).constData(), 0600) == 0);
        // A file whose reads fail, as on a failing medium: this process's memory at address 0.
        QVERIFY(QFileInfo::exists(path("read-error.jpg")) ||
                QFile::link("/proc/self/mem", path("read-error.jpg")));
        Collection collection;
        for (const QString& name : names)
            collection.AppendImage(name, folder(), StateSkip);
        QSignalSpy finished(&collection, &Collection::scanFinished);
        // Right after a tick has handed the picture of row removeFirst to the pool.
        if (removeFirst >= 0)
            connect(&collection.ImagesScanTimer(), &QTimer::timeout, &collection,
                    [&collection, removeFirst, removed = false]() mutable {
                        if (removed || collection.ScanIndex() != removeFirst)
                            return;
                        collection.RemoveImage(0);
                        removed = true;
                    });
        collection.ScanFrom(0);
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(entryNames(collection), kept);
        // The same verdict from the change's test decode, the preview's and the root's, which
        // scales and clips the picture for fill and clips it at full size for centre.
        for (const QString& name : names) {
            const bool accepted = decoding.contains(name);
            QVERIFY2(PictureDecodes(path(name), DecodeSize::Full) == accepted, qPrintable(name));
            QVERIFY2(DecodePreview(path(name), QSize(64, 64)).isNull() != accepted,
                     qPrintable(name));
            for (const int style : {StyleFill, StyleCentre})
                QVERIFY2(RootPicture().load(path(name), {QRect(0, 0, 320, 200)}, style, 0) ==
                             accepted,
                         qPrintable(name + " in style " + QString::number(style)));
        }
    }

    // The pixels a BMP's runs jump over or leave out show as colour 0, never as what the memory
    // held (fresh memory is filled here, so that they would show).
    void pixelsABmpsRunsLeaveOutShowColourZero() {
        mallopt(M_PERTURB, 0x5A);
        const QImage shown = DecodePreview(path("runs.bmp"), QSize());
        mallopt(M_PERTURB, 0);
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB32),
                 indexedPicture().convertToFormat(QImage::Format_RGB32));
    }
};

QTEST_GUILESS_MAIN(TestCollection)
#include "tst_collection.moc"
