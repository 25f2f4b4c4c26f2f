// SPDX-License-Identifier: GPL-3.0-or-later
#include "launch/DisplayCheck.h"

#include <QCoreApplication>

#include <xcb/xcb.h>

namespace kv {
namespace {

bool canReachX(const QString& display) {
    xcb_connection_t* connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reached;
}

QString howTo() {
    return QCoreApplication::translate(
        "kv::DisplayCheck",
        "Start Kestrovaline from your desktop session, or give it a virtual X server, for "
        "example:\n"
        "  xvfb-run -a kestrovaline\n"
        "A running copy can be closed from any terminal with: kestrovaline -close\n");
}

} // namespace

QString missingDisplayAdvice(const QProcessEnvironment& environment) {
    // A platform chosen by hand, or a Wayland session, is the user's and Qt's to judge.
    if (!environment.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty() ||
        !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty())
        return {};
    const QString display = environment.value(QStringLiteral("DISPLAY"));
    if (display.isEmpty())
        return QCoreApplication::translate(
                   "kv::DisplayCheck", "Kestrovaline needs a graphical desktop, and none was "
                                       "found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n") +
               howTo();
    if (!canReachX(display))
        return QCoreApplication::translate("kv::DisplayCheck",
                                           "Kestrovaline cannot reach the X display \"%1\".\n")
                   .arg(display) +
               howTo();
    return {};
}

} // namespace kv
