// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/AskUser.h"

#include <QList>
#include <QScopedValueRollback>
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

    // Like the real dialog, a question while one is open shows nothing.
    int ask(MessageKind kind, const QString& message) override {
        if (open_) {
            ++askedWhileOpen;
            return -1;
        }
        asked.append({kind, message});
        const QScopedValueRollback open(open_, true);
        if (whileAsking)
            whileAsking();
        return answer_;
    }
    void withdraw(MessageKind kind) override { withdrawn += open_ && asked.last().kind == kind; }
    void setAnswer(int answer) { answer_ = answer; }

    QList<Question> asked;
    int askedWhileOpen = 0;
    int withdrawn = 0;
    // What happens while the question is open: its dialog's event loop lets timers run.
    std::function<void()> whileAsking;

private:
    int answer_;
    bool open_ = false;
};

} // namespace kv::test
