// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QProcess>

#include <cstdio>

namespace kv::bench {

// Starts a private full-HD X server on a free display and returns its name (":N"), or an empty
// name after saying why on standard error. The server lives as long as the process object.
inline QByteArray startXvfb(QProcess& xvfb) {
    xvfb.start(QStringLiteral("Xvfb"),
               {"-displayfd", "1", "-screen", "0", "1920x1080x24", "-nolisten", "tcp", "-noreset"});
    QByteArray line;
    while (!line.contains('\n') && xvfb.waitForReadyRead(20000))
        line += xvfb.readAllStandardOutput();
    if (line.trimmed().isEmpty()) {
        std::fprintf(stderr, "Xvfb did not start (package xvfb)\n");
        return {};
    }
    return ":" + line.trimmed();
}

} // namespace kv::bench
