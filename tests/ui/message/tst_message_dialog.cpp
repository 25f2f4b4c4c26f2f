// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/MessageSwitches.h"
#include "ui/message/DialogAskUser.h"
#include "ui/message/ProgMsg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace kv;

namespace {

// What the dialog showed, read while it was up.
struct Seen {
    bool shown = false;
    QString title;
    QString text;
    bool information = false;
    bool question = false;
    bool setButton = false;
    bool closeButton = false;
    bool checkBox = false;
    bool checkBoxTicked = false;
    QPoint position;
};

Seen look(ProgMsg& dialog) {
    Seen seen;
    seen.shown = dialog.isVisible();
    seen.title = dialog.windowTitle();
    seen.text = dialog.message();
    seen.information = dialog.informationPicture()->isVisible();
    seen.question = dialog.questionPicture()->isVisible();
    seen.setButton = dialog.setButton()->isVisible();
    seen.closeButton = dialog.closeButton()->isVisible();
    seen.checkBox = dialog.displayCheckBox()->isVisible();
    seen.checkBoxTicked = dialog.displayCheckBox()->isChecked();
    seen.position = dialog.pos();
    return seen;
}

// Sends a key where the user's key would go: the dialog's focused control.
void press(ProgMsg& dialog, Qt::Key key) {
    QWidget* target = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
    QTest::keyClick(target, key);
}

const QString kBase = QStringLiteral("Kestrovaline wallpaper manager");

} // namespace

class TestMessageDialog : public QObject {
    Q_OBJECT

    struct Fixture {
        MemoryMessageSwitches switches;
        ProgMsg dialog{switches, nullptr};
        DialogAskUser askUser{dialog, switches};

        void switchAllOff() {
            for (int kind = 1; kind <= 4; ++kind)
                switches.setConfirm(kind, 0);
        }
        QList<int> confirms() const {
            return {switches.confirm(1), switches.confirm(2), switches.confirm(3),
                    switches.confirm(4)};
        }
    };

private Q_SLOTS:
    void eachKindHasItsTitleLookAndButtons_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("question");
        QTest::addColumn<bool>("checkBox");
        QTest::newRow("1 startup") << 1 << kBase + QStringLiteral(" startup") << false << true;
        QTest::newRow("2 autochange")
            << 2 << QStringLiteral("Kestrovaline wallpaper autochange") << false << true;
        QTest::newRow("3 disk") << 3 << kBase + QStringLiteral(" current disk") << false << true;
        QTest::newRow("4 collection")
            << 4 << QStringLiteral("Kestrovaline wallpapers collection") << true << true;
        QTest::newRow("5 help") << 5 << kBase + QStringLiteral(" help") << true << false;
        QTest::newRow("6 exit") << 6 << kBase + QStringLiteral(" exit") << true << false;
        QTest::newRow("0 unknown") << 0 << kBase << false << false;
        QTest::newRow("7 unknown") << 7 << kBase << false << false;
    }
    void eachKindHasItsTitleLookAndButtons() {
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(bool, question);
        QFETCH(bool, checkBox);
        Fixture f;
        // A previous showing of another kind must not leak into this one.
        f.dialog.setNextAnswerForTest(1);
        QCOMPARE(f.askUser.ask(MessageKind::Confirm, QStringLiteral("before")), 1);
        f.switches.setConfirm(4, 1);

        Seen seen;
        f.dialog.setShownHookForTest([&](ProgMsg& d) {
            seen = look(d);
            d.setButton()->click();
        });
        const QString text = QStringLiteral("Unable to find image file '<b>a&b</b>.jpg' !");
        QCOMPARE(f.askUser.ask(static_cast<MessageKind>(kind), text), 1);
        QVERIFY(seen.shown);
        QCOMPARE(seen.title, title);
        QCOMPARE(seen.text, text);
        QCOMPARE(seen.question, question);
        QCOMPARE(seen.information, !question);
        QVERIFY(seen.setButton);
        QCOMPARE(seen.closeButton, question);
        QCOMPARE(seen.checkBox, checkBox);
        QVERIFY(!seen.checkBoxTicked);
        QVERIFY(!f.dialog.isVisible());
        QVERIFY(f.dialog.setButton()->toolTip().isEmpty());
        QVERIFY(f.dialog.closeButton()->toolTip().isEmpty());
    }

    void doNotShowAgainOnADeleteQuestionThenCloseSwitchesItOff() {
        Fixture f;
        f.dialog.setNextAnswerForTest(0, true);
        QCOMPARE(f.askUser.ask(MessageKind::Confirm, QStringLiteral("delete?")), 0);
        QCOMPARE(f.confirms(), (QList<int>{1, 1, 1, 0}));

        // From now on deletions are not asked about: nothing is shown.
        bool shown = false;
        f.dialog.setShownHookForTest([&](ProgMsg& d) {
            shown = true;
            d.setButton()->click();
        });
        QCOMPARE(f.askUser.ask(MessageKind::Confirm, QStringLiteral("delete again?")), -1);
        QVERIFY(!shown);
        QCOMPARE(f.dialog.message(), QStringLiteral("delete?"));
    }

    void theCheckBoxIsStoredForTheAnsweredKindWhicheverButton_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("result");
        QTest::addColumn<QList<int>>("confirms");
        QTest::newRow("1 ticked, Set") << 1 << true << 1 << 1 << QList<int>{0, 1, 1, 1};
        QTest::newRow("2 ticked, Set") << 2 << true << 1 << 1 << QList<int>{1, 0, 1, 1};
        QTest::newRow("3 ticked, Set") << 3 << true << 1 << 1 << QList<int>{1, 1, 0, 1};
        QTest::newRow("4 ticked, Set") << 4 << true << 1 << 1 << QList<int>{1, 1, 1, 0};
        QTest::newRow("4 clear, Close") << 4 << false << 0 << 0 << QList<int>{1, 1, 1, 1};
        QTest::newRow("6 Close") << 6 << false << 0 << 0 << QList<int>{1, 1, 1, 1};
        QTest::newRow("9 Set") << 9 << false << 1 << 1 << QList<int>{1, 1, 1, 1};
    }
    void theCheckBoxIsStoredForTheAnsweredKindWhicheverButton() {
        QFETCH(int, kind);
        QFETCH(bool, tick);
        QFETCH(int, answer);
        QFETCH(int, result);
        QFETCH(QList<int>, confirms);
        Fixture f;
        f.dialog.setNextAnswerForTest(answer, tick);
        QCOMPARE(f.askUser.ask(static_cast<MessageKind>(kind), QStringLiteral("text")), result);
        QCOMPARE(f.dialog.result(), result);
        QCOMPARE(f.confirms(), confirms);
    }

    void theCheckBoxStartsClearAtEveryShowing() {
        Fixture f;
        f.dialog.setNextAnswerForTest(1, true);
        QCOMPARE(f.askUser.ask(MessageKind::Confirm, QStringLiteral("first")), 1);
        // The user switches deletion questions on again in the options.
        f.switches.setConfirm(4, 1);
        Seen seen;
        f.dialog.setShownHookForTest([&](ProgMsg& d) {
            seen = look(d);
            d.closeButton()->click();
        });
        QCOMPARE(f.askUser.ask(MessageKind::Confirm, QStringLiteral("second")), 0);
        QVERIFY(seen.checkBox);
        QVERIFY(!seen.checkBoxTicked);
        QCOMPARE(f.switches.confirm(4), 1);
    }

    void switchedOffKindsAnswerMinusOneWithoutShowing_data() {
        QTest::addColumn<int>("kind");
        for (int kind = 1; kind <= 4; ++kind)
            QTest::addRow("kind %d", kind) << kind;
    }
    void switchedOffKindsAnswerMinusOneWithoutShowing() {
        QFETCH(int, kind);
        Fixture f;
        f.switches.setConfirm(kind, 0);
        bool shown = false;
        f.dialog.setShownHookForTest([&](ProgMsg& d) {
            shown = true;
            d.setButton()->click();
        });
        QCOMPARE(f.askUser.ask(static_cast<MessageKind>(kind), QStringLiteral("text")), -1);
        QVERIFY(!shown);
        QVERIFY(!f.dialog.isVisible());
        QVERIFY(f.dialog.message().isEmpty());
        // Another kind is still asked.
        const int other = kind == 1 ? 2 : 1;
        QCOMPARE(f.askUser.ask(static_cast<MessageKind>(other), QStringLiteral("other")), 1);
        QVERIFY(shown);
    }

    void exitAndHelpQuestionsIgnoreTheSwitches_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("answer");
        QTest::newRow("help, Set") << 5 << 1;
        QTest::newRow("help, Close") << 5 << 0;
        QTest::newRow("exit, Set") << 6 << 1;
        QTest::newRow("exit, Close") << 6 << 0;
    }
    void exitAndHelpQuestionsIgnoreTheSwitches() {
        QFETCH(int, kind);
        QFETCH(int, answer);
        Fixture f;
        f.switchAllOff();
        Seen seen;
        f.dialog.setShownHookForTest([&](ProgMsg& d) {
            seen = look(d);
            (answer == 1 ? d.setButton() : d.closeButton())->click();
        });
        QCOMPARE(f.askUser.ask(static_cast<MessageKind>(kind), QStringLiteral("sure?")), answer);
        QVERIFY(seen.shown);
        QVERIFY(!seen.checkBox);
        QCOMPARE(f.confirms(), (QList<int>{0, 0, 0, 0}));
    }

    void keysAnswer_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("information, Enter") << 1 << int(Qt::Key_Return) << 1;
        QTest::newRow("information, keypad Enter") << 2 << int(Qt::Key_Enter) << 1;
        QTest::newRow("information, Esc") << 3 << int(Qt::Key_Escape) << 1;
        QTest::newRow("question, Enter") << 4 << int(Qt::Key_Return) << 1;
        QTest::newRow("question, Esc") << 6 << int(Qt::Key_Escape) << 0;
    }
    void keysAnswer() {
        QFETCH(int, kind);
        QFETCH(int, key);
        QFETCH(int, result);
        Fixture f;
        f.dialog.setShownHookForTest([&](ProgMsg& d) { press(d, Qt::Key(key)); });
        QCOMPARE(f.askUser.ask(static_cast<MessageKind>(kind), QStringLiteral("text")), result);
    }

    void theWindowCloseCommandAnswersByLookAndKeepsThePosition_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("confirm4");
        QTest::newRow("question") << 4 << false << 0 << 1;
        QTest::newRow("question, ticked") << 4 << true << 0 << 0;
        QTest::newRow("exit question") << 6 << false << 0 << 1;
        QTest::newRow("information") << 2 << false << 1 << 1;
    }
    void theWindowCloseCommandAnswersByLookAndKeepsThePosition() {
        QFETCH(int, kind);
        QFETCH(bool, tick);
        QFETCH(int, result);
        QFETCH(int, confirm4);
        Fixture f;
        QVERIFY(!f.dialog.positionKnown());
        f.dialog.setShownHookForTest([&](ProgMsg& d) {
            d.displayCheckBox()->setChecked(tick);
            d.move(100, 60);
            d.close();
        });
        QCOMPARE(f.askUser.ask(static_cast<MessageKind>(kind), QStringLiteral("text")), result);
        QCOMPARE(f.switches.confirm(4), confirm4);
        QVERIFY(f.dialog.positionKnown());
        QCOMPARE(f.dialog.positionTwips(), QPoint(1500, 900));

        // Reopened, it starts where it was closed.
        Seen seen;
        f.dialog.setShownHookForTest([&](ProgMsg& d) {
            seen = look(d);
            d.setButton()->click();
        });
        QCOMPARE(f.askUser.ask(MessageKind::Exit, QStringLiteral("again")), 1);
        QCOMPARE(seen.position, QPoint(100, 60));
    }

    void aRestoredPositionPlacesTheDialog_data() {
        QTest::addColumn<QPoint>("twips");
        QTest::addColumn<QPoint>("pixels");
        QTest::newRow("whole pixels") << QPoint(1500, 3000) << QPoint(100, 200);
        QTest::newRow("rounded down") << QPoint(1507, 22) << QPoint(100, 1);
        QTest::newRow("rounded up") << QPoint(1508, 23) << QPoint(101, 2);
    }
    void aRestoredPositionPlacesTheDialog() {
        QFETCH(QPoint, twips);
        QFETCH(QPoint, pixels);
        Fixture f;
        f.dialog.setRestoredPosition(twips);
        QVERIFY(f.dialog.positionKnown());
        Seen seen;
        f.dialog.setShownHookForTest([&](ProgMsg& d) {
            seen = look(d);
            d.setButton()->click();
        });
        QCOMPARE(f.askUser.ask(MessageKind::Exit, QStringLiteral("text")), 1);
        QCOMPARE(seen.position, pixels);
        QCOMPARE(f.dialog.positionTwips(), pixels * ProgMsg::kTwipsPerPixel);
    }

    void aSecondRequestWhileOpenGetsMinusOneAndShowsNothing_data() {
        QTest::addColumn<int>("secondKind");
        QTest::newRow("autochange report") << 2;
        QTest::newRow("exit question") << 6;
    }
    void aSecondRequestWhileOpenGetsMinusOneAndShowsNothing() {
        QFETCH(int, secondKind);
        Fixture f;
        int second = 99;
        Seen during;
        f.dialog.setShownHookForTest([&](ProgMsg& d) {
            second = f.askUser.ask(static_cast<MessageKind>(secondKind), QStringLiteral("second"));
            during = look(d);
            d.closeButton()->click();
        });
        QCOMPARE(f.askUser.ask(MessageKind::Confirm, QStringLiteral("first")), 0);
        QCOMPARE(second, -1);
        QVERIFY(during.shown);
        QCOMPARE(during.text, QStringLiteral("first"));
        QCOMPARE(during.title, QStringLiteral("Kestrovaline wallpapers collection"));
        QCOMPARE(f.dialog.messageKind(), 4);
    }

    void aShowingHiddenWithoutAnAnswerGivesMinusOne() {
        Fixture f;
        f.dialog.setNextAnswerForTest(1);
        QCOMPARE(f.askUser.ask(MessageKind::Exit, QStringLiteral("first")), 1);
        f.dialog.setShownHookForTest([](ProgMsg& d) { d.hide(); });
        QCOMPARE(f.askUser.ask(MessageKind::Exit, QStringLiteral("second")), -1);
    }

    void timersKeepTickingWhileTheDialogIsOpen() {
        Fixture f;
        int ticks = 0;
        int ticksWhileShown = 0;
        QTimer timer;
        timer.setInterval(1);
        connect(&timer, &QTimer::timeout, [&] {
            ++ticks;
            if (f.dialog.isVisible() && ++ticksWhileShown == 3)
                f.dialog.setButton()->click();
        });
        timer.start();
        QCOMPARE(f.askUser.ask(MessageKind::Exit, QStringLiteral("sure?")), 1);
        QCOMPARE(ticksWhileShown, 3);
        QVERIFY(ticks >= 3);
    }
};

QTEST_MAIN(TestMessageDialog)
#include "tst_message_dialog.moc"
