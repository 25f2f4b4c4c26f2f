
// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/FileBrowserModel.h"
#include "support/FixedDrives.h"
#include "support/PictureFiles.h"
#include "support/ScriptedAskUser.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kv;

// The drive, folder and file lists as one chain, against real folders. Drives are folders of a
// temporary tree; a folder that does not exist is a drive without a medium.
class TestFileBrowser : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString& relative) const { return QDir(dir_.path()).filePath(relative); }
    void makeFolders(const QStringList& folders) {
        for (const QString& folder : folders)
            QVERIFY(QDir().mkpath(path(folder)));
    }
    void touch(const QString& relative) { QVERIFY(test::writeBytes(path(relative), "x")); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void fileListShowsPicturesInNaturalOrderWhateverTheirCase() {
        makeFolders({"files", "files/sub.jpg"});
        for (const char* name : {"img10.jpg", "img2.jpg", "IMG_0001.JPG", "b.jpeg", "c.Bmp",
                                 "d.gif", "e.png", "f.txt", "jpg", "g.jpg.txt", ".hidden.jpg"})
            touch(QStringLiteral("files/") + QLatin1String(name));
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

    void folderListHoldsAncestorsAndSubfolders() {
        makeFolders({"tree/open/s10", "tree/open/s9", "tree/open/a"});
        FolderListModel folders;
        QVERIFY(folders.setPath(path("tree/open")));
        QStringList entries;
        for (int i = -folders.ancestorCount() - 1; i <= 3; ++i)
            entries << QString(folders.entryPath(i)).replace(dir_.path(), QStringLiteral("~"));
        QCOMPARE(entries.mid(0, 2), (QStringList{QString(), "/"}));
        QCOMPARE(entries.mid(entries.size() - 6),
                 (QStringList{"~/tree", "~/tree/open", "~/tree/open/a", "~/tree/open/s9",
                              "~/tree/open/s10", ""}));
        QCOMPARE(folders.ListIndex(), -1);
        QVERIFY(!folders.setPath(path("tree/none")));
        QCOMPARE(folders.path(), path("tree/open"));
    }

    // An action on the folder list of t/a/b/{c,d}: a key code, or a click (-1), a left (-2) or
    // right (-3) button let go. Before it, a folder is made (+) or removed (-). Paths are under
    // the test folder, except the root. Columns: open | list index | change | action | opened |
    // subfolders then (-1: not counted).
    void folderActions_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("Enter on a subfolder opens it") << "t/a|0||13|t/a/b|2";
        QTest::newRow("Space on a subfolder opens it") << "t/a|0||32|t/a/b|2";
        QTest::newRow("Enter on the open folder does nothing") << "t/a|-1||13|t/a|1";
        QTest::newRow("Enter on an ancestor opens it") << "t/a|-2||13|t|1";
        QTest::newRow("Backspace opens the parent") << "t/a|0||8|t|1";
        QTest::newRow("other keys do nothing") << "t/a|0||65|t/a|1";
        QTest::newRow("Backspace at the root does nothing") << "/|-1||8|/|-1";
        QTest::newRow("click: the open folder and its parent vanished") << "t/a/b|-1|-t/a|-1|t|0";
        QTest::newRow("click: a subfolder vanished, read again") << "t/a/b|1|-t/a/b/d|-1|t/a/b|1";
        QTest::newRow("click on an existing entry: nothing to do") << "t/a/b|0||-1|t/a/b|2";
        QTest::newRow("left button keeps the list") << "t/a/b|-1|+t/a/b/e|-2|t/a/b|2";
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
        test::FixedDrives drives;
        FileBrowserModel browser(drives, nullptr);
        QVERIFY(browser.openFolder(full(c[0])));
        browser.folders().setListIndex(c[1].toInt());
        if (c[2].startsWith(u'-'))
            QVERIFY(QDir(path(c[2].mid(1))).removeRecursively());
        else if (c[2].startsWith(u'+'))
            makeFolders({c[2].mid(1)});
        if (action == -1)
            browser.Folder_Click();
        else if (action < -1)
            browser.Folder_MouseUp(action == -2 ? Qt::LeftButton : Qt::RightButton);
        else
            browser.Folder_KeyPress(action);
        QCOMPARE(browser.folderPath(), full(c[4]));
        QCOMPARE(browser.files().path(), full(c[4]));
        if (c[5].toInt() >= 0)
            QCOMPARE(browser.folders().subfolderCount(), c[5].toInt());
        QVERIFY(QDir(path("t")).removeRecursively());
    }

    // Drives ("-": no medium) | the drive at start | the drive chosen (-1: none) | the drive it
    // ends at (-1: none) | messages.
    void driveRecovery_data() {
        QTest::addColumn<QString>("run");
        QTest::newRow("back to the drive used before") << "d0 -d1 d2|0|1|0|1";
        QTest::newRow("back to a later drive used before") << "d0 -d1 d2|2|1|2|1";
        QTest::newRow("at start the next drive is tried") << "-d0 d1|0|-1|1|1";
        QTest::newRow("past the end wraps to the first") << "d0 -d1|1|-1|0|1";
        QTest::newRow("none opens: one pass, then stop") << "-d0 -d1 -d2|1|-1|-1|3";
    }
    void driveRecovery() {
        QFETCH(QString, run);
        const QStringList c = run.split(u'|');
        const int startAt = c[1].toInt(), choose = c[2].toInt(), endsAt = c[3].toInt();
        test::FixedDrives source;
        for (QString name : c[0].split(u' ')) {
            if (!name.startsWith(u'-'))
                makeFolders({QStringLiteral("drives/") + name});
            name.remove(u'-');
            source.list.append({path(QStringLiteral("drives/") + name), name});
        }
        test::ScriptedAskUser askUser(-1);
        FileBrowserModel browser(source, &askUser);
        browser.start(source.list.at(startAt).rootPath, source.list.at(startAt).rootPath);
        if (choose >= 0)
            browser.chooseDrive(choose);
        QCOMPARE(askUser.asked.size(), c[4].toInt());
        QCOMPARE(askUser.asked.value(0).kind, MessageKind::Browser);
        QCOMPARE(askUser.asked.value(0).message,
                 "Unable to select disk drive " +
                     source.list.at(choose >= 0 ? choose : startAt).rootPath + " !");
        QCOMPARE(browser.lastGoodDrive(), endsAt);
        if (endsAt >= 0)
            QCOMPARE(browser.folderPath() + QString::number(browser.driveIndex()),
                     source.list.at(endsAt).rootPath + QString::number(endsAt));
        QVERIFY(QDir(path("drives")).removeRecursively());
    }

    void driveOpensAtTheFolderItShowedLast() {
        makeFolders({"last/d0/deep", "last/d1"});
        test::FixedDrives source;
        source.list = {{path("last/d0"), {}}, {path("last/d1"), {}}};
        FileBrowserModel browser(source, nullptr);
        browser.start(path("last/d0"), path("last/d0/deep"));
        QCOMPARE(browser.folderPath(), path("last/d0/deep"));
        browser.chooseDrive(1);
        QCOMPARE(browser.folderPath(), path("last/d1"));
        QVERIFY(QDir(path("last/d0/deep")).removeRecursively());
        browser.chooseDrive(0);
        QCOMPARE(browser.folderPath(), path("last/d0"));
        // A saved folder whose volume is not in the list opens on the drive that holds it.
        makeFolders({"last/d1/kept"});
        FileBrowserModel restarted(source, nullptr);
        restarted.start(QStringLiteral("/not-a-listed-volume"), path("last/d1/kept"));
        QCOMPARE(restarted.driveIndex(), 1);
        QCOMPARE(restarted.folderPath(), path("last/d1/kept"));
    }

    void oddFoldersAndNamesNeverBreakTheBrowser() {
        makeFolders({"odd/sub"});
        // A link to its own folder, and one to itself.
        QVERIFY(QFile::link(path("odd"), path("odd/loop")));
        QVERIFY(QFile::link(path("odd/self"), path("odd/self")));
        touch(QStringLiteral("odd/plain.jpg"));
        // A name in Latin-1, not valid UTF-8.
        const QByteArray raw = QFile::encodeName(path("odd/")) + "caf\xe9.jpg";
        const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        test::FixedDrives drives;
        FileBrowserModel browser(drives, nullptr);
        QVERIFY(browser.openFolder(path("odd")));
        // A name the file system's encoding cannot give back could be neither previewed nor
        // added: it is left out, and nothing else suffers.
        QCOMPARE(browser.files().fileCount(), 1);
        QCOMPARE(browser.files().fileName(0), QStringLiteral("plain.jpg"));
        QStringList subfolders;
        for (int i = 0; i < browser.folders().subfolderCount(); ++i)
            subfolders.append(QFileInfo(browser.folders().entryPath(i)).fileName());
        QCOMPARE(subfolders, (QStringList{"loop", "sub"}));
        // Going round the loop many times only makes the path longer.
        for (int i = 0; i < 20; ++i) {
            browser.folders().setListIndex(0);
            browser.Folder_KeyPress(13);
        }
        QVERIFY(browser.folderPath().endsWith(QStringLiteral("/loop/loop")));
        browser.Folder_KeyPress(8);
        browser.Folder_Click();
        // Qt cannot name the Latin-1 file to delete it.
        QCOMPARE(::unlink(raw.constData()), 0);
        QVERIFY(QDir(path("odd")).removeRecursively());
    }

    void unreadableFolderDoesNotOpen() {
        if (::geteuid() == 0)
            QSKIP("runs as root, for whom every folder is readable");
        makeFolders({"locked"});
        QVERIFY(QFile::setPermissions(path("locked"), QFileDevice::Permissions()));
        test::FixedDrives drives;
        FileBrowserModel browser(drives, nullptr);
        QVERIFY(browser.openFolder(dir_.path()));
        QVERIFY(!browser.openFolder(path("locked")));
        QCOMPARE(browser.folderPath(), dir_.path());
        QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
    }
};

QTEST_GUILESS_MAIN(TestFileBrowser)
#include "tst_file_browser.moc"
