// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Program.h"
#include "app/WindowsOnDemand.h"
#include "support/ProgramStores.h"
#include "support/ScriptedAskUser.h"
#include "ui/WindowDrag.h"
#include "ui/help/Hyperlinks.h"
#include "ui/main/BrowserPanel.h"
#include "ui/main/CollectionView.h"
#include "ui/main/CommandColumn.h"
#include "ui/main/MainWindow.h"
#include "ui/main/PreviewPanel.h"
#include "ui/message/ProgMsg.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
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
        if (event->type() == QEvent::KeyPress)
            ++presses;
        return false;
    }
};

} // namespace

// The main window as the user meets it: its controls, keys, dragging and the exit question.
class TestMainWindow : public QObject {
    Q_OBJECT

    struct Running : test::ProgramStores {
        test::ScriptedAskUser askUser{0};
        Program program{settings, clock, [] {}, environment.root()};
        MainWindow window;

        // A visible, active window holding rows entries.
        bool start(int rows = 0) {
            const CommandLine line = CommandLine::parse({});
            if (!Program::settleLiveness(settings, clock, line))
                return false;
            window.attach(program);
            if (!program.Form_Load(line, window, askUser))
                return false;
            for (int i = 0; i < rows; ++i)
                program.collection().AppendImage(QStringLiteral("picture-%1.jpg").arg(i),
                                                 environment.root(), StateUse);
            window.activateWindow();
            return QTest::qWaitForWindowActive(&window);
        }
        QWidget* focusOn(const QString& name) {
            auto* control = window.findChild<QWidget*>(name);
            if (control)
                control->setFocus(Qt::OtherFocusReason);
            return control;
        }
        int currentRow() { return program.collection().selectionModel()->currentIndex().row(); }
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

    void everyControlCarriesItsTooltip_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("toolTip");
        const QList<std::pair<const char*, const char*>> controls{
            {"Set", "Set selected wallpaper now"},
            {"HideTray", "Collapse the program window into tray icon"},
            {"Settings", "Customize program settings"},
            {"Help", "Kestrovaline wallpaper manager help"},
            {"About", "About the program"},
            {"Close", "Exit the program"},
            {"ImageAdd", "Add highlighted file names to wallpaper collection"},
            {"UseImage",
             "Mark highlighted file names in collection to use by wallpaper autochange"},
            {"SkipImage",
             "Mark highlighted file names in collection to skip by wallpaper autochange"},
            {"DelImage", "Remove highlighted file names from wallpaper collection"},
            {"Clear", "Remove non-existing files from the list"},
            {"ImageName", "List of file names in wallpaper collection"},
            {"ImagePathText", "Selected wallpaper file name"},
            {"Disk", "Current drive"},
            {"Folder", "Current directory"},
            {"Files", "List of supported image files in current directory"},
            {"ImagePreview", "Wallpaper image preview"},
            {"ImagePreviewName", "File name of previewed image"},
            {"ImageErr", "Wallpaper preview error message"},
            // The manual by its title: no path of the disk on the window.
            {"Hyperlink", "Click to open Kestrovaline manual"},
        };
        for (const auto& [name, toolTip] : controls)
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(toolTip);
    }
    void everyControlCarriesItsTooltip() {
        QFETCH(QString, name);
        QFETCH(QString, toolTip);
        MainWindow window;
        window.setWebAddress(QStringLiteral("file:///opt/kestrovaline/KestrovalineHelp.html"));
        const QList<QWidget*> found = window.findChildren<QWidget*>(name);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found[0]->toolTip(), toolTip);
        // A picture button is named for screen readers and described by its tooltip.
        if (const auto* button = qobject_cast<QPushButton*>(found[0])) {
            QVERIFY(!button->accessibleName().isEmpty());
            QCOMPARE(button->accessibleDescription(), toolTip);
        }
    }

    // Tab walks the window in reading order: the collection and its commands, the browser, the
    // preview, the program's buttons, then the boxes along the bottom.
    void tabOrder() {
        MainWindow window;
        window.setWebAddress(QStringLiteral("https://kestrovaline.example/"));
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

    void headingsAndStartTexts() {
        MainWindow window;
        QStringList captions;
        for (const QLabel* heading : window.headings())
            captions << heading->text();
        QCOMPARE(captions,
                 (QStringList{QStringLiteral("Wallpaper Collection:"),
                              QStringLiteral("Add Wallpapers:"), QStringLiteral("Image Preview")}));
        QCOMPARE(window.preview()->imagePreviewName()->text(),
                 QStringLiteral("Previewed file name"));
        QVERIFY(window.preview()->imageErr()->text().isEmpty());
        QCOMPARE(window.browser()->files()->selectionMode(), QAbstractItemView::ExtendedSelection);
    }

    void enterSetsTheWallpaperExceptInTheFolderList_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("sets");
        QTest::newRow("folder list") << "Folder" << int(Qt::Key_Return) << 0;
        QTest::newRow("folder list, keypad Enter") << "Folder" << int(Qt::Key_Enter) << 0;
        QTest::newRow("collection") << "ImageName" << int(Qt::Key_Return) << 1;
        QTest::newRow("file list") << "Files" << int(Qt::Key_Return) << 1;
        QTest::newRow("drive list") << "Disk" << int(Qt::Key_Enter) << 1;
        QTest::newRow("a command button") << "DelImage" << int(Qt::Key_Return) << 1;
    }
    void enterSetsTheWallpaperExceptInTheFolderList() {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, sets);
        Running run;
        QVERIFY(run.start(2));
        QSignalSpy set(&run.window, &MainWindow::setWallpaperRequested);
        QWidget* control = run.focusOn(focus);
        QVERIFY(control);
        QCOMPARE(QApplication::focusWidget(), control);
        KeyCounter reached;
        control->installEventFilter(&reached);
        QTest::keyClick(control, Qt::Key(key));
        QCOMPARE(set.size(), sets);
        // The key is not consumed: the control has it afterwards as well.
        QCOMPARE(reached.presses, 1);
    }

    void theSetButtonAsksToSetTheWallpaper() {
        MainWindow window;
        QSignalSpy set(&window, &MainWindow::setWallpaperRequested);
        window.setButton()->click();
        QCOMPARE(set.size(), 1);
    }

    void plusWalksDownTheCollection_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("presses");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("current");
        QTest::newRow("nothing selected starts at the top") << 3 << -1 << 1 << "ImageName" << 0;
        QTest::newRow("one row down") << 3 << 0 << 1 << "ImageName" << 1;
        QTest::newRow("stops on the last row") << 3 << -1 << 5 << "ImageName" << 2;
        QTest::newRow("from the file list") << 3 << 1 << 1 << "Files" << 2;
        QTest::newRow("empty collection") << 0 << -1 << 2 << "ImageName" << -1;
    }
    void plusWalksDownTheCollection() {
        QFETCH(int, rows);
        QFETCH(int, selected);
        QFETCH(int, presses);
        QFETCH(QString, focus);
        QFETCH(int, current);
        Running run;
        QVERIFY(run.start(rows));
        // The focus first: a list that gets it without a current row makes its first row current.
        QWidget* control = run.focusOn(focus);
        QVERIFY(control);
        run.program.collection().selectionModel()->clear();
        if (selected >= 0)
            run.program.collection().SelectOnly(selected);
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(control, '+');
        QCOMPARE(run.currentRow(), current);
        const QModelIndexList chosen = run.program.collection().selectionModel()->selectedRows();
        QCOMPARE(chosen.size(), current >= 0 ? 1 : 0);
        QVERIFY(run.window.isVisible());
    }

    void escapeCollapsesAndSavesTheState() {
        Running run;
        QVERIFY(run.start(3));
        QVERIFY(run.window.isVisible());
        QCOMPARE(run.settings.ReadSetting(QStringLiteral("WN"), 0), 0);
        QTest::keyClick(run.focusOn(QStringLiteral("Files")), Qt::Key_Escape);
        QVERIFY(!run.window.isVisible());
        QVERIFY(run.window.trayIcon());
        QCOMPARE(run.settings.ReadSetting(QStringLiteral("WN"), 0), 3);
        QCOMPARE(run.settings.ReadSetting(QStringLiteral("WName3"), QString()),
                 QStringLiteral("picture-2.jpg"));
        QVERIFY(!run.program.hasEnded());
    }

    void exitQuestionWarnsWhenChangeNeedsTheProgram_data() {
        QTest::addColumn<int>("automatic");
        QTest::addColumn<int>("logon");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("time");
        QTest::addColumn<bool>("warns");
        QTest::newRow("automatic change off") << 0 << 0 << 0 << 0 << false;
        QTest::newRow("periodic change but automatic off") << 0 << 0 << 1 << 0 << false;
        QTest::newRow("timed change but automatic off") << 0 << 0 << 0 << 1 << false;
        QTest::newRow("logon change only") << 1 << 1 << 0 << 0 << false;
        QTest::newRow("automatic without a mode") << 1 << 0 << 0 << 0 << false;
        QTest::newRow("periodic change") << 1 << 0 << 1 << 0 << true;
        QTest::newRow("timed change") << 1 << 0 << 0 << 1 << true;
    }
    void exitQuestionWarnsWhenChangeNeedsTheProgram() {
        QFETCH(int, automatic);
        QFETCH(int, logon);
        QFETCH(int, period);
        QFETCH(int, time);
        QFETCH(bool, warns);
        Running run;
        QVERIFY(run.start());
        Options& options = run.program.options().options();
        options.Automatic = automatic;
        options.AutoLogon = logon;
        options.AutoPeriod = period;
        options.AutoTime = time;
        run.window.closeButton()->click();
        QCOMPARE(run.askUser.asked.size(), 1);
        QCOMPARE(run.askUser.asked[0].kind, MessageKind::Exit);
        QString expected = QStringLiteral("Are you sure to exit Kestrovaline wallpaper manager?");
        if (warns)
            expected += QStringLiteral(
                " If you exit the program, automatic wallpaper change will not work!");
        QCOMPARE(run.askUser.asked[0].message, expected);
        // Answered with Close: the program stays, its window in front.
        QVERIFY(!run.program.hasEnded());
        QVERIFY(run.window.isVisible());
    }

    void leftButtonMovesTheWindowFromItsHandles_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("moves");
        QTest::newRow("heading, left button") << "heading" << int(Qt::LeftButton) << true;
        QTest::newRow("heading, right button") << "heading" << int(Qt::RightButton) << false;
        QTest::newRow("preview, left button") << "preview" << int(Qt::LeftButton) << true;
        QTest::newRow("preview, middle button") << "preview" << int(Qt::MiddleButton) << false;
        QTest::newRow("background, left button") << "background" << int(Qt::LeftButton) << true;
        QTest::newRow("background, right button") << "background" << int(Qt::RightButton) << false;
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
        QWidget* target = &window;
        QPoint at(3, 3);
        if (where == QStringLiteral("heading"))
            target = window.headings()[1];
        else if (where == QStringLiteral("preview"))
            target = window.preview()->imagePreview();
        else if (where == QStringLiteral("commands"))
            target = window.commands(), at = QPoint(3, window.commands()->height() - 3);
        else if (where == QStringLiteral("list"))
            target = window.imageName()->viewport();
        else if (where == QStringLiteral("button"))
            target = window.setButton();
        if (target != &window && where != QStringLiteral("commands"))
            at = target->rect().center();
        QTest::mousePress(target, Qt::MouseButton(button), {}, at);
        QTest::mouseRelease(target, Qt::MouseButton(button), {}, at);
        QCOMPARE(moved, moves ? QList<QWidget*>{&window} : QList<QWidget*>{});
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
