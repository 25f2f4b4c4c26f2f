// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Program.h"
#include "support/PictureFiles.h"
#include "support/ProgramStores.h"
#include "support/ScriptedAskUser.h"
#include "ui/main/BrowserPanel.h"
#include "ui/main/CollectionView.h"
#include "ui/main/CommandColumn.h"
#include "ui/main/MainWindow.h"
#include "ui/main/PreviewPanel.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

// The browser, the previews and the collection commands as the main window shows them.
class TestMainWindowBrowsing : public QObject {
    Q_OBJECT

    struct Running : test::ProgramStores {
        QTemporaryDir pictures;
        test::ScriptedAskUser askUser{1};
        Program program{settings, clock, [] {}, environment.root()};
        MainWindow window;

        QString picture(const QString& name) const { return QDir(pictures.path()).filePath(name); }
        bool start() {
            if (!test::writePicture(picture(QStringLiteral("dunes 2.jpg")), QSize(900, 600)) ||
                !test::writePicture(picture(QStringLiteral("dunes 10.JPG")), QSize(600, 900)) ||
                !test::writeBytes(picture(QStringLiteral("text-named.jpg")), "words"))
                return false;
            const CommandLine line = CommandLine::parse({});
            if (!Program::settleLiveness(settings, clock, line))
                return false;
            settings.WriteSetting(QStringLiteral("LastFolder"), pictures.path());
            // No sample import into this collection.
            settings.WriteSetting(QStringLiteral("JustInstalled"), QStringLiteral("0"));
            window.attach(program);
            if (!program.Form_Load(line, window, askUser))
                return false;
            return QTest::qWaitForWindowExposed(&window);
        }
        QListView* files() const { return window.browser()->files(); }
        QPoint fileCentre(int row) const {
            return files()->visualRect(files()->model()->index(row, 0)).center();
        }
        void runScan() {
            for (int tick = 0; program.collection().isScanning() && tick < 1000; ++tick)
                program.collection().ImagesScanTimer_Timer();
        }
    };

private Q_SLOTS:
    void browsingPreviewingAndAdding() {
        Running run;
        QVERIFY(run.start());
        QCOMPARE(run.window.browser()->files()->objectName(), QStringLiteral("Files"));
        QCOMPARE(run.window.browser()->folder()->objectName(), QStringLiteral("Folder"));
        QCOMPARE(run.window.browser()->disk()->objectName(), QStringLiteral("Disk"));
        QVERIFY(run.window.browser()->disk()->count() >= 1);
        QCOMPARE(run.files()->model()->rowCount(), 3);
        QCOMPARE(run.files()->model()->index(0, 0).data().toString(),
                 QStringLiteral("dunes 2.jpg"));

        // A click previews the file at the preview's size.
        QTest::mouseClick(run.files()->viewport(), Qt::LeftButton, {}, run.fileCentre(1));
        PreviewPanel* preview = run.window.preview();
        QCOMPARE(preview->imagePreviewName()->text(), QStringLiteral("dunes 10.JPG"));
        QVERIFY(!preview->imagePreview()->pixmap().isNull());
        QVERIFY(preview->imagePreview()->pixmap().height() <=
                preview->imagePreview()->height() * preview->imagePreview()->devicePixelRatio());
        QVERIFY(preview->imageErr()->isHidden());

        // All three highlighted and added: the text file leaves with the scan.
        run.files()->setFocus();
        run.files()->selectAll();
        QTest::mouseClick(run.window.commands()->imageAdd(), Qt::LeftButton);
        QCOMPARE(run.program.collection().rowCount(), 3);
        QVERIFY(run.files()->selectionModel()->selectedRows().isEmpty());
        run.runScan();
        QCOMPARE(run.program.collection().rowCount(), 2);

        // Clicking a file that is in the collection selects its entry.
        QTest::mouseClick(run.files()->viewport(), Qt::LeftButton, {}, run.fileCentre(0));
        QCOMPARE(run.window.imageName()->currentIndex().row(), 0);
        QCOMPARE(run.window.imagePathText()->text(), run.picture(QStringLiteral("dunes 2.jpg")));

        // A non-picture previewed: the error shows over the emptied area.
        QTest::mouseClick(run.files()->viewport(), Qt::LeftButton, {}, run.fileCentre(2));
        QCOMPARE(preview->imageErr()->text(),
                 QStringLiteral("Unable to preview file 'text-named.jpg' !"));
        QVERIFY(!preview->imageErr()->isHidden());
        QVERIFY(preview->imagePreview()->pixmap().isNull());

        // Clear is off while its scan runs.
        QPushButton* clear = run.window.commands()->clear();
        QTest::mouseClick(clear, Qt::LeftButton);
        QVERIFY(!clear->isEnabled());
        run.runScan();
        QVERIFY(clear->isEnabled());

        // Delete the selected entry after the question.
        run.program.collection().SelectOnly(1);
        QTest::mouseClick(run.window.commands()->delImage(), Qt::LeftButton);
        QCOMPARE(
            run.askUser.asked.last().message,
            QStringLiteral("Are you sure to delete selected file from wallpaper collection ?"));
        QCOMPARE(run.program.collection().rowCount(), 1);

        // The folder shown is the one saved.
        run.program.SaveState();
        QCOMPARE(run.settings.ReadSetting(QStringLiteral("LastFolder"), QString()),
                 run.pictures.path());
        run.program.ExitProgram();
    }
};

QTEST_MAIN(TestMainWindowBrowsing)
#include "tst_main_window_browsing.moc"
