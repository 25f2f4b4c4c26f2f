// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/DesktopNotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace kv {
namespace {

constexpr int kAwaitMs = 2000;

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
    const QDBusMessage capabilities =
        bus.call(notificationsCall(QStringLiteral("GetCapabilities")), QDBus::Block, kAwaitMs);
    const bool markup =
        capabilities.type() == QDBusMessage::ReplyMessage &&
        capabilities.arguments().value(0).toStringList().contains(QStringLiteral("body-markup"));
    return markup ? text.toHtmlEscaped() : text;
}

} // namespace

void notifyDesktop(const QString& summary, const QString& body, NotificationDelivery delivery) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage notify = notificationsCall(QStringLiteral("Notify"));
    notify << QStringLiteral("Kestrovaline") << 0u << QStringLiteral("kestrovaline") << summary
           << bodyFor(bus, body) << QStringList()
           << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("kestrovaline")}} << -1;
    // Where no notification service runs, the bus answers with an error nobody needs.
    if (delivery == NotificationDelivery::Awaited)
        bus.call(notify, QDBus::Block, kAwaitMs);
    else
        bus.send(notify);
}

} // namespace kv
