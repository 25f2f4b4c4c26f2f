// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFolders.h"
#include "settings/Settings.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedAskUser.h"
#include "support/ShownToolTip.h"
#include "ui/help/Help.h"
#include "ui/help/HelpWindow.h"
#include "ui/help/Hyperlinks.h"
#include "ui/help/ProgAbout.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>

using namespace kv;

namespace {

const QString kManual = QStringLiteral("KestrovalineHelp.html");
const QString kHome = QStringLiteral("https://example.org/kestrovaline/");

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
    // Help looks in the current folder too: one without a manual. It holds a program and a
    // desktop entry that links must not hand to the desktop.
    void initTestCase() {
        QVERIFY(QDir::setCurrent(dir_.path()));
        QFile program(QStringLiteral("evil.sh"));
        QVERIFY(touch(program.fileName()) && touch(QStringLiteral("manual.desktop")));
        QVERIFY(program.setPermissions(program.permissions() | QFile::ExeOwner));
    }

    // What Help offers and what each answer opens. The user is asked unless there is no manual
    // or the home page is the manual itself, or a local file that is not there (the manual where
    // the program would have it, when it lies only in the "HelpFile" folder): then only one
    // answer opens anything. The manual is the one in the windows' language ("" English),
    // English where there is none in it.
    void helpClick_data() {
        QTest::addColumn<QString>("manualIn");  // "program" (English and German), "HelpFile", ""
        QTest::addColumn<bool>("homeIsManual"); // the manual's address in the program folder
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("opens"); // "manual", "home", or "" for the failure box
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("language");
        QTest::newRow("manual, Cancel") << "program" << false << 0 << "manual" << true << "";
        QTest::newRow("manual, OK") << "program" << false << 1 << "home" << true << "";
        QTest::newRow("no manual: home page") << "" << false << 0 << "home" << false << "de";
        QTest::newRow("home page is the manual")
            << "program" << true << 1 << "manual" << false << "";
        QTest::newRow("no French manual: English")
            << "program" << false << 0 << "manual" << true << "fr";
        QTest::newRow("manual only in HelpFile, home page not there")
            << "HelpFile" << true << 1 << "manual" << false << "";
        QTest::newRow("no manual, home page not there") << "" << true << 1 << "" << false << "";
    }
    void helpClick() {
        QFETCH(QString, manualIn);
        QFETCH(bool, homeIsManual);
        QFETCH(int, answer);
        QFETCH(QString, language);
        QTemporaryDir program;
        QTemporaryDir helpFolder;
        const QDir folder(manualIn == "HelpFile" ? helpFolder.path() : program.path());
        QVERIFY(manualIn.isEmpty() || (touch(folder.filePath(kManual)) &&
                                       touch(folder.filePath("KestrovalineHelp_de.html"))));
        const QString manualName = language == "de" ? "KestrovalineHelp_de.html" : kManual;
        const QUrl manual = QUrl::fromLocalFile(folder.filePath(manualName));
        test::MemorySettingsStore store;
        Settings settings(store);
        settings.WriteSetting(QStringLiteral("HelpFile"), helpFolder.path());
        test::ScriptedAskUser ask(answer);
        Links links;
        Help help(settings, ask, links.links);
        help.setProgramFolder(program.path());
        help.setHelpFileName(helpFileName(program.path(), language));
        const QString home =
            homeIsManual ? QUrl::fromLocalFile(QDir(program.path()).filePath(manualName)).toString()
                         : kHome;
        help.setHomePage(home);
        help.Help_Click();
        QTEST(!ask.asked.isEmpty(), "asked");
        QVERIFY(ask.asked.isEmpty() || ask.asked[0].kind == MessageKind::Help);
        QFETCH(QString, opens);
        QCOMPARE(links.opened, opens.isEmpty()
                                   ? QList<QUrl>()
                                   : QList<QUrl>{opens == "manual" ? manual : QUrl(home)});
        QCOMPARE(links.boxes.size(), opens.isEmpty() ? 1 : 0);
    }

    // Each manual shows the pictures taken in its own language, at the size they were taken, and
    // beside each one twice as large for a screen scaled by two.
    void manualPictures_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("suffix"); // the pictures' language
        QTest::newRow("English") << kManual << "";
        QTest::newRow("German") << "KestrovalineHelp_de.html"
                                << "_de";
    }
    void manualPictures() {
        QFETCH(QString, page);
        QFETCH(QString, suffix);
        const QDir build(qEnvironmentVariable("KV_BUILD_DIR"));
        QTextBrowser window;
        window.setSource(QUrl::fromLocalFile(build.filePath(page)));
        const QRegularExpression own("^KestrovalineHelp-images/[a-z0-9-]+" + suffix + "\\.png$");
        int pictures = 0;
        for (QTextBlock block = window.document()->begin(); block.isValid(); block = block.next())
            for (auto part = block.begin(); !part.atEnd(); ++part) {
                const QTextImageFormat format = part.fragment().charFormat().toImageFormat();
                if (!format.isImageFormat())
                    continue;
                ++pictures;
                QVERIFY2(own.match(format.name()).hasMatch(), qPrintable(format.name()));
                const QImage picture(build.filePath(format.name()));
                QCOMPARE(picture.size(), QSize(format.width(), format.height()));
                // Found beside the page by the help window on a screen at 200 %, not at 100 %.
                const QImage large =
                    HelpWindow::sharperPicture(window.source(), QUrl(format.name()), 2);
                QCOMPARE(large.deviceIndependentSize().toSize(), picture.size());
                QCOMPARE(large.size(), picture.size() * 2);
                QVERIFY(
                    HelpWindow::sharperPicture(window.source(), QUrl(format.name()), 1).isNull());
            }
        QCOMPARE(pictures, 4);
    }

    // An address that cannot open warns and names it, and so does a local document that is not
    // there, although the desktop's opener takes it; without an opener the manual shows in the
    // program's own window with its pictures, its section links stay inside, and Esc closes it.
    void openHyperlink_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("desktopOpens"); // the opener reports success
        QTest::addColumn<int>("outcome");       // 1 opened, 2 failure box, 3 help window
        QTest::newRow("no scheme at all") << "nowhere at all" << true << 2;
        QTest::newRow("odd file name opens that file")
            << QDir(dir_.path()).filePath("a #1 100%.html") << true << 1;
        QTest::newRow("manual, no opener")
            << QDir(qEnvironmentVariable("KV_BUILD_DIR")).filePath(kManual) << false << 3;
        QTest::newRow("web link, no opener") << "https://example.org/" << false << 2;
        QTest::newRow("manual not there") << "file:///nowhere/KestrovalineHelp.html" << true << 2;
        const QDir here(dir_.path());
        QTest::newRow("program as a URL")
            << QUrl::fromLocalFile(here.filePath("evil.sh")).toString() << true << 2;
        QTest::newRow("program by its path") << here.filePath("evil.sh") << true << 2;
        QTest::newRow("desktop entry") << here.filePath("manual.desktop") << true << 2;
        QTest::newRow("folder opens") << dir_.path() << true << 1;
        QTest::newRow("mail opens") << "mailto:kestrel@example.org" << true << 1;
        QTest::newRow("other scheme") << "smb://example.org/share" << true << 2;
    }
    void openHyperlink() {
        QFETCH(QString, address);
        QFETCH(int, outcome);
        QVERIFY(!address.contains(QLatin1String("%.html")) || touch(address));
        Links links;
        QFETCH(bool, desktopOpens);
        links.openSucceeds = desktopOpens;
        HelpWindow window(links.links);
        links.links.setLocalViewer([&window](const QUrl& url) { return window.showManual(url); });
        links.links.OpenHyperlink(address);
        QCOMPARE(links.boxes.size(), outcome == 2 ? 1 : 0);
        QVERIFY(outcome != 2 || links.boxes[0].contains(address));
        QCOMPARE(window.isVisible(), outcome == 3);
        if (outcome == 1)
            QCOMPARE(links.opened, QList<QUrl>{Hyperlinks::UrlOf(address)});
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
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
    }

    // The about box opens 250 pixels right of and 20 below the main window, kept on the screen.
    // The manual window a link in it opens takes clicks while the box is up. The link's tooltip
    // says where it leads, though it reads as the manual.
    void aboutBox() {
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
        QCOMPARE(test::shownToolTip(about.hyperlinks().value(0)->toolTip()),
                 "Click to open " + QUrl::fromLocalFile(page).toString());
        PressCounter presses;
        manual.viewport()->installEventFilter(&presses);
        for (const QPoint corner : {QPoint(9000, 9000), QPoint(100, 200)}) {
            window.move(corner);
            window.show();
            QTimer::singleShot(0, &about, [&] {
                QTest::mouseClick(about.hyperlinks().value(0), Qt::LeftButton);
                // Through the window system, which drops what a modal window blocks.
                QTest::mouseClick(manual.windowHandle(), Qt::LeftButton, {},
                                  manual.viewport()->mapTo(&manual, QPoint(10, 10)));
                about.hide();
            });
            about.showModal();
            QVERIFY(about.screen()->availableGeometry().contains(about.frameGeometry()));
        }
        QCOMPARE(about.pos(), QPoint(350, 220));
        QVERIFY(manual.isVisible());
        QCOMPARE(presses.presses, 2);
    }

    // However long the address, the about box is no wider than for a long one that still fits
    // a screen, the link cut in the middle; a click opens all of it.
    void longAddressInAboutBox() {
        Links links;
        const QString web = QStringLiteral("https://example.org/");
        ProgAbout usual(1, 0, ProgAbout::LinksTo(web + QString(300, u'k')), links.links);
        ProgAbout about(1, 0, ProgAbout::LinksTo(web + QString(3000, u'k')), links.links);
        usual.show();
        about.show();
        QCOMPARE(about.width(), usual.width());
        QTest::mouseClick(about.hyperlinks().value(1), Qt::LeftButton);
        QCOMPARE(links.opened, QList<QUrl>{QUrl(web + QString(3000, u'k'))});
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
