// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/win32/RegistryText.h"

#include <optional>

namespace kv::win32 {
namespace {

// Query value, enumerate subkeys and notify: reading without the standard read right.
constexpr REGSAM kReadAccess = 0x19;
// Every key-specific right without the standard rights.
constexpr REGSAM kWriteAccess = 0x3F;
// Another copy of the program may rewrite a value between the size probe and the read.
constexpr int kReadAttempts = 4;

class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey() {
        if (key_)
            RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

bool createKey(HKEY root, const std::wstring& subkey, OpenKey& key) {
    return RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kWriteAccess,
                           nullptr, key.out(), nullptr) == ERROR_SUCCESS;
}

bool setText(HKEY key, const std::wstring& name, const std::wstring& text) {
    // The byte count includes the terminating NUL, as REG_SZ readers expect.
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes) == ERROR_SUCCESS;
}

// A value as it was before a batch touched it; nullopt when there was none.
struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

bool readRaw(HKEY key, const std::wstring& name, std::optional<RawValue>& value) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        LONG status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
        if (status == ERROR_FILE_NOT_FOUND) {
            value.reset();
            return true;
        }
        if (status != ERROR_SUCCESS)
            return false;
        RawValue raw{type, std::vector<BYTE>(size)};
        status = RegQueryValueExW(key, name.c_str(), nullptr, &raw.type,
                                  raw.data.empty() ? nullptr : raw.data.data(), &size);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            return false;
        raw.data.resize(size);
        value = std::move(raw);
        return true;
    }
    return false;
}

void restore(HKEY key, const std::wstring& name, const std::optional<RawValue>& value) {
    if (!value) {
        RegDeleteValueW(key, name.c_str());
        return;
    }
    RegSetValueExW(key, name.c_str(), 0, value->type,
                   value->data.empty() ? nullptr : value->data.data(),
                   static_cast<DWORD>(value->data.size()));
}

} // namespace

std::wstring RegReadString(HKEY root, const std::wstring& subkey, const std::wstring& name) {
    OpenKey key;
    if (RegOpenKeyExW(root, subkey.c_str(), 0, kReadAccess, key.out()) != ERROR_SUCCESS)
        return {};
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ || size == 0)
            return {};
        // Room for one more character than the probe asked for: a value written by another
        // program may lack its terminating NUL or have an odd byte count.
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
        const LONG status = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS || type != REG_SZ)
            return {};
        return std::wstring(buffer.data());
    }
    return {};
}

bool RegWriteString(HKEY root, const std::wstring& subkey, const std::wstring& name,
                    const std::wstring& text) {
    OpenKey key;
    if (!createKey(root, subkey, key))
        return false;
    return setText(key.get(), name, text);
}

bool RegWriteStrings(HKEY root, const std::wstring& subkey,
                     const std::vector<RegistryTextValue>& values) {
    OpenKey key;
    if (!createKey(root, subkey, key))
        return false;
    std::vector<std::pair<const std::wstring*, std::optional<RawValue>>> touched;
    touched.reserve(values.size());
    for (const auto& [name, text] : values) {
        std::optional<RawValue> before;
        bool ok = readRaw(key.get(), name, before);
        if (ok) {
            touched.emplace_back(&name, std::move(before));
            ok = setText(key.get(), name, text);
        }
        if (!ok) {
            // Latest first, so a name given twice ends with the value it had before the batch.
            for (auto it = touched.rbegin(); it != touched.rend(); ++it)
                restore(key.get(), *it->first, it->second);
            return false;
        }
    }
    return true;
}

} // namespace kv::win32
