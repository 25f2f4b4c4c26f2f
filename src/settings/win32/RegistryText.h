// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The settings store of the Windows build, in plain Win32 terms so that the same files serve the
// program and the Win32 test program built without Qt.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kv::win32 {

// The REG_SZ text of a value, or the empty text when the key or the value is missing, the value
// holds another type or an empty text, or the registry refuses the read.
std::wstring RegReadString(HKEY root, const std::wstring& subkey, const std::wstring& name);

// Stores text as REG_SZ, creating the key and any missing parents. ERROR_SUCCESS, or why the
// registry refused; the old value then stays.
LONG RegWriteString(HKEY root, const std::wstring& subkey, const std::wstring& name,
                    const std::wstring& text);

using RegistryTextValue = std::pair<std::wstring, std::wstring>;
// Called before each change to the registry that a batch makes, so a test can stop it there as
// a process killed half-way would stop.
using RegistryChangeHook = std::function<void()>;

struct RegistryBatchOutcome {
    LONG status = ERROR_SUCCESS;
    // The batch was taken whole but not every value put in place: RegFinishSave (at the next
    // start, or the next batch) puts the rest there. The old values are not what stays.
    bool finishedLater = false;
};

// Stores every value or none, even for a process killed half-way: the batch is written first
// into a subkey of its own, which a marker written last declares whole; only then are its values
// copied into the key.
RegistryBatchOutcome RegWriteStrings(HKEY root, const std::wstring& subkey,
                                     const std::vector<RegistryTextValue>& values,
                                     const RegistryChangeHook& beforeChange = {});

// Settles a batch cut short before anything reads the key: one declared whole is put in place,
// one without the marker is dropped. ERROR_SUCCESS, or why the registry refused.
LONG RegFinishSave(HKEY root, const std::wstring& subkey,
                   const RegistryChangeHook& beforeChange = {});

// The system's words for a registry status, without the closing full stop.
std::wstring RegStatusText(LONG status);

} // namespace kv::win32
