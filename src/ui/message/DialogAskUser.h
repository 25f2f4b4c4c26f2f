// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/AskUser.h"

#include <functional>
#include <optional>
#include <utility>

namespace kv {

class MessageSwitches;
class ProgMsg;

// Asks through the program's own message dialog. Kinds the user has switched off, and any
// question while the dialog is already up, get -1 at once and show nothing: a message asked for
// by a timer while the user answers another is dropped rather than stacked. The dialog may be
// built only when a message first needs it.
class DialogAskUser final : public AskUser {
public:
    DialogAskUser(std::function<ProgMsg&()> dialog, const MessageSwitches& switches)
        : dialog_(std::move(dialog)), switches_(switches) {}
    DialogAskUser(ProgMsg& dialog, const MessageSwitches& switches)
        : DialogAskUser([&dialog]() -> ProgMsg& { return dialog; }, switches) {}
    int ask(MessageKind kind, const QString& message) override;
    void withdraw(MessageKind kind) override;

private:
    std::function<ProgMsg&()> dialog_;
    const MessageSwitches& switches_;
    std::optional<MessageKind> open_;
};

} // namespace kv
