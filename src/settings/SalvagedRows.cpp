// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SalvagedRows.h"

#include <sqlite3.h>

#include <limits>
#include <optional>

namespace kv {
namespace {

constexpr sqlite3_int64 kFirstRowid = std::numeric_limits<sqlite3_int64>::min();
constexpr sqlite3_int64 kLastRowid = std::numeric_limits<sqlite3_int64>::max();

// A read of the table stops at the first page it cannot read: one page written over in the
// middle of a large collection would lose every entry after it. Rows are read in rowid order
// instead, a seek past the page that failed goes on from the first row it can reach, and the
// rows the seek stepped over are read back from there.
class RowReader {
public:
    explicit RowReader(sqlite3* db) : db_(db) {}
    ~RowReader() {
        for (sqlite3_stmt* statement : {forward_, backward_, seek_})
            sqlite3_finalize(statement);
    }
    RowReader(const RowReader&) = delete;
    RowReader& operator=(const RowReader&) = delete;

    QList<SalvagedRow> read() {
        if (!prepare())
            return {};
        sqlite3_int64 after = kFirstRowid;
        std::optional<sqlite3_int64> landed;
        for (;;) {
            const sqlite3_int64 from = after;
            if (readForward(after))
                break;
            // A row a seek reaches but a read cannot (its text on a page lost) is passed over.
            if (landed && after == from)
                after = *landed;
            landed = firstReachableAfter(after);
            if (!landed)
                break;
            readBack(after, *landed);
            after = *landed - 1;
        }
        return rows_;
    }

private:
    bool prepare() {
        const auto make = [this](const char* sql, sqlite3_stmt** statement) {
            return sqlite3_prepare_v2(db_, sql, -1, statement, nullptr) == SQLITE_OK;
        };
        return make("SELECT rowid, key, name, data FROM settings WHERE rowid > ?1 AND key IS NOT "
                    "NULL AND name IS NOT NULL AND data IS NOT NULL ORDER BY rowid",
                    &forward_) &&
               make("SELECT rowid, key, name, data FROM settings WHERE rowid > ?1 AND rowid < ?2 "
                    "AND key IS NOT NULL AND name IS NOT NULL AND data IS NOT NULL ORDER BY "
                    "rowid DESC",
                    &backward_) &&
               make("SELECT rowid FROM settings WHERE rowid > ?1 ORDER BY rowid LIMIT 1", &seek_);
    }

    // Reads on from after to the end or the first row that fails; gives whether it reached the
    // end, after moved to the last row read.
    bool readForward(sqlite3_int64& after) {
        sqlite3_reset(forward_);
        sqlite3_bind_int64(forward_, 1, after);
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(forward_)) == SQLITE_ROW) {
            after = sqlite3_column_int64(forward_, 0);
            rows_.append(row(forward_));
        }
        return rc == SQLITE_DONE;
    }

    // The first row past after that a seek reaches, seeking ever further beyond the damage.
    std::optional<sqlite3_int64> firstReachableAfter(sqlite3_int64 after) {
        for (int doubling = 0; doubling < 64; ++doubling) {
            const sqlite3_int64 step = doubling == 0 ? 0 : sqlite3_int64(1) << (doubling - 1);
            if (after > kLastRowid - step)
                break;
            sqlite3_reset(seek_);
            sqlite3_bind_int64(seek_, 1, after + step);
            const int rc = sqlite3_step(seek_);
            if (rc == SQLITE_ROW)
                return sqlite3_column_int64(seek_, 0);
            if (rc == SQLITE_DONE)
                break;
        }
        return std::nullopt;
    }

    // The rows between after and landed, read backwards from where a seek landed.
    void readBack(sqlite3_int64 after, sqlite3_int64 landed) {
        sqlite3_reset(backward_);
        sqlite3_bind_int64(backward_, 1, after);
        sqlite3_bind_int64(backward_, 2, landed);
        QList<SalvagedRow> between;
        while (sqlite3_step(backward_) == SQLITE_ROW)
            between.prepend(row(backward_));
        rows_.append(between);
    }

    static SalvagedRow row(sqlite3_stmt* statement) {
        const auto bytes = [statement](int column) {
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                              sqlite3_column_bytes(statement, column));
        };
        return {bytes(1), bytes(2), bytes(3)};
    }

    sqlite3* db_;
    sqlite3_stmt* forward_ = nullptr;
    sqlite3_stmt* backward_ = nullptr;
    sqlite3_stmt* seek_ = nullptr;
    QList<SalvagedRow> rows_;
};

} // namespace

QList<SalvagedRow> salvageSettingsRows(sqlite3* db) {
    return RowReader(db).read();
}

} // namespace kv
