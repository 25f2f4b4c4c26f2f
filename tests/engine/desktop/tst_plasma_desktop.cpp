// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/desktop/DesktopLoader.h"
#include "engine/desktop/PlasmaDesktop.h"
#include "support/EndProcess.h"
#include "support/SessionBus.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace kv;

namespace {

// Two desktops: one on another wallpaper plugin, one on the image plugin with Plasma's default
// fill mode (crop).
const char* const kSeed = R"({"desktops": [
  {"plugin": "org.kde.slideshow", "config": {}},
  {"plugin": "org.kde.image", "config": {"Wallpaper/org.kde.image/General": {"FillMode": 2}}}
]})";

QString fakePath() {
    return qEnvironmentVariable("KV_BUILD_DIR") + QStringLiteral("/tests/fake_plasmashell");
}

} // namespace

// The KDE backend against a stand-in shell that really runs the scripts it is sent.
class TestPlasmaDesktop : public QObject {
    Q_OBJECT

    test::TestEnvironment home_;
    test::SessionBus bus_;
    QTemporaryDir folder_;
    QProcess shell_;

    QString statePath() const { return folder_.filePath(QStringLiteral("shell.json")); }

    void launchShell(const QStringList& options, const char* seed) {
        stopShell();
        QFile state(statePath());
        QVERIFY(state.open(QIODevice::WriteOnly | QIODevice::Truncate));
        state.write(seed);
        state.close();
        shell_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        shell_.start(fakePath(), QStringList{QStringLiteral("--state"), statePath()} + options);
    }

    void startShell(const QStringList& options = {}, const char* seed = kSeed) {
        launchShell(options, seed);
        QVERIFY2(shell_.waitForReadyRead(20000), "the stand-in shell did not start");
        QCOMPARE(shell_.readAllStandardOutput().trimmed(), QByteArray("ready"));
    }

    void stopShell() { test::endProcess(shell_); }

    QJsonObject model() const {
        QFile state(statePath());
        if (!state.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(state.readAll()).object();
    }

    QJsonArray desktops() const { return model().value(QLatin1String("desktops")).toArray(); }

    static QJsonValue configOf(const QJsonValue& desktop, const QString& plugin,
                               const QString& key) {
        return desktop.toObject()
            .value(QLatin1String("config"))
            .toObject()
            .value(QStringLiteral("Wallpaper/%1/General").arg(plugin))
            .toObject()
            .value(key);
    }

    QString picture(const QString& name) {
        const QString path = folder_.filePath(name);
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        if (!image.save(path, "PNG"))
            return {};
        return path;
    }

private Q_SLOTS:
    void initTestCase() {
        if (!QFile::exists(fakePath()))
            QSKIP("the stand-in shell was not built (package qt6-declarative-dev)");
        if (!bus_.start())
            QSKIP(qPrintable(bus_.error()));
        QVERIFY(folder_.isValid());
    }

    void cleanup() { stopShell(); }

    void cleanupTestCase() { stopShell(); }

    // File names that would end a naively quoted string literal, the line, or the URL, come
    // back exactly and run nothing: the model still has its two desktops, both on the picture.
    void awkwardNamesRoundTrip_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("quote") << QStringLiteral("it's.png");
        QTest::newRow("double quote") << QStringLiteral("say \"hi\".png");
        QTest::newRow("backslash") << QStringLiteral("back\\slash\\u0027.png");
        QTest::newRow("backtick") << QStringLiteral("tick`id`.png");
        QTest::newRow("command substitution") << QStringLiteral("$(id).png");
        QTest::newRow("template") << QStringLiteral("${kvModel.desktops = []}.png");
        QTest::newRow("script breakout")
            << QStringLiteral("'); kvModel.desktops.length = 0; print('.png");
        QTest::newRow("newline") << QStringLiteral("two\nlines.png");
        QTest::newRow("line separator") << QStringLiteral("sep\u2028arated.png");
        QTest::newRow("hash and percent") << QStringLiteral("#1 at 100%25.png");
        QTest::newRow("non-ASCII") << QStringLiteral("Ærø 東京 🌄.png");
    }

    void awkwardNamesRoundTrip() {
        QFETCH(QString, name);
        startShell();
        const QString path = picture(name);
        QVERIFY(!path.isEmpty());
        PlasmaDesktop desktop;
        QVERIFY(desktop.SetDesktopWallpaper(path));
        const QJsonArray all = desktops();
        QCOMPARE(all.size(), 2);
        for (const QJsonValue& one : all) {
            QCOMPARE(one.toObject().value(QLatin1String("plugin")).toString(),
                     QStringLiteral("org.kde.image"));
            const QString url =
                configOf(one, QStringLiteral("org.kde.image"), QStringLiteral("Image")).toString();
            QCOMPARE(QUrl(url).toLocalFile(), path);
        }
    }

    void styles_data() {
        QTest::addColumn<bool>("tiledPlugin");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("plugin");
        QTest::addColumn<int>("fillMode"); // -1: not looked at
        QTest::newRow("centre") << false << 0 << "org.kde.image" << 6;
        QTest::newRow("tile") << false << 1 << "org.kde.image" << 3;
        QTest::newRow("stretch") << false << 2 << "org.kde.image" << 0;
        QTest::newRow("fit") << false << 3 << "org.kde.image" << 1;
        QTest::newRow("fill") << false << 4 << "org.kde.image" << 2;
        QTest::newRow("centre, Plasma 6.6") << true << 0 << "org.kde.image" << 6;
        QTest::newRow("tile, Plasma 6.6") << true << 1 << "org.kde.tiled" << -1;
        QTest::newRow("stretch, Plasma 6.6") << true << 2 << "org.kde.image" << 0;
        QTest::newRow("fit, Plasma 6.6") << true << 3 << "org.kde.image" << 1;
        QTest::newRow("fill, Plasma 6.6") << true << 4 << "org.kde.image" << 2;
    }

    // Each style reads back as itself, and the picture stays when tiling moves a desktop to the
    // tiling plugin and back.
    void styles() {
        QFETCH(bool, tiledPlugin);
        QFETCH(int, style);
        QFETCH(QString, plugin);
        QFETCH(int, fillMode);
        startShell(tiledPlugin ? QStringList{QStringLiteral("--tiled")} : QStringList{});
        const QString path = picture(QStringLiteral("style.png"));
        PlasmaDesktop desktop;
        QVERIFY(desktop.SetDesktopWallpaper(path));
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), -1); // crop and another plugin
        // From tile to the wanted style, so that leaving the tiling plugin is covered too.
        QVERIFY(desktop.SetDesktopWallpaperStyle(1));
        QVERIFY(desktop.SetDesktopWallpaperStyle(style));
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), style);
        for (const QJsonValue& one : desktops()) {
            QCOMPARE(one.toObject().value(QLatin1String("plugin")).toString(), plugin);
            QCOMPARE(QUrl(configOf(one, plugin, QStringLiteral("Image")).toString()).toLocalFile(),
                     path);
            if (fillMode >= 0)
                QCOMPARE(configOf(one, plugin, QStringLiteral("FillMode")).toInt(), fillMode);
        }
        // Setting a new picture keeps the tiling plugin.
        const QString other = picture(QStringLiteral("other.png"));
        QVERIFY(desktop.SetDesktopWallpaper(other));
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), style);
    }

    void stylesOutsideTheRangeAreRefused() {
        startShell();
        PlasmaDesktop desktop;
        const int before = model().value(QLatin1String("scripts")).toInt();
        QVERIFY(!desktop.SetDesktopWallpaperStyle(5));
        QVERIFY(!desktop.SetDesktopWallpaperStyle(-1));
        QCOMPARE(model().value(QLatin1String("scripts")).toInt(), before);
    }

    void fillModesOfOtherKindsReadAsUnknown() {
        startShell({}, R"({"desktops": [{"plugin": "org.kde.image", "config":
            {"Wallpaper/org.kde.image/General": {"FillMode": 4}}}]})");
        QCOMPARE(PlasmaDesktop().GetDesktopWallpaperStyle(), -1);
    }

    void desktopsThatDisagreeReadAsUnknown() {
        startShell({}, R"({"desktops": [
            {"plugin": "org.kde.image", "config": {"Wallpaper/org.kde.image/General": {"FillMode": 6}}},
            {"plugin": "org.kde.image", "config": {"Wallpaper/org.kde.image/General": {"FillMode": 0}}}]})");
        QCOMPARE(PlasmaDesktop().GetDesktopWallpaperStyle(), -1);
    }

    void colour() {
        startShell();
        PlasmaDesktop desktop;
        QVERIFY(desktop.SetDesktopWallpaper(picture(QStringLiteral("colour.png"))));
        QCOMPARE(desktop.GetDesktopColor(), kUnknownDesktopColor);
        QVERIFY(desktop.SetDesktopColor(0x00336699)); // BBGGRR: red 0x99, green 0x66, blue 0x33
        QCOMPARE(desktop.GetDesktopColor(), DesktopColor(0x00336699));
        for (const QJsonValue& one : desktops())
            QCOMPARE(configOf(one, QStringLiteral("org.kde.image"), QStringLiteral("Color")),
                     QJsonValue(QStringLiteral("#996633")));
    }

    void missingOrBrokenFileIsRefusedWithoutAScript() {
        startShell();
        QFile broken(folder_.filePath(QStringLiteral("truncated.png")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("\x89PNG\r\n");
        broken.close();
        PlasmaDesktop desktop;
        QVERIFY(!desktop.SetDesktopWallpaper(folder_.filePath(QStringLiteral("absent.png"))));
        QVERIFY(!desktop.SetDesktopWallpaper(broken.fileName()));
        QVERIFY(!desktop.SetDesktopWallpaper(folder_.path()));
        QCOMPARE(model().value(QLatin1String("scripts")).toInt(), 0);
    }

    // A shell with locked widgets answers with an error: every operation fails.
    void lockedShellFails() {
        startShell({QStringLiteral("--locked")});
        PlasmaDesktop desktop;
        QVERIFY(!desktop.SetDesktopWallpaper(picture(QStringLiteral("locked.png"))));
        QVERIFY(!desktop.SetDesktopWallpaperStyle(0));
        QVERIFY(!desktop.SetDesktopColor(0));
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), -1);
        QCOMPARE(desktop.GetDesktopColor(), kUnknownDesktopColor);
    }

    void absentShellFails() {
        stopShell();
        PlasmaDesktop desktop;
        QVERIFY(!desktop.SetDesktopWallpaper(picture(QStringLiteral("absent-shell.png"))));
        QVERIFY(!desktop.SetDesktopWallpaperStyle(2));
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), -1);
    }

    // At logon the shell may own its name a moment after we look: detection waits for it
    // rather than taking swaybg, which KWin would cover.
    void lateShellIsStillDetected() {
        launchShell({QStringLiteral("--delay"), QStringLiteral("1500")}, kSeed);
        QVERIFY(shell_.waitForStarted());
        QVERIFY(!DesktopProbes::system().busNameOwned(PlasmaDesktop::kService));
        QProcessEnvironment session;
        session.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("KDE"));
        session.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-kv-test"));
        QCOMPARE(detectDesktop(session, DesktopProbes::system()), QStringLiteral("kde"));
    }

    void scriptStringsEscapeEverythingButThePlainSet() {
        QCOMPARE(PlasmaDesktop::scriptString(QStringLiteral("/a-b_c.D9")),
                 QStringLiteral("'/a-b_c.D9'"));
        QCOMPARE(PlasmaDesktop::scriptString(QStringLiteral("'\\\n\u2028")),
                 QStringLiteral("'\\u0027\\u005c\\u000a\\u2028'"));
    }
};

QTEST_GUILESS_MAIN(TestPlasmaDesktop)
#include "tst_plasma_desktop.moc"
