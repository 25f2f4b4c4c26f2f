// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/DesktopRecord.h"
#include "engine/DesktopBackend.h"

#include <QSize>
#include <QString>

#include <optional>

namespace kv {

// A desktop that cannot tell us what it shows: the style and colour come from our own record of
// what we last gave it, and every change shows the whole recorded state again. The record
// belongs to one desktop instance (`session`: a display, a socket path); another instance starts
// from nothing known.
//
// These desktops draw the file they are given as it is stored, ignoring its EXIF orientation (a
// phone photo lies on its side): a picture that carries a turn is handed over as an upright copy
// of ours instead. A desktop with no fill of its own gets for fill a copy cropped to the shape of
// the screen, which it stretches.
class RecordedDesktop : public DesktopBackend {
public:
    bool SetDesktopWallpaper(const QString& path) final;
    int GetDesktopWallpaperStyle() final;
    bool SetDesktopWallpaperStyle(int style) final;
    DesktopColor GetDesktopColor() final;
    bool SetDesktopColor(DesktopColor colour) final;
    // Every request draws the whole state: a change hands over picture, colour and style at once,
    // so a new colour or style does not draw the picture again, up to three times.
    ShowResult ShowWallpaper(const QString& path, DesktopColor colour, int style) final;
    // New options show the picture again once, with both.
    bool setColourAndStyle(DesktopColor colour, int style) final;

protected:
    RecordedDesktop(const QString& backendId, QString session);

    const QString& session() const { return session_; }
    const DesktopRecord& record() const { return record_; }

    // The absolute path of the file to hand the desktop for `state`'s picture.
    static QString handedFile(const DesktopState& state);

    // The record, or nothing known when it describes another instance.
    virtual DesktopState recorded() const;
    // Hands the desktop `state` (handedFile, style and colour); true when it took it. May note
    // in `state` what it needs next time (a link, a helper process).
    virtual bool show(DesktopState& state) const = 0;
    // Makes a new colour in `state` take effect; by default by showing our picture again, if we
    // gave one, else by checking that the desktop is reachable.
    virtual bool applyColour(DesktopState& state) const;
    // Whether the desktop takes requests now. A style or colour with no picture of ours to show
    // is kept for the next picture, but only while the desktop is there to take it.
    virtual bool reachable() const { return true; }
    // Whether the desktop has a placement for this style (0..4).
    virtual bool places(int style) const {
        Q_UNUSED(style);
        return true;
    }
    // The shape of the screen a desktop that cannot fill by itself stretches a cropped copy onto
    // for fill (empty while it cannot be told); nullopt where the desktop fills by itself.
    virtual std::optional<QSize> fillShape() const { return std::nullopt; }
    // Where upright copies go: by default the runtime folder, which ends with the session.
    virtual QString copyFolder() const { return DesktopRecord::runtimeFolder(); }

    // Shows the recorded picture again (after a style or colour change).
    bool showAgain(DesktopState& state) const {
        return present(state, false, false) == ShowResult::Shown;
    }

private:
    // Makes the copy a new picture or style needs (or one that has gone), then shows `state`;
    // a copy that did not make it to the desktop is removed, and so is one it no longer shows.
    // With `judge`, a picture that does not decode whole is not shown but reported, judged by
    // the copy's own read where a copy is made.
    ShowResult present(DesktopState& state, bool newPicture, bool judge) const;

    QString id_;
    QString session_;
    DesktopRecord record_;
};

} // namespace kv
