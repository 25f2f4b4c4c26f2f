// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/TrayHosts.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>

namespace kv {
namespace {
constexpr int kSettleMs = 1000;
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
} // namespace

TrayHosts::TrayHosts(QObject* parent) : QObject(parent) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &TrayHosts::changed);
    auto* watcher = new QDBusServiceWatcher(kWatcher, QDBusConnection::sessionBus(),
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, &settle_,
            qOverload<>(&QTimer::start));
}

bool TrayHosts::statusNotifierHost() {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(kWatcher).value();
}

} // namespace kv
