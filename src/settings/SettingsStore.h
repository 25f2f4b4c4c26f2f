// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace kv {

// One named text value of a settings key.
struct SettingValue {
    QString name;
    QString text;
};

// A per-user store of named text values grouped under key paths, as the registry keeps them.
// Names compare without regard to case. An empty text and a missing value read alike, and a store
// may drop a value written empty. A value of another kind, put there by hand, reads as its text
// where the store can tell it (a number typed into the SQLite file), else as the empty text.
// Writes are visible at once to every process that uses the same store.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual QString readText(const QString& key, const QString& name) = 0;
    // False when the store refused the write; the old value then stays.
    virtual bool writeText(const QString& key, const QString& name, const QString& text) = 0;
    // All values or none: a failure, or a process killed half-way, leaves the old values.
    virtual bool writeAll(const QString& key, const QList<SettingValue>& values) = 0;
    enum class BatchOutcome { Written, Refused, Overtaken };
    // A mark that moves whenever a writer other than this object (another copy of the program)
    // changes the store; nullopt where the store cannot tell.
    virtual std::optional<quint64> changeMark() { return std::nullopt; }
    // writeAll, as long as the change mark still equals mark when the write begins; otherwise
    // nothing is written and the outcome is Overtaken.
    virtual BatchOutcome writeAllUnchangedSince(const QString& key,
                                                const QList<SettingValue>& values, quint64 mark) {
        Q_UNUSED(mark);
        return writeAll(key, values) ? BatchOutcome::Written : BatchOutcome::Refused;
    }
    // Every text value of the key, as one consistent read, handed over one by one; false where
    // the store cannot list its values or the read failed (what was handed over then does not
    // count, and the caller reads value by value).
    using TakeValue = std::function<void(const QString& name, const QString& text)>;
    virtual bool readAll(const QString& key, const TakeValue& take) {
        Q_UNUSED(key);
        Q_UNUSED(take);
        return false;
    }
    // Opens an update: the reads and writes that follow, up to endUpdate(), reach the store as
    // one transaction that no other writer comes between. True when this call opened it (only
    // that caller ends it); false where the store has no such thing, or one is open already, and
    // each read and write then stands alone as usual.
    virtual bool beginUpdate() { return false; }
    // Ends the update; a store that cannot keep it whole keeps none of it.
    virtual void endUpdate() {}
    // Looks through the whole store for damage that no read or write has met since the load;
    // false when damage was found, and what the store holds is then no longer known. Slow: for
    // a save that may be the last one and have nothing to write.
    virtual bool checkWhole() { return true; }
    // Why the last refused write was refused, naming the store, for the user.
    virtual QString lastError() const { return {}; }
    // False when the last refused batch was taken whole but is only partly in place: the store
    // puts the rest there at the next start, so the old values are not what stays.
    virtual bool lastFailureKeptOldValues() const { return true; }
};

} // namespace kv
