#include "ui/message/MessageBoxAskUser.h"

#include <QMessageBox>

namespace kv {

int MessageBoxAskUser::ask(MessageKind, const QString& message) {
    const auto answer = QMessageBox::question(parent_, QStringLiteral("Kestrovaline"), message);
    return answer == QMessageBox::Yes ? 1 : 0;
}

} // namespace kv
