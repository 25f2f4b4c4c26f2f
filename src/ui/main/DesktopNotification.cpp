// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/DesktopNotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace kv {
namespace {

constexpr int kAwaitMs = 2000;

// A service that let a call run out of time is stopped or hung: this process sends it nothing
// more, so that a start telling two things waits two seconds at most, not two for each call,
// and a service that wakes later shows no text whose markup it was never asked about.
bool serviceSilent = false;
std::optional<bool> serviceShowsMarkup;

QDBusMessage awaited(QDBusConnection& bus, const QDBusMessage& call) {
    const QDBusMessage reply = bus.call(call, QDBus::Block, kAwaitMs);
    serviceSilent =
        serviceSilent || reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply");
    return reply;
}

QDBusMessage notificationsCall(const QString& method) {
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                          QStringLiteral("/org/freedesktop/Notifications"),
                                          QStringLiteral("org.freedesktop.Notifications"), method);
}

// A service that shows markup in the body would take a "<" or "&" in it for markup; the others
// show the body as it comes, escapes and all.
QString bodyFor(QDBusConnection& bus, const QString& text) {
    if (!text.contains(u'<') && !text.contains(u'>') && !text.contains(u'&'))
        return text;
    if (!serviceShowsMarkup) {
        const QDBusMessage capabilities =
            awaited(bus, notificationsCall(QStringLiteral("GetCapabilities")));
        serviceShowsMarkup = capabilities.arguments().value(0).toStringList().contains(
            QStringLiteral("body-markup"));
    }
    return *serviceShowsMarkup ? text.toHtmlEscaped() : text;
}

} // namespace

void notifyDesktop(const QString& summary, const QString& body, NotificationDelivery delivery) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || serviceSilent)
        return;
    const QString shown = bodyFor(bus, body);
    if (serviceSilent)
        return;
    QDBusMessage notify = notificationsCall(QStringLiteral("Notify"));
    notify << QStringLiteral("Kestrovaline") << 0u << QStringLiteral("kestrovaline") << summary
           << shown << QStringList()
           << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("kestrovaline")}} << -1;
    // Where no notification service runs, the bus answers with an error nobody needs.
    if (delivery == NotificationDelivery::Awaited)
        awaited(bus, notify);
    else
        bus.send(notify);
}

} // namespace kv
