// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The shell's desktop object, in plain Win32 terms so that the same files serve the program and
// the Win32 test program built without Qt. Each operation creates its own object, makes one or
// two calls on it and releases it: nothing survives an operation. Call them on the thread that
// holds the ComApartment.

#include <string>

namespace kv::win32 {

// Joins the calling thread to a single-threaded apartment for the object's lifetime. Made once,
// on the user-interface thread, before the first desktop operation.
class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // False when COM refused, for example because the thread already lives in another apartment.
    bool ready() const { return joined_; }

private:
    bool joined_ = false;
};

// True only when the desktop object accepted the file; then the change is applied.
bool SetDesktopWallpaper(const std::wstring& path);
// 0 centre, 1 tile, 2 stretch, 3 keep aspect (fit), 4 crop to fit (fill), 5 span; -1 when the
// object cannot be created or does not answer.
int GetDesktopWallpaperStyle();
// A style outside 0..4 is refused without creating an object.
bool SetDesktopWallpaperStyle(int style);

} // namespace kv::win32
