// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "collection/CollectionCommands.h"
#include "collection/FileBrowserModel.h"
#include "collection/Previews.h"
#include "common/PictureCheck.h"
#include "common/Pictures.h"
#include "desktop/RootPicture.h"
#include "support/FixedDrives.h"
#include "support/PictureFiles.h"
#include "support/ScriptedAskUser.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QMutex>
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

// The drive, folder and file lists, the editing commands and the previews against real files
// and folders, pictures decoded in the pool as the program does. Drives are folders of a
// temporary tree.
class TestCollectionCommands : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString folder() const { return dir_.path(); }
    QString path(const QString& relative) const { return QDir(folder()).filePath(relative); }

private Q_SLOTS:
    // Besides the common fixtures: pictures under another format's name, large JPEGs the
    // reduced test decode of the scan reads only in part: plain, progressive, cut short (with a
    // closing marker or without), missing only that marker, with data after the end, or
    // followed by 2 GB of nothing; and a small progressive JPEG whose first scan comes a
    // thousand times over.
    void initTestCase() {
        QVERIFY(test::WritePictureFixtures(folder()));
        QVERIFY(test::writePicture(path(QStringLiteral("wide.jpg")), QSize(800, 400)));
        QImage upright(200, 400, QImage::Format_RGB32);
        upright.fill(Qt::blue);
        QVERIFY(test::writeOrientedJpeg(path(QStringLiteral("turned.jpg")), upright, 6));
        QVERIFY(test::writePicture(path(QStringLiteral("bmp-named.jpg")), QSize(90, 60), "BMP"));
        QVERIFY(test::writePicture(path(QStringLiteral("png-named.jpg")), QSize(90, 60), "PNG"));
        QVERIFY(test::WriteNoisyJpeg(path(QStringLiteral("large.jpg")), 1600, 1200));
        QFile large(path("large.jpg"));
        QVERIFY(large.open(QIODevice::ReadOnly));
        const QByteArray whole = large.readAll(), end("\xFF\xD9", 2);
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
        QFile rows(path("rows.bmp"));
        QVERIFY(rows.open(QIODevice::ReadOnly));
        QByteArray bmp = rows.readAll();
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
        QFile png(path("large.png"));
        QVERIFY(png.open(QIODevice::ReadOnly));
        const QByteArray largePng = png.readAll();
        QVERIFY(test::writeBytes(path("large-cut.png"), largePng.left(largePng.size() / 2)));
        QVERIFY(test::writeBytes(path("large-without-its-end.png"), largePng.chopped(12)));
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
        QStringList highlighted;
        for (int row = 0; row < files.fileCount(); ++row) {
            if (files.isSelected(row))
                highlighted.append(files.fileName(row));
        }
        QCOMPARE(highlighted.join(u' '), c[6]);
        QCOMPARE(f.askUser.asked.size(), c[6].isEmpty() ? 0 : 1);
        if (!c[6].isEmpty()) {
            QCOMPARE(f.askUser.asked[0].kind, MessageKind::CollectionFull);
            QVERIFY(f.askUser.asked[0].message.contains(QString::number(Collection::kMaxEntries)));
        }
        const int scanStart = c[3].toInt();
        QCOMPARE(f.collection.isScanning() ? f.collection.ScanIndex() : -1,
                 scanStart < 0 ? -1 : scanStart + filler);
        for (int ticks = 0; f.collection.isScanning() && ticks < 1000; ++ticks)
            f.collection.ImagesScanTimer_Timer(); // as the timer would, one entry a tick
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
        QStringList left, expected;
        for (int row = 0; row < 20; ++row)
            if ((answer == 0 || !rows.contains(row)) &&
                !(row == other && meanwhile.startsWith(QLatin1String("remove"))))
                expected << QStringLiteral("old-%1.jpg").arg(row);
        for (int row = 0; row < f.collection.rowCount(); ++row)
            left << f.collection.ImageFileName(row);
        QCOMPARE(left, expected);
        QVERIFY(f.collection.PreviewEnabled());
        // The path box shows the row the focus is on now, or nothing when none is.
        const QModelIndex focused = f.collection.selectionModel()->currentIndex();
        QCOMPARE(f.previews.ImagePathText(), f.collection.ImageFullPath(focused.row()));
        QCOMPARE(f.previews.ImagePreviewName(),
                 f.collection.rowCount() > 0 ? Previews::initialName() : QString());
        // What the window shows is what the next command acts on.
        QList<int> selected;
        for (int row = 0; row < f.collection.rowCount(); ++row)
            if (f.collection.selectionModel()->isRowSelected(row))
                selected << row;
        QCOMPARE(selected, answer == 0         ? rows
                           : focused.isValid() ? QList<int>{focused.row()}
                                               : QList<int>{});
    }

    // An action on the folder list of t/a/b/{c,d}: a key code or a click (-1), after a folder
    // was removed. Paths are under the test folder, except the root. Columns: open | list index
    // | removed | action | opened | subfolders then (-1: not counted).
    void folderActions_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("Enter on an ancestor opens it") << "t/a|-2||13|t|1";
        QTest::newRow("Backspace at the root does nothing") << "/|-1||8|/|-1";
        QTest::newRow("click: the open folder and its parent vanished") << "t/a/b|-1|t/a|-1|t|0";
        QTest::newRow("click: a subfolder vanished, read again") << "t/a/b|1|t/a/b/d|-1|t/a/b|1";
    }
    void folderActions() {
        QFETCH(QString, run);
        const QStringList c = run.split(u'|');
        const int action = c[3].toInt();
        QVERIFY(QDir().mkpath(path("t/a/b/c")) && QDir().mkpath(path("t/a/b/d")));
        const auto full = [this](const QString& p) {
            return p == "/" ? p : path(p);
        };
        Fixture f;
        QVERIFY(f.browser.openFolder(full(c[0])));
        f.browser.folders().setListIndex(c[1].toInt());
        QVERIFY(c[2].isEmpty() || QDir(path(c[2])).removeRecursively());
        if (action < 0)
            f.browser.Folder_Click();
        else
            f.browser.Folder_KeyPress(action);
        QCOMPARE(f.browser.folderPath(), full(c[4]));
        QCOMPARE(f.browser.files().path(), full(c[4]));
        if (c[5].toInt() >= 0)
            QCOMPARE(f.browser.folders().subfolderCount(), c[5].toInt());
        QVERIFY(QDir(path("t")).removeRecursively());
    }

    // Drives d0.. of which those marked - do not open (a missing folder); the browser opens on
    // d0, then d0 goes too if asked, and the user chooses a drive. Columns: drives | d0 goes |
    // chosen | drive open at the end (-1: the lists stay on the gone d0) | messages.
    void driveRecovery_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("back to the last drive that opened") << "+ -|0|1|0|1";
        QTest::newRow("that one gone too: on to one that opens") << "+ - - +|1|1|3|3";
        QTest::newRow("none opens: each tried once") << "+ - -|1|2|-1|3";
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
        f.browser.chooseDrive(c[2].toInt());
        const int opened = c[3].toInt();
        QCOMPARE(f.browser.folderPath(), list[qMax(0, opened)].rootPath);
        QCOMPARE(f.askUser.asked.size(), c[4].toInt());
        QVERIFY(QDir(path("drives")).removeRecursively());
    }

    // What the file list shows of a folder of odd names and links: pictures only, in natural
    // order whatever their case. A name the file system's encoding cannot give back could be
    // neither previewed nor added: it is left out. A folder nobody may read does not open.
    void fileListShowsPicturesInNaturalOrderWhateverTheirCase() {
        QVERIFY(QDir().mkpath(path("odd/sub.jpg")) && QDir().mkpath(path("odd/locked")));
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
        QCOMPARE(f.browser.openFolder(path("odd/locked")), ::geteuid() == 0);
        QVERIFY(f.browser.openFolder(path("odd")));
        QStringList shown;
        for (int row = 0; row < f.browser.files().fileCount(); ++row)
            shown.append(f.browser.files().fileName(row));
        QCOMPARE(shown, (QStringList{"b.jpeg", "c.Bmp", "d.gif", "e.png", "IMG_0001.JPG",
                                     "img2.jpg", "img10.jpg", "linked.gif", "new\nline.jpg"}));
        // A row shows a line break as its symbol, on one line.
        QCOMPARE(f.browser.files().index(8).data().toString(), QStringLiteral("new\u240Aline.jpg"));
        QCOMPARE(f.browser.folders().subfolderCount(), 2);
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
    void collectionPreview_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<qint32>>("states"); // before, after
        QTest::addColumn<QSize>("size");           // none: nothing shown
        QTest::addColumn<bool>("late");            // nothing shows pictures until all asked
        QTest::newRow("missing entry in use becomes missing")
            << "gone.jpg" << QList<qint32>{StateUse, StateMissing} << QSize() << false;
        QTest::newRow("missing entry whose file came back is in use again")
            << "wide.jpg" << QList<qint32>{StateMissing, StateUse} << QSize(193, 96) << false;
        QTest::newRow("skipped entry whose file is gone stays skipped")
            << "gone.jpg" << QList<qint32>{StateSkip, StateSkip} << QSize() << false;
        QTest::newRow("entry in use that is not a picture becomes missing")
            << "text-named.jpg" << QList<qint32>{StateUse, StateMissing} << QSize() << false;
        QTest::newRow("skipped picture stays skipped, small keeps its size")
            << "valid.bmp" << QList<qint32>{StateSkip, StateSkip} << QSize(80, 60) << false;
        QTest::newRow("turned upright by its orientation")
            << "turned.jpg" << QList<qint32>{StateUse, StateUse} << QSize(72, 145) << false;
        QTest::newRow("window built after all were asked for: only the last decodes")
            << "turned.jpg" << QList<qint32>{StateUse, StateUse} << QSize(72, 145) << true;
    }
    void collectionPreview() {
        QFETCH(QString, name);
        QFETCH(QList<qint32>, states);
        QFETCH(QSize, size);
        QFETCH(bool, late);
        Fixture f;
        QMutex decodedLock;
        QStringList decoded;
        f.previews.setDecoder([&](const QString& file, QSize box) {
            {
                const QMutexLocker lock(&decodedLock);
                decoded.append(QFileInfo(file).fileName());
            }
            return DecodePreview(file, box);
        });
        const auto decodedSoFar = [&] {
            const QMutexLocker lock(&decodedLock);
            return decoded;
        };
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
        append(name, states[0]);
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
        QCOMPARE(decodedSoFar(), expected);
        QCOMPARE(shown->size(), shows);
        QCOMPARE(shown->last().at(0).value<QImage>(), f.previews.picture());
        QCOMPARE(f.previews.picture().size(), size.isValid() ? size : QSize(0, 0));
        QCOMPARE(f.previews.ImagePreviewName(), size.isValid() ? name : QString());
        QCOMPARE(f.previews.ImageErr().contains(name), !size.isValid());
        QCOMPARE(f.collection.ImageState(passed.size()), states[1]);
        // A preview nobody saw tested nothing.
        QCOMPARE(f.collection.ImageState(2), qint32(late ? StateUse : StateMissing));
    }

    // The scan tests at a reduced size in the pool; it must keep and remove what a full decode
    // would, in order (a wrongly removed entry is lost), and a verdict for a row that went
    // meanwhile judges no other.
    void scanKeepsWhatAWallpaperChangeAccepts_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("kept");
        // Row 0 removed by hand: -1 never, 0 once the first tick has handed its picture to the
        // pool, 1 once its verdict is taken, at once, as Clear takes it.
        QTest::addColumn<int>("removeFirst");
        const QStringList kept{"wide.jpg",  "valid.gif",       "bmp-named.jpg", "png-named.jpg",
                               "large.jpg", "progressive.jpg", "trailing.jpg"};
        QTest::newRow("every kind in order, the last removed")
            << QStringList{"text-named.jpg", "wide.jpg",       "gone.jpg",        "valid.gif",
                           "bmp-named.jpg",  "truncated.jpg",  "png-named.jpg",   "truncated.png",
                           "large.jpg",      "cut-marked.jpg", "progressive.jpg", "trailing.jpg",
                           "sparse.jpg",     "huge.bmp",       "empty.bmp",       "pipe.jpg"}
            << kept << -1;
        QTest::newRow("BMP rows cut short")
            << QStringList{"rows.bmp",     "rows-cut.bmp",     "rows-less-a-byte.bmp",
                           "top-down.bmp", "top-down-cut.bmp", "mono-cut.bmp"}
            << QStringList{"rows.bmp", "top-down.bmp"} << -1;
        QTest::newRow("BMP runs cut short")
            << QStringList{"runs.bmp", "runs-cut.bmp", "runs-cut-in-the-last-row.bmp",
                           "runs-ending-the-last-row.bmp"}
            << QStringList{"runs.bmp", "runs-ending-the-last-row.bmp"} << -1;
        QTest::newRow("GIF cut short, or missing only what follows its last pixel")
            << QStringList{"frame.gif", "frame-cut.gif", "frame-without-its-terminator.gif",
                           "frame-without-its-end-code.gif", "frame-without-its-last-pixel.gif"}
            << QStringList{"frame.gif", "frame-without-its-terminator.gif",
                           "frame-without-its-end-code.gif"}
            << -1;
        QTest::newRow("PNG over the allocation limit, whole, cut short, without its end")
            << QStringList{"large.png", "large-cut.png", "large-without-its-end.png"}
            << QStringList{"large.png"} << -1;
        QTest::newRow("JPEGs cut short, missing only their end marker, of too many scans")
            << QStringList{"no-end.jpg",           "prog-no-end.jpg", "prog-cut.jpg",
                           "prog-cut-at-scan.jpg", "progressive.jpg", "many-scans.jpg"}
            << QStringList{"no-end.jpg", "prog-no-end.jpg", "progressive.jpg"} << -1;
        QTest::newRow("row removed while it decodes")
            << QStringList{"text-named.jpg", "wide.jpg"} << QStringList{"wide.jpg"} << 0;
        QTest::newRow("row removed above the scan's place")
            << QStringList{"wide.jpg", "text-named.jpg", "wide.jpg", "gone.jpg"}
            << QStringList{"wide.jpg"} << 1;
    }
    void scanKeepsWhatAWallpaperChangeAccepts() {
        QFETCH(QStringList, names);
        QFETCH(QStringList, kept);
        QFETCH(int, removeFirst);
        // A named pipe, which blocks an open until a writer comes.
        QVERIFY(QFileInfo::exists(path("pipe.jpg")) ||
                ::mkfifo(QFile::encodeName(path("pipe.jpg")).constData(), 0600) == 0);
        Collection collection;
        for (const QString& name : names)
            collection.AppendImage(name, folder(), StateSkip);
        QSignalSpy finished(&collection, &Collection::scanFinished);
        // Right after the first tick has handed its picture to the pool.
        if (removeFirst == 0)
            connect(
                &collection.ImagesScanTimer(), &QTimer::timeout, &collection,
                [&collection] { collection.RemoveImage(0); }, Qt::SingleShotConnection);
        collection.ScanFrom(0);
        if (removeFirst == 1) {
            collection.ImagesScanTimer_Timer();
            collection.RemoveImage(0);
        }
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.size(), 1);
        QStringList left;
        for (int row = 0; row < collection.rowCount(); ++row)
            left << collection.ImageFileName(row);
        QCOMPARE(left, kept);
        // The same verdict from the change's test decode, the preview's and the root's, which
        // scales and clips the picture for fill and clips it at full size for centre.
        for (const QString& name : names) {
            const bool accepted = kept.contains(name);
            QVERIFY2(PictureDecodes(path(name), DecodeSize::Full) == accepted, qPrintable(name));
            QVERIFY2(DecodePreview(path(name), QSize(64, 64)).isNull() != accepted,
                     qPrintable(name));
            for (const int style : {StyleFill, StyleCentre})
                QVERIFY2(RootPicture().load(path(name), {QRect(0, 0, 320, 200)}, style, 0) ==
                             accepted,
                         qPrintable(name + " in style " + QString::number(style)));
        }
    }

    // The pictures a test writes come out as they went in; the pixels that a BMP's runs jump over
    // or leave out show as colour 0, never as what the memory held (fresh memory is filled here,
    // so that they would show).
    void writtenPicturesDecodeAsTheyWere_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("BMP stored as runs") << "runs.bmp";
        QTest::newRow("GIF") << "frame.gif";
    }
    void writtenPicturesDecodeAsTheyWere() {
        QFETCH(QString, name);
        mallopt(M_PERTURB, 0x5A);
        const QImage shown = DecodePreview(path(name), QSize());
        mallopt(M_PERTURB, 0);
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB32),
                 indexedPicture().convertToFormat(QImage::Format_RGB32));
    }
};

QTEST_GUILESS_MAIN(TestCollectionCommands)
#include "tst_collection_commands.moc"
