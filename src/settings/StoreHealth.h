// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct sqlite3;

namespace kv {

// How a settings store's file stands, as far as SQLite can tell.
enum class StoreHealth { Good, NoTable, Damaged, Unavailable };

// Only what SQLite itself calls damage: a busy, full, read-only or failing store is the same
// good store a moment later, and moving it aside would hide the user's settings.
StoreHealth healthOf(int rc);

// A file that is not a database, holds a settings table of another shape, or fails the quick
// check is damaged; such a file is kept for the user, never written over. The quick check reads
// the whole file, so it runs only where damage can have happened: after a run that did not end
// cleanly (its write-ahead log is still there).
StoreHealth checkHealth(sqlite3* db, bool suspectDamage);

// Whether the file holds a settings table made by this program (its key and name compare
// without case), whatever the state of its rows.
bool holdsOurSettingsTable(sqlite3* db);

} // namespace kv
