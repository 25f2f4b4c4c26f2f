// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "collection/FileBrowserModel.h"
#include "collection/Previews.h"
#include "support/FixedDrives.h"
#include "support/PictureFiles.h"
#include "support/ScriptedAskUser.h"
#include "ui/main/BrowserWidgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

// The browser's widgets driven by the mouse and keys, offscreen, over two drives: d0 holds a
// folder of a picture and a text file named like one, d1 is empty.
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
        QWidget window;
        DriveBox* disk = new DriveBox(browser, &window);
        FolderView* folder = new FolderView(browser, &window);
        FilesView* files = new FilesView(browser, previews, &window);
        QLabel* imagePreview = new QLabel(&window);
        QLabel* imageErr = new QLabel(imagePreview);
        QLineEdit* previewName = new QLineEdit(&window);

        explicit Shown(const QList<Drive>& list) {
            drives.list = list;
            browser.reloadDrives();
            BindPreviewName(previewName, previews);
            BindPreviewPicture(imagePreview, imageErr, previews);
            auto* row = new QHBoxLayout(&window);
            for (QWidget* widget : QWidgetList{disk, folder, files, imagePreview, previewName})
                row->addWidget(widget);
            window.show();
            browser.start(list.first().rootPath, list.first().rootPath);
        }
        void click(QListView* view, int row, bool twice = false) {
            const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
            QTest::mouseEvent(twice ? QTest::MouseDClick : QTest::MouseClick, view->viewport(),
                              Qt::LeftButton, {}, at);
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

    // A double click opens a folder, Backspace goes up, another drive shows its own files.
    void drivesFoldersAndFilesFollowEachOther() {
        Shown shown({{path("d0"), QStringLiteral("zero")}, {path("d1"), {}}});
        QCOMPARE(shown.browser.folderPath(), path("d0"));
        const QModelIndexList pictures = shown.browser.folders().match(
            shown.browser.folders().index(0), Qt::DisplayRole, QStringLiteral("pictures"));
        QCOMPARE(pictures.size(), 1);
        shown.click(shown.folder, pictures[0].row(), true);
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

    // A clicked file shows in the preview, its name from the start however long; a file that
    // cannot be read shows an error naming it, never the picture before; a second click on the
    // focused file previews it again.
    void clickingFilesPreviewsThem() {
        Shown shown({{path("d0/pictures"), {}}});
        shown.click(shown.files, 0);
        QCOMPARE(shown.previewName->text(), QStringLiteral("beach.jpg"));
        QCOMPARE(shown.previewName->cursorPosition(), 0);
        QVERIFY(shown.imageErr->isHidden());
        shown.click(shown.files, 1);
        QVERIFY(shown.imageErr->text().contains(QLatin1String("'text-named.jpg'")));
        QVERIFY(!shown.imageErr->isHidden());
        QVERIFY(!shown.browser.files().isSelected(1));
        QCOMPARE(shown.previewName->text(), QString());
        shown.click(shown.files, 0);
        shown.click(shown.files, 0);
        QCOMPARE(shown.previewName->text(), QStringLiteral("beach.jpg"));
        QVERIFY(shown.imageErr->isHidden());
    }
};

QTEST_MAIN(TestBrowserWidgets)
#include "tst_browser_widgets.moc"
