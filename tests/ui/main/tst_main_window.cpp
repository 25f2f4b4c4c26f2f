// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Program.h"
#include "support/PictureFiles.h"
#include "support/ProgramStores.h"
#include "support/ScriptedAskUser.h"
#include "ui/WindowDrag.h"
#include "ui/WindowsOnDemand.h"
#include "ui/help/Hyperlinks.h"
#include "ui/main/BrowserPanel.h"
#include "ui/main/CollectionView.h"
#include "ui/main/CommandColumn.h"
#include "ui/main/MainWindow.h"
#include "ui/main/PreviewPanel.h"
#include "ui/message/ProgMsg.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace kv;

namespace {

// Counts the key presses a control itself receives.
class KeyCounter final : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        presses += event->type() == QEvent::KeyPress ? 1 : 0;
        return false;
    }
};

} // namespace

// The main window as the user meets it: its controls, keys, dragging and the exit question.
class TestMainWindow : public QObject {
    Q_OBJECT

    // A visible, active window over a collection of `rows` pictures, browsing their folder.
    struct Running : test::ProgramStores {
        test::ScriptedAskUser askUser{0};
        Program program{settings, clock, [] {}, environment.root()};
        MainWindow window;

        bool start(int rows = 0) {
            const CommandLine line = CommandLine::parse({});
            const auto name = [](int i) {
                return QStringLiteral("picture-%1.jpg").arg(i);
            };
            for (int i = 0; i < rows; ++i)
                if (!test::writePicture(environment.root() + u'/' + name(i)))
                    return false;
            if (!Program::settleLiveness(settings, clock, line))
                return false;
            settings.WriteSetting(QStringLiteral("LastFolder"), environment.root());
            window.attach(program);
            if (!program.Form_Load(line, window, askUser))
                return false;
            for (int i = 0; i < rows; ++i)
                program.collection().AppendImage(name(i), environment.root(), StateUse);
            window.activateWindow();
            return QTest::qWaitForWindowActive(&window);
        }
        QWidget* focusOn(const QString& name) {
            auto* control = window.findChild<QWidget*>(name);
            if (control)
                control->setFocus(Qt::OtherFocusReason);
            return control;
        }
        QString states() {
            QString s;
            for (int row = 0; row < program.collection().rowCount(); ++row)
                s += QString::number(program.collection().ImageState(row));
            return s;
        }
    };

private Q_SLOTS:
    // A start that stays in the tray builds no window; showing the main one builds no dialog
    // but the message it was asked for.
    void windowsAreBuiltWhenFirstShown() {
        test::ProgramStores stores;
        Program program{stores.settings, stores.clock, [] {}, stores.environment.root()};
        OptionsMessageSwitches switches(program.options().options());
        Hyperlinks hyperlinks;
        WindowsOnDemand windows(program, stores.settings, switches, hyperlinks);
        const QWidgetList before = QApplication::topLevelWidgets();
        const CommandLine line = CommandLine::parse({QStringLiteral("-logon")});
        QVERIFY(Program::settleLiveness(stores.settings, stores.clock, line));
        QVERIFY(program.Form_Load(line, windows, windows.askUser()));
        QCOMPARE(QApplication::topLevelWidgets(), before);
        QVERIFY(!windows.builtWindow());
        // A message up when the window is first shown from the tray stays up until answered.
        bool stayedUp = false;
        windows.messageDialog().setShownHookForTest([&](ProgMsg& message) {
            program.TrayIcon_MouseMove(Program::TrayClick::LeftPress);
            stayedUp = message.isVisible();
            message.Set_Click();
        });
        QCOMPARE(windows.askUser().ask(MessageKind::StoreFailed, QStringLiteral("full")), 1);
        QVERIFY(stayedUp);
        QVERIFY(windows.isWindowVisible());
        QWidgetList built = QApplication::topLevelWidgets();
        built.removeIf([&before](QWidget* widget) { return before.contains(widget); });
        QCOMPARE(QSet<QWidget*>(built.begin(), built.end()),
                 (QSet<QWidget*>{windows.builtWindow(), &windows.messageDialog()}));
        QCOMPARE(windows.builtWindow()->windowTitle(), program.windowTitle());
    }

    // A picture button is named for screen readers and described by its tooltip; the link to the
    // manual shows no path of the disk. Tab walks the window in reading order.
    void buttonsAreNamedAndTabWalksInReadingOrder() {
        MainWindow window;
        window.setWebAddress(QStringLiteral("file:///opt/kestrovaline/KestrovalineHelp.html"));
        for (const QPushButton* button : window.findChildren<QPushButton*>()) {
            QVERIFY2(!button->accessibleName().isEmpty(), qPrintable(button->objectName()));
            QVERIFY(!button->toolTip().isEmpty());
            QCOMPARE(button->accessibleDescription(), button->toolTip());
        }
        QVERIFY(!window.hyperlink()->toolTip().contains(QLatin1String("/opt/")));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.imageName()->setFocus();
        QStringList walked{window.imageName()->objectName()};
        for (int i = 0; i < 17; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(walked,
                 (QStringList{"ImageName", "ImageAdd", "UseImage", "SkipImage", "DelImage", "Clear",
                              "Disk", "Folder", "Files", "ImagePreviewName", "Set", "HideTray",
                              "Settings", "Help", "About", "Close", "ImagePathText", "Hyperlink"}));
    }

    // Enter sets the wallpaper but in the folder list, and the control still gets the key; '+'
    // walks down the collection from the current row; Esc collapses into the tray and saves.
    void keys_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("selected"); // -1: none
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("sets");
        QTest::addColumn<int>("current");
        QTest::newRow("Enter, folder list") << "Folder" << 0 << "\r" << 0 << 0;
        QTest::newRow("Enter, collection") << "ImageName" << 0 << "\r" << 1 << 0;
        QTest::newRow("Enter, file list") << "Files" << 0 << "\r" << 1 << 0;
        QTest::newRow("keypad Enter, folder list") << "Folder" << 0 << "\n" << 0 << 0;
        QTest::newRow("keypad Enter, drive list") << "Disk" << 0 << "\n" << 1 << 0;
        QTest::newRow("Enter, a command button") << "DelImage" << 0 << "\r" << 1 << 0;
        QTest::newRow("+ with nothing selected starts at the top")
            << "ImageName" << -1 << "+" << 0 << 0;
        QTest::newRow("+ one row down") << "ImageName" << 0 << "+" << 0 << 1;
        QTest::newRow("+ stops on the last row") << "ImageName" << -1 << "+++++" << 0 << 2;
        QTest::newRow("+ from the file list") << "Files" << 1 << "+" << 0 << 2;
        QTest::newRow("Esc") << "Files" << 2 << "\x1b" << 0 << 2;
    }
    void keys() {
        QFETCH(QString, focus);
        QFETCH(int, selected);
        QFETCH(QString, keys);
        Running run;
        QVERIFY(run.start(3));
        QSignalSpy set(&run.window, &MainWindow::setWallpaperRequested);
        // The focus first: a list that gets it without a current row makes its first row current.
        QWidget* control = run.focusOn(focus);
        QVERIFY(control && QApplication::focusWidget() == control);
        QItemSelectionModel* selection = run.program.collection().selectionModel();
        selection->clear();
        if (selected >= 0)
            run.program.collection().SelectOnly(selected);
        KeyCounter reached;
        control->installEventFilter(&reached);
        for (const QChar key : keys) {
            const std::map<QChar, Qt::Key> special{
                {u'\r', Qt::Key_Return}, {u'\n', Qt::Key_Enter}, {u'\x1b', Qt::Key_Escape}};
            QTest::keyClick(control, special.count(key) ? special.at(key) : Qt::Key_Plus);
        }
        QTEST(int(set.size()), "sets");
        QTEST(selection->currentIndex().row(), "current");
        QCOMPARE(selection->selectedRows().size(), 1);
        const bool escape = keys == QLatin1String("\x1b");
        QVERIFY(keys.contains(u'+') || reached.presses == 1);
        QCOMPARE(run.window.isVisible(), !escape);
        QCOMPARE(bool(run.window.trayIcon()), escape);
        QVERIFY(!run.program.hasEnded());
        QCOMPARE(run.settings.ReadSetting(QStringLiteral("WN"), 0), escape ? 3 : 0);
        QCOMPARE(run.settings.ReadSetting(QStringLiteral("WName3"), QString()),
                 escape ? QStringLiteral("picture-2.jpg") : QString());
    }

    // Each command button reaches its command: a new picture of the folder is added, the
    // highlighted entry used, skipped or (after the question) removed; Clear is off while its
    // scan runs.
    void commandButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("states");
        for (const auto& [button, states] : {std::pair{"ImageAdd", "111"},
                                             {"UseImage", "11"},
                                             {"SkipImage", "21"},
                                             {"DelImage", "1"},
                                             {"Clear", "11"}})
            QTest::newRow(button) << QString::fromLatin1(button) << QString::fromLatin1(states);
    }
    void commandButtons() {
        QFETCH(QString, button);
        Running run;
        QVERIFY(test::writePicture(run.environment.root() + QStringLiteral("/added.jpg")));
        QVERIFY(run.start(2));
        run.askUser.setAnswer(1);
        run.program.collection().SetImageState(0, button == QLatin1String("UseImage") ? StateSkip
                                                                                      : StateUse);
        run.program.collection().SelectOnly(0);
        QListView* files = run.window.browser()->files();
        QCOMPARE(files->selectionMode(), QAbstractItemView::ExtendedSelection);
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                          files->visualRect(files->model()->index(0, 0)).center());
        QTest::mouseClick(run.window.findChild<QPushButton*>(button), Qt::LeftButton);
        QTEST(run.states(), "states");
        QCOMPARE(run.window.commands()->clear()->isEnabled(), button != QLatin1String("Clear"));
    }

    // The question names the automatic change it stops only when that needs the program.
    void exitQuestionWarnsWhenChangeNeedsTheProgram_data() {
        QTest::addColumn<QString>("change"); // Automatic, AutoLogon, AutoPeriod, AutoTime
        QTest::addColumn<bool>("warns");
        QTest::newRow("periodic and timed, automatic off") << "0011" << false;
        QTest::newRow("logon change only") << "1100" << false;
        QTest::newRow("periodic change") << "1010" << true;
        QTest::newRow("timed change") << "1001" << true;
    }
    void exitQuestionWarnsWhenChangeNeedsTheProgram() {
        QFETCH(QString, change);
        QFETCH(bool, warns);
        Running run;
        QVERIFY(run.start());
        Options& o = run.program.options().options();
        o.Automatic = 0;
        run.window.closeButton()->click();
        o.Automatic = change[0].digitValue();
        o.AutoLogon = change[1].digitValue();
        o.AutoPeriod = change[2].digitValue();
        o.AutoTime = change[3].digitValue();
        run.window.closeButton()->click();
        QCOMPARE(run.askUser.asked.size(), 2);
        QCOMPARE(run.askUser.asked[1].kind, MessageKind::Exit);
        const QString plain = run.askUser.asked[0].message;
        const QString asked = run.askUser.asked[1].message;
        QCOMPARE(asked.startsWith(plain) && asked.size() > plain.size(), warns);
        QVERIFY(warns || asked == plain);
        // Answered with Close: the program stays, its window in front.
        QVERIFY(!run.program.hasEnded() && run.window.isVisible());
    }

    void leftButtonMovesTheWindowFromItsHandles_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("moves");
        QTest::newRow("heading") << "heading" << int(Qt::LeftButton) << true;
        QTest::newRow("heading, right button") << "heading" << int(Qt::RightButton) << false;
        QTest::newRow("preview") << "preview" << int(Qt::LeftButton) << true;
        QTest::newRow("background") << "background" << int(Qt::LeftButton) << true;
        QTest::newRow("below the commands") << "commands" << int(Qt::LeftButton) << true;
        QTest::newRow("collection list") << "list" << int(Qt::LeftButton) << false;
        QTest::newRow("a button") << "button" << int(Qt::LeftButton) << false;
    }
    void leftButtonMovesTheWindowFromItsHandles() {
        QFETCH(QString, where);
        QFETCH(int, button);
        QFETCH(bool, moves);
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QList<QWidget*> moved;
        window.dragHandles()->setDragForTest([&moved](QWidget* from) { moved << from->window(); });
        const std::map<QString, QWidget*> targets{
            {QStringLiteral("heading"), window.headings()[1]},
            {QStringLiteral("preview"), window.preview()->imagePreview()},
            {QStringLiteral("background"), &window},
            {QStringLiteral("commands"), window.commands()},
            {QStringLiteral("list"), window.imageName()->viewport()},
            {QStringLiteral("button"), window.setButton()}};
        QWidget* target = targets.at(where);
        const QPoint at = where == QLatin1String("background") ? QPoint(3, 3)
                          : where == QLatin1String("commands") ? QPoint(3, target->height() - 3)
                                                               : target->rect().center();
        QTest::mousePress(target, Qt::MouseButton(button), {}, at);
        QTest::mouseRelease(target, Qt::MouseButton(button), {}, at);
        QCOMPARE(moved, moves ? QList<QWidget*>{&window} : QList<QWidget*>{});
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
