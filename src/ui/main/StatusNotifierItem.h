// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

namespace kv {

// The notification-area icon as a StatusNotifier item on the session bus, registered with the
// host's watcher. Qt decides once per process whether its own icons use this protocol, so an
// icon for a host that appears after start-up is served here. Clicks arrive as Qt's activation
// reasons: Trigger for the primary button, Context for the secondary one, MiddleClick.
class StatusNotifierItem : public QObject {
    Q_OBJECT
public:
    StatusNotifierItem(const QIcon& icon, const QString& toolTip, QObject* parent = nullptr);
    ~StatusNotifierItem() override;
    // Leaves the bus now, before the object itself goes.
    void withdraw();

    const QIcon& icon() const { return icon_; }
    const QString& toolTip() const { return toolTip_; }

Q_SIGNALS:
    void activated(QSystemTrayIcon::ActivationReason reason);

private:
    QIcon icon_;
    QString toolTip_;
    QString service_;
};

} // namespace kv
