// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Settings.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedAskUser.h"
#include "ui/help/Help.h"
#include "ui/help/HelpWindow.h"
#include "ui/help/Hyperlinks.h"
#include "ui/help/ProgAbout.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

using namespace kv;

namespace {

const QString kManual = QStringLiteral("KestrovalineHelp.html");
const QString kHome = QStringLiteral("file:///opt/kestrovaline/KestrovalineHelp.html");
const QString kWeb = QStringLiteral("https://kestrovaline.example/");

void touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html></html>");
}

// Links open into a list; a failed one leaves its box's title and text.
struct Links {
    Links() {
        links.setOpener([this](const QUrl& url) {
            opened << url;
            return openSucceeds;
        });
        links.setErrorShower([this](QMessageBox& box) {
            boxes << box.windowTitle() + u'|' + box.text();
            boxIcon = box.icon();
        });
    }
    Hyperlinks links;
    QList<QUrl> opened;
    QStringList boxes;
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    bool openSucceeds = true;
};

} // namespace

class TestHelp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Where the manual lies decides what Help offers and what each answer opens.
    void helpClick_data() {
        QTest::addColumn<QString>("manualIn"); // program, named, current, none
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("opens");     // home, or the folder of the manual opened
        QTest::addColumn<bool>("homeIsManual"); // the home page is the manual beside the program
        QTest::newRow("beside the program, Cancel") << "program" << 0 << true << "program" << false;
        QTest::newRow("beside the program, OK") << "program" << 1 << true << "home" << false;
        QTest::newRow("beside wins over HelpFile")
            << "program+named" << 0 << true << "program" << false;
        QTest::newRow("in the HelpFile folder") << "named" << 0 << true << "named" << false;
        QTest::newRow("in the current folder") << "current" << 0 << true << "current" << false;
        QTest::newRow("nothing shown opens the manual")
            << "program" << -1 << true << "program" << false;
        QTest::newRow("no manual: home page, no question")
            << "none" << 0 << false << "home" << false;
        QTest::newRow("home page is the manual: no question")
            << "program" << 1 << false << "program" << true;
    }
    void helpClick() {
        QFETCH(QString, manualIn);
        QFETCH(int, answer);
        QTemporaryDir root;
        const QDir dir(root.path());
        for (const char* name : {"program", "named", "current"})
            QVERIFY(dir.mkpath(QString::fromLatin1(name)));
        const QString current = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.filePath(QStringLiteral("current"))));
        for (const QString& place : manualIn.split(u'+'))
            if (place != QLatin1String("none"))
                touch(dir.filePath(place + u'/' + kManual));

        test::MemorySettingsStore store;
        Settings settings(store);
        settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
        settings.WriteSetting(QStringLiteral("HelpFile"), dir.filePath(QStringLiteral("named")));
        test::ScriptedAskUser ask(answer);
        Links links;
        Help help(settings, ask, links.links);
        help.setProgramFolder(dir.filePath(QStringLiteral("program")));
        help.setHelpFileName(kManual);
        QFETCH(bool, homeIsManual);
        const QString home =
            homeIsManual ? QUrl::fromLocalFile(dir.filePath(QStringLiteral("program/") + kManual))
                               .toString(QUrl::FullyEncoded)
                         : kHome;
        help.setHomePage(home);
        help.Help_Click();
        QDir::setCurrent(current);

        QFETCH(bool, asked);
        QCOMPARE(ask.asked.size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(ask.asked[0].kind, MessageKind::Help);
            QCOMPARE(ask.asked[0].message, Help::helpQuestion());
        }
        QFETCH(QString, opens);
        QCOMPARE(links.opened.size(), 1);
        const QUrl expected = opens == QLatin1String("home")
                                  ? QUrl(home)
                                  : QUrl::fromLocalFile(dir.filePath(opens + u'/' + kManual));
        QCOMPARE(links.opened[0], expected);
        QVERIFY(links.boxes.isEmpty());
    }

    void hyperlinkFailure_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("openerSucceeds");
        QTest::addColumn<bool>("boxShown");
        QTest::newRow("opened") << "https://example.org/a" << true << false;
        QTest::newRow("opener refuses") << "htps://example.org/a" << false << true;
        QTest::newRow("no scheme at all") << "nowhere at all" << true << true;
        QTest::newRow("markup stays text") << "<b>x</b>" << false << true;
        QTest::newRow("empty does nothing") << "" << false << false;
    }
    void hyperlinkFailure() {
        QFETCH(QString, address);
        QFETCH(bool, openerSucceeds);
        Links links;
        links.openSucceeds = openerSucceeds;
        links.links.OpenHyperlink(address);
        QFETCH(bool, boxShown);
        QCOMPARE(links.boxes.size(), boxShown ? 1 : 0);
        if (boxShown) {
            QCOMPARE(links.boxes[0],
                     QStringLiteral("Hyperlink opening error|Unable to open hyperlink ") + address);
            QCOMPARE(links.boxIcon, QMessageBox::Warning);
        }
    }

    // Where nothing on the desktop opens a document (no xdg-open), the manual shows in the
    // program's own window with its pictures; anything else still reports that it failed.
    void fallbackToTheHelpWindow_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("shownInside");
        QTest::newRow("the manual") << kManual << true;
        QTest::newRow("a web link") << "https://example.org/" << false;
        QTest::newRow("a picture of the manual") << "KestrovalineHelp-images/about.png" << false;
    }
    void fallbackToTheHelpWindow() {
        const QString build = qEnvironmentVariable("KV_BUILD_DIR");
        if (build.isEmpty())
            QSKIP("KV_BUILD_DIR is not set: run through ctest");
        QFETCH(QString, address);
        QFETCH(bool, shownInside);
        Links links;
        links.openSucceeds = false;
        HelpWindow window(links.links);
        links.links.setLocalViewer([&window](const QUrl& url) { return window.showManual(url); });
        const QString path = QDir(build).filePath(address);
        links.links.OpenHyperlink(address.contains(u':') ? address : path);
        QCOMPARE(window.isVisible(), shownInside);
        QCOMPARE(links.boxes.size(), shownInside ? 0 : 1);
        if (!shownInside)
            return;
        QCOMPARE(window.source(), QUrl::fromLocalFile(path));
        const QVariant picture =
            window.document()->resource(QTextDocument::ImageResource,
                                        QUrl(QStringLiteral("KestrovalineHelp-images/about.png")));
        QVERIFY(!picture.value<QImage>().isNull() || !picture.value<QPixmap>().isNull());
        // A link to a section stays inside the window.
        Q_EMIT window.anchorClicked(QUrl(QStringLiteral("#options")));
        QCOMPARE(window.source().fragment(), QStringLiteral("options"));
        QCOMPARE(links.opened.size(), 1);
    }

    // A path with characters that mean something in a URL still opens that very file.
    void oddFileNameOpensAsFile() {
        QTemporaryDir root;
        const QString path = QDir(root.path()).filePath(QStringLiteral("a #1 100%.html"));
        touch(path);
        Links links;
        links.links.OpenHyperlink(path);
        QCOMPARE(links.opened.size(), 1);
        QCOMPARE(links.opened[0].toLocalFile(), path);
    }

    void linkAddress_data() {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty tag opens the caption") << ""
                                                     << "https://a.test/"
                                                     << "https://a.test/";
        QTest::newRow("tag wins over the caption") << "https://b.test/"
                                                   << "Visit our Web sites:"
                                                   << "https://b.test/";
    }
    void linkAddress() {
        QFETCH(QString, tag);
        QFETCH(QString, caption);
        QTEST(LinkAddress(tag, caption), "expected");
    }

    // The manual lies beside the built program, and every picture it shows is there too.
    void manualBesideTheProgram() {
        const QString build = qEnvironmentVariable("KV_BUILD_DIR");
        if (build.isEmpty())
            QSKIP("KV_BUILD_DIR is not set: run through ctest");
        QFile manual(QDir(build).filePath(kManual));
        QVERIFY2(manual.open(QIODevice::ReadOnly), qPrintable(manual.fileName()));
        const QString html = QString::fromUtf8(manual.readAll());
        static const QRegularExpression image(QStringLiteral("<img src=\"([^\"]+)\""));
        int pictures = 0;
        for (const QRegularExpressionMatch& match : image.globalMatch(html)) {
            QVERIFY2(QFileInfo(QDir(build).filePath(match.captured(1))).isFile(),
                     qPrintable(match.captured(1)));
            ++pictures;
        }
        QVERIFY(pictures >= 4);
    }

    void aboutVersionText_data() {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1.2") << 1 << 2 << "Kestrovaline 1.2";
        QTest::newRow("2.10") << 2 << 10 << "Kestrovaline 2.10";
    }
    void aboutVersionText() {
        QFETCH(int, major);
        QFETCH(int, minor);
        Links links;
        ProgAbout about(major, minor, {}, links.links);
        about.show();
        about.hide();
        about.show();
        QTEST(about.version()->text(), "expected");
        QCOMPARE(about.windowTitle(), QStringLiteral("Kestrovaline wallpaper manager"));
    }

    // Any key or button on the box hides it; a click on a link opens the link instead.
    void aboutCloses_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<int>("linksOpened");
        QTest::newRow("Shift alone") << "shift" << true << 0;
        QTest::newRow("a letter") << "key" << true << 0;
        QTest::newRow("Escape") << "escape" << true << 0;
        QTest::newRow("left click on the box") << "click" << true << 0;
        QTest::newRow("right press on the box") << "right" << true << 0;
        QTest::newRow("click on a link") << "link" << false << 1;
    }
    void aboutCloses() {
        QFETCH(QString, input);
        Links links;
        ProgAbout about(1, 0, ProgAbout::LinksTo(kWeb), links.links);
        about.setDesktopName(QStringLiteral("GNOME"));
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.desktop()->text(), QStringLiteral("Desktop: GNOME"));
        QCOMPARE(about.hyperlinks().size(), 2);
        QCOMPARE(about.hyperlinks()[0]->toolTip(), QStringLiteral("Click to open ") + kWeb);
        QCOMPARE(about.hyperlinks()[1]->text(), kWeb);
        const QPoint background(4, about.height() - 4);
        if (input == QLatin1String("shift"))
            QTest::keyPress(&about, Qt::Key_Shift);
        else if (input == QLatin1String("key"))
            QTest::keyClick(&about, Qt::Key_A);
        else if (input == QLatin1String("escape"))
            QTest::keyClick(&about, Qt::Key_Escape);
        else if (input == QLatin1String("click"))
            QTest::mouseClick(&about, Qt::LeftButton, {}, background);
        else if (input == QLatin1String("right"))
            QTest::mousePress(&about, Qt::RightButton, {}, background);
        else
            QTest::mouseClick(about.hyperlinks()[0], Qt::LeftButton);
        QFETCH(bool, hidden);
        QCOMPARE(about.isHidden(), hidden);
        QFETCH(int, linksOpened);
        QCOMPARE(links.opened.size(), linksOpened);
        if (linksOpened)
            QCOMPARE(links.opened[0], QUrl(kWeb));
    }

    // A web site shows as such; without one the link is the manual, by its title, and no path
    // of the disk shows anywhere on the box.
    void aboutLinks_data() {
        QTest::addColumn<QString>("home");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("web site") << kWeb << QStringList{"Visit our Web sites:", kWeb}
                                  << QString("Click to open " + kWeb);
        QTest::newRow("the manual")
            << kHome << QStringList{"Kestrovaline manual"} << "Click to open Kestrovaline manual";
    }
    void aboutLinks() {
        QFETCH(QString, home);
        Links links;
        ProgAbout about(1, 0, ProgAbout::LinksTo(home), links.links);
        QStringList captions;
        for (const HyperlinkLabel* link : about.hyperlinks())
            captions << link->text();
        QTEST(captions, "captions");
        QTEST(about.hyperlinks()[0]->toolTip(), "toolTip");
        QTest::mouseClick(about.hyperlinks()[0], Qt::LeftButton);
        QCOMPARE(links.opened.value(0), QUrl(home));
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
