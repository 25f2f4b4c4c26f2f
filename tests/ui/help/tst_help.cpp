// SPDX-License-Identifier: GPL-3.0-or-later
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

using namespace kv;

namespace {

const QString kManual = QStringLiteral("KestrovalineHelp.html");
const QString kHome = QStringLiteral("file:///opt/kestrovaline/KestrovalineHelp.html");
const QString kWeb = QStringLiteral("https://kestrovaline.example/");

bool touch(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("<html></html>") > 0;
}

// Links open into a list; a failed one leaves its box's text and icon.
struct Links {
    Links() {
        links.setOpener([this](const QUrl& url) {
            opened << url;
            return openSucceeds;
        });
        links.setErrorShower([this](QMessageBox& box) {
            boxes << box.text();
            warns = box.icon() == QMessageBox::Warning;
        });
    }
    Hyperlinks links;
    QList<QUrl> opened;
    QStringList boxes;
    bool warns = false;
    bool openSucceeds = true;
};

} // namespace

class TestHelp : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString& relative) const { return QDir(dir_.path()).filePath(relative); }
    static QString built(const QString& relative) {
        return QDir(qEnvironmentVariable("KV_BUILD_DIR")).filePath(relative);
    }

private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("KV_BUILD_DIR"))
            QSKIP("KV_BUILD_DIR is not set: run through ctest");
    }

    // Where the manual lies decides what Help offers and what each answer opens. The user is
    // asked unless there is no manual, or the home page is the manual itself ("=home").
    void helpClick_data() {
        QTest::addColumn<QString>("manualIn"); // program, named (HelpFile), current, none
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("opens"); // home, or the folder of the manual opened
        QTest::newRow("beside the program, Cancel") << "program" << 0 << "program";
        QTest::newRow("beside the program, OK") << "program" << 1 << "home";
        QTest::newRow("beside wins over HelpFile") << "program+named" << 0 << "program";
        QTest::newRow("in the HelpFile folder") << "named" << 0 << "named";
        QTest::newRow("in the current folder") << "current" << 0 << "current";
        QTest::newRow("nothing shown opens the manual") << "program" << -1 << "program";
        QTest::newRow("no manual: home page") << "none" << 0 << "home";
        QTest::newRow("home page is the manual") << "program=home" << 1 << "program";
    }
    void helpClick() {
        QFETCH(QString, manualIn);
        QFETCH(int, answer);
        QFETCH(QString, opens);
        QTemporaryDir root;
        const QDir dir(root.path());
        for (const char* name : {"program", "named", "current"})
            QVERIFY(dir.mkpath(QString::fromLatin1(name)));
        for (const QString& place : manualIn.section(u'=', 0, 0).split(u'+'))
            QVERIFY(place == QLatin1String("none") || touch(dir.filePath(place + u'/' + kManual)));
        const QString current = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.filePath(QStringLiteral("current"))));
        test::MemorySettingsStore store;
        Settings settings(store);
        settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
        settings.WriteSetting(QStringLiteral("HelpFile"), dir.filePath(QStringLiteral("named")));
        test::ScriptedAskUser ask(answer);
        Links links;
        Help help(settings, ask, links.links);
        help.setProgramFolder(dir.filePath(QStringLiteral("program")));
        help.setHelpFileName(kManual);
        const QUrl beside = QUrl::fromLocalFile(dir.filePath(QStringLiteral("program/") + kManual));
        const bool homeIsManual = manualIn.endsWith(QLatin1String("=home"));
        const QString home = homeIsManual ? beside.toString(QUrl::FullyEncoded) : kHome;
        help.setHomePage(home);
        help.Help_Click();
        QDir::setCurrent(current);
        const bool asked = manualIn != QLatin1String("none") && !homeIsManual;
        QCOMPARE(ask.asked.size(), asked ? 1 : 0);
        QVERIFY(!asked || ask.asked[0].kind == MessageKind::Help);
        const QUrl expected = opens == QLatin1String("home")
                                  ? QUrl(home)
                                  : QUrl::fromLocalFile(dir.filePath(opens + u'/' + kManual));
        QCOMPARE(links.opened, QList<QUrl>{expected});
        QVERIFY(links.boxes.isEmpty());
    }

    // A failure box names the address; without xdg-open the manual, and only the manual, shows
    // in the program's own window with its pictures, and its section links stay inside.
    void openHyperlink_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("openerSucceeds");
        QTest::addColumn<int>("outcome"); // 0 nothing, 1 opened, 2 failure box, 3 help window
        QTest::newRow("opened") << "https://example.org/a" << true << 1;
        QTest::newRow("opener refuses") << "htps://example.org/a" << false << 2;
        QTest::newRow("no scheme at all") << "nowhere at all" << true << 2;
        QTest::newRow("empty does nothing") << "" << false << 0;
        QTest::newRow("odd file name opens that file") << path("a #1 100%.html") << true << 1;
        QTest::newRow("manual, no opener") << built(kManual) << false << 3;
        QTest::newRow("web link, no opener") << "https://example.org/" << false << 2;
        QTest::newRow("picture, no opener")
            << built("KestrovalineHelp-images/about.png") << false << 2;
    }
    void openHyperlink() {
        QFETCH(QString, address);
        QFETCH(int, outcome);
        QVERIFY(!address.contains(QLatin1String("%.html")) || touch(address));
        Links links;
        QFETCH(bool, openerSucceeds);
        links.openSucceeds = openerSucceeds;
        HelpWindow window(links.links);
        links.links.setLocalViewer([&window](const QUrl& url) { return window.showManual(url); });
        links.links.OpenHyperlink(address);
        QCOMPARE(links.boxes.size(), outcome == 2 ? 1 : 0);
        QVERIFY(outcome != 2 || (links.boxes[0].contains(address) && links.warns));
        QCOMPARE(window.isVisible(), outcome == 3);
        if (outcome == 1)
            QCOMPARE(links.opened[0],
                     address.startsWith(u'/') ? QUrl::fromLocalFile(address) : QUrl(address));
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

    // Any key or button on the about box hides it; a click on a link opens the link instead.
    void aboutCloses_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("Shift alone") << "shift" << true;
        QTest::newRow("right press on the box") << "right" << true;
        QTest::newRow("click on a link") << "link" << false;
    }
    void aboutCloses() {
        QFETCH(QString, input);
        Links links;
        ProgAbout about(2, 10, ProgAbout::LinksTo(kWeb), links.links);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.version()->text(), QStringLiteral("Kestrovaline 2.10"));
        if (input == QLatin1String("shift"))
            QTest::keyPress(&about, Qt::Key_Shift);
        else if (input == QLatin1String("link"))
            QTest::mouseClick(about.hyperlinks()[0], Qt::LeftButton);
        else
            QTest::mousePress(&about, Qt::RightButton, {}, QPoint(4, about.height() - 4));
        QFETCH(bool, hidden);
        QCOMPARE(about.isHidden(), hidden);
        QCOMPARE(links.opened, hidden ? QList<QUrl>{} : QList<QUrl>{QUrl(kWeb)});
    }

    // A web site shows its address; the manual shows once, by its title: no path of the disk
    // anywhere on the box. Every link opens the home page.
    void aboutLinks_data() {
        QTest::addColumn<QString>("home");
        QTest::addColumn<int>("count");
        QTest::newRow("web site") << kWeb << 2;
        QTest::newRow("the manual") << kHome << 1;
    }
    void aboutLinks() {
        QFETCH(QString, home);
        Links links;
        ProgAbout about(1, 0, ProgAbout::LinksTo(home), links.links);
        QTEST(int(about.hyperlinks().size()), "count");
        QString shown;
        for (HyperlinkLabel* link : about.hyperlinks()) {
            shown += link->text() + link->toolTip();
            QTest::mouseClick(link, Qt::LeftButton);
        }
        QCOMPARE(shown.contains(QLatin1String("/opt/")), false);
        QCOMPARE(shown.contains(kWeb), home == kWeb);
        QCOMPARE(links.opened, QList<QUrl>(about.hyperlinks().size(), QUrl(home)));
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
