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
using test::ProgramHome;

// The real program's main window under a real window manager (openbox), used through xdotool the
// way a user does it, on a desktop without xdg-open or any browser.
class TestMainWindowProcess : public QObject {
    Q_OBJECT

    test::XvfbServer xvfb_;
    QProcess windowManager_;
    std::unique_ptr<ProgramHome> home_;
    QString window_;
    QTemporaryDir emptyFolder_;

    QString display() const { return xvfb_.display(); }

    QString xdotool(const QStringList& arguments) const {
        return test::runXTool(display(), QStringLiteral("xdotool"), arguments);
    }

    // Where the window's inside lies on the screen.
    QPoint windowPlace() const {
        const QString shell =
            xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window_});
        const auto number = [&shell](const char* name) {
            const QRegularExpression line(QStringLiteral("^%1=(-?\\d+)$").arg(QLatin1String(name)),
                                          QRegularExpression::MultilineOption);
            return line.match(shell).captured(1).toInt();
        };
        return {number("X"), number("Y")};
    }

    // The pointer goes in small steps, as a hand moves it, so the window manager sees motion.
    void movePointerBy(QPoint by) const {
        constexpr int kSteps = 8;
        for (int i = 0; i < kSteps; ++i) {
            xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("--"),
                     QString::number(by.x() / kSteps), QString::number(by.y() / kSteps)});
            QTest::qWait(30);
        }
    }

private Q_SLOTS:
    void initTestCase() {
        for (const char* tool : {"xdotool", "openbox"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        }
        if (!xvfb_.start())
            QSKIP(qPrintable(xvfb_.error()));
        home_ = std::make_unique<ProgramHome>(display(), QStringLiteral("none"));
        QProcessEnvironment environment = home_->processEnvironment();
        // Nothing the program could hand a document or a link to: no xdg-open, no browser.
        home_->setVariable(QStringLiteral("PATH"), emptyFolder_.path());
        home_->removeVariable(QStringLiteral("BROWSER"));
        home_->removeVariable(QStringLiteral("DEFAULT_BROWSER"));
        windowManager_.setProcessEnvironment(environment);
        windowManager_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY(windowManager_.waitForStarted());
        // The manager is ready once it has claimed the screen.
        QTRY_VERIFY_WITH_TIMEOUT(
            test::runXTool(display(), QStringLiteral("xprop"),
                           {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                .contains(QStringLiteral("window id")),
            20000);
        home_->start();
        QTRY_VERIFY_WITH_TIMEOUT(
            (window_ =
                 test::visibleWindowsTitled(display(), QStringLiteral("Kestrovaline 1.0")).value(0))
                .size(),
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
        xdotool({QStringLiteral("mousemove"), QString::number(start.x() + 4),
                 QString::number(start.y() + 4), QStringLiteral("mousedown"),
                 QString::number(button)});
        QTest::qWait(200);
        movePointerBy(drag);
        xdotool({QStringLiteral("mouseup"), QString::number(button)});
        QTest::qWait(200);
        // Once released, the window stays where it is however the pointer goes on.
        movePointerBy(QPoint(-160, 120));
        QTest::qWait(300);
        const QPoint moved = windowPlace() - start;
        QCOMPARE(moved, moves ? drag : QPoint());
    }

    // F1 asks for the manual; with nothing on the desktop to open it, it opens in the program's
    // own help window.
    void helpOpensItsOwnWindowWithoutADesktopOpener() {
        const QString manualTitle = QStringLiteral("Kestrovaline manual");
        QCOMPARE(test::visibleWindowsTitled(display(), manualTitle).size(), 0);
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window_});
        xdotool({QStringLiteral("key"), QStringLiteral("F1")});
        QTRY_COMPARE_WITH_TIMEOUT(test::visibleWindowsTitled(display(), manualTitle).size(), 1,
                                  10000);
        // No error box beside it.
        QCOMPARE(
            test::visibleWindowsTitled(display(), QStringLiteral("Hyperlink opening error")).size(),
            0);
    }
};

QTEST_GUILESS_MAIN(TestMainWindowProcess)
#include "tst_main_window_process.moc"
