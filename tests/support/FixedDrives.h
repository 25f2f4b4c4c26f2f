// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "collection/FileBrowserModel.h"

namespace kv::test {

// Drives the test chooses, instead of the machine's mounted volumes.
struct FixedDrives final : DriveSource {
    QList<Drive> list;
    QList<Drive> drives() const override { return list; }
};

} // namespace kv::test
