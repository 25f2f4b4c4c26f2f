// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/AwaitedDesktop.h"
#include "desktop/DesktopBus.h"
#include "desktop/DesktopLoader.h"
#include "desktop/DesktopRecord.h"
#include "desktop/GSettingsDesktop.h"
#include "desktop/RecordedDesktop.h"
#include "desktop/RootPicture.h"
#include "desktop/WlrootsDesktop.h"
#include "desktop/X11PixelLayout.h"
#include "support/FakeDesktop.h"
#include "support/PictureFiles.h"
#include "support/SessionBus.h"
#include "support/TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusVirtualObject>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMap>
#include <QPainter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <gio/gio.h>

#include <cstring>
#include <memory>
#include <optional>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace kv;

using Monitors = QList<QRect>;

namespace {

const QSize kScreen(320, 200);
// Of unlike sizes, with a bare strip between them.
const Monitors kTwoMonitors{QRect(0, 20, 200, 150), QRect(210, 0, 110, 200)};

// Assignments, space-separated; CURRENT, FORCE and WAYLAND stand for XDG_CURRENT_DESKTOP,
// KESTROVALINE_DESKTOP and WAYLAND_DISPLAY.
QProcessEnvironment environmentOf(const QString& assignments) {
    static const QMap<QString, QString> kLong{{"CURRENT", "XDG_CURRENT_DESKTOP"},
                                              {"FORCE", "KESTROVALINE_DESKTOP"},
                                              {"WAYLAND", "WAYLAND_DISPLAY"}};
    QProcessEnvironment environment;
    for (const QString& assignment : assignments.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString name = assignment.section(QLatin1Char('='), 0, 0);
        environment.insert(kLong.value(name, name), assignment.section(QLatin1Char('='), 1));
    }
    return environment;
}

// What the machine has, by words: schema ids, "bus:NAME" (owned), "activatable:NAME",
// "lxqt-desktop", "lxde-desktop:DISPLAY", "socket:PATH", "program:NAME"; "MS ms:FACT" for a
// fact that comes true once detection has paused that many milliseconds.
DesktopProbes machineWith(const QStringList& facts) {
    const auto waited = std::make_shared<int>(0);
    const auto has = [facts, waited](const QString& fact) {
        for (const QString& known : facts.filter(fact))
            if (known == fact || (known.endsWith(QStringLiteral(" ms:") + fact) &&
                                  known.section(QLatin1Char(' '), 0, 0).toInt() <= *waited))
                return true;
        return false;
    };
    const auto probe = [has](const char* kind) {
        return [has, kind](const auto&... name) {
            return has((QLatin1String(kind) + ... + QString(name)));
        };
    };
    DesktopProbes probes;
    probes.schemaInstalled = probe("");
    probes.busNameOwned = probe("bus:");
    probes.busNameAvailable = [has](const char* name) {
        return has("bus:" + QLatin1String(name)) || has("activatable:" + QLatin1String(name));
    };
    probes.lxqtDesktopRunning = probe("lxqt-desktop");
    probes.lxdeDesktopRunning = probe("lxde-desktop:");
    probes.socketExists = probe("socket:");
    probes.executableFound = probe("program:");
    probes.pause = [waited](int milliseconds) {
        *waited += milliseconds;
    };
    return probes;
}

// Takes every call to the desktop services and never answers, as a hung desktop component does.
class SilentDesktop final : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage&, const QDBusConnection&) override { return true; }
    QString introspect(const QString&) const override { return {}; }
};

// A desktop drawn from our record that counts how often it is asked to draw.
class CountingDesktop final : public RecordedDesktop {
public:
    explicit CountingDesktop(const QString& session = QStringLiteral(":0"))
        : RecordedDesktop(QStringLiteral("counting"), session) {}
    QString name() const override { return QStringLiteral("counting"); }
    mutable int draws = 0;
    // The screen's shape when the desktop has no fill of its own.
    std::optional<QSize> fill;

private:
    bool show(DesktopState&) const override { return ++draws > 0; }
    std::optional<QSize> fillShape() const override { return fill; }
};

} // namespace

// What the desktop library decides: which backend a session gets, how long a hung desktop holds
// us, what a damaged record reads as, and how the root picture is drawn.
class TestDesktopLogic : public QObject {
    Q_OBJECT

    test::TestEnvironment home_;
    test::SessionBus bus_;
    bool silentBus_ = false;
    SilentDesktop silent_;
    GDBusConnection* glibBus_ = nullptr;
    QTemporaryDir folder_;

    // A gradient with a bar as a JPEG, or a half-transparent block on nothing as a PNG.
    QString makePicture(QSize size, bool alpha) {
        const QString name = QString::number(size.width()) + 'x' + QString::number(size.height());
        const QString path = folder_.filePath(name + (alpha ? ".png" : ".jpg"));
        if (!alpha)
            return test::writePicture(path, size) ? path : QString();
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter(&image).fillRect(0, 0, size.width() / 2, size.height() / 2,
                                  QColor(200, 40, 40, 160));
        return image.save(path) ? path : QString();
    }

private Q_SLOTS:
    // A bus whose desktop services are owned by a stand-in that never answers.
    void initTestCase() {
        // GSettings writes then go to the dconf service on that bus (but see the memory backend).
        if (qgetenv("GSETTINGS_BACKEND") != "memory")
            qputenv("GSETTINGS_BACKEND", "dconf");
        if (!bus_.start())
            return;
        QDBusConnection standIn =
            QDBusConnection::connectToBus(bus_.address(), QStringLiteral("silent desktop"));
        for (const char* service :
             {"org.kde.plasmashell", "org.xfce.Xfconf", "org.pcmanfm.PCManFM", "ca.desrt.dconf"})
            QVERIFY(standIn.registerService(QLatin1String(service)));
        QVERIFY(
            standIn.registerVirtualObject(QStringLiteral("/"), &silent_, QDBusConnection::SubPath));
        silentBus_ = true;
        // GLib's connection, which dconf shares, would end this process with SIGTERM when the
        // bus ends first; it lives while someone holds it.
        glibBus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        g_dbus_connection_set_exit_on_close(glibBus_, FALSE);
    }
    void cleanupTestCase() { g_clear_object(&glibBus_); }

    void detection_data() {
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QStringList>("schemas");
        QTest::addColumn<QString>("expected");
        const auto add = [](const char* name, const char* environment, const QStringList& machine,
                            const char* expected) {
            QTest::newRow(name) << QString(environment) << machine << QString(expected);
        };

        const QStringList all{"org.gnome.desktop.background", "org.cinnamon.desktop.background",
                              "org.mate.background"};
        const QStringList everything =
            all +
            QStringList{"bus:org.kde.plasmashell", "activatable:org.xfce.Xfconf", "lxqt-desktop",
                        "lxde-desktop::0",         "socket:/run/sway.sock",       "program:swaybg"};
        const QStringList noPlasma = everything.filter(QRegularExpression("^(?!bus:org.kde)"));
        add("Plasma's shell wins over a desktop name", "CURRENT=GNOME", everything, "kde");
        add("xfce later in a colon list", "CURRENT=Custom:xfce DISPLAY=:0", noPlasma, "xfce");
        add("XFCE without xfconf gives way to X11", "CURRENT=XFCE DISPLAY=:0", all, "x11 for xfce");
        add("the xfconf service alone is no XFCE", "CURRENT=i3 DISPLAY=:0", noPlasma, "x11");
        add("LXDE", "CURRENT=LXDE DISPLAY=:0", noPlasma, "lxde");
        add("sway", "SWAYSOCK=/run/sway.sock WAYLAND=w CURRENT=sway", noPlasma, "sway");
        add("stale sway socket: swaybg", "SWAYSOCK=/run/old.sock WAYLAND=w", noPlasma, "wayland");
        add("swaybg is no use without Wayland", "CURRENT=river DISPLAY=:0", noPlasma, "x11");
        add("override to LXDE without its desktop", "DISPLAY=:0 FORCE=lxde", all, "none for lxde");
        add("X11 under Wayland is not the background", "DISPLAY=:0 WAYLAND=w", all, "none");
        add("session desktop when the current one is unset",
            "XDG_SESSION_DESKTOP=mate DESKTOP_SESSION=gnome", all, "mate");
        add("GNOME without its schema gives way to X11", "CURRENT=GNOME DISPLAY=:0",
            QStringList{"org.mate.background"}, "x11");
        add("override in any case", "CURRENT=GNOME DISPLAY=:0 FORCE=X11", all, "x11");
        // Components that reach the bus after us at logon.
        const QStringList late = QStringList{"program:swaybg", "lxde-desktop::0"} + all;
        add("a late Plasma shell is waited for, not swaybg under KWin", "CURRENT=KDE WAYLAND=w",
            late + QStringList{"3000 ms:bus:org.kde.plasmashell"}, "kde");
        add("patience ends: a Plasma shell after it is too late",
            "DESKTOP_SESSION=plasma DISPLAY=:0",
            late + QStringList{"6000 ms:bus:org.kde.plasmashell"}, "x11 for kde");
        add("a late LXQt desktop", "CURRENT=LXQt DISPLAY=:0",
            late + QStringList{"4750 ms:lxqt-desktop"}, "lxqt");
        add("an unnamed desktop is not waited for", "CURRENT=i3 DISPLAY=:0",
            late + QStringList{"250 ms:bus:org.kde.plasmashell"}, "x11");
        add("no swaybg under GNOME without its schema", "CURRENT=GNOME WAYLAND=w",
            QStringList{"program:swaybg"}, "none");
        add("unknown override is ignored", "CURRENT=MATE FORCE=amiga", all, "mate");
        add("none asked for", "CURRENT=MATE FORCE=None", all, "none, switched off");
    }

    void detection() {
        QFETCH(QString, environment);
        QFETCH(QStringList, schemas);
        // "x11 for kde": the X11 root stands in until Plasma's shell comes.
        const QString detected = detectDesktop(environmentOf(environment), machineWith(schemas));
        const QString awaited = awaitedDesktop(environmentOf(environment), detected);
        // Only the user's own choice of none is said to be one.
        const bool switchedOff = createDesktopBackend(detected, environmentOf(environment))
                                     ->name()
                                     .contains(QLatin1String("KESTROVALINE_DESKTOP"));
        QTEST((awaited.isEmpty() ? detected : detected + " for " + awaited) +
                  (switchedOff ? ", switched off" : ""),
              "expected");
    }

    // A desktop's shell that comes after detection gave up takes over from the stand-in, and
    // shows what the stand-in showed meanwhile rather than its own old picture.
    void aLateDesktopTakesOverWhatTheStandInShowed_data() {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("shownAfter");
        const QString again = QStringLiteral("64x48.jpg 112233 4");
        QTest::newRow("a change") << QStringLiteral("shown") << again;
        // Plasma's shell owns its name on the bus before its desktops are there to take a picture.
        QTest::newRow("a change, the shell not ready at first") << "shown, not ready" << again;
        QTest::newRow("a change the stand-in refused") << QStringLiteral("refused") << "-";
        QTest::newRow("nothing") << QString() << "-";
    }
    void aLateDesktopTakesOverWhatTheStandInShowed() {
        QFETCH(QString, meanwhile);
        auto standIn = std::make_unique<test::FakeDesktop>();
        auto late = std::make_unique<test::FakeDesktop>();
        test::FakeDesktop* const shell = late.get();
        const QString picture = makePicture(QSize(64, 48), false);
        if (meanwhile == QLatin1String("refused"))
            standIn->refused << picture;
        const bool notReady = meanwhile.endsWith(QLatin1String("not ready"));
        if (notReady)
            late->refused << picture;
        bool arrived = false;
        AwaitedDesktop desktop(std::move(standIn), [&]() -> std::unique_ptr<DesktopBackend> {
            return arrived ? std::move(late) : nullptr;
        });
        if (!meanwhile.isEmpty() && desktop.SetDesktopWallpaper(picture))
            desktop.setColourAndStyle(0x112233, StyleFill);
        QVERIFY(!desktop.checkArrival());
        arrived = true;
        QVERIFY(desktop.checkArrival());
        if (notReady) {
            QVERIFY(shell->wallpaper.isEmpty());
            shell->refused.clear();
            QVERIFY(desktop.checkArrival());
        }
        QTEST(shell->wallpaper.isEmpty() ? QStringLiteral("-")
                                         : QStringLiteral("%1 %2 %3")
                                               .arg(QFileInfo(shell->wallpaper).fileName())
                                               .arg(shell->colour, 0, 16)
                                               .arg(shell->style),
              "shownAfter");
        // From then on the desktop that came takes every change.
        QVERIFY(desktop.SetDesktopWallpaper(QStringLiteral("b.jpg")));
        QCOMPARE(shell->wallpaper, QStringLiteral("b.jpg"));
    }

    // GLib's memory backend keeps a change in the process that made it, where it reads back as
    // stored, and the desktop never sees it. A process picks its backend once: a child of ours.
    void gsettingsInMemoryIsRefused() {
        if (!GSettingsDesktop::schemaInstalled(GnomeDesktop::kSchema.id))
            QSKIP("GNOME's background schema is not installed");
        if (qgetenv("GSETTINGS_BACKEND") != "memory") {
            QProcess child;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
            child.setProcessEnvironment(environment);
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QCoreApplication::applicationFilePath(), {QTest::currentTestFunction()});
            QVERIFY(child.waitForFinished(60000));
            QCOMPARE(child.exitCode(), 0);
            return;
        }
        GnomeDesktop desktop;
        QVERIFY(!desktop.SetDesktopWallpaper(makePicture(QSize(64, 48), false)));
        QVERIFY(!desktop.SetDesktopWallpaperStyle(StyleTile));
        QVERIFY(!desktop.SetDesktopColor(0x123456));
    }

    // A silent desktop on the bus: a change and the options after it cost one bounded wait. The
    // real dconf service, which the bus starts for our first call, keeps the change set we send it
    // where GSettings reads; the silent stand-in then takes its name back.
    void desktopsOnTheBus_data() {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<bool>("answers");
        // First: GLib's link to dconf holds on to a change the silent stand-in never took.
        QTest::newRow("gnome, dconf answering") << QStringLiteral("gnome") << true;
        for (const char* desktop : {"kde", "xfce", "lxqt", "gnome"})
            QTest::addRow("%s, silent", desktop) << QString::fromLatin1(desktop) << false;
    }

    void desktopsOnTheBus() {
        QFETCH(QString, desktop);
        QFETCH(bool, answers);
        if (!silentBus_)
            QSKIP(qPrintable(bus_.error()));
        const QString dconf = QStringLiteral("ca.desrt.dconf");
        QDBusConnection standIn(QStringLiteral("silent desktop"));
        if (answers) {
            if (QStandardPaths::findExecutable(QStringLiteral("dconf-service"), {"/usr/libexec"})
                    .isEmpty())
                QSKIP("dconf-service is not installed (Debian package dconf-service)");
            QVERIFY(standIn.unregisterService(dconf));
        }
        QProcessEnvironment environment = home_.processEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":1"));
        const std::unique_ptr<DesktopBackend> backend = createDesktopBackend(desktop, environment);
        const QString path = makePicture(QSize(64, 48), false);
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(backend->ShowWallpaper(path, 0x123456, StyleTile),
                 answers ? ShowResult::Shown : ShowResult::Refused);
        if (answers) {
            QCOMPARE(backend->GetDesktopWallpaperStyle(), int(StyleTile));
            QCOMPARE(backend->GetDesktopColor(), DesktopColor(0x123456));
            // A change it does not answer in time is told as failed; it must not be stored once
            // the service goes on (its queue is taken in order, so a call answered after it shows
            // whether it was).
            const auto service =
                pid_t(QDBusConnection::sessionBus().interface()->servicePid(dconf));
            ::kill(service, SIGSTOP);
            QVERIFY(!backend->SetDesktopWallpaper(makePicture(QSize(32, 24), false)));
            ::kill(service, SIGCONT);
            QCOMPARE(QDBusConnection::sessionBus()
                         .call(QDBusMessage::createMethodCall(dconf, "/ca/desrt/dconf/Writer/user",
                                                              "ca.desrt.dconf.Writer", "Init"))
                         .type(),
                     QDBusMessage::ReplyMessage);
            g_autoptr(GSettings) background = g_settings_new("org.gnome.desktop.background");
            g_autofree gchar* shown = g_settings_get_string(background, "picture-uri");
            QVERIFY2(QByteArray(shown).endsWith("/64x48.jpg"), shown);
            ::kill(service, SIGTERM);
            QTRY_VERIFY_WITH_TIMEOUT(standIn.registerService(dconf), 10000);
            return;
        }
        // The options applied next go to the same silent desktop: they must not wait again.
        backend->SetDesktopColor(backend->GetDesktopColor() + 1);
        backend->SetDesktopWallpaperStyle(backend->GetDesktopWallpaperStyle() == 1 ? 2 : 1);
        QVERIFY2(waited.elapsed() < kDesktopCallTimeoutMs + 1500,
                 qPrintable(QStringLiteral("waited %1 ms").arg(waited.elapsed())));
    }

    // A compositor that stopped accepting keeps our connections in its listen queue: once that
    // is full, each call still ends at its bound (each through a link of its own, as a compositor
    // that did not answer lately is not asked again). swaybg's check then does not wait at all.
    void hungCompositorFailsWithinTheBound() {
        const QByteArray path = QFile::encodeName(folder_.filePath(QStringLiteral("hung.sock")));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const auto closed = qScopeGuard([listener] { ::close(listener); });
        QVERIFY(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0);
        QVERIFY(::listen(listener, 1) == 0);
        constexpr int kBoundMs = 100;
        const auto withinBound = [](QElapsedTimer& waited, int bound) {
            return waited.restart() < bound + 1500;
        };
        QElapsedTimer waited;
        waited.start();
        for (int call = 0; call < 4; ++call) {
            const QString link = folder_.filePath(QStringLiteral("hung-%1.sock").arg(call));
            QVERIFY(QFile::link(QFile::decodeName(path), link));
            QVERIFY(!SwayDesktop::runCommand(link, "nop", kBoundMs));
            QVERIFY2(withinBound(waited, kBoundMs), qPrintable(QString::number(call)));
        }
        QVERIFY(
            !SwaybgDesktop("wayland", "test", folder_.filePath("hung-0.sock")).SetDesktopColor(0));
        QVERIFY(withinBound(waited, 0));
    }

    // A damaged picture is never handed over, whether it would go as it is stored or through a
    // copy of ours, which is then made from the copy's own read of the picture; a whole one gets
    // the copy it needs, and none where it already shows as the desktop draws it. A change, and
    // new options after it that bring a new colour and style, draw the picture once each, not
    // once for each. Another session's instance of the desktop starts from nothing known.
    void aRecordedDesktopHandsOverWholePicturesOnly_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("copies");
        // Qt's allocation limit, lowered for the row (0: as it is).
        QTest::addColumn<int>("limitMB");
        const QSize other(320, 240), screenShaped(320, 180);
        QTest::newRow("as stored, cut") << 1 << int(StyleTile) << true << other << 0 << 0;
        QTest::newRow("turned by EXIF, cut") << 6 << int(StyleTile) << true << other << 0 << 0;
        QTest::newRow("cropped for fill, cut") << 1 << int(StyleFill) << true << other << 0 << 0;
        QTest::newRow("turned by EXIF") << 6 << int(StyleTile) << false << other << 1 << 0;
        QTest::newRow("cropped for fill") << 1 << int(StyleFill) << false << other << 1 << 0;
        QTest::newRow("for fill as it is")
            << 1 << int(StyleFill) << false << screenShaped << 0 << 0;
        // Copied at a scale of the decoder's that the limit takes, not refused.
        QTest::newRow("cropped for fill, over the allocation limit")
            << 1 << int(StyleFill) << false << QSize(1024, 768) << 1 << 1;
        // A negative height: a BMP stored top-down, whose height Qt declares so.
        QTest::newRow("a BMP stored top-down")
            << 1 << int(StyleTile) << false << QSize(40, -30) << 0 << 0;
    }

    void aRecordedDesktopHandsOverWholePicturesOnly() {
        QFETCH(int, limitMB);
        const int limitBefore = QImageReader::allocationLimit();
        const auto limitBack =
            qScopeGuard([limitBefore] { QImageReader::setAllocationLimit(limitBefore); });
        QFETCH(int, orientation);
        QFETCH(int, style);
        QFETCH(bool, cut);
        QFETCH(QSize, size);
        const bool topDown = size.height() < 0;
        const QString path = folder_.filePath(topDown ? "copied.bmp" : "copied.jpg");
        QFile file(path);
        if (topDown) {
            QVERIFY(test::writePicture(path, QSize(size.width(), -size.height())));
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(22));
            const auto height = qToLittleEndian<qint32>(size.height());
            QVERIFY(file.write(reinterpret_cast<const char*>(&height), 4) == 4);
            file.close();
        } else {
            QVERIFY(test::WriteNoisyJpeg(path, size.width(), size.height()));
            QVERIFY(test::writeOrientedJpeg(path, QImage(path), orientation));
        }
        QVERIFY(!cut || file.resize(file.size() * 3 / 5));
        if (limitMB)
            QImageReader::setAllocationLimit(limitMB);
        CountingDesktop desktop;
        desktop.fill = QSize(16, 9);
        QCOMPARE(desktop.ShowWallpaper(path, 0x654321, style),
                 cut ? ShowResult::NotAPicture : ShowResult::Shown);
        QCOMPARE(desktop.draws, cut ? 0 : 1);
        const auto made = [] {
            return QDir(DesktopRecord::runtimeFolder())
                .entryList(
                    {QStringLiteral("counting-upright-*"), QStringLiteral("counting-fill-*")});
        };
        QTEST(int(made().size()), "copies");
        if (!cut) {
            QCOMPARE(desktop.GetDesktopWallpaperStyle(), style);
            QCOMPARE(desktop.GetDesktopColor(), DesktopColor(0x654321));
            QVERIFY(desktop.setColourAndStyle(0x123456, StyleCentre));
            QCOMPARE(desktop.draws, 2);
            QCOMPARE(desktop.GetDesktopWallpaperStyle(), int(StyleCentre));
            QCOMPARE(desktop.GetDesktopColor(), DesktopColor(0x123456));
            QCOMPARE(CountingDesktop(QStringLiteral(":1")).GetDesktopWallpaperStyle(), -1);
        }
        for (const QString& copy : made())
            QFile::remove(DesktopRecord::runtimeFolder() + '/' + copy);
    }

    // A damaged or hand-edited record reads as "nothing known": the engine sets everything again.
    // A change never removes a file it names that is not a copy of ours (@: a file of the user's).
    void damagedRecords_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("truncated") << QByteArray("{\"path\": \"/x.jpg\", \"sty");
        QTest::newRow("out of range") << QByteArray("{\"style\": 7, \"colour\": -5}");
        QTest::newRow("wrong types") << QByteArray("{\"style\": \"1\", \"colour\": \"#ffffff\"}");
        QTest::newRow("huge") << QByteArray(200 * 1024, ' ') + "{\"style\": 1}";
        QTest::newRow("a file of the user's")
            << QByteArray("{\"session\": \":0\", \"upright\": \"@\"}");
    }

    void damagedRecords() {
        QFETCH(QByteArray, content);
        const QString users = folder_.filePath(QStringLiteral("users.jpg"));
        QVERIFY(test::WriteNoisyJpeg(users, 32, 24));
        content.replace("@", QFile::encodeName(users));
        for (const char* id : {"probe", "counting"})
            QVERIFY(test::writeBytes(DesktopRecord::runtimeFolder() + '/' + id + "-desktop.json",
                                     content));
        const DesktopState state = DesktopRecord(QStringLiteral("probe")).read();
        QCOMPARE(state.style, int(StyleUnknown));
        QCOMPARE(state.colour, kUnknownDesktopColor);
        QVERIFY(CountingDesktop().SetDesktopWallpaper(users));
        QVERIFY(QFile::exists(users));
        QCOMPARE(QFile::permissions(DesktopRecord::runtimeFolder()) & 0x0077,
                 QFileDevice::Permissions());
    }

    // The screen is sent to the X server in bands of rows, the picture decoded as they need it: it
    // must be exactly the screen drawn at once, whatever the placement, or seams would show.
    void bandsMatchTheWholeScreen_data() {
        QTest::addColumn<QSize>("pictureSize");
        QTest::addColumn<bool>("alpha");
        QTest::addColumn<int>("style");
        QTest::addColumn<Monitors>("monitors");
        // Small, reduced while decoding, transparent, tall (many decoded rows to a band).
        for (const auto& [size, alpha] : {std::pair{QSize(70, 45), false},
                                          {QSize(1000, 700), false},
                                          {QSize(90, 50), true},
                                          {QSize(30, 3000), false}})
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
        RootPicture picture;
        QVERIFY(picture.load(path, monitors, style, 0x00408000));
        const QImage whole = picture.render(kScreen, monitors);
        QCOMPARE(whole.size(), kScreen);
        RootPicture asDrawn;
        QVERIFY(
            asDrawn.load(path, monitors, style, 0x00408000, nullptr, RootPicture::Decode::AsDrawn));
        QImage banded(whole.size(), QImage::Format_RGB32);
        // Bands of 4 and 10 rows: one may need more of the picture than the one before.
        for (int top = 0, rows = 4; top < banded.height(); top += rows, rows = 14 - rows) {
            QImage band(banded.width(), qMin(rows, banded.height() - top), QImage::Format_RGB32);
            asDrawn.drawBand(band, top, monitors);
            QPainter(&banded).drawImage(0, top, band);
        }
        QVERIFY(asDrawn.whole());
        QCOMPARE(banded, whole);
        // The colour shows through a transparent picture and between the monitors.
        if (alpha && style == StyleTile)
            QCOMPARE(whole.pixel(monitors[0].left(), monitors[0].top() + pictureSize.height() - 1),
                     qRgb(0x00, 0x80, 0x40));
        if (monitors == kTwoMonitors)
            QCOMPARE(whole.pixel(205, 100), qRgb(0x00, 0x80, 0x40));
    }

    // A pixel in an X server's own layout, whatever its depth, channel order or byte order. Where
    // a QImage format holds those very bytes in our byte order, it is drawn into directly.
    void pixelsInTheServersLayout_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QList<uint>>("masks"); // red, green, blue
        QTest::addColumn<bool>("msbFirst");
        QTest::addColumn<QByteArray>("bytes"); // of the colour 0x996633
        QTest::addColumn<int>("format");       // in our byte order
        const auto row = [](const char* name, int bits, const QList<uint>& masks, bool msbFirst,
                            const QByteArray& bytes, QImage::Format format) {
            QTest::newRow(name) << bits << masks << msbFirst << bytes << int(format);
        };
        const auto none = QImage::Format_Invalid;
        row("30, red high", 32, {0x3FF00000, 0xFFC00, 0x3FF}, false, "\xCC\x64\x66\x26",
            QImage::Format_RGB30);
        row("30, blue high", 32, {0x3FF, 0xFFC00, 0x3FF00000}, false, "\x66\x66\xC6\x0C",
            QImage::Format_BGR30);
        row("15", 16, {0x7C00, 0x3E0, 0x1F}, false, "\x86\x4D", QImage::Format_RGB555);
        row("16, server big-endian", 16, {0xF800, 0x7E0, 0x1F}, true, "\x9B\x26",
            QImage::Format_RGB16);
        row("24, server big-endian", 32, {0xFF0000, 0xFF00, 0xFF}, true,
            QByteArray("\x00\x99\x66\x33", 4), QImage::Format_RGB32);
        row("24 in 3 bytes", 24, {0xFF0000, 0xFF00, 0xFF}, false, "\x33\x66\x99", none);
        row("8, 3-3-2", 8, {0xE0, 0x1C, 0x3}, false, "\x8C", none);
    }
    void pixelsInTheServersLayout() {
        QFETCH(int, bits);
        QFETCH(QList<uint>, masks);
        QFETCH(bool, msbFirst);
        QFETCH(QByteArray, bytes);
        QFETCH(int, format);
        const X11PixelLayout layout{bits, 32, masks[0], masks[1], masks[2], msbFirst};
        QImage image(2, 1, QImage::Format_RGB32);
        image.fill(qRgb(0x99, 0x66, 0x33));
        QByteArray pixels(layout.rowBytes(2), '\xEE');
        layout.encode(image, reinterpret_cast<uchar*>(pixels.data()));
        QCOMPARE(pixels, (bytes + bytes).leftJustified(pixels.size(), '\xEE'));
        const bool ours = msbFirst == (Q_BYTE_ORDER == Q_BIG_ENDIAN);
        QCOMPARE(layout.imageFormat().value_or(QImage::Format_Invalid),
                 ours ? QImage::Format(format) : QImage::Format_Invalid);
    }

    // The root's JPEG is decoded only where it shows, and judged whole in the same pass (or once
    // drawn): data cut short below the band a fill shows is refused all the same. Grey stays grey.
    void rootJpegIsJudgedWhereItDoesNotShow_data() {
        QTest::addColumn<int>("keptTenths"); // of the data, an end marker stuck on; 10: all
        QTest::addColumn<bool>("grey");
        QTest::addColumn<bool>("asDrawn");
        QTest::newRow("cut below the band") << 9 << false << false;
        QTest::newRow("cut below the band, as drawn") << 9 << false << true;
        QTest::newRow("grey, whole") << 10 << true << false;
        QTest::newRow("grey, as drawn") << 10 << true << true;
    }
    void rootJpegIsJudgedWhereItDoesNotShow() {
        QFETCH(int, keptTenths);
        QFETCH(bool, grey);
        QFETCH(bool, asDrawn);
        const QString path = folder_.filePath(QStringLiteral("tall.jpg"));
        QImage greyPicture(160, 960, QImage::Format_Grayscale8);
        greyPicture.fill(QColor(0x60, 0x60, 0x60));
        QVERIFY(grey ? greyPicture.save(path) : test::WriteNoisyJpeg(path, 160, 960));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        if (keptTenths < 10)
            QVERIFY(test::writeBytes(path, data.left(data.size() * keptTenths / 10) + "\xFF\xD9"));
        const Monitors screen{QRect(QPoint(0, 0), kScreen)};
        RootPicture picture;
        // Qt keeps one allocation limit for the process, the user's or the program's: a drawing
        // that set its own would change every later verdict.
        QImageReader::setAllocationLimit(200);
        const bool loaded =
            picture.load(path, screen, StyleFill, 0, nullptr, RootPicture::Decode(asDrawn));
        QCOMPARE(QImageReader::allocationLimit(), 200);
        QCOMPARE(loaded, keptTenths == 10 || asDrawn);
        const QRgb middle = picture.render(kScreen, screen).pixel(160, 100);
        QCOMPARE(loaded && picture.whole(), keptTenths == 10);
        if (grey)
            QVERIFY(qRed(middle) == qBlue(middle) && qAbs(qGreen(middle) - 0x60) <= 2);
    }
};

QTEST_GUILESS_MAIN(TestDesktopLogic)
#include "tst_desktop_logic.moc"
