// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/TrayHosts.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QSystemTrayIcon>

namespace kv {
namespace {
constexpr int kSettleMs = 1000;
// A watcher that does not answer at once (a busy logon) must not hold the window up.
constexpr int kReplyMs = 2000;
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

bool watcherReportsAHost() {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(kWatcher, kWatcherPath,
                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("Get"))
            << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered"),
        QDBus::Block, kReplyMs);
    return reply.type() == QDBusMessage::ReplyMessage &&
           reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
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
}

bool TrayHosts::statusNotifierHost() {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (!bus || !bus->isServiceRegistered(kWatcher).value())
        return false;
    // A watcher may be kept by a background service on a desktop whose tray is an X11 one, and
    // nothing then shows what registers with it. Where there is no X11 tray either, the watcher
    // still takes the icon, for the host that may follow.
    return watcherReportsAHost() || !QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace kv
