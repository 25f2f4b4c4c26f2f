// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

namespace kv {

// Tells when a StatusNotifier host (the D-Bus notification area of Plasma, LXQt, waybar and
// others) comes or goes, or an X11 tray where that decides the area: at logon the panel often
// starts after the programs it hosts, and a panel may restart. The icon is then made again for
// the area there is.
class TrayHosts : public QObject {
    Q_OBJECT
public:
    explicit TrayHosts(QObject* parent = nullptr);
    ~TrayHosts() override;

    enum class Watcher { Absent, ReportsAHost, ReportsNone, Silent };

    // A StatusNotifier watcher is on the session bus now, and it reports a host that shows the
    // icon, or there is no X11 tray to show it instead, or it does not answer.
    static bool statusNotifierHost();
    // Something shows the icon: a StatusNotifier host, or an X11 tray beside a watcher that
    // answers or none.
    static bool areaShowsIcons();

Q_SIGNALS:
    // Once the host has settled: a watcher that has just taken its name may not serve yet.
    void changed();

private Q_SLOTS:
    void xTrayChanged();
    // Another watcher, or a host come or gone: what was said before no longer holds.
    void watcherReplaced();
    void hostsChanged();

private:
    // The StatusNotifier watcher on the session bus, and whether it reports a host; one that
    // does not answer in time is asked again without waiting, and when it answers, what it says
    // holds until it changes and every TrayHosts settles again.
    static Watcher askWatcher();
    static void askLate();

    QTimer settle_;
};

} // namespace kv
