// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/desktop/WlrootsDesktop.h"
#include "support/EndProcess.h"
#include "support/PictureFiles.h"
#include "support/RootPixels.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <signal.h>
#include <unistd.h>

using namespace kv;

namespace {

// sway refuses to run as root: the compositor and the screenshots run as this user.
constexpr int kUnprivileged = 65534;
const QSize kScreen(320, 240);

const QColor kLeft(255, 0, 0);
const QColor kRight(0, 0, 255);
const DesktopColor kBackground = 0x00336699; // #996633
const QColor kBackgroundColour(0x99, 0x66, 0x33);

bool near(QRgb pixel, const QColor& colour) {
    return test::closeColours(QColor(pixel), colour, 7);
}

QStringList asUnprivileged(const QString& home, const QStringList& command) {
    return QStringList{QStringLiteral("--reuid=%1").arg(kUnprivileged),
                       QStringLiteral("--regid=%1").arg(kUnprivileged),
                       QStringLiteral("--clear-groups"),
                       QStringLiteral("env"),
                       QStringLiteral("-i"),
                       QStringLiteral("PATH=/usr/bin:/bin"),
                       QStringLiteral("HOME=") + home,
                       QStringLiteral("XDG_RUNTIME_DIR=") + home + QStringLiteral("/run")} +
           command;
}

} // namespace

// sway and swaybg against the real headless sway, pixels read with grim.
class TestWlrootsDesktop : public QObject {
    Q_OBJECT

    test::TestEnvironment home_;
    QTemporaryDir root_;
    QProcess sway_;
    QString socket_;

    QString home() const { return root_.filePath(QStringLiteral("home")); }
    QString runtime() const { return home() + QStringLiteral("/run"); }
    QString swayFolder() const { return home() + QStringLiteral("/cwd"); }
    QString pictures() const { return root_.filePath(QStringLiteral("pictures")); }

    static bool chownTo(const QString& path) {
        return ::chown(QFile::encodeName(path).constData(), kUnprivileged, kUnprivileged) == 0;
    }

    void startSway() {
        stopSway();
        QDir(runtime()).removeRecursively();
        QVERIFY(QDir().mkpath(runtime()));
        QVERIFY(QDir().mkpath(runtime() + QStringLiteral("/kestrovaline")));
        QVERIFY(QDir().mkpath(swayFolder()));
        for (const QString& folder :
             {home(), runtime(), runtime() + QStringLiteral("/kestrovaline"), swayFolder()})
            QVERIFY(chownTo(folder));
        QFile::setPermissions(runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner);
        QFile config(home() + QStringLiteral("/config"));
        QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
        config.write(QStringLiteral("xwayland disable\noutput * resolution %1x%2\n")
                         .arg(kScreen.width())
                         .arg(kScreen.height())
                         .toUtf8());
        config.close();

        sway_.setWorkingDirectory(swayFolder());
        sway_.setProcessChannelMode(QProcess::SeparateChannels);
        sway_.setStandardOutputFile(QProcess::nullDevice());
        sway_.setStandardErrorFile(root_.filePath(QStringLiteral("sway.log")));
        sway_.start(
            QStringLiteral("setpriv"),
            asUnprivileged(home(), {QStringLiteral("WLR_BACKENDS=headless"),
                                    QStringLiteral("WLR_LIBINPUT_NO_DEVICES=1"),
                                    QStringLiteral("WLR_RENDERER=pixman"), QStringLiteral("sway"),
                                    QStringLiteral("-c"), home() + QStringLiteral("/config")}));
        QVERIFY(sway_.waitForStarted());
        // sway names its socket after its process id once it listens.
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         const QStringList sockets = QDir(runtime()).entryList(
                             {QStringLiteral("sway-ipc.*.sock")}, QDir::System | QDir::Files);
                         socket_ = sockets.isEmpty() ? QString() : runtime() + '/' + sockets[0];
                         return !socket_.isEmpty() &&
                                QFile::exists(runtime() + QStringLiteral("/wayland-1")) &&
                                SwayDesktop::runCommand(socket_, "nop");
                     },
                     20000),
                 "headless sway did not start");
    }

    void stopSway() {
        // setpriv became sway itself (exec), so this ends sway and, with it, its swaybg.
        test::endProcess(sway_, 10000);
    }

    QImage screenshot() {
        QProcess grim;
        grim.start(QStringLiteral("setpriv"),
                   asUnprivileged(home(), {QStringLiteral("WAYLAND_DISPLAY=wayland-1"),
                                           QStringLiteral("grim"), QStringLiteral("-t"),
                                           QStringLiteral("ppm"), QStringLiteral("-")}));
        if (!grim.waitForFinished(10000) || grim.exitCode() != 0)
            return {};
        return QImage::fromData(grim.readAllStandardOutput(), "PPM");
    }

    // Waits until the screen shows the expected colours at the given points.
    bool shows(const QList<std::pair<QPoint, QColor>>& expected) {
        return QTest::qWaitFor(
            [&] {
                const QImage shot = screenshot();
                if (shot.size() != kScreen)
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
        const QString path = pictures() + QLatin1Char('/') + name;
        return test::writePlacementPicture(path, style, kLeft, kRight, orientation) ? path
                                                                                    : QString();
    }

    QList<std::pair<QPoint, QColor>> expectedFor(int style) const {
        switch (style) {
        case StyleCentre: // the picture at (140, 105)-(180, 135) on the colour
            return {{{150, 120}, kLeft}, {{170, 120}, kRight}, {{10, 10}, kBackgroundColour}};
        case StyleTile:
            return {{{10, 10}, kLeft}, {{30, 10}, kRight}, {{50, 40}, kLeft}, {{310, 230}, kRight}};
        case StyleFit: // at y 60, split at x 120, the colour above and below
            return {{{60, 120}, kLeft},
                    {{200, 120}, kRight},
                    {{160, 20}, kBackgroundColour},
                    {{160, 220}, kBackgroundColour}};
        case StyleFill: // doubled, at x -160, split at x 80
            return {
                {{40, 20}, kLeft}, {{40, 220}, kLeft}, {{100, 120}, kRight}, {{300, 230}, kRight}};
        default: // stretched over the whole screen
            return {{{40, 10}, kLeft}, {{280, 230}, kRight}, {{10, 120}, kLeft}};
        }
    }

    bool swaybgRunning(qint64 pid) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        return pid > 0 && cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("swaybg");
    }

private Q_SLOTS:
    void initTestCase() {
        for (const char* program : {"sway", "grim", "swaybg", "setpriv"})
            if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed (packages sway, grim, swaybg, "
                                                "util-linux)")
                                     .arg(QLatin1String(program))));
        if (::getuid() != 0)
            QSKIP("running sway as another user needs root here");
        QVERIFY(root_.isValid());
        QFile::setPermissions(root_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner | QFileDevice::ExeOther |
                                                QFileDevice::ReadOther);
        QVERIFY(QDir().mkpath(pictures()));
        QVERIFY(QDir().mkpath(home()));
        // The backend's runtime folder is the one sway's user can read the links in.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime()));
    }

    void cleanup() { stopSway(); }

    // Every placement, also of pictures that lie turned with an EXIF orientation: sway and
    // swaybg show files as stored, so these only come out upright through our copy.
    void swayStyles_data() {
        QTest::addColumn<bool>("swaybg");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("orientation");
        const char* const names[] = {"centre", "tile", "stretch", "fit", "fill"};
        for (int orientation : {1, 3, 6, 8})
            for (int style = StyleCentre; style <= StyleFill; ++style)
                QTest::addRow("%s, EXIF %d", names[style], orientation)
                    << false << style << orientation;
        QTest::newRow("swaybg fit") << true << 3 << 1;
        QTest::newRow("swaybg fill, EXIF 6") << true << 4 << 6;
    }

    void swayStyles() {
        QFETCH(bool, swaybg);
        QFETCH(int, style);
        QFETCH(int, orientation);
        startSway();
        qputenv("WAYLAND_DISPLAY", QFile::encodeName(runtime() + QStringLiteral("/wayland-1")));
        std::unique_ptr<RecordedDesktop> desktop;
        if (swaybg)
            desktop = std::make_unique<SwaybgDesktop>(
                QStringLiteral("wayland"), QStringLiteral("test"), QStringLiteral("wayland-1"));
        else
            desktop = std::make_unique<SwayDesktop>(socket_);
        QCOMPARE(desktop->GetDesktopWallpaperStyle(), -1);
        QCOMPARE(desktop->GetDesktopColor(), kUnknownDesktopColor);
        const QString path = picture(QStringLiteral("split $(id).jpg"), style, orientation);
        QVERIFY(!path.isEmpty());
        QVERIFY(desktop->SetDesktopWallpaper(path));
        QVERIFY(desktop->SetDesktopColor(kBackground));
        QVERIFY(desktop->SetDesktopWallpaperStyle(style));
        QVERIFY(shows(expectedFor(style)));
        QCOMPARE(desktop->GetDesktopWallpaperStyle(), style);
        QCOMPARE(desktop->GetDesktopColor(), kBackground);
        QVERIFY(!desktop->SetDesktopWallpaperStyle(5));
        // One copy at most, only for a turned picture, and gone with the next picture.
        const QStringList copies =
            QDir(DesktopRecord::runtimeFolder()).entryList({QStringLiteral("*-upright-*")});
        QCOMPARE(copies.size(), orientation == 1 ? 0 : 1);
        QVERIFY(desktop->SetDesktopWallpaper(picture(QStringLiteral("plain.png"))));
        QVERIFY(QDir(DesktopRecord::runtimeFolder())
                    .entryList({QStringLiteral("*-upright-*")})
                    .isEmpty());
        qunsetenv("WAYLAND_DISPLAY");
    }

    // sway expands the path it is given like a shell; the picture still shows and nothing runs.
    void commandSubstitutionInTheNameRunsNothing() {
        startSway();
        const QString path = picture(QStringLiteral("$(touch marker) `touch marker2` it's.png"));
        QVERIFY(!path.isEmpty());
        SwayDesktop desktop(socket_);
        QVERIFY(desktop.SetDesktopWallpaperStyle(2));
        QVERIFY(desktop.SetDesktopWallpaper(path));
        QVERIFY(shows(expectedFor(StyleStretch)));
        for (const QString& folder : {swayFolder(), home(), pictures(), QDir::currentPath()}) {
            QVERIFY2(!QFile::exists(folder + QStringLiteral("/marker")), qPrintable(folder));
            QVERIFY2(!QFile::exists(folder + QStringLiteral("/marker2")), qPrintable(folder));
        }
        // The same name handed to sway as it is does run the command: the check above can see it.
        const QString control = picture(QStringLiteral("$(touch control).png"));
        QVERIFY(SwayDesktop::runCommand(socket_,
                                        "output * bg \"" + QFile::encodeName(control) + "\" fill"));
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(swayFolder() + "/control"); }, 5000));
    }

    void swayRefusesWhatWouldNotShow() {
        startSway();
        SwayDesktop desktop(socket_);
        QVERIFY(desktop.SetDesktopWallpaper(picture(QStringLiteral("kept.png"))));
        QVERIFY(!desktop.SetDesktopWallpaper(pictures() + QStringLiteral("/absent.png")));
        QVERIFY(!desktop.SetDesktopWallpaper(pictures()));
        QVERIFY(!SwayDesktop(root_.filePath(QStringLiteral("no-socket")))
                     .SetDesktopWallpaper(picture(QStringLiteral("nowhere.png"))));
    }

    // A new sway starts from its own configuration: what we set for the previous one is not
    // what shows.
    void recordBelongsToOneSway() {
        startSway();
        QVERIFY(SwayDesktop(socket_).SetDesktopWallpaperStyle(1));
        QCOMPARE(SwayDesktop(socket_).GetDesktopWallpaperStyle(), 1);
        QCOMPARE(SwayDesktop(socket_ + QStringLiteral(".other")).GetDesktopWallpaperStyle(), -1);
    }

    // swaybg of ours: the new one starts before the old one ends, and only ours is ended.
    void swaybgReplacesOnlyItsOwn() {
        startSway();
        qputenv("WAYLAND_DISPLAY", QFile::encodeName(runtime() + QStringLiteral("/wayland-1")));
        QProcess foreign;
        foreign.start(QStringLiteral("swaybg"), {QStringLiteral("-o"), QStringLiteral("*"),
                                                 QStringLiteral("-c"), QStringLiteral("00ff00")});
        QVERIFY(foreign.waitForStarted());

        SwaybgDesktop desktop(QStringLiteral("wayland"), QStringLiteral("test"),
                              QStringLiteral("wayland-1"));
        QVERIFY(desktop.SetDesktopWallpaper(picture(QStringLiteral("bg halves $(id).png"))));
        QVERIFY(desktop.SetDesktopColor(kBackground));
        QVERIFY(desktop.SetDesktopWallpaperStyle(StyleCentre));
        QVERIFY(shows(expectedFor(StyleCentre)));
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), StyleCentre);
        QCOMPARE(desktop.GetDesktopColor(), kBackground);

        // Each change started a new swaybg and ended the previous one of ours, not the foreign.
        const qint64 centred = DesktopRecord(QStringLiteral("wayland")).read().helperPid;
        QVERIFY(swaybgRunning(centred));
        QCOMPARE(foreign.state(), QProcess::Running);
        QVERIFY(desktop.SetDesktopWallpaperStyle(StyleTile));
        QVERIFY(shows(expectedFor(StyleTile)));
        const qint64 tiled = DesktopRecord(QStringLiteral("wayland")).read().helperPid;
        QVERIFY(tiled != centred);
        QVERIFY(swaybgRunning(tiled));
        QVERIFY(QTest::qWaitFor([&] { return !swaybgRunning(centred); }, 5000));
        desktop.endHelper();
        QVERIFY(QTest::qWaitFor([&] { return !swaybgRunning(tiled); }, 5000));
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), -1);
        QCOMPARE(foreign.state(), QProcess::Running);
        QVERIFY(!desktop.SetDesktopWallpaper(pictures() + QStringLiteral("/absent.png")));
        foreign.terminate();
        foreign.waitForFinished(5000);
        qunsetenv("WAYLAND_DISPLAY");
    }
};

QTEST_GUILESS_MAIN(TestWlrootsDesktop)
#include "tst_wlroots_desktop.moc"
