// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SettingsStore.h"

#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace kv {

struct SalvagedRow;

// The settings store of every non-Windows build: one SQLite file per user, in WAL mode with a
// busy timeout so that two running copies see each other's writes at once and neither loses one.
class SqliteSettingsStore final : public SettingsStore {
public:
    // How opening went; the program starts in every case, with defaults where nothing was read.
    enum class Opened {
        Existing,     // a good store was found
        Created,      // no store existed: this is the first start of this user
        DamagedMoved, // a damaged file was moved aside (see movedAsidePath) and a new one made
        InMemory,     // no path was given: nothing will be kept
        Unavailable,  // the file is busy, cannot be opened or read, cannot take the table now (a
                      // full disk), or is damaged and cannot be moved aside: it is left
                      // untouched, this run starts from memory, and each save tries the file
                      // again, writing only once it holds no table
    };

    // Opens the store at path, creating its folder (private to the user) and file as needed.
    static std::unique_ptr<SqliteSettingsStore> open(const QString& path);

    ~SqliteSettingsStore() override;
    SqliteSettingsStore(const SqliteSettingsStore&) = delete;
    SqliteSettingsStore& operator=(const SqliteSettingsStore&) = delete;

    Opened opened() const { return opened_; }
    QString path() const { return path_; }
    QString movedAsidePath() const { return movedAsidePath_; }
    // What the user should know about how opening went; empty when all is well.
    QString problem() const;
    // Called when a read finds the file damaged or failing after the open, which looks for
    // damage only after a run that did not end cleanly; the outcome and problem() then tell
    // what became of it, as if the open had found it.
    void setProblemObserver(std::function<void()> observer);
    QString lastError() const override { return lastError_; }

    QString readText(const QString& key, const QString& name) override;
    bool writeText(const QString& key, const QString& name, const QString& text) override;
    bool writeAll(const QString& key, const QList<SettingValue>& values) override;
    bool readAll(const QString& key, const TakeValue& take) override;
    std::optional<quint64> changeMark() override;
    BatchOutcome writeAllUnchangedSince(const QString& key, const QList<SettingValue>& values,
                                        quint64 mark) override;
    bool beginUpdate() override;
    void endUpdate() override;
    bool checkWhole() override;

    // Called inside a writeAll after each value has been written, before the commit; lets a
    // test end the process at a chosen point of a batch.
    void setBatchProgressObserver(std::function<void(qsizetype written)> observer);

private:
    SqliteSettingsStore(sqlite3* db, QString path, Opened opened, QString movedAside);
    bool prepare();
    // The file cannot be used now: it is left alone and tried again at each save.
    void useMemoryFor(const QString& why);
    // Takes the values of a file that can be read but not written into the store in memory.
    void copyReadableFile();
    // Moves a damaged file aside (rc tells why) and goes on with a new one, holding what could
    // still be read from the old.
    void setAside(int rc);
    // The rows the file open now still gives; none when its settings table cannot be found.
    QList<SalvagedRow> salvage() const;
    // Writes rows read from a damaged file, as they were stored; gives how many.
    qsizetype restore(const QList<SalvagedRow>& rows);
    // A read failed with rc: a damaged or failing file is never written over by this run.
    void readFailed(int rc);
    void finalizeStatements();
    // Gives up the connection; the change mark of whatever comes in its place never matches one
    // taken from it, so a save after the swap writes every value, not only those it changed.
    void closeConnection();
    bool upsert(const QString& key, const QString& name, const QString& text);
    bool exec(const char* sql);
    BatchOutcome writeBatch(const QString& key, const QList<SettingValue>& values,
                            std::optional<quint64> mark);
    // Ends a batch that a statement of it failed.
    BatchOutcome batchFailed();
    // Records why a write failed; always false.
    bool fail(const QString& why);
    // A store that could not be read at the start is used once it opens with nothing in it.
    bool retryFile();
    // Takes the file now at the path when the one open was removed or replaced meanwhile (by
    // hand, or by a tool that syncs or restores it): writes to the old one would go nowhere.
    bool followPath();
    // The change mark of the connection open now.
    std::optional<quint64> dataVersion();

    sqlite3* db_ = nullptr;
    sqlite3_stmt* read_ = nullptr;
    sqlite3_stmt* write_ = nullptr;
    sqlite3_stmt* remove_ = nullptr;
    sqlite3_stmt* readKey_ = nullptr;
    sqlite3_stmt* dataVersion_ = nullptr;
    sqlite3_stmt* begin_ = nullptr;
    sqlite3_stmt* commit_ = nullptr;
    QString path_;
    Opened opened_;
    QString movedAsidePath_;
    QString problem_;
    QString lastError_;
    quint32 generation_ = 0;
    // The load read the store's values before damage came to light: the program goes on with
    // them, not with defaults.
    bool readWhole_ = false;
    // Values read from a damaged file into the one made in its place.
    qsizetype salvaged_ = 0;
    // The values of a file that could only be read were taken into memory; if it was taken as
    // unchangeable, what it was like then (see unchangedStamp): a save may write over it while
    // it stays so.
    bool copiedReadOnly_ = false;
    QString copiedStamp_;
    // Files set aside by this run: damage that comes again each time is a failing disk, whose
    // every file made anew would be kept beside the others.
    int setAsides_ = 0;
    // The file at the path replaced the one this run used: it may be written over although this
    // run never read it, as the running copy holds the user's settings.
    bool writeOver_ = false;
    std::function<void(qsizetype)> batchObserver_;
    std::function<void()> problemObserver_;
};

} // namespace kv
