// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Program.h"
#include "common/MessageSwitches.h"
#include "support/Announced.h"
#include "support/PictureFiles.h"
#include "support/ProgramStores.h"
#include "support/ScriptedAskUser.h"
#include "ui/Contrast.h"
#include "ui/WindowDrag.h"
#include "ui/main/BrowserPanel.h"
#include "ui/main/CollectionView.h"
#include "ui/main/CommandColumn.h"
#include "ui/main/MainKeys.h"
#include "ui/main/MainWindow.h"
#include "ui/main/PreviewPanel.h"
#include "ui/message/ProgMsg.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>

using namespace kv;

// Names a user may give that look like markup: a tag, a line break and a picture from disk.
const QString kSubfolder = QStringLiteral("<i>pictures");
const QString kTextNamed =
    QStringLiteral("text<br><img src=beach.jpg>_named_longer_than_a_line_of_the_preview.jpg");
const QString kWebAddress = QStringLiteral("https://example.org/?q=<b>kestrel");

// The main window as the user meets it: its keys, its buttons and its lists.
class TestMainWindow : public QObject {
    Q_OBJECT

    // The program's window, active, browsing a folder of added.jpg and three pictures that are
    // in the collection, and a subfolder of a picture and a text file named like one.
    struct Shown {
        test::ProgramStores stores;
        test::ScriptedAskUser askUser{1};
        Program program{stores.settings, stores.clock, [] {}, stores.environment.root()};
        MainWindow window;
        const QString folder = stores.environment.root();

        bool open() {
            QDir(folder).mkpath(kSubfolder);
            for (const QString& name : QStringList{"added.jpg", "picture-0.jpg", "picture-1.jpg",
                                                   "picture-2.jpg", kSubfolder + "/beach.jpg"})
                if (!test::writePicture(folder + u'/' + name, QSize(640, 480)))
                    return false;
            const CommandLine line = CommandLine::parse({});
            if (!test::writeBytes(folder + u'/' + kSubfolder + u'/' + kTextNamed, "words") ||
                !Program::settleLiveness(stores.settings, stores.clock, line))
                return false;
            stores.settings.WriteSetting(QStringLiteral("LastFolder"), folder);
            window.attach(program);
            window.setWebAddress(kWebAddress);
            if (!program.Form_Load(line, window, askUser))
                return false;
            for (int i = 0; i < 3; ++i)
                program.collection().AppendImage(QStringLiteral("picture-%1.jpg").arg(i), folder,
                                                 StateUse);
            window.activateWindow();
            return QTest::qWaitForWindowActive(&window);
        }
        // Twice as a widget gets it: a click, then a double-click in place of the second press.
        static void click(QListView* view, int row, bool twice = false) {
            const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            if (twice)
                QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        }
    };

private Q_SLOTS:
    // Three pictures of the browsed folder in the collection, added.jpg browsed. Keys: Enter
    // sets the wallpaper but in the folder list and on a button, which it presses; '+' walks down
    // the collection; Space toggles the entry and steps down (not a Ctrl+Space that selects, also
    // when Ctrl is let go first), Delete removes it after the question;
    // Esc collapses into the tray and saves; Shift+Tab leaves the web link. Buttons: the browsed
    // file is added, the highlighted entry skipped, used or (after the question) removed; Clear
    // is off while its scan runs and hands its focus to the collection.
    void userActions_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("selected");    // -1: none
        QTest::addColumn<QString>("actions"); // keys, or the buttons clicked
        QTest::addColumn<int>("sets");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("states");
        QTest::newRow("Enter, folder list") << "Folder" << 0 << "Return" << 0 << 0 << "111";
        QTest::newRow("Enter, collection") << "ImageName" << 0 << "Return" << 1 << 0 << "111";
        QTest::newRow("keypad Enter, drive list") << "Disk" << 0 << "Enter" << 1 << 0 << "111";
        QTest::newRow("Enter, web link") << "Hyperlink" << 0 << "Return" << 0 << 0 << "111";
        QTest::newRow("Shift+Tab leaves the web link")
            << "Hyperlink>ImagePathText" << 0 << "Backtab" << 0 << 0 << "111";
        QTest::newRow("Enter presses a button") << "SkipImage" << 1 << "Return" << 0 << 1 << "121";
        QTest::newRow("+ stops at the end") << "ImageName" << -1 << "+ + + +" << 0 << 2 << "111";
        QTest::newRow("+ from the file list") << "Files" << 1 << "+" << 0 << 2 << "111";
        QTest::newRow("Space") << "ImageName" << 0 << "Space" << 0 << 1 << "211";
        QTest::newRow("Ctrl+Space, Ctrl let go first")
            << "ImageName" << 0 << "~Ctrl+Space" << 0 << 0 << "111";
        QTest::newRow("Delete") << "ImageName" << 0 << "Del" << 0 << 0 << "11";
        QTest::newRow("Esc") << "Files" << 2 << "Esc" << 0 << 2 << "111";
        QTest::newRow("add") << "Files" << 0 << "ImageAdd" << 0 << 0 << "1111";
        QTest::newRow("skip, use") << "Files" << 1 << "SkipImage UseImage" << 0 << 1 << "111";
        QTest::newRow("delete") << "Files" << 1 << "DelImage" << 0 << 0 << "11";
        QTest::newRow("clear") << "Files" << 1 << "Clear" << 0 << 1 << "111";
        QTest::newRow("Space on clear") << "Clear>ImageName" << 1 << "Space" << 0 << 1 << "111";
    }
    void userActions() {
        QFETCH(QString, focus); // and where it is after the actions, if given: "from>to"
        const QString focusAfter = focus.section(u'>', 1);
        focus = focus.section(u'>', 0, 0);
        QFETCH(int, selected);
        QFETCH(QString, actions);
        Shown shown;
        QVERIFY(shown.open());
        MainWindow& window = shown.window;
        Collection& collection = shown.program.collection();
        QSignalSpy set(&window, &MainWindow::setWallpaperRequested);
        QSignalSpy link(&window, &MainWindow::hyperlinkActivated);
        // Collapsed by its first delivery, the window leaves no control with the focus: the key
        // passing on to the window must not collapse it again.
        QSignalSpy collapses(window.findChild<MainKeys*>(), &MainKeys::escapePressed);
        shown.click(window.browser()->files(), 0);
        // The focus first: a list that gets it without a current row makes its first row current.
        auto* control = window.findChild<QWidget*>(focus);
        control->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), control);
        collection.selectionModel()->clear();
        if (selected >= 0)
            collection.SelectOnly(selected);
        for (const QString& action : actions.split(u' ')) {
            const QKeyCombination keys = QKeySequence(QString(action).remove(u'~'))[0];
            if (auto* button = window.findChild<QPushButton*>(action))
                QTest::mouseClick(button, Qt::LeftButton);
            else if (action.startsWith(u'~')) { // its modifiers let go before the key
                QTest::keyPress(control, keys.key(), keys.keyboardModifiers());
                QTest::keyRelease(control, keys.key());
            } else
                QTest::keyClick(control, keys.key());
        }
        QTEST(int(set.size()), "sets");
        QCOMPARE(link.size(), focus == QLatin1String("Hyperlink") && actions == "Return" ? 1 : 0);
        if (!focusAfter.isEmpty())
            QCOMPARE(QApplication::focusWidget()->objectName(), focusAfter);
        QTEST(collection.selectionModel()->currentIndex().row(), "current");
        QString states;
        for (int row = 0; row < collection.rowCount(); ++row)
            states += QString::number(collection.ImageState(row));
        QTEST(states, "states");
        QCOMPARE(window.commands()->clear()->isEnabled(), actions != "Clear" && focus != "Clear");
        // Clear's first picture decodes in the pool: the window's thread takes no verdict yet.
        if (!window.commands()->clear()->isEnabled())
            QCOMPARE(collection.ScanIndex(), 0);
        const bool escape = actions == QLatin1String("Esc");
        QCOMPARE(window.isVisible(), !escape);
        QCOMPARE(collapses.size(), escape ? 1 : 0);
        QCOMPARE(bool(window.trayIcon()), escape);
        QVERIFY(!shown.program.hasEnded());
        QCOMPARE(shown.stores.settings.ReadSetting(QStringLiteral("WN"), 0), escape ? 3 : 0);
        QCOMPARE(shown.stores.settings.ReadSetting(QStringLiteral("WName3"), QString()),
                 escape ? QStringLiteral("picture-2.jpg") : QString());
    }

    // The drive list, read once the window exists, shows the drive of the browsed folder. A
    // double click opens a folder, Backspace goes back up. A clicked file shows in the preview
    // with its name; a file that cannot be read shows an error naming it, never the picture
    // before; a second click on the focused file previews it again. Names that look like markup
    // show as written: in the error, in the tooltips of the lists and of the selected entry's
    // path, and a stored web address in the link's. A folder removed outside the program and
    // then double-clicked opens nothing, though the click read the list again and put another
    // folder in its row.
    void browsingFoldersAndPreviews() {
        Shown shown;
        QVERIFY(QDir(shown.folder).mkpath("gone-1") && QDir(shown.folder).mkpath("gone-2"));
        QVERIFY(shown.open());
        const auto* drive = shown.window.findChild<QComboBox*>(QStringLiteral("Disk"));
        QCOMPARE(drive->currentIndex(), shown.program.browser().driveIndex());
        QVERIFY(drive->currentText().startsWith(
            shown.program.browser().drives().value(drive->currentIndex()).rootPath));
        QListView* folder = shown.window.browser()->folder();
        QListView* files = shown.window.browser()->files();
        PreviewPanel* preview = shown.window.preview();
        const QModelIndex top = folder->model()->index(0, 0);
        const int gone = folder->model()->match(top, Qt::DisplayRole, "gone-1")[0].row();
        QVERIFY(QDir(shown.folder + u'/' + "gone-1").removeRecursively());
        Shown::click(folder, gone, true);
        QCOMPARE(shown.program.browser().folderPath(), shown.folder);
        const QModelIndexList pictures = folder->model()->match(top, Qt::DisplayRole, kSubfolder);
        QCOMPARE(pictures.size(), 1);
        QCOMPARE(test::shownToolTip(pictures[0].data(Qt::ToolTipRole).toString()), kSubfolder);
        Shown::click(folder, pictures[0].row(), true);
        const QString subfolder = shown.folder + u'/' + kSubfolder;
        QCOMPARE(shown.program.browser().folderPath(), subfolder);
        QCOMPARE(files->model()->rowCount(), 2);
        QCOMPARE(test::shownToolTip(files->model()->index(1, 0).data(Qt::ToolTipRole).toString()),
                 kTextNamed);
        Shown::click(files, 0);
        QCOMPARE(preview->imagePreviewName()->text(), QStringLiteral("beach.jpg"));
        QVERIFY(preview->imageErr()->isHidden());
        Shown::click(files, 1);
        QCOMPARE(preview->imageErr()->textFormat(), Qt::PlainText);
        QVERIFY(
            preview->imageErr()->text().remove(QChar(0x200B)).contains(u'\'' + kTextNamed + u'\''));
        // Cut off by neither side of the preview.
        const QLabel* error = preview->imageErr();
        const QRect lines = error->contentsRect().marginsRemoved(QMargins() + error->margin());
        QVERIFY(error->fontMetrics().boundingRect(lines, Qt::TextWordWrap, error->text()).width() <=
                lines.width());
        QVERIFY(!preview->imageErr()->isHidden());
        QVERIFY(!shown.program.browser().files().isSelected(1));
        QCOMPARE(preview->imagePreviewName()->text(), QString());
        // A file gone since the list was read shows as nothing, not as the picture before.
        Shown::click(files, 0);
        QVERIFY(QFile::rename(subfolder + "/beach.jpg", subfolder + "/away"));
        Shown::click(files, 0);
        QVERIFY(preview->imageErr()->text().remove(QChar(0x200B)).contains("'beach.jpg'"));
        QCOMPARE(preview->imagePreviewName()->text(), QString());
        QVERIFY(QFile::rename(subfolder + "/away", subfolder + "/beach.jpg"));
        Shown::click(files, 0);
        Shown::click(files, 0);
        QCOMPARE(preview->imagePreviewName()->text(), QStringLiteral("beach.jpg"));
        QVERIFY(preview->imageErr()->isHidden());
        folder->setFocus();
        QTest::keyClick(folder, Qt::Key_Backspace);
        QCOMPARE(shown.program.browser().folderPath(), shown.folder);
        QCOMPARE(files->model()->rowCount(), 4);
        Collection& collection = shown.program.collection();
        collection.AppendImage(kTextNamed, subfolder, StateUse);
        Shown::click(shown.window.imageName(), 3);
        QCOMPARE(test::shownToolTip(shown.window.findChild<QLineEdit*>("ImagePathText")->toolTip()),
                 QStringLiteral("Selected wallpaper image file name is: ") + subfolder + u'/' +
                     kTextNamed);
        QCOMPARE(test::shownToolTip(shown.window.findChild<QLabel*>("Hyperlink")->toolTip()),
                 QStringLiteral("Click to open ") + kWebAddress);
        QCOMPARE(test::misannounced(&shown.window), QStringList());
        // A long address is cut to the room its column leaves, which would otherwise scroll;
        // the link still opens all of it.
        const QWidget* page =
            shown.window.findChild<QScrollArea*>({}, Qt::FindDirectChildrenOnly)->widget();
        const int room = page->minimumSizeHint().width();
        const QString longAddress = "https://example.org/" + QString(3000, u'k');
        shown.window.setWebAddress(longAddress);
        QCOMPARE(page->minimumSizeHint().width(), room);
        QLabel* link = shown.window.hyperlink();
        QSignalSpy opened(&shown.window, &MainWindow::hyperlinkActivated);
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(link->width() - 8, link->height() / 2));
        QCOMPARE(opened.value(0).value(0).toString(), longAddress);
    }

    // A mark toggles its own row, wherever the list is scrolled, and is no part of the
    // selection; a name selects without toggling. Rows from the fourth are skipped and absent,
    // so a toggled mark shows them missing. A file added to the long collection joins at its
    // end, which the list then shows; so it shows the focused entry after a delete of rows above
    // it (the focused row among them, so the focus moves on).
    void collectionClicks_data() {
        QTest::addColumn<int>("scrollTo");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("click");
        QTest::addColumn<int>("toggles");
        QTest::addColumn<int>("selected");
        QTest::newRow("mark at the top") << 0 << 4 << "mark" << 1 << 0;
        QTest::newRow("mark, scrolled to row 20") << 20 << 23 << "mark" << 1 << 0;
        QTest::newRow("double click on a mark toggles twice") << 0 << 4 << "double" << 2 << 0;
        QTest::newRow("name") << 0 << 5 << "name" << 0 << 1;
        QTest::newRow("a file added comes into view") << 0 << 200 << "add" << 0 << 0;
        QTest::newRow("the focus stays in view after a delete") << 100 << 4 << "delete" << 0 << 1;
    }
    void collectionClicks() {
        QFETCH(int, scrollTo);
        QFETCH(int, row);
        QFETCH(QString, click);
        QFETCH(int, toggles);
        Shown shown;
        QVERIFY(shown.open());
        Collection& collection = shown.program.collection();
        CollectionView* view = shown.window.imageName();
        for (int i = 3; i < 200; ++i)
            collection.AppendImage(QStringLiteral("picture-%1.jpg").arg(i), "/nowhere", StateSkip);
        collection.selectionModel()->clear();
        view->scrollTo(collection.index(scrollTo), QAbstractItemView::PositionAtTop);
        QCOMPARE(view->TopIndex(), scrollTo);
        if (click == QLatin1String("add")) {
            Shown::click(shown.window.browser()->files(), 0);
            QTest::mouseClick(shown.window.commands()->imageAdd(), Qt::LeftButton);
            QCOMPARE(collection.ImageFileName(row), QStringLiteral("added.jpg"));
        } else if (click == QLatin1String("delete")) {
            QItemSelection chosen(collection.index(0), collection.index(scrollTo - 1));
            chosen.select(collection.index(scrollTo + 5), collection.index(scrollTo + 5));
            collection.selectionModel()->select(chosen, QItemSelectionModel::Select);
            collection.selectionModel()->setCurrentIndex(collection.index(scrollTo + 5),
                                                         QItemSelectionModel::NoUpdate);
            QTest::mouseClick(shown.window.commands()->delImage(), Qt::LeftButton);
            QCOMPARE(collection.selectionModel()->currentIndex().row(), row);
        }
        if (click == QLatin1String("add") || click == QLatin1String("delete")) {
            QTRY_VERIFY(view->viewport()->rect().contains(view->visualRect(collection.index(row))));
            return;
        }
        const QPoint mark = view->markRectOfRow(row).center();
        if (click == QLatin1String("name"))
            Shown::click(view, row);
        else
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, mark);
        // What a double click delivers: press, release, then press and double click.
        if (click == QLatin1String("double"))
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, mark);
        QCOMPARE(collection.ImageState(row), int(toggles % 2 ? StateMissing : StateSkip));
        QCOMPARE(collection.ImageState(row + 1), int(StateSkip));
        QTEST(int(collection.selectionModel()->selectedRows().size()), "selected");
    }

    // A left drag moves the window from its background, a heading, the preview or a dialog's
    // label once the pointer has gone the drag distance, and only once. A click, however quick,
    // never does (a move begun before the release would follow the pointer until the next
    // click), nor does another button.
    void dragsMoveTheWindow_data() {
        QTest::addColumn<QString>("from"); // the window, or a part of it or of the dialog
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("quarters"); // how far the pointer goes, in quarter drag distances
        QTest::addColumn<int>("moves");
        for (const char* from : {"window", "LText", "ImagePreview", "Msg"}) {
            QTest::addRow("%s, click", from) << from << int(Qt::LeftButton) << 0 << 0;
            QTest::addRow("%s, short of the distance", from)
                << from << int(Qt::LeftButton) << 3 << 0;
            QTest::addRow("%s, the distance", from) << from << int(Qt::LeftButton) << 4 << 1;
            QTest::addRow("%s, twice the distance", from) << from << int(Qt::LeftButton) << 8 << 1;
            QTest::addRow("%s, right button", from) << from << int(Qt::RightButton) << 8 << 0;
        }
    }
    void dragsMoveTheWindow() {
        QFETCH(QString, from);
        QFETCH(int, button);
        QFETCH(int, quarters);
        QFETCH(int, moves);
        MainWindow window;
        MemoryMessageSwitches switches;
        ProgMsg dialog{switches, nullptr};
        const bool onDialog = from == QLatin1String("Msg");
        QWidget& moved = onDialog ? static_cast<QWidget&>(dialog) : window;
        moved.show();
        QVERIFY(QTest::qWaitForWindowExposed(&moved));
        QList<QWidget*> started;
        (onDialog ? dialog.dragHandles() : window.dragHandles())
            ->setMoveStarterForTest([&started](QWidget* w) {
                started.append(w);
                return true;
            });
        QWidget* part = from == QLatin1String("window") ? &window : moved.findChild<QWidget*>(from);
        QVERIFY(part);
        const QPoint at(4, 4);
        const int distance = QApplication::startDragDistance();
        const auto held = static_cast<Qt::MouseButton>(button);
        QTest::mousePress(part, held, {}, at);
        for (int quarter = 1; quarter <= quarters; ++quarter)
            QTest::mouseMove(part, at + QPoint(distance * quarter / 4, 0));
        // Begun while the button is held, not at the release.
        QCOMPARE(started, QList<QWidget*>(moves, &moved));
        QTest::mouseRelease(part, held, {}, at + QPoint(distance * quarters / 4, 0));
        QCOMPARE(started.size(), moves);
    }

    // Each row's mark shows the row's state, and a screen reader hears the row's name and that
    // state: used (a picture of the folder), skipped and missing.
    void rowsShowTheirState() {
        Shown shown;
        QVERIFY(shown.open());
        Collection& collection = shown.program.collection();
        CollectionView* view = shown.window.imageName();
        collection.SetImageState(1, StateSkip);
        collection.AppendImage(QStringLiteral("gone.jpg"), "/nowhere", StateMissing);
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
        const auto mark = [view](int row) {
            return view->viewport()->grab(view->markRectOfRow(row)).toImage();
        };
        const QStringList states{"used", "skipped", "missing"};
        for (int row : {0, 1, 3}) {
            const QString said = states[qMin(row, 2)];
            QCOMPARE(list->child(row)->text(QAccessible::Name),
                     collection.ImageFileName(row) + QStringLiteral(", ") + said);
            QCOMPARE(list->child(row)->text(QAccessible::Description), said);
            QVERIFY(mark(row) != mark(row == 3 ? 0 : row + 1));
        }
        // The selected row shows, readably, whether the list has the keys; so does the folder
        // list's.
        for (QListView* rows : {static_cast<QListView*>(view), shown.window.browser()->folder()}) {
            const auto current = [rows] {
                return rows->viewport()->grab(rows->visualRect(rows->currentIndex())).toImage();
            };
            rows->setFocus();
            QTRY_VERIFY(rows->hasFocus());
            const QImage focused = current();
            shown.window.findChild<QPushButton*>(QStringLiteral("ImageAdd"))->setFocus();
            QTRY_VERIFY(!rows->hasFocus());
            const QImage unfocused = current();
            double most = 1;
            for (int y = 0; y < focused.height(); ++y)
                for (int x = 0; x < focused.width(); ++x)
                    most = qMax(
                        most, ContrastRatio(focused.pixelColor(x, y), unfocused.pixelColor(x, y)));
            QVERIFY2(most >= 3, qPrintable(rows->objectName()));
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
