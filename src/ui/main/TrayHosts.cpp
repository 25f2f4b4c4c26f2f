// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/TrayHosts.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSystemTrayIcon>

namespace kv {
namespace {
constexpr int kSettleMs = 1000;
// A watcher that does not answer at once (a busy logon) must not hold the window up.
constexpr int kReplyMs = 2000;
constexpr int kSilenceKeptMs = 10000;
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

enum class Watcher { Absent, ReportsAHost, ReportsNone, Silent };

Watcher askWatcher() {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (!bus || !bus->isServiceRegistered(kWatcher).value())
        return Watcher::Absent;
    // A collapse asks twice (the notice, then the icon): a watcher that kept silent just now
    // would hold the window up once more for nothing.
    static QElapsedTimer silentLately;
    if (silentLately.isValid() && !silentLately.hasExpired(kSilenceKeptMs))
        return Watcher::Silent;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(kWatcher, kWatcherPath,
                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("Get"))
            << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered"),
        QDBus::Block, kReplyMs);
    const QDBusError error(reply);
    if (error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout) {
        silentLately.start();
        return Watcher::Silent;
    }
    silentLately.invalidate();
    return reply.type() == QDBusMessage::ReplyMessage &&
                   reply.arguments().value(0).value<QDBusVariant>().variant().toBool()
               ? Watcher::ReportsAHost
               : Watcher::ReportsNone;
}
} // namespace

TrayHosts::TrayHosts(QObject* parent) : QObject(parent) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &TrayHosts::changed);
    auto* watcher = new QDBusServiceWatcher(kWatcher, QDBusConnection::sessionBus(),
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, &settle_,
            qOverload<>(&QTimer::start));
    // A panel may register its host with a watcher that was there before it, or leave one behind.
    for (const char* hostChange :
         {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        QDBusConnection::sessionBus().connect(kWatcher, kWatcherPath, kWatcher,
                                              QLatin1String(hostChange), &settle_, SLOT(start()));
    // Qt's X11 platform tells when a tray takes or leaves the screen's tray selection, once the
    // tray has been asked about (statusNotifierHost() does where it matters); other platforms
    // have no such signal. Its class is a QObject by its only base, but declared in a private
    // header.
    auto* platform = reinterpret_cast<QObject*>(QGuiApplication::platformNativeInterface());
    if (platform && platform->metaObject()->indexOfSignal("systemTrayWindowChanged(QScreen*)") >= 0)
        connect(platform, SIGNAL(systemTrayWindowChanged(QScreen*)), this, SLOT(xTrayChanged()));
}

// Qt looks for an X11 tray only after it has asked the watcher itself, and waits 25 s for one that
// does not answer: beside a silent watcher, the icon goes to the watcher, for when it answers.
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
