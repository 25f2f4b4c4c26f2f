// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/StillRunningNotice.h"

#include "ui/main/DesktopNotification.h"
#include "ui/main/TrayHosts.h"

#include <QCoreApplication>

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
    notifyDesktop(summary, body, NotificationDelivery::Queued);
}

} // namespace kv
