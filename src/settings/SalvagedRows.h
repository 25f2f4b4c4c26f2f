// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

struct sqlite3;

namespace kv {

// A row of the settings table as stored, byte for byte: a text that is not UTF-8 stays what it
// was.
struct SalvagedRow {
    QByteArray key;
    QByteArray name;
    QByteArray data;
};

// The complete rows a damaged file still gives from its settings table, in the order they are
// stored. A page that cannot be read loses the rows on it alone: the rows past it are read too.
QList<SalvagedRow> salvageSettingsRows(sqlite3* db);

} // namespace kv
