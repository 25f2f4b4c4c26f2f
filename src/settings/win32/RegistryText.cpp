// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/win32/RegistryText.h"

#include <cwctype>

namespace kv::win32 {
namespace {

// Query value, enumerate subkeys and notify: reading without the standard read right.
constexpr REGSAM kReadAccess = 0x19;
// Every key-specific right without the standard rights.
constexpr REGSAM kWriteAccess = 0x3F;
// A key a batch is saved to: its pending subkey is deleted through it.
constexpr REGSAM kBatchAccess = kWriteAccess | DELETE;
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

LONG createKey(HKEY root, const std::wstring& subkey, OpenKey& key, REGSAM access = kWriteAccess) {
    return RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                           nullptr, key.out(), nullptr);
}

LONG setText(HKEY key, const wchar_t* name, const std::wstring& text) {
    // The byte count includes the terminating NUL, as REG_SZ readers expect.
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
}

// The subkey a batch is gathered in; its unnamed value is the marker that declares it whole.
constexpr wchar_t kPendingSave[] = L"PendingSave";

void change(const RegistryChangeHook& beforeChange) {
    if (beforeChange)
        beforeChange();
}

// Copies every named value of the pending batch into the key, as it was stored.
LONG copyPending(HKEY pending, HKEY key, const RegistryChangeHook& beforeChange) {
    DWORD count = 0;
    DWORD longestName = 0;
    DWORD largestData = 0;
    LONG status = RegQueryInfoKeyW(pending, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   &count, &longestName, &largestData, nullptr, nullptr);
    std::vector<wchar_t> name(longestName + 1);
    std::vector<BYTE> data(largestData + 1);
    for (DWORD index = 0; status == ERROR_SUCCESS && index < count; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        status = RegEnumValueW(pending, index, name.data(), &nameLength, nullptr, &type,
                               data.data(), &size);
        if (status != ERROR_SUCCESS || nameLength == 0)
            continue;
        change(beforeChange);
        status = RegSetValueExW(key, name.data(), 0, type, data.data(), size);
    }
    return status;
}

LONG finishPending(HKEY key, const RegistryChangeHook& beforeChange) {
    {
        OpenKey pending;
        const LONG opened = RegOpenKeyExW(key, kPendingSave, 0, kWriteAccess, pending.out());
        if (opened == ERROR_FILE_NOT_FOUND)
            return ERROR_SUCCESS;
        if (opened != ERROR_SUCCESS)
            return opened;
        LONG marker = RegQueryValueExW(pending.get(), nullptr, nullptr, nullptr, nullptr, nullptr);
        if (marker == ERROR_SUCCESS) {
            marker = copyPending(pending.get(), key, beforeChange);
            // The marker goes before the subkey: a batch copied once is never copied again
            // over values written after it.
            if (marker == ERROR_SUCCESS) {
                change(beforeChange);
                marker = RegDeleteValueW(pending.get(), nullptr);
            }
        }
        if (marker != ERROR_SUCCESS && marker != ERROR_FILE_NOT_FOUND)
            return marker;
    }
    change(beforeChange);
    return RegDeleteTreeW(key, kPendingSave);
}

// Gathers the batch in the pending subkey and declares it whole.
LONG gather(HKEY key, const std::vector<RegistryTextValue>& values,
            const RegistryChangeHook& beforeChange) {
    OpenKey pending;
    change(beforeChange);
    LONG status = createKey(key, kPendingSave, pending);
    for (auto value = values.begin(); status == ERROR_SUCCESS && value != values.end(); ++value) {
        change(beforeChange);
        // An unnamed value would stand for the marker.
        status = value->first.empty() ? ERROR_INVALID_PARAMETER
                                      : setText(pending.get(), value->first.c_str(), value->second);
    }
    // Every value is on the disk before the marker can be.
    if (status == ERROR_SUCCESS)
        status = RegFlushKey(pending.get());
    if (status == ERROR_SUCCESS) {
        change(beforeChange);
        status = setText(pending.get(), nullptr, L"1");
    }
    return status;
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

LONG RegWriteString(HKEY root, const std::wstring& subkey, const std::wstring& name,
                    const std::wstring& text) {
    OpenKey key;
    const LONG status = createKey(root, subkey, key);
    return status == ERROR_SUCCESS ? setText(key.get(), name.c_str(), text) : status;
}

RegistryBatchOutcome RegWriteStrings(HKEY root, const std::wstring& subkey,
                                     const std::vector<RegistryTextValue>& values,
                                     const RegistryChangeHook& beforeChange) {
    OpenKey key;
    LONG status = createKey(root, subkey, key, kBatchAccess);
    // A batch cut short earlier is settled first, so that its leftovers never join this one.
    if (status == ERROR_SUCCESS)
        status = finishPending(key.get(), beforeChange);
    if (status != ERROR_SUCCESS)
        return {status, false};
    status = gather(key.get(), values, beforeChange);
    if (status != ERROR_SUCCESS) {
        // The part gathered goes; the key itself was not touched.
        RegDeleteTreeW(key.get(), kPendingSave);
        return {status, false};
    }
    status = finishPending(key.get(), beforeChange);
    return {status, status != ERROR_SUCCESS};
}

LONG RegFinishSave(HKEY root, const std::wstring& subkey, const RegistryChangeHook& beforeChange) {
    OpenKey key;
    const LONG status = RegOpenKeyExW(root, subkey.c_str(), 0, kBatchAccess, key.out());
    if (status == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    return status == ERROR_SUCCESS ? finishPending(key.get(), beforeChange) : status;
}

std::wstring RegStatusText(LONG status) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words(text ? text : L"", length);
    LocalFree(text);
    while (!words.empty() && (words.back() == L'.' || iswspace(words.back())))
        words.pop_back();
    return words.empty() ? L"error " + std::to_wstring(status) : words;
}

} // namespace kv::win32
