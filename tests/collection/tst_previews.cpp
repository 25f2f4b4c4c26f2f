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

// The previews and the scan against real pictures, decoded in the pool as the program does.
class TestPreviews : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString folder() const { return dir_.path(); }
    QString file(const QString& name) const { return QDir(folder()).filePath(name); }

private Q_SLOTS:
    // Besides the common fixtures: pictures under another format's name, and large JPEGs the
    // reduced test decode of the scan reads only in part: plain, progressive, cut before a
    // closing marker, with data after the end, or followed by 2 GB of nothing.
    void initTestCase() {
        QVERIFY(test::WritePictureFixtures(folder()));
        QVERIFY(test::writePicture(file(QStringLiteral("wide.jpg")), QSize(800, 400)));
        QImage upright(200, 400, QImage::Format_RGB32);
        upright.fill(Qt::blue);
        QVERIFY(test::writeOrientedJpeg(file(QStringLiteral("turned.jpg")), upright, 6));
        QVERIFY(test::writePicture(file(QStringLiteral("bmp-named.jpg")), QSize(90, 60), "BMP"));
        QVERIFY(test::writePicture(file(QStringLiteral("png-named.jpg")), QSize(90, 60), "PNG"));
        QVERIFY(test::WriteNoisyJpeg(file(QStringLiteral("large.jpg")), 1600, 1200));
        QImageWriter progressive(file(QStringLiteral("progressive.jpg")));
        progressive.setProgressiveScanWrite(true);
        QVERIFY(progressive.write(QImage(file(QStringLiteral("large.jpg")))));
        const auto bytes = [this](const char* name) {
            QFile read(file(QLatin1String(name)));
            return read.open(QIODevice::ReadOnly) ? read.readAll() : QByteArray();
        };
        const QByteArray whole = bytes("large.jpg"), end("\xFF\xD9", 2);
        QVERIFY(test::writeBytes(file("cut-marked.jpg"), whole.chopped(whole.size() / 10) + end));
        QVERIFY(test::writeBytes(file("trailing.jpg"), whole + QByteArray(100000, 'Z')));
        QVERIFY(QFile::copy(file("large.jpg"), file("sparse.jpg")));
        QVERIFY(QFile::resize(file("sparse.jpg"), qint64(2) << 30));
    }

    // A selection change previews, as a click would; the second is asked for before the first
    // picture arrives, and its outcome comes last. An absent file asked to be used is stored
    // missing, so the entry is added while its file is there. The picture fits the preview box
    // (193×145) upright; a failure names the file.
    void collectionPreview_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<qint32>>("states"); // before, after
        QTest::addColumn<QSize>("size");           // none: nothing shown
        QTest::newRow("missing entry in use becomes missing")
            << "gone.jpg" << QList<qint32>{StateUse, StateMissing} << QSize();
        QTest::newRow("missing entry whose file came back is in use again")
            << "wide.jpg" << QList<qint32>{StateMissing, StateUse} << QSize(193, 96);
        QTest::newRow("skipped entry whose file is gone stays skipped")
            << "gone.jpg" << QList<qint32>{StateSkip, StateSkip} << QSize();
        QTest::newRow("entry in use that is not a picture becomes missing")
            << "text-named.jpg" << QList<qint32>{StateUse, StateMissing} << QSize();
        QTest::newRow("skipped picture stays skipped, small keeps its size")
            << "valid.bmp" << QList<qint32>{StateSkip, StateSkip} << QSize(80, 60);
        QTest::newRow("turned upright by its orientation")
            << "turned.jpg" << QList<qint32>{StateUse, StateUse} << QSize(72, 145);
    }
    void collectionPreview() {
        QFETCH(QString, name);
        QFETCH(QList<qint32>, states);
        QFETCH(QSize, size);
        MountedVolumes drives;
        Collection collection;
        FileBrowserModel browser{drives, nullptr};
        Previews previews{collection, browser};
        QSignalSpy shown{&previews, &Previews::pictureChanged};
        previews.setDecodeInPool(true);
        collection.AppendImage(QStringLiteral("wide.jpg"), folder(), StateUse);
        const bool absent = !QFile::exists(file(name));
        QVERIFY(!absent || test::writeBytes(file(name), "x"));
        collection.AppendImage(name, folder(), states[0]);
        QVERIFY(!absent || QFile::remove(file(name)));
        collection.SelectOnly(0);
        collection.SelectOnly(1);
        QVERIFY(QTest::qWaitFor([&] { return shown.size() >= 2; }, 30000));
        QCOMPARE(shown.size(), 2);
        QVERIFY(!shown.at(0).at(0).value<QImage>().isNull());
        QCOMPARE(previews.picture().size(), size.isValid() ? size : QSize(0, 0));
        QCOMPARE(previews.ImagePreviewName(), size.isValid() ? name : QString());
        QCOMPARE(previews.ImageErr().contains(name), !size.isValid());
        QCOMPARE(collection.ImageState(1), states[1]);
    }

    // The scan tests at a reduced size in the pool; it must keep and remove what a full decode
    // would, in order (a wrongly removed entry is lost), and a verdict for a row that went
    // meanwhile judges no other.
    void scanKeepsWhatAWallpaperChangeAccepts_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<bool>("removeFirstAtOnce");
        const QStringList kept{"wide.jpg",  "valid.gif",       "bmp-named.jpg", "png-named.jpg",
                               "large.jpg", "progressive.jpg", "trailing.jpg"};
        QTest::newRow("every kind in order, the last removed")
            << QStringList{"text-named.jpg", "wide.jpg",       "gone.jpg",        "valid.gif",
                           "bmp-named.jpg",  "truncated.jpg",  "png-named.jpg",   "truncated.png",
                           "large.jpg",      "cut-marked.jpg", "progressive.jpg", "trailing.jpg",
                           "sparse.jpg",     "huge.bmp",       "empty.bmp"}
            << kept << false;
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
        for (const QString& name : names)
            QVERIFY2(PictureDecodes(file(name), DecodeSize::Full) == kept.contains(name),
                     qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(TestPreviews)
#include "tst_previews.moc"
