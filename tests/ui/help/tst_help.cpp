// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFolders.h"
#include "settings/Settings.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedAskUser.h"
#include "ui/help/Help.h"
#include "ui/help/HelpWindow.h"
#include "ui/help/Hyperlinks.h"
#include "ui/help/ProgAbout.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

using namespace kv;

namespace {

const QString kManual = QStringLiteral("KestrovalineHelp.html");
const QString kHome = QStringLiteral("file:///opt/kestrovaline/KestrovalineHelp.html");

bool touch(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("<html></html>") > 0;
}

// Links open into a list; a failed one leaves its box's text.
struct Links {
    Links() {
        links.setOpener([this](const QUrl& url) {
            opened << url;
            return openSucceeds;
        });
        links.setErrorShower([this](QMessageBox& box) { boxes << box.text(); });
    }
    Hyperlinks links;
    QList<QUrl> opened;
    QStringList boxes;
    bool openSucceeds = true;
};

// Counts the mouse presses that reach a widget.
struct PressCounter : QObject {
    int presses = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        presses += event->type() == QEvent::MouseButtonPress ? 1 : 0;
        return false;
    }
};

} // namespace

class TestHelp : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    // Help looks in the current folder too: one without a manual.
    void initTestCase() { QVERIFY(QDir::setCurrent(dir_.path())); }

    // What Help offers and what each answer opens. The user is asked unless there is no manual
    // or the home page is the manual itself: then both answers would open the same. The manual
    // is the one in the windows' language ("" English), English where there is none in it.
    void helpClick_data() {
        QTest::addColumn<bool>("hasManual"); // beside the program, in English and German
        QTest::addColumn<bool>("homeIsManual");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("opensManual"); // or else the home page
        QTest::addColumn<QString>("language");
        QTest::newRow("manual, Cancel") << true << false << 0 << true << true << "";
        QTest::newRow("manual, OK") << true << false << 1 << true << false << "";
        QTest::newRow("no manual: home page") << false << false << 0 << false << false << "de";
        QTest::newRow("home page is the manual") << true << true << 1 << false << true << "";
        QTest::newRow("no French manual: English") << true << false << 0 << true << true << "fr";
    }
    void helpClick() {
        QFETCH(bool, hasManual);
        QFETCH(bool, homeIsManual);
        QFETCH(int, answer);
        QFETCH(QString, language);
        QTemporaryDir program;
        const QDir folder(program.path());
        QVERIFY(!hasManual || (touch(folder.filePath(kManual)) &&
                               touch(folder.filePath("KestrovalineHelp_de.html"))));
        const QUrl manual = QUrl::fromLocalFile(
            folder.filePath(language == "de" ? "KestrovalineHelp_de.html" : kManual));
        test::MemorySettingsStore store;
        Settings settings(store);
        test::ScriptedAskUser ask(answer);
        Links links;
        Help help(settings, ask, links.links);
        help.setProgramFolder(program.path());
        help.setHelpFileName(helpFileName(program.path(), language));
        const QString home = homeIsManual ? manual.toString(QUrl::FullyEncoded) : kHome;
        help.setHomePage(home);
        help.Help_Click();
        QTEST(!ask.asked.isEmpty(), "asked");
        QVERIFY(ask.asked.isEmpty() || ask.asked[0].kind == MessageKind::Help);
        QFETCH(bool, opensManual);
        QCOMPARE(links.opened, QList<QUrl>{opensManual ? manual : QUrl(home)});
        QVERIFY(links.boxes.isEmpty());
    }

    // An address that cannot open warns and names it; without an opener the manual shows in the
    // program's own window with its pictures, and its section links stay inside.
    void openHyperlink_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("outcome"); // 1 opened, 2 failure box, 3 help window
        QTest::newRow("no scheme at all") << "nowhere at all" << 2;
        QTest::newRow("odd file name opens that file")
            << QDir(dir_.path()).filePath("a #1 100%.html") << 1;
        QTest::newRow("manual, no opener")
            << QDir(qEnvironmentVariable("KV_BUILD_DIR")).filePath(kManual) << 3;
        QTest::newRow("web link, no opener") << "https://example.org/" << 2;
    }
    void openHyperlink() {
        QFETCH(QString, address);
        QFETCH(int, outcome);
        QVERIFY(!address.contains(QLatin1String("%.html")) || touch(address));
        Links links;
        links.openSucceeds = outcome == 1;
        HelpWindow window(links.links);
        links.links.setLocalViewer([&window](const QUrl& url) { return window.showManual(url); });
        links.links.OpenHyperlink(address);
        QCOMPARE(links.boxes.size(), outcome == 2 ? 1 : 0);
        QVERIFY(outcome != 2 || links.boxes[0].contains(address));
        QCOMPARE(window.isVisible(), outcome == 3);
        if (outcome == 1)
            QCOMPARE(links.opened, QList<QUrl>{QUrl::fromLocalFile(address)});
        if (outcome != 3)
            return;
        QCOMPARE(window.source(), QUrl::fromLocalFile(address));
        const QVariant picture =
            window.document()->resource(QTextDocument::ImageResource,
                                        QUrl(QStringLiteral("KestrovalineHelp-images/about.png")));
        QVERIFY(!picture.value<QImage>().isNull() || !picture.value<QPixmap>().isNull());
        Q_EMIT window.anchorClicked(QUrl(QStringLiteral("#options")));
        QCOMPARE(window.source().fragment(), QStringLiteral("options"));
        QCOMPARE(links.opened.size(), 1);
    }

    // The about box opens 250 pixels right of and 20 below the main window, kept on the screen.
    void aboutBoxPlace() {
        QWidget window;
        Links links;
        ProgAbout about(1, 0, {}, links.links, &window);
        for (const QPoint corner : {QPoint(9000, 9000), QPoint(100, 200)}) {
            window.move(corner);
            window.show();
            QTimer::singleShot(0, &about, &QWidget::hide);
            about.showModal();
            QVERIFY(about.screen()->availableGeometry().contains(about.frameGeometry()));
        }
        QCOMPARE(about.pos(), QPoint(350, 220));
    }

    // The manual window a link in the about box opens takes clicks while the box is up.
    void aboutBoxLeavesManualUsable() {
        // Not in the current folder, where Help would find it.
        const QTemporaryDir folder;
        const QString page = QDir(folder.path()).filePath(kManual);
        QVERIFY(touch(page));
        QWidget window;
        Links links;
        links.openSucceeds = false;
        HelpWindow manual(links.links);
        links.links.setLocalViewer([&manual](const QUrl& url) { return manual.showManual(url); });
        ProgAbout about(1, 0, ProgAbout::LinksTo(QUrl::fromLocalFile(page).toString()), links.links,
                        &window);
        window.show();
        PressCounter presses;
        manual.viewport()->installEventFilter(&presses);
        QTimer::singleShot(0, &about, [&] {
            QTest::mouseClick(about.hyperlinks().value(0), Qt::LeftButton);
            // Through the window system, which drops what a modal window blocks.
            QTest::mouseClick(manual.windowHandle(), Qt::LeftButton, {},
                              manual.viewport()->mapTo(&manual, QPoint(10, 10)));
            about.hide();
        });
        about.showModal();
        QVERIFY(manual.isVisible());
        QCOMPARE(presses.presses, 1);
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
