// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/StoreHealth.h"

#include <QStringList>

#include <sqlite3.h>

namespace kv {
namespace {

using Health = StoreHealth;

// A statement owned for the length of one call.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return stmt_; }
    int step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
    QString text(int column) const {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column)),
                                 sqlite3_column_bytes(stmt_, column));
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

// Whether a settings table was made by this program: its key and name compare without case.
bool madeByUs(const QString& tableSql) {
    return tableSql.toLower().count(QLatin1String("collate nocase")) >= 2;
}

} // namespace

StoreHealth healthOf(int rc) {
    return rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT ? Health::Damaged : Health::Unavailable;
}

StoreHealth checkHealth(sqlite3* db, bool suspectDamage) {
    if (suspectDamage) {
        Statement check(db, "PRAGMA quick_check");
        const int rc = check.step();
        if (rc != SQLITE_ROW)
            return healthOf(sqlite3_errcode(db));
        if (check.text(0) != QLatin1String("ok"))
            return Health::Damaged;
    }
    // Names of tables, indexes, views and triggers share one space, whatever their case: an
    // index called settings leaves no room for the table.
    Statement table(db, "SELECT type, sql FROM sqlite_master WHERE name='settings' COLLATE NOCASE");
    const int rc = table.step();
    if (rc == SQLITE_DONE)
        return Health::NoTable;
    if (rc != SQLITE_ROW)
        return healthOf(sqlite3_errcode(db));
    if (table.text(0) != QLatin1String("table") || !madeByUs(table.text(1)))
        return Health::Damaged;

    // A later version may add a column; the rows written here fill it with null or its default.
    Statement columns(db, "PRAGMA table_info(settings)");
    QStringList shape;
    while (columns.step() == SQLITE_ROW) {
        const QString name = columns.text(1).toLower();
        const int notNull = sqlite3_column_int(columns.get(), 3);
        const int keyPart = sqlite3_column_int(columns.get(), 5);
        if (name == QLatin1String("key") || name == QLatin1String("name") ||
            name == QLatin1String("data"))
            shape << QStringLiteral("%1:%2:%3").arg(name).arg(notNull).arg(keyPart);
        else if (keyPart != 0 || (notNull && sqlite3_column_type(columns.get(), 4) == SQLITE_NULL))
            return Health::Damaged;
    }
    shape.sort();
    const QStringList expected{QStringLiteral("data:0:0"), QStringLiteral("key:1:1"),
                               QStringLiteral("name:1:2")};
    return shape == expected ? Health::Good : Health::Damaged;
}

bool holdsOurSettingsTable(sqlite3* db) {
    Statement table(db, "SELECT sql FROM sqlite_master WHERE type='table' AND name='settings'");
    return table.step() == SQLITE_ROW && madeByUs(table.text(0));
}

} // namespace kv
