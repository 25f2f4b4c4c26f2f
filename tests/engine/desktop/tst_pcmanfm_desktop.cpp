// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/desktop/PcmanfmDesktop.h"
#include "support/EndProcess.h"
#include "support/PictureFiles.h"
#include "support/RootPixels.h"
#include "support/SessionBus.h"
#include "support/TestEnvironment.h"
#include "support/XvfbServer.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {

const QSize kScreen(320, 240);
const QColor kLeft(255, 0, 0);
const QColor kRight(0, 0, 255);

bool near(QRgb pixel, const QColor& colour) {
    return test::closeColours(QColor(pixel), colour, 7);
}

} // namespace

// The LXQt and LXDE backends against the real pcmanfm-qt and pcmanfm desktops under Xvfb, on a
// private session bus, checked by the root window's pixels.
class TestPcmanfmDesktop : public QObject {
    Q_OBJECT

    test::TestEnvironment home_;
    test::SessionBus bus_;
    test::XvfbServer xvfb_;
    QTemporaryDir pictures_;
    QProcess desktop_;

    QProcessEnvironment childEnvironment() const {
        QProcessEnvironment environment = home_.processEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), xvfb_.display());
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus_.address());
        environment.insert(QStringLiteral("HOME"), home_.root());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return environment;
    }

    void startDesktop(const QString& program) {
        stopDesktop();
        desktop_.setProcessEnvironment(childEnvironment());
        desktop_.setProcessChannelMode(QProcess::SeparateChannels);
        desktop_.setStandardOutputFile(QProcess::nullDevice());
        desktop_.setStandardErrorFile(QProcess::nullDevice());
        desktop_.start(program, {QStringLiteral("--desktop")});
        QVERIFY(desktop_.waitForStarted());
    }

    void stopDesktop() { test::endProcess(desktop_, 10000); }

    QImage screenshot() {
        QProcess xwd, convert;
        xwd.setStandardOutputProcess(&convert);
        xwd.start(QStringLiteral("xwd"), {QStringLiteral("-root"), QStringLiteral("-silent"),
                                          QStringLiteral("-display"), xvfb_.display()});
        convert.start(QStringLiteral("convert"),
                      {QStringLiteral("xwd:-"), QStringLiteral("png:-")});
        xwd.waitForFinished(10000);
        if (!convert.waitForFinished(10000))
            return {};
        return QImage::fromData(convert.readAllStandardOutput(), "PNG");
    }

    // Every point lies right of the column where a desktop puts its icons (the trash, mounted
    // volumes): what the machine's packages show there must not decide the test.
    bool shows(int style) {
        QList<std::pair<QPoint, QColor>> expected;
        if (style == StyleCentre) // the picture at (140, 105)-(180, 135)
            expected = {{{150, 120}, kLeft}, {{170, 120}, kRight}};
        else if (style == StyleTile) // 40 x 30 tiles from the top-left corner
            expected = {
                {{250, 10}, kLeft}, {{270, 10}, kRight}, {{210, 40}, kLeft}, {{310, 230}, kRight}};
        else if (style == StyleFit) // at y 60, split at x 120
            expected = {{{100, 120}, kLeft}, {{200, 120}, kRight}};
        else if (style == StyleFill) // doubled, at x -160, split at x 80
            expected = {{{60, 230}, kLeft}, {{100, 120}, kRight}, {{300, 120}, kRight}};
        else
            expected = {{{140, 10}, kLeft}, {{280, 230}, kRight}, {{130, 200}, kLeft}};
        // Centred and fitted mean only there: these points show the background.
        const QList<QPoint> bare = style == StyleCentre ? QList<QPoint>{{310, 10}}
                                   : style == StyleFit  ? QList<QPoint>{{160, 20}, {160, 220}}
                                                        : QList<QPoint>{};
        return QTest::qWaitFor(
            [&] {
                const QImage shot = screenshot();
                if (shot.size() != kScreen)
                    return false;
                for (const QPoint& point : bare)
                    if (near(shot.pixel(point), kLeft) || near(shot.pixel(point), kRight))
                        return false;
                for (const auto& [point, colour] : expected)
                    if (!near(shot.pixel(point), colour))
                        return false;
                return true;
            },
            10000);
    }

    // Left half red, right half blue; for fit and fill a wider picture split off centre.
    QString picture(const QString& name, int style = StyleStretch, int orientation = 1) {
        const QString path = pictures_.filePath(name);
        return test::writePlacementPicture(path, style, kLeft, kRight, orientation) ? path
                                                                                    : QString();
    }

    void requirePrograms(const char* program) {
        for (const char* tool : {program, "xwd", "convert"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed (packages pcmanfm-qt, "
                                                "pcmanfm, x11-apps, imagemagick)")
                                     .arg(QLatin1String(tool))));
    }

    // Both show files as stored: a picture turned by EXIF comes out upright only through our
    // copy. pcmanfm-qt's call has no fill: it keeps its previous mode for one it does not know.
    void addStyles(bool fillOffered) {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("offered");
        QTest::addColumn<int>("orientation");
        QTest::newRow("centre") << 0 << true << 1;
        QTest::newRow("tile") << 1 << true << 1;
        QTest::newRow("stretch") << 2 << true << 1;
        QTest::newRow("fit") << 3 << true << 1;
        QTest::newRow("fill") << 4 << fillOffered << 1;
        QTest::newRow("centre, EXIF 6") << 0 << true << 6;
        QTest::newRow("fit, EXIF 8") << 3 << true << 8;
    }

private Q_SLOTS:
    void initTestCase() {
        if (!bus_.start())
            QSKIP(qPrintable(bus_.error()));
        if (!xvfb_.start(kScreen.width(), kScreen.height()))
            QSKIP(qPrintable(xvfb_.error()));
        QVERIFY(pictures_.isValid());
    }

    void cleanup() { stopDesktop(); }

    void lxqtStyles_data() { addStyles(false); }

    void lxqtStyles() {
        QFETCH(int, style);
        QFETCH(bool, offered);
        QFETCH(int, orientation);
        requirePrograms("pcmanfm-qt");
        LxqtDesktop desktop(xvfb_.display());
        const QString path = picture(QStringLiteral("it's $(id) #1.jpg"), style, orientation);
        // Without its desktop pcmanfm-qt would take the picture and show nothing.
        QVERIFY(!desktop.SetDesktopWallpaper(path));
        startDesktop(QStringLiteral("pcmanfm-qt"));
        QVERIFY(QTest::qWaitFor([] { return LxqtDesktop::desktopRunning(); }, 20000));
        QVERIFY(desktop.SetDesktopWallpaper(path));
        QVERIFY(desktop.SetDesktopWallpaperStyle(StyleStretch));
        QCOMPARE(desktop.SetDesktopWallpaperStyle(style), offered);
        QVERIFY(shows(offered ? style : StyleStretch));
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), offered ? style : StyleStretch);
        QVERIFY(!desktop.SetDesktopWallpaperStyle(5));
        // Its next start shows the picture the same way: it saves no mode of its own.
        const char* const modes[] = {"center", "tile", "stretch", "fit"};
        QCOMPARE(QSettings(desktop.settingsFile(), QSettings::IniFormat)
                     .value(QStringLiteral("Desktop/WallpaperMode"))
                     .toString(),
                 QLatin1String(modes[offered ? style : StyleStretch]));
    }

    // pcmanfm-qt saves its own settings with every picture; the colour we set stays in them.
    void lxqtColour() {
        requirePrograms("pcmanfm-qt");
        startDesktop(QStringLiteral("pcmanfm-qt"));
        QVERIFY(QTest::qWaitFor([] { return LxqtDesktop::desktopRunning(); }, 20000));
        LxqtDesktop desktop(xvfb_.display());
        QVERIFY(desktop.SetDesktopColor(0x00336699));
        QVERIFY(desktop.SetDesktopWallpaper(picture(QStringLiteral("colour.png"))));
        QCOMPARE(desktop.GetDesktopColor(), DesktopColor(0x00336699));
        QCOMPARE(QSettings(desktop.settingsFile(), QSettings::IniFormat)
                     .value(QStringLiteral("Desktop/BgColor"))
                     .toString(),
                 QStringLiteral("#996633"));
        QVERIFY(!desktop.SetDesktopWallpaper(pictures_.filePath(QStringLiteral("absent.png"))));
    }

    void lxdeStyles_data() { addStyles(true); }

    void lxdeStyles() {
        QFETCH(int, style);
        QFETCH(int, orientation);
        requirePrograms("pcmanfm");
        LxdeDesktop desktop(xvfb_.display());
        const QString path = picture(QStringLiteral("-it's $(id) #1.jpg"), style, orientation);
        // Without its desktop the command would open an error window: it is not even run.
        QVERIFY(!desktop.desktopRunning());
        QVERIFY(!desktop.SetDesktopWallpaper(path));
        startDesktop(QStringLiteral("pcmanfm"));
        QVERIFY(QTest::qWaitFor([&] { return desktop.desktopRunning(); }, 20000));
        QVERIFY(desktop.SetDesktopWallpaper(path));
        QVERIFY(desktop.SetDesktopWallpaperStyle(style));
        QVERIFY(shows(style));
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), style);
    }

    void lxdeColour() {
        requirePrograms("pcmanfm");
        startDesktop(QStringLiteral("pcmanfm"));
        LxdeDesktop desktop(xvfb_.display());
        QVERIFY(QTest::qWaitFor([&] { return desktop.desktopRunning(); }, 20000));
        QVERIFY(desktop.SetDesktopColor(0x00336699));
        QCOMPARE(desktop.GetDesktopColor(), DesktopColor(0x00336699));
        QFile settings(desktop.settingsFile());
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QVERIFY(settings.readAll().contains("\ndesktop_bg=#996633\n"));
        settings.close();
        QVERIFY(desktop.SetDesktopWallpaperStyle(StyleCentre));
        QVERIFY(desktop.SetDesktopWallpaper(picture(QStringLiteral("after.png"))));
        QVERIFY(shows(StyleCentre));
        // pcmanfm has shown the new picture, so it has saved its settings: our colour is still
        // in them.
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QVERIFY(settings.readAll().contains("\ndesktop_bg=#996633\n"));
        settings.close();
        QVERIFY(!desktop.SetDesktopWallpaper(pictures_.filePath(QStringLiteral("absent.png"))));
    }
};

QTEST_GUILESS_MAIN(TestPcmanfmDesktop)
#include "tst_pcmanfm_desktop.moc"
