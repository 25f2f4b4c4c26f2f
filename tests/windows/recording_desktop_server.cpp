// SPDX-License-Identifier: GPL-3.0-or-later
// An in-process server for the desktop object's class, registered per user in the test prefix so
// that the desktop layer meets an object whose answers the test chooses.

#include "RecordingDesktop.h"

#include <new>

namespace {

kv::test::RecorderState g_state = [] {
    kv::test::RecorderState state{};
    kv::test::ResetRecorder(state);
    return state;
}();

class Factory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // One static factory for the life of the DLL.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        // Never deleted: a release too many must stay observable (see RecordingDesktop).
        auto* desktop = new (std::nothrow) kv::test::RecordingDesktop(g_state, nullptr);
        if (!desktop)
            return E_OUTOFMEMORY;
        const HRESULT result = desktop->QueryInterface(riid, object);
        if (result != S_OK)
            --g_state.created;
        return result;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

const CLSID kDesktopClass = {
    0x75048700, 0xEF1F, 0x11D0, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};

} // namespace

extern "C" {

HRESULT WINAPI KvGetClassObject(REFCLSID classId, REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(classId, kDesktopClass))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, object);
}

HRESULT WINAPI KvCanUnloadNow() {
    // The test program reads the record after the objects are gone.
    return S_FALSE;
}

kv::test::RecorderState* WINAPI KvRecorderState() {
    return &g_state;
}

} // extern "C"
