// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/message/DialogAskUser.h"

#include "common/MessageSwitches.h"
#include "ui/message/ProgMsg.h"

#include <QScopedValueRollback>

namespace kv {

int DialogAskUser::ask(MessageKind kind, const QString& message) {
    const int number = static_cast<int>(kind);
    if (MessageSwitches::isSwitchable(number) && switches_.confirm(number) == 0)
        return -1;
    ProgMsg& dialog = dialog_();
    if (dialog.isVisible() || dialog.isBusy())
        return -1;
    dialog.setMessageKind(number);
    dialog.setMessage(message);
    const QScopedValueRollback open(open_, std::optional(kind));
    return dialog.showModal();
}

void DialogAskUser::withdraw(MessageKind kind) {
    if (open_ == kind)
        dialog_().hide();
}

} // namespace kv
