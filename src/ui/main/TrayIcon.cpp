// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/TrayIcon.h"

#include <QApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QSystemTrayIcon>

#ifndef Q_OS_WIN
#include "ui/main/StatusNotifierItem.h"
#include "ui/main/TrayHosts.h"
#endif

namespace kv {
namespace {

QString toolTip() {
    return QCoreApplication::translate("kv::TrayIcon", "Kestrovaline wallpaper manager");
}

Program::TrayClick trayClickOf(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return Program::TrayClick::LeftPress;
    case QSystemTrayIcon::DoubleClick:
        return Program::TrayClick::LeftDoubleClick;
    case QSystemTrayIcon::Context:
        // Qt reports each right press, so a right double click arrives as two of them.
        return Program::TrayClick::RightPress;
    default:
        return Program::TrayClick::Other;
    }
}

QIcon trayPicture() {
    return QIcon(QStringLiteral(":/icons/tray.svg"));
}

} // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {}

void TrayIcon::show() {
    if (shown_)
        return;
    shown_ = true;
#ifndef Q_OS_WIN
    hosts_ = new TrayHosts(this);
    connect(hosts_, &TrayHosts::changed, this, [this] {
        drop();
        create();
    });
#endif
    create();
}

void TrayIcon::remove() {
    if (!shown_)
        return;
    shown_ = false;
    drop();
#ifndef Q_OS_WIN
    delete hosts_;
    hosts_ = nullptr;
#endif
}

void TrayIcon::create() {
    const auto forward = [this](QSystemTrayIcon::ActivationReason reason) {
        Q_EMIT clicked(trayClickOf(reason));
    };
#ifndef Q_OS_WIN
    if (TrayHosts::statusNotifierHost()) {
        item_ = new StatusNotifierItem(trayPicture(), toolTip(), this);
        connect(item_, &StatusNotifierItem::activated, this, forward);
        return;
    }
#endif
    tray_ = new QSystemTrayIcon(trayPicture(), this);
    tray_->setToolTip(toolTip());
    connect(tray_, &QSystemTrayIcon::activated, this, [this, forward](auto reason) {
        // Qt reports a click while the icon's window handles the press, so the press seen last
        // went to that window (a click passed on by a host over D-Bus comes with no button down).
        if (QGuiApplication::mouseButtons() != Qt::NoButton)
            iconWindow_ = lastPressed_;
        forward(reason);
    });
    // Qt reports a right double click on the icon as nothing; the icon's own window still gets
    // the event, so it is picked up here to change the wallpaper a second time.
    qApp->installEventFilter(this);
    // Where no X11 tray exists yet, Qt shows the icon as soon as one appears.
    tray_->show();
}

// The icon may go while one of its own clicks is still being handled: a change asked for by the
// click opens a message, and the end of the program, asked for meanwhile, closes it. Hiding
// Qt's icon would delete the window that took the click, so the icon goes as a whole once the
// click has returned; an item on the bus leaves the bus at once.
void TrayIcon::drop() {
    if (tray_) {
        qApp->removeEventFilter(this);
        lastPressed_ = iconWindow_ = nullptr;
        tray_->deleteLater();
        tray_ = nullptr;
    }
#ifndef Q_OS_WIN
    if (item_) {
        item_->withdraw();
        item_->deleteLater();
        item_ = nullptr;
    }
#endif
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress)
        lastPressed_ = watched;
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton && watched == iconWindow_) {
        Q_EMIT clicked(Program::TrayClick::RightDoubleClick);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kv
