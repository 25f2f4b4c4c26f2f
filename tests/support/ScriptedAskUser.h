// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/AskUser.h"

#include <QList>
#include <QString>

#include <functional>

namespace kv::test {

// Answers every question with a scripted answer and remembers what was asked.
class ScriptedAskUser final : public AskUser {
public:
    struct Question {
        MessageKind kind;
        QString message;
    };

    explicit ScriptedAskUser(int answer = 1) : answer_(answer) {}

    int ask(MessageKind kind, const QString& message) override {
        asked.append({kind, message});
        if (whileAsking)
            whileAsking();
        return answer_;
    }
    void setAnswer(int answer) { answer_ = answer; }

    QList<Question> asked;
    // What happens while the question is open: its dialog's event loop lets timers run.
    std::function<void()> whileAsking;

private:
    int answer_;
};

} // namespace kv::test
