// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LogonStart.h"

#include "engine/Options.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace kv {
namespace {

const QString kFileName = QStringLiteral("kestrovaline.desktop");

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

// Hidden=true or X-GNOME-Autostart-enabled=false in the entry's main group: the user's choice,
// made in the desktop's autostart settings or by hand.
bool switchedOffByUser(const QByteArray& text) {
    bool inEntry = false;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inEntry || equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed().toLower();
        if (key == "Hidden" && value == "true")
            return true;
        if (key == "X-GNOME-Autostart-enabled" && value == "false")
            return true;
    }
    return false;
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
        .arg(execArgument(program_), tryExec)
        .toUtf8();
}

LogonStart::Outcome LogonStart::Update(bool wanted) const {
    QFile current(filePath());
    const bool present = current.exists();
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
    if (!wanted) {
        if (!present)
            return Outcome::Unchanged;
        return current.remove() ? Outcome::Removed : Outcome::Failed;
    }
    const QByteArray entry = entryText();
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
