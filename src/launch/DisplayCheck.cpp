// SPDX-License-Identifier: GPL-3.0-or-later
#include "launch/DisplayCheck.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace kv {
namespace {

bool canReachX(const QString& display) {
    xcb_connection_t* connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reached;
}

// The compositor's socket, named as Wayland clients name it: a path, or a name in the runtime
// folder.
bool canReachWayland(const QString& display, const QProcessEnvironment& environment) {
    const QString runtime = environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
    if (!QDir::isAbsolutePath(display) && runtime.isEmpty())
        return false;
    const QByteArray path = QFile::encodeName(
        QDir::isAbsolutePath(display) ? display : QDir(runtime).filePath(display));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof(address.sun_path)))
        return false;
    std::copy(path.begin(), path.end(), address.sun_path);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    const bool reached =
        ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(socket);
    return reached;
}

// Only a folder that holds Qt's other platform plugins tells that the Wayland one is missing: a
// program bundled with its own Qt may find its plugins where this does not look.
bool lacksWaylandPlugin(const QProcessEnvironment& environment) {
    QStringList folders = environment.value(QStringLiteral("QT_QPA_PLATFORM_PLUGIN_PATH"))
                              .split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString& plugins : QCoreApplication::libraryPaths())
        folders.append(QDir(plugins).filePath(QStringLiteral("platforms")));
    bool pluginsFound = false;
    for (const QString& folder : folders) {
        const QStringList plugins = QDir(folder).entryList({QStringLiteral("libq*")}, QDir::Files);
        if (!plugins.filter(QStringLiteral("libqwayland")).isEmpty())
            return false;
        pluginsFound = pluginsFound || !plugins.isEmpty();
    }
    return pluginsFound;
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

QString missingDisplayAdvice(const QProcessEnvironment& environment, const QStringList& arguments) {
    // A platform chosen by hand, or a compositor's socket handed over, is the user's and Qt's to
    // judge.
    if (!environment.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty() ||
        !environment.value(QStringLiteral("WAYLAND_SOCKET")).isEmpty() ||
        arguments.contains(QStringLiteral("-platform")) ||
        arguments.contains(QStringLiteral("--platform")))
        return {};
    const QString display = environment.value(QStringLiteral("DISPLAY"));
    const QString wayland = environment.value(QStringLiteral("WAYLAND_DISPLAY"));
    if (display.isEmpty() && wayland.isEmpty())
        return QCoreApplication::translate(
                   "kv::DisplayCheck", "Kestrovaline needs a graphical desktop, and none was "
                                       "found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n") +
               howTo();
    // Qt tries Wayland first, then X: either one that works will do.
    if (!display.isEmpty() && canReachX(display))
        return {};
    QString advice;
    if (!wayland.isEmpty()) {
        if (!canReachWayland(wayland, environment))
            advice = QCoreApplication::translate("kv::DisplayCheck",
                                                 "Kestrovaline cannot reach the Wayland display "
                                                 "\"%1\".\n")
                         .arg(wayland);
        else if (lacksWaylandPlugin(environment))
            advice = QCoreApplication::translate(
                "kv::DisplayCheck",
                "Kestrovaline needs Qt's Wayland platform plugin on this desktop, and it is not "
                "installed (on Debian and Ubuntu it comes with the package qt6-wayland).\n");
        else
            return {};
    }
    if (!display.isEmpty())
        advice += QCoreApplication::translate("kv::DisplayCheck",
                                              "Kestrovaline cannot reach the X display \"%1\".\n")
                      .arg(display);
    return advice + howTo();
}

} // namespace kv
