// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>

namespace kv::test {

// A panel's StatusNotifier watcher, served on a private bus: it keeps the items that register
// with it and tells when one does.
class StatusNotifierWatcher : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered MEMBER host)
public:
    explicit StatusNotifierWatcher(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    QStringList items;
    bool host = true;
public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) {
        items.append(service);
        Q_EMIT registered();
    }
Q_SIGNALS:
    void registered();
    void StatusNotifierHostRegistered();
};

} // namespace kv::test
