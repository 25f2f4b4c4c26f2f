// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "collection/CollectionCommands.h"
#include "collection/FileBrowserModel.h"
#include "collection/Previews.h"
#include "support/FixedDrives.h"
#include "support/PictureFiles.h"
#include "support/ScriptedAskUser.h"
#include "ui/main/BrowserWidgets.h"
#include "ui/main/CollectionView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

// The browser's widgets driven by mouse and keys, offscreen.
class TestBrowserWidgets : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString& relative) const { return QDir(dir_.path()).filePath(relative); }

    struct Shown {
        test::FixedDrives drives;
        test::ScriptedAskUser askUser;
        Collection collection;
        FileBrowserModel browser{drives, &askUser};
        Previews previews{collection, browser};
        CollectionCommands commands{collection, browser.files(), previews, &askUser};
        QWidget window;
        DriveBox* disk = new DriveBox(browser, &window);
        FolderView* folder = new FolderView(browser, &window);
        FilesView* files = new FilesView(browser, previews, &window);
        QLabel* imagePreview = new QLabel(&window);
        QLabel* imageErr = new QLabel(imagePreview);
        QLineEdit* previewName = new QLineEdit(&window);
        CollectionView* imageName = new CollectionView(&window);

        explicit Shown(const QList<Drive>& list) {
            drives.list = list;
            browser.reloadDrives();
            BindPreviewName(previewName, previews);
            imageName->setCollection(collection);
            HookCollectionList(imageName, commands, previews);
            BindPreviewPicture(imagePreview, imageErr, previews);
            disk->setGeometry(0, 0, 200, 24);
            folder->setGeometry(0, 30, 200, 200);
            files->setGeometry(210, 0, 200, 230);
            imagePreview->setGeometry(420, 0, 200, 150);
            previewName->setGeometry(420, 160, 200, 24);
            imageName->setGeometry(0, 240, 300, 200);
            window.resize(640, 480);
            window.show();
            browser.start(list.first().rootPath, list.first().rootPath);
        }
        QPoint centreOf(QListView* view, int row) {
            return view->visualRect(view->model()->index(row, 0)).center();
        }
        int folderRowNamed(const QString& name) {
            for (int row = 0; row < browser.folders().rowCount(); ++row) {
                if (browser.folders().index(row).data().toString() == name)
                    return row;
            }
            return -1;
        }
    };

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(QDir().mkpath(path("d0/pictures/inner")));
        QVERIFY(QDir().mkpath(path("d1")));
        QVERIFY(test::writePicture(path("d0/pictures/beach.jpg"), QSize(640, 480)));
        QVERIFY(test::writeBytes(path("d0/pictures/text-named.jpg"), "words"));
    }

    void drivesFoldersAndFilesFollowEachOther() {
        Shown shown({{path("d0"), QStringLiteral("zero")}, {path("d1"), {}}});
        QCOMPARE(shown.disk->count(), 2);
        QCOMPARE(shown.disk->itemText(0), path("d0") + QStringLiteral("  [zero]"));
        QCOMPARE(shown.browser.folderPath(), path("d0"));
        const int row = shown.folderRowNamed(QStringLiteral("pictures"));
        QVERIFY(row >= 0);
        QTest::mouseDClick(shown.folder->viewport(), Qt::LeftButton, {},
                           shown.centreOf(shown.folder, row));
        QCOMPARE(shown.browser.folderPath(), path("d0/pictures"));
        QCOMPARE(shown.files->model()->rowCount(), 2);
        shown.folder->setFocus();
        QTest::keyClick(shown.folder, Qt::Key_Backspace);
        QCOMPARE(shown.browser.folderPath(), path("d0"));
        shown.disk->setCurrentIndex(1);
        Q_EMIT shown.disk->activated(1);
        QCOMPARE(shown.browser.folderPath(), path("d1"));
        QCOMPARE(shown.files->model()->rowCount(), 0);
    }

    void clickingFilesPreviewsThem() {
        Shown shown({{path("d0/pictures"), {}}});
        QTest::mouseClick(shown.files->viewport(), Qt::LeftButton, {},
                          shown.centreOf(shown.files, 0));
        QCOMPARE(shown.previewName->text(), QStringLiteral("beach.jpg"));
        // Shown from its start, however long.
        QCOMPARE(shown.previewName->cursorPosition(), 0);
        QVERIFY(shown.imageErr->isHidden());
        QTest::mouseClick(shown.files->viewport(), Qt::LeftButton, {},
                          shown.centreOf(shown.files, 1));
        QCOMPARE(shown.imageErr->text(),
                 QStringLiteral("Unable to preview file 'text-named.jpg' !"));
        QVERIFY(!shown.imageErr->isHidden());
        QVERIFY(!shown.browser.files().isSelected(1));
        QCOMPARE(shown.previewName->text(), QString());
        // A second click on the focused file previews it again.
        QTest::mouseClick(shown.files->viewport(), Qt::LeftButton, {},
                          shown.centreOf(shown.files, 0));
        QTest::mouseClick(shown.files->viewport(), Qt::LeftButton, {},
                          shown.centreOf(shown.files, 0));
        QCOMPARE(shown.previewName->text(), QStringLiteral("beach.jpg"));
        QVERIFY(shown.imageErr->isHidden());
    }

    void spaceAndDeleteInTheCollectionList() {
        Shown shown({{path("d0/pictures"), {}}});
        for (int i = 0; i < 3; ++i)
            shown.collection.AppendImage(QStringLiteral("beach.jpg"), path("d0/pictures"),
                                         StateSkip);
        shown.collection.SelectOnly(2);
        shown.imageName->setFocus();
        QTest::keyClick(shown.imageName, Qt::Key_Space);
        QCOMPARE(shown.collection.ImageState(2), StateUse);
        QCOMPARE(shown.collection.ImageState(1), StateSkip);
        shown.collection.SelectOnly(0);
        QTest::keyClick(shown.imageName, Qt::Key_Space);
        QCOMPARE(shown.collection.ImageState(0), StateUse);
        QCOMPARE(shown.imageName->currentIndex().row(), 1);
        // Other keys leave the entries alone.
        QTest::keyClick(shown.imageName, Qt::Key_A);
        QCOMPARE(shown.collection.ImageState(1), StateSkip);
        QVERIFY(shown.askUser.asked.isEmpty());
        QTest::keyClick(shown.imageName, Qt::Key_Delete);
        QCOMPARE(shown.askUser.asked.size(), 1);
        QCOMPARE(shown.collection.rowCount(), 2);
    }
};

QTEST_MAIN(TestBrowserWidgets)
#include "tst_browser_widgets.moc"
