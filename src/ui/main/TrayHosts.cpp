// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/TrayHosts.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QList>
#include <QSystemTrayIcon>

#include <optional>

namespace kv {
namespace {
constexpr int kSettleMs = 1000;
// A watcher that does not answer at once (a busy logon) must not hold the window up.
constexpr int kReplyMs = 2000;
// D-Bus's own limit: a watcher that has not answered by then never will.
constexpr int kLateReplyMs = 25000;
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

QDBusMessage hostQuestion() {
    return QDBusMessage::createMethodCall(kWatcher, kWatcherPath,
                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                          QStringLiteral("Get"))
           << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
}

// What a watcher's answer, or its silence, tells.
TrayHosts::Watcher verdictOf(const QDBusMessage& reply) {
    const QDBusError error(reply);
    if (error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout)
        return TrayHosts::Watcher::Silent;
    return reply.type() == QDBusMessage::ReplyMessage &&
                   reply.arguments().value(0).value<QDBusVariant>().variant().toBool()
               ? TrayHosts::Watcher::ReportsAHost
               : TrayHosts::Watcher::ReportsNone;
}

// What the watcher said, until it or its hosts change: a collapse asks twice (the notice, then
// the icon), and a slow watcher would hold the window up at every collapse.
struct Remembered {
    std::optional<TrayHosts::Watcher> answer;
    // Which watcher an answer is about: a new owner of the name makes what was asked of the one
    // before no longer hold.
    int generation = 0;
    // The generation a question not waited for is on its way for, or -1: while it is, the
    // watcher is not asked again with the window waiting.
    int askingLate = -1;
};
Remembered& remembered() {
    static Remembered memory;
    return memory;
}

QList<TrayHosts*>& liveHosts() {
    static QList<TrayHosts*> hosts;
    return hosts;
}
} // namespace

TrayHosts::TrayHosts(QObject* parent) : QObject(parent) {
    liveHosts().append(this);
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &TrayHosts::changed);
    auto* watcher = new QDBusServiceWatcher(kWatcher, QDBusConnection::sessionBus(),
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &TrayHosts::watcherReplaced);
    // A panel may register its host with a watcher that was there before it, or leave one behind.
    for (const char* hostChange :
         {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        QDBusConnection::sessionBus().connect(kWatcher, kWatcherPath, kWatcher,
                                              QLatin1String(hostChange), this,
                                              SLOT(hostsChanged()));
    // Qt's X11 platform tells when a tray takes or leaves the screen's tray selection, once the
    // tray has been asked about (statusNotifierHost() does where it matters); other platforms
    // have no such signal. Its class is a QObject by its only base, but declared in a private
    // header.
    auto* platform = reinterpret_cast<QObject*>(QGuiApplication::platformNativeInterface());
    if (platform && platform->metaObject()->indexOfSignal("systemTrayWindowChanged(QScreen*)") >= 0)
        connect(platform, SIGNAL(systemTrayWindowChanged(QScreen*)), this, SLOT(xTrayChanged()));
}

TrayHosts::~TrayHosts() {
    liveHosts().removeAll(this);
}

TrayHosts::Watcher TrayHosts::askWatcher() {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (!bus || !bus->isServiceRegistered(kWatcher).value())
        return Watcher::Absent;
    Remembered& memory = remembered();
    if (memory.answer)
        return *memory.answer;
    if (memory.askingLate == memory.generation)
        return Watcher::Silent;
    const Watcher said =
        verdictOf(QDBusConnection::sessionBus().call(hostQuestion(), QDBus::Block, kReplyMs));
    if (said == Watcher::Silent)
        askLate();
    else
        memory.answer = said;
    return said;
}

// A watcher that is only slow (a busy logon, a stopped process) answers later: the icon is then
// made again for what it says. One question at a time is on its way, asked again until the
// watcher answers or changes.
void TrayHosts::askLate() {
    Remembered& asking = remembered();
    if (asking.askingLate == asking.generation)
        return;
    const int asked = asking.askingLate = asking.generation;
    auto* late = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(hostQuestion(), kLateReplyMs), qApp);
    connect(late, &QDBusPendingCallWatcher::finished, qApp, [asked](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        Remembered& memory = remembered();
        if (memory.askingLate == asked)
            memory.askingLate = -1;
        if (asked != memory.generation)
            return;
        const Watcher answer = verdictOf(call->reply());
        if (answer == Watcher::Silent) {
            askLate();
            return;
        }
        memory.answer = answer;
        for (TrayHosts* hosts : liveHosts())
            hosts->settle_.start();
    });
}

void TrayHosts::watcherReplaced() {
    Remembered& memory = remembered();
    memory.answer.reset();
    memory.askingLate = -1;
    ++memory.generation;
    settle_.start();
}

// A host's coming or going changes the answer, not the watcher's silence: a watcher that does
// not answer but signals would otherwise hold the window up at every signal. A question on its
// way is answered after the signal.
void TrayHosts::hostsChanged() {
    remembered().answer.reset();
    settle_.start();
}

// Qt looks for an X11 tray only after it has asked the watcher itself, and waits 25 s for one that
// does not answer: beside a silent watcher, the icon goes to the watcher, until it answers.
bool TrayHosts::statusNotifierHost() {
    switch (askWatcher()) {
    case Watcher::Absent:
        return false;
    case Watcher::ReportsAHost:
    case Watcher::Silent:
        return true;
    case Watcher::ReportsNone:
        // A watcher may be kept by a background service on a desktop whose tray is an X11 one,
        // and nothing then shows what registers with it. Where there is no X11 tray either, the
        // watcher still takes the icon, for the host that may follow.
        return !QSystemTrayIcon::isSystemTrayAvailable();
    }
    return false;
}

bool TrayHosts::areaShowsIcons() {
    switch (askWatcher()) {
    case Watcher::ReportsAHost:
        return true;
    case Watcher::Silent:
        return false;
    case Watcher::Absent:
    case Watcher::ReportsNone:
        return QSystemTrayIcon::isSystemTrayAvailable();
    }
    return false;
}

// Only beside a watcher without a host does an X11 tray decide where the icon goes; elsewhere
// Qt's icon docks in a new tray by itself, and a host keeps the item it shows.
void TrayHosts::xTrayChanged() {
    if (askWatcher() == Watcher::ReportsNone)
        settle_.start();
}

} // namespace kv
