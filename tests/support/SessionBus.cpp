// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SessionBus.h"

#include "support/EndProcess.h"

#include <QStandardPaths>

namespace kv::test {

bool SessionBus::start() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty()) {
        error_ = QStringLiteral("dbus-daemon is not installed (Debian package dbus)");
        return false;
    }
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(program, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                             QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    QByteArray line;
    while (!line.contains('\n') && process_.waitForReadyRead(20000))
        line += process_.readAllStandardOutput();
    address_ = QString::fromUtf8(line.trimmed());
    if (address_.isEmpty()) {
        error_ = QStringLiteral("dbus-daemon did not report an address");
        return false;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
    return true;
}

SessionBus::~SessionBus() {
    endProcess(process_);
}

} // namespace kv::test
