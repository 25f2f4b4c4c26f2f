// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "collection/FileBrowserModel.h"
#include "collection/Pictures.h"
#include "collection/Previews.h"
#include "engine/PictureCheck.h"
#include "support/PictureFiles.h"

#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {

class NoDrives final : public DriveSource {
public:
    QList<Drive> drives() const override { return {}; }
};

} // namespace

// The two previews against real pictures: what they show, the texts of their failures and the
// state changes a collection preview makes.
class TestPreviews : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString folder() const { return dir_.path(); }
    QString file(const QString& name) const { return QDir(folder()).filePath(name); }

    struct Fixture {
        NoDrives drives;
        Collection collection;
        FileBrowserModel browser{drives, nullptr};
        Previews previews{collection, browser};
        explicit Fixture(const QString& folder) { browser.openFolder(folder); }
        int fileRow(const QString& name) {
            for (int row = 0; row < browser.files().fileCount(); ++row) {
                if (browser.files().fileName(row) == name)
                    return row;
            }
            return -1;
        }
        // A click on a file of the file list: it becomes the focused, selected row.
        void clickFile(const QString& name) {
            const int row = fileRow(name);
            QVERIFY(row >= 0);
            browser.files().selectionModel()->setCurrentIndex(browser.files().index(row),
                                                              QItemSelectionModel::Select);
        }
    };

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(test::writePicture(file(QStringLiteral("wide.jpg")), QSize(800, 400)));
        QVERIFY(test::writePicture(file(QStringLiteral("small.gif")), QSize(40, 30), "GIF") ||
                test::writePicture(file(QStringLiteral("small.gif")), QSize(40, 30), "BMP"));
        QVERIFY(test::writeBytes(file(QStringLiteral("text-named.jpg")), "not a picture\n"));
        QVERIFY(test::writePicture(file(QStringLiteral("truncated.jpg")), QSize(300, 200)));
        QVERIFY(test::truncateTo(file(QStringLiteral("truncated.jpg")), 100));
    }

    void collectionPreview_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint32>("state");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("error");
        QTest::addColumn<qint32>("stateAfter");
        QTest::newRow("missing entry in use becomes missing")
            << "gone.jpg" << qint32(StateUse) << false << "Unable to find image file gone.jpg!"
            << qint32(StateMissing);
        QTest::newRow("missing entry whose file came back is in use again")
            << "wide.jpg" << qint32(StateMissing) << true << QString() << qint32(StateUse);
        QTest::newRow("skipped entry whose file is gone stays skipped")
            << "gone.jpg" << qint32(StateSkip) << false << "Unable to find image file gone.jpg!"
            << qint32(StateSkip);
        QTest::newRow("entry in use that is not a picture becomes missing")
            << "text-named.jpg" << qint32(StateUse) << false
            << "Unable to get picture from image file 'text-named.jpg'!" << qint32(StateMissing);
        QTest::newRow("damaged header")
            << "truncated.jpg" << qint32(StateUse) << false
            << "Unable to get picture from image file 'truncated.jpg'!" << qint32(StateMissing);
        QTest::newRow("skipped picture stays skipped")
            << "wide.jpg" << qint32(StateSkip) << true << QString() << qint32(StateSkip);
    }
    void collectionPreview() {
        QFETCH(QString, name);
        QFETCH(qint32, state);
        QFETCH(bool, shown);
        QFETCH(QString, error);
        QFETCH(qint32, stateAfter);
        Fixture f(folder());
        f.collection.AppendImage(QStringLiteral("small.gif"), folder(), StateUse);
        // Appended as skip, then the wanted state stored without a file test.
        f.collection.AppendImage(name, folder(), StateSkip);
        if (state != StateSkip)
            f.collection.SetImageState(1, state == StateUse && !QFile::exists(file(name)) ? StateUse
                                                                                          : state);
        if (state == StateUse && !QFile::exists(file(name))) {
            // SetImageState would store 3 at once for an absent file; make it a stale 1.
            QVERIFY(test::writeBytes(file(name), "x"));
            f.collection.SetImageState(1, StateUse);
            QFile::remove(file(name));
        }
        QCOMPARE(f.collection.ImageState(1), state);
        // A selection change previews, as a click would.
        f.collection.SelectOnly(0);
        QVERIFY(!f.previews.picture().isNull());
        f.collection.SelectOnly(1);
        QCOMPARE(f.previews.ImagePathText(), file(name));
        QCOMPARE(f.previews.ImagePathToolTip(),
                 QStringLiteral("Selected wallpaper image file name is: ") + file(name));
        QCOMPARE(!f.previews.picture().isNull(), shown);
        QCOMPARE(f.previews.ImagePreviewName(), shown ? name : QString());
        QCOMPARE(f.previews.ImageErr(), error);
        QCOMPARE(f.collection.ImageState(1), stateAfter);
    }

    void previewsAreOffDuringBatchEdits() {
        Fixture f(folder());
        f.collection.AppendImage(QStringLiteral("wide.jpg"), folder(), StateUse);
        f.collection.setPreviewEnabled(false);
        f.collection.SelectOnly(0);
        QVERIFY(f.previews.picture().isNull());
        QCOMPARE(f.previews.ImagePreviewName(), Previews::kInitialName);
    }

    void browsedFilePreview_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("stillSelected");
        QTest::newRow("a picture") << "wide.jpg" << true << QString() << true;
        QTest::newRow("not a picture: error and highlight removed")
            << "text-named.jpg" << false << "Unable to preview file 'text-named.jpg' !" << false;
    }
    void browsedFilePreview() {
        QFETCH(QString, name);
        QFETCH(bool, shown);
        QFETCH(QString, error);
        QFETCH(bool, stillSelected);
        Fixture f(folder());
        f.clickFile(name);
        QCOMPARE(!f.previews.picture().isNull(), shown);
        QCOMPARE(f.previews.ImagePreviewName(), shown ? name : QString());
        QCOMPARE(f.previews.ImageErr(), error);
        QCOMPARE(f.browser.files().isSelected(f.fileRow(name)), stillSelected);
        QVERIFY(f.collection.PreviewEnabled());
    }

    void browsedFileThatVanishedChangesNothing() {
        Fixture f(folder());
        QVERIFY(test::writeBytes(file(QStringLiteral("brief.jpg")), "x"));
        f.browser.files().refresh();
        QFile::remove(file(QStringLiteral("brief.jpg")));
        f.clickFile(QStringLiteral("brief.jpg"));
        QCOMPARE(f.previews.ImagePreviewName(), Previews::kInitialName);
        QCOMPARE(f.previews.ImageErr(), QString());
    }

    void browsedFileInTheCollectionJumpsToItsEntry_data() {
        QTest::addColumn<int>("otherRows");
        QTest::addColumn<bool>("jumps");
        QTest::newRow("small collection") << 10 << true;
        QTest::newRow("999 rows are searched") << 998 << true;
        QTest::newRow("1000 rows are not") << 999 << false;
    }
    void browsedFileInTheCollectionJumpsToItsEntry() {
        QFETCH(int, otherRows);
        QFETCH(bool, jumps);
        Fixture f(folder());
        for (int i = 0; i < otherRows; ++i)
            f.collection.AppendImage(QStringLiteral("other-%1.jpg").arg(i), folder(), StateSkip);
        f.collection.AppendImage(QStringLiteral("wide.jpg"), folder(), StateUse);
        f.collection.selectionModel()->select(f.collection.index(0), QItemSelectionModel::Select);
        f.clickFile(QStringLiteral("wide.jpg"));
        const QModelIndex current = f.collection.selectionModel()->currentIndex();
        QCOMPARE(current.isValid() && current.row() == otherRows, jumps);
        QCOMPARE(f.collection.selectionModel()->isRowSelected(0), !jumps);
        QCOMPARE(f.previews.ImagePathText(), jumps ? file(QStringLiteral("wide.jpg")) : QString());
        QCOMPARE(f.previews.ImagePreviewName(), QStringLiteral("wide.jpg"));
    }

    void previewDecodesAtThePreviewSize_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QSize>("decoded");
        QTest::newRow("wide into the box") << QSize(800, 400) << QSize(200, 150) << QSize(200, 100);
        QTest::newRow("tall into the box") << QSize(300, 600) << QSize(200, 150) << QSize(75, 150);
        QTest::newRow("small keeps its size") << QSize(40, 30) << QSize(200, 150) << QSize(40, 30);
    }
    void previewDecodesAtThePreviewSize() {
        QFETCH(QSize, picture);
        QFETCH(QSize, box);
        QFETCH(QSize, decoded);
        const QString name =
            file(QStringLiteral("sized-%1x%2.jpg").arg(picture.width()).arg(picture.height()));
        QVERIFY(test::writePicture(name, picture));
        QCOMPARE(DecodePreview(name, box).size(), decoded);
    }

    void previewTurnsThePictureUpright() {
        const QString name = file(QStringLiteral("turned.jpg"));
        QImage image(400, 200, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QImageWriter writer(name);
        if (!writer.supportsOption(QImageIOHandler::ImageTransformation))
            QSKIP("this JPEG writer cannot store an orientation");
        writer.setTransformation(QImageIOHandler::TransformationRotate90);
        QVERIFY(writer.write(image));
        // Stored 400×200, shown turned: 200×400, fitted into the box.
        QCOMPARE(DecodePreview(name, QSize(200, 150)).size(), QSize(75, 150));
    }

    // The scan tests at a reduced size; it must keep and remove what a full decode would.
    void scanKeepsWhatAWallpaperChangeAccepts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("kept");
        QTest::newRow("picture") << "wide.jpg" << true;
        QTest::newRow("gif or bmp") << "small.gif" << true;
        QTest::newRow("bmp under a jpg name") << "bmp-named.jpg" << true;
        QTest::newRow("text under a picture name") << "text-named.jpg" << false;
        QTest::newRow("truncated in the header") << "truncated.jpg" << false;
        QTest::newRow("jpg cut in its scan data") << "cut-in-data.jpg" << false;
        QTest::newRow("png under a jpg name") << "png-named.jpg" << true;
        QTest::newRow("empty bmp") << "empty.bmp" << false;
        QTest::newRow("missing") << "gone.jpg" << false;
    }
    void scanKeepsWhatAWallpaperChangeAccepts() {
        QFETCH(QString, name);
        QFETCH(bool, kept);
        QVERIFY(test::writeBytes(file(QStringLiteral("empty.bmp")), QByteArray()));
        QVERIFY(test::writePicture(file(QStringLiteral("bmp-named.jpg")), QSize(90, 60), "BMP"));
        QVERIFY(test::writePicture(file(QStringLiteral("png-named.jpg")), QSize(90, 60), "PNG"));
        const QString cut = file(QStringLiteral("cut-in-data.jpg"));
        QVERIFY(test::writePicture(cut, QSize(600, 400)));
        QVERIFY(test::truncateTo(cut, test::fileSize(cut) / 2));
        QCOMPARE(PictureDecodes(file(name), DecodeSize::Full), kept);
        Collection collection;
        collection.AppendImage(name, folder(), StateSkip);
        collection.ImagesScanTimer().start();
        collection.ImagesScanTimer_Timer();
        collection.ImagesScanTimer_Timer();
        QVERIFY(!collection.isScanning());
        QCOMPARE(collection.rowCount(), kept ? 1 : 0);
        // What the scan would remove does not preview either.
        QCOMPARE(!DecodePreview(file(name), QSize(200, 150)).isNull(), kept);
    }
};

QTEST_GUILESS_MAIN(TestPreviews)
#include "tst_previews.moc"
