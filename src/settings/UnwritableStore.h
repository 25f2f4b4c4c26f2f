// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SalvagedRows.h"

#include <QList>
#include <QString>

#include <optional>

namespace kv {

// A store in WAL mode writes to its log alone until a checkpoint, which needs the log: with no log
// beside it nobody is writing to the file itself. Its size and last changes then tell whether it
// stays so; empty for any other file, or one with a log.
QString unchangedStamp(const QString& path);

// What a store that cannot be opened for writing (on a read-only disk, or in a folder the user
// may not write to) holds: its rows, and its stamp when it was taken as unchangeable. Read-only,
// a store in WAL mode opens only where its shared-memory file can be made, or when taken as
// unchangeable, which passes over the locks and the log: so only while no log shows a writer at
// work, and only if the file stayed as it was while it was read. The whole file is checked, as
// damage would otherwise pass for the user's settings. Nothing when it cannot be read so.
struct UnwritableStoreRead {
    QList<SalvagedRow> rows;
    QString stamp;
};
std::optional<UnwritableStoreRead> readUnwritableStore(const QString& path);

} // namespace kv
