// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/DesktopBackend.h"

#include <QString>

#include <optional>

namespace kv {

// What we last gave a desktop that cannot tell it back (sway answers success for anything, some
// file managers never save the mode): the picture, style and colour, plus the id of a helper
// process we started. Kept per backend in $XDG_RUNTIME_DIR/kestrovaline/, which lives exactly as
// long as the session whose desktop it describes.
struct DesktopState {
    QString path;
    int style = StyleUnknown;
    DesktopColor colour = kUnknownDesktopColor;
    QString session; // which desktop instance this describes (a socket path, a display)
    QString link;    // the safe name we last handed the desktop for `path`, or our drawing of it
    QString upright; // our copy of `path` handed over instead: upright (EXIF), cropped for fill
    qint64 helperPid = 0;
    QByteArray helperCommandLine; // as /proc shows it, to recognise our own process later
};

class DesktopRecord {
public:
    explicit DesktopRecord(const QString& backendId);

    // The folder our private files live in, created 0700; empty when there is no usable one.
    static QString runtimeFolder();
    // The same for files a desktop must still find in the next session.
    static QString cacheFolder();

    // A missing or damaged record reads as "nothing known".
    DesktopState read() const;
    bool write(const DesktopState& state) const;

private:
    QString file_;
};

// True when the path names a regular file that can be read and decodes as a picture; desktops
// that accept anything get only what would show.
bool isUsablePicture(const QString& path);

// A name in `folder` for a file that replaces `previous`: prefix-a and prefix-b in turn, so a
// desktop always sees a new path and never one that changed under the process still showing it.
// `suffix` includes its dot.
QString alternateName(const QString& folder, const QString& prefix, const QString& previous,
                      const QString& suffix);

// The name alternateName gives a link to `picture`, with the picture's suffix when it is a plain
// one (some desktops tell formats by it).
QString linkName(const QString& folder, const QString& prefix, const QString& previous,
                 const QString& picture);
// Points `link` at `target`, replacing whatever had that name in one step.
bool placeLink(const QString& link, const QString& target);

// True for a file in `folder` whose name starts with `prefix`: one the program made and may
// remove. A record names its files, and a hand-edited one could name any file of the user's.
bool isOwnFile(const QString& path, const QString& folder, const QString& prefix);

// #rrggbb for a 0x00BBGGRR colour, and back (nullopt for text that is no such colour).
QString colourHex(DesktopColor colour);
std::optional<DesktopColor> colourFromHex(const QString& text);

} // namespace kv
