// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

namespace kv {

// Colours travel as 0x00BBGGRR, the layout the stored "Backgroud" option has always used.
using DesktopColor = quint32;

// A colour no desktop reports, so a comparison with any real option colour differs and the
// colour gets applied when the desktop cannot tell what it shows.
inline constexpr DesktopColor kUnknownDesktopColor = 0xFFFFFFFFu;

// Wallpaper styles as stored in the "Stretch" option, numbered as the Windows desktop object
// numbers them so a stored value means the same on both platforms: fit shows the whole picture
// with its aspect kept on the colour, fill covers the screen with its aspect kept, centred and
// cropped.
enum WallpaperStyle : int {
    StyleCentre = 0,
    StyleTile = 1,
    StyleStretch = 2,
    StyleFit = 3,
    StyleFill = 4,
    StyleUnknown = -1
};

constexpr bool isWallpaperStyle(int style) {
    return style >= StyleCentre && style <= StyleFill;
}

// What became of a picture handed to the desktop with its colour and style.
enum class ShowResult { Shown, NotAPicture, Refused };

// What the engine needs of a desktop. Every operation works at the moment it is called and keeps
// nothing open across calls (a desktop may watch its monitors meanwhile); a failure is a return
// value, never a message or an exception.
class DesktopBackend {
public:
    virtual ~DesktopBackend() = default;

    // Short name of the desktop found, for --version, the about box and bug reports.
    virtual QString name() const = 0;

    // True only when the desktop took the picture (read back where the desktop allows it). The
    // engine hands over only files that exist and decode, so false means the desktop did not
    // take a good file (not found, not answering, refusing the write): the engine reports the
    // desktop and leaves the entry's mark alone. A backend's own checks of the picture must
    // therefore be no stricter than the engine's.
    virtual bool SetDesktopWallpaper(const QString& path) = 0;
    // 0 centre, 1 tile, 2 stretch, 3 fit, 4 fill; -1 when the desktop shows something else or
    // cannot be asked.
    virtual int GetDesktopWallpaperStyle() = 0;
    // A style outside 0..4 is refused without touching the desktop.
    virtual bool SetDesktopWallpaperStyle(int style) = 0;

    virtual DesktopColor GetDesktopColor() = 0;
    virtual bool SetDesktopColor(DesktopColor colour) = 0;

    // One change: the picture, then the colour and the style where the desktop shows others
    // (their results do not count). By default the test decode and the operations above; a
    // desktop whose picture we draw ourselves draws it once, its decode being the test decode.
    virtual ShowResult ShowWallpaper(const QString& path, DesktopColor colour, int style);
    // New options: the colour and the style where the desktop shows others; true when it shows
    // both. By default the operations above; a desktop that draws the picture again for either
    // draws it once for both.
    virtual bool setColourAndStyle(DesktopColor colour, int style);

    // False where the desktop forgets its wallpaper when the session ends (a bare X server, sway,
    // swaybg): a start then shows it again.
    virtual bool keepsWallpaper() const { return true; }
    // Where the desktop forgets it: true when it shows no picture of ours now. A picture the user
    // set by hand is ours too, though it is not the collection's current entry.
    virtual bool forgotWallpaper() { return false; }
};

} // namespace kv
