// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "collection/FileBrowserModel.h"
#include "collection/Previews.h"
#include "common/PictureCheck.h"
#include "common/Pictures.h"
#include "support/PictureFiles.h"

#include <QImageWriter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

// The two previews against real pictures, decoded in the pool as the program does: what they
// show, in the order they were asked for, the texts of their failures and the state changes a
// collection preview makes.
class TestPreviews : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString folder() const { return dir_.path(); }
    QString file(const QString& name) const { return QDir(folder()).filePath(name); }

    struct Fixture {
        MountedVolumes drives;
        Collection collection;
        FileBrowserModel browser{drives, nullptr};
        Previews previews{collection, browser};
        QSignalSpy shown{&previews, &Previews::pictureChanged};
        explicit Fixture(const QString& folder) {
            browser.openFolder(folder);
            previews.setDecodeInPool(true);
        }
        // Waits for the outcomes of that many previews; true when no more arrived.
        bool outcomes(int count) {
            return QTest::qWaitFor([&] { return shown.size() >= count; }, 30000) &&
                   shown.size() == count;
        }
        // A click on a file of the file list: it becomes the focused, selected row.
        int clickFile(const QString& name) {
            FileListModel& files = browser.files();
            const QModelIndexList found =
                files.match(files.index(0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
            if (found.isEmpty())
                return -1;
            files.selectionModel()->setCurrentIndex(found.first(), QItemSelectionModel::Select);
            return found.first().row();
        }
    };

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(test::writePicture(file(QStringLiteral("wide.jpg")), QSize(800, 400)));
        // Qt writes no GIF: a BMP under that name.
        QVERIFY(test::writePicture(file(QStringLiteral("small.gif")), QSize(40, 30), "BMP"));
        QVERIFY(test::writePicture(file(QStringLiteral("truncated.jpg")), QSize(300, 200)));
        QVERIFY(test::writePicture(file(QStringLiteral("bmp-named.jpg")), QSize(90, 60), "BMP"));
        QVERIFY(test::writePicture(file(QStringLiteral("png-named.jpg")), QSize(90, 60), "PNG"));
        QVERIFY(test::truncateTo(file(QStringLiteral("truncated.jpg")), 100));
        QVERIFY(test::writeBytes(file(QStringLiteral("text-named.jpg")), "not a picture\n"));
        QVERIFY(test::writeBytes(file(QStringLiteral("empty.bmp")), QByteArray()));
        const QString cut = file(QStringLiteral("cut-in-data.jpg"));
        QVERIFY(test::writePicture(cut, QSize(600, 400)));
        QVERIFY(test::truncateTo(cut, test::fileSize(cut) / 2));
    }

    void collectionPreview_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint32>("state");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("error");
        QTest::addColumn<qint32>("stateAfter");
        const QString notFound = QStringLiteral("Unable to find image file gone.jpg!");
        const auto broken = [](const char* name) {
            return QStringLiteral("Unable to get picture from image file '%1'!").arg(name);
        };
        QTest::newRow("missing entry in use becomes missing")
            << "gone.jpg" << qint32(StateUse) << false << notFound << qint32(StateMissing);
        QTest::newRow("missing entry whose file came back is in use again")
            << "wide.jpg" << qint32(StateMissing) << true << QString() << qint32(StateUse);
        QTest::newRow("skipped entry whose file is gone stays skipped")
            << "gone.jpg" << qint32(StateSkip) << false << notFound << qint32(StateSkip);
        QTest::newRow("entry in use that is not a picture becomes missing")
            << "text-named.jpg" << qint32(StateUse) << false << broken("text-named.jpg")
            << qint32(StateMissing);
        QTest::newRow("damaged header") << "truncated.jpg" << qint32(StateUse) << false
                                        << broken("truncated.jpg") << qint32(StateMissing);
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
        // Added while its file is there: an absent file asked to be used is stored missing.
        const bool absent = !QFile::exists(file(name));
        QVERIFY(!absent || test::writeBytes(file(name), "x"));
        f.collection.AppendImage(name, folder(), state);
        QVERIFY(!absent || QFile::remove(file(name)));
        // A selection change previews, as a click would; the second is asked for before the
        // first picture arrives, and its outcome comes last.
        f.collection.SelectOnly(0);
        f.collection.SelectOnly(1);
        QCOMPARE(f.previews.ImagePathText(), file(name));
        QCOMPARE(f.previews.ImagePathToolTip(),
                 QStringLiteral("Selected wallpaper image file name is: ") + file(name));
        QVERIFY(f.outcomes(2));
        QVERIFY(!f.shown.at(0).at(0).value<QImage>().isNull());
        QCOMPARE(!f.previews.picture().isNull(), shown);
        QCOMPARE(f.previews.ImagePreviewName(), shown ? name : QString());
        QCOMPARE(f.previews.ImageErr(), error);
        QCOMPARE(f.collection.ImageState(1), stateAfter);
    }

    void browsedFilePreview_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("outcomes");
        QTest::addColumn<QString>("previewName");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("stillSelected");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("a picture") << "wide.jpg" << 1 << "wide.jpg" << QString() << true << true;
        QTest::newRow("not a picture: error and highlight removed")
            << "text-named.jpg" << 1 << QString() << "Unable to preview file 'text-named.jpg' !"
            << false << true;
        QTest::newRow("a file that vanished changes nothing")
            << "brief.jpg" << 0 << Previews::initialName() << QString() << true << true;
        QTest::newRow("previews are off during batch edits")
            << "wide.jpg" << 0 << Previews::initialName() << QString() << true << false;
    }
    void browsedFilePreview() {
        QFETCH(QString, name);
        QFETCH(int, outcomes);
        QFETCH(QString, previewName);
        QFETCH(QString, error);
        QFETCH(bool, stillSelected);
        QFETCH(bool, enabled);
        QVERIFY(test::writeBytes(file(QStringLiteral("brief.jpg")), "x"));
        Fixture f(folder());
        QFile::remove(file(QStringLiteral("brief.jpg")));
        f.collection.setPreviewEnabled(enabled);
        const int row = f.clickFile(name);
        QVERIFY(row >= 0);
        QVERIFY(f.outcomes(outcomes));
        QCOMPARE(f.previews.picture().isNull(), previewName != name);
        QCOMPARE(f.previews.ImagePreviewName(), previewName);
        QCOMPARE(f.previews.ImageErr(), error);
        QCOMPARE(f.browser.files().isSelected(row), stillSelected);
        QCOMPARE(f.collection.PreviewEnabled(), enabled);
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
        QVERIFY(f.clickFile(QStringLiteral("wide.jpg")) >= 0);
        const QModelIndex current = f.collection.selectionModel()->currentIndex();
        QCOMPARE(current.isValid() && current.row() == otherRows, jumps);
        QCOMPARE(f.collection.selectionModel()->isRowSelected(0), !jumps);
        QCOMPARE(f.previews.ImagePathText(), jumps ? file(QStringLiteral("wide.jpg")) : QString());
        QVERIFY(f.outcomes(1));
        QCOMPARE(f.previews.ImagePreviewName(), QStringLiteral("wide.jpg"));
    }

    void previewDecodesAtThePreviewSize_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("turned");
        QTest::addColumn<QSize>("decoded");
        QTest::newRow("wide into the box") << QSize(800, 400) << false << QSize(200, 100);
        QTest::newRow("tall into the box") << QSize(300, 600) << false << QSize(75, 150);
        QTest::newRow("small keeps its size") << QSize(40, 30) << false << QSize(40, 30);
        // Stored 400×200, shown turned upright: 200×400, fitted into the box.
        QTest::newRow("turned by its orientation") << QSize(400, 200) << true << QSize(75, 150);
    }
    void previewDecodesAtThePreviewSize() {
        QFETCH(QSize, picture);
        QFETCH(bool, turned);
        QFETCH(QSize, decoded);
        const QString name =
            file(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".jpg"));
        QImage image(picture, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QImageWriter writer(name);
        if (turned && !writer.supportsOption(QImageIOHandler::ImageTransformation))
            QSKIP("this JPEG writer cannot store an orientation");
        writer.setTransformation(turned ? QImageIOHandler::TransformationRotate90
                                        : QImageIOHandler::TransformationNone);
        QVERIFY(writer.write(image));
        QCOMPARE(DecodePreview(name, QSize(200, 150)).size(), decoded);
    }

    // The scan tests at a reduced size in the pool; it keeps and removes what a full decode would,
    // in order, and a verdict for a row that went meanwhile judges no other.
    void scanKeepsWhatAWallpaperChangeAccepts_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<bool>("removeFirstAtOnce");
        QTest::newRow("every kind in order, the last removed")
            << QStringList{"text-named.jpg", "wide.jpg",        "gone.jpg",
                           "small.gif",      "bmp-named.jpg",   "truncated.jpg",
                           "png-named.jpg",  "cut-in-data.jpg", "empty.bmp"}
            << QStringList{"wide.jpg", "small.gif", "bmp-named.jpg", "png-named.jpg"} << false;
        QTest::newRow("row removed while it decodes")
            << QStringList{"text-named.jpg", "wide.jpg"} << QStringList{"wide.jpg"} << true;
    }
    void scanKeepsWhatAWallpaperChangeAccepts() {
        QFETCH(QStringList, names);
        QFETCH(QStringList, kept);
        QFETCH(bool, removeFirstAtOnce);
        Collection collection;
        for (const QString& name : names)
            collection.AppendImage(name, folder(), StateSkip);
        QSignalSpy finished(&collection, &Collection::scanFinished);
        // Right after the first tick has handed its picture to the pool.
        if (removeFirstAtOnce)
            connect(
                &collection.ImagesScanTimer(), &QTimer::timeout, &collection,
                [&collection] { collection.RemoveImage(0); }, Qt::SingleShotConnection);
        collection.ScanFrom(0);
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.size(), 1);
        QStringList left;
        for (int row = 0; row < collection.rowCount(); ++row)
            left << collection.ImageFileName(row);
        QCOMPARE(left, kept);
        // What the scan removes neither decodes in full nor previews.
        for (const QString& name : names) {
            QVERIFY2(PictureDecodes(file(name), DecodeSize::Full) == kept.contains(name),
                     qPrintable(name));
            QVERIFY2(DecodePreview(file(name), QSize(200, 150)).isNull() != kept.contains(name),
                     qPrintable(name));
        }
    }
};

QTEST_GUILESS_MAIN(TestPreviews)
#include "tst_previews.moc"
