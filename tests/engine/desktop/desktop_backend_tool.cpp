// SPDX-License-Identifier: GPL-3.0-or-later
// Drives one backend operation in a process of its own, for cases that change what GLib caches
// per process (installed schemas, the settings backend, the session bus).
//   desktop_backend_tool ID set-wallpaper PATH | get-style | set-style N | get-color |
//                        set-color N
// Prints the operation's result on stdout.
#include "engine/desktop/DesktopLoader.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 3)
        return 2;
    const auto backend =
        kv::createDesktopBackend(arguments[1], QProcessEnvironment::systemEnvironment());
    const QString operation = arguments[2];
    const QString value = arguments.value(3);
    QString result;
    if (operation == QLatin1String("set-wallpaper"))
        result =
            backend->SetDesktopWallpaper(value) ? QStringLiteral("true") : QStringLiteral("false");
    else if (operation == QLatin1String("get-style"))
        result = QString::number(backend->GetDesktopWallpaperStyle());
    else if (operation == QLatin1String("set-style"))
        result = backend->SetDesktopWallpaperStyle(value.toInt()) ? QStringLiteral("true")
                                                                  : QStringLiteral("false");
    else if (operation == QLatin1String("get-color"))
        result = QString::number(backend->GetDesktopColor());
    else if (operation == QLatin1String("set-color"))
        result = backend->SetDesktopColor(value.toUInt()) ? QStringLiteral("true")
                                                          : QStringLiteral("false");
    else
        return 2;
    std::printf("%s\n", qPrintable(result));
    return 0;
}
