// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LogonStart.h"

#include "engine/Options.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kv {
namespace {

const QString kFileName = QStringLiteral("kestrovaline.desktop");
// The entry's path while a logon start is wanted and the entry was there or written.
const QString kKeptEntry = QStringLiteral("LogonEntry");

// An argument of an Exec line, quoted where the desktop entry rules want it. The key file's own
// escaping of the backslash comes on top.
QString execArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
    bool plain = true;
    for (const QChar c : argument)
        plain = plain && !reserved.contains(c);
    QString text;
    for (const QChar c : argument) {
        if (!plain && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                       c == QLatin1Char('\\')))
            text += QLatin1Char('\\');
        text += c;
    }
    text.replace(QLatin1Char('%'), QStringLiteral("%%"));
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return plain ? text : QLatin1Char('"') + text + QLatin1Char('"');
}

bool hasControlCharacter(const QString& text) {
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

// Calls visit(key, value, line) for each key of the entry's main group, where the visitor may
// change the line; gives the text with the lines as they are then.
template <typename Visit> QByteArray eachMainKey(const QByteArray& text, Visit visit) {
    QList<QByteArray> lines = text.split('\n');
    bool inEntry = false;
    for (QByteArray& line : lines) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('[')) {
            inEntry = trimmed == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = trimmed.indexOf('=');
        if (inEntry && equals >= 0)
            visit(trimmed.left(equals).trimmed(), trimmed.mid(equals + 1).trimmed(), line);
    }
    return lines.join('\n');
}

// Hidden=true or X-GNOME-Autostart-enabled=false in the entry's main group: the user's choice,
// made in the desktop's autostart settings or by hand.
bool switchedOffByUser(const QByteArray& text) {
    bool off = false;
    eachMainKey(text, [&off](const QByteArray& key, const QByteArray& value, QByteArray&) {
        const QByteArray word = value.toLower();
        off = off || (key == "Hidden" && word == "true") ||
              (key == "X-GNOME-Autostart-enabled" && word == "false");
    });
    return off;
}

// The program a TryExec value (command == false) or an Exec value names, with the key file's
// escapes and the command line's quotes undone.
QString programOf(const QByteArray& value, bool command) {
    const QString text = QString::fromUtf8(value);
    QString unescaped;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            c = text[++i];
            c = c == QLatin1Char('s') ? QLatin1Char(' ') : c;
        }
        unescaped += c;
    }
    if (!command)
        return unescaped;
    QStringList words(1);
    bool quoted = false;
    for (qsizetype i = 0; i < unescaped.size(); ++i) {
        const QChar c = unescaped[i];
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && c.isSpace()) {
            if (!words.last().isEmpty())
                words.append(QString());
        } else
            words.last() +=
                quoted && c == QLatin1Char('\\') && i + 1 < unescaped.size() ? unescaped[++i] : c;
    }
    // The program env runs (after any settings it is given), as our entry for a path with a '%'
    // names it: env itself is always there.
    qsizetype program = 0;
    if (words.first() == QLatin1String("env"))
        for (program = 1; program < words.size() && words[program].contains(u'='); ++program) {
        }
    return words.value(program).replace(QStringLiteral("%%"), QStringLiteral("%"));
}

bool isInstalled(const QString& program) {
    // A bare name is looked up on the PATH of the session that runs the entry, which this
    // start's (a terminal's, a shortcut's) may not be: a wrapper of the user's stays.
    if (!program.contains(QLatin1Char('/')))
        return !program.isEmpty();
    const QFileInfo info(program);
    return info.isFile() && info.isExecutable();
}

// The user's entry with what this program owns set right: a command that names a program no
// longer there (this one moved) becomes this program's; every other line stays as the user
// wrote it (a delay, arguments, a translated name). An entry with no command is written anew.
QByteArray mendedEntry(const QByteArray& text, const QByteArray& ours) {
    QByteArray ourExec, ourTryExec;
    for (const QByteArray& line : ours.split('\n')) {
        if (line.startsWith("Exec="))
            ourExec = line;
        else if (line.startsWith("TryExec="))
            ourTryExec = line;
    }
    bool hasCommand = false;
    const QByteArray mended =
        eachMainKey(text, [&](const QByteArray& key, const QByteArray& value, QByteArray& line) {
            const bool command = key == "Exec";
            hasCommand = hasCommand || command;
            if ((command || key == "TryExec") && !isInstalled(programOf(value, command)))
                line = command ? ourExec : ourTryExec;
        });
    return hasCommand ? mended : ours;
}

// Whether the text is the entry some copy of the program writes, as it wrote it: one the user
// never touched.
bool isUnedited(const QByteArray& text, const QString& folder) {
    QString program;
    eachMainKey(text, [&program](const QByteArray& key, const QByteArray& value, QByteArray&) {
        if (key == "TryExec")
            program = programOf(value, false);
    });
    return !program.isEmpty() && LogonStart(folder, program).entryText() == text;
}

} // namespace

LogonStart::LogonStart(QString folder, QString program)
    : folder_(std::move(folder)), program_(std::move(program)) {
    // A name the entry cannot carry falls back to the one on the PATH.
    if (program_.isEmpty() || hasControlCharacter(program_))
        program_ = QStringLiteral("kestrovaline");
}

bool LogonStart::IsWanted(const Options& options, bool desktopForgetsWallpaper) {
    return options.Automatic != 0 || options.AutoStart != 0 || desktopForgetsWallpaper;
}

QString LogonStart::filePath() const {
    return QDir(folder_).filePath(kFileName);
}

QByteArray LogonStart::entryText() const {
    QString tryExec = program_;
    tryExec.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    // GLib looks for the command's program before it turns "%%" back into "%", and so refuses
    // the entry of a program whose path has one; env, found on the PATH, runs it instead.
    const QString command = program_.contains(QLatin1Char('%'))
                                ? QStringLiteral("env ") + execArgument(program_)
                                : execArgument(program_);
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Kestrovaline\n"
                          "Comment=Change the wallpaper at logon and stay in the notification "
                          "area\n"
                          "Exec=%1 -logon\n"
                          "TryExec=%2\n"
                          "Icon=kestrovaline\n"
                          "Terminal=false\n"
                          "NoDisplay=true\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(command, tryExec)
        .toUtf8();
}

LogonStart::Outcome LogonStart::Update(bool wanted, Settings& settings) const {
    const QString kept = settings.ReadSetting(kKeptEntry, QString());
    const Outcome outcome = update(wanted, kept == filePath());
    const bool keep = wanted && (kept == filePath() || QFileInfo::exists(filePath()));
    const QString nowKept = keep ? filePath() : QString();
    if (nowKept != kept)
        settings.WriteSetting(kKeptEntry, nowKept);
    return outcome;
}

LogonStart::Outcome LogonStart::update(bool wanted, bool wasKept) const {
    QFile current(filePath());
    const bool present = current.exists();
    // Gone since it was last seen: removed by the user, maybe in the desktop's autostart
    // settings.
    if (!present && wanted && wasKept)
        return Outcome::LeftToUser;
    QByteArray text;
    if (present) {
        // An entry that cannot be read may be one the user switched off: it is left alone.
        if (!current.open(QIODevice::ReadOnly))
            return Outcome::LeftToUser;
        text = current.readAll();
        current.close();
        if (switchedOffByUser(text))
            return Outcome::LeftToUser;
    }
    // An entry another copy wrote and the user left as it was (a build's, before the program
    // was installed) is this copy's to take over, or to remove.
    const bool unedited = present && isUnedited(text, folder_);
    if (!wanted) {
        if (!present)
            return Outcome::Unchanged;
        if (!unedited)
            return Outcome::LeftToUser;
        return current.remove() ? Outcome::Removed : Outcome::Failed;
    }
    const QByteArray entry = present && !unedited ? mendedEntry(text, entryText()) : entryText();
    if (present && text == entry)
        return Outcome::Unchanged;
    // Written whole or not at all: a desktop reading the folder at logon never sees half a file.
    if (!QDir().mkpath(folder_))
        return Outcome::Failed;
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(entry) != entry.size() || !file.commit())
        return Outcome::Failed;
    return Outcome::Written;
}

} // namespace kv
