// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/desktop/DesktopBackend.h"
#include "engine/desktop/DesktopRecord.h"

#include <QString>

namespace kv {

// A desktop that cannot tell us what it shows: the style and colour come from our own record of
// what we last gave it, and every change shows the whole recorded state again. The record
// belongs to one desktop instance (`session`: a display, a socket path); another instance starts
// from nothing known.
class RecordedDesktop : public DesktopBackend {
public:
    bool SetDesktopWallpaper(const QString& path) final;
    int GetDesktopWallpaperStyle() final;
    bool SetDesktopWallpaperStyle(int style) final;
    DesktopColor GetDesktopColor() final;
    bool SetDesktopColor(DesktopColor colour) final;

protected:
    RecordedDesktop(const QString& backendId, QString session);

    const QString& session() const { return session_; }
    const DesktopRecord& record() const { return record_; }

    // The record, or nothing known when it describes another instance.
    virtual DesktopState recorded() const;
    // Hands the desktop `state` (picture, style and colour); true when it took it. May note in
    // `state` what it needs next time (a link, a helper process).
    virtual bool show(DesktopState& state) const = 0;
    // Makes a new colour in `state` take effect; by default by showing our picture again, if we
    // gave one.
    virtual bool applyColour(DesktopState& state) const;

private:
    QString session_;
    DesktopRecord record_;
};

} // namespace kv
