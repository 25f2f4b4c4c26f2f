// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/win32/RegistrySettingsStore.h"

#include "settings/win32/RegistryText.h"

#include <QCoreApplication>

namespace kv {

void RegistrySettingsStore::settle(const QString& key) {
    // Key paths compare without regard to case, as the registry's do.
    const QString folded = key.toCaseFolded();
    if (settled_.contains(folded))
        return;
    // One that cannot be settled now is tried again at the next call.
    if (win32::RegFinishSave(HKEY_CURRENT_USER, key.toStdWString()) == ERROR_SUCCESS)
        settled_.insert(folded);
}

bool RegistrySettingsStore::succeeded(const QString& key, long status) {
    if (status == ERROR_SUCCESS)
        return true;
    failedKey_ = key;
    failure_ = status;
    return false;
}

QString RegistrySettingsStore::readText(const QString& key, const QString& name) {
    settle(key);
    return QString::fromStdWString(
        win32::RegReadString(HKEY_CURRENT_USER, key.toStdWString(), name.toStdWString()));
}

bool RegistrySettingsStore::writeText(const QString& key, const QString& name,
                                      const QString& text) {
    settle(key);
    finishedLater_ = false;
    return succeeded(key, win32::RegWriteString(HKEY_CURRENT_USER, key.toStdWString(),
                                                name.toStdWString(), text.toStdWString()));
}

bool RegistrySettingsStore::writeAll(const QString& key, const QList<SettingValue>& values) {
    std::vector<win32::RegistryTextValue> converted;
    converted.reserve(static_cast<std::size_t>(values.size()));
    for (const SettingValue& value : values)
        converted.emplace_back(value.name.toStdWString(), value.text.toStdWString());
    const win32::RegistryBatchOutcome outcome =
        win32::RegWriteStrings(HKEY_CURRENT_USER, key.toStdWString(), converted);
    finishedLater_ = outcome.finishedLater;
    return succeeded(key, outcome.status);
}

QString RegistrySettingsStore::lastError() const {
    if (failure_ == ERROR_SUCCESS)
        return {};
    const QString why = QString::fromStdWString(win32::RegStatusText(failure_));
    return QCoreApplication::translate("kv::RegistrySettingsStore",
                                       "The registry key %1 refused it: %2")
        .arg(QStringLiteral("HKEY_CURRENT_USER\\") + failedKey_, why);
}

} // namespace kv
