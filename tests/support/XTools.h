// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QStringList>

namespace kv::test {

// Runs an X client tool (xdotool, xwininfo, ...) against the given display; its standard output.
QString runXTool(const QString& display, const QString& program, const QStringList& arguments);

// Ids of the visible top-level windows whose title is exactly the given one.
QStringList visibleWindowsTitled(const QString& display, const QString& title);

// Top-left corner of a window's frame, as the window manager placed it; null until the manager
// has framed the window.
QPoint framePlace(const QString& display, const QString& window);

// Screen rectangle of the notification-area icon a program embedded into a tray host, found
// by the icon window's class name; empty when there is none.
QRect trayIconGeometry(const QString& display, const QString& className);

// Clicks a mouse button at a point of the screen, `repeat` times, 80 ms apart.
void clickAt(const QString& display, QPoint point, int button, int repeat = 1);

} // namespace kv::test
