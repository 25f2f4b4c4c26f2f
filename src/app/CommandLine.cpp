// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QCoreApplication>

namespace kv {

CommandLine CommandLine::parse(const QStringList& argumentsWithoutProgram) {
    CommandLine line;
    line.argumentString = argumentsWithoutProgram.join(QLatin1Char(' ')).toLower();
    if (line.argumentString == QLatin1String("-close"))
        line.mode = Mode::Close;
    else if (line.argumentString == QLatin1String("-logon"))
        line.mode = Mode::Logon;
    else if (line.argumentString == QLatin1String("-next"))
        line.mode = Mode::Next;
    else if (line.argumentString == QLatin1String("--help") ||
             line.argumentString == QLatin1String("-h"))
        line.mode = Mode::Help;
    else if (line.argumentString == QLatin1String("--version"))
        line.mode = Mode::Version;
    return line;
}

QString usageText() {
    // The switches are the same in every language; the translation keeps them as they stand.
    return QCoreApplication::translate(
        "kv::CommandLine",
        "Usage: kestrovaline [-logon | -next | -close | --help | --version]\n"
        "\n"
        "Kestrovaline changes your desktop wallpaper from a collection you build:\n"
        "at logon, periodically or at a time of day, in list order or at random.\n"
        "\n"
        "  (no argument)  start, or bring the running copy's window forward\n"
        "  -logon         make the logon change, then stay in the notification area\n"
        "  -next          change the wallpaper now: the running copy does, else this start\n"
        "                 does and ends (exit status 1 when it could not, or when the\n"
        "                 running copy did not answer)\n"
        "  -close         ask the running copy to save and end\n"
        "  --help, -h     show this text\n"
        "  --version      show the version and the desktop found\n");
}

QString unknownArgumentsText(const QStringList& argumentsWithoutProgram) {
    QStringList quoted;
    for (QString argument : argumentsWithoutProgram) {
        // As typed, but no character of it may steer the terminal or reorder the line.
        for (QChar& character : argument)
            if (character.category() == QChar::Other_Control ||
                character.category() == QChar::Other_Format)
                character = u'?';
        quoted << u'"' + argument + u'"';
    }
    return QCoreApplication::translate(
               "kv::CommandLine",
               "kestrovaline: arguments not understood, so ignored: %1 (see kestrovaline --help)\n")
        .arg(quoted.join(u' '));
}

} // namespace kv
