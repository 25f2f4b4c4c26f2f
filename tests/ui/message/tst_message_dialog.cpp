// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/MessageSwitches.h"
#include "ui/OnScreen.h"
#include "ui/message/DialogAskUser.h"
#include "ui/message/ProgMsg.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTest>

#include <limits>

using namespace kv;

class TestMessageDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // "Do not show again" and the answers: the kind asked, its switch on or off before (all of
    // them for help and exit, which ignore them), the comma-separated steps done while the
    // dialog is up, the answer, the four switches after, and the look of the dialog: Q question
    // or I information, c Close, b check box; "-" not shown. The text names a file in /home/user/
    // with as many letters as given last (139: a path of 150 characters); it all shows, scrolled
    // where it is taller than the screen, and only then a stop of Tab (s).
    void ask_data() {
        QTest::addColumn<QString>("row");
        QTest::newRow("startup ticked, Set") << "1 on tick,set 1 0111 Ib";
        QTest::newRow("delete ticked, Close") << "4 on tick,close 0 1110 Qcb";
        QTest::newRow("delete, Close") << "4 on close 0 1111 Qcb";
        QTest::newRow("startup switched off") << "1 off set -1 0111 -";
        QTest::newRow("help ignores the switches") << "5 off close 0 0000 Qc";
        QTest::newRow("exit ignores the switches") << "6 off set 1 0000 Qc";
        QTest::newRow("information, Esc") << "3 on Esc 1 1111 Ib";
        QTest::newRow("question, Enter") << "4 on Return 1 1111 Qcb";
        QTest::newRow("question, Esc") << "6 on Esc 0 1111 Qc";
        QTest::newRow("exit losing the changes, Enter") << "9 on Return 0 1111 Qc";
        QTest::newRow("window closed: ticked") << "4 on tick,x 0 1110 Qcb";
        QTest::newRow("window closed: information") << "2 on x 1 1111 Ib";
        QTest::newRow("hidden without an answer") << "6 on hide -1 1111 Qc";
        QTest::newRow("second request while open") << "4 on again,close 0 1111 Qcb";
        QTest::newRow("withdrawn, ticked") << "2 on tick,withdraw -1 1111 Ib";
        QTest::newRow("another kind withdrawn") << "1 on withdraw,set 1 1111 Ib";
        QTest::newRow("long file name") << "1 on set 1 1111 Ib 139";
        QTest::newRow("text taller than the screen") << "1 on set 1 1111 Ibs 10000";
    }
    void ask() {
        QFETCH(QString, row);
        const QStringList c = row.split(u' ');
        const int asked = c[0].toInt();
        MemoryMessageSwitches switches;
        ProgMsg dialog{switches, nullptr};
        DialogAskUser askUser{dialog, switches};
        QString look = QStringLiteral("-"); // of the last showing
        int nested = 99;
        // Asks, and while the dialog is up does the comma-separated steps of `input`.
        bool textFits = false; // in the label, at the last showing
        bool onScreen = false; // the dialog's height
        const auto ask = [&](int kind, const QString& input, const QString& text = "?") {
            look = QStringLiteral("-");
            dialog.setShownHookForTest([&, input](ProgMsg& d) {
                const QLabel* label = d.messageLabel();
                textFits = label->contentsRect().contains(label->fontMetrics().boundingRect(
                    label->contentsRect(), label->alignment() | Qt::TextWordWrap, label->text()));
                onScreen = d.frameGeometry().height() <= d.screen()->availableGeometry().height();
                look = QLatin1String(d.questionPicture()->isVisible() ? "Q" : "I") +
                       QLatin1String(d.closeButton()->isVisible() ? "c" : "") +
                       QLatin1String(d.displayCheckBox()->isVisible() ? "b" : "") +
                       QLatin1String(d.findChild<QScrollArea*>()->focusPolicy() ? "s" : "");
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
                    else if (step == QLatin1String("withdraw"))
                        askUser.withdraw(MessageKind::ChangeFailed);
                    else if (step == QLatin1String("again"))
                        nested = askUser.ask(MessageKind::Exit, QStringLiteral("second"));
                    else
                        QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d,
                                        step == QLatin1String("Esc") ? Qt::Key_Escape
                                                                     : Qt::Key_Return);
                }
            });
            return askUser.ask(static_cast<MessageKind>(kind), text);
        };
        // A showing before, ticked, must leave no tick behind.
        QCOMPARE(ask(4, QStringLiteral("tick,set")), 1);
        switches.setConfirm(4, 1);
        for (int k = 1; c[1] == QLatin1String("off") && k <= 4; ++k)
            switches.setConfirm(k, k == asked || asked > 4 ? 0 : 1);
        const QString text = QStringLiteral("Unable to find image file '/home/user/%1' !")
                                 .arg(QString(c.value(6).toInt(), u'x'));
        QCOMPARE(ask(asked, c[2], text), c[3].toInt());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(look, c[5]);
        QVERIFY(textFits);
        QVERIFY(onScreen);
        QVERIFY(look == QLatin1String("-") || dialog.message() == text);
        QString confirms;
        for (int k = 1; k <= 4; ++k)
            confirms += QString::number(switches.confirm(k));
        QCOMPARE(confirms, c[4]);
        QVERIFY(!c[2].contains(QLatin1String("again")) || nested == -1);
        // Another kind is still asked, with its own default.
        QCOMPARE(ask(6, QStringLiteral("Return")), 1);
    }

    // Where a window goes to lie wholly on a screen: the primary screen's free part is 1280 x 1000
    // at 0,0 (a panel below), a second monitor's 1920 x 1080 to its right.
    void keptOnScreen_data() {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QPoint>("placed");
        const auto row = [](const char* tag, QRect frame, QPoint placed) {
            QTest::newRow(tag) << frame << placed;
        };
        constexpr int huge = std::numeric_limits<int>::max() / 15;
        row("fits", {100, 100, 400, 300}, {100, 100});
        row("fits on the second monitor", {1500, 700, 400, 300}, {1500, 700});
        row("past the right edge", {3000, 100, 400, 300}, {2800, 100});
        row("past the bottom", {100, 900, 400, 300}, {100, 700});
        row("past both", {3000, 1000, 400, 300}, {2800, 780});
        row("mostly on the primary monitor", {1000, 100, 400, 300}, {880, 100});
        row("mostly on the second monitor", {1200, 900, 400, 300}, {1280, 780});
        row("larger than the area", {300, 200, 1500, 1200}, {0, 0});
        row("wider than the area", {500, 100, 1400, 300}, {0, 100});
        row("on a monitor gone from the left", {-1500, 300, 400, 300}, {0, 300});
        row("on a monitor gone from above", {200, -900, 400, 300}, {200, 0});
        row("huge negative values", {-huge, -huge, 400, 300}, {0, 0});
        row("huge values", {huge, huge, 400, 300}, {880, 700});
    }
    void keptOnScreen() {
        QFETCH(QRect, frame);
        const QList<QRect> areas{{0, 0, 1280, 1000}, {1280, 0, 1920, 1080}};
        QTEST(TopLeftWithin(frame, AreaHoldingMost(frame, areas)), "placed");
    }

    // A stored position the message would not fit at: the dialog opens wholly on the screen, and
    // the position stays stored until the user moves it. A short message there later opens
    // where it was stored. Positions in pixels (15 twips each); "moved" is where the user moves
    // the dialog while it is up.
    void keptOnScreenWhereStored_data() {
        QTest::addColumn<QPoint>("stored");
        QTest::addColumn<int>("length");
        QTest::addColumn<QPoint>("moved");
        const auto row = [](const char* tag, QPoint stored, int length, QPoint moved = {}) {
            QTest::newRow(tag) << stored << length << moved;
        };
        constexpr int huge = std::numeric_limits<int>::max() / 15;
        row("fits", {40, 30}, 20);
        row("long text placed low", {40, 400}, 4000);
        row("hand-edited, huge", {huge, huge}, 20);
        row("hand-edited, negative", {-huge, -huge}, 20);
        row("moved by the user", {40, 400}, 4000, {30, 20});
    }
    void keptOnScreenWhereStored() {
        QFETCH(QPoint, stored);
        QFETCH(int, length);
        QFETCH(QPoint, moved);
        MemoryMessageSwitches switches;
        ProgMsg dialog{switches, nullptr};
        DialogAskUser askUser{dialog, switches};
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        dialog.setRestoredPosition(stored * 15);
        for (const QString& text : {QString(length, u'w'), QStringLiteral("short")}) {
            QRect frame;
            dialog.setShownHookForTest([&](ProgMsg& d) {
                frame = d.frameGeometry();
                if (!moved.isNull())
                    d.move(moved);
                d.close();
            });
            askUser.ask(MessageKind::ChangeFailed, text);
            QVERIFY(screen.contains(frame));
            const QPoint expected = moved.isNull() ? stored : moved;
            QCOMPARE(dialog.positionTwips(), expected * 15);
            if (screen.contains(QRect(expected, frame.size())))
                QCOMPARE(frame.topLeft(), expected);
        }
    }
};

QTEST_MAIN(TestMessageDialog)
#include "tst_message_dialog.moc"
