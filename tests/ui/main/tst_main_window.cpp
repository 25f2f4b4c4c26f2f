// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Program.h"
#include "support/PictureFiles.h"
#include "support/ProgramStores.h"
#include "support/ScriptedAskUser.h"
#include "ui/WindowDrag.h"
#include "ui/main/BrowserPanel.h"
#include "ui/main/CollectionView.h"
#include "ui/main/CommandColumn.h"
#include "ui/main/MainWindow.h"
#include "ui/main/PreviewPanel.h"

#include <QApplication>
#include <QDir>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace kv;

// The main window as the user meets it: its keys, its buttons, its lists and dragging.
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
            QDir(folder).mkpath(QStringLiteral("pictures"));
            for (const char* name : {"added.jpg", "picture-0.jpg", "picture-1.jpg", "picture-2.jpg",
                                     "pictures/beach.jpg"})
                if (!test::writePicture(folder + u'/' + QLatin1String(name), QSize(640, 480)))
                    return false;
            const CommandLine line = CommandLine::parse({});
            if (!test::writeBytes(folder + QStringLiteral("/pictures/text-named.jpg"), "words") ||
                !Program::settleLiveness(stores.settings, stores.clock, line))
                return false;
            stores.settings.WriteSetting(QStringLiteral("LastFolder"), folder);
            window.attach(program);
            if (!program.Form_Load(line, window, askUser))
                return false;
            for (int i = 0; i < 3; ++i)
                program.collection().AppendImage(QStringLiteral("picture-%1.jpg").arg(i), folder,
                                                 StateUse);
            window.activateWindow();
            return QTest::qWaitForWindowActive(&window);
        }
        static void click(QListView* view, int row, bool twice = false) {
            const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
            QTest::mouseEvent(twice ? QTest::MouseDClick : QTest::MouseClick, view->viewport(),
                              Qt::LeftButton, {}, at);
        }
    };

private Q_SLOTS:
    // Three pictures of the browsed folder in the collection, added.jpg browsed. Keys: Enter
    // sets the wallpaper but in the folder list; '+' walks down the collection; Space toggles
    // the entry and steps down, Delete removes it after the question; Esc collapses into the
    // tray and saves. Buttons: the browsed file is added, the highlighted entry skipped, used
    // or (after the question) removed; Clear is off while its scan runs.
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
        QTest::newRow("+, nothing selected") << "ImageName" << -1 << "+" << 0 << 0 << "111";
        QTest::newRow("+ stops at the end") << "ImageName" << -1 << "+ + + +" << 0 << 2 << "111";
        QTest::newRow("+ from the file list") << "Files" << 1 << "+" << 0 << 2 << "111";
        QTest::newRow("Space") << "ImageName" << 0 << "Space" << 0 << 1 << "211";
        QTest::newRow("Delete") << "ImageName" << 0 << "Del" << 0 << 0 << "11";
        QTest::newRow("Esc") << "Files" << 2 << "Esc" << 0 << 2 << "111";
        QTest::newRow("add") << "Files" << 0 << "ImageAdd" << 0 << 0 << "1111";
        QTest::newRow("skip") << "Files" << 1 << "SkipImage" << 0 << 1 << "121";
        QTest::newRow("skip, use") << "Files" << 1 << "SkipImage UseImage" << 0 << 1 << "111";
        QTest::newRow("delete") << "Files" << 1 << "DelImage" << 0 << 0 << "11";
        QTest::newRow("clear") << "Files" << 1 << "Clear" << 0 << 1 << "111";
    }
    void userActions() {
        QFETCH(QString, focus);
        QFETCH(int, selected);
        QFETCH(QString, actions);
        Shown shown;
        QVERIFY(shown.open());
        MainWindow& window = shown.window;
        Collection& collection = shown.program.collection();
        QSignalSpy set(&window, &MainWindow::setWallpaperRequested);
        shown.click(window.browser()->files(), 0);
        // The focus first: a list that gets it without a current row makes its first row current.
        auto* control = window.findChild<QWidget*>(focus);
        control->setFocus(Qt::OtherFocusReason);
        QCOMPARE(QApplication::focusWidget(), control);
        collection.selectionModel()->clear();
        if (selected >= 0)
            collection.SelectOnly(selected);
        for (const QString& action : actions.split(u' ')) {
            if (auto* button = window.findChild<QPushButton*>(action))
                QTest::mouseClick(button, Qt::LeftButton);
            else
                QTest::keyClick(control, Qt::Key(QKeySequence(action)[0].key()));
        }
        QTEST(int(set.size()), "sets");
        QTEST(collection.selectionModel()->currentIndex().row(), "current");
        QString states;
        for (int row = 0; row < collection.rowCount(); ++row)
            states += QString::number(collection.ImageState(row));
        QTEST(states, "states");
        QCOMPARE(window.commands()->clear()->isEnabled(), actions != QLatin1String("Clear"));
        const bool escape = actions == QLatin1String("Esc");
        QCOMPARE(window.isVisible(), !escape);
        QCOMPARE(bool(window.trayIcon()), escape);
        QVERIFY(!shown.program.hasEnded());
        QCOMPARE(shown.stores.settings.ReadSetting(QStringLiteral("WN"), 0), escape ? 3 : 0);
        QCOMPARE(shown.stores.settings.ReadSetting(QStringLiteral("WName3"), QString()),
                 escape ? QStringLiteral("picture-2.jpg") : QString());
    }

    // A double click opens a folder, Backspace goes back up. A clicked file shows in the preview,
    // its name from the start however long; a file that cannot be read shows an error naming it,
    // never the picture before; a second click on the focused file previews it again.
    void browsingFoldersAndPreviews() {
        Shown shown;
        QVERIFY(shown.open());
        QListView* folder = shown.window.browser()->folder();
        QListView* files = shown.window.browser()->files();
        PreviewPanel* preview = shown.window.preview();
        const QModelIndexList pictures = folder->model()->match(
            folder->model()->index(0, 0), Qt::DisplayRole, QStringLiteral("pictures"));
        QCOMPARE(pictures.size(), 1);
        Shown::click(folder, pictures[0].row(), true);
        QCOMPARE(shown.program.browser().folderPath(), shown.folder + QStringLiteral("/pictures"));
        QCOMPARE(files->model()->rowCount(), 2);
        Shown::click(files, 0);
        QCOMPARE(preview->imagePreviewName()->text(), QStringLiteral("beach.jpg"));
        QCOMPARE(preview->imagePreviewName()->cursorPosition(), 0);
        QVERIFY(preview->imageErr()->isHidden());
        Shown::click(files, 1);
        QVERIFY(preview->imageErr()->text().contains(QLatin1String("'text-named.jpg'")));
        QVERIFY(!preview->imageErr()->isHidden());
        QVERIFY(!shown.program.browser().files().isSelected(1));
        QCOMPARE(preview->imagePreviewName()->text(), QString());
        Shown::click(files, 0);
        Shown::click(files, 0);
        QCOMPARE(preview->imagePreviewName()->text(), QStringLiteral("beach.jpg"));
        QVERIFY(preview->imageErr()->isHidden());
        folder->setFocus();
        QTest::keyClick(folder, Qt::Key_Backspace);
        QCOMPARE(shown.program.browser().folderPath(), shown.folder);
        QCOMPARE(files->model()->rowCount(), 4);
    }

    // Only the left button drags, and only from the window's own surfaces, never from a list
    // or a button.
    void onlyTheLeftButtonDragsFromTheWindowsSurfaces() {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QList<QWidget*> moved;
        window.dragHandles()->setDragForTest([&moved](QWidget* from) { moved << from; });
        QWidget* heading = window.headings()[1];
        for (QWidget* target :
             QWidgetList{heading, window.imageName()->viewport(), window.setButton()}) {
            for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
                QTest::mousePress(target, button, {}, target->rect().center());
                QTest::mouseRelease(target, button, {}, target->rect().center());
            }
        }
        QCOMPARE(moved, QList<QWidget*>{heading});
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
