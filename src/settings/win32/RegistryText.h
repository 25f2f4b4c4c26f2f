// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The settings store of the Windows build, in plain Win32 terms so that the same files serve the
// program and the Win32 test program built without Qt.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace kv::win32 {

// The REG_SZ text of a value, or the empty text when the key or the value is missing, the value
// holds another type or an empty text, or the registry refuses the read.
std::wstring RegReadString(HKEY root, const std::wstring& subkey, const std::wstring& name);

// Stores text as REG_SZ, creating the key and any missing parents. False when the registry
// refused; the old value then stays.
bool RegWriteString(HKEY root, const std::wstring& subkey, const std::wstring& name,
                    const std::wstring& text);

using RegistryTextValue = std::pair<std::wstring, std::wstring>;

// Stores every value or, when one write is refused, puts back what each touched name held before
// (its old type and data, or no value at all). A process killed half-way can still leave a
// mixture: the registry has no transactions that every supported Windows version keeps.
bool RegWriteStrings(HKEY root, const std::wstring& subkey,
                     const std::vector<RegistryTextValue>& values);

} // namespace kv::win32
