// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SettingsStore.h"

#include <QHash>

namespace kv::test {

// A settings store in memory that counts how it was written to, so a test can tell one atomic
// batch from a run of single writes.
class MemorySettingsStore final : public SettingsStore {
public:
    QString readText(const QString& key, const QString& name) override {
        ++reads;
        return values.value(key + u'\\' + name.toLower());
    }
    bool writeText(const QString& key, const QString& name, const QString& text) override {
        values.insert(key + u'\\' + name.toLower(), text);
        return true;
    }
    bool writeAll(const QString& key, const QList<SettingValue>& batch) override {
        ++batches;
        if (refusesBatches)
            return false;
        batchValues += int(batch.size());
        for (const SettingValue& value : batch)
            values.insert(key + u'\\' + value.name.toLower(), value.text);
        return true;
    }
    std::optional<quint64> changeMark() override {
        if (!listsValues)
            return std::nullopt;
        return outsideWrites;
    }
    BatchOutcome writeAllUnchangedSince(const QString& key, const QList<SettingValue>& batch,
                                        quint64 mark) override {
        if (mark != outsideWrites)
            return BatchOutcome::Overtaken;
        return writeAll(key, batch) ? BatchOutcome::Written : BatchOutcome::Refused;
    }
    // A write by another copy of the program.
    void writeElsewhere(const QString& key, const QString& name, const QString& text) {
        values.insert(key + u'\\' + name.toLower(), text);
        ++outsideWrites;
    }

    bool readAll(const QString& key, const TakeValue& take) override {
        if (!listsValues)
            return false;
        const QString prefix = key + u'\\';
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            if (it.key().startsWith(prefix))
                take(it.key().mid(prefix.size()), it.value());
        }
        return true;
    }

    QString lastError() const override {
        return refusesBatches ? QStringLiteral("the disk is full") : QString();
    }

    QHash<QString, QString> values;
    // True: every batch is refused, as by a full disk.
    bool refusesBatches = false;
    // False: the store reads only value by value and cannot tell another writer's changes.
    bool listsValues = true;
    int reads = 0;
    int batches = 0;
    int batchValues = 0;
    quint64 outsideWrites = 0;
};

} // namespace kv::test
