// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

class QScreen;
class QWidget;

namespace kv {

// A Wayland compositor keeps where windows are to itself, and a window hidden there loses its
// surface, and with it the dialogs' tie to it.
bool PlatformIsWayland();

// The area among `areas` that holds the largest part of `frame`; the first (the primary
// screen's) when none holds any of it, as after the monitor it was on was removed.
QRect AreaHoldingMost(const QRect& frame, const QList<QRect>& areas);

// The free part of the screen that holds the largest part of `frame`: `first` when none holds any
// of it, or no screen is there (an invalid area).
QRect AvailableAreaHoldingMost(const QRect& frame, const QScreen* first);

// The top left corner that puts `frame` wholly within `area`, moved no further than it takes: a
// frame that fits stays where it is. Along a side where the frame is longer than the area, its
// left or top edge lies on the area's, so its title bar and first controls can be reached.
QPoint TopLeftWithin(const QRect& frame, const QRect& area);

// Where a window whose top left corner is at `topLeft` lies wholly within the free part of the
// screen that holds most of it. Before its first showing a window has no frame of its own yet,
// and the one of the window it belongs to stands in.
QPoint KeptOnScreen(const QWidget& window, QPoint topLeft);

} // namespace kv
