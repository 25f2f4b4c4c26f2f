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
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QList>
#include <QSystemTrayIcon>

#include <optional>

namespace kv {
namespace {
constexpr int kSettleMs = 1000;
// A watcher that does not answer at once (a busy logon) must not hold the window up.
constexpr int kReplyMs = 2000;
constexpr int kSilenceKeptMs = 10000;
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

// What a watcher that did not answer in time said later, until it changes; and when it last
// kept silent, for a while: a collapse asks twice (the notice, then the icon), and a watcher
// that kept silent would hold the window up once more for nothing.
struct Remembered {
    std::optional<TrayHosts::Watcher> lateAnswer;
    QElapsedTimer silentSince;
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
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &TrayHosts::watcherChanged);
    // A panel may register its host with a watcher that was there before it, or leave one behind.
    for (const char* hostChange :
         {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        QDBusConnection::sessionBus().connect(kWatcher, kWatcherPath, kWatcher,
                                              QLatin1String(hostChange), this,
                                              SLOT(watcherChanged()));
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
    if (memory.lateAnswer)
        return *memory.lateAnswer;
    if (memory.silentSince.isValid() && !memory.silentSince.hasExpired(kSilenceKeptMs))
        return Watcher::Silent;
    const Watcher said =
        verdictOf(QDBusConnection::sessionBus().call(hostQuestion(), QDBus::Block, kReplyMs));
    if (said != Watcher::Silent) {
        memory.silentSince.invalidate();
        return said;
    }
    memory.silentSince.start();
    // A watcher that is only slow (a busy logon) answers later: the icon is then made again for
    // what it says.
    auto* late = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(hostQuestion(), kLateReplyMs), qApp);
    connect(late, &QDBusPendingCallWatcher::finished, qApp, [](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const Watcher answer = verdictOf(call->reply());
        if (answer == Watcher::Silent)
            return;
        remembered().lateAnswer = answer;
        for (TrayHosts* hosts : liveHosts())
            hosts->settle_.start();
    });
    return Watcher::Silent;
}

void TrayHosts::watcherChanged() {
    remembered() = {};
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
