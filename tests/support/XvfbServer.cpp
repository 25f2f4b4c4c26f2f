// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/XvfbServer.h"

#include "support/EndProcess.h"

#include <QStandardPaths>

namespace kv::test {

bool XvfbServer::start(int width, int height, int depth) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (program.isEmpty()) {
        error_ = QStringLiteral("Xvfb is not installed (Debian package xvfb)");
        return false;
    }
    const QString screen = QStringLiteral("%1x%2x%3").arg(width).arg(height).arg(depth);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(program,
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                    QStringLiteral("0"), screen, QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                    QStringLiteral("-noreset")});
    // The server writes its display number once it accepts connections.
    QByteArray line;
    while (!line.contains('\n') && process_.waitForReadyRead(20000))
        line += process_.readAllStandardOutput();
    bool ok = false;
    const int number = line.trimmed().toInt(&ok);
    if (!ok) {
        error_ = QStringLiteral("Xvfb did not report a display");
        return false;
    }
    display_ = QStringLiteral(":%1").arg(number);
    return true;
}

XvfbServer::~XvfbServer() {
    endProcess(process_);
}

} // namespace kv::test
