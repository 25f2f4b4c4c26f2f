// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A desktop object that writes down every call it receives. It either answers with scripted
// results (the test server DLL) or passes each call on to a real object and writes down that
// object's answer (the test program, around Wine's own object).

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <wininet.h>

#include <objbase.h>
#include <shlobj.h>

#include <cwchar>

namespace kv::test {

// Plain data only: the test program reads the server DLL's copy across the module boundary.
struct RecorderState {
    HRESULT setWallpaperResult;
    HRESULT getOptionsResult;
    HRESULT setOptionsResult;
    HRESULT applyResult;
    DWORD reportedStyle;
    LONG created;
    LONG destroyed;
    LONG overReleased;
    size_t logLength;
    wchar_t log[16384];
};

inline void ResetRecorder(RecorderState& state) {
    state.setWallpaperResult = S_OK;
    state.getOptionsResult = S_OK;
    state.setOptionsResult = S_OK;
    state.applyResult = S_OK;
    state.reportedStyle = 0;
    state.created = 0;
    state.destroyed = 0;
    state.overReleased = 0;
    state.logLength = 0;
    state.log[0] = L'\0';
}

class RecordingDesktop final : public IActiveDesktop {
public:
    // Takes over one reference to inner when given.
    RecordingDesktop(RecorderState& state, IActiveDesktop* inner) : state_(state), inner_(inner) {
        ++state_.created;
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IActiveDesktop)) {
            *object = static_cast<IActiveDesktop*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++references_); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG left = --references_;
        if (left == 0) {
            ++state_.destroyed;
            write(L"Released;");
            if (inner_)
                inner_->Release();
            inner_ = nullptr;
        } else if (left < 0) {
            // The memory is never freed, so a release too many is counted instead of crashing.
            ++state_.overReleased;
            write(L"ReleasedAgain;");
        }
        return static_cast<ULONG>(left < 0 ? 0 : left);
    }

    STDMETHODIMP ApplyChanges(DWORD flags) override {
        const HRESULT result = inner_ ? inner_->ApplyChanges(flags) : state_.applyResult;
        record(L"ApplyChanges(%lu)=%lX;", flags, result);
        return result;
    }
    STDMETHODIMP SetWallpaper(PCWSTR path, DWORD reserved) override {
        const HRESULT result =
            inner_ ? inner_->SetWallpaper(path, reserved) : state_.setWallpaperResult;
        record(L"SetWallpaper(%ls,%lu)=%lX;", path ? path : L"(null)", reserved, result);
        return result;
    }
    STDMETHODIMP GetWallpaperOptions(LPWALLPAPEROPT options, DWORD reserved) override {
        const DWORD sizeSent = options ? options->dwSize : 0;
        HRESULT result = E_POINTER;
        if (inner_) {
            result = inner_->GetWallpaperOptions(options, reserved);
        } else if (options) {
            // Written whatever the result, so a caller that trusts a failed call shows up.
            options->dwStyle = state_.reportedStyle;
            result = state_.getOptionsResult;
        }
        record(L"GetWallpaperOptions(%lu,%lu)=%lX;", sizeSent, reserved, result);
        return result;
    }
    STDMETHODIMP SetWallpaperOptions(LPCWALLPAPEROPT options, DWORD reserved) override {
        const HRESULT result =
            inner_ ? inner_->SetWallpaperOptions(options, reserved) : state_.setOptionsResult;
        record(L"SetWallpaperOptions(%lu,%lu,%lu)=%lX;", options ? options->dwSize : 0,
               options ? options->dwStyle : 0, reserved, result);
        return result;
    }

    // Nothing of the program calls these; a call shows up in the record as unexpected.
    STDMETHODIMP GetWallpaper(PWSTR, UINT, DWORD) override { return unexpected(L"GetWallpaper"); }
    STDMETHODIMP GetPattern(PWSTR, UINT, DWORD) override { return unexpected(L"GetPattern"); }
    STDMETHODIMP SetPattern(PCWSTR, DWORD) override { return unexpected(L"SetPattern"); }
    STDMETHODIMP GetDesktopItemOptions(LPCOMPONENTSOPT, DWORD) override {
        return unexpected(L"GetDesktopItemOptions");
    }
    STDMETHODIMP SetDesktopItemOptions(LPCCOMPONENTSOPT, DWORD) override {
        return unexpected(L"SetDesktopItemOptions");
    }
    STDMETHODIMP AddDesktopItem(LPCCOMPONENT, DWORD) override {
        return unexpected(L"AddDesktopItem");
    }
    STDMETHODIMP AddDesktopItemWithUI(HWND, LPCOMPONENT, DWORD) override {
        return unexpected(L"AddDesktopItemWithUI");
    }
    STDMETHODIMP ModifyDesktopItem(LPCCOMPONENT, DWORD) override {
        return unexpected(L"ModifyDesktopItem");
    }
    STDMETHODIMP RemoveDesktopItem(LPCCOMPONENT, DWORD) override {
        return unexpected(L"RemoveDesktopItem");
    }
    STDMETHODIMP GetDesktopItemCount(int*, DWORD) override {
        return unexpected(L"GetDesktopItemCount");
    }
    STDMETHODIMP GetDesktopItem(int, LPCOMPONENT, DWORD) override {
        return unexpected(L"GetDesktopItem");
    }
    STDMETHODIMP GetDesktopItemByID(ULONG_PTR, LPCOMPONENT, DWORD) override {
        return unexpected(L"GetDesktopItemByID");
    }
    STDMETHODIMP GenerateDesktopItemHtml(PCWSTR, LPCOMPONENT, DWORD) override {
        return unexpected(L"GenerateDesktopItemHtml");
    }
    STDMETHODIMP AddUrl(HWND, PCWSTR, LPCOMPONENT, DWORD) override { return unexpected(L"AddUrl"); }
    STDMETHODIMP GetDesktopItemBySource(PCWSTR, LPCOMPONENT, DWORD) override {
        return unexpected(L"GetDesktopItemBySource");
    }

private:
    void write(const wchar_t* text) { record(L"%ls", text); }
    template <typename... Arguments> void record(const wchar_t* format, Arguments... arguments) {
        const size_t capacity = sizeof(state_.log) / sizeof(state_.log[0]);
        if (state_.logLength + 1 >= capacity)
            return;
        const int written = std::swprintf(state_.log + state_.logLength,
                                          capacity - state_.logLength, format, arguments...);
        if (written > 0)
            state_.logLength += static_cast<size_t>(written);
    }
    HRESULT unexpected(const wchar_t* method) {
        record(L"Unexpected %ls;", method);
        return E_NOTIMPL;
    }

    RecorderState& state_;
    IActiveDesktop* inner_;
    LONG references_ = 0;
};

} // namespace kv::test
