// SPDX-License-Identifier: GPL-3.0-or-later
// The peer of bench_startup: the least a Qt program with a window and a notification-area icon
// does. It shows a window of the main window's size as it first shows (844x560 with the default
// font; its backing store is part of the memory measured) and an icon, then waits for events.
// With "--text" the window shows one line of text as well.
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.resize(844, 560);
    window.setWindowTitle(QStringLiteral("Peer"));
    if (application.arguments().contains(QStringLiteral("--text")))
        new QLabel(QStringLiteral("One line of text"), &window);
    window.show();
    QPixmap picture(16, 16);
    picture.fill(Qt::darkCyan);
    QSystemTrayIcon icon{QIcon(picture)};
    icon.show();
    return QApplication::exec();
}
