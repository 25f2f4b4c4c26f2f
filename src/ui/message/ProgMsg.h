// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/TwipsDialog.h"

#include <QString>

#include <functional>

class QCheckBox;
class QLabel;
class QScrollArea;
class QPushButton;

namespace kv {

class MessageSwitches;

// The program's own modal message box: one text, an information or question picture, one or two
// picture buttons and, for the kinds the user may switch off, "Do not show this message again".
// One instance lives for the whole run; answering only hides it.
class ProgMsg final : public TwipsDialog {
    Q_OBJECT
public:
    ProgMsg(MessageSwitches& switches, QWidget* owner);

    // What the next showing displays.
    void setMessageKind(int kind) { kind_ = kind; }
    int messageKind() const { return kind_; }
    void setMessage(const QString& text);
    QString message() const;

    // Shows the dialog modally and returns its answer: 1 confirm, 0 cancel, -1 when it was hidden
    // without an answer. Timers and other events keep running while it waits.
    int showModal();
    int result() const { return result_; }
    // True from the moment a showing starts until its answer has been handed back.
    bool isBusy() const { return busy_; }

    // The one operation behind both buttons: stores the check box as the kind's switch, records
    // the answer and hides the dialog, which ends the modal showing.
    void CloseWithResult(int value);

    // Test seam; the program never uses it. The hook runs as TwipsDialog::setShownHook says.
    void setShownHookForTest(std::function<void(ProgMsg&)> hook) {
        setShownHook([this, hook = std::move(hook)] { hook(*this); });
    }

    QLabel* messageLabel() const { return msg_; }
    QLabel* informationPicture() const { return iconInfo_; }
    QLabel* questionPicture() const { return iconAsk_; }
    QPushButton* setButton() const { return set_; }
    QPushButton* closeButton() const { return close_; }
    QCheckBox* displayCheckBox() const { return display_; }

    static QString titleFor(int kind);
    static bool isQuestion(int kind);
    static bool offersDoNotShowAgain(int kind);

public Q_SLOTS:
    void Set_Click() { CloseWithResult(1); }
    void Close_Click() { CloseWithResult(0); }
    // Esc: the cancel button when there is one; an information message answers as its window's
    // close command does.
    void reject() override;

protected:
    // The cancel button when there is one, else the only one.
    void answerCloseCommand() override;

private:
    void Form_Activate();
    // The text as tall as it needs, or as the screen leaves it, scrolling the rest.
    void fitTextToScreen();

    MessageSwitches& switches_;
    QLabel* msg_ = nullptr;
    QScrollArea* textArea_ = nullptr;
    QLabel* iconInfo_ = nullptr;
    QLabel* iconAsk_ = nullptr;
    QPushButton* set_ = nullptr;
    QPushButton* close_ = nullptr;
    QCheckBox* display_ = nullptr;

    QString message_;
    int kind_ = 0;
    int result_ = -1;
    bool busy_ = false;
};

} // namespace kv
