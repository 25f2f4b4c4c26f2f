// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/Program.h"

#include <QObject>
#include <QPointer>

class QSystemTrayIcon;

namespace kv {

class StatusNotifierItem;
class TrayHosts;

// The program's icon in the notification area, with the tooltip "Kestrovaline wallpaper
// manager", in whichever area there is: an X11 tray (Qt's icon, which also finds one that
// appears later) or a StatusNotifier host. Qt chooses between the two once per process, so when
// a host comes or goes the icon is made again, and served by the program itself for a host
// that appeared after Qt had chosen.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);

    // Shows the icon; once shown, it stays until remove().
    void show();
    void remove();
    bool isShown() const { return shown_; }
    // Qt's icon while it serves; null otherwise.
    QSystemTrayIcon* qtIcon() const { return tray_; }

Q_SIGNALS:
    void clicked(Program::TrayClick click);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void create();
    void drop();

    bool shown_ = false;
    QSystemTrayIcon* tray_ = nullptr;
    // The window Qt shows the icon in, known from the first click on it; Qt does not name it.
    QPointer<QObject> iconWindow_;
    QPointer<QObject> lastPressed_;
    StatusNotifierItem* item_ = nullptr;
    TrayHosts* hosts_ = nullptr;
};

} // namespace kv
