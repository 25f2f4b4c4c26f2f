// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopLoader.h"

#include "desktop/AwaitedDesktop.h"
#include "desktop/GSettingsDesktop.h"
#include "desktop/PcmanfmDesktop.h"
#include "desktop/PlasmaDesktop.h"
#include "desktop/WlrootsDesktop.h"
#include "desktop/X11RootDesktop.h"
#include "desktop/XfceDesktop.h"
#include "engine/NullDesktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

#include <sys/stat.h>

#include <algorithm>
#include <array>

namespace kv {
namespace {

struct Session {
    QStringList names; // lower case
    bool wayland = false;
    bool x11 = false;
    QString display;
    QString swaySocket;
    bool hyprland = false;

    bool named(std::initializer_list<const char*> any) const {
        for (const char* name : any)
            if (names.contains(QLatin1String(name)))
                return true;
        return false;
    }
};

Session sessionOf(const QProcessEnvironment& environment) {
    Session session;
    for (const char* variable : {"XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION"}) {
        QString value = environment.value(QLatin1String(variable)).trimmed();
        // Old display managers put the session file's path in DESKTOP_SESSION.
        value = value.mid(value.lastIndexOf(QLatin1Char('/')) + 1);
        for (const QString& name : value.split(QLatin1Char(':'), Qt::SkipEmptyParts))
            if (!name.trimmed().isEmpty())
                session.names << name.trimmed().toLower();
        if (!session.names.isEmpty())
            break;
    }
    session.wayland = !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    session.display = environment.value(QStringLiteral("DISPLAY"));
    session.x11 = !session.display.isEmpty();
    session.swaySocket = environment.value(QStringLiteral("SWAYSOCK"));
    session.hyprland = !environment.value(QStringLiteral("HYPRLAND_INSTANCE_SIGNATURE")).isEmpty();
    return session;
}

// One row per backend, in the order detection tries them. A new desktop is one more class and
// one more row.
struct Candidate {
    const char* id;
    bool (*claims)(const Session&);
    bool (*canWork)(const Session&, const DesktopProbes&);
    std::unique_ptr<DesktopBackend> (*create)(const QProcessEnvironment&);
    // The session names this desktop, whose component may reach the bus after us: worth a
    // wait. nullptr for backends that are there as soon as the session is.
    bool (*named)(const Session&) = nullptr;
};

bool namesPlasma(const Session& s) {
    return s.named({"kde", "plasma", "plasmawayland", "plasmax11"});
}
bool namesGnome(const Session& s) {
    return s.named({"gnome", "gnome-xorg", "gnome-classic", "gnome-flashback", "ubuntu",
                    "ubuntu-xorg", "unity", "budgie", "budgie-desktop", "pantheon"});
}
bool namesCinnamon(const Session& s) {
    return s.named({"x-cinnamon", "cinnamon", "cinnamon2d", "cinnamon-wayland"});
}
bool namesMate(const Session& s) {
    return s.named({"mate"});
}
bool namesXfce(const Session& s) {
    return s.named({"xfce", "xubuntu", "xfce4"});
}
bool namesLxqt(const Session& s) {
    return s.named({"lxqt"});
}
bool namesLxde(const Session& s) {
    return s.named({"lxde", "lubuntu"});
}

// A desktop that draws its own background: a helper of ours drawing one under it shows nothing.
bool namesFullDesktop(const Session& s) {
    return namesPlasma(s) || namesGnome(s) || namesCinnamon(s) || namesMate(s) || namesXfce(s) ||
           namesLxqt(s) || namesLxde(s);
}

bool schemaProbe(const DesktopProbes& probes, const char* id) {
    return probes.schemaInstalled && probes.schemaInstalled(id);
}

bool executableProbe(const DesktopProbes& probes, const char* program) {
    return probes.executableFound && probes.executableFound(program);
}

const std::array<Candidate, 11> kCandidates{{
    // Plasma is found by its shell rather than by name: the shell is what takes the picture.
    {"kde", [](const Session&) { return true; },
     [](const Session&, const DesktopProbes& p) {
         return p.busNameOwned && p.busNameOwned(PlasmaDesktop::kService);
     },
     [](const QProcessEnvironment&) -> std::unique_ptr<DesktopBackend> {
         return std::make_unique<PlasmaDesktop>();
     },
     namesPlasma},
    {"gnome", namesGnome,
     [](const Session&, const DesktopProbes& p) {
         return schemaProbe(p, GnomeDesktop::kSchema.id);
     },
     [](const QProcessEnvironment&) -> std::unique_ptr<DesktopBackend> {
         return std::make_unique<GnomeDesktop>();
     }},
    {"cinnamon", namesCinnamon,
     [](const Session&, const DesktopProbes& p) {
         return schemaProbe(p, CinnamonDesktop::kSchema.id);
     },
     [](const QProcessEnvironment&) -> std::unique_ptr<DesktopBackend> {
         return std::make_unique<CinnamonDesktop>();
     }},
    {"mate", namesMate,
     [](const Session&, const DesktopProbes& p) { return schemaProbe(p, MateDesktop::kSchema.id); },
     [](const QProcessEnvironment&) -> std::unique_ptr<DesktopBackend> {
         return std::make_unique<MateDesktop>();
     }},
    // The xfconf service starts on demand on any desktop, so XFCE is known by name only.
    {"xfce", namesXfce,
     [](const Session&, const DesktopProbes& p) {
         return p.busNameAvailable && p.busNameAvailable(XfceDesktop::kService);
     },
     [](const QProcessEnvironment&) -> std::unique_ptr<DesktopBackend> {
         return std::make_unique<XfceDesktop>();
     },
     namesXfce},
    {"lxqt", namesLxqt,
     [](const Session&, const DesktopProbes& p) {
         return p.lxqtDesktopRunning && p.lxqtDesktopRunning();
     },
     [](const QProcessEnvironment& e) -> std::unique_ptr<DesktopBackend> {
         return std::make_unique<LxqtDesktop>(e.value(QStringLiteral("DISPLAY")));
     },
     namesLxqt},
    {"lxde", namesLxde,
     [](const Session& s, const DesktopProbes& p) {
         return s.x11 && p.lxdeDesktopRunning && p.lxdeDesktopRunning(s.display);
     },
     [](const QProcessEnvironment& e) -> std::unique_ptr<DesktopBackend> {
         return std::make_unique<LxdeDesktop>(e.value(QStringLiteral("DISPLAY")));
     },
     namesLxde},
    {"sway", [](const Session& s) { return !s.swaySocket.isEmpty(); },
     [](const Session& s, const DesktopProbes& p) {
         return p.socketExists && p.socketExists(s.swaySocket);
     },
     [](const QProcessEnvironment& e) -> std::unique_ptr<DesktopBackend> {
         return std::make_unique<SwayDesktop>(e.value(QStringLiteral("SWAYSOCK")));
     }},
    {"hyprland", [](const Session& s) { return s.hyprland || s.named({"hyprland"}); },
     [](const Session& s, const DesktopProbes& p) {
         return s.wayland && executableProbe(p, "swaybg");
     },
     [](const QProcessEnvironment& e) -> std::unique_ptr<DesktopBackend> {
         return std::make_unique<SwaybgDesktop>(QStringLiteral("hyprland"),
                                                QStringLiteral("Hyprland"),
                                                e.value(QStringLiteral("WAYLAND_DISPLAY")));
     }},
    // Other wlroots compositors show a swaybg we start; one that does not draw layer surfaces
    // makes it exit at once, and the picture is reported as not set.
    {"wayland", [](const Session& s) { return s.wayland && !namesFullDesktop(s); },
     [](const Session& s, const DesktopProbes& p) {
         return s.wayland && executableProbe(p, "swaybg");
     },
     [](const QProcessEnvironment& e) -> std::unique_ptr<DesktopBackend> {
         return std::make_unique<SwaybgDesktop>(
             QStringLiteral("wayland"),
             QLatin1String(QT_TRANSLATE_NOOP("kv::DesktopBackend", "Wayland compositor")),
             e.value(QStringLiteral("WAYLAND_DISPLAY")));
     }},
    // Any X11 session whose desktop we do not know: the root window is the background. Under
    // Wayland the X root (XWayland's) is not what the user sees.
    {"x11", [](const Session&) { return true; },
     [](const Session& s, const DesktopProbes&) { return s.x11 && !s.wayland; },
     [](const QProcessEnvironment& e) -> std::unique_ptr<DesktopBackend> {
         return std::make_unique<X11RootDesktop>(e.value(QStringLiteral("DISPLAY")).toLocal8Bit());
     }},
}};

const Candidate* candidateWithId(const QString& id) {
    for (const Candidate& candidate : kCandidates)
        if (id == QLatin1String(candidate.id))
            return &candidate;
    return nullptr;
}

} // namespace

// Without an address libdbus may launch a bus of its own (autolaunch through X11): a probe must
// never start a daemon, so it asks only a bus that exists.
static bool sessionBusExists() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat info {};
    return !runtime.isEmpty() &&
           ::stat(QFile::encodeName(runtime + QStringLiteral("/bus")).constData(), &info) == 0 &&
           S_ISSOCK(info.st_mode);
}

DesktopProbes DesktopProbes::system() {
    DesktopProbes probes;
    probes.schemaInstalled = [](const char* id) {
        return GSettingsDesktop::schemaInstalled(id);
    };
    probes.busNameOwned = [](const char* name) {
        if (!sessionBusExists())
            return false;
        const QDBusConnection bus = QDBusConnection::sessionBus();
        return bus.isConnected() && bus.interface() &&
               bus.interface()->isServiceRegistered(QLatin1String(name)).value();
    };
    probes.busNameAvailable = [](const char* name) {
        if (!sessionBusExists())
            return false;
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected() || !bus.interface())
            return false;
        return bus.interface()->isServiceRegistered(QLatin1String(name)).value() ||
               bus.interface()->activatableServiceNames().value().contains(QLatin1String(name));
    };
    probes.lxqtDesktopRunning = [] {
        return sessionBusExists() && LxqtDesktop::desktopRunning();
    };
    probes.lxdeDesktopRunning = [](const QString& display) {
        return findOwnProcess(QStringLiteral("pcmanfm"), QStringLiteral("--desktop"), display)
            .has_value();
    };
    probes.socketExists = [](const QString& path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISSOCK(info.st_mode);
    };
    probes.executableFound = [](const char* program) {
        return !QStandardPaths::findExecutable(QLatin1String(program)).isEmpty();
    };
    // Detection runs once, before the program's windows and timers exist: nothing waits on us.
    probes.pause = [](int milliseconds) {
        QThread::msleep(ulong(milliseconds));
    };
    return probes;
}

namespace {

constexpr int kProbeIntervalMs = 250;

// Whether the candidate works here, waiting for a component it expects while the shared
// patience lasts.
bool worksHere(const Candidate& candidate, const Session& session, const DesktopProbes& probes,
               bool expected, int& patienceMs) {
    if (candidate.canWork(session, probes))
        return true;
    if (!expected || !probes.pause)
        return false;
    while (patienceMs > 0) {
        const int step = std::min(kProbeIntervalMs, patienceMs);
        probes.pause(step);
        patienceMs -= step;
        if (candidate.canWork(session, probes))
            return true;
    }
    return false;
}

// The backend the user asked for by its id, in any case.
QString forcedDesktop(const QProcessEnvironment& environment) {
    return environment.value(QStringLiteral("KESTROVALINE_DESKTOP")).trimmed().toLower();
}

} // namespace

QString detectDesktop(const QProcessEnvironment& environment, const DesktopProbes& probes) {
    const Session session = sessionOf(environment);
    const QString forced = forcedDesktop(environment);
    if (forced == QLatin1String("none"))
        return forced;
    int patienceMs = kDesktopPatienceMs;
    if (const Candidate* candidate = candidateWithId(forced))
        return worksHere(*candidate, session, probes, candidate->named != nullptr, patienceMs)
                   ? forced
                   : QStringLiteral("none");
    // An unknown value is ignored: detection still finds something that works.
    for (const Candidate& candidate : kCandidates)
        if (candidate.claims(session) &&
            worksHere(candidate, session, probes, candidate.named && candidate.named(session),
                      patienceMs))
            return QLatin1String(candidate.id);
    return QStringLiteral("none");
}

QString awaitedDesktop(const QProcessEnvironment& environment, const QString& detected) {
    if (detected != QLatin1String("x11") && detected != QLatin1String("none"))
        return {};
    const Session session = sessionOf(environment);
    const QString forced = forcedDesktop(environment);
    if (const Candidate* candidate = candidateWithId(forced))
        return candidate->named && forced != detected ? forced : QString();
    for (const Candidate& candidate : kCandidates)
        if (candidate.claims(session) && candidate.named && candidate.named(session))
            return QLatin1String(candidate.id);
    return {};
}

// Whether the backend with this id works here now, asking the probes once.
static bool desktopWorks(const QString& id, const QProcessEnvironment& environment,
                         const DesktopProbes& probes) {
    const Candidate* candidate = candidateWithId(id);
    return candidate && candidate->canWork(sessionOf(environment), probes);
}

std::unique_ptr<DesktopBackend> createDesktopBackend(const QString& id,
                                                     const QProcessEnvironment& environment) {
    if (const Candidate* candidate = candidateWithId(id))
        return candidate->create(environment);
    return std::make_unique<NullDesktop>(forcedDesktop(environment) == QLatin1String("none"));
}

std::unique_ptr<DesktopBackend> loadDesktopBackend(const QProcessEnvironment& environment,
                                                   bool patient) {
    DesktopProbes probes = DesktopProbes::system();
    if (!patient)
        probes.pause = nullptr;
    const QString detected = detectDesktop(environment, probes);
    std::unique_ptr<DesktopBackend> backend = createDesktopBackend(detected, environment);
    const QString awaited = awaitedDesktop(environment, detected);
    if (awaited.isEmpty())
        return backend;
    return std::make_unique<AwaitedDesktop>(
        std::move(backend), [awaited, environment, probes]() -> std::unique_ptr<DesktopBackend> {
            if (!desktopWorks(awaited, environment, probes))
                return nullptr;
            return createDesktopBackend(awaited, environment);
        });
}

} // namespace kv
