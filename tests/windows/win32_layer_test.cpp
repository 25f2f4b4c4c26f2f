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
        const bool written =
            kv::win32::RegWriteString(HKEY_CURRENT_USER, kKey, value.name, value.writes);
        expect(before + " / " + (written ? stored(value.name) : "refused") + " / " +
                   utf8(read(value.name)),
               utf8(value.reads) + " / type 1, " + std::to_string((value.writes.size() + 1) * 2) +
                   " bytes / " + utf8(value.writes),
               utf8(value.name) + ": read / written / read back");
    }

    // A batch is written whole or not at all: a name longer than the registry allows fails last.
    const auto batch = [](const std::wstring& last) {
        return kv::win32::RegWriteStrings(HKEY_CURRENT_USER, kKey,
                                          {{L"WN", L"8"}, {L"WOptsX", L"9"}, {last, L"7"}});
    };
    expect(batch(std::wstring(20000, L'n')) ? "written" : utf8(read(L"WN")) + stored(L"WOptsX"),
           "3missing", "a failed batch leaves every value as it was");
    expect(utf8(batch(L"WOptsY") ? read(L"WN") + read(L"WOptsX") + read(L"WOptsY") : L"no"), "897",
           "a batch");
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
    desktop();
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
