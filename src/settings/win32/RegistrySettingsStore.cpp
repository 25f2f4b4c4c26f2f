// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/win32/RegistrySettingsStore.h"

#include "settings/win32/RegistryText.h"

namespace kv {

QString RegistrySettingsStore::readText(const QString& key, const QString& name) {
    return QString::fromStdWString(
        win32::RegReadString(HKEY_CURRENT_USER, key.toStdWString(), name.toStdWString()));
}

bool RegistrySettingsStore::writeText(const QString& key, const QString& name,
                                      const QString& text) {
    return win32::RegWriteString(HKEY_CURRENT_USER, key.toStdWString(), name.toStdWString(),
                                 text.toStdWString());
}

bool RegistrySettingsStore::writeAll(const QString& key, const QList<SettingValue>& values) {
    std::vector<win32::RegistryTextValue> converted;
    converted.reserve(static_cast<std::size_t>(values.size()));
    for (const SettingValue& value : values)
        converted.emplace_back(value.name.toStdWString(), value.text.toStdWString());
    return win32::RegWriteStrings(HKEY_CURRENT_USER, key.toStdWString(), converted);
}

} // namespace kv
