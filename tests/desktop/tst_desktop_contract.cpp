// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopBus.h"
#include "desktop/DesktopLoader.h"
#include "desktop/DesktopRecord.h"
#include "desktop/GSettingsDesktop.h"
#include "desktop/PcmanfmDesktop.h"
#include "desktop/PlasmaDesktop.h"
#include "desktop/WlrootsDesktop.h"
#include "desktop/X11Connection.h"
#include "desktop/X11RootDesktop.h"
#include "desktop/XfceDesktop.h"
#include "support/EndProcess.h"
#include "support/PictureFiles.h"
#include "support/ProgramHome.h"
#include "support/RootPixels.h"
#include "support/SessionBus.h"
#include "support/TestEnvironment.h"
#include "support/XvfbServer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gio/gio.h>
#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unistd.h>

using namespace kv;

namespace {

const QSize kScreen(320, 240);
const QColor kLeft(255, 0, 0);
const QColor kRight(0, 0, 255);
constexpr DesktopColor kColour = 0x00336699; // 0x00BBGGRR
const QColor kColourRgb(0x99, 0x66, 0x33);
// Everything that breaks naive quoting, URIs, command lines and shells.
const QString kAwkward = QStringLiteral("-it's \"q\" $(touch marker) `touch marker` #1 100%25 Ærø");
const char* const kStyleNames[] = {"centre", "tile", "stretch", "fit", "fill"};

QString missingPrograms(std::initializer_list<const char*> programs) {
    for (const char* program : programs)
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            return QStringLiteral("%1 is not installed (scripts/deps lists its package)")
                .arg(QLatin1String(program));
    return {};
}

QByteArray run(const QString& program, const QStringList& arguments,
               QProcessEnvironment environment = QProcessEnvironment::systemEnvironment()) {
    // GLib's tools print in the locale's character set: without a UTF-8 one an awkward name
    // would not come back as it was stored.
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(program, arguments);
    if (!tool.waitForFinished(20000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return {};
    const QByteArray output = tool.readAllStandardOutput().trimmed();
    return output.isNull() ? QByteArray("") : output;
}

// The xrandr tool run on a display; none of the arguments holds a space.
bool xrandr(const QString& display, const QString& arguments) {
    return !run(QStringLiteral("env"),
                QStringList{"DISPLAY=" + display, "xrandr"} + arguments.split(QLatin1Char(' ')))
                .isNull();
}

// A desktop's real component, started for the rows that use it, and read back by its own means.
class Rig {
public:
    virtual ~Rig() { test::endProcess(process_, 10000); }
    virtual QString missing() { return {}; }
    virtual bool start() { return true; }
    virtual void stop() { test::endProcess(process_, 10000); }
    // Ends the component and starts it again, as a logout and the next logon do.
    virtual bool logout() {
        stop();
        return start();
    }
    virtual std::unique_ptr<DesktopBackend> backend() = 0;
    // What the component keeps or shows, unlike `path` placed by `style`: empty when it agrees.
    virtual QString confirms(const QString& path, int style, const QColor& left,
                             const QColor& right) = 0;
    bool copiesUpright = false;
    bool freshEachRow = false;

protected:
    // Starts the component's own process, its output discarded: true once `ready` holds.
    bool launch(const QString& program, const QStringList& arguments,
                const std::function<bool()>& ready) {
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(program, arguments);
        return QTest::qWaitFor(ready, 20000);
    }

    QProcess process_; // the component's own, when it has one
};

// The picture key; whether it holds a URI, and a dark twin; the gradient that starts each row.
struct Family {
    const char *id, *schema, *key;
    bool uri, dark;
    const char* gradient;
};
const Family kFamilies[] = {
    {"gnome", "org.gnome.desktop.background", "picture-uri", true, true, "vertical"},
    {"cinnamon", "org.cinnamon.desktop.background", "picture-uri", true, false, "vertical"},
    {"mate", "org.mate.background", "picture-filename", false, false, "vertical-gradient"}};

class GSettingsRig final : public Rig {
public:
    GSettingsRig(const Family& family, QProcessEnvironment environment)
        : f_(family), environment_(std::move(environment)) {}
    QString missing() override {
        return GSettingsDesktop::schemaInstalled(f_.schema) ? missingPrograms({"gsettings"})
                                                            : QStringLiteral("no schema");
    }
    bool start() override {
        g_autoptr(GSettings) settings = g_settings_new(f_.schema);
        const bool written = g_settings_set_string(settings, "color-shading-type", f_.gradient) &&
                             g_settings_set_string(settings, "picture-options", "spanned");
        g_settings_sync();
        return written;
    }
    std::unique_ptr<DesktopBackend> backend() override {
        return createDesktopBackend(QLatin1String(f_.id), environment_);
    }
    // Read by another process, which sees only what was stored.
    QByteArray get(const char* key) {
        const QByteArray text = run(
            QStringLiteral("gsettings"),
            {QStringLiteral("get"), QLatin1String(f_.schema), QLatin1String(key)}, environment_);
        g_autoptr(GVariant) value =
            g_variant_parse(G_VARIANT_TYPE_STRING, text.constData(), nullptr, nullptr, nullptr);
        return value ? QByteArray(g_variant_get_string(value, nullptr)) : "?";
    }
    QString confirms(const QString& path, int style, const QColor&, const QColor&) override {
        static const char* const nicks[] = {"centered", "wallpaper", "stretched", "scaled", "zoom"};
        const QByteArray stored = get(f_.key);
        g_autofree gchar* decoded = g_filename_from_uri(stored.constData(), nullptr, nullptr);
        const QString named = f_.uri ? QFile::decodeName(decoded) : QString::fromUtf8(stored);
        if (named != path || (f_.dark && get("picture-uri-dark") != stored))
            return QStringLiteral("picture ") + QString::fromUtf8(stored);
        if (get("picture-options") != nicks[style] || get("primary-color") != "#996633" ||
            get("color-shading-type") != "solid")
            return QStringLiteral("options, colour or shading");
        return {};
    }

private:
    const Family f_;
    QProcessEnvironment environment_;
};

// A stand-in shell that really runs the scripts it is sent, over a model of its desktops.
class PlasmaRig final : public Rig {
public:
    static QString program() {
        return qEnvironmentVariable("KV_BUILD_DIR") + QStringLiteral("/tests/fake_plasmashell");
    }
    QString missing() override {
        return QFile::exists(program()) ? QString()
                                        : QStringLiteral("the stand-in shell was not built");
    }
    bool start() override {
        return launch(program(), {}, [] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                QStringLiteral("org.kde.plasmashell"));
        });
    }
    std::unique_ptr<DesktopBackend> backend() override { return std::make_unique<PlasmaDesktop>(); }
    QString confirms(const QString& path, int style, const QColor&, const QColor&) override {
        static const int fillModes[] = {6, 3, 0, 1, 2};
        // Per desktop: plugin, fill mode, colour and picture, as the shell itself reads them.
        const QDBusMessage model = QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall("org.kde.plasmashell", "/PlasmaShell",
                                           "org.kde.PlasmaShell", "evaluateScript")
            << QStringLiteral(
                   "print(JSON.stringify(desktops().map(function(d) { d.currentConfigGroup"
                   " = ['Wallpaper', 'org.kde.image', 'General']; return [d.wallpaperPlugin,"
                   " d.readConfig('FillMode'), d.readConfig('Color'), d.readConfig('Image')]; "
                   "})))"));
        const QJsonArray desktops =
            QJsonDocument::fromJson(model.arguments().value(0).toString().toUtf8()).array();
        for (const QJsonValue& desktop : desktops) {
            const QJsonArray seen = desktop.toArray();
            if (seen != QJsonArray{"org.kde.image", fillModes[style], "#996633", seen[3]} ||
                QUrl(seen[3].toString()).toLocalFile() != path)
                return QStringLiteral("plugin, fill mode, colour or picture");
        }
        return desktops.size() == 2 ? QString()
                                    : QStringLiteral("%1 desktops").arg(desktops.size());
    }
};

// The real xfconfd, started by the private session bus.
class XfceRig final : public Rig {
public:
    // Two monitors by two workspaces, as a session on two screens leaves them.
    explicit XfceRig(bool seeded) {
        for (const char* group :
             {"HDMI-1/workspace0", "HDMI-1/workspace1", "eDP-1/workspace0", "eDP-1/workspace1"})
            if (seeded)
                groups_ << QStringLiteral("/backdrop/screen0/monitor") + QLatin1String(group);
    }
    QString missing() override { return missingPrograms({"xfconf-query"}); } // with xfconfd
    // None of the arguments holds a space.
    QByteArray query(const QString& arguments) {
        return run(QStringLiteral("xfconf-query"), ("-c xfce4-desktop " + arguments).split(' '));
    }
    // Spanning, which is none of ours, on every group, over a gradient from the colour asked for.
    bool start() override {
        query(QStringLiteral("-r -R -p /backdrop"));
        for (const QString& group : std::as_const(groups_))
            for (const char* setting :
                 {"last-image -t string -s /old.png", "image-style -t int -s 6",
                  "color-style -t int -s 1",
                  "rgba1 -a -t double -s 0.6 -t double -s 0.4 -t double -s 0.2 -t double -s 1"})
                if (query("-n -p " + group + '/' + QLatin1String(setting)).isNull())
                    return false;
        // The gradient is no colour of ours, though it starts with the one asked for.
        return XfceDesktop::existingGroups() == groups_ &&
               (groups_.isEmpty() || XfceDesktop().GetDesktopColor() == kUnknownDesktopColor);
    }
    std::unique_ptr<DesktopBackend> backend() override { return std::make_unique<XfceDesktop>(); }
    QString confirms(const QString& path, int style, const QColor&, const QColor&) override {
        const QStringList groups = XfceDesktop::existingGroups();
        if (groups != (groups_.isEmpty() ? XfceDesktop::groupsToCreate() : groups_))
            return QStringLiteral("groups ") + groups.join(QLatin1Char(' '));
        for (const QString& group : groups) {
            const auto value = [&](const char* key) {
                return query("-p " + group + '/' + QLatin1String(key));
            };
            if (QString::fromUtf8(value("last-image")) != path ||
                value("image-style") != QByteArray::number(style + 1) ||
                value("color-style") != "0")
                return group + QStringLiteral(": picture, style or colour style");
            if (!value("rgba1").endsWith("\n\n0.600000\n0.400000\n0.200000\n1.000000")) // 4 items
                return group + QStringLiteral(": colour");
        }
        return {};
    }

private:
    QStringList groups_;
};

// A component that draws the picture: checked by its pixels, away from the top-left corner
// where desktops put their icons (what the machine's packages show there must not decide).
class PixelRig : public Rig {
public:
    virtual QImage screenshot() = 0;
    bool drawsColour = true;
    QString confirms(const QString&, int style, const QColor& left, const QColor& right) override {
        // Per style: points of the left half, of the right half, and of bare background.
        static const struct {
            QList<QPoint> left, right, bare;
        } kWhere[] = {{{{150, 120}}, {{170, 120}}, {{310, 10}, {200, 200}}}, // at (140, 105)
                      {{{250, 10}, {210, 40}}, {{270, 10}, {310, 230}}, {}}, // from the corner
                      {{{100, 120}, {80, 200}}, {{280, 230}}, {}},           // the whole screen
                      {{{100, 120}}, {{200, 120}}, {{160, 20}, {160, 220}}}, // 320 x 120 at y 60
                      {{{60, 230}}, {{100, 120}, {300, 230}}, {}}};          // doubled, x -160
        const auto near = [](QRgb pixel, const QColor& colour) {
            return test::closeColours(QColor(pixel), colour, 12); // JPEG stays this close
        };
        QString wrong;
        const bool shown = QTest::qWaitFor(
            [&] {
                const QImage shot = screenshot();
                wrong = shot.size() == kScreen ? QString() : QStringLiteral("no screenshot");
                for (const QPoint& point : kWhere[style].bare)
                    if (drawsColour
                            ? !near(shot.pixel(point), kColourRgb)
                            : near(shot.pixel(point), left) || near(shot.pixel(point), right))
                        wrong = QStringLiteral("background at %1,%2").arg(point.x()).arg(point.y());
                for (const auto& [points, colour] :
                     {std::pair{kWhere[style].left, left}, {kWhere[style].right, right}})
                    for (const QPoint& point : points)
                        if (wrong.isEmpty() && !near(shot.pixel(point), colour))
                            wrong = QStringLiteral("%1 at %2,%3")
                                        .arg(shot.pixel(point), 6, 16)
                                        .arg(point.x())
                                        .arg(point.y());
                return wrong.isEmpty();
            },
            10000);
        return shown ? QString() : wrong;
    }
};

// The root window of a bare X server, drawn by ourselves.
class X11Rig final : public PixelRig {
public:
    explicit X11Rig(int depth) : depth_(depth) {}
    bool start() override {
        return !server_.display().isEmpty() ||
               server_.start(kScreen.width(), kScreen.height(), depth_);
    }
    std::unique_ptr<DesktopBackend> backend() override {
        return std::make_unique<X11RootDesktop>(server_.display().toLocal8Bit());
    }
    QImage screenshot() override { return test::readRootPixels(server_.display()); }
    QString display() const { return server_.display(); }

private:
    const int depth_;
    test::XvfbServer server_;
};

// pcmanfm-qt (LXQt) or pcmanfm (LXDE) drawing their desktop window under Xvfb.
class PcmanfmRig final : public PixelRig {
public:
    // `seed`: its settings file before it starts. `secondMonitor`: the screen is two monitors;
    // the first shows the picture now, and the second one's settings hold it for its next start.
    PcmanfmRig(bool qt, QString display, QProcessEnvironment environment, QByteArray seed = {},
               bool secondMonitor = false)
        : qt_(qt), secondMonitor_(secondMonitor), display_(std::move(display)),
          environment_(std::move(environment)), seed_(std::move(seed)) {
        copiesUpright = true;
        drawsColour = qt; // LXDE shows our colour from its next start on
    }
    QString missing() override { return missingPrograms({qt_ ? "pcmanfm-qt" : "pcmanfm"}); }
    QString settingsFile() const {
        return qt_ ? LxqtDesktop(display_).settingsFile() : LxdeDesktop(display_).settingsFile();
    }
    bool start() override {
        const QFileInfo settings(settingsFile());
        if (!seed_.isEmpty() &&
            !(QDir().mkpath(settings.path()) && test::writeBytes(settings.filePath(), seed_)))
            return false;
        // An ended pcmanfm leaves its socket behind: the new one is there once it made its own.
        if (!qt_)
            QFile::remove(environment_.value("XDG_RUNTIME_DIR") + "/pcmanfm-socket--" +
                          display_.mid(1));
        process_.setProcessEnvironment(environment_);
        return launch(qt_ ? QStringLiteral("pcmanfm-qt") : QStringLiteral("pcmanfm"),
                      {QStringLiteral("--desktop")}, [&] {
                          return qt_ ? LxqtDesktop::desktopRunning()
                                     : LxdeDesktop(display_).desktopRunning();
                      });
    }
    // The next start finds the settings the desktop left.
    bool logout() override {
        stop();
        const QByteArray seed = std::exchange(seed_, {});
        const bool started = start();
        seed_ = seed;
        return started;
    }
    std::unique_ptr<DesktopBackend> backend() override {
        return createDesktopBackend(qt_ ? "lxqt" : "lxde", environment_);
    }
    qint64 pid() const { return process_.processId(); }
    QImage screenshot() override {
        const QImage screen = test::readRootPixels(display_);
        return secondMonitor_ ? screen.copy(QRect(QPoint(0, 0), kScreen)) : screen;
    }
    QString confirms(const QString& path, int style, const QColor& left,
                     const QColor& right) override {
        const QString wrong = PixelRig::confirms(path, style, left, right);
        if (!wrong.isEmpty())
            return wrong;
        if (qt_)
            return confirmsLxqt(style);
        QString saved = confirmsLxde(path, style, 0);
        return saved.isEmpty() && secondMonitor_ ? confirmsLxde(path, style, 1) : saved;
    }

private:
    // LXQt fills by stretching our copy cropped to the screen's shape, kept only for fill.
    QString confirmsLxqt(int style) const {
        const QStringList crops = QDir(DesktopRecord::cacheFolder()).entryList({"lxqt-fill-*"});
        const QString file =
            QSettings(settingsFile(), QSettings::IniFormat).value("Desktop/Wallpaper").toString();
        const QSize size = QImageReader(file).size();
        if (crops.size() != int(style == StyleFill))
            return "cropped copies: " + crops.join(' ');
        if (style == StyleFill &&
            size.width() * kScreen.height() != size.height() * kScreen.width())
            return "fill shows " + file;
        return {};
    }
    // What pcmanfm reads for the monitor at its next start, read by GLib as it reads it: our
    // colour and mode, and the picture, where it names one for all workspaces.
    QString confirmsLxde(const QString& path, int style, int monitor) const {
        static const char* const modes[] = {"center", "tile", "stretch", "fit", "crop"};
        g_autoptr(GKeyFile) saved = g_key_file_new();
        const auto value = [&](const char* key) {
            g_autofree gchar* text = g_key_file_get_string(saved, "*", key, nullptr);
            return QString::fromUtf8(text);
        };
        const auto colourSaved = [&] { // pcmanfm rewrites the file after drawing
            const QString file = LxdeDesktop(display_).settingsFile(monitor);
            return g_key_file_load_from_file(saved, QFile::encodeName(file).constData(),
                                             G_KEY_FILE_NONE, nullptr) &&
                   value("desktop_bg") == QLatin1String("#996633");
        };
        if (!QTest::qWaitFor(colourSaved, 5000))
            return QStringLiteral("monitor %1: settings unreadable, or colour not saved")
                .arg(monitor);
        if (value("wallpaper_mode") != QLatin1String(modes[style]))
            return "mode " + value("wallpaper_mode");
        const QFileInfo picture(value("wallpaper"));
        if (value("wallpaper_common") != QLatin1String("0") &&
            picture.canonicalFilePath() != QFileInfo(path).canonicalFilePath() &&
            !picture.fileName().startsWith(QLatin1String("lxde-upright-")))
            return "saved picture " + picture.filePath();
        return {};
    }

    bool qt_;
    bool secondMonitor_;
    QString display_;
    QProcessEnvironment environment_;
    QByteArray seed_;
};

// sway refuses to run as root: the headless compositor and grim run as nobody.
constexpr int kUnprivileged = 65534;

class SwayRig final : public PixelRig {
public:
    SwayRig(QString home, bool swaybg) : home_(std::move(home)), swaybg_(swaybg) {
        copiesUpright = true;
        // One headless sway stops drawing when fill follows fit: each row gets its own.
        freshEachRow = true;
    }
    QString runtime() const { return home_ + QStringLiteral("/run"); }
    QString folder() const { return home_ + QStringLiteral("/cwd"); }
    QString socket() const { return runtime() + QStringLiteral("/ipc.sock"); }
    QString missing() override {
        if (::getuid() != 0)
            return QStringLiteral("running sway as another user needs root here");
        return missingPrograms({"sway", "grim", "swaybg", "setpriv"});
    }
    QStringList asUnprivileged(const QStringList& command) const {
        return QStringLiteral("--reuid=%1 --regid=%1 --clear-groups env -i PATH=/usr/bin:/bin")
                   .arg(kUnprivileged)
                   .split(QLatin1Char(' ')) +
               QStringList{"HOME=" + home_, "XDG_RUNTIME_DIR=" + runtime()} + command;
    }
    bool start() override {
        QDir(runtime()).removeRecursively();
        const QString config = home_ + QStringLiteral("/config");
        if (!QDir().mkpath(runtime() + QStringLiteral("/kestrovaline")) ||
            !QDir().mkpath(folder()) ||
            !test::writeBytes(config, "xwayland disable\noutput * resolution 320x240\n"))
            return false;
        for (const QString& path : {home_, runtime(), runtime() + "/kestrovaline", folder()})
            if (::chown(QFile::encodeName(path).constData(), kUnprivileged, kUnprivileged) != 0)
                return false;
        QFile::setPermissions(runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner);
        // The backend's runtime folder is the one sway's user can read the links in.
        runtimeBefore_ = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime()));
        qputenv("WAYLAND_DISPLAY", QFile::encodeName(runtime() + QStringLiteral("/wayland-1")));
        process_.setWorkingDirectory(folder());
        return launch(
            "setpriv",
            asUnprivileged({"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
                            "WLR_RENDERER=pixman", "SWAYSOCK=" + socket(), "sway", "-c", config}),
            [&] {
                return QFile::exists(runtime() + "/wayland-1") &&
                       SwayDesktop::runCommand(socket(), "nop");
            });
    }
    // setpriv became sway itself, so this ends sway and, with it, any swaybg.
    void stop() override {
        Rig::stop();
        qputenv("XDG_RUNTIME_DIR", runtimeBefore_);
        qunsetenv("WAYLAND_DISPLAY");
    }
    std::unique_ptr<DesktopBackend> backend() override {
        if (swaybg_)
            return std::make_unique<SwaybgDesktop>("wayland", "test", "wayland-1");
        return std::make_unique<SwayDesktop>(socket());
    }
    QImage screenshot() override {
        QProcess grim;
        grim.start("setpriv",
                   asUnprivileged({"WAYLAND_DISPLAY=wayland-1", "grim", "-t", "ppm", "-"}));
        grim.waitForFinished(20000);
        return QImage::fromData(grim.readAllStandardOutput(), "PPM");
    }

private:
    QString home_;
    bool swaybg_;
    QByteArray runtimeBefore_;
};

// A client of the test's own, that reads and names the root's background pixmaps.
class X final : public X11Connection {
public:
    explicit X(const QString& display) : X11Connection(display.toLocal8Bit()) {}
    std::optional<quint32> pixmapAtom(const char* name) const {
        auto* reply = xcb_get_property_reply(
            get(), xcb_get_property(get(), 0, root(), atom(name), XCB_ATOM_PIXMAP, 0, 1), nullptr);
        std::optional<quint32> value;
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 4)
            std::memcpy(&value.emplace(), xcb_get_property_value(reply), 4);
        std::free(reply);
        return value;
    }
    bool pixmapExists(quint32 pixmap) const {
        xcb_generic_error_t* error = nullptr;
        std::free(xcb_get_geometry_reply(get(), xcb_get_geometry(get(), pixmap), &error));
        std::free(error);
        return error == nullptr;
    }
    // Names an 8 x 8 pixmap of this connection as the root's background in the given atoms.
    xcb_pixmap_t nameRootPixmap(std::initializer_list<const char*> atoms) const {
        const xcb_pixmap_t pixmap = xcb_generate_id(get());
        xcb_create_pixmap(get(), defaultScreen()->root_depth, pixmap, root(), 8, 8);
        for (const char* name : atoms)
            xcb_change_property(get(), XCB_PROP_MODE_REPLACE, root(), atom(name), XCB_ATOM_PIXMAP,
                                32, 1, &pixmap);
        settle();
        return pixmap;
    }

private:
    xcb_window_t root() const { return defaultScreen()->root; }
};

int uprightCopies() {
    int copies = 0;
    for (const QString& folder : {DesktopRecord::runtimeFolder(), DesktopRecord::cacheFolder()})
        copies += int(QDir(folder).entryList({QStringLiteral("*-upright-*")}).size());
    return copies;
}

// Another program, which takes the first free client slot of the X server on DISPLAY, makes a
// pixmap under `id` when the slot gives it that id, and waits to be ended.
int runBystander(quint32 id) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    for (int n = 0; n < 8; ++n)
        if (xcb_generate_id(c) == id)
            xcb_create_pixmap(c, screen->root_depth, id, screen->root, 8, 8);
    xcb_flush(c);
    ::pause();
    return 0;
}

} // namespace

// One contract, run against every desktop's real component: what we set is what the desktop
// keeps or shows, read back by its own means, and what it cannot do is reported as a failure.
class TestDesktopContract : public QObject {
    Q_OBJECT

    test::TestEnvironment home_;
    test::SessionBus bus_;
    test::XvfbServer xvfb_;
    test::XvfbServer twoMonitors_; // started for the rows that use it
    QTemporaryDir folder_;
    std::map<QString, std::unique_ptr<Rig>> rigs_;
    Rig* running_ = nullptr;

    QProcessEnvironment environment(const QString& display = {}) const {
        QProcessEnvironment environment = home_.processEnvironment(); // with our bus and GLib's
        environment.insert(QStringLiteral("DISPLAY"),
                           display.isEmpty() ? xvfb_.display() : display);
        environment.insert(QStringLiteral("HOME"), home_.root());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return environment;
    }

    std::unique_ptr<Rig> makeRig(const QString& id) {
        for (const Family& family : kFamilies)
            if (id == QLatin1String(family.id))
                return std::make_unique<GSettingsRig>(family, environment());
        if (id == QLatin1String("kde"))
            return std::make_unique<PlasmaRig>();
        if (id.startsWith(QLatin1String("xfce")))
            return std::make_unique<XfceRig>(id == QLatin1String("xfce"));
        if (id == QLatin1String("lxqt") || id == QLatin1String("lxde"))
            return std::make_unique<PcmanfmRig>(id == QLatin1String("lxqt"), xvfb_.display(),
                                                environment());
        if (id == QLatin1String("lxqt-stretch")) // as LXQt ships it
            return std::make_unique<PcmanfmRig>(true, xvfb_.display(), environment(),
                                                "[Desktop]\nWallpaperMode=stretch\n");
        if (id == QLatin1String("lxde-workspaces")) // a picture for each workspace
            return std::make_unique<PcmanfmRig>(false, xvfb_.display(), environment(),
                                                "[*]\nwallpaper_common=0\n");
        if (id == QLatin1String("lxde-monitors")) {
            if (twoMonitors_.display().isEmpty() &&
                twoMonitors_.start(2 * kScreen.width(), kScreen.height()))
                for (const char* monitor :
                     {"M0 320/100x240/75+0+0 screen", "M1 320/100x240/75+320+0 none"})
                    xrandr(twoMonitors_.display(), "--setmonitor " + QLatin1String(monitor));
            return std::make_unique<PcmanfmRig>(false, twoMonitors_.display(),
                                                environment(twoMonitors_.display()),
                                                "[*]\nwallpaper_common=1\n", true);
        }
        if (id.startsWith(QLatin1String("x11"))) // "x11", or "x11 depth N" for other pixels
            return std::make_unique<X11Rig>(id.size() > 3 ? id.section(' ', 2).toInt() : 24);
        return std::make_unique<SwayRig>(folder_.filePath(QStringLiteral("sway")),
                                         id == QLatin1String("swaybg"));
    }

    // The row's component, started unless `started` is false; the previous one ends.
    Rig* use(const QString& id, bool started = true) {
        auto& rig = rigs_[id + (started ? QString() : QStringLiteral(" (absent)"))];
        if (!rig)
            rig = makeRig(id);
        if (running_ != rig.get() || rig->freshEachRow) {
            if (running_)
                running_->stop();
            running_ = nullptr;
            if (!rig->missing().isEmpty())
                return rig.get();
            if (started && !rig->start())
                return nullptr;
            running_ = rig.get();
        }
        return rig.get();
    }

    // Orientation 0: upright, its right half see-through.
    QString picture(const QString& name, int style, int orientation, bool swapped = false) {
        const QString path = folder_.filePath(name + (orientation <= 1 ? ".png" : ".jpg"));
        const QColor right = orientation == 0 ? QColor(Qt::transparent) : swapped ? kLeft : kRight;
        return test::writePlacementPicture(path, style, swapped ? kRight : kLeft, right,
                                           qMax(orientation, 1))
                   ? path
                   : QString();
    }

public:
    // The bystander is this test run again, as a process of its own.
    static void initMain() {
        if (const char* id = std::getenv("KV_BYSTANDER_PIXMAP"))
            std::exit(runBystander(quint32(std::strtoul(id, nullptr, 10))));
    }
    // Before GLib reads its settings backend and Qt its folders: both are fixed per process.
    TestDesktopContract() {
        qputenv("GSETTINGS_BACKEND", "keyfile");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(folder_.filePath(QStringLiteral("cache"))));
    }

private Q_SLOTS:
    void initTestCase() {
        if (!bus_.start())
            QSKIP(qPrintable(bus_.error()));
        if (!xvfb_.start(kScreen.width(), kScreen.height()))
            QSKIP(qPrintable(xvfb_.error()));
        // sway's user reaches the pictures through the links in its runtime folder.
        QFile::setPermissions(folder_.path(), QFile::permissions(folder_.path()) |
                                                  QFileDevice::ExeOther | QFileDevice::ReadOther);
    }

    void contract_data() {
        QTest::addColumn<QString>("rig");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QString>("name");
        for (const char* rig :
             {"gnome", "cinnamon", "mate", "kde", "xfce", "xfce-fresh", "lxqt", "lxqt-stretch",
              "lxde", "x11", "x11 depth 30", "x11 depth 16", "x11 depth 15", "sway", "swaybg"})
            for (int style = StyleCentre; style <= StyleFill; ++style)
                QTest::addRow("%s, %s", rig, kStyleNames[style])
                    << QString::fromLatin1(rig) << style << 1 << kAwkward;
        // A picture turned by EXIF comes out upright only through our copy or our own decode.
        for (const char* rig : {"lxqt", "lxde", "x11", "sway"})
            for (const auto& [style, orientation] : {std::pair{StyleTile, 3},
                                                     {StyleFit, 6},
                                                     {StyleCentre, 8},
                                                     {StyleStretch, 6},
                                                     {StyleFill, 8}})
                QTest::addRow("%s, %s, EXIF %d", rig, kStyleNames[style], orientation)
                    << QString::fromLatin1(rig) << int(style) << orientation << kAwkward;
        // Names that would end a script's string literal or its line, or a key file's value,
        // beyond the awkward one.
        for (const char* rig : {"kde", "lxde"})
            for (const char* name :
                 {"back\\slash\\u0027", "two\nlines", "sep\u2028arated", "東京 🌄"})
                QTest::addRow("%s, named %s", rig, name)
                    << QString::fromLatin1(rig) << 2 << 1 << QString::fromUtf8(name);
        // Where the picture is see-through, the colour shows.
        for (const int style : {StyleTile, StyleStretch, StyleFill})
            QTest::addRow("lxqt, %s, see-through", kStyleNames[style])
                << "lxqt" << style << 0 << kAwkward;
        // LXDE with a picture for each workspace, and on two monitors.
        for (const char* rig : {"lxde-workspaces", "lxde-monitors"})
            QTest::addRow("%s, centre", rig) << QString::fromLatin1(rig) << 0 << 1 << kAwkward;
    }

    void contract() {
        QFETCH(QString, rig);
        QFETCH(int, style);
        QFETCH(int, orientation);
        QFETCH(QString, name);
        Rig* const component = use(rig);
        QVERIFY2(component, "the component did not start");
        if (!component->missing().isEmpty())
            QSKIP(qPrintable(component->missing()));
        const auto desktop = component->backend();
        const QString path = picture(name, style, orientation);
        QVERIFY(desktop->SetDesktopWallpaper(path));
        QVERIFY(desktop->SetDesktopColor(kColour));
        // From another style, or stretch again, which must not lose what the desktop took.
        const int other = style == StyleCentre ? StyleTile : StyleStretch;
        QVERIFY(desktop->SetDesktopWallpaperStyle(other));
        QVERIFY(desktop->SetDesktopWallpaperStyle(style));
        // New options, both at once, to the same end.
        QVERIFY(desktop->setColourAndStyle(0, other));
        QVERIFY(desktop->setColourAndStyle(kColour, style));
        // Refused outright, changing nothing.
        QVERIFY(!desktop->SetDesktopWallpaperStyle(5));
        QVERIFY(!desktop->SetDesktopWallpaperStyle(-1));
        QString wrong = component->confirms(path, style, kLeft, orientation ? kRight : kColourRgb);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QCOMPARE(desktop->GetDesktopWallpaperStyle(), style);
        QCOMPARE(desktop->GetDesktopColor(), kColour);
        // LXQt's fill copy is turned upright itself (checked by confirms()).
        const bool cropped = rig == "lxqt" && style == StyleFill;
        QCOMPARE(uprightCopies(), component->copiesUpright && orientation > 1 && !cropped ? 1 : 0);
        QVERIFY(!desktop->forgotWallpaper());

        // The next picture keeps style and colour, and the upright copy goes with the old one.
        const QString next = picture(QStringLiteral("next"), style, 1, true);
        QVERIFY(desktop->SetDesktopWallpaper(next));
        wrong = component->confirms(next, style, kRight, kLeft);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QCOMPARE(desktop->GetDesktopWallpaperStyle(), style);
        QCOMPARE(uprightCopies(), 0);
        // Nothing in the name ran.
        for (const QString& folder :
             {folder_.path(), folder_.filePath(QStringLiteral("sway/cwd")), QDir::currentPath()})
            QVERIFY2(!QFile::exists(folder + QStringLiteral("/marker")), qPrintable(folder));
    }

    // Each operation fails where the desktop cannot be reached or refuses it; LXDE keeps style and
    // colour in our record for its desktop's next start. Our record of the LXQt desktop on the
    // display, drawn by earlier rows, stays as it was.
    void unreachable_data() {
        QTest::addColumn<QString>("rig");
        for (const char* rig : {"kde", "x11", "sway", "swaybg", "lxqt", "lxde"})
            QTest::newRow(rig) << QString::fromLatin1(rig);
        // Its command only hands the request to the desktop's socket and ends at once.
        QTest::newRow("lxde, stopped") << QStringLiteral("lxde stopped");
    }

    void unreachable() {
        QFETCH(QString, rig);
        std::unique_ptr<DesktopBackend> desktop;
        qint64 stopped = 0;
        const auto resume = qScopeGuard([&stopped] {
            if (stopped)
                ::kill(pid_t(stopped), SIGCONT);
        });
        if (rig == QLatin1String("lxde stopped")) {
            auto* const component = static_cast<PcmanfmRig*>(use(QStringLiteral("lxde")));
            QVERIFY(component);
            if (!component->missing().isEmpty())
                QSKIP(qPrintable(component->missing()));
            desktop = component->backend();
            stopped = component->pid();
            QCOMPARE(::kill(pid_t(stopped), SIGSTOP), 0);
        } else if (rig == QLatin1String("x11"))
            desktop = std::make_unique<X11RootDesktop>(":4095");
        else if (rig == QLatin1String("sway"))
            desktop = std::make_unique<SwayDesktop>(folder_.filePath(QStringLiteral("no-socket")));
        else if (rig == QLatin1String("swaybg"))
            desktop = std::make_unique<SwaybgDesktop>("wayland", "test", folder_.filePath("none"));
        else if (Rig* const component = use(rig, false); component->missing().isEmpty())
            desktop = component->backend();
        else
            QSKIP(qPrintable(component->missing()));
        QElapsedTimer waited;
        waited.start();
        QVERIFY(!desktop->SetDesktopWallpaper(picture(QStringLiteral("a"), StyleStretch, 1)));
        // One that did not answer is not waited for again at once: twice would take two whole
        // waits, and a loaded machine may add seconds to the one.
        if (stopped) {
            QVERIFY(!desktop->SetDesktopWallpaper(picture(QStringLiteral("b"), StyleTile, 1)));
            QVERIFY2(waited.elapsed() < 2 * kDesktopDrawTimeoutMs - 2000,
                     qPrintable(QStringLiteral("waited %1 ms").arg(waited.elapsed())));
        }
        if (!rig.startsWith(QLatin1String("lxde"))) {
            QVERIFY(!desktop->SetDesktopWallpaperStyle(StyleTile));
            QVERIFY(!desktop->SetDesktopColor(0));
        }
        if (!rig.startsWith(QLatin1String("lx"))) {
            QCOMPARE(desktop->GetDesktopWallpaperStyle(), -1);
            QCOMPARE(desktop->GetDesktopColor(), kUnknownDesktopColor);
        }
    }

    // Monitors change while we run: each monitor then shows the picture by itself, drawn again
    // within about a second. A second monitor comes with a larger screen (a laptop docked), or
    // the screen is split into two monitors under a copy started over the picture it shows. A
    // picture whose file went meanwhile gives way to the colour, which the next start then
    // replaces.
    void monitorsChangeWhileWeRun_data() {
        QTest::addColumn<bool>("restarted");
        QTest::addColumn<bool>("removed");
        QTest::newRow("docked laptop") << false << false;
        QTest::newRow("screen split, copy started over our picture") << true << false;
        QTest::newRow("docked laptop, the picture's file removed") << false << true;
    }
    void monitorsChangeWhileWeRun() {
        QFETCH(bool, restarted);
        QFETCH(bool, removed);
        test::XvfbServer server;
        QVERIFY2(server.start(2560, 1024, 24), qPrintable(server.error()));
        const auto xrandr = [&server](const QString& arguments) {
            return ::xrandr(server.display(), arguments);
        };
        // The laptop's screen alone, unlike either monitor later, so the old background repeated
        // across the larger screen would not pass for the new one.
        if (!restarted) {
            QVERIFY(xrandr(QStringLiteral("--newmode laptop 0 1000 0 0 0 1024 0 0 0")));
            QVERIFY(xrandr(QStringLiteral("--addmode screen laptop")));
            QVERIFY(xrandr(QStringLiteral("--output screen --mode laptop --fb 1000x1024")));
        }
        const QByteArray display = server.display().toLocal8Bit();
        const QString path = picture(QStringLiteral("halves"), StyleStretch, 1);
        auto desktop = std::make_unique<X11RootDesktop>(display);
        QCOMPARE(desktop->ShowWallpaper(path, 0x00606060, StyleStretch), ShowResult::Shown);
        if (restarted) {
            // The new copy finds its picture on the screen and leaves it there.
            desktop = std::make_unique<X11RootDesktop>(display);
            QVERIFY(!desktop->forgotWallpaper());
        }
        if (removed)
            QVERIFY(QFile::remove(path));
        QVERIFY(xrandr(QStringLiteral("--setmonitor M0 1000/300x1024/250+0+0 screen")));
        QVERIFY(xrandr(QStringLiteral("--setmonitor M1 1560/300x1024/250+1000+0 none")));
        if (!restarted)
            QVERIFY(xrandr(QStringLiteral("--fb 2560x1024 --output screen --mode 2560x1024")));
        const auto shows = [&] {
            const QImage pixels = test::readRootPixels(server.display());
            for (const auto& [x, rgb] :
                 {std::pair{250, kLeft}, {750, kRight}, {1700, kLeft}, {2170, kRight}})
                if (pixels.width() != 2560 ||
                    !test::closeColours(QColor(pixels.pixel(x, 512)),
                                        removed ? QColor(0x60, 0x60, 0x60) : rgb, 12))
                    return false;
            return true;
        };
        QTRY_VERIFY_WITH_TIMEOUT(shows(), 1500);
        QCOMPARE(desktop->forgotWallpaper(), removed);
    }

    // Both atoms name our pixmap, the previous one freed, also when a setter that names only
    // _XROOTPMAP_ID came between. Another's is not ours to end: a live client's named only by
    // _XROOTPMAP_ID, or the stale ids of a setter that vanished, or of ours ended by another
    // setter, whose client slot (and so the same ids) the server hands to the next connection.
    void rootPixmapsOfOthersAreNotEnded() {
        auto* const rig = static_cast<X11Rig*>(use(QStringLiteral("x11")));
        QVERIFY(rig);
        const QString display = rig->display();
        const auto desktop = rig->backend();
        const QString path = picture(QStringLiteral("halves"), StyleStretch, 1);
        X x(display);
        std::optional<quint32> previous;
        for (int change = 0; change < 2; ++change) {
            QVERIFY(desktop->SetDesktopWallpaper(path));
            const auto ours = x.pixmapAtom("_XROOTPMAP_ID");
            QVERIFY(ours && ours != previous && x.pixmapExists(*ours));
            QCOMPARE(x.pixmapAtom("ESETROOT_PMAP_ID"), ours);
            QVERIFY(!previous || !x.pixmapExists(*previous));
            previous = ours;
        }
        {
            X live(display);
            const xcb_pixmap_t pixmap = live.nameRootPixmap({"_XROOTPMAP_ID"});
            QVERIFY(desktop->forgotWallpaper()); // nor does our picture show then
            QVERIFY(desktop->SetDesktopWallpaper(path));
            QVERIFY(live.pixmapExists(pixmap));
            QVERIFY(live.ok());
            QVERIFY(!x.pixmapExists(*previous));
        }
        const xcb_pixmap_t stale = X(display).nameRootPixmap({"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"});
        x.settle(); // the server has finished with the closed connection: its slot is free
        X other(display);
        const xcb_setup_t* setup = xcb_get_setup(other.get());
        if ((stale & ~setup->resource_id_mask) != setup->resource_id_base)
            QSKIP("the server gave the bystander another client slot");
        // Its first window takes the id the stale pixmap had.
        const xcb_window_t window = xcb_generate_id(other.get());
        QCOMPARE(window, stale);
        xcb_create_window(other.get(), XCB_COPY_FROM_PARENT, window, other.defaultScreen()->root, 0,
                          0, 8, 8, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0,
                          nullptr);
        QVERIFY(other.settle());
        QVERIFY(desktop->SetDesktopWallpaper(path));
        QVERIFY(other.settle());
        const auto ours = x.pixmapAtom("_XROOTPMAP_ID");
        QVERIFY(ours && x.pixmapExists(*ours));
        X setter(display);
        xcb_kill_client(setter.get(), *ours);
        setter.nameRootPixmap({"_XROOTPMAP_ID"});
        // A pixmap's process is what tells ours from another program's that took its id.
        QProcess bystander;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", display);
        environment.insert("KV_BYSTANDER_PIXMAP", QString::number(*ours));
        bystander.setProcessEnvironment(environment);
        bystander.start(QCoreApplication::applicationFilePath(), {});
        const auto end = qScopeGuard([&bystander] { test::endProcess(bystander); });
        if (!QTest::qWaitFor([&] { return x.pixmapExists(*ours); }, 10000))
            QSKIP("the server gave the bystander another client slot");
        QVERIFY(desktop->SetDesktopWallpaper(path));
        QVERIFY(x.pixmapExists(*ours));
    }

    // A colour or style change once ours is no longer what shows. Another program's picture, set
    // over ours, stays with its setter; the change is kept for our next picture. When the file of
    // ours has gone, the colour shows alone at once.
    void colourAndStyleChangesOverWhatShows_data() {
        QTest::addColumn<bool>("foreign");
        QTest::addColumn<bool>("colour");
        QTest::addColumn<bool>("style");
        for (const bool foreign : {true, false})
            for (const auto& [colour, style, what] :
                 {std::tuple{true, false, "colour"}, {false, true, "style"}, {true, true, "both"}})
                QTest::addRow("%s, %s", foreign ? "another's picture" : "our file removed", what)
                    << foreign << colour << style;
    }
    void colourAndStyleChangesOverWhatShows() {
        QFETCH(bool, foreign);
        QFETCH(bool, colour);
        QFETCH(bool, style);
        auto* const rig = static_cast<X11Rig*>(use(QStringLiteral("x11")));
        QVERIFY(rig);
        const auto desktop = rig->backend();
        const QString path = picture(QStringLiteral("ours"), StyleStretch, 1);
        QCOMPARE(desktop->ShowWallpaper(path, kColour, StyleStretch), ShowResult::Shown);
        X other(rig->display());
        const xcb_pixmap_t theirs =
            foreign ? other.nameRootPixmap({"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) : XCB_NONE;
        if (!foreign)
            QVERIFY(QFile::remove(path));
        const DesktopColor newColour = colour ? 0x00204080 : kColour;
        const int newStyle = style ? StyleTile : StyleStretch;
        if (colour && style)
            QVERIFY(desktop->setColourAndStyle(newColour, newStyle));
        else if (colour)
            QVERIFY(desktop->SetDesktopColor(newColour));
        else
            QVERIFY(desktop->SetDesktopWallpaperStyle(newStyle));
        QCOMPARE(desktop->GetDesktopColor(), newColour);
        QCOMPARE(desktop->GetDesktopWallpaperStyle(), newStyle);
        if (foreign) {
            QCOMPARE(other.pixmapAtom("_XROOTPMAP_ID"), std::optional<quint32>(theirs));
            QVERIFY(other.settle() && other.pixmapExists(theirs));
        } else {
            const QColor shown = test::rootCentreColour(rig->display());
            QVERIFY(test::closeColours(shown, colour ? QColor(0x80, 0x40, 0x20) : kColourRgb, 0));
            QVERIFY(desktop->forgotWallpaper());
        }
    }

    // A new sway, after a logout, has forgotten the wallpaper, and our swaybg has gone with the
    // old one; pcmanfm-qt has saved over our colour and mode the ones it started with. A
    // manual-mode logon start shows the current entry again, with style and colour.
    void showsTheWallpaperAgainAfterLogout_data() {
        QTest::addColumn<QString>("rig");
        QTest::addColumn<QString>("desktop");
        for (const auto& [rig, desktop] :
             {std::pair{"sway", "sway"}, {"swaybg", "wayland"}, {"lxqt-stretch", "lxqt"}})
            QTest::newRow(rig) << QString::fromLatin1(rig) << QString::fromLatin1(desktop);
    }

    void showsTheWallpaperAgainAfterLogout() {
        QFETCH(QString, rig);
        QFETCH(QString, desktop);
        Rig* const component = use(rig);
        QVERIFY(component);
        if (!component->missing().isEmpty())
            QSKIP(qPrintable(component->missing()));
        const QString path = picture(QStringLiteral("current"), StyleFit, 1);
        // First in another colour: what shows after the logout must not pass for the logon's.
        QCOMPARE(component->backend()->ShowWallpaper(path, ~kColour & 0xFFFFFF, StyleFit),
                 ShowResult::Shown);
        QVERIFY(component->logout());
        test::ProgramHome home(xvfb_.display(), desktop);
        if (auto* const sway = dynamic_cast<SwayRig*>(component)) {
            home.setVariable("SWAYSOCK", sway->socket());
            home.setVariable("WAYLAND_DISPLAY", "wayland-1");
            home.setVariable("XDG_RUNTIME_DIR", sway->runtime()); // where sway's user reads links
        }
        // The same user's desktop settings.
        QVERIFY(QFile::link(home_.configHome() + "/pcmanfm-qt",
                            home.environment().configHome() + "/pcmanfm-qt"));
        home.store({{"WN", "1"},
                    {"WName1", "current.png"},
                    {"WPath1", folder_.path()},
                    {"WShown", path},
                    {"Stretch", "3"},
                    {"Backgroud", QString::number(kColour)},
                    {"Automatic", "0"},
                    {"AutoStart", "0"}});
        QCOMPARE(home.run({"-logon"}), 0);
        const QString wrong = component->confirms(path, StyleFit, kLeft, kRight);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    // Each change starts a new swaybg of ours before ending the previous one, and never ends one
    // it did not start.
    void swaybgReplacesOnlyItsOwn() {
        auto* const sway = static_cast<SwayRig*>(use(QStringLiteral("swaybg")));
        QVERIFY(sway);
        if (!sway->missing().isEmpty())
            QSKIP(qPrintable(sway->missing()));
        QProcess foreign;
        foreign.start(QStringLiteral("swaybg"), {"-o", "*", "-c", "00ff00"});
        QVERIFY(foreign.waitForStarted());
        const auto swaybgRunning = [](qint64 pid) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            return pid > 0 && cmdline.open(QIODevice::ReadOnly) &&
                   cmdline.readAll().contains("swaybg");
        };
        SwaybgDesktop desktop("wayland", "test", "wayland-1");
        QVERIFY(desktop.SetDesktopWallpaper(picture(QStringLiteral("bg"), StyleCentre, 1)));
        const qint64 first = DesktopRecord(QStringLiteral("wayland")).read().helperPid;
        QVERIFY(swaybgRunning(first));
        QVERIFY(desktop.SetDesktopWallpaperStyle(StyleTile));
        const qint64 second = DesktopRecord(QStringLiteral("wayland")).read().helperPid;
        QVERIFY(second != first && swaybgRunning(second));
        QVERIFY(QTest::qWaitFor([&] { return !swaybgRunning(first); }, 5000));
        desktop.endHelper();
        QVERIFY(QTest::qWaitFor([&] { return !swaybgRunning(second); }, 5000));
        QCOMPARE(desktop.GetDesktopWallpaperStyle(), -1);
        QCOMPARE(foreign.state(), QProcess::Running);
        test::endProcess(foreign);
    }
};

QTEST_GUILESS_MAIN(TestDesktopContract)
#include "tst_desktop_contract.moc"
