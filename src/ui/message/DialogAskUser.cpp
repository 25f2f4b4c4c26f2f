// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/message/DialogAskUser.h"

#include "engine/MessageSwitches.h"
#include "ui/message/ProgMsg.h"

namespace kv {

int DialogAskUser::ask(MessageKind kind, const QString& message) {
    const int number = static_cast<int>(kind);
    if (MessageSwitches::isSwitchable(number) && switches_.confirm(number) == 0)
        return -1;
    if (dialog_.isVisible() || dialog_.isBusy())
        return -1;
    dialog_.setMessageKind(number);
    dialog_.setMessage(message);
    return dialog_.showModal();
}

} // namespace kv
