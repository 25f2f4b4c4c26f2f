// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/desktop/RootPicture.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

// The screen is sent to the X server in bands of rows: drawn band by band it must be exactly the
// screen drawn at once, whatever the placement, or seams would show on the desktop.
class TestRootPicture : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;

    QString makePicture(const QString& name, QSize size, bool alpha) {
        QImage image(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        image.fill(alpha ? QColor(0, 0, 0, 0) : QColor(Qt::white));
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(200, 40, 40, alpha ? 160 : 255));
        painter.drawEllipse(QRect(QPoint(0, 0), size).adjusted(2, 2, -2, -2));
        painter.fillRect(0, 0, size.width() / 3, size.height() / 3, QColor(20, 20, 180));
        painter.end();
        const QString path = folder_.filePath(name);
        return image.save(path, alpha ? "PNG" : "JPEG", 90) ? path : QString();
    }

private Q_SLOTS:
    void bandsMatchTheWholeScreen_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("pictureSize");
        QTest::addColumn<bool>("alpha");
        QTest::addColumn<int>("style");

        const QList<std::tuple<const char*, QSize, bool>> pictures{
            {"small.jpg", QSize(70, 45), false},
            {"screen-sized.jpg", QSize(320, 200), false},
            {"reduced-while-decoding.jpg", QSize(1000, 700), false},
            {"larger.jpg", QSize(500, 260), false},
            {"transparent.png", QSize(90, 50), true},
        };
        for (const auto& [name, size, alpha] : pictures)
            for (int style : {0, 1, 2})
                QTest::addRow("%s style %d", name, style)
                    << QString::fromLatin1(name) << size << alpha << style;
    }

    void bandsMatchTheWholeScreen() {
        QFETCH(QString, name);
        QFETCH(QSize, pictureSize);
        QFETCH(bool, alpha);
        QFETCH(int, style);
        const QString path = makePicture(name, pictureSize, alpha);
        QVERIFY(!path.isEmpty());

        RootPicture picture;
        QVERIFY(picture.load(path, QSize(320, 200), style, 0x00408000));
        const QImage whole = picture.render();
        QCOMPARE(whole.size(), QSize(320, 200));

        QImage banded(whole.size(), QImage::Format_RGB32);
        for (int top = 0; top < banded.height(); top += 7) {
            QImage band(banded.width(), qMin(7, banded.height() - top), QImage::Format_RGB32);
            picture.drawBand(band, top);
            for (int row = 0; row < band.height(); ++row)
                std::memcpy(banded.scanLine(top + row), band.constScanLine(row),
                            size_t(band.bytesPerLine()));
        }
        QCOMPARE(banded, whole);
        // A transparent picture shows the colour through it.
        if (alpha && style == 1)
            QCOMPARE(whole.pixel(0, pictureSize.height() - 1), qRgb(0x00, 0x80, 0x40));
    }

    void colourOnlyWithoutPicture() {
        RootPicture picture;
        QVERIFY(picture.load(QString(), QSize(16, 9), 2, 0x00FF8000));
        const QImage screen = picture.render();
        QCOMPARE(screen.pixel(0, 0), qRgb(0x00, 0x80, 0xFF));
        QCOMPARE(screen.pixel(15, 8), qRgb(0x00, 0x80, 0xFF));
    }
};

QTEST_GUILESS_MAIN(TestRootPicture)
#include "tst_root_picture.moc"
