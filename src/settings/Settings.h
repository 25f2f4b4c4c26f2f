// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SettingsStore.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace kv {

// The program's settings key and its typed reads and writes. A missing, empty, non-text or
// unreadable value reads as the caller's default, in the default's own type. The heartbeat
// values, rewritten every second, live in a volatile store when one is given, so a resident
// program does not write to the disk every second.
// Value names compare as the SQLite store compares them: A to Z alike in either case, every
// other character only itself. Unicode's wider folding would take a row the store keeps apart (a
// long s for an s) for one of the program's. The hash folds alike.
bool sameValueName(QStringView a, QStringView b);
size_t foldedNameHash(const QString& name, size_t seed);

class Settings {
public:
    explicit Settings(SettingsStore& persistent, SettingsStore* volatileStore = nullptr);

    // An empty vendor name stands for the product name: Software\<vendor>\<product>.
    void SetSettingsRoot(const QString& productName, const QString& vendorName);
    QString settingsKey() const { return key_; }
    // Why the persistent store refused the last write that failed.
    QString lastError() const;
    bool lastFailureKeptOldValues() const;

    QString ReadSetting(const QString& name, const QString& defaultValue) const;
    QString ReadSetting(const QString& name, const char* defaultValue) const;
    qint32 ReadSetting(const QString& name, qint32 defaultValue) const;
    double ReadSetting(const QString& name, double defaultValue) const;

    void WriteSetting(const QString& name, const QString& text);
    void WriteSetting(const QString& name, const char* text);
    void WriteSetting(const QString& name, qint32 value);
    // Written as a single-precision real: at most 7 significant digits, decimal point.
    void WriteSetting(const QString& name, double value);

    // The rows of a long indexed list (the collection), whose owner keeps its own record of what
    // it stored: read and written like any value, but not remembered here (see Batch). Row n of
    // the list is the value named prefix + n.
    QString ReadListValue(const QString& prefix, qint32 row) const;
    void WriteListValue(const QString& name, const QString& text);

    // Writes made while a batch is open reach the store together, or not at all, at commit. A
    // batch opened while another is open (a save reached again from a dialog the first one
    // raised) joins it: its writes land with the outer commit.
    // Once a snapshot has read the store, a batch leaves out the values the store is known to
    // hold (as read then or written since), so a save that changes nothing writes nothing. When
    // another writer has changed the store meanwhile, the commit writes nothing and fails, what
    // the store holds counts as unknown (knownEpoch() moves on), and a second save writes all.
    class Batch {
    public:
        explicit Batch(Settings& settings);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        bool commit();

    private:
        Settings& settings_;
        bool outermost_;
        bool open_ = true;
    };

    // While a snapshot is open, reads of stored values come from one read of the whole key made
    // when it opened, instead of one store read per value (the start-up load reads thousands).
    // Writes made meanwhile are seen by later reads; the heartbeat values are always read from
    // their store, as another copy may write them at any time.
    class Snapshot {
    public:
        explicit Snapshot(Settings& settings);
        ~Snapshot();
        Snapshot(const Snapshot&) = delete;
        Snapshot& operator=(const Snapshot&) = delete;

    private:
        Settings& settings_;
        bool outermost_;
    };

    // The heartbeat values read and written while an update is open reach their store as one
    // transaction: the running copy's beat and the command it takes land together, for one lock
    // of the store instead of one per value.
    class HeartbeatUpdate {
    public:
        explicit HeartbeatUpdate(Settings& settings);
        ~HeartbeatUpdate();
        HeartbeatUpdate(const HeartbeatUpdate&) = delete;
        HeartbeatUpdate& operator=(const HeartbeatUpdate&) = delete;

    private:
        SettingsStore& store_;
        bool begun_;
    };

    // Whether saves may leave out what the store holds: false before a snapshot and where the
    // store cannot tell another writer's changes.
    bool knowsStore() const { return mark_.has_value(); }
    // Looks through the whole store for damage, before a save that may be the run's last: with
    // nothing to write, that save reads nothing and would never meet it. Damage found is set
    // aside, and the save then writes everything to the store made in its place.
    void checkStore();
    // Moves on whenever what the store holds stops being known; a caller that keeps its own
    // record of what it stored drops that record then.
    quint64 knownEpoch() const { return epoch_; }

private:
    // A value name hashed and compared without regard to case, as the store compares names,
    // without making a folded copy of it.
    struct FoldedName {
        QString name;
        friend bool operator==(const FoldedName& a, const FoldedName& b) {
            return sameValueName(a.name, b.name);
        }
        friend size_t qHash(const FoldedName& key, size_t seed) {
            return foldedNameHash(key.name, seed);
        }
    };
    // The stored values while a snapshot is open. A value named a prefix and a row number
    // (written without sign or leading zero) is kept in its list's rows rather than hashed: the
    // collection's tens of thousands of values then cost one lookup of a short prefix each.
    class SnapshotValues {
    public:
        QString value(const QString& name) const;
        QString row(QStringView prefix, qint32 row) const;
        void insert(const QString& name, const QString& text);

    private:
        struct Rows {
            QString prefix;
            QList<QString> texts;
        };
        qsizetype listOf(QStringView prefix) const;

        QHash<FoldedName, QString> named_;
        QList<Rows> lists_;
    };
    struct PendingValue {
        QString name;
        QString text;
        bool remembered;
    };
    QString readRaw(const QString& name, bool remember) const;
    void writeRaw(const QString& name, const QString& text, bool remember);
    bool writeBatch(const QList<PendingValue>& pending);
    void forgetStore();
    SettingsStore& storeFor(const QString& name) const;

    SettingsStore& persistent_;
    SettingsStore* volatile_;
    QString key_;
    std::optional<QList<PendingValue>> pending_;
    // What the store holds of the values read during a snapshot or written since, by name as
    // the program spells it, while the change mark says no one else has written.
    mutable QHash<QString, QString> known_;
    std::optional<quint64> mark_;
    quint64 epoch_ = 0;
    // The stored values, while a snapshot is open.
    std::optional<SnapshotValues> snapshot_;
};

// Text conversions shared by every reader of stored values.
std::optional<qint32> parseWholeNumber(const QString& text);
std::optional<double> parseRealNumber(const QString& text);
QString singlePrecisionText(double value);

} // namespace kv
