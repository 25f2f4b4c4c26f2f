// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SettingsStore.h"

#include <memory>

namespace kv {

// The heartbeat's store, in the session's memory file system (XDG_RUNTIME_DIR): the few values
// every copy of this user shares while one runs, in one small text file that is read and written
// whole under the file's own lock. The running copy beats once a second for as long as it runs,
// so a beat must cost no more than a lock, a read and a write of a few bytes: a database's
// transaction there cost several times the program's whole idle time. Nothing in the file
// outlives the session; a file found damaged reads as empty and the next write makes it anew.
class SessionValuesStore final : public SettingsStore {
public:
    // Opens the file at path, creating it and its folder (private to the user) as needed; null
    // when the file cannot be opened.
    static std::unique_ptr<SessionValuesStore> open(const QString& path);

    ~SessionValuesStore() override;
    SessionValuesStore(const SessionValuesStore&) = delete;
    SessionValuesStore& operator=(const SessionValuesStore&) = delete;

    QString readText(const QString& key, const QString& name) override;
    bool writeText(const QString& key, const QString& name, const QString& text) override;
    bool writeAll(const QString& key, const QList<SettingValue>& values) override;
    bool readAll(const QString& key, const TakeValue& take) override;
    bool beginUpdate() override;
    void endUpdate() override;
    QString lastError() const override { return lastError_; }

private:
    struct Value {
        QString key;
        QString name;
        QString text;
    };
    SessionValuesStore(int fd, QString path);
    // The session's folder may be cleaned away under a running copy (a tidying tool, a logout
    // of the same user elsewhere): a write makes the file anew at its path, or joins the one a
    // later copy made there, so that the copies still meet.
    void followPath();
    bool lock(int operation);
    void unlock();
    // Reads the whole file into values_; a damaged file reads as holding nothing.
    void load();
    // Loads the file under a shared lock, unless an update holds it and its values already.
    bool refresh();
    bool save();
    // Saves what the update changed and lets go of the file; false when the save failed.
    bool finishUpdate();
    // Records why the store refused a write; always false.
    bool failed(int error);
    void put(const QString& key, const QString& name, const QString& text);
    const Value* find(const QString& key, const QString& name) const;

    int fd_;
    QString path_;
    QList<Value> values_;
    qsizetype fileSize_ = 0;
    bool updating_ = false;
    bool changed_ = false;
    QString lastError_;
};

} // namespace kv
