// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kv {

// The kinds of the program's own message dialog; kinds 1 to 4 can be switched off by the user.
enum class MessageKind : int {
    StartupReport = 1,
    ChangeFailed = 2,
    Browser = 3,
    Confirm = 4,
    Help = 5,
    Exit = 6,
    // The settings store failed (opening or saving); outside the six kinds of the dialog, so it
    // is always shown, in the plain information look.
    StoreFailed = 7,
    // An addition stopped at the collection's size limit; like StoreFailed always shown, since
    // the files left highlighted would otherwise look added.
    CollectionFull = 8,
    // The exit question after a failed save: the exit would lose the session's changes, so the
    // answer an Enter gives is to keep running.
    ExitUnsaved = 9,
};

// The one way the program's logic asks the user something. Answers: 1 confirm, 0 cancel,
// -1 when nothing was shown (the kind is switched off, or the dialog is already open).
class AskUser {
public:
    virtual ~AskUser() = default;
    virtual int ask(MessageKind kind, const QString& message) = 0;
    // Closes the open message of that kind unanswered (its ask gives -1): what it says no longer
    // holds, as a change that failed once a later one has succeeded.
    virtual void withdraw(MessageKind kind) { Q_UNUSED(kind); }
};

} // namespace kv
