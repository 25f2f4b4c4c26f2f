// SPDX-License-Identifier: GPL-3.0-or-later
// A right click on the notification-area icon of the running program, to the root's new picture.
// The program is resident and collapsed into the notification area (a "-logon" start with no
// automatic change), on a private Xvfb with the X11 root backend (KESTROVALINE_DESKTOP=x11). The
// click comes the way a StatusNotifier host (Plasma's or LXQt's panel) passes one on: the bench
// serves the host's watcher on a private session bus and calls the icon's ContextMenu(x, y). Each
// click is timed from that call to the root's new picture (_XROOTPMAP_ID set), and the program's
// processor time is counted from the call until its work is done; its resident memory is read
// after the last click. The collection is two 4000x3000 JPEGs, so every click draws the other
// one, which the bench checks. Beside it, in the same run: `hsetroot -fill` on the same picture,
// a process of its own measured by rusage_run.
//   bench_tray_click [path/to/kestrovaline] [clicks]     default: the build's program, 9 clicks
#include "desktop/X11RootDesktop.h"
#include "settings/Settings.h"
#include "settings/SettingsLocation.h"
#include "settings/SqliteSettingsStore.h"

#include "BenchPicture.h"
#include "BenchProcess.h"
#include "BenchXvfb.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>

using namespace kv::bench;

namespace {

// A panel's StatusNotifier watcher: it learns the icon's service when the icon registers.
class Watcher : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
public:
    explicit Watcher(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    QString item;
public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) {
        item = service;
        Q_EMIT registered();
    }
Q_SIGNALS:
    void registered();
};

// A private session bus; its address, or empty after saying why.
QString startSessionBus(QProcess& daemon) {
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"),
                  QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    QByteArray line;
    while (!line.contains('\n') && daemon.waitForReadyRead(20000))
        line += daemon.readAllStandardOutput();
    if (line.trimmed().isEmpty())
        std::fprintf(stderr, "dbus-daemon did not start (package dbus)\n");
    return QString::fromUtf8(line.trimmed());
}

// Two pictures of a photograph's weight, both in one folder.
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

struct Clicks {
    std::vector<double> wallMs;
    std::vector<double> cpuMs;
    double residentMb = 0;
    QString error;
};

// The resident program, clicked `count` times. Between clicks it is left alone long enough to
// finish what a click sets off, so the processor time of each is its whole cost.
Clicks clickProgram(const QString& program, const QProcessEnvironment& environment,
                    QDBusConnection& panel, Watcher& watcher, xcb_connection_t* x, int count) {
    Clicks clicks;
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {QStringLiteral("-logon")});
    QEventLoop loop;
    QObject::connect(&watcher, &Watcher::registered, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (process.waitForStarted(10000) && watcher.item.isEmpty())
        loop.exec();
    if (watcher.item.isEmpty()) {
        clicks.error = QStringLiteral("the icon did not register");
        return clicks;
    }
    // The start shows the collection's current picture again (the X server forgets it); the
    // clicks begin once the start's own work has settled.
    QThread::msleep(1500);
    const qint64 pid = process.processId();
    const QDBusMessage rightClick =
        QDBusMessage::createMethodCall(watcher.item, QStringLiteral("/StatusNotifierItem"),
                                       QStringLiteral("org.kde.StatusNotifierItem"),
                                       QStringLiteral("ContextMenu"))
        << 0 << 0;
    QString shown = rootPicturePath(x);
    for (int click = 0; click < count && clicks.error.isEmpty(); ++click) {
        forgetEvents(x);
        const double cpuBefore = cpuMs(pid);
        QElapsedTimer timer;
        timer.start();
        panel.send(rightClick);
        if (!waitForRootPicture(x, 30000)) {
            clicks.error = QStringLiteral("a click changed nothing");
            break;
        }
        clicks.wallMs.push_back(timer.nsecsElapsed() / 1e6);
        QThread::msleep(500);
        clicks.cpuMs.push_back(cpuMs(pid) - cpuBefore);
        const QString now = rootPicturePath(x);
        if (now == shown)
            clicks.error = QStringLiteral("a click drew the picture already shown");
        shown = now;
    }
    clicks.residentMb = procField(pid, "status", "VmRSS") / 1024.0;
    QProcess close;
    close.setProcessEnvironment(environment);
    close.start(program, {QStringLiteral("-close")});
    close.waitForFinished(30000);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
    }
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
    QProcess busDaemon;
    const QString bus = display.isEmpty() ? QString() : startSessionBus(busDaemon);
    if (bus.isEmpty())
        return 1;
    QDBusConnection panel = QDBusConnection::connectToBus(bus, QStringLiteral("panel"));
    QObject served;
    auto* watcher = new Watcher(&served);
    if (!panel.registerObject(QStringLiteral("/StatusNotifierWatcher"), &served) ||
        !panel.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
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
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
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
    const Clicks clicks = clickProgram(program, environment, panel, *watcher, x, count);
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
    xcb_disconnect(x);
    if (!clicks.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(clicks.error));
        return 1;
    }
    const double ours = median(clicks.wallMs);
    const double oursCpu = median(clicks.cpuMs);
    std::printf("tray right click to the root's new picture, 4000x3000 JPEG (median of %d)\n"
                "%-22s %7.1f ms (%.1f-%.1f)  cpu %7.1f ms  then %6.1f MB resident\n"
                "%-22s %7.1f ms              cpu %7.1f ms  (a process of its own)\n"
                "ratio                  %7.2fx                  %7.2fx\n",
                count, "kestrovaline, in tray", ours,
                *std::min_element(clicks.wallMs.begin(), clicks.wallMs.end()),
                *std::max_element(clicks.wallMs.begin(), clicks.wallMs.end()), oursCpu,
                clicks.residentMb, "hsetroot -fill", median(wall), median(cpu), ours / median(wall),
                oursCpu / median(cpu));
    busDaemon.terminate();
    busDaemon.waitForFinished(5000);
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return 0;
}

#include "bench_tray_click.moc"
