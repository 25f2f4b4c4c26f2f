// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SqliteSettingsStore.h"

#include "settings/PrivateFiles.h"
#include "settings/SalvagedRows.h"
#include "settings/StoreHealth.h"
#include "settings/StoredText.h"
#include "settings/UnwritableStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace kv {
namespace {

constexpr int kBusyTimeoutMs = 5000;
// Damage that comes again in one run, to the file made in place of a damaged one, is set aside
// again; past this many times the disk itself is failing.
constexpr int kMostSetAsides = 3;

constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS settings(key TEXT NOT NULL COLLATE NOCASE, "
    "name TEXT NOT NULL COLLATE NOCASE, data, PRIMARY KEY(key, name))";

using Health = StoreHealth;

sqlite3* openFile(const QString& path, QString* problem) {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr) != SQLITE_OK) {
        *problem = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    return db;
}

// Renames a store file and its journal files; false when the main file could not be moved.
bool moveStore(const QString& from, const QString& to) {
    if (!QFile::rename(from, to))
        return false;
    for (const char* suffix : {"-wal", "-shm"}) {
        const QString extra = from + QLatin1String(suffix);
        if (QFile::exists(extra))
            QFile::rename(extra, to + QLatin1String(suffix));
    }
    return true;
}

// Moves the file and its journal files aside under a timestamped name; returns the new name of
// the main file, or an empty text when it could not be moved.
QString moveAside(const QString& path) {
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    const QString target = path + QStringLiteral(".damaged-") + stamp;
    return moveStore(path, target) ? target : QString();
}

// Decodes a value's name into name's own buffer where it can: a load reads tens of thousands of
// names and keeps few, and a block of its own for each would be left among the values kept.
void decodeName(std::string_view bytes, QString& name) {
    if (!std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; })) {
        name = DecodeStoredText(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
        return;
    }
    // A name kept by the taker is shared: resizing it gives this one a block of its own.
    name.resize(qsizetype(bytes.size()));
    QChar* out = name.data();
    for (const char c : bytes)
        *out++ = QLatin1Char(c);
}

} // namespace

std::unique_ptr<SqliteSettingsStore> SqliteSettingsStore::open(const QString& path) {
    QString problem;
    sqlite3* db = nullptr;
    Health health = Health::Good;
    if (!path.isEmpty()) {
        makePrivateFolder(QFileInfo(path).absolutePath());
        // The last connection to close removes the log; one left behind means a run ended
        // abruptly, or another copy has the store open now.
        const bool suspectDamage = QFileInfo::exists(path + QLatin1String("-wal"));
        db = openFile(path, &problem);
        health = db ? checkHealth(db, suspectDamage) : Health::Unavailable;
        if (health == Health::Unavailable && db)
            problem = QString::fromUtf8(sqlite3_errmsg(db));
    }
    if (!db)
        sqlite3_open(":memory:", &db);

    std::unique_ptr<SqliteSettingsStore> store(new SqliteSettingsStore(
        db, path, path.isEmpty() ? Opened::InMemory : Opened::Existing, QString()));
    switch (health) {
    case Health::Good:
        break;
    case Health::NoTable:
        store->opened_ = Opened::Created;
        break;
    case Health::Unavailable:
        // A file that cannot even be opened (its folder missing or not yet mounted, no file
        // handle left) is tried again at each save as well; only a run without a path keeps
        // its settings in memory alone.
        store->useMemoryFor(problem);
        store->copyReadableFile();
        return store;
    case Health::Damaged:
        store->setAside(SQLITE_CORRUPT);
        return store;
    }
    if (!store->prepare() && !path.isEmpty())
        store->useMemoryFor(QString::fromUtf8(sqlite3_errmsg(db)));
    return store;
}

void SqliteSettingsStore::useMemoryFor(const QString& why) {
    closeConnection();
    sqlite3_open(":memory:", &db_);
    opened_ = Opened::Unavailable;
    problem_ = why;
    prepare();
}

void SqliteSettingsStore::copyReadableFile() {
    const std::optional<UnwritableStoreRead> read = readUnwritableStore(path_);
    if (read && restore(read->rows) == read->rows.size()) {
        copiedReadOnly_ = true;
        copiedStamp_ = read->stamp;
    }
}

void SqliteSettingsStore::setAside(int rc) {
    // What the damaged file still gives goes into the new one: part of a collection cut short is
    // more of the user's than the defaults.
    const QList<SalvagedRow> rows = salvage();
    closeConnection();
    const QString kept = moveAside(path_);
    QString problem = QString::fromUtf8(sqlite3_errstr(rc));
    if (!kept.isEmpty()) {
        db_ = openFile(path_, &problem);
        if (db_ && prepare()) {
            ++setAsides_;
            movedAsidePath_ = kept;
            opened_ = Opened::DamagedMoved;
            salvaged_ = restore(rows);
            return;
        }
        if (db_)
            problem = QString::fromUtf8(sqlite3_errmsg(db_));
        // A new file that cannot take the table (on a full disk) would pass for a first start's
        // at the next start, the damaged one unseen beside it: that one goes back in its place.
        closeConnection();
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(path_ + QLatin1String(suffix));
        moveStore(kept, path_);
    }
    // Left where it is, the damaged file is tried again at each save, and refused while it
    // holds a table, unless this run holds its whole state: it is never written over.
    useMemoryFor(problem);
}

QList<SalvagedRow> SqliteSettingsStore::salvage() const {
    // A file cut short claims more pages than it holds, which SQLite takes for damage before it
    // reads any; this connection, closed next, may trust the file's own length instead.
    sqlite3_exec(db_, "PRAGMA writable_schema=ON", nullptr, nullptr, nullptr);
    // Only from a table of ours: another program's file is set aside, never taken in.
    return holdsOurSettingsTable(db_) ? salvageSettingsRows(db_) : QList<SalvagedRow>();
}

qsizetype SqliteSettingsStore::restore(const QList<SalvagedRow>& rows) {
    if (rows.isEmpty() || !exec("BEGIN IMMEDIATE"))
        return 0;
    // As stored, byte for byte: a text that is not UTF-8 stays what it was.
    for (const SalvagedRow& row : rows) {
        sqlite3_bind_text(write_, 1, row.key.constData(), int(row.key.size()), SQLITE_STATIC);
        sqlite3_bind_text(write_, 2, row.name.constData(), int(row.name.size()), SQLITE_STATIC);
        sqlite3_bind_text(write_, 3, row.data.constData(), int(row.data.size()), SQLITE_STATIC);
        const bool written = sqlite3_step(write_) == SQLITE_DONE;
        sqlite3_reset(write_);
        sqlite3_clear_bindings(write_);
        if (!written) {
            exec("ROLLBACK");
            return 0;
        }
    }
    if (exec("COMMIT"))
        return rows.size();
    exec("ROLLBACK");
    return 0;
}

void SqliteSettingsStore::readFailed(int rc) {
    // Busy is another copy at work; a store in memory alone has no file to keep.
    const int primary = rc & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED || opened_ == Opened::InMemory ||
        opened_ == Opened::Unavailable)
        return;
    // What the file holds was not read, so the values this run goes on with must never be
    // written over it: it is treated as if the open had found it so.
    if (healthOf(primary) == Health::Damaged && setAsides_ < kMostSetAsides)
        setAside(rc);
    else
        useMemoryFor(QString::fromUtf8(sqlite3_errstr(rc)));
    if (problemObserver_)
        problemObserver_();
}

QString SqliteSettingsStore::problem() const {
    // Damage found once the load had read the store leaves the program with what it read.
    const QString path = QDir::toNativeSeparators(path_);
    const QString kept = QDir::toNativeSeparators(movedAsidePath_);
    QString damaged;
    if (readWhole_)
        damaged = QCoreApplication::translate(
                      "kv::SqliteSettingsStore",
                      "The settings store %1 was found damaged after Kestrovaline had read it. It "
                      "is kept as %2; Kestrovaline goes on with the settings it read and saves "
                      "all of them anew.")
                      .arg(path, kept);
    else if (salvaged_ > 0)
        damaged =
            QCoreApplication::translate(
                "kv::SqliteSettingsStore",
                "The settings store %1 was damaged. It is kept as %2; Kestrovaline starts "
                "with what could still be read from it (values kept: %3) and default settings "
                "for the rest.")
                .arg(path, kept, QString::number(salvaged_));
    else
        damaged = QCoreApplication::translate("kv::SqliteSettingsStore",
                                              "The settings store %1 was damaged. It is kept as "
                                              "%2, and Kestrovaline starts with default settings.")
                      .arg(path, kept);
    switch (opened_) {
    case Opened::Existing:
    case Opened::Created:
    case Opened::InMemory:
        return {};
    case Opened::DamagedMoved:
        return damaged;
    case Opened::Unavailable:
        break;
    }
    const char* failedText =
        copiedReadOnly_
            ? QT_TRANSLATE_NOOP("kv::SqliteSettingsStore",
                                "The settings store %1 can only be read now (%2). It is left as "
                                "it is; Kestrovaline starts with the settings it holds and tries "
                                "the store again at the next save.")
        : readWhole_ ? QT_TRANSLATE_NOOP("kv::SqliteSettingsStore",
                                         "The settings store %1 cannot be used now (%2). It is "
                                         "left as it is; Kestrovaline goes on with the settings it "
                                         "read and tries the store again at the next save.")
                     : QT_TRANSLATE_NOOP("kv::SqliteSettingsStore",
                                         "The settings store %1 cannot be read now (%2). It is "
                                         "left as it is; Kestrovaline starts with default settings "
                                         "and tries the store again at the next save.");
    const QString failed = QCoreApplication::translate("kv::SqliteSettingsStore", failedText)
                               .arg(QDir::toNativeSeparators(path_), problem_);
    // The new file made in place of a damaged one failed too: where the old one went still counts.
    return movedAsidePath_.isEmpty() ? failed : damaged + QLatin1Char(' ') + failed;
}

SqliteSettingsStore::SqliteSettingsStore(sqlite3* db, QString path, Opened opened,
                                         QString movedAside)
    : db_(db), path_(std::move(path)), opened_(opened), movedAsidePath_(std::move(movedAside)) {}

SqliteSettingsStore::~SqliteSettingsStore() {
    closeConnection();
}

void SqliteSettingsStore::closeConnection() {
    finalizeStatements();
    sqlite3_close(db_);
    db_ = nullptr;
    ++generation_;
}

void SqliteSettingsStore::finalizeStatements() {
    // A connection with a statement left unfinalized refuses to close, and stays open for good.
    for (sqlite3_stmt** statement :
         {&read_, &write_, &remove_, &readKey_, &dataVersion_, &begin_, &commit_}) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
    }
}

bool SqliteSettingsStore::exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool SqliteSettingsStore::prepare() {
    // WAL lets a reader and a writer work at once; NORMAL sync keeps every committed write
    // across a crash of the process, which is what a settings store must survive.
    exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA synchronous=NORMAL");
    // The load reads the table once straight through and a save touches a few pages per
    // value: a cache of the default 2 MB would only keep the load's pages for nothing.
    exec("PRAGMA cache_size=-256");
    if (!exec(kCreateTable))
        return false;
    return sqlite3_prepare_v3(db_, "SELECT data FROM settings WHERE key=?1 AND name=?2", -1,
                              SQLITE_PREPARE_PERSISTENT, &read_, nullptr) == SQLITE_OK &&
           sqlite3_prepare_v3(db_,
                              "INSERT INTO settings(key, name, data) VALUES(?1, ?2, ?3) "
                              "ON CONFLICT(key, name) DO UPDATE SET data=excluded.data",
                              -1, SQLITE_PREPARE_PERSISTENT, &write_, nullptr) == SQLITE_OK &&
           sqlite3_prepare_v3(db_, "DELETE FROM settings WHERE key=?1 AND name=?2", -1,
                              SQLITE_PREPARE_PERSISTENT, &remove_, nullptr) == SQLITE_OK &&
           // The store holds little but this key: reading the table straight through beats
           // going through the key's index, which looks every row up in the table again. The
           // key as spelled is compared first, as bytes, before the slower comparison by case.
           sqlite3_prepare_v3(db_,
                              "SELECT name, data FROM settings NOT INDEXED "
                              "WHERE key=?1 COLLATE BINARY OR key=?1",
                              -1, SQLITE_PREPARE_PERSISTENT, &readKey_, nullptr) == SQLITE_OK &&
           sqlite3_prepare_v3(db_, "PRAGMA data_version", -1, SQLITE_PREPARE_PERSISTENT,
                              &dataVersion_, nullptr) == SQLITE_OK &&
           // IMMEDIATE takes the write lock before the first read, so an update that reads and
           // then writes never has to give way half-way to another writer.
           sqlite3_prepare_v3(db_, "BEGIN IMMEDIATE", -1, SQLITE_PREPARE_PERSISTENT, &begin_,
                              nullptr) == SQLITE_OK &&
           sqlite3_prepare_v3(db_, "COMMIT", -1, SQLITE_PREPARE_PERSISTENT, &commit_, nullptr) ==
               SQLITE_OK;
}

bool SqliteSettingsStore::beginUpdate() {
    if (!sqlite3_get_autocommit(db_))
        return false;
    const bool begun = sqlite3_step(begin_) == SQLITE_DONE;
    sqlite3_reset(begin_);
    return begun;
}

void SqliteSettingsStore::endUpdate() {
    const bool committed = sqlite3_step(commit_) == SQLITE_DONE;
    sqlite3_reset(commit_);
    // A transaction left open would hold the store's write lock against every other copy.
    if (!committed && !sqlite3_get_autocommit(db_))
        exec("ROLLBACK");
}

std::optional<quint64> SqliteSettingsStore::changeMark() {
    // A file removed or replaced meanwhile has changed as much as one another copy wrote to.
    followPath();
    return dataVersion();
}

std::optional<quint64> SqliteSettingsStore::dataVersion() {
    // The data version moves with every commit of another connection, never with our own.
    // Each connection counts from where it began: the generation tells one from another.
    std::optional<quint64> mark;
    if (sqlite3_step(dataVersion_) == SQLITE_ROW)
        mark = quint64(generation_) << 32 | quint32(sqlite3_column_int64(dataVersion_, 0));
    sqlite3_reset(dataVersion_);
    return mark;
}

QString SqliteSettingsStore::readText(const QString& key, const QString& name) {
    const QByteArray k = key.toUtf8();
    const QByteArray n = name.toUtf8();
    sqlite3_bind_text(read_, 1, k.constData(), int(k.size()), SQLITE_STATIC);
    sqlite3_bind_text(read_, 2, n.constData(), int(n.size()), SQLITE_STATIC);
    QString result;
    const int rc = sqlite3_step(read_);
    if (rc == SQLITE_ROW && sqlite3_column_type(read_, 0) != SQLITE_NULL) {
        result = DecodeStoredText(
            QByteArrayView(reinterpret_cast<const char*>(sqlite3_column_text(read_, 0)),
                           sqlite3_column_bytes(read_, 0)));
    }
    // Resetting ends the read transaction, so no lock outlives the call.
    sqlite3_reset(read_);
    sqlite3_clear_bindings(read_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        readFailed(rc);
    return result;
}

bool SqliteSettingsStore::readAll(const QString& key, const TakeValue& take) {
    const QByteArray k = key.toUtf8();
    sqlite3_bind_text(readKey_, 1, k.constData(), int(k.size()), SQLITE_STATIC);
    QString name;
    // Most of the collection's values repeat (the folder of every entry, its state), and they
    // come among few others: a value met a moment ago shares its text instead of being decoded
    // into a copy of its own.
    struct Recent {
        std::string bytes;
        QString text;
    };
    std::array<Recent, 4> recent;
    size_t replaced = 0;
    int rc = SQLITE_ROW;
    // One statement is one read transaction: the values come from one moment of the store.
    while ((rc = sqlite3_step(readKey_)) == SQLITE_ROW) {
        if (sqlite3_column_type(readKey_, 1) == SQLITE_NULL)
            continue;
        const auto column = [this](int i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(readKey_, i));
            return std::string_view(text, size_t(sqlite3_column_bytes(readKey_, i)));
        };
        const std::string_view data = column(1);
        auto seen = std::find_if(recent.begin(), recent.end(),
                                 [data](const Recent& value) { return value.bytes == data; });
        if (seen == recent.end()) {
            seen = recent.begin() + (replaced++ % recent.size());
            seen->bytes.assign(data);
            seen->text = DecodeStoredText(QByteArrayView(data.data(), qsizetype(data.size())));
        }
        decodeName(column(0), name);
        take(name, seen->text);
    }
    sqlite3_reset(readKey_);
    sqlite3_clear_bindings(readKey_);
    if (rc != SQLITE_DONE)
        readFailed(rc);
    else if (opened_ == Opened::Existing && movedAsidePath_.isEmpty())
        readWhole_ = true;
    return rc == SQLITE_DONE;
}

bool SqliteSettingsStore::upsert(const QString& key, const QString& name, const QString& text) {
    // An empty text is no value: its row goes, so rows a shrinking collection left behind are
    // not read at every start.
    sqlite3_stmt* statement = text.isEmpty() ? remove_ : write_;
    const QByteArray k = key.toUtf8();
    const QByteArray n = name.toUtf8();
    const QByteArray t = EncodeStoredText(text);
    sqlite3_bind_text(statement, 1, k.constData(), int(k.size()), SQLITE_STATIC);
    sqlite3_bind_text(statement, 2, n.constData(), int(n.size()), SQLITE_STATIC);
    if (statement == write_)
        sqlite3_bind_text(statement, 3, t.constData(), int(t.size()), SQLITE_STATIC);
    const bool ok = sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return ok;
}

bool SqliteSettingsStore::writeText(const QString& key, const QString& name, const QString& text) {
    return upsert(key, name, text) || fail(QString());
}

bool SqliteSettingsStore::fail(const QString& why) {
    lastError_ =
        QCoreApplication::translate("kv::SqliteSettingsStore",
                                    "The settings store %1 refused it: %2")
            .arg(QDir::toNativeSeparators(path_.isEmpty() ? QStringLiteral(":memory:") : path_),
                 why.isEmpty() ? QString::fromUtf8(sqlite3_errmsg(db_)) : why);
    return false;
}

bool SqliteSettingsStore::retryFile() {
    // Looked at before the open, which makes the log of a file that can be written now.
    const bool unchangedSinceCopy =
        !copiedStamp_.isEmpty() && unchangedStamp(path_) == copiedStamp_;
    QString problem;
    // The folder may be missing still, as on a home mounted late.
    makePrivateFolder(QFileInfo(path_).absolutePath());
    sqlite3* db = openFile(path_, &problem);
    if (!db)
        return fail(problem);
    // A file this run found failing is looked through whole, although its log went with the
    // last connection to it.
    const Health health =
        checkHealth(db, readWhole_ || QFileInfo::exists(path_ + QLatin1String("-wal")));
    // Damage met where this run holds the whole state is set aside now that it can be: the new
    // file could not be made before (on a full disk).
    if (health == Health::Damaged && readWhole_ && !writeOver_ && setAsides_ < kMostSetAsides) {
        closeConnection();
        db_ = db;
        setAside(SQLITE_CORRUPT);
        if (opened_ != Opened::DamagedMoved)
            return fail(problem_);
        if (problemObserver_)
            problemObserver_();
        return true;
    }
    // What the file holds was never read by this run: writing this run's state over it would
    // lose it, unless that state was read from the store the file replaced. Another program's
    // file is never written over.
    const bool takesTable =
        health == Health::Good && (writeOver_ || (copiedReadOnly_ && unchangedSinceCopy));
    if (health != Health::NoTable && !takesTable) {
        if (health == Health::Unavailable)
            problem = QString::fromUtf8(sqlite3_errmsg(db));
        else if (writeOver_)
            problem = QCoreApplication::translate("kv::SqliteSettingsStore",
                                                  "it was replaced by a file that is not a "
                                                  "settings store, which is left as it is");
        else if (copiedReadOnly_)
            problem = QCoreApplication::translate(
                "kv::SqliteSettingsStore", "it changed after Kestrovaline read it, and what it "
                                           "holds now is not overwritten; restart Kestrovaline to "
                                           "use it");
        else if (readWhole_)
            problem = QCoreApplication::translate(
                "kv::SqliteSettingsStore", "it failed while Kestrovaline ran, and what it holds "
                                           "now is not overwritten; restart Kestrovaline to use "
                                           "it");
        else
            problem = QCoreApplication::translate(
                "kv::SqliteSettingsStore", "it could not be read when Kestrovaline started, and "
                                           "what it holds now is not overwritten; restart "
                                           "Kestrovaline to use it");
        sqlite3_close(db);
        return fail(problem);
    }
    // The table is made before this run's values in memory are given up: a file that cannot
    // take it (on a full disk) is tried again at the next save.
    if (sqlite3_exec(db, kCreateTable, nullptr, nullptr, nullptr) != SQLITE_OK) {
        problem = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return fail(problem);
    }
    closeConnection();
    db_ = db;
    opened_ = takesTable ? Opened::Existing : Opened::Created;
    problem_.clear();
    writeOver_ = false;
    return prepare() || fail(QString());
}

bool SqliteSettingsStore::followPath() {
    int moved = 0;
    if (opened_ == Opened::InMemory || opened_ == Opened::Unavailable ||
        sqlite3_file_control(db_, "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK || !moved)
        return true;
    // The old file is let go first: the last connection to a file removes its log files by
    // name as it closes, and those names may be the new file's by then.
    useMemoryFor(QString());
    writeOver_ = true;
    return retryFile();
}

bool SqliteSettingsStore::writeAll(const QString& key, const QList<SettingValue>& values) {
    return writeBatch(key, values, std::nullopt) == BatchOutcome::Written;
}

SettingsStore::BatchOutcome
SqliteSettingsStore::writeAllUnchangedSince(const QString& key, const QList<SettingValue>& values,
                                            quint64 mark) {
    return writeBatch(key, values, mark);
}

SettingsStore::BatchOutcome SqliteSettingsStore::writeBatch(const QString& key,
                                                            const QList<SettingValue>& values,
                                                            std::optional<quint64> mark) {
    if (opened_ == Opened::Unavailable ? !retryFile() : !followPath())
        return BatchOutcome::Refused;
    // IMMEDIATE takes the write lock at once, so two copies saving together queue up under the
    // busy timeout instead of failing half-way; the mark is compared under that lock.
    if (!exec("BEGIN IMMEDIATE"))
        return batchFailed();
    if (mark && dataVersion() != mark) {
        exec("ROLLBACK");
        return BatchOutcome::Overtaken;
    }
    qsizetype written = 0;
    for (const SettingValue& value : values) {
        if (!upsert(key, value.name, value.text))
            return batchFailed();
        ++written;
        if (batchObserver_)
            batchObserver_(written);
    }
    if (!exec("COMMIT"))
        return batchFailed();
    return BatchOutcome::Written;
}

SettingsStore::BatchOutcome SqliteSettingsStore::batchFailed() {
    const int rc = sqlite3_errcode(db_);
    fail(QString());
    exec("ROLLBACK");
    // Damage that came while the program ran (the file cut short or written over) is set aside
    // as a read would set it aside. Refused, the last save of a run would leave the user's
    // settings only in the damaged file; overtaken, the caller writes them all to the new one.
    if (healthOf(rc & 0xff) != Health::Damaged || setAsides_ >= kMostSetAsides ||
        opened_ == Opened::InMemory)
        return BatchOutcome::Refused;
    // What the program goes on with is what it holds, not the defaults, whatever it read.
    readWhole_ = true;
    readFailed(rc);
    return opened_ == Opened::DamagedMoved ? BatchOutcome::Overtaken : BatchOutcome::Refused;
}

bool SqliteSettingsStore::checkWhole() {
    if (opened_ == Opened::InMemory || opened_ == Opened::Unavailable || !followPath())
        return true;
    // Only damage counts: a store busy or failing now is the same store at the next save.
    if (checkHealth(db_, true) != Health::Damaged || setAsides_ >= kMostSetAsides)
        return true;
    readWhole_ = true;
    readFailed(SQLITE_CORRUPT);
    return false;
}

void SqliteSettingsStore::setProblemObserver(std::function<void()> observer) {
    problemObserver_ = std::move(observer);
}

void SqliteSettingsStore::setBatchProgressObserver(std::function<void(qsizetype)> observer) {
    batchObserver_ = std::move(observer);
}

} // namespace kv
