// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OnScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace kv {
namespace {

qint64 areaOf(const QRect& rect) {
    return rect.isEmpty() ? 0 : qint64(rect.width()) * rect.height();
}

int startWithin(int start, int length, int areaStart, int areaLength) {
    return std::clamp(start, areaStart, std::max(areaStart, areaStart + areaLength - length));
}

} // namespace

bool PlatformIsWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QRect AreaHoldingMost(const QRect& frame, const QList<QRect>& areas) {
    QRect holding = areas.value(0);
    qint64 most = 0;
    for (const QRect& area : areas) {
        const qint64 part = areaOf(frame.intersected(area));
        if (part > most) {
            most = part;
            holding = area;
        }
    }
    return holding;
}

QRect AvailableAreaHoldingMost(const QRect& frame, const QScreen* first) {
    QList<QRect> areas;
    if (first)
        areas << first->availableGeometry();
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas.isEmpty() ? QRect() : AreaHoldingMost(frame, areas);
}

QPoint TopLeftWithin(const QRect& frame, const QRect& area) {
    return {startWithin(frame.left(), frame.width(), area.left(), area.width()),
            startWithin(frame.top(), frame.height(), area.top(), area.height())};
}

QPoint KeptOnScreen(const QWidget& window, QPoint topLeft) {
    QSize frame = window.frameGeometry().size();
    const QWidget* owner = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    if (frame == window.size() && owner)
        frame += owner->frameGeometry().size() - owner->size();
    const QRect placed(topLeft, frame);
    const QRect area = AvailableAreaHoldingMost(placed, QGuiApplication::primaryScreen());
    return area.isValid() ? TopLeftWithin(placed, area) : topLeft;
}

} // namespace kv
