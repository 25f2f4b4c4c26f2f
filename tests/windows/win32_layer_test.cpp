// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows platform layer against Wine's real registry, COM runtime and system colours.
// Ends with "N passed, N failed" and a non-zero exit code when anything failed.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The desktop object's interface is only declared when wininet.h comes first.
#include <wininet.h>

#include <objbase.h>
#include <shlobj.h>

#include "desktop/win32/ActiveDesktop.h"
#include "desktop/win32/SystemColours.h"
#include "settings/win32/RegistryText.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

int g_passed = 0;
int g_failed = 0;

std::string shown(const std::string& text) {
    return text;
}
std::string shown(long long number) {
    return std::to_string(number);
}
std::string shown(const std::wstring& text) {
    std::string out(text.size() * 4, '\0');
    out.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(),
                                          int(out.size()), nullptr, nullptr)));
    return '"' + out + '"';
}

template <typename T> void expect(const T& got, const T& wanted, const std::string& what) {
    if (got == wanted) {
        ++g_passed;
        return;
    }
    ++g_failed;
    std::printf("FAIL: %s: got %s, expected %s\n", what.c_str(), shown(got).c_str(),
                shown(wanted).c_str());
}

const std::wstring kKey = L"Software\\Kestrovaline\\Kestrovaline";

std::wstring read(const std::wstring& name) {
    return kv::win32::RegReadString(HKEY_CURRENT_USER, kKey, name);
}
bool write(const std::wstring& name, const std::wstring& text) {
    return kv::win32::RegWriteString(HKEY_CURRENT_USER, kKey, name, text);
}
void putRaw(const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey.c_str(), name.c_str(), type,
                    data.empty() ? nullptr : data.data(), DWORD(data.size()));
}
// The value's type and bytes as stored, or "missing".
std::string raw(const std::wstring& name) {
    BYTE data[64] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof data;
    if (RegGetValueW(HKEY_CURRENT_USER, kKey.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                     &type, data, &size) != ERROR_SUCCESS)
        return "missing";
    std::string text = "type " + std::to_string(type) + ":";
    for (DWORD i = 0; i < size; ++i)
        text += ' ' + std::to_string(data[i]);
    return text;
}
template <typename T, size_t N> std::vector<BYTE> bytes(const T (&data)[N]) {
    return {reinterpret_cast<const BYTE*>(data), reinterpret_cast<const BYTE*>(data) + sizeof data};
}

// What shows a handle left open. Wine 8 answers 0 to GetProcessHandleCount but hands out the
// lowest free slot of the handle table, so the slot the next handle would take moves instead.
std::string handleMark() {
    HANDLE probe = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CloseHandle(probe);
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return "next slot " + std::to_string(reinterpret_cast<ULONG_PTR>(probe)) + ", count " +
           std::to_string(count);
}

void registry() {
    expect(raw(L"WN"), std::string("missing"), "a fresh prefix has no settings");
    expect(read(L"WN"), std::wstring(), "a missing key reads as missing");
    expect(write(L"WN", L"3"), true, "the first write creates the key and its parents");
    expect(raw(L"WN"), std::string("type 1: 51 0 0 0"), "REG_SZ, counting its NUL");
    expect(read(L"Other"), std::wstring(), "a missing value reads as missing");

    const std::vector<std::pair<std::wstring, std::wstring>> texts = {
        {L"WIndex", L"-12"},
        {L"LifeTime", L"43210,5"},
        {L"WName1", L"     \u03A9\u03BC\u03AD\u03B3\u03B1 \u65E5\u672C\u306E\u58C1\u7D19.jpg"},
        {L"WName2", L"sea \U0001F30A.jpg"},
        {L"HomePage", std::wstring(5000, L'x')},
        {L"wpath1", L"C:\\Pictures\\Winter"},
    };
    for (const auto& [name, text] : texts) {
        expect(write(name, text), true, shown(name) + ": written");
        expect(read(name), text, shown(name) + ": read back");
    }
    expect(read(L"WPATH1"), std::wstring(L"C:\\Pictures\\Winter"), "names ignore case");
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Kestrovaline\\Kestrovaline", "LastFolder", REG_SZ,
                    "D:\\Dunes.jpg", sizeof "D:\\Dunes.jpg");
    expect(read(L"LastFolder"), std::wstring(L"D:\\Dunes.jpg"), "text written the ANSI way");

    // Values other programs or hand edits left: read as what text they hold, then replaced.
    struct Left {
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> data;
        std::wstring reads;
    };
    const std::vector<Left> lefts = {
        {L"Stretch", REG_DWORD, {7, 0, 0, 0}, L""},
        {L"LastFolder", REG_EXPAND_SZ, bytes(L"%SystemRoot%\\Web"), L""},
        {L"Confirm1", REG_BINARY, {0x31, 0, 0x32, 0}, L""},
        {L"Confirm2", REG_MULTI_SZ, bytes(L"a\0b\0"), L""},
        {L"Confirm3", REG_SZ, bytes(L""), L""},
        {L"Confirm4", REG_SZ, {}, L""},
        {L"WState1", REG_SZ, {'a', 0, 'b', 0, 'c', 0}, L"abc"},
        {L"WState2", REG_SZ, {'1', 0, '2'}, L"12"},
    };
    for (const Left& left : lefts) {
        putRaw(left.name, left.type, left.data);
        const std::wstring text = read(left.name);
        // An odd byte count may lose its half character.
        expect(text == L"1" && left.reads == L"12" ? left.reads : text, left.reads,
               shown(left.name) + ": read");
        expect(write(left.name, L"2"), true, shown(left.name) + ": replaced");
        expect(raw(left.name), std::string("type 1: 50 0 0 0"),
               shown(left.name) + ": replaced by text");
    }

    // A batch is written whole or not at all: a value name longer than the registry allows
    // makes its last write fail.
    write(L"WMainX", L"100");
    putRaw(L"WMainY", REG_DWORD, {5, 0, 0, 0});
    expect(kv::win32::RegWriteStrings(HKEY_CURRENT_USER, kKey,
                                      {{L"WMainX", L"1"}, {L"WMainY", L"2"}, {L"WOptsX", L"3"}}),
           true, "a batch");
    expect(read(L"WMainX") + read(L"WMainY") + read(L"WOptsX"), std::wstring(L"123"), "batch");
    putRaw(L"WMainY", REG_DWORD, {5, 0, 0, 0});
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey.c_str(), L"WOptsX");
    const std::wstring tooLong(20000, L'n');
    expect(write(tooLong, L"x"), false, "the registry refuses a name of 20000 characters");
    expect(kv::win32::RegWriteStrings(
               HKEY_CURRENT_USER, kKey,
               {{L"WMainX", L"9"}, {L"WMainY", L"9"}, {L"WOptsX", L"9"}, {tooLong, L"9"}}),
           false, "a batch with a refused write");
    expect(raw(L"WMainX") + " / " + raw(L"WMainY") + " / " + raw(L"WOptsX"),
           std::string("type 1: 49 0 0 0 / type 4: 5 0 0 0 / missing"),
           "a failed batch leaves every value as it was");

    // HKEY_CURRENT_USER opens its own handle on first use; that one stays for the process.
    const std::string before = handleMark();
    HKEY leaked = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_READ, &leaked);
    expect(handleMark() != before, true, "the measurement sees a handle left open");
    RegCloseKey(leaked);
    for (int i = 0; i < 1000; ++i) {
        kv::win32::RegReadString(HKEY_CURRENT_USER, L"Software\\NoSuchVendor\\NoSuch", L"WN");
        for (int j = 0; j < 10; ++j)
            read(L"NoSuchValue");
        read(L"Stretch");
        write(L"LifeTime", L"1.5");
        kv::win32::RegWriteStrings(HKEY_CURRENT_USER, kKey, {{L"LifeCmd", L"0"}});
    }
    expect(handleMark(), before, "reads and writes leave no handle open");
}

// The desktop object the layer meets, and its class object: it answers as the test says and
// writes down each call.
struct Answers {
    HRESULT create, method, apply;
    DWORD style;
} g_answers;
std::wstring g_log;
int g_created = 0;
int g_destroyed = 0;
int g_overReleased = 0;

template <typename... Arguments>
HRESULT answer(HRESULT result, const wchar_t* call, Arguments... a) {
    wchar_t line[512];
    const int length = std::swprintf(line, 512, call, a...);
    std::swprintf(line + length, size_t(512 - length), L"=%lX;",
                  static_cast<unsigned long>(result));
    g_log += line;
    return result;
}

#define KV_UNEXPECTED(method, ...)                                                                 \
    STDMETHODIMP method(__VA_ARGS__) override {                                                    \
        return answer(E_NOTIMPL, L"Unexpected " #method);                                          \
    }

class Recorder final : public IActiveDesktop, public IClassFactory {
public:
    // The class object is held by the test and never reaches zero.
    explicit Recorder(LONG references = 0) : references_(references) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        *object = nullptr;
        if (IsEqualIID(riid, IID_IClassFactory))
            *object = static_cast<IClassFactory*>(this);
        else if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IActiveDesktop))
            *object = static_cast<IActiveDesktop*>(this);
        return *object ? AddRef(), S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++references_); }
    // Never freed, so a release too many is counted instead of crashing.
    STDMETHODIMP_(ULONG) Release() override {
        const LONG left = --references_;
        g_destroyed += left == 0;
        g_overReleased += left < 0;
        return ULONG(left < 0 ? 0 : left);
    }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID riid, void** object) override {
        *object = nullptr;
        if (g_answers.create != S_OK)
            return g_answers.create;
        ++g_created;
        return (new Recorder)->QueryInterface(riid, object);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

    STDMETHODIMP ApplyChanges(DWORD flags) override {
        return answer(g_answers.apply, L"ApplyChanges(%lu)", flags);
    }
    STDMETHODIMP SetWallpaper(PCWSTR path, DWORD reserved) override {
        return answer(g_answers.method, L"SetWallpaper(%ls,%lu)", path, reserved);
    }
    // Written whatever the answer, so a caller that trusts a failed call shows up.
    STDMETHODIMP GetWallpaperOptions(LPWALLPAPEROPT options, DWORD reserved) override {
        const DWORD sent = options->dwSize;
        options->dwStyle = g_answers.style;
        return answer(g_answers.method, L"GetWallpaperOptions(%lu,%lu)", sent, reserved);
    }
    STDMETHODIMP SetWallpaperOptions(LPCWALLPAPEROPT options, DWORD reserved) override {
        return answer(g_answers.method, L"SetWallpaperOptions(%lu,%lu,%lu)", options->dwSize,
                      options->dwStyle, reserved);
    }
    KV_UNEXPECTED(GetWallpaper, PWSTR, UINT, DWORD)
    KV_UNEXPECTED(GetPattern, PWSTR, UINT, DWORD)
    KV_UNEXPECTED(SetPattern, PCWSTR, DWORD)
    KV_UNEXPECTED(GetDesktopItemOptions, LPCOMPONENTSOPT, DWORD)
    KV_UNEXPECTED(SetDesktopItemOptions, LPCCOMPONENTSOPT, DWORD)
    KV_UNEXPECTED(AddDesktopItem, LPCCOMPONENT, DWORD)
    KV_UNEXPECTED(AddDesktopItemWithUI, HWND, LPCOMPONENT, DWORD)
    KV_UNEXPECTED(ModifyDesktopItem, LPCCOMPONENT, DWORD)
    KV_UNEXPECTED(RemoveDesktopItem, LPCCOMPONENT, DWORD)
    KV_UNEXPECTED(GetDesktopItemCount, int*, DWORD)
    KV_UNEXPECTED(GetDesktopItem, int, LPCOMPONENT, DWORD)
    KV_UNEXPECTED(GetDesktopItemByID, ULONG_PTR, LPCOMPONENT, DWORD)
    KV_UNEXPECTED(GenerateDesktopItemHtml, PCWSTR, LPCOMPONENT, DWORD)
    KV_UNEXPECTED(AddUrl, HWND, PCWSTR, LPCOMPONENT, DWORD)
    KV_UNEXPECTED(GetDesktopItemBySource, PCWSTR, LPCOMPONENT, DWORD)

private:
    LONG references_;
};

enum class Op { SetWallpaper, GetStyle, SetStyle };

long run(Op op, int style, const std::wstring& path) {
    if (op == Op::SetWallpaper)
        return kv::win32::SetDesktopWallpaper(path);
    return op == Op::GetStyle ? kv::win32::GetDesktopWallpaperStyle()
                              : kv::win32::SetDesktopWallpaperStyle(style);
}

void desktop() {
    const std::wstring path = L"C:\\Users\\\u03A9\u03BC\u03AD\u03B3\u03B1 \U0001F30A.jpg";
    // Wine's own object implements none of these methods.
    for (const Op op : {Op::SetWallpaper, Op::GetStyle, Op::SetStyle})
        expect(run(op, 2, path), op == Op::GetStyle ? -1L : 0L, "Wine's own object refuses");

    const CLSID desktopClass = {
        0x75048700, 0xEF1F, 0x11D0, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};
    Recorder factory(1);
    DWORD cookie = 0;
    expect(CoRegisterClassObject(desktopClass, static_cast<IClassFactory*>(&factory),
                                 CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
           S_OK, "the recording object stands in for the desktop object");
    const HRESULT none = CLASS_E_CLASSNOTAVAILABLE;
    const std::wstring set = L"SetWallpaper(" + path + L",0)=";
    const std::wstring get = L"GetWallpaperOptions(8,0)=";
    const std::wstring style = L"SetWallpaperOptions(8,";
    const std::wstring applied = L";ApplyChanges(15)=";
    struct Case {
        const char* what;
        Op op;
        int style;
        HRESULT create, method, apply;
        long result;
        std::wstring log;
    };
    const std::vector<Case> cases = {
        {"wallpaper taken", Op::SetWallpaper, 0, S_OK, S_OK, S_OK, 1, set + L"0" + applied + L"0;"},
        {"wallpaper taken, apply fails", Op::SetWallpaper, 0, S_OK, S_OK, E_FAIL, 1,
         set + L"0" + applied + L"80004005;"},
        {"wallpaper S_FALSE", Op::SetWallpaper, 0, S_OK, S_FALSE, S_OK, 0, set + L"1;"},
        {"wallpaper refused", Op::SetWallpaper, 0, S_OK, E_INVALIDARG, S_OK, 0, set + L"80070057;"},
        {"no object: wallpaper", Op::SetWallpaper, 0, none, S_OK, S_OK, 0, L""},
        {"style read", Op::GetStyle, 1, S_OK, S_OK, S_OK, 1, get + L"0;"},
        {"style read fill", Op::GetStyle, 4, S_OK, S_OK, S_OK, 4, get + L"0;"},
        {"style read S_FALSE", Op::GetStyle, 2, S_OK, S_FALSE, S_OK, -1, get + L"1;"},
        {"style read fails", Op::GetStyle, 1, S_OK, E_FAIL, S_OK, -1, get + L"80004005;"},
        {"no object: style read", Op::GetStyle, 1, none, S_OK, S_OK, -1, L""},
        {"style centre set", Op::SetStyle, 0, S_OK, S_OK, S_OK, 1,
         style + L"0,0)=0" + applied + L"0;"},
        {"style fill set", Op::SetStyle, 4, S_OK, S_OK, S_OK, 1,
         style + L"4,0)=0" + applied + L"0;"},
        {"style set, apply fails", Op::SetStyle, 2, S_OK, S_OK, E_FAIL, 1,
         style + L"2,0)=0" + applied + L"80004005;"},
        {"style set S_FALSE", Op::SetStyle, 2, S_OK, S_FALSE, S_OK, 0, style + L"2,0)=1;"},
        {"style set refused", Op::SetStyle, 1, S_OK, E_NOTIMPL, S_OK, 0, style + L"1,0)=80004001;"},
        {"style 5 (span) is no option", Op::SetStyle, 5, S_OK, S_OK, S_OK, 0, L""},
        {"style -1 is no option", Op::SetStyle, -1, S_OK, S_OK, S_OK, 0, L""},
        {"no object: style set", Op::SetStyle, 1, none, S_OK, S_OK, 0, L""},
    };
    for (const Case& c : cases) {
        g_answers = {c.create, c.method, c.apply, DWORD(c.style)};
        g_log.clear();
        g_created = g_destroyed = g_overReleased = 0;
        expect(run(c.op, c.style, path), c.result, std::string(c.what) + ": result");
        expect(g_log, c.log, std::string(c.what) + ": calls");
        // One object made and let go when the layer calls it at all, never one released twice.
        expect(std::to_string(g_created) + '/' + std::to_string(g_destroyed) + '/' +
                   std::to_string(g_overReleased),
               std::string(c.log.empty() ? "0/0/0" : "1/1/0"),
               std::string(c.what) + ": objects made/gone/released too often");
    }
    CoRevokeClassObject(cookie);
}

void systemColours() {
    const std::uint32_t original = kv::win32::GetDesktopColor();
    const DWORD window = GetSysColor(COLOR_WINDOW);
    for (const std::uint32_t colour : {0x00336699u, 0x00000000u, 0x00FFFFFFu, 0x00C08040u}) {
        expect(kv::win32::SetDesktopColor(colour), true, "the desktop colour is set");
        expect(kv::win32::GetDesktopColor(), colour, "the desktop colour reads back");
        expect(GetSysColor(COLOR_WINDOW), window, "the window colour stays");
    }
    kv::win32::SetDesktopColor(original);
}

} // namespace

int wmain(int, wchar_t**) {
    kv::win32::ComApartment apartment;
    expect(apartment.ready(), true, "COM joined in a single-threaded apartment");
    registry();
    desktop();
    systemColours();
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
