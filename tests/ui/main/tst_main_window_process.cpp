// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/EndProcess.h"
#include "support/ProgramHome.h"
#include "support/XTools.h"
#include "support/XvfbServer.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

// The real program's main window under a real window manager (openbox), used through xdotool the
// way a user does it, on a desktop without xdg-open or any browser.
class TestMainWindowProcess : public QObject {
    Q_OBJECT

    test::XvfbServer xvfb_;
    QProcess windowManager_;
    std::unique_ptr<test::ProgramHome> home_;
    QString window_;
    QTemporaryDir emptyFolder_;

    // xdotool with space-separated arguments.
    QString xdotool(const QString& arguments) const {
        return test::runXTool(xvfb_.display(), QStringLiteral("xdotool"), arguments.split(u' '));
    }
    int windowsTitled(const QString& title) const {
        return int(test::visibleWindowsTitled(xvfb_.display(), title).size());
    }
    QPoint windowPlace() const {
        const QString shell = xdotool(QStringLiteral("getwindowgeometry --shell ") + window_);
        const auto number = [&shell](const char* name) {
            return QRegularExpression(QStringLiteral("^%1=(-?\\d+)$").arg(QLatin1String(name)),
                                      QRegularExpression::MultilineOption)
                .match(shell)
                .captured(1)
                .toInt();
        };
        return {number("X"), number("Y")};
    }
    // The pointer goes in small steps, as a hand moves it, so the window manager sees motion.
    void movePointerBy(QPoint by) const {
        for (int i = 0; i < 8; ++i) {
            xdotool(QStringLiteral("mousemove_relative -- %1 %2").arg(by.x() / 8).arg(by.y() / 8));
            QTest::qWait(30);
        }
    }

private Q_SLOTS:
    void initTestCase() {
        for (const char* tool : {"xdotool", "openbox"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        if (!xvfb_.start())
            QSKIP(qPrintable(xvfb_.error()));
        home_ = std::make_unique<test::ProgramHome>(xvfb_.display(), QStringLiteral("none"));
        windowManager_.setProcessEnvironment(home_->processEnvironment());
        // Nothing the program could hand a document or a link to: no xdg-open, no browser.
        home_->setVariable(QStringLiteral("PATH"), emptyFolder_.path());
        home_->removeVariable(QStringLiteral("BROWSER"));
        home_->removeVariable(QStringLiteral("DEFAULT_BROWSER"));
        windowManager_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY(windowManager_.waitForStarted());
        // The manager is ready once it has claimed the screen.
        QTRY_VERIFY_WITH_TIMEOUT(
            test::runXTool(xvfb_.display(), QStringLiteral("xprop"),
                           {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                .contains(QStringLiteral("window id")),
            20000);
        home_->start();
        QTRY_VERIFY_WITH_TIMEOUT(
            !(window_ =
                  test::visibleWindowsTitled(xvfb_.display(), QStringLiteral("Kestrovaline 1.0"))
                      .value(0))
                 .isEmpty(),
            15000);
    }

    void cleanupTestCase() {
        home_.reset();
        test::endProcess(windowManager_);
    }

    void onlyTheLeftButtonDragsAndTheDragEndsOnRelease_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QPoint>("drag");
        QTest::addColumn<bool>("moves");
        QTest::newRow("right button") << 3 << QPoint(120, 80) << false;
        QTest::newRow("middle button") << 2 << QPoint(120, 80) << false;
        QTest::newRow("left button") << 1 << QPoint(120, 80) << true;
        QTest::newRow("left click, no drag") << 1 << QPoint() << false;
    }
    void onlyTheLeftButtonDragsAndTheDragEndsOnRelease() {
        QFETCH(int, button);
        QFETCH(QPoint, drag);
        QFETCH(bool, moves);
        const QPoint start = windowPlace();
        // The window's background, inside its margin, left of the headings.
        xdotool(QStringLiteral("mousemove %1 %2 mousedown %3")
                    .arg(start.x() + 4)
                    .arg(start.y() + 4)
                    .arg(button));
        QTest::qWait(200);
        movePointerBy(drag);
        xdotool(QStringLiteral("mouseup %1").arg(button));
        QTest::qWait(200);
        // Once released, the window stays where it is however the pointer goes on.
        movePointerBy(QPoint(-160, 120));
        QTest::qWait(300);
        QCOMPARE(windowPlace() - start, moves ? drag : QPoint());
    }

    // F1 asks for the manual; with nothing on the desktop to open it, it opens in the program's
    // own help window, with no error box beside it.
    void helpOpensItsOwnWindowWithoutADesktopOpener() {
        const QString manual = QStringLiteral("Kestrovaline manual");
        QCOMPARE(windowsTitled(manual), 0);
        xdotool(QStringLiteral("windowactivate --sync ") + window_);
        xdotool(QStringLiteral("key F1"));
        QTRY_COMPARE_WITH_TIMEOUT(windowsTitled(manual), 1, 10000);
        QCOMPARE(windowsTitled(QStringLiteral("Hyperlink opening error")), 0);
    }
};

QTEST_GUILESS_MAIN(TestMainWindowProcess)
#include "tst_main_window_process.moc"
