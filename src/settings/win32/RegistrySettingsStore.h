// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SettingsStore.h"

namespace kv {

// The settings store of the Windows build: every key path lies below HKEY_CURRENT_USER and every
// value is REG_SZ text. Each call opens the key and closes it again, so running copies of the
// program see each other's writes at once.
class RegistrySettingsStore final : public SettingsStore {
public:
    QString readText(const QString& key, const QString& name) override;
    bool writeText(const QString& key, const QString& name, const QString& text) override;
    bool writeAll(const QString& key, const QList<SettingValue>& values) override;
};

} // namespace kv
