// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QProcess;

namespace kv::test {

// Ends a helper process a test started (a server, a desktop): asks it to end and kills it when
// it has not within graceMs, so no helper outlives its test.
void endProcess(QProcess& process, int graceMs = 5000);

} // namespace kv::test
