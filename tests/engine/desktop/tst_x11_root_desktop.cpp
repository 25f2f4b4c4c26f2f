// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/desktop/DesktopLoader.h"
#include "engine/desktop/X11RootDesktop.h"
#include "support/XvfbServer.h"

#include <QDataStream>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <optional>

using namespace kv;

namespace {

constexpr QSize kScreen(400, 300);

struct Sample {
    QPoint at;
    QRgb rgb;
};
using Samples = QList<Sample>;

const QRgb kRed = qRgb(200, 30, 30);
const QRgb kBlue = qRgb(30, 30, 200);

// Left half red, right half blue: where each half lands tells the placement apart.
QString makeHalvesJpeg(const QString& folder, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kRed);
    QPainter(&image).fillRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height(),
                              QColor(kBlue));
    const QString path =
        QStringLiteral("%1/halves-%2x%3.jpg").arg(folder).arg(size.width()).arg(size.height());
    if (!image.save(path, "JPEG", 95))
        return {};
    return path;
}

// A BMP whose header claims a size its few bytes do not hold.
QString makeBmpHeader(const QString& path, qint32 width, qint32 height) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("BM", 2);
    out << quint32(54 + 64) << quint32(0) << quint32(54);
    out << quint32(40) << width << height << quint16(1) << quint16(24) << quint32(0) << quint32(0)
        << qint32(2835) << qint32(2835) << quint32(0) << quint32(0);
    out.writeRawData(QByteArray(64, '\x7f').constData(), 64);
    return path;
}

bool near(QRgb a, QRgb b) {
    // JPEG is lossy; flat areas stay within a few steps.
    return qAbs(qRed(a) - qRed(b)) <= 12 && qAbs(qGreen(a) - qGreen(b)) <= 12 &&
           qAbs(qBlue(a) - qBlue(b)) <= 12;
}

class X {
public:
    explicit X(const QString& display)
        : c_(xcb_connect(display.toLocal8Bit().constData(), nullptr)) {}
    ~X() { xcb_disconnect(c_); }
    xcb_connection_t* get() const { return c_; }
    xcb_screen_t* screen() const { return xcb_setup_roots_iterator(xcb_get_setup(c_)).data; }
    xcb_window_t root() const { return screen()->root; }

    xcb_atom_t atom(const char* name) const {
        auto* reply = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    }

    std::optional<quint32> pixmapAtom(const char* name) const {
        auto* reply = xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, root(), atom(name), XCB_ATOM_PIXMAP, 0, 1), nullptr);
        std::optional<quint32> value;
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 4)
            std::memcpy(&value.emplace(), xcb_get_property_value(reply), 4);
        std::free(reply);
        return value;
    }

    bool pixmapExists(quint32 pixmap) const {
        xcb_generic_error_t* error = nullptr;
        std::free(xcb_get_geometry_reply(c_, xcb_get_geometry(c_, pixmap), &error));
        std::free(error);
        return error == nullptr;
    }

    QImage rootPixels() const {
        auto* reply = xcb_get_image_reply(c_,
                                          xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, root(), 0, 0,
                                                        uint16_t(kScreen.width()),
                                                        uint16_t(kScreen.height()), ~0u),
                                          nullptr);
        QImage image;
        if (reply && xcb_get_image_data_length(reply) == kScreen.width() * kScreen.height() * 4)
            image = QImage(xcb_get_image_data(reply), kScreen.width(), kScreen.height(),
                           QImage::Format_RGB32)
                        .copy();
        std::free(reply);
        return image;
    }

private:
    xcb_connection_t* c_;
};

} // namespace

Q_DECLARE_METATYPE(Samples)

// The X11 root backend against a real X server, read back pixel by pixel.
class TestX11RootDesktop : public QObject {
    Q_OBJECT

    test::XvfbServer xvfb_;
    // Without shared memory, as on a remote display: the pixels travel in requests.
    test::XvfbServer plainXvfb_;
    QTemporaryDir folder_;
    std::unique_ptr<DesktopBackend> desktop_;
    std::unique_ptr<DesktopBackend> plainDesktop_;

    QString display() const { return xvfb_.display(); }

private Q_SLOTS:
    void initTestCase() {
        if (!xvfb_.start(kScreen.width(), kScreen.height(), 24))
            QSKIP(qPrintable(xvfb_.error()));
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("DISPLAY"), display());
        environment.insert(QStringLiteral("KESTROVALINE_DESKTOP"), QStringLiteral("x11"));
        QCOMPARE(detectDesktop(environment, {}), QStringLiteral("x11"));
        desktop_ = createDesktopBackend(QStringLiteral("x11"), environment);
        QVERIFY2(plainXvfb_.start(kScreen.width(), kScreen.height(), 24,
                                  {QStringLiteral("-extension"), QStringLiteral("MIT-SHM")}),
                 qPrintable(plainXvfb_.error()));
        environment.insert(QStringLiteral("DISPLAY"), plainXvfb_.display());
        plainDesktop_ = createDesktopBackend(QStringLiteral("x11"), environment);
    }

    // A fresh server: nothing recorded, so every option reads as different and gets applied.
    void nothingRecordedYet() {
        QCOMPARE(desktop_->GetDesktopWallpaperStyle(), -1);
        QCOMPARE(desktop_->GetDesktopColor(), kUnknownDesktopColor);
    }

    void colourWithoutPictureFillsTheScreen() {
        QVERIFY(desktop_->SetDesktopColor(0x00FF0000)); // blue, as 0x00BBGGRR
        QCOMPARE(desktop_->GetDesktopColor(), DesktopColor(0x00FF0000));
        const QImage pixels = X(display()).rootPixels();
        QCOMPARE(pixels.pixel(10, 10), qRgb(0, 0, 255));
        QCOMPARE(pixels.pixel(390, 290), qRgb(0, 0, 255));
    }

    // Set the way the engine does: the picture first, then colour and style where they differ,
    // each of which draws the recorded picture again.
    void placement_data() {
        QTest::addColumn<bool>("sharedMemory");
        QTest::addColumn<QSize>("pictureSize");
        QTest::addColumn<int>("style");
        QTest::addColumn<DesktopColor>("colour");
        QTest::addColumn<Samples>("samples");

        const QRgb green = qRgb(0, 255, 0);
        for (const bool shared : {true, false}) {
            const char* how = shared ? "shared memory" : "requests";
            QTest::addRow("%s, %s", "centre on a colour", how)
                << shared << QSize(100, 60) << 0 << DesktopColor(0x0000FF00)
                << Samples{{{10, 10}, green},   {{149, 150}, green}, {{175, 150}, kRed},
                           {{225, 150}, kBlue}, {{251, 150}, green}, {{200, 115}, green},
                           {{200, 185}, green}};
            QTest::addRow("%s, %s", "tile", how)
                << shared << QSize(100, 60) << 1 << DesktopColor(0x0000FF00)
                << Samples{{{25, 30}, kRed}, {{75, 30}, kBlue},   {{125, 30}, kRed},
                           {{25, 90}, kRed}, {{375, 270}, kBlue}, {{325, 290}, kRed}};
            QTest::addRow("%s, %s", "stretch", how)
                << shared << QSize(100, 60) << 2 << DesktopColor(0x000000FF)
                << Samples{
                       {{5, 5}, kRed}, {{190, 295}, kRed}, {{210, 5}, kBlue}, {{395, 295}, kBlue}};
            QTest::addRow("%s, %s", "centre of a picture larger than the screen", how)
                << shared << QSize(1000, 800) << 0 << DesktopColor(0x0000FF00)
                << Samples{
                       {{5, 5}, kRed}, {{190, 295}, kRed}, {{210, 5}, kBlue}, {{395, 295}, kBlue}};
            QTest::addRow("%s, %s", "tile of a picture larger than the screen", how)
                << shared << QSize(1000, 800) << 1 << DesktopColor(0x0000FF00)
                << Samples{{{5, 5}, kRed}, {{395, 295}, kRed}};
            QTest::addRow("%s, %s", "stretch of a large picture", how)
                << shared << QSize(1600, 1200) << 2 << DesktopColor(0x0000FF00)
                << Samples{
                       {{5, 5}, kRed}, {{190, 295}, kRed}, {{210, 5}, kBlue}, {{395, 295}, kBlue}};
        }
    }

    void placement() {
        QFETCH(bool, sharedMemory);
        QFETCH(QSize, pictureSize);
        QFETCH(int, style);
        QFETCH(DesktopColor, colour);
        QFETCH(Samples, samples);
        const QString picture = makeHalvesJpeg(folder_.path(), pictureSize);
        QVERIFY(!picture.isEmpty());

        DesktopBackend& desktop = sharedMemory ? *desktop_ : *plainDesktop_;

        QVERIFY(desktop.SetDesktopWallpaper(picture));
        if (desktop.GetDesktopColor() != colour)
            QVERIFY(desktop.SetDesktopColor(colour));
        if (desktop.GetDesktopWallpaperStyle() != style)
            QVERIFY(desktop.SetDesktopWallpaperStyle(style));
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), style);
        QCOMPARE(desktop.GetDesktopColor(), colour);

        const QImage pixels = X(sharedMemory ? display() : plainXvfb_.display()).rootPixels();
        QVERIFY(!pixels.isNull());
        for (const Sample& sample : samples) {
            const QRgb seen = pixels.pixel(sample.at);
            QVERIFY2(near(seen, sample.rgb), qPrintable(QStringLiteral("at %1,%2: %3 instead of %4")
                                                            .arg(sample.at.x())
                                                            .arg(sample.at.y())
                                                            .arg(seen, 6, 16)
                                                            .arg(sample.rgb, 6, 16)));
        }
    }

    // Both atoms name our pixmap, and the one we set before is freed, not leaked in the server.
    void atomsNameTheNewPixmapAndThePreviousIsFreed() {
        X x(display());
        const QString picture = makeHalvesJpeg(folder_.path(), QSize(100, 60));
        QVERIFY(desktop_->SetDesktopWallpaper(picture));
        const auto first = x.pixmapAtom("_XROOTPMAP_ID");
        QVERIFY(first);
        QCOMPARE(x.pixmapAtom("ESETROOT_PMAP_ID"), first);
        QVERIFY(x.pixmapExists(*first));

        QVERIFY(desktop_->SetDesktopWallpaper(picture));
        const auto second = x.pixmapAtom("_XROOTPMAP_ID");
        QVERIFY(second && *second != *first);
        QCOMPARE(x.pixmapAtom("ESETROOT_PMAP_ID"), second);
        QVERIFY(x.pixmapExists(*second));
        QVERIFY(!x.pixmapExists(*first));
    }

    // Another setter that kept its pixmap (both atoms name it) is ended to free it.
    void previousSetterIsEnded() {
        {
            X other(display());
            const xcb_pixmap_t pixmap = xcb_generate_id(other.get());
            xcb_create_pixmap(other.get(), other.screen()->root_depth, pixmap, other.root(), 8, 8);
            for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
                xcb_change_property(other.get(), XCB_PROP_MODE_REPLACE, other.root(),
                                    other.atom(name), XCB_ATOM_PIXMAP, 32, 1, &pixmap);
            xcb_set_close_down_mode(other.get(), XCB_CLOSE_DOWN_RETAIN_PERMANENT);
            std::free(
                xcb_get_input_focus_reply(other.get(), xcb_get_input_focus(other.get()), nullptr));
        }
        X x(display());
        const auto theirs = x.pixmapAtom("_XROOTPMAP_ID");
        QVERIFY(theirs && x.pixmapExists(*theirs));
        QVERIFY(desktop_->SetDesktopWallpaper(makeHalvesJpeg(folder_.path(), QSize(100, 60))));
        QVERIFY(!x.pixmapExists(*theirs));
    }

    // A pixmap named only by _XROOTPMAP_ID belongs to a client that did not hand it over:
    // ending that client would be ending someone else's program.
    void liveClientIsNotEnded() {
        X other(display());
        const xcb_pixmap_t pixmap = xcb_generate_id(other.get());
        xcb_create_pixmap(other.get(), other.screen()->root_depth, pixmap, other.root(), 8, 8);
        xcb_change_property(other.get(), XCB_PROP_MODE_REPLACE, other.root(),
                            other.atom("_XROOTPMAP_ID"), XCB_ATOM_PIXMAP, 32, 1, &pixmap);
        std::free(
            xcb_get_input_focus_reply(other.get(), xcb_get_input_focus(other.get()), nullptr));

        QVERIFY(desktop_->SetDesktopWallpaper(makeHalvesJpeg(folder_.path(), QSize(100, 60))));
        QVERIFY(other.pixmapExists(pixmap));
        QCOMPARE(xcb_connection_has_error(other.get()), 0);
    }

    // A setter that named its pixmap in both atoms but did not keep it leaves stale ids, and the
    // server hands its client slot (and so the same ids) to the next connection: ending the
    // "owner" of such an id would end our own connection.
    void staleAtomsOfAVanishedSetter() {
        X x(display());
        for (int attempt = 0; attempt < 3; ++attempt) {
            {
                X other(display());
                const xcb_pixmap_t pixmap = xcb_generate_id(other.get());
                xcb_create_pixmap(other.get(), other.screen()->root_depth, pixmap, other.root(), 8,
                                  8);
                for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
                    xcb_change_property(other.get(), XCB_PROP_MODE_REPLACE, other.root(),
                                        other.atom(name), XCB_ATOM_PIXMAP, 32, 1, &pixmap);
                std::free(xcb_get_input_focus_reply(other.get(), xcb_get_input_focus(other.get()),
                                                    nullptr));
            }
            // Let the server finish with the closed connection, so its slot is free.
            std::free(xcb_get_input_focus_reply(x.get(), xcb_get_input_focus(x.get()), nullptr));
            const QString picture = makeHalvesJpeg(folder_.path(), QSize(100, 60));
            QVERIFY(desktop_->SetDesktopWallpaper(picture));
            const auto ours = x.pixmapAtom("_XROOTPMAP_ID");
            QVERIFY(ours && x.pixmapExists(*ours));
        }
    }

    // The same stale ids, with the vanished setter's slot now held by an unrelated program.
    void staleAtomsDoNotEndTheProgramNowInTheirRange() {
        X x(display());
        xcb_pixmap_t stale = 0;
        {
            X other(display());
            stale = xcb_generate_id(other.get());
            xcb_create_pixmap(other.get(), other.screen()->root_depth, stale, other.root(), 8, 8);
            for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
                xcb_change_property(other.get(), XCB_PROP_MODE_REPLACE, other.root(),
                                    other.atom(name), XCB_ATOM_PIXMAP, 32, 1, &stale);
            std::free(
                xcb_get_input_focus_reply(other.get(), xcb_get_input_focus(other.get()), nullptr));
        }
        std::free(xcb_get_input_focus_reply(x.get(), xcb_get_input_focus(x.get()), nullptr));
        X bystander(display());
        const xcb_setup_t* setup = xcb_get_setup(bystander.get());
        if ((stale & ~setup->resource_id_mask) != setup->resource_id_base)
            QSKIP("the server gave the bystander another client slot");

        QVERIFY(desktop_->SetDesktopWallpaper(makeHalvesJpeg(folder_.path(), QSize(100, 60))));
        std::free(xcb_get_input_focus_reply(bystander.get(), xcb_get_input_focus(bystander.get()),
                                            nullptr));
        QCOMPARE(xcb_connection_has_error(bystander.get()), 0);
    }

    void styleOutsideRangeIsRefused_data() {
        QTest::addColumn<int>("style");
        QTest::newRow("-1") << -1;
        QTest::newRow("3") << 3;
        QTest::newRow("large") << 1000;
    }

    void styleOutsideRangeIsRefused() {
        QFETCH(int, style);
        X x(display());
        const auto before = x.pixmapAtom("_XROOTPMAP_ID");
        const int styleBefore = desktop_->GetDesktopWallpaperStyle();
        QVERIFY(!desktop_->SetDesktopWallpaperStyle(style));
        QCOMPARE(x.pixmapAtom("_XROOTPMAP_ID"), before);
        QCOMPARE(desktop_->GetDesktopWallpaperStyle(), styleBefore);
    }

    // A picture that cannot be shown is a plain failure: the screen and the record stay.
    void unusablePictureChangesNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QSize>("claimedSize");
        QTest::newRow("missing") << "missing.jpg" << QByteArray() << QSize();
        QTest::newRow("empty") << "empty.bmp" << QByteArray("") << QSize();
        QTest::newRow("text named as a picture")
            << "text-named.jpg" << QByteArray("this is not a picture\n") << QSize();
        QTest::newRow("header claiming billions of pixels")
            << "huge-header.bmp" << QByteArray() << QSize(60000, 60000);
        QTest::newRow("header needing more memory than allowed")
            << "oversized.bmp" << QByteArray() << QSize(15000, 15000);
    }

    void unusablePictureChangesNothing() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QSize, claimedSize);
        const QString path = folder_.filePath(name);
        if (claimedSize.isValid()) {
            QVERIFY(!makeBmpHeader(path, claimedSize.width(), claimedSize.height()).isEmpty());
        } else if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QVERIFY(desktop_->SetDesktopWallpaperStyle(StyleStretch));
        X x(display());
        const auto before = x.pixmapAtom("_XROOTPMAP_ID");
        const QImage pixelsBefore = x.rootPixels();

        QVERIFY(!desktop_->SetDesktopWallpaper(path));
        QCOMPARE(x.pixmapAtom("_XROOTPMAP_ID"), before);
        QVERIFY(x.rootPixels() == pixelsBefore);
        // The recorded picture is still the one a style change draws.
        QVERIFY(desktop_->SetDesktopWallpaperStyle(StyleCentre));
    }

    void unreachableDisplayFails() {
        X11RootDesktop nowhere(QByteArrayLiteral(":4095"));
        QVERIFY(!nowhere.SetDesktopWallpaper(makeHalvesJpeg(folder_.path(), QSize(10, 10))));
        QCOMPARE(nowhere.GetDesktopWallpaperStyle(), -1);
        QVERIFY(!nowhere.SetDesktopWallpaperStyle(1));
        QCOMPARE(nowhere.GetDesktopColor(), kUnknownDesktopColor);
        QVERIFY(!nowhere.SetDesktopColor(0));
    }

    void cleanupTestCase() { desktop_.reset(); }
};

QTEST_GUILESS_MAIN(TestX11RootDesktop)
#include "tst_x11_root_desktop.moc"
