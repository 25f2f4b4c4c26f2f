// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/MessageSwitches.h"
#include "ui/message/DialogAskUser.h"
#include "ui/message/ProgMsg.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

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

    struct Fixture {
        MemoryMessageSwitches switches;
        ProgMsg dialog{switches, nullptr};
        DialogAskUser askUser{dialog, switches};
        QString look; // of the last showing, as Row::look
        QPoint at;    // where the last showing stood
        int nested = 99;

        // Asks, and while the dialog is up does the comma-separated steps of `input`.
        int ask(int kind, const QString& input, const QString& text = QStringLiteral("text")) {
            look.clear();
            dialog.setShownHookForTest([this, input](ProgMsg& d) {
                // A mark '!' for anything out of place: both pictures or none, a ticked or
                // missing check box or Set button, the title of another kind.
                const bool question = d.questionPicture()->isVisible();
                const bool wrong = d.informationPicture()->isVisible() == question ||
                                   d.displayCheckBox()->isChecked() ||
                                   !d.setButton()->isVisible() ||
                                   d.windowTitle() != ProgMsg::titleFor(d.messageKind());
                look = QLatin1String(question ? "Q" : "I") + QLatin1String(wrong ? "!" : "") +
                       QLatin1String(d.closeButton()->isVisible() ? "c" : "") +
                       QLatin1String(d.displayCheckBox()->isVisible() ? "b" : "");
                at = d.pos();
                const std::map<QString, Qt::Key> keys{{QStringLiteral("Return"), Qt::Key_Return},
                                                      {QStringLiteral("Enter"), Qt::Key_Enter},
                                                      {QStringLiteral("Esc"), Qt::Key_Escape}};
                for (const QString& step : input.split(u',')) {
                    if (step == QLatin1String("tick"))
                        d.displayCheckBox()->setChecked(true);
                    else if (step == QLatin1String("set"))
                        d.setButton()->click();
                    else if (step == QLatin1String("close"))
                        d.closeButton()->click();
                    else if (step == QLatin1String("x")) {
                        d.move(100, 60);
                        d.close();
                    } else if (step == QLatin1String("hide"))
                        d.hide();
                    else if (step == QLatin1String("again"))
                        nested = askUser.ask(MessageKind::Exit, QStringLiteral("second"));
                    else
                        QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d, keys.at(step));
                }
            });
            return askUser.ask(static_cast<MessageKind>(kind), text);
        }
        QString confirms() const {
            QString s;
            for (int kind = 1; kind <= 4; ++kind)
                s += QString::number(switches.confirm(kind));
            return s;
        }
    };

private Q_SLOTS:
    // `off`: the kind's switch is off before the question (all of them for help and exit).
    void ask_data() {
        QTest::addColumn<Row>("row");
        const auto row = [](const char* name, Row r) {
            QTest::newRow(name) << r;
        };
        row("startup, Set", {1, false, "set", 1, "1111", "Ib"});
        row("startup ticked, Set", {1, false, "tick,set", 1, "0111", "Ib"});
        row("autochange ticked", {2, false, "tick,set", 1, "1011", "Ib"});
        row("disk ticked", {3, false, "tick,set", 1, "1101", "Ib"});
        row("delete ticked, Set", {4, false, "tick,set", 1, "1110", "Qcb"});
        row("delete ticked, Close", {4, false, "tick,close", 0, "1110", "Qcb"});
        row("delete, Close", {4, false, "close", 0, "1111", "Qcb"});
        row("help, Set", {5, false, "set", 1, "1111", "Qc"});
        row("exit, Close", {6, false, "close", 0, "1111", "Qc"});
        row("unknown kind", {9, false, "set", 1, "1111", "I"});
        row("startup switched off", {1, true, "set", -1, "0111", ""});
        row("autochange switched off", {2, true, "set", -1, "1011", ""});
        row("disk switched off", {3, true, "set", -1, "1101", ""});
        row("delete switched off", {4, true, "set", -1, "1110", ""});
        row("help ignores the switches", {5, true, "close", 0, "0000", "Qc"});
        row("exit ignores the switches", {6, true, "set", 1, "0000", "Qc"});
        row("information, Enter", {1, false, "Return", 1, "1111", "Ib"});
        row("information, keypad Enter", {2, false, "Enter", 1, "1111", "Ib"});
        row("information, Esc", {3, false, "Esc", 1, "1111", "Ib"});
        row("question, Enter", {4, false, "Return", 1, "1111", "Qcb"});
        row("question, Esc", {6, false, "Esc", 0, "1111", "Qc"});
        row("window closed: question", {4, false, "x", 0, "1111", "Qcb"});
        row("window closed: ticked", {4, false, "tick,x", 0, "1110", "Qcb"});
        row("window closed: exit", {6, false, "x", 0, "1111", "Qc"});
        row("window closed: information", {2, false, "x", 1, "1111", "Ib"});
        row("hidden without an answer", {6, false, "hide", -1, "1111", "Qc"});
        row("second request while open", {4, false, "again,close", 0, "1111", "Qcb"});
    }
    void ask() {
        QFETCH(Row, row);
        Fixture f;
        // A showing before, ticked, must leave nothing behind: look, title, check box.
        QCOMPARE(f.ask(4, QStringLiteral("tick,set")), 1);
        f.switches.setConfirm(4, 1);
        for (int k = 1; row.off && k <= 4; ++k)
            f.switches.setConfirm(k, k == row.kind || row.kind > 4 ? 0 : 1);
        QCOMPARE(f.ask(row.kind, row.input, QStringLiteral("<b>a&b</b>")), row.result);
        QVERIFY(!f.dialog.isVisible());
        QCOMPARE(f.look, row.look);
        // Nothing shown leaves the last text; a refused second request leaves the first's.
        QCOMPARE(f.dialog.message(), QString::fromLatin1(f.look.isEmpty() ? "text" : "<b>a&b</b>"));
        QVERIFY(f.look.isEmpty() || f.dialog.messageKind() == row.kind);
        QCOMPARE(f.confirms(), row.confirms);
        QVERIFY(!row.input.contains(QLatin1String("again")) || f.nested == -1);
        // Another kind is still asked, and the dialog stands where the user left it.
        QCOMPARE(f.ask(6, QStringLiteral("set")), 1);
        if (row.input.contains(u'x')) {
            QCOMPARE(f.at, QPoint(100, 60));
            QCOMPARE(f.dialog.positionTwips(), QPoint(1500, 900));
        }
    }

    void timersKeepTickingWhileTheDialogIsOpen() {
        Fixture f;
        int ticksWhileShown = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] {
            if (f.dialog.isVisible() && ++ticksWhileShown == 3)
                f.dialog.setButton()->click();
        });
        timer.start(1);
        QCOMPARE(f.askUser.ask(MessageKind::Exit, QStringLiteral("sure?")), 1);
        QCOMPARE(ticksWhileShown, 3);
    }
};

QTEST_MAIN(TestMessageDialog)
#include "tst_message_dialog.moc"
