// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/RootPicture.h"

#include <QImage>
#include <QList>
#include <QPainter>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

using Monitors = QList<QRect>;
Q_DECLARE_METATYPE(Monitors)

namespace {
const QSize kScreen(320, 200);
const Monitors kWholeScreen{QRect(QPoint(0, 0), kScreen)};
// Of unlike sizes, with a bare strip between them.
const Monitors kTwoMonitors{QRect(0, 20, 200, 150), QRect(210, 0, 110, 200)};
} // namespace

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
        if (!alpha)
            return image.save(path, "JPEG", 90) ? path : QString();
        // Of the wallpaper formats only GIF is transparent, and Qt does not write GIF.
        const QString png = path + QStringLiteral(".png");
        if (!image.save(png, "PNG"))
            return {};
        return QProcess::execute(QStringLiteral("convert"), {png, path}) == 0 ? path : QString();
    }

private Q_SLOTS:
    void bandsMatchTheWholeScreen_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("pictureSize");
        QTest::addColumn<bool>("alpha");
        QTest::addColumn<int>("style");
        QTest::addColumn<Monitors>("monitors");

        for (const auto& [name, size, alpha] :
             {std::tuple{"small.jpg", QSize(70, 45), false},
              {"screen-sized.jpg", kScreen, false},
              {"reduced-while-decoding.jpg", QSize(1000, 700), false},
              {"larger.jpg", QSize(500, 260), false},
              {"transparent.gif", QSize(90, 50), true}})
            for (int style = StyleCentre; style <= StyleFill; ++style)
                for (const bool two : {false, true})
                    QTest::addRow("%s style %d on %s", name, style, two ? "two monitors" : "one")
                        << QString::fromLatin1(name) << size << alpha << style
                        << (two ? kTwoMonitors : kWholeScreen);
    }

    void bandsMatchTheWholeScreen() {
        QFETCH(QString, name);
        QFETCH(QSize, pictureSize);
        QFETCH(bool, alpha);
        QFETCH(int, style);
        QFETCH(Monitors, monitors);
        const QString path = makePicture(name, pictureSize, alpha);
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
