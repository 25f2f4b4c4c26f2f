// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/X11RootDesktop.h"
#include "support/PictureFiles.h"
#include "support/RootPixels.h"
#include "support/XvfbServer.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <optional>

using namespace kv;

namespace {

const QColor kRed(200, 30, 30);
const QColor kBlue(30, 30, 200);

class X {
public:
    explicit X(const QString& display)
        : c_(xcb_connect(display.toLocal8Bit().constData(), nullptr)) {}
    ~X() { xcb_disconnect(c_); }
    xcb_connection_t* get() const { return c_; }
    xcb_screen_t* screen() const { return xcb_setup_roots_iterator(xcb_get_setup(c_)).data; }

    xcb_atom_t atom(const char* name) const {
        auto* reply = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    }

    std::optional<quint32> pixmapAtom(const char* name) const {
        auto* reply = xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, screen()->root, atom(name), XCB_ATOM_PIXMAP, 0, 1),
            nullptr);
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
        xcb_create_pixmap(c_, screen()->root_depth, pixmap, screen()->root, 8, 8);
        for (const char* name : atoms)
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, screen()->root, atom(name),
                                XCB_ATOM_PIXMAP, 32, 1, &pixmap);
        sync();
        return pixmap;
    }

private:
    xcb_connection_t* c_;
};

} // namespace

// The X11 root backend's own faults against a real X server: monitors, and the pixmaps that
// name the background (ours, and those of other setters).
class TestX11RootDesktop : public QObject {
    Q_OBJECT

    test::XvfbServer xvfb_;
    QTemporaryDir folder_;
    std::unique_ptr<DesktopBackend> desktop_;

    QString display() const { return xvfb_.display(); }

    // Left half red, right half blue: where each half lands tells the placement apart.
    QString halves() const {
        const QString path = folder_.filePath(QStringLiteral("halves.png"));
        return test::writeHalvesPicture(path, kRed, kBlue) ? path : QString();
    }

private Q_SLOTS:
    void initTestCase() {
        if (!xvfb_.start(400, 300, 24))
            QSKIP(qPrintable(xvfb_.error()));
        desktop_ = std::make_unique<X11RootDesktop>(display().toLocal8Bit());
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

    // A second monitor comes with a larger screen (a laptop docked) while we run: each monitor
    // shows the picture by itself, drawn again within about a second.
    void dockedMonitorShowsThePictureByItself() {
        test::XvfbServer server;
        QVERIFY2(server.start(2560, 1024, 24), qPrintable(server.error()));
        const auto xrandr = [&server](const QString& arguments) { // none holds a space
            QProcess tool;
            tool.start(QStringLiteral("env"),
                       QStringList{"DISPLAY=" + server.display(), "xrandr"} + arguments.split(' '));
            return tool.waitForFinished(10000) && tool.exitCode() == 0;
        };
        // The laptop's screen alone, unlike either monitor later, so the old background repeated
        // across the larger screen would not pass for the new one.
        QVERIFY(xrandr(QStringLiteral("--newmode laptop 0 1000 0 0 0 1024 0 0 0")));
        QVERIFY(xrandr(QStringLiteral("--addmode screen laptop")));
        QVERIFY(xrandr(QStringLiteral("--output screen --mode laptop --fb 1000x1024")));
        X11RootDesktop desktop(server.display().toLocal8Bit());
        QCOMPARE(desktop.ShowWallpaper(halves(), 0x00606060, StyleStretch), ShowResult::Shown);
        QVERIFY(xrandr(QStringLiteral("--setmonitor M0 1000/300x1024/250+0+0 screen")));
        QVERIFY(xrandr(QStringLiteral("--setmonitor M1 1560/300x1024/250+1000+0 none")));
        QVERIFY(xrandr(QStringLiteral("--fb 2560x1024 --output screen --mode 2560x1024")));
        const auto shows = [&] {
            const QImage pixels = test::readRootPixels(server.display());
            for (const auto& [x, rgb] :
                 {std::pair{250, kRed}, {750, kBlue}, {1700, kRed}, {2170, kBlue}})
                if (pixels.width() != 2560 ||
                    !test::closeColours(QColor(pixels.pixel(x, 512)), rgb, 12))
                    return false;
            return true;
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
        QVERIFY(test::WritePictureFixtures(folder_.path()));
        for (const char* name :
             {"missing.jpg", "empty.bmp", "text-named.jpg", "huge.bmp", "truncated.jpg"})
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
