// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/MessageSwitches.h"
#include "ui/message/DialogAskUser.h"
#include "ui/message/ProgMsg.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace kv;

namespace {
struct Row {
    int kind;
    bool off;
    QString input;
    int result;
    QString confirms; // the four switches after the question
    QString look;     // Q question or I information, c Close, b check box; empty: not shown
};
} // namespace
Q_DECLARE_METATYPE(Row)

class TestMessageDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // "Do not show again" and the answers. `off`: the kind's switch is off before the question
    // (all of them for help and exit, which ignore them).
    void ask_data() {
        QTest::addColumn<Row>("row");
        const auto row = [](const char* name, Row r) {
            QTest::newRow(name) << r;
        };
        row("startup ticked, Set", {1, false, "tick,set", 1, "0111", "Ib"});
        row("delete ticked, Close", {4, false, "tick,close", 0, "1110", "Qcb"});
        row("delete, Close", {4, false, "close", 0, "1111", "Qcb"});
        row("startup switched off", {1, true, "set", -1, "0111", ""});
        row("help ignores the switches", {5, true, "close", 0, "0000", "Qc"});
        row("exit ignores the switches", {6, true, "set", 1, "0000", "Qc"});
        row("information, Esc", {3, false, "Esc", 1, "1111", "Ib"});
        row("question, Enter", {4, false, "Return", 1, "1111", "Qcb"});
        row("question, Esc", {6, false, "Esc", 0, "1111", "Qc"});
        row("window closed: ticked", {4, false, "tick,x", 0, "1110", "Qcb"});
        row("window closed: information", {2, false, "x", 1, "1111", "Ib"});
        row("hidden without an answer", {6, false, "hide", -1, "1111", "Qc"});
        row("second request while open", {4, false, "again,close", 0, "1111", "Qcb"});
    }
    void ask() {
        QFETCH(Row, row);
        MemoryMessageSwitches switches;
        ProgMsg dialog{switches, nullptr};
        DialogAskUser askUser{dialog, switches};
        QString look; // of the last showing, as Row::look
        int nested = 99;
        // Asks, and while the dialog is up does the comma-separated steps of `input`.
        const auto ask = [&](int kind, const QString& input) {
            look.clear();
            dialog.setShownHookForTest([&, input](ProgMsg& d) {
                look = QLatin1String(d.questionPicture()->isVisible() ? "Q" : "I") +
                       QLatin1String(d.closeButton()->isVisible() ? "c" : "") +
                       QLatin1String(d.displayCheckBox()->isVisible() ? "b" : "");
                for (const QString& step : input.split(u',')) {
                    if (step == QLatin1String("tick"))
                        d.displayCheckBox()->setChecked(true);
                    else if (step == QLatin1String("set"))
                        d.setButton()->click();
                    else if (step == QLatin1String("close"))
                        d.closeButton()->click();
                    else if (step == QLatin1String("x"))
                        d.close();
                    else if (step == QLatin1String("hide"))
                        d.hide();
                    else if (step == QLatin1String("again"))
                        nested = askUser.ask(MessageKind::Exit, QStringLiteral("second"));
                    else
                        QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d,
                                        step == QLatin1String("Esc") ? Qt::Key_Escape
                                                                     : Qt::Key_Return);
                }
            });
            return askUser.ask(static_cast<MessageKind>(kind), QStringLiteral("text"));
        };
        // A showing before, ticked, must leave no tick behind.
        QCOMPARE(ask(4, QStringLiteral("tick,set")), 1);
        switches.setConfirm(4, 1);
        for (int k = 1; row.off && k <= 4; ++k)
            switches.setConfirm(k, k == row.kind || row.kind > 4 ? 0 : 1);
        QCOMPARE(ask(row.kind, row.input), row.result);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(look, row.look);
        QString confirms;
        for (int k = 1; k <= 4; ++k)
            confirms += QString::number(switches.confirm(k));
        QCOMPARE(confirms, row.confirms);
        QVERIFY(!row.input.contains(QLatin1String("again")) || nested == -1);
        // Another kind is still asked.
        QCOMPARE(ask(6, QStringLiteral("set")), 1);
    }
};

QTEST_MAIN(TestMessageDialog)
#include "tst_message_dialog.moc"
