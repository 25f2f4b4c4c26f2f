// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/EndProcess.h"

#include <QProcess>

namespace kv::test {

void endProcess(QProcess& process, int graceMs) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(graceMs))
        process.kill();
    process.waitForFinished(5000);
}

} // namespace kv::test
