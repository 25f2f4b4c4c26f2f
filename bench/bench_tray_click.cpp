// SPDX-License-Identifier: GPL-3.0-or-later
// A right click on the notification-area icon of the running program, to the root's new picture.
// The program is resident and collapsed into the notification area (a "-logon" start with no
// automatic change), on a private Xvfb with the X11 root backend (KESTROVALINE_DESKTOP=x11). The
// click comes both ways a notification area gets one:
//   - a StatusNotifier host (Plasma's or LXQt's panel): the bench serves the host's watcher on a
//     private session bus and calls the icon's ContextMenu(x, y);
//   - an XEmbed tray (trayer, as on plain window managers): the bench presses and releases the
//     right button over the icon's window through the X server (XTest).
// Each click is timed from the call or the press to the root's new picture (_XROOTPMAP_ID set),
// and the program's processor time is counted from there until its work is done; its resident
// memory is read after the last click. The collection is two 4000x3000 JPEGs, so every click
// draws the other one, which the bench checks. Beside it, in the same run: `hsetroot -fill` on
// the same picture, a process of its own measured by rusage_run.
//   bench_tray_click [path/to/kestrovaline] [clicks]     default: the build's program, 9 clicks
#include "desktop/X11RootDesktop.h"
#include "settings/Settings.h"
#include "settings/SettingsLocation.h"
#include "settings/SqliteSettingsStore.h"
#include "support/SessionBus.h"
#include "support/StatusNotifierWatcher.h"

#include "BenchPicture.h"
#include "BenchProcess.h"
#include "BenchXvfb.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <xcb/xtest.h>

using namespace kv::bench;

namespace {

// The stored collection: these pictures, each in use, the first one current.
bool storeCollection(const QProcessEnvironment& environment, const QStringList& pictures) {
    auto store = kv::SqliteSettingsStore::open(kv::persistentStorePath(environment));
    kv::Settings settings(*store);
    settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
    kv::Settings::Batch batch(settings);
    settings.WriteSetting(QStringLiteral("WN"), int(pictures.size()));
    for (int n = 1; n <= pictures.size(); ++n) {
        const QFileInfo picture(pictures[n - 1]);
        settings.WriteSetting(QStringLiteral("WName%1").arg(n), picture.fileName());
        settings.WriteSetting(QStringLiteral("WPath%1").arg(n), picture.path());
        settings.WriteSetting(QStringLiteral("WState%1").arg(n), 1);
    }
    settings.WriteSetting(QStringLiteral("WIndex"), 0);
    // Stays in the notification area, and changes only when clicked.
    settings.WriteSetting(QStringLiteral("Automatic"), 0);
    settings.WriteSetting(QStringLiteral("AutoStart"), 1);
    settings.WriteSetting(QStringLiteral("JustInstalled"), 0);
    return batch.commit();
}

// The picture our X11 backend records on the root as shown.
QString rootPicturePath(xcb_connection_t* x) {
    const QByteArray name(kv::X11RootDesktop::kPathProperty);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        x, xcb_intern_atom(x, 1, uint16_t(name.size()), name.constData()), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        x,
        xcb_get_property(x, 0, root, atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE), XCB_ATOM_ANY, 0,
                         4096),
        nullptr);
    QString path;
    if (reply)
        path = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                 xcb_get_property_value_length(reply));
    std::free(reply);
    std::free(atom);
    return path;
}

// A StatusNotifier host: its watcher, served on the private session bus, learns the icon.
class StatusNotifierHost {
public:
    explicit StatusNotifierHost(const QString& bus)
        : panel_(QDBusConnection::connectToBus(bus, QStringLiteral("panel"))),
          watcher_(new kv::test::StatusNotifierWatcher(&served_)) {
        QObject::connect(watcher_, &kv::test::StatusNotifierWatcher::registered, &loop_,
                         &QEventLoop::quit);
    }
    bool serve() {
        return panel_.registerObject(QStringLiteral("/StatusNotifierWatcher"), &served_) &&
               panel_.registerService(kWatcher);
    }
    void leave() { panel_.unregisterService(kWatcher); }
    bool awaitIcon() {
        QTimer::singleShot(60000, &loop_, &QEventLoop::quit);
        if (watcher_->items.isEmpty())
            loop_.exec();
        return !watcher_->items.isEmpty();
    }
    void rightClick() {
        panel_.send(QDBusMessage::createMethodCall(
                        watcher_->items.last(), QStringLiteral("/StatusNotifierItem"),
                        QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("ContextMenu"))
                    << 0 << 0);
    }

private:
    inline static const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection panel_;
    QObject served_;
    kv::test::StatusNotifierWatcher* watcher_;
    QEventLoop loop_;
};

// The centre of the program's icon embedded in an XEmbed tray, on the root: a viewable window of
// the program's class the size of a panel's slot (its hidden helper windows are 1x1 or 3x3);
// null while there is none under `window`.
QPoint embeddedIcon(xcb_connection_t* x, xcb_window_t root, xcb_window_t window) {
    xcb_get_property_reply_t* wmClass = xcb_get_property_reply(
        x, xcb_get_property(x, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr);
    const bool ours =
        wmClass && QByteArray(static_cast<const char*>(xcb_get_property_value(wmClass)),
                              xcb_get_property_value_length(wmClass))
                       .startsWith(QByteArrayLiteral("kestrovaline\0"));
    std::free(wmClass);
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, window), nullptr);
    const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(x, xcb_get_geometry(x, window), nullptr);
    QPoint centre;
    if (ours && viewable && geometry && geometry->width > 8 && geometry->height > 8 &&
        geometry->width <= 128 && geometry->height <= 128) {
        xcb_translate_coordinates_reply_t* place = xcb_translate_coordinates_reply(
            x, xcb_translate_coordinates(x, window, root, 0, 0), nullptr);
        if (place)
            centre =
                QPoint(place->dst_x + geometry->width / 2, place->dst_y + geometry->height / 2);
        std::free(place);
    }
    std::free(geometry);
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(x, xcb_query_tree(x, window), nullptr);
    for (int i = 0; tree && centre.isNull() && i < xcb_query_tree_children_length(tree); ++i)
        centre = embeddedIcon(x, root, xcb_query_tree_children(tree)[i]);
    std::free(tree);
    return centre;
}

// An XEmbed tray host (trayer) on the private X server; clicks go through the server as a
// pointer's would.
class XEmbedTray {
public:
    explicit XEmbedTray(xcb_connection_t* x)
        : x_(x), root_(xcb_setup_roots_iterator(xcb_get_setup(x)).data->root) {}
    ~XEmbedTray() {
        host_.terminate();
        host_.waitForFinished(5000);
    }
    bool start(const QProcessEnvironment& environment) {
        host_.setProcessEnvironment(environment);
        host_.start(QStringLiteral("trayer"),
                    QStringLiteral("--edge bottom --align right --widthtype request --height 24 "
                                   "--SetDockType true --transparent false")
                        .split(u' '));
        if (!host_.waitForStarted(10000)) {
            std::fprintf(stderr, "trayer did not start (package trayer)\n");
            return false;
        }
        return true;
    }
    bool awaitIcon() {
        QElapsedTimer waited;
        waited.start();
        while ((icon_ = embeddedIcon(x_, root_, root_)).isNull() && waited.elapsed() < 30000)
            QThread::msleep(100);
        if (icon_.isNull())
            return false;
        xcb_test_fake_input(x_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, int16_t(icon_.x()),
                            int16_t(icon_.y()), 0);
        xcb_flush(x_);
        return true;
    }
    void rightClick() {
        for (const uint8_t type : {XCB_BUTTON_PRESS, XCB_BUTTON_RELEASE})
            xcb_test_fake_input(x_, type, 3, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(x_);
    }

private:
    xcb_connection_t* x_;
    xcb_window_t root_;
    QProcess host_;
    QPoint icon_;
};

struct Clicks {
    std::vector<double> wallMs;
    std::vector<double> cpuMs;
    double residentMb = 0;
    QString error;
};

// The resident program, clicked `count` times once its icon is there. Between clicks it is left
// alone long enough to finish what a click sets off, so the processor time of each is its whole
// cost, and for the next press not to make a double click.
Clicks clickProgram(const QString& program, const QProcessEnvironment& environment,
                    xcb_connection_t* x, int count, const std::function<bool()>& awaitIcon,
                    const std::function<void()>& rightClick) {
    Clicks clicks;
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {QStringLiteral("-logon")});
    if (!process.waitForStarted(10000) || !awaitIcon()) {
        clicks.error = QStringLiteral("the icon did not show");
        return clicks;
    }
    // The start shows the collection's current picture again (the X server forgets it); the
    // clicks begin once the start's own work has settled.
    QThread::msleep(1500);
    const qint64 pid = process.processId();
    QString shown = rootPicturePath(x);
    for (int click = 0; click < count && clicks.error.isEmpty(); ++click) {
        forgetEvents(x);
        const double cpuBefore = cpuMs(pid);
        QElapsedTimer timer;
        timer.start();
        rightClick();
        if (!waitForRootPicture(x, 30000)) {
            clicks.error = QStringLiteral("a click changed nothing");
            break;
        }
        clicks.wallMs.push_back(timer.nsecsElapsed() / 1e6);
        QThread::msleep(800);
        clicks.cpuMs.push_back(cpuMs(pid) - cpuBefore);
        const QString now = rootPicturePath(x);
        if (now == shown)
            clicks.error = QStringLiteral("a click drew the picture already shown");
        shown = now;
    }
    clicks.residentMb = procField(pid, "status", "VmRSS") / 1024.0;
    closeProgram(program, environment, process);
    return clicks;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QString program = argc > 1 && argv[1][0] ? QString::fromLocal8Bit(argv[1])
                                                   : QCoreApplication::applicationDirPath() +
                                                         QStringLiteral("/../kestrovaline");
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    if (!QFile::exists(program)) {
        std::fprintf(stderr, "no program at %s\n", qPrintable(program));
        return 1;
    }
    QProcess xvfb;
    const QByteArray display = startXvfb(xvfb);
    kv::test::SessionBus bus;
    if (display.isEmpty())
        return 1;
    if (!bus.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(bus.error()));
        return 1;
    }
    StatusNotifierHost statusNotifier(bus.address());
    if (!statusNotifier.serve()) {
        std::fprintf(stderr, "cannot serve the watcher on the private bus\n");
        return 1;
    }

    QTemporaryDir home;
    QTemporaryDir runtime(QDir(QStringLiteral("/dev/shm")).exists()
                              ? QStringLiteral("/dev/shm/kv-bench-XXXXXX")
                              : home.filePath(QStringLiteral("run-XXXXXX")));
    QFile::setPermissions(runtime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    environment.insert(QStringLiteral("KESTROVALINE_DESKTOP"), QStringLiteral("x11"));

    const QImage photograph = photographLike(QSize(4000, 3000));
    const QStringList pictures{home.filePath(QStringLiteral("photo-a.jpg")),
                               home.filePath(QStringLiteral("photo-b.jpg"))};
    if (!photograph.save(pictures[0], "JPEG", 90) ||
        !photograph.mirrored(true, false).save(pictures[1], "JPEG", 90) ||
        !storeCollection(environment, pictures)) {
        std::fprintf(stderr, "cannot write the pictures or the collection\n");
        return 1;
    }

    xcb_connection_t* x = xcb_connect(display.constData(), nullptr);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(x, xcb_setup_roots_iterator(xcb_get_setup(x)).data->root,
                                 XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);
    struct Host {
        const char* name;
        Clicks clicks;
    };
    std::vector<Host> hosts;
    hosts.push_back({"StatusNotifier host",
                     clickProgram(
                         program, environment, x, count, [&] { return statusNotifier.awaitIcon(); },
                         [&] { statusNotifier.rightClick(); })});
    // Without a watcher on the bus the program's icon goes to the XEmbed tray.
    statusNotifier.leave();
    XEmbedTray tray(x);
    if (tray.start(environment))
        hosts.push_back({"XEmbed tray (XTest)",
                         clickProgram(
                             program, environment, x, count, [&] { return tray.awaitIcon(); },
                             [&] { tray.rightClick(); })});
    std::vector<double> wall, cpu;
    for (int run = 0; run < count; ++run) {
        const Measured peer = runMeasured(
            environment, {QStringLiteral("hsetroot"), QStringLiteral("-fill"), pictures[0]});
        if (!peer.ok) {
            std::fprintf(stderr, "hsetroot did not run (package hsetroot)\n");
            return 1;
        }
        wall.push_back(peer.wallMs);
        cpu.push_back(peer.cpuMs);
    }
    std::printf("tray right click to the root's new picture, 4000x3000 JPEG (median of %d)\n"
                "%-22s %7.1f ms               cpu %6.1f ms  (a process of its own)\n",
                count, "hsetroot -fill", median(wall), median(cpu));
    for (const Host& host : hosts) {
        const Clicks& clicks = host.clicks;
        if (!clicks.error.isEmpty()) {
            std::printf("%-22s %s\n", host.name, qPrintable(clicks.error));
            continue;
        }
        const auto [least, most] = std::minmax_element(clicks.wallMs.begin(), clicks.wallMs.end());
        std::printf("%-22s %7.1f ms (%5.1f-%5.1f) cpu %6.1f ms  then %4.1f MB resident  "
                    "%4.2fx %4.2fx hsetroot\n",
                    host.name, median(clicks.wallMs), *least, *most, median(clicks.cpuMs),
                    clicks.residentMb, median(clicks.wallMs) / median(wall),
                    median(clicks.cpuMs) / median(cpu));
    }
    xcb_disconnect(x);
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return 0;
}
