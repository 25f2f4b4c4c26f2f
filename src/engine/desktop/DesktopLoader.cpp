#include "engine/desktop/DesktopLoader.h"

#include "engine/desktop/GSettingsDesktop.h"
#include "engine/desktop/NullDesktop.h"
#include "engine/desktop/X11RootDesktop.h"

#include <QStringList>

#include <array>

namespace kv {
namespace {

struct Session {
    QStringList names; // lower case
    bool wayland = false;
    bool x11 = false;

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
    session.x11 = !environment.value(QStringLiteral("DISPLAY")).isEmpty();
    return session;
}

// One row per backend, in the order detection tries them. A new desktop is one more class and
// one more row.
struct Candidate {
    const char* id;
    bool (*claims)(const Session&);
    bool (*canWork)(const Session&, const DesktopProbes&);
    std::unique_ptr<DesktopBackend> (*create)(const QProcessEnvironment&);
};

bool schemaProbe(const DesktopProbes& probes, const char* id) {
    return probes.schemaInstalled && probes.schemaInstalled(id);
}

const std::array<Candidate, 4> kCandidates{{
    {"gnome",
     [](const Session& s) {
         return s.named({"gnome", "gnome-xorg", "gnome-classic", "gnome-flashback", "ubuntu",
                         "ubuntu-xorg", "unity", "budgie", "budgie-desktop", "pantheon"});
     },
     [](const Session&, const DesktopProbes& p) {
         return schemaProbe(p, GnomeDesktop::kSchema.id);
     },
     [](const QProcessEnvironment&) -> std::unique_ptr<DesktopBackend> {
         return std::make_unique<GnomeDesktop>();
     }},
    {"cinnamon",
     [](const Session& s) {
         return s.named({"x-cinnamon", "cinnamon", "cinnamon2d", "cinnamon-wayland"});
     },
     [](const Session&, const DesktopProbes& p) {
         return schemaProbe(p, CinnamonDesktop::kSchema.id);
     },
     [](const QProcessEnvironment&) -> std::unique_ptr<DesktopBackend> {
         return std::make_unique<CinnamonDesktop>();
     }},
    {"mate", [](const Session& s) { return s.named({"mate"}); },
     [](const Session&, const DesktopProbes& p) { return schemaProbe(p, MateDesktop::kSchema.id); },
     [](const QProcessEnvironment&) -> std::unique_ptr<DesktopBackend> {
         return std::make_unique<MateDesktop>();
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

DesktopProbes DesktopProbes::system() {
    return {[](const char* id) {
        return GSettingsDesktop::schemaInstalled(id);
    }};
}

QString detectDesktop(const QProcessEnvironment& environment, const DesktopProbes& probes) {
    const Session session = sessionOf(environment);
    const QString forced =
        environment.value(QStringLiteral("KESTROVALINE_DESKTOP")).trimmed().toLower();
    if (forced == QLatin1String("none"))
        return forced;
    if (const Candidate* candidate = candidateWithId(forced))
        return candidate->canWork(session, probes) ? forced : QStringLiteral("none");
    // An unknown value is ignored: detection still finds something that works.
    for (const Candidate& candidate : kCandidates)
        if (candidate.claims(session) && candidate.canWork(session, probes))
            return QLatin1String(candidate.id);
    return QStringLiteral("none");
}

std::unique_ptr<DesktopBackend> createDesktopBackend(const QString& id,
                                                     const QProcessEnvironment& environment) {
    if (const Candidate* candidate = candidateWithId(id))
        return candidate->create(environment);
    return std::make_unique<NullDesktop>();
}

std::unique_ptr<DesktopBackend> loadDesktopBackend(const QProcessEnvironment& environment) {
    return createDesktopBackend(detectDesktop(environment, DesktopProbes::system()), environment);
}

} // namespace kv
