// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/win32/ActiveDesktop.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The desktop object's interface is only declared when wininet.h comes first.
#include <wininet.h>

#include <objbase.h>
#include <shlobj.h>

namespace kv::win32 {
namespace {

// The identifiers stay text and are converted at each creation, as the desktop object's
// published registration names them.
constexpr wchar_t kDesktopClass[] = L"{75048700-EF1F-11D0-9888-006097DEACF9}";
constexpr wchar_t kDesktopInterface[] = L"{F490EB00-1240-11D1-9888-006097DEACF9}";

// Save, regenerate, refresh and force: the shell redraws even when it thinks nothing changed.
constexpr DWORD kApplyEverything =
    AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH | AD_APPLY_FORCE;
static_assert(kApplyEverything == 15);

// One created object and its one reference, released on every path.
class DesktopObject {
public:
    DesktopObject() {
        IID classId{};
        IID interfaceId{};
        if (IIDFromString(kDesktopClass, &classId) != S_OK)
            return;
        if (IIDFromString(kDesktopInterface, &interfaceId) != S_OK)
            return;
        void* object = nullptr;
        if (CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, interfaceId, &object) != S_OK)
            return;
        desktop_ = static_cast<IActiveDesktop*>(object);
    }
    ~DesktopObject() {
        if (desktop_)
            desktop_->Release();
    }
    DesktopObject(const DesktopObject&) = delete;
    DesktopObject& operator=(const DesktopObject&) = delete;

    IActiveDesktop* operator->() const { return desktop_; }
    explicit operator bool() const { return desktop_ != nullptr; }

private:
    IActiveDesktop* desktop_ = nullptr;
};

} // namespace

ComApartment::ComApartment() {
    // S_FALSE means this thread had joined already; it still owes one CoUninitialize.
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    joined_ = result == S_OK || result == S_FALSE;
}

ComApartment::~ComApartment() {
    if (joined_)
        CoUninitialize();
}

// Every result other than S_OK is failure, S_FALSE included: the object did not do the whole job.

bool SetDesktopWallpaper(const std::wstring& path) {
    DesktopObject desktop;
    if (!desktop)
        return false;
    if (desktop->SetWallpaper(path.c_str(), 0) != S_OK)
        return false;
    // The file was taken; a failed apply does not change that.
    desktop->ApplyChanges(kApplyEverything);
    return true;
}

int GetDesktopWallpaperStyle() {
    DesktopObject desktop;
    if (!desktop)
        return -1;
    WALLPAPEROPT options{};
    options.dwSize = sizeof(WALLPAPEROPT);
    if (desktop->GetWallpaperOptions(&options, 0) != S_OK)
        return -1;
    return static_cast<int>(options.dwStyle);
}

bool SetDesktopWallpaperStyle(int style) {
    // Keep-aspect and crop-to-fit are the fit and fill of the other desktops; span is no option.
    if (style < WPSTYLE_CENTER || style > WPSTYLE_CROPTOFIT)
        return false;
    DesktopObject desktop;
    if (!desktop)
        return false;
    WALLPAPEROPT options{};
    options.dwSize = sizeof(WALLPAPEROPT);
    options.dwStyle = static_cast<DWORD>(style);
    if (desktop->SetWallpaperOptions(&options, 0) != S_OK)
        return false;
    desktop->ApplyChanges(kApplyEverything);
    return true;
}

} // namespace kv::win32
