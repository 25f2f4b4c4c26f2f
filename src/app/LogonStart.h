// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kv {

struct Options;
class Settings;

// The per-user logon start: an autostart entry that runs "-logon", present while a logon start
// has something to do. No installer registers it here, so the program keeps it in step with its
// options; an entry the user switched off stays exactly as the user left it. Of one the user
// edited only a command naming a program no longer there is mended, and it is never removed: a
// logon start with nothing to do ends at once. One another copy wrote is taken over as it is.
// Some desktops' autostart settings switch an entry off by deleting its file: an entry the
// program kept that is gone stays gone until a logon start is wanted anew.
class LogonStart {
public:
    // `folder` is the user's autostart folder, `program` what the entry runs ("kestrovaline", or
    // a full path when the program is not the one found on the PATH).
    LogonStart(QString folder, QString program);

    // Automatic change on, the program allowed to start in manual mode, or a desktop that loses
    // its wallpaper with the session.
    static bool IsWanted(const Options& options, bool desktopForgetsWallpaper);

    enum class Outcome { Written, Removed, Unchanged, LeftToUser, Failed };
    // `settings` remembers whether the entry was there, or written, while last wanted.
    Outcome Update(bool wanted, Settings& settings) const;

    QString filePath() const;
    // The entry as this program writes it.
    QByteArray entryText() const;

private:
    Outcome update(bool wanted, bool wasKept) const;

    QString folder_;
    QString program_;
};

} // namespace kv
