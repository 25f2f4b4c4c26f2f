// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The desktop background colour among the system colours, in plain Win32 terms. Colours are
// 0x00BBGGRR, the system colours' own layout.

#include <cstdint>

namespace kv::win32 {

std::uint32_t GetDesktopColor();
// The system keeps the colour for this session; the program applies its option at every start.
bool SetDesktopColor(std::uint32_t colour);

} // namespace kv::win32
