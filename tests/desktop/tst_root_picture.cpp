// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/RootPicture.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

using namespace kv;

using Monitors = QList<QRect>;
Q_DECLARE_METATYPE(Monitors)

namespace {
const QSize kScreen(320, 200);
// Of unlike sizes, with a bare strip between them.
const Monitors kTwoMonitors{QRect(0, 20, 200, 150), QRect(210, 0, 110, 200)};
} // namespace

// The screen is sent to the X server in bands of rows: drawn band by band it must be exactly the
// screen drawn at once, whatever the placement, or seams would show on the desktop.
class TestRootPicture : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;

    // An ellipse and a corner block, on white as a JPEG or on nothing as a transparent PNG.
    QString makePicture(QSize size, bool alpha) {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(alpha ? QColor(0, 0, 0, 0) : QColor(Qt::white));
        QPainter painter(&image);
        painter.setBrush(QColor(200, 40, 40, alpha ? 160 : 255));
        painter.drawEllipse(QRect(QPoint(0, 0), size).adjusted(2, 2, -2, -2));
        painter.fillRect(0, 0, size.width() / 3, size.height() / 3, QColor(20, 20, 180));
        painter.end();
        const QString path = folder_.filePath(QStringLiteral("%1x%2.%3")
                                                  .arg(size.width())
                                                  .arg(size.height())
                                                  .arg(alpha ? "png" : "jpg"));
        return image.save(path) ? path : QString();
    }

private Q_SLOTS:
    void bandsMatchTheWholeScreen_data() {
        QTest::addColumn<QSize>("pictureSize");
        QTest::addColumn<bool>("alpha");
        QTest::addColumn<int>("style");
        QTest::addColumn<Monitors>("monitors");
        // Small, screen-sized, reduced while decoding, larger, transparent.
        for (const auto& [size, alpha] : {std::pair{QSize(70, 45), false},
                                          {kScreen, false},
                                          {QSize(1000, 700), false},
                                          {QSize(500, 260), false},
                                          {QSize(90, 50), true}})
            for (int style = StyleCentre; style <= StyleFill; ++style)
                for (const bool two : {false, true})
                    QTest::addRow("%dx%d%s style %d on %s", size.width(), size.height(),
                                  alpha ? " transparent" : "", style, two ? "two monitors" : "one")
                        << size << alpha << style
                        << (two ? kTwoMonitors : Monitors{QRect(QPoint(0, 0), kScreen)});
    }

    void bandsMatchTheWholeScreen() {
        QFETCH(QSize, pictureSize);
        QFETCH(bool, alpha);
        QFETCH(int, style);
        QFETCH(Monitors, monitors);
        const QString path = makePicture(pictureSize, alpha);
        QVERIFY(!path.isEmpty());
        RootPicture picture;
        QVERIFY(picture.load(path, monitors, style, 0x00408000));
        const QImage whole = picture.render(kScreen, monitors);
        QCOMPARE(whole.size(), kScreen);

        QImage banded(whole.size(), QImage::Format_RGB32);
        for (int top = 0; top < banded.height(); top += 7) {
            QImage band(banded.width(), qMin(7, banded.height() - top), QImage::Format_RGB32);
            picture.drawBand(band, top, monitors);
            for (int row = 0; row < band.height(); ++row)
                std::memcpy(banded.scanLine(top + row), band.constScanLine(row),
                            size_t(band.bytesPerLine()));
        }
        QCOMPARE(banded, whole);
        // A transparent picture shows the colour through it, and so does the strip between the
        // monitors.
        if (alpha && style == StyleTile)
            QCOMPARE(whole.pixel(monitors[0].left(), monitors[0].top() + pictureSize.height() - 1),
                     qRgb(0x00, 0x80, 0x40));
        if (monitors == kTwoMonitors)
            QCOMPARE(whole.pixel(205, 100), qRgb(0x00, 0x80, 0x40));
    }
};

QTEST_GUILESS_MAIN(TestRootPicture)
#include "tst_root_picture.moc"
