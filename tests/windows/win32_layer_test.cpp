// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows platform layer against Wine's real registry, COM runtime and system colours.
// Usage: win32_layer_test <path of recording_desktop_server.dll, Windows form>
// Ends with "N passed, N failed" and a non-zero exit code when anything failed.

#include "RecordingDesktop.h"

#include "engine/desktop/win32/ActiveDesktop.h"
#include "engine/desktop/win32/SystemColours.h"
#include "settings/win32/RegistryText.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int g_passed = 0;
int g_failed = 0;

std::string utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

void check(bool ok, const std::string& what) {
    if (ok) {
        ++g_passed;
        return;
    }
    ++g_failed;
    std::printf("FAIL: %s\n", what.c_str());
}

void checkText(const std::wstring& actual, const std::wstring& expected, const std::string& what) {
    check(actual == expected,
          what + ": got \"" + utf8(actual) + "\", expected \"" + utf8(expected) + "\"");
}

void checkNumber(long long actual, long long expected, const std::string& what) {
    check(actual == expected,
          what + ": got " + std::to_string(actual) + ", expected " + std::to_string(expected));
}

void group(const char* name) {
    std::printf("-- %s\n", name);
}

const std::wstring kSettingsKey = L"Software\\Kestrovaline\\Kestrovaline";

bool keyExists(const std::wstring& subkey) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

struct RawValue {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

RawValue rawValue(const std::wstring& subkey, const std::wstring& name) {
    RawValue value;
    DWORD size = 0;
    value.status = RegGetValueW(HKEY_CURRENT_USER, subkey.c_str(), name.c_str(),
                                RRF_RT_ANY | RRF_NOEXPAND, &value.type, nullptr, &size);
    if (value.status != ERROR_SUCCESS)
        return value;
    value.data.resize(size);
    value.status =
        RegGetValueW(HKEY_CURRENT_USER, subkey.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                     &value.type, value.data.empty() ? nullptr : value.data.data(), &size);
    value.data.resize(size);
    return value;
}

void putRaw(const std::wstring& name, DWORD type, const void* data, DWORD bytes) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(key);
}

// What shows a handle left open. Wine 8 answers 0 to GetProcessHandleCount but hands out the
// lowest free slot of the handle table, so the slot the next handle would take moves instead;
// on Windows the count itself moves.
struct HandleMark {
    ULONG_PTR nextSlot = 0;
    DWORD count = 0;
    bool operator==(const HandleMark&) const = default;
};

HandleMark handleMark() {
    HandleMark mark;
    HANDLE probe = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CloseHandle(probe);
    mark.nextSlot = reinterpret_cast<ULONG_PTR>(probe);
    GetProcessHandleCount(GetCurrentProcess(), &mark.count);
    return mark;
}

std::string describe(const HandleMark& mark) {
    return "next slot " + std::to_string(mark.nextSlot) + ", count " + std::to_string(mark.count);
}

void checkHandles(const HandleMark& actual, const HandleMark& expected, const std::string& what) {
    check(actual == expected,
          what + ": got " + describe(actual) + ", expected " + describe(expected));
}

// ---------------------------------------------------------------------------------------------

void registryOnCleanAccount() {
    group("registry: clean account");
    check(!keyExists(kSettingsKey), "the settings key does not exist in a fresh prefix");
    for (const wchar_t* name : {L"WN", L"LifeTime", L"Backgroud"})
        checkText(kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, name), L"",
                  "missing key reads as missing: " + utf8(name));
    check(kv::win32::RegWriteString(HKEY_CURRENT_USER, kSettingsKey, L"WN", L"3"),
          "the first write succeeds");
    check(keyExists(kSettingsKey), "the first write created the settings key and its parents");
    const RawValue stored = rawValue(kSettingsKey, L"WN");
    checkNumber(stored.type, REG_SZ, "the value is stored as REG_SZ");
    checkNumber(static_cast<long long>(stored.data.size()), 2 * sizeof(wchar_t),
                "the byte count includes the terminating NUL");
    checkText(kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, L"Other"), L"",
              "a missing value in an existing key reads as missing");
}

void registryRoundTrips() {
    group("registry: text round-trips");
    struct Case {
        const char* what;
        const wchar_t* name;
        std::wstring text;
    };
    const std::vector<Case> cases = {
        {"plain number", L"WIndex", L"-12"},
        {"locale real", L"LifeTime", L"43210,5"},
        {"ANSI path", L"WPath1", L"C:\\Pictures\\Summer"},
        {"path outside the ANSI code page", L"WName1",
         L"     \u03A9\u03BC\u03AD\u03B3\u03B1 \u65E5\u672C\u306E\u58C1\u7D19.jpg"},
        {"characters outside the basic plane", L"WName2", L"sea \U0001F30A.jpg"},
        {"long text", L"HomePage", std::wstring(5000, L'x')},
        {"value name is case-insensitive", L"wpath1", L"C:\\Pictures\\Winter"},
    };
    for (const Case& c : cases) {
        check(kv::win32::RegWriteString(HKEY_CURRENT_USER, kSettingsKey, c.name, c.text),
              std::string(c.what) + ": write succeeds");
        checkText(kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, c.name), c.text,
                  std::string(c.what) + ": reads back");
    }
    checkText(kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, L"WPATH1"),
              L"C:\\Pictures\\Winter", "a name in other case reaches the same value");

    // What the program stored through the ANSI calls before reads back unchanged.
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey.c_str(), 0, KEY_SET_VALUE, &key);
    const char ansi[] = "D:\\Wallpapers\\Dunes.jpg";
    RegSetValueExA(key, "LastFolder", 0, REG_SZ, reinterpret_cast<const BYTE*>(ansi), sizeof ansi);
    RegCloseKey(key);
    checkText(kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, L"LastFolder"),
              L"D:\\Wallpapers\\Dunes.jpg", "a value written through the ANSI calls");
}

void registryOtherTypes() {
    group("registry: values that are not text read as missing and are replaced");
    const DWORD number = 7;
    const wchar_t expand[] = L"%SystemRoot%\\Web";
    const BYTE binary[] = {0x31, 0x00, 0x32, 0x00};
    const wchar_t multi[] = L"a\0b\0";
    const wchar_t empty[] = L"";
    struct Case {
        const char* what;
        const wchar_t* name;
        DWORD type;
        const void* data;
        DWORD bytes;
    };
    const std::vector<Case> cases = {
        {"REG_DWORD", L"Stretch", REG_DWORD, &number, sizeof number},
        {"REG_EXPAND_SZ", L"LastFolder", REG_EXPAND_SZ, expand, sizeof expand},
        {"REG_BINARY", L"Confirm1", REG_BINARY, binary, sizeof binary},
        {"REG_MULTI_SZ", L"Confirm2", REG_MULTI_SZ, multi, sizeof multi},
        {"empty REG_SZ", L"Confirm3", REG_SZ, empty, sizeof empty},
        {"REG_SZ of zero bytes", L"Confirm4", REG_SZ, nullptr, 0},
    };
    for (const Case& c : cases) {
        putRaw(c.name, c.type, c.data, c.bytes);
        checkText(kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, c.name), L"",
                  std::string(c.what) + " reads as missing");
        check(kv::win32::RegWriteString(HKEY_CURRENT_USER, kSettingsKey, c.name, L"2"),
              std::string(c.what) + ": the next write succeeds");
        checkNumber(rawValue(kSettingsKey, c.name).type, REG_SZ,
                    std::string(c.what) + ": replaced by REG_SZ");
        checkText(kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, c.name), L"2",
                  std::string(c.what) + ": replaced text reads back");
    }

    // Written by another program without its terminating NUL, or with an odd byte count.
    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    putRaw(L"WState1", REG_SZ, unterminated, sizeof unterminated);
    checkText(kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, L"WState1"), L"abc",
              "REG_SZ without its terminating NUL");
    const char oddBytes[] = {'1', 0, '2'};
    putRaw(L"WState2", REG_SZ, oddBytes, sizeof oddBytes);
    const std::wstring odd = kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, L"WState2");
    check(odd == L"1" || odd == L"12", "REG_SZ of an odd byte count reads its whole characters");
}

void registryBatches() {
    group("registry: batches");
    kv::win32::RegWriteString(HKEY_CURRENT_USER, kSettingsKey, L"WMainX", L"100");
    putRaw(L"WMainY", REG_DWORD, "\x05\0\0\0", 4);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey.c_str(), L"WOptsX");
    check(kv::win32::RegWriteStrings(HKEY_CURRENT_USER, kSettingsKey,
                                     {{L"WMainX", L"1"}, {L"WMainY", L"2"}, {L"WOptsX", L"3"}}),
          "a batch succeeds");
    checkText(kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, L"WMainX"), L"1",
              "batch: first value");
    checkText(kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, L"WMainY"), L"2",
              "batch: replaced REG_DWORD");
    checkText(kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, L"WOptsX"), L"3",
              "batch: new value");

    // A value name longer than the registry allows makes the last write of a batch fail.
    putRaw(L"WMainY", REG_DWORD, "\x05\0\0\0", 4);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey.c_str(), L"WOptsX");
    const std::wstring tooLong(20000, L'n');
    check(!kv::win32::RegWriteString(HKEY_CURRENT_USER, kSettingsKey, tooLong, L"x"),
          "the registry refuses a value name of 20000 characters");
    check(!kv::win32::RegWriteStrings(
              HKEY_CURRENT_USER, kSettingsKey,
              {{L"WMainX", L"9"}, {L"WMainY", L"9"}, {L"WOptsX", L"9"}, {tooLong, L"9"}}),
          "a batch with a refused write reports failure");
    checkText(kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, L"WMainX"), L"1",
              "failed batch: old text is back");
    const RawValue dword = rawValue(kSettingsKey, L"WMainY");
    check(dword.type == REG_DWORD && dword.data.size() == 4 && dword.data[0] == 5,
          "failed batch: old REG_DWORD is back as it was");
    checkNumber(rawValue(kSettingsKey, L"WOptsX").status, ERROR_FILE_NOT_FOUND,
                "failed batch: a value that did not exist is gone again");
}

void registryLeavesNoHandles() {
    group("registry: no handle left open");
    // HKEY_CURRENT_USER opens its own handle on first use; that one stays for the process.
    kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, L"Warm");
    const HandleMark before = handleMark();
    HKEY leaked = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey.c_str(), 0, KEY_READ, &leaked);
    check(!(handleMark() == before), "the measurement sees one handle left open");
    RegCloseKey(leaked);
    checkHandles(handleMark(), before, "the measurement is back after closing it");

    int missing = 0;
    for (int i = 0; i < 10000; ++i)
        missing +=
            kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, L"NoSuchValue").empty();
    checkNumber(missing, 10000, "10,000 reads of a missing value all read as missing");
    checkHandles(handleMark(), before, "10,000 reads of a missing value leave no handle open");

    for (int i = 0; i < 1000; ++i) {
        kv::win32::RegReadString(HKEY_CURRENT_USER, L"Software\\NoSuchVendor\\NoSuch", L"WN");
        kv::win32::RegReadString(HKEY_CURRENT_USER, kSettingsKey, L"Stretch");
        kv::win32::RegWriteString(HKEY_CURRENT_USER, kSettingsKey, L"LifeTime", L"1.5");
        kv::win32::RegWriteStrings(HKEY_CURRENT_USER, kSettingsKey, {{L"LifeCmd", L"0"}});
    }
    checkHandles(handleMark(), before,
                 "reads of a missing key, present values and writes leave no handle open");
}

// ---------------------------------------------------------------------------------------------

const std::wstring kClassKey =
    L"Software\\Classes\\CLSID\\{75048700-EF1F-11D0-9888-006097DEACF9}\\InprocServer32";
const CLSID kDesktopClass = {
    0x75048700, 0xEF1F, 0x11D0, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};

kv::test::RecorderState g_wineRecord{};

// Hands out Wine's own desktop object wrapped in a recorder, through a class object registered
// for this process, so the record shows what the layer does with Wine's answers.
class WrappingFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID riid, void** object) override {
        *object = nullptr;
        using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
        HMODULE shell = GetModuleHandleW(L"shell32.dll");
        auto get = shell ? reinterpret_cast<GetClassObject>(
                               reinterpret_cast<void*>(GetProcAddress(shell, "DllGetClassObject")))
                         : nullptr;
        IClassFactory* wineFactory = nullptr;
        if (!get ||
            get(kDesktopClass, IID_IClassFactory, reinterpret_cast<void**>(&wineFactory)) != S_OK)
            return CLASS_E_CLASSNOTAVAILABLE;
        IActiveDesktop* inner = nullptr;
        const HRESULT created = wineFactory->CreateInstance(nullptr, IID_IActiveDesktop,
                                                            reinterpret_cast<void**>(&inner));
        wineFactory->Release();
        if (created != S_OK)
            return created;
        auto* wrapper = new kv::test::RecordingDesktop(g_wineRecord, inner);
        return wrapper->QueryInterface(riid, object);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

void checkRecord(const kv::test::RecorderState& state, const std::wstring& expectedLog,
                 long expectedObjects, const std::string& what) {
    checkText(std::wstring(state.log, state.logLength), expectedLog, what + ": calls");
    checkNumber(state.created, expectedObjects, what + ": objects created");
    checkNumber(state.destroyed, expectedObjects, what + ": each released to zero");
    checkNumber(state.overReleased, 0, what + ": no release too many");
}

void desktopUnderWine() {
    group("desktop object: Wine's own, whose methods are not implemented");
    check(!keyExists(kClassKey), "no per-user server registered yet");
    check(!kv::win32::SetDesktopWallpaper(L"C:\\windows\\Web\\sea.jpg"),
          "SetDesktopWallpaper returns false");
    checkNumber(kv::win32::GetDesktopWallpaperStyle(), -1, "GetDesktopWallpaperStyle returns -1");
    check(!kv::win32::SetDesktopWallpaperStyle(2), "SetDesktopWallpaperStyle returns false");

    WrappingFactory factory;
    DWORD cookie = 0;
    const HRESULT registered = CoRegisterClassObject(kDesktopClass, &factory, CLSCTX_INPROC_SERVER,
                                                     REGCLS_MULTIPLEUSE, &cookie);
    checkNumber(registered, S_OK, "recording wrapper registered for this process");
    if (registered != S_OK)
        return;
    kv::test::ResetRecorder(g_wineRecord);
    check(!kv::win32::SetDesktopWallpaper(L"C:\\windows\\Web\\sea.jpg"),
          "recorded: SetDesktopWallpaper returns false");
    checkRecord(g_wineRecord, L"SetWallpaper(C:\\windows\\Web\\sea.jpg,0)=80004001;Released;", 1,
                "recorded: E_NOTIMPL from SetWallpaper, no ApplyChanges");
    kv::test::ResetRecorder(g_wineRecord);
    checkNumber(kv::win32::GetDesktopWallpaperStyle(), -1, "recorded: style reads -1");
    checkRecord(g_wineRecord, L"GetWallpaperOptions(8,0)=80004001;Released;", 1,
                "recorded: E_NOTIMPL from GetWallpaperOptions");
    kv::test::ResetRecorder(g_wineRecord);
    check(!kv::win32::SetDesktopWallpaperStyle(0), "recorded: style is not set");
    checkRecord(g_wineRecord, L"SetWallpaperOptions(8,0,0)=80004001;Released;", 1,
                "recorded: E_NOTIMPL from SetWallpaperOptions, no ApplyChanges");
    CoRevokeClassObject(cookie);
}

bool setDefaultText(HKEY root, const std::wstring& subkey, const std::wstring& text) {
    return RegSetKeyValueW(root, subkey.c_str(), nullptr, REG_SZ, text.c_str(),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

std::wstring classesRootServer() {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, kClassKey.c_str() + wcslen(L"Software\\Classes\\"), nullptr,
                     RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return {};
    return buffer;
}

// Registers the server per user, which is what takes precedence on Windows. Wine 8's COM reads
// only the machine's class registrations, so in this throwaway prefix the machine entry is
// pointed at the server as well when the per-user one is not seen.
bool registerServer(const std::wstring& dllPath) {
    if (!setDefaultText(HKEY_CURRENT_USER, kClassKey, dllPath) ||
        RegSetKeyValueW(HKEY_CURRENT_USER, kClassKey.c_str(), L"ThreadingModel", REG_SZ,
                        L"Apartment", sizeof L"Apartment") != ERROR_SUCCESS)
        return false;
    if (classesRootServer() == dllPath)
        return true;
    std::printf("note: per-user class registration not seen by this COM runtime; registering "
                "the server for the machine of this prefix too\n");
    return setDefaultText(HKEY_LOCAL_MACHINE, kClassKey, dllPath) &&
           RegSetKeyValueW(HKEY_LOCAL_MACHINE, kClassKey.c_str(), L"ThreadingModel", REG_SZ,
                           L"Apartment", sizeof L"Apartment") == ERROR_SUCCESS &&
           classesRootServer() == dllPath;
}

void desktopWithRecordingServer(const std::wstring& dllPath) {
    group("desktop object: per-user recording server");
    HMODULE server = LoadLibraryW(dllPath.c_str());
    using StateAccess = kv::test::RecorderState*(WINAPI*)();
    auto access = server ? reinterpret_cast<StateAccess>(
                               reinterpret_cast<void*>(GetProcAddress(server, "KvRecorderState")))
                         : nullptr;
    check(access != nullptr, "the recording server DLL loads");
    const std::wstring builtIn = classesRootServer();
    check(registerServer(dllPath), "the recording server is registered per user");
    if (!access)
        return;
    kv::test::RecorderState& state = *access();

    const HRESULT kFalse = S_FALSE;
    const std::wstring path = L"C:\\Users\\Test\\Pictures\\\u03A9\u03BC\u03AD\u03B3\u03B1 "
                              L"\u65E5\u672C \U0001F30A.jpg";
    enum class Op { SetWallpaper, GetStyle, SetStyle };
    struct Case {
        const char* what;
        Op op;
        int style;
        HRESULT wallpaper, getOptions, setOptions, apply;
        long expectedResult;
        std::wstring expectedLog;
        long objects;
    };
    const std::vector<Case> cases = {
        {"wallpaper taken", Op::SetWallpaper, 0, S_OK, S_OK, S_OK, S_OK, 1,
         L"SetWallpaper(" + path + L",0)=0;ApplyChanges(15)=0;Released;", 1},
        {"wallpaper taken, apply fails", Op::SetWallpaper, 0, S_OK, S_OK, S_OK, E_FAIL, 1,
         L"SetWallpaper(" + path + L",0)=0;ApplyChanges(15)=80004005;Released;", 1},
        {"wallpaper S_FALSE is failure", Op::SetWallpaper, 0, kFalse, S_OK, S_OK, S_OK, 0,
         L"SetWallpaper(" + path + L",0)=1;Released;", 1},
        {"wallpaper refused", Op::SetWallpaper, 0, E_INVALIDARG, S_OK, S_OK, S_OK, 0,
         L"SetWallpaper(" + path + L",0)=80070057;Released;", 1},
        {"style read", Op::GetStyle, 1, S_OK, S_OK, S_OK, S_OK, 1,
         L"GetWallpaperOptions(8,0)=0;Released;", 1},
        {"style read stretch", Op::GetStyle, 2, S_OK, S_OK, S_OK, S_OK, 2,
         L"GetWallpaperOptions(8,0)=0;Released;", 1},
        {"style read S_FALSE is failure", Op::GetStyle, 2, S_OK, kFalse, S_OK, S_OK, -1,
         L"GetWallpaperOptions(8,0)=1;Released;", 1},
        {"style read fails", Op::GetStyle, 1, S_OK, E_FAIL, S_OK, S_OK, -1,
         L"GetWallpaperOptions(8,0)=80004005;Released;", 1},
        {"style centre set", Op::SetStyle, 0, S_OK, S_OK, S_OK, S_OK, 1,
         L"SetWallpaperOptions(8,0,0)=0;ApplyChanges(15)=0;Released;", 1},
        {"style tile set", Op::SetStyle, 1, S_OK, S_OK, S_OK, S_OK, 1,
         L"SetWallpaperOptions(8,1,0)=0;ApplyChanges(15)=0;Released;", 1},
        {"style stretch set, apply fails", Op::SetStyle, 2, S_OK, S_OK, S_OK, E_FAIL, 1,
         L"SetWallpaperOptions(8,2,0)=0;ApplyChanges(15)=80004005;Released;", 1},
        {"style set S_FALSE is failure", Op::SetStyle, 2, S_OK, S_OK, kFalse, S_OK, 0,
         L"SetWallpaperOptions(8,2,0)=1;Released;", 1},
        {"style set refused", Op::SetStyle, 1, S_OK, S_OK, E_NOTIMPL, S_OK, 0,
         L"SetWallpaperOptions(8,1,0)=80004001;Released;", 1},
        {"style read fill", Op::GetStyle, 4, S_OK, S_OK, S_OK, S_OK, 4,
         L"GetWallpaperOptions(8,0)=0;Released;", 1},
        {"style fit set", Op::SetStyle, 3, S_OK, S_OK, S_OK, S_OK, 1,
         L"SetWallpaperOptions(8,3,0)=0;ApplyChanges(15)=0;Released;", 1},
        {"style fill set", Op::SetStyle, 4, S_OK, S_OK, S_OK, S_OK, 1,
         L"SetWallpaperOptions(8,4,0)=0;ApplyChanges(15)=0;Released;", 1},
        {"style 5 (span) refused without an object", Op::SetStyle, 5, S_OK, S_OK, S_OK, S_OK, 0,
         L"", 0},
        {"style -1 refused without an object", Op::SetStyle, -1, S_OK, S_OK, S_OK, S_OK, 0, L"", 0},
    };
    for (const Case& c : cases) {
        kv::test::ResetRecorder(state);
        state.setWallpaperResult = c.wallpaper;
        state.getOptionsResult = c.getOptions;
        state.setOptionsResult = c.setOptions;
        state.applyResult = c.apply;
        state.reportedStyle = static_cast<DWORD>(c.style);
        long result = 0;
        switch (c.op) {
        case Op::SetWallpaper:
            result = kv::win32::SetDesktopWallpaper(path) ? 1 : 0;
            break;
        case Op::GetStyle:
            result = kv::win32::GetDesktopWallpaperStyle();
            break;
        case Op::SetStyle:
            result = kv::win32::SetDesktopWallpaperStyle(c.style) ? 1 : 0;
            break;
        }
        checkNumber(result, c.expectedResult, std::string(c.what) + ": result");
        checkRecord(state, c.expectedLog, c.objects, c.what);
    }
    FreeLibrary(server);

    group("desktop object: class registered to a server that cannot be loaded");
    const std::wstring missing = L"C:\\windows\\no-such-desktop-server.dll";
    registerServer(missing);
    checkText(classesRootServer(), missing, "the class now names the missing server");
    check(!kv::win32::SetDesktopWallpaper(path), "SetDesktopWallpaper returns false");
    checkNumber(kv::win32::GetDesktopWallpaperStyle(), -1, "GetDesktopWallpaperStyle returns -1");
    check(!kv::win32::SetDesktopWallpaperStyle(1), "SetDesktopWallpaperStyle returns false");
    RegDeleteTreeW(HKEY_CURRENT_USER,
                   L"Software\\Classes\\CLSID\\{75048700-EF1F-11D0-9888-006097DEACF9}");
    if (!builtIn.empty() && classesRootServer() != builtIn)
        setDefaultText(HKEY_LOCAL_MACHINE, kClassKey, builtIn);
}

// ---------------------------------------------------------------------------------------------

void systemColours() {
    group("system colours: desktop background");
    const std::uint32_t original = kv::win32::GetDesktopColor();
    const DWORD window = GetSysColor(COLOR_WINDOW);
    for (const std::uint32_t colour : {0x00336699u, 0x00000000u, 0x00FFFFFFu, 0x00C08040u}) {
        check(kv::win32::SetDesktopColor(colour), "SetDesktopColor succeeds");
        checkNumber(kv::win32::GetDesktopColor(), colour, "the colour reads back");
        checkNumber(GetSysColor(COLOR_WINDOW), window, "the window colour stays");
    }
    kv::win32::SetDesktopColor(original);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::printf("usage: win32_layer_test <recording_desktop_server.dll>\n");
        return 2;
    }
    kv::win32::ComApartment apartment;
    check(apartment.ready(), "COM joined in a single-threaded apartment");

    registryOnCleanAccount();
    registryRoundTrips();
    registryOtherTypes();
    registryBatches();
    registryLeavesNoHandles();
    desktopUnderWine();
    desktopWithRecordingServer(argv[1]);
    systemColours();

    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
