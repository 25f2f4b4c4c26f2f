// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/StillRunningNotice.h"

#include "ui/main/TrayHosts.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace kv {

void StillRunningNotice::windowCollapsing() {
    if (told_ || TrayHosts::areaShowsIcons())
        return;
    told_ = true;
    const QString summary =
        QCoreApplication::translate("kv::StillRunningNotice", "Kestrovaline is still running");
    const QString body = QCoreApplication::translate(
        "kv::StillRunningNotice",
        "This desktop has no notification area for Kestrovaline's icon. To bring its window back, "
        "start Kestrovaline again; to end it, use the Exit button in that window.");
    // Where no notification service runs either, the bus answers with an error nobody waits for.
    QDBusConnection::sessionBus().send(
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                       QStringLiteral("/org/freedesktop/Notifications"),
                                       QStringLiteral("org.freedesktop.Notifications"),
                                       QStringLiteral("Notify"))
        << QStringLiteral("Kestrovaline") << 0u << QStringLiteral("kestrovaline") << summary << body
        << QStringList()
        << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("kestrovaline")}} << -1);
}

} // namespace kv
