// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SettingsStore.h"

#include <QSet>

namespace kv {

// The settings store of the Windows build: every key path lies below HKEY_CURRENT_USER and every
// value is REG_SZ text. Each call opens the key and closes it again, so running copies of the
// program see each other's writes at once.
class RegistrySettingsStore final : public SettingsStore {
public:
    QString readText(const QString& key, const QString& name) override;
    bool writeText(const QString& key, const QString& name, const QString& text) override;
    bool writeAll(const QString& key, const QList<SettingValue>& values) override;
    QString lastError() const override;
    bool lastFailureKeptOldValues() const override { return !finishedLater_; }

private:
    // A batch a killed copy left behind is settled before this one first reads the key.
    void settle(const QString& key);
    bool succeeded(const QString& key, long status);

    QSet<QString> settled_;
    QString failedKey_;
    long failure_ = 0;
    bool finishedLater_ = false;
};

} // namespace kv
