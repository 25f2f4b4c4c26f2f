// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopBus.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDeadlineTimer>
#include <QHash>

namespace kv {
namespace {

// The components that did not answer lately, with the moment they may be asked again. Only the
// window's thread calls desktops.
QHash<QString, QDeadlineTimer>& silentComponents() {
    static QHash<QString, QDeadlineTimer> components;
    return components;
}

bool isNoAnswer(const QDBusMessage& reply) {
    const QDBusError::ErrorType error = QDBusError(reply).type();
    return error == QDBusError::NoReply || error == QDBusError::Timeout ||
           error == QDBusError::TimedOut;
}

} // namespace

bool silentLately(const QString& component) {
    const auto silent = silentComponents().constFind(component);
    return silent != silentComponents().cend() && !silent->hasExpired();
}

void noteAnswered(const QString& component, bool answered) {
    if (answered)
        silentComponents().remove(component);
    else
        silentComponents().insert(component, QDeadlineTimer(kDesktopSilenceMs));
}

QDBusMessage callDesktop(const QDBusMessage& message, int timeoutMs) {
    const QString service = message.service();
    if (silentLately(service))
        return message.createErrorReply(QDBusError::NoReply,
                                        QStringLiteral("The desktop did not answer lately."));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return message.createErrorReply(QDBusError::Disconnected,
                                        QStringLiteral("No session bus."));
    const QDBusMessage reply = bus.call(message, QDBus::Block, timeoutMs);
    noteAnswered(service, !isNoAnswer(reply));
    return reply;
}

} // namespace kv
