// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows platform layer against Wine's real registry, COM runtime and system colours.
// Ends with "N passed, N failed" and a non-zero exit code when anything failed.

#include "desktop/win32/ActiveDesktop.h"
#include "desktop/win32/SystemColours.h"
#include "settings/win32/RegistryText.h"
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int g_passed = 0;
int g_failed = 0;

void expect(const std::string& got, const std::string& wanted, const std::string& what) {
    if (got == wanted) {
        ++g_passed;
        return;
    }
    ++g_failed;
    std::printf("FAIL: %s: got %s, expected %s\n", what.c_str(), got.c_str(), wanted.c_str());
}

std::string utf8(const std::wstring& text) {
    std::string out(text.size() * 4, '\0');
    out.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(),
                                          int(out.size()), nullptr, nullptr)));
    return out;
}

const std::wstring kKey = L"Software\\Kestrovaline\\Kestrovaline";

std::wstring read(const std::wstring& name) {
    return kv::win32::RegReadString(HKEY_CURRENT_USER, kKey, name);
}
std::string stored(const std::wstring& name) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kKey.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                     &type, nullptr, &size) != ERROR_SUCCESS)
        return "missing";
    return "type " + std::to_string(type) + ", " + std::to_string(size) + " bytes";
}

void registry() {
    // A value as another program, a hand edit or nobody (REG_NONE) left it, what it reads as,
    // and the text written over it, stored as REG_SZ with its NUL whatever was there.
    struct Value {
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> left;
        std::wstring reads, writes;
    };
    const std::vector<Value> values = {
        {L"WN", REG_NONE, {}, L"", L"3"}, // in a fresh prefix: creates the key and its parents
        {L"WName1", REG_NONE, {}, L"", L"  \u03A9\u03BC\u03AD\u03B3\u03B1 \U0001F30A.jpg"},
        {L"HomePage", REG_NONE, {}, L"", std::wstring(5000, L'x')},
        {L"Stretch", REG_DWORD, {7, 0, 0, 0}, L"", L"2"},
        {L"WState2", REG_SZ, {'1', 0, '2'}, L"12", L"2"}, // no NUL, an odd byte count
    };
    for (const Value& value : values) {
        if (value.type != REG_NONE)
            RegSetKeyValueW(HKEY_CURRENT_USER, kKey.c_str(), value.name, value.type,
                            value.left.empty() ? nullptr : value.left.data(),
                            DWORD(value.left.size()));
        const std::string before = utf8(read(value.name));
        const bool written = kv::win32::RegWriteString(HKEY_CURRENT_USER, kKey, value.name,
                                                       value.writes) == ERROR_SUCCESS;
        expect(before + " / " + (written ? stored(value.name) : "refused") + " / " +
                   utf8(read(value.name)),
               utf8(value.reads) + " / type 1, " + std::to_string((value.writes.size() + 1) * 2) +
                   " bytes / " + utf8(value.writes),
               utf8(value.name) + ": read / written / read back");
    }

    // A batch is written whole or not at all: a name longer than the registry allows fails last,
    // and says why.
    const auto batch = [](const std::wstring& last) {
        return kv::win32::RegWriteStrings(HKEY_CURRENT_USER, kKey,
                                          {{L"WN", L"8"}, {L"WOptsX", L"9"}, {last, L"7"}});
    };
    const kv::win32::RegistryBatchOutcome refused = batch(std::wstring(20000, L'n'));
    const std::wstring why = kv::win32::RegStatusText(refused.status);
    expect(refused.status == ERROR_SUCCESS ? "written"
                                           : utf8(read(L"WN")) + stored(L"WOptsX") +
                                                 (why.empty() || why.back() == L'.' ? "" : "why"),
           "3missingwhy", "a failed batch leaves every value as it was");
    expect(utf8(batch(L"WOptsY").status == ERROR_SUCCESS
                    ? read(L"WN") + read(L"WOptsX") + read(L"WOptsY")
                    : L"no"),
           "897", "a batch");
}

// A batch stopped before its k-th change to the registry, as by a killed process, and the next
// start: o for the old values whole, n for the new ones whole, x for a mixture, + for a pending
// batch left behind. Six changes gather the batch and its marker, six put it in place.
void batchStoppedHalfWay() {
    const std::vector<kv::win32::RegistryTextValue> before = {
        {L"WN", L"3"}, {L"WName1", L"a"}, {L"WName2", L"b"}, {L"WName3", L"c"}};
    const std::vector<kv::win32::RegistryTextValue> after = {
        {L"WN", L"2"}, {L"WName1", L"c"}, {L"WName2", L"a"}, {L"WName3", L""}};
    const auto state = [](const std::vector<kv::win32::RegistryTextValue>& values) {
        std::wstring all;
        for (const auto& value : values)
            all += value.second + L'|';
        return all;
    };
    std::string outcomes;
    for (int stop = 0; outcomes.empty() || outcomes.back() != '.'; ++stop) {
        kv::win32::RegWriteStrings(HKEY_CURRENT_USER, kKey, before);
        int changes = 0;
        bool finished = true;
        try {
            kv::win32::RegWriteStrings(HKEY_CURRENT_USER, kKey, after, [&] {
                if (changes++ == stop)
                    throw stop;
            });
        } catch (int) {
            finished = false;
        }
        kv::win32::RegFinishSave(HKEY_CURRENT_USER, kKey);
        std::wstring found;
        for (const auto& value : before)
            found += read(value.first) + L'|';
        outcomes += found == state(before) ? 'o' : found == state(after) ? 'n' : 'x';
        HKEY pending = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, (kKey + L"\\PendingSave").c_str(), 0, KEY_READ,
                          &pending) == ERROR_SUCCESS) {
            outcomes += '+';
            RegCloseKey(pending);
        }
        if (finished || stop > 40)
            outcomes += '.';
    }
    expect(outcomes, "oooooonnnnnnn.", "a batch stopped after each change, then a start");
}

// Wine's desktop object implements none of these calls: each refusal must reach the caller as a
// failure, not as a default answer. The desktop colour, set through the system colours, reads back.
void desktop() {
    expect(std::to_string(kv::win32::SetDesktopWallpaper(L"C:\\\u03A9 \U0001F30A.jpg")), "0",
           "a wallpaper refused");
    expect(std::to_string(kv::win32::GetDesktopWallpaperStyle()), "-1", "the style unknown");
    expect(std::to_string(kv::win32::SetDesktopWallpaperStyle(4)), "0", "a style refused");
    const std::uint32_t original = kv::win32::GetDesktopColor();
    expect(kv::win32::SetDesktopColor(0x00336699) ? std::to_string(kv::win32::GetDesktopColor())
                                                  : "refused",
           std::to_string(0x00336699), "the desktop colour is set and reads back");
    kv::win32::SetDesktopColor(original);
}

} // namespace

int wmain(int, wchar_t**) {
    kv::win32::ComApartment apartment;
    expect(apartment.ready() ? "ready" : "refused", "ready",
           "COM joined in a single-threaded apartment");
    registry();
    batchStoppedHalfWay();
    desktop();
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
