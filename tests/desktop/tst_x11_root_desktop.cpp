// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/X11RootDesktop.h"
#include "support/PictureFiles.h"
#include "support/RootPixels.h"
#include "support/XvfbServer.h"

#include <QDataStream>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include <algorithm>
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
    return image.save(path, "JPEG", 95) ? path : QString();
}

const QRgb kGrey = qRgb(0x60, 0x60, 0x60);
constexpr DesktopColor kGreyColour = 0x00606060;

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

// JPEG is lossy; flat areas stay within a few steps.
bool near(QRgb a, QRgb b) {
    return test::closeColours(QColor(a), QColor(b), 12);
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

    void sync() const {
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    }

    // Names an 8 x 8 pixmap of this connection as the root's background in the given atoms.
    xcb_pixmap_t nameRootPixmap(std::initializer_list<const char*> atoms) const {
        const xcb_pixmap_t pixmap = xcb_generate_id(c_);
        xcb_create_pixmap(c_, screen()->root_depth, pixmap, root(), 8, 8);
        for (const char* name : atoms)
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, root(), atom(name), XCB_ATOM_PIXMAP, 32,
                                1, &pixmap);
        sync();
        return pixmap;
    }

    // From now on the root's property changes come to this connection as events.
    void watchRootProperties() {
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(c_, root(), XCB_CW_EVENT_MASK, &mask);
        sync();
    }
    // How often the named root property changed since the last call.
    int propertyChanges(const char* name) {
        sync();
        const xcb_atom_t wanted = atom(name);
        int changes = 0;
        while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
            if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
                reinterpret_cast<xcb_property_notify_event_t*>(event)->atom == wanted)
                ++changes;
            std::free(event);
        }
        return changes;
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
    // Without shared memory, as on a remote display: the pixels travel in requests. Without
    // RandR too: the whole screen is one monitor.
    test::XvfbServer plainXvfb_;
    QTemporaryDir folder_;
    std::unique_ptr<DesktopBackend> desktop_;
    std::unique_ptr<DesktopBackend> plainDesktop_;

    QString display() const { return xvfb_.display(); }
    QString halves() const { return makeHalvesJpeg(folder_.path(), QSize(100, 60)); }

private Q_SLOTS:
    void initTestCase() {
        if (!xvfb_.start(kScreen.width(), kScreen.height(), 24))
            QSKIP(qPrintable(xvfb_.error()));
        QVERIFY2(plainXvfb_.start(kScreen.width(), kScreen.height(), 24,
                                  {"-extension", "MIT-SHM", "-extension", "RANDR"}),
                 qPrintable(plainXvfb_.error()));
        desktop_ = std::make_unique<X11RootDesktop>(display().toLocal8Bit());
        plainDesktop_ = std::make_unique<X11RootDesktop>(plainXvfb_.display().toLocal8Bit());
    }

    // A fresh server has nothing recorded, so every option reads as different and gets applied.
    void colourWithoutPictureFillsTheScreen() {
        QCOMPARE(desktop_->GetDesktopWallpaperStyle(), -1);
        QCOMPARE(desktop_->GetDesktopColor(), kUnknownDesktopColor);
        QVERIFY(desktop_->SetDesktopColor(0x00FF0000)); // blue, as 0x00BBGGRR
        QCOMPARE(desktop_->GetDesktopColor(), DesktopColor(0x00FF0000));
        const QImage pixels = test::readRootPixels(display());
        QCOMPARE(pixels.pixel(10, 10), qRgb(0, 0, 255));
        QCOMPARE(pixels.pixel(390, 290), qRgb(0, 0, 255));
    }

    // Pictures larger than the screen, reduced while decoding, sent through shared memory or in
    // requests: one change draws once, however many of picture, colour and style changed.
    void placement_data() {
        QTest::addColumn<bool>("sharedMemory");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<int>("style");
        QTest::addColumn<Samples>("samples");
        const QString large = makeHalvesJpeg(folder_.path(), QSize(1000, 800));
        const QString larger = makeHalvesJpeg(folder_.path(), QSize(1600, 1200));
        const Samples halves{
            {{5, 5}, kRed}, {{190, 295}, kRed}, {{210, 5}, kBlue}, {{395, 295}, kBlue}};
        for (const bool shared : {true, false}) {
            const char* how = shared ? "shared memory" : "requests";
            QTest::addRow("centre, %s", how) << shared << large << 0 << halves;
            QTest::addRow("tile, %s", how)
                << shared << large << 1 << Samples{{{5, 5}, kRed}, {{395, 295}, kRed}};
            QTest::addRow("stretch, %s", how) << shared << larger << 2 << halves;
        }
    }

    void placement() {
        QFETCH(bool, sharedMemory);
        QFETCH(QString, picture);
        QFETCH(int, style);
        QFETCH(Samples, samples);
        QVERIFY(!picture.isEmpty());

        DesktopBackend& desktop = sharedMemory ? *desktop_ : *plainDesktop_;
        X x(sharedMemory ? display() : plainXvfb_.display());
        x.watchRootProperties();
        const DesktopColor colour = desktop.GetDesktopColor() == 0 ? 0x00FF00 : 0;
        QCOMPARE(desktop.ShowWallpaper(picture, colour, style), ShowResult::Shown);
        QCOMPARE(x.propertyChanges("_XROOTPMAP_ID"), 1);
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), style);
        QCOMPARE(desktop.GetDesktopColor(), colour);

        const QImage pixels = test::readRootPixels(sharedMemory ? display() : plainXvfb_.display());
        QVERIFY(!pixels.isNull());
        for (const Sample& sample : samples)
            QVERIFY2(near(pixels.pixel(sample.at), sample.rgb),
                     qPrintable(QStringLiteral("%1 at %2,%3")
                                    .arg(pixels.pixel(sample.at), 6, 16)
                                    .arg(sample.at.x())
                                    .arg(sample.at.y())));
    }

    // Each monitor shows the picture by itself: two side by side, and a second one that comes
    // with a larger screen (a laptop docked) while we run, drawn again within about a second.
    void monitors_data() {
        QTest::addColumn<bool>("docked");
        QTest::addColumn<QList<QRect>>("monitors");
        QTest::addColumn<int>("style");
        QTest::addColumn<Samples>("samples");
        // The 100 x 60 halves.
        const QList<QRect> sideBySide{QRect(0, 0, 1280, 1024), QRect(1280, 0, 1280, 1024)};
        QTest::newRow("side by side, stretch") << false << sideBySide << 2
                                               << Samples{{{320, 512}, kRed},
                                                          {{960, 512}, kBlue},
                                                          {{1600, 512}, kRed},
                                                          {{2240, 512}, kBlue}};
        QTest::newRow("side by side, centre")
            << false << sideBySide << 0
            << Samples{{{615, 512}, kRed},   {{665, 512}, kBlue},  {{1895, 512}, kRed},
                       {{1945, 512}, kBlue}, {{1280, 512}, kGrey}, {{100, 100}, kGrey}};
        // Unlike the laptop's, so the old background repeated across the larger screen would
        // not pass for the new one.
        QTest::newRow("docked at run time, stretch")
            << true << QList<QRect>{QRect(0, 0, 1000, 1024), QRect(1000, 0, 1560, 1024)} << 2
            << Samples{{{250, 512}, kRed},
                       {{750, 512}, kBlue},
                       {{1700, 512}, kRed},
                       {{2170, 512}, kBlue}};
    }

    void monitors() {
        QFETCH(bool, docked);
        QFETCH(QList<QRect>, monitors);
        QFETCH(int, style);
        QFETCH(Samples, samples);
        test::XvfbServer server;
        QVERIFY2(server.start(2560, 1024, 24), qPrintable(server.error()));
        // Its arguments in one text: none of them holds a space.
        const auto xrandr = [&server](const QString& arguments) {
            QProcess tool;
            tool.start(QStringLiteral("env"),
                       QStringList{"DISPLAY=" + server.display(), "xrandr"} + arguments.split(' '));
            return tool.waitForFinished(10000) && tool.exitCode() == 0;
        };
        const auto setMonitors = [&] {
            for (qsizetype i = 0; i < monitors.size(); ++i)
                if (!xrandr(QStringLiteral("--setmonitor M%1 %2/300x%3/250+%4+%5 %6")
                                .arg(i)
                                .arg(monitors[i].width())
                                .arg(monitors[i].height())
                                .arg(monitors[i].x())
                                .arg(monitors[i].y())
                                .arg(i == 0 ? "screen" : "none")))
                    return false;
            return true;
        };
        const QSize laptop = monitors.first().size();
        if (docked) { // the laptop's own screen alone
            QVERIFY(xrandr(QStringLiteral("--newmode laptop 0 %1 0 0 0 %2 0 0 0")
                               .arg(laptop.width())
                               .arg(laptop.height())));
            QVERIFY(xrandr(QStringLiteral("--addmode screen laptop")));
            QVERIFY(xrandr(QStringLiteral("--output screen --mode laptop --fb %1x%2")
                               .arg(laptop.width())
                               .arg(laptop.height())));
        } else {
            QVERIFY(setMonitors());
        }
        X11RootDesktop desktop(server.display().toLocal8Bit());
        QCOMPARE(desktop.ShowWallpaper(halves(), kGreyColour, style), ShowResult::Shown);
        if (docked) {
            QVERIFY(setMonitors());
            QVERIFY(xrandr(QStringLiteral("--fb 2560x1024 --output screen --mode 2560x1024")));
        }
        const auto shows = [&] {
            const QImage pixels = test::readRootPixels(server.display());
            return pixels.width() == 2560 &&
                   std::all_of(samples.begin(), samples.end(), [&](const Sample& sample) {
                       return near(pixels.pixel(sample.at), sample.rgb);
                   });
        };
        QTRY_VERIFY_WITH_TIMEOUT(shows(), 1500);
    }

    // Both atoms name our pixmap, and the one we set before is freed, not leaked in the server.
    void atomsNameTheNewPixmapAndThePreviousIsFreed() {
        X x(display());
        std::optional<quint32> previous;
        for (int change = 0; change < 2; ++change) {
            QVERIFY(desktop_->SetDesktopWallpaper(halves()));
            const auto ours = x.pixmapAtom("_XROOTPMAP_ID");
            QVERIFY(ours && ours != previous && x.pixmapExists(*ours));
            QCOMPARE(x.pixmapAtom("ESETROOT_PMAP_ID"), ours);
            QVERIFY(!previous || !x.pixmapExists(*previous));
            previous = ours;
        }
    }

    // Another setter that kept its pixmap (both atoms name it) is ended to free it.
    void previousSetterIsEnded() {
        xcb_pixmap_t theirs = 0;
        {
            X other(display());
            theirs = other.nameRootPixmap({"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"});
            xcb_set_close_down_mode(other.get(), XCB_CLOSE_DOWN_RETAIN_PERMANENT);
            other.sync();
        }
        X x(display());
        QVERIFY(x.pixmapExists(theirs));
        QVERIFY(desktop_->SetDesktopWallpaper(halves()));
        QVERIFY(!x.pixmapExists(theirs));
    }

    // A pixmap named only by _XROOTPMAP_ID belongs to a client that did not hand it over:
    // ending that client would be ending someone else's program. Nor does our picture show then.
    void liveClientIsNotEnded() {
        const QString picture = halves();
        QCOMPARE(desktop_->ShowWallpaper(picture, 0, StyleCentre), ShowResult::Shown);
        QVERIFY(!desktop_->forgotWallpaper(picture));
        X other(display());
        const xcb_pixmap_t pixmap = other.nameRootPixmap({"_XROOTPMAP_ID"});
        QVERIFY(desktop_->forgotWallpaper(picture));
        QVERIFY(desktop_->SetDesktopWallpaper(picture));
        QVERIFY(other.pixmapExists(pixmap));
        QCOMPARE(xcb_connection_has_error(other.get()), 0);
    }

    // A setter that named its pixmap in both atoms but did not keep it leaves stale ids, and the
    // server hands its client slot (and so the same ids) to the next connection: ending the
    // "owner" of such an id would end our own connection, or an unrelated program's.
    void staleAtomsOfAVanishedSetter_data() {
        QTest::addColumn<bool>("bystander");
        QTest::newRow("our next connection") << false;
        QTest::newRow("a program now in their range") << true;
    }

    void staleAtomsOfAVanishedSetter() {
        QFETCH(bool, bystander);
        X x(display());
        for (int attempt = 0; attempt < 3; ++attempt) {
            const xcb_pixmap_t stale =
                X(display()).nameRootPixmap({"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"});
            x.sync(); // the server has finished with the closed connection: its slot is free
            std::optional<X> other;
            if (bystander) {
                const xcb_setup_t* setup = xcb_get_setup(other.emplace(display()).get());
                if ((stale & ~setup->resource_id_mask) != setup->resource_id_base)
                    QSKIP("the server gave the bystander another client slot");
            }
            QVERIFY(desktop_->SetDesktopWallpaper(halves()));
            if (other) {
                other->sync();
                QCOMPARE(xcb_connection_has_error(other->get()), 0);
            }
            const auto ours = x.pixmapAtom("_XROOTPMAP_ID");
            QVERIFY(ours && x.pixmapExists(*ours));
        }
    }

    // A picture that cannot be shown is a plain failure: the screen and the record stay.
    void unusablePictureChangesNothing_data() {
        QTest::addColumn<QString>("name");
        // The support fixtures: empty, text named as a picture, a header claiming billions of
        // pixels, a JPEG cut off in its data (the drawing's decode is the test decode, and keeps
        // its verdict); and a header needing more memory than allowed.
        QVERIFY(test::WritePictureFixtures(folder_.path()));
        QVERIFY(!makeBmpHeader(folder_.filePath(QStringLiteral("oversized.bmp")), 15000, 15000)
                     .isEmpty());
        for (const char* name : {"missing.jpg", "empty.bmp", "text-named.jpg", "huge.bmp",
                                 "truncated.jpg", "oversized.bmp"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void unusablePictureChangesNothing() {
        QFETCH(QString, name);
        const QString path = folder_.filePath(name);
        QVERIFY(desktop_->SetDesktopWallpaperStyle(StyleStretch));
        X x(display());
        const auto before = x.pixmapAtom("_XROOTPMAP_ID");
        const QImage pixelsBefore = test::readRootPixels(display());

        QVERIFY(!desktop_->SetDesktopWallpaper(path));
        QCOMPARE(desktop_->ShowWallpaper(path, 0, StyleTile), ShowResult::NotAPicture);
        QCOMPARE(x.pixmapAtom("_XROOTPMAP_ID"), before);
        QVERIFY(test::readRootPixels(display()) == pixelsBefore);
        // The recorded picture is still the one a style change draws.
        QVERIFY(desktop_->SetDesktopWallpaperStyle(StyleCentre));
    }

    void cleanupTestCase() { desktop_.reset(); }
};

QTEST_GUILESS_MAIN(TestX11RootDesktop)
#include "tst_x11_root_desktop.moc"
