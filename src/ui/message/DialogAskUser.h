// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/AskUser.h"

namespace kv {

class MessageSwitches;
class ProgMsg;

// Asks through the program's own message dialog. Kinds the user has switched off, and any
// question while the dialog is already up, get -1 at once and show nothing: a message asked for
// by a timer while the user answers another is dropped rather than stacked.
class DialogAskUser final : public AskUser {
public:
    DialogAskUser(ProgMsg& dialog, const MessageSwitches& switches)
        : dialog_(dialog), switches_(switches) {}
    int ask(MessageKind kind, const QString& message) override;

private:
    ProgMsg& dialog_;
    const MessageSwitches& switches_;
};

} // namespace kv
