#pragma once

#include "engine/AskUser.h"

class QWidget;

namespace kv {

// Asks through a standard message box, parented to the main window.
class MessageBoxAskUser final : public AskUser {
public:
    explicit MessageBoxAskUser(QWidget* parent) : parent_(parent) {}
    int ask(MessageKind kind, const QString& message) override;

private:
    QWidget* parent_;
};

} // namespace kv
