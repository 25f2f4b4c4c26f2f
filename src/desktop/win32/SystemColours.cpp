// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/win32/SystemColours.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kv::win32 {

std::uint32_t GetDesktopColor() {
    return static_cast<std::uint32_t>(GetSysColor(COLOR_BACKGROUND));
}

bool SetDesktopColor(std::uint32_t colour) {
    const INT elements[] = {COLOR_BACKGROUND};
    const COLORREF colours[] = {static_cast<COLORREF>(colour)};
    return SetSysColors(1, elements, colours) != FALSE;
}

} // namespace kv::win32
