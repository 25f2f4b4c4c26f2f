// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SalvagedRows.h"

#include <QMap>

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

namespace kv {
namespace {

constexpr sqlite3_int64 kFirstRowid = std::numeric_limits<sqlite3_int64>::min();
constexpr sqlite3_int64 kLastRowid = std::numeric_limits<sqlite3_int64>::max();
// Rows that only come again, this many in a row, are a tree whose pages lead back to each
// other; a page copied over another repeats far fewer.
constexpr int kMostRowsAgain = 1024;

// A read of the table stops at the first page it cannot read: one page written over in the
// middle of a large collection would lose every entry after it. Rows are read in rowid order
// instead; past a page that fails, a seek further on finds the next row it can reach, and the
// rows it stepped over are read back from there. A damaged tree may hand out rows out of order
// or again, as a plain read of it would: each is kept once (a garbled row that shares a good
// one's rowid is kept beside it, as the plain read kept both), a pass ends where rows only come
// again, each pass goes on from beyond where the one before ended, and the rows and seeks a
// salvage may take are counted, so it ends.
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
        // The rows from here on are yet to be read.
        sqlite3_int64 from = kFirstRowid;
        std::optional<sqlite3_int64> landedAt;
        for (;;) {
            const std::optional<sqlite3_int64> last = readForward(from);
            if (!last && reachedEnd_)
                break;
            if (last) {
                const sqlite3_int64 reached = std::max(*last, from);
                if (reachedEnd_ || reached == kLastRowid)
                    break;
                from = reached + 1;
            } else if (landedAt == from) {
                // A row a seek reaches but a read cannot (its text on a page lost).
                if (from == kLastRowid)
                    break;
                ++from;
            }
            // Rows are numbered from 1 unless set by hand: a seek from far below would not reach
            // them in its steps.
            const std::optional<sqlite3_int64> landed =
                firstReachable(rows_.isEmpty() && from < 1 ? 1 : from);
            readBack(from, landed.value_or(seekEnd_));
            if (!landed)
                break;
            from = *landed;
            landedAt = from;
        }
        QList<SalvagedRow> all;
        for (const QList<SalvagedRow>& atRowid : std::as_const(rows_))
            all.append(atRowid);
        return all;
    }

private:
    bool prepare() {
        const auto make = [this](const char* sql, sqlite3_stmt** statement) {
            return sqlite3_prepare_v2(db_, sql, -1, statement, nullptr) == SQLITE_OK;
        };
        return make("SELECT rowid, key, name, data FROM settings WHERE rowid >= ?1 ORDER BY rowid",
                    &forward_) &&
               make("SELECT rowid, key, name, data FROM settings WHERE rowid >= ?1 AND rowid < ?2 "
                    "ORDER BY rowid DESC",
                    &backward_) &&
               make("SELECT rowid FROM settings WHERE rowid >= ?1 ORDER BY rowid LIMIT 1", &seek_);
    }

    // Reads on from `from` until the end or a row that fails; gives the last rowid read, and in
    // reachedEnd_ whether nothing is left to read (or the salvage may read no more).
    std::optional<sqlite3_int64> readForward(sqlite3_int64 from) {
        sqlite3_reset(forward_);
        sqlite3_bind_int64(forward_, 1, from);
        std::optional<sqlite3_int64> last;
        int rc = SQLITE_ROW;
        int again = 0;
        while (rowsLeft_ > 0 && again < kMostRowsAgain &&
               (rc = sqlite3_step(forward_)) == SQLITE_ROW) {
            --rowsLeft_;
            const sqlite3_int64 rowid = sqlite3_column_int64(forward_, 0);
            again = take(forward_, rowid) ? 0 : again + 1;
            // A row below where the read began is out of place: the next pass goes on from the
            // rows read where they belong.
            if (rowid >= from)
                last = rowid;
        }
        reachedEnd_ = (rc == SQLITE_DONE && again < kMostRowsAgain) || rowsLeft_ == 0;
        return last;
    }

    // The first row at or past `from` that a seek reaches, each seek twice as far beyond the
    // damage as the one before. Where the seeks run past the last row, seekEnd_ says from where.
    std::optional<sqlite3_int64> firstReachable(sqlite3_int64 from) {
        const quint64 room = quint64(kLastRowid) - quint64(from);
        for (quint64 step = 0; step <= room && seeksLeft_ > 0; step = step == 0 ? 1 : step * 2) {
            --seeksLeft_;
            const auto target = sqlite3_int64(quint64(from) + step);
            sqlite3_reset(seek_);
            sqlite3_bind_int64(seek_, 1, target);
            const int rc = sqlite3_step(seek_);
            if (rc == SQLITE_DONE) {
                seekEnd_ = target;
                return std::nullopt;
            }
            if (rc == SQLITE_ROW && sqlite3_column_int64(seek_, 0) >= target)
                return sqlite3_column_int64(seek_, 0);
            if (step > room / 2)
                break;
        }
        seekEnd_ = kLastRowid;
        return std::nullopt;
    }

    // The rows from `from` up to `before`, read backwards from there to the first that fails.
    void readBack(sqlite3_int64 from, sqlite3_int64 before) {
        if (before <= from)
            return;
        sqlite3_reset(backward_);
        sqlite3_bind_int64(backward_, 1, from);
        sqlite3_bind_int64(backward_, 2, before);
        sqlite3_int64 last = before;
        while (rowsLeft_ > 0 && sqlite3_step(backward_) == SQLITE_ROW) {
            --rowsLeft_;
            const sqlite3_int64 rowid = sqlite3_column_int64(backward_, 0);
            if (rowid < from || rowid >= last)
                break;
            take(backward_, rowid);
            last = rowid;
        }
    }

    // Gives whether the row is new.
    bool take(sqlite3_stmt* statement, sqlite3_int64 rowid) {
        const auto bytes = [statement](int column) {
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                              sqlite3_column_bytes(statement, column));
        };
        // A row whose record reads as nothing is left out; the entry's other values are kept.
        for (int column = 1; column <= 3; ++column)
            if (sqlite3_column_type(statement, column) == SQLITE_NULL)
                return true;
        SalvagedRow row{bytes(1), bytes(2), bytes(3)};
        QList<SalvagedRow>& atRowid = rows_[rowid];
        const bool known = std::any_of(atRowid.cbegin(), atRowid.cend(), [&row](const auto& kept) {
            return kept.key == row.key && kept.name == row.name && kept.data == row.data;
        });
        if (!known)
            atRowid.append(std::move(row));
        return !known;
    }

    sqlite3* db_;
    sqlite3_stmt* forward_ = nullptr;
    sqlite3_stmt* backward_ = nullptr;
    sqlite3_stmt* seek_ = nullptr;
    bool reachedEnd_ = false;
    sqlite3_int64 seekEnd_ = kLastRowid;
    // A tree whose pages lead back to each other would be read without end, and one whose every
    // row fails to read would take a series of seeks per row: past these many, the salvage
    // keeps what it has.
    int rowsLeft_ = 1 << 20;
    int seeksLeft_ = 1 << 18;
    // By rowid, in the order they are stored.
    QMap<sqlite3_int64, QList<SalvagedRow>> rows_;
};

} // namespace

QList<SalvagedRow> salvageSettingsRows(sqlite3* db) {
    return RowReader(db).read();
}

} // namespace kv
