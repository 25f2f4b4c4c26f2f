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

#include <fcntl.h>
#include <unistd.h>

using namespace kv;

namespace {

QList<int> ints(const QString& text) {
    QList<int> values;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts))
        values << word.toInt();
    return values;
}

// The browser and the editing commands over them, as the main window holds them.
struct Fixture {
    test::FixedDrives drives;
    test::ScriptedAskUser askUser;
    Collection collection;
    FileBrowserModel browser{drives, &askUser};
    Previews previews{collection, browser};
    CollectionCommands commands{collection, browser.files(), previews, &askUser};
    // Opened on the drive startAt (-1: not opened); before it, `skipped` rows that name no file:
    // the scan would remove them if it reached them.
    explicit Fixture(const QList<Drive>& list = {}, int skipped = 0, int startAt = 0) {
        drives.list = list;
        browser.reloadDrives();
        if (startAt >= 0 && !list.isEmpty())
            browser.start(list.at(startAt).rootPath, list.at(startAt).rootPath);
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
            collection.selectionModel()->select(collection.index(row), QItemSelectionModel::Select);
    }
};

} // namespace

// The drive, folder and file lists and the editing commands against real files and folders.
// Drives are folders of a temporary tree; a folder that does not exist is a drive without a
// medium.
class TestCollectionCommands : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString folder() const { return dir_.path(); }
    QList<Drive> here() const { return {{folder(), {}}}; }
    QString path(const QString& relative) const { return QDir(folder()).filePath(relative); }
    void makeFolders(const QStringList& folders) {
        for (const QString& made : folders)
            QVERIFY(QDir().mkpath(path(made)));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(test::writePicture(path(QStringLiteral("a.jpg"))));
        QVERIFY(test::writePicture(path(QStringLiteral("b.jpg"))));
        QVERIFY(test::writePicture(path(QStringLiteral("c.bmp")), QSize(30, 20), "BMP"));
        QVERIFY(test::writeBytes(path(QStringLiteral("text-named.jpg")), "words\n"));
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
    }
    void addAddsNewFilesDeselectsAllAndScansOnlyTheNewRows() {
        QFETCH(QString, add);
        const QStringList c = add.split(u'|');
        Fixture f(here());
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
        QVERIFY(f.commands.clearEnabled());
        QCOMPARE(f.collection.rowCount(), c[6].toInt());
        QCOMPARE(f.collection.ImageFileName(0), QStringLiteral("text-named.jpg"));
    }

    // Twenty entries; rows selected | answer (-1: the question switched off).
    void deleteAsksAndRemoves_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("nothing selected") << "|1";
        QTest::newRow("one row") << "4|1";
        QTest::newRow("four rows, the last one first") << "2 5 9 19|1";
        QTest::newRow("cancelled") << "2 5 9 19|0";
        QTest::newRow("question switched off") << "4|-1";
    }
    void deleteAsksAndRemoves() {
        QFETCH(QString, run);
        const QStringList c = run.split(u'|');
        const QList<int> rows = ints(c[0]);
        Fixture f(here(), 20);
        f.selectRows(rows);
        f.askUser.setAnswer(c[1].toInt());
        f.commands.DelImage_Click();
        QCOMPARE(f.askUser.asked.size(), rows.isEmpty() ? 0 : 1);
        if (rows.size() > 1)
            QVERIFY(f.askUser.asked[0].message.contains(QString::number(rows.size())));
        QStringList left, expected;
        for (int row = 0; row < 20; ++row)
            if (c[1] == QLatin1String("0") || !rows.contains(row))
                expected << QStringLiteral("old-%1.jpg").arg(row);
        for (int row = 0; row < f.collection.rowCount(); ++row)
            left << f.collection.ImageFileName(row);
        QCOMPARE(left, expected);
        QVERIFY(f.collection.PreviewEnabled());
    }

    // Use on a selection tests each file; a mark toggles; a double click toggles and previews.
    void useMarkAndDoubleClick() {
        Fixture f(here());
        for (const char* name : {"gone.jpg", "a.jpg", "b.jpg"})
            f.collection.AppendImage(QString::fromLatin1(name), folder(), StateSkip);
        f.selectRows({0, 1, 2});
        f.commands.UseImage_Click();
        f.commands.ImageMark_Click(2);
        QCOMPARE(f.collection.ImageState(0) * 100 + f.collection.ImageState(1) * 10 +
                     f.collection.ImageState(2),
                 312);
        f.collection.SelectOnly(2);
        f.commands.ImageName_DblClick();
        QCOMPARE(f.collection.ImageState(2), StateUse);
        QCOMPARE(f.previews.ImagePreviewName(), QStringLiteral("b.jpg"));
    }

    void fileListShowsPicturesInNaturalOrderWhateverTheirCase() {
        makeFolders({"files", "files/sub.jpg"});
        for (const char* name : {"img10.jpg", "img2.jpg", "IMG_0001.JPG", "b.jpeg", "c.Bmp",
                                 "d.gif", "e.png", "f.txt", "jpg", "g.jpg.txt", ".hidden.jpg"})
            QVERIFY(test::writeBytes(path(QStringLiteral("files/") + QLatin1String(name)), "x"));
        QVERIFY(QFile::link(path("files/nowhere.jpg"), path("files/broken-link.jpg")));
        QVERIFY(QFile::link(path("files/d.gif"), path("files/linked.gif")));
        FileListModel files;
        QVERIFY(files.setPath(path("files")));
        QStringList shown;
        for (int row = 0; row < files.fileCount(); ++row)
            shown.append(files.fileName(row));
        QCOMPARE(shown, (QStringList{"b.jpeg", "c.Bmp", "d.gif", "e.png", "IMG_0001.JPG",
                                     "img2.jpg", "img10.jpg", "linked.gif"}));
    }

    // An action on the folder list of t/a/b/{c,d}: a key code, or a click (-1) or a right button
    // let go (-3). Before it, a folder is made (+) or removed (-). Paths are under the test
    // folder, except the root. Columns: open | list index | change | action | opened |
    // subfolders then (-1: not counted).
    void folderActions_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("Enter on a subfolder opens it") << "t/a|0||13|t/a/b|2";
        QTest::newRow("Enter on the open folder does nothing") << "t/a|-1||13|t/a|1";
        QTest::newRow("Enter on an ancestor opens it") << "t/a|-2||13|t|1";
        QTest::newRow("Backspace opens the parent") << "t/a|0||8|t|1";
        QTest::newRow("Backspace at the root does nothing") << "/|-1||8|/|-1";
        QTest::newRow("click: the open folder and its parent vanished") << "t/a/b|-1|-t/a|-1|t|0";
        QTest::newRow("click: a subfolder vanished, read again") << "t/a/b|1|-t/a/b/d|-1|t/a/b|1";
        QTest::newRow("right button reads the list again") << "t/a/b|-1|+t/a/b/e|-3|t/a/b|3";
    }
    void folderActions() {
        QFETCH(QString, run);
        const QStringList c = run.split(u'|');
        const int action = c[3].toInt();
        makeFolders({"t/a/b/c", "t/a/b/d"});
        const auto full = [this](const QString& p) {
            return p == "/" ? p : path(p);
        };
        Fixture f;
        QVERIFY(f.browser.openFolder(full(c[0])));
        f.browser.folders().setListIndex(c[1].toInt());
        if (c[2].startsWith(u'-'))
            QVERIFY(QDir(path(c[2].mid(1))).removeRecursively());
        else if (c[2].startsWith(u'+'))
            makeFolders({c[2].mid(1)});
        if (action == -1)
            f.browser.Folder_Click();
        else if (action < -1)
            f.browser.Folder_MouseUp(Qt::RightButton);
        else
            f.browser.Folder_KeyPress(action);
        QCOMPARE(f.browser.folderPath(), full(c[4]));
        QCOMPARE(f.browser.files().path(), full(c[4]));
        if (c[5].toInt() >= 0)
            QCOMPARE(f.browser.folders().subfolderCount(), c[5].toInt());
        QVERIFY(QDir(path("t")).removeRecursively());
    }

    // Drives ("-": no medium) | the drive at start | the drive chosen (-1: none) | the drive it
    // ends at (-1: none) | messages.
    void driveRecovery_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("back to the drive used before") << "d0 -d1 d2|2|1|2|1";
        QTest::newRow("at start the next drive is tried") << "-d0 d1|0|-1|1|1";
        QTest::newRow("past the end wraps to the first") << "d0 -d1|1|-1|0|1";
        QTest::newRow("none opens: one pass, then stop") << "-d0 -d1 -d2|1|-1|-1|3";
    }
    void driveRecovery() {
        QFETCH(QString, run);
        const QStringList c = run.split(u'|');
        const int choose = c[2].toInt(), endsAt = c[3].toInt();
        QList<Drive> list;
        for (QString name : c[0].split(u' ')) {
            if (!name.startsWith(u'-'))
                makeFolders({QStringLiteral("drives/") + name});
            name.remove(u'-');
            list.append({path(QStringLiteral("drives/") + name), name});
        }
        Fixture f(list, 0, c[1].toInt());
        if (choose >= 0)
            f.browser.chooseDrive(choose);
        QCOMPARE(f.askUser.asked.size(), c[4].toInt());
        QCOMPARE(f.askUser.asked.value(0).kind, MessageKind::Browser);
        QCOMPARE(f.browser.lastGoodDrive(), endsAt);
        if (endsAt >= 0)
            QCOMPARE(f.browser.folderPath() + QString::number(f.browser.driveIndex()),
                     list.at(endsAt).rootPath + QString::number(endsAt));
        QVERIFY(QDir(path("drives")).removeRecursively());
    }

    // A saved folder opens on the drive that holds it, even when its volume is not listed; once
    // gone, its drive opens at the root.
    void driveOpensAtTheFolderItShowedLast() {
        makeFolders({"last/d0/deep", "last/d1"});
        Fixture f({{path("last/d0"), {}}, {path("last/d1"), {}}}, 0, -1);
        f.browser.start(QStringLiteral("/not-a-listed-volume"), path("last/d0/deep"));
        QCOMPARE(f.browser.driveIndex(), 0);
        QCOMPARE(f.browser.folderPath(), path("last/d0/deep"));
        f.browser.chooseDrive(1);
        QVERIFY(QDir(path("last/d0/deep")).removeRecursively());
        f.browser.chooseDrive(0);
        QCOMPARE(f.browser.folderPath(), path("last/d0"));
    }

    void oddFoldersAndNamesNeverBreakTheBrowser() {
        makeFolders({"odd/sub", "odd/locked"});
        // A link to its own folder, one to itself, a folder nobody may read (but root).
        QVERIFY(QFile::link(path("odd"), path("odd/loop")));
        QVERIFY(QFile::link(path("odd/self"), path("odd/self")));
        QVERIFY(QFile::setPermissions(path("odd/locked"), QFileDevice::Permissions()));
        QVERIFY(test::writeBytes(path("odd/plain.jpg"), "x"));
        // A name in Latin-1, not valid UTF-8.
        const QByteArray raw = QFile::encodeName(path("odd/")) + "caf\xe9.jpg";
        const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        Fixture f;
        QVERIFY(f.browser.openFolder(path("odd")));
        QCOMPARE(f.browser.openFolder(path("odd/locked")), ::geteuid() == 0);
        QVERIFY(f.browser.openFolder(path("odd")));
        // A name the file system's encoding cannot give back could be neither previewed nor
        // added: it is left out, and nothing else suffers.
        QCOMPARE(f.browser.files().fileCount(), 1);
        QCOMPARE(f.browser.files().fileName(0), QStringLiteral("plain.jpg"));
        QCOMPARE(f.browser.folders().subfolderCount(), 3);
        f.browser.folders().setListIndex(1);
        f.browser.Folder_KeyPress(13);
        QCOMPARE(f.browser.folderPath(), path("odd/loop"));
        // Qt cannot name the Latin-1 file to delete it.
        QCOMPARE(::unlink(raw.constData()), 0);
        QFile::setPermissions(path("odd/locked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner);
        QVERIFY(QDir(path("odd")).removeRecursively());
    }
};

QTEST_GUILESS_MAIN(TestCollectionCommands)
#include "tst_collection_commands.moc"
