// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace kv {

// How the program was asked to start. The switches compare with the whole argument string,
// lower-cased, so "-LOGON" is a logon start and "-logon now" a normal one.
struct CommandLine {
    enum class Mode { Normal, Close, Logon, Next, Help, Version };

    Mode mode = Mode::Normal;
    QString argumentString;

    static CommandLine parse(const QStringList& argumentsWithoutProgram);

    bool isClose() const { return mode == Mode::Close; }
    bool isLogon() const { return mode == Mode::Logon; }
    bool isNext() const { return mode == Mode::Next; }
};

QString usageText();
// Said on standard error when the arguments are none of the switches: the start goes on as one
// without arguments, but a script's author learns why "--close" closed nothing.
QString unknownArgumentsText(const QStringList& argumentsWithoutProgram);

} // namespace kv
