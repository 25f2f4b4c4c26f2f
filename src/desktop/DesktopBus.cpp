// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopBus.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDeadlineTimer>
#include <QHash>

namespace kv {
namespace {

// The services that did not answer lately, with the moment they may be asked again. Only the
// window's thread calls desktops.
QHash<QString, QDeadlineTimer>& silentServices() {
    static QHash<QString, QDeadlineTimer> services;
    return services;
}

bool isNoAnswer(const QDBusMessage& reply) {
    const QDBusError::ErrorType error = QDBusError(reply).type();
    return error == QDBusError::NoReply || error == QDBusError::Timeout ||
           error == QDBusError::TimedOut;
}

} // namespace

QDBusMessage callDesktop(const QDBusMessage& message, int timeoutMs) {
    const QString service = message.service();
    const auto silent = silentServices().constFind(service);
    if (silent != silentServices().cend() && !silent->hasExpired())
        return message.createErrorReply(QDBusError::NoReply,
                                        QStringLiteral("The desktop did not answer lately."));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return message.createErrorReply(QDBusError::Disconnected,
                                        QStringLiteral("No session bus."));
    const QDBusMessage reply = bus.call(message, QDBus::Block, timeoutMs);
    if (isNoAnswer(reply))
        silentServices().insert(service, QDeadlineTimer(kDesktopSilenceMs));
    else
        silentServices().remove(service);
    return reply;
}

} // namespace kv
