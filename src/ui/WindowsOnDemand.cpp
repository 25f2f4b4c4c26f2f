// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowsOnDemand.h"

#include "app/Program.h"
#include "ui/OnScreen.h"
#include "ui/help/HelpWindow.h"
#include "ui/help/Hyperlinks.h"
#include "ui/help/ProgAbout.h"
#include "ui/message/ProgMsg.h"
#include "ui/options/ProgOpts.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <cmath>

namespace kv {
namespace {

// No larger than the desktop (at 200 % a screen of 1080 rows holds 540), its title bar on it too.
// The frame is not known before the window is shown: the style's title bar stands in.
QSize fittedSize(QSize size, const QRect& desktop) {
    if (!desktop.isValid())
        return size;
    return size.boundedTo(desktop.size() -
                          QSize(0, QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight)));
}

} // namespace

WindowsOnDemand::WindowsOnDemand(Program& program, Settings& settings, MessageSwitches& switches,
                                 Hyperlinks& hyperlinks)
    : program_(program), switches_(switches), hyperlinks_(hyperlinks),
      askUser_([this]() -> ProgMsg& { return messageDialog(); }, switches),
      help_(settings, askUser_, hyperlinks) {
    connect(&tray_, &TrayIcon::clicked, this,
            [this](Program::TrayClick click) { program_.TrayIcon_MouseMove(click); });
}

WindowsOnDemand::~WindowsOnDemand() = default;

MainWindow& WindowsOnDemand::mainWindow() {
    if (window_)
        return *window_;
    window_ = std::make_unique<MainWindow>();
    MainWindow& window = *window_;
    window.attach(program_);
    window.setDialogs(this);
    window.installEventFilter(this);
    window.setWebAddress(program_.savedState().homePage());
    connect(&window, &MainWindow::hyperlinkActivated, this,
            [this](const QString& address) { hyperlinks_.OpenHyperlink(address); });
    window.setTitle(title_);
    // The load placed the window with the size a new one has; kept on the desktop with its own.
    keepOnDesktop(window, position_);
    // A message dialog made before the window takes the window as its owner (unless it is up).
    if (message_)
        messageDialog();
    return window;
}

ProgMsg& WindowsOnDemand::messageDialog() {
    if (!message_) {
        message_ = std::make_unique<ProgMsg>(switches_, window_.get());
        program_.savedState().attachDialogs(options_.get(), message_.get());
    } else if (window_ && message_->parentWidget() != window_.get() && !message_->isVisible() &&
               !message_->isBusy()) {
        // A message that came before the window had no owner; the next one is the window's. One
        // up at this moment stays as it is: a new owner would hide it unanswered.
        message_->setParent(window_.get(), message_->windowFlags());
    }
    return *message_;
}

ProgOpts& WindowsOnDemand::optionsDialog() {
    // Owned by the main window, which opens it, so that it blocks that window alone.
    if (!options_) {
        options_ = std::make_unique<ProgOpts>(program_.options().options(), &mainWindow());
        program_.savedState().attachDialogs(options_.get(), message_.get());
    }
    return *options_;
}

ProgAbout& WindowsOnDemand::aboutBox() {
    if (!about_) {
        about_ = new ProgAbout(Program::kVersionMajor, Program::kVersionMinor,
                               ProgAbout::LinksTo(program_.savedState().homePage()), hyperlinks_,
                               &mainWindow());
        about_->setDesktopName(desktopName_);
    }
    return *about_;
}

bool WindowsOnDemand::showManual(const QUrl& url) {
    if (!HelpWindow::isManualPage(url))
        return false;
    if (!helpWindow_)
        helpWindow_ = std::make_unique<HelpWindow>(hyperlinks_);
    return helpWindow_->showManual(url);
}

void WindowsOnDemand::setTitle(const QString& title) {
    title_ = title;
    if (window_)
        window_->setTitle(title);
}

void WindowsOnDemand::keepOnDesktop(MainWindow& window, QPoint topLeft) {
    const QRect desktop = window.desktopAreaFor(QRect(topLeft, window.windowFrame().size()));
    window.resize(fittedSize(window.size(), desktop));
    const QSize frame = window.windowFrame().size() * kTwipsPerPixel;
    window.moveWindow(desktop.isValid()
                          ? PlaceWithin(topLeft.x() * kTwipsPerPixel, topLeft.y() * kTwipsPerPixel,
                                        WindowLimitsFor(desktop, frame)) /
                                kTwipsPerPixel
                          : topLeft);
}

void WindowsOnDemand::showWindow() {
    // Its monitor may have gone while it was out of sight.
    if (window_ && !window_->isVisible())
        keepOnDesktop(*window_, window_->windowFrame().topLeft());
    mainWindow().showWindow();
    // The dialogs the window waits for come up over it, or it would look frozen with no reason
    // in sight.
    const QList<QWidget*> waitedFor = dialogsWaitedFor();
    for (QWidget* dialog : waitedFor)
        dialog->raise();
    if (!waitedFor.isEmpty())
        waitedFor.last()->activateWindow();
}

QList<QWidget*> WindowsOnDemand::dialogsWaitedFor() const {
    // They stand on one another from the one the window owns (or one owned by nobody, which
    // blocks every window) to the one that takes the keys.
    QList<QWidget*> waitedFor;
    for (QWidget* dialog = QApplication::activeModalWidget();
         dialog && dialog != window_.get() && dialog->isVisible() && dialog->isModal();
         dialog = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr)
        waitedFor.prepend(dialog);
    if (waitedFor.isEmpty())
        return {};
    const QWidget* outermost = waitedFor.first();
    if (outermost->windowModality() == Qt::ApplicationModal ||
        (outermost->parentWidget() && outermost->parentWidget()->window() == window_.get()))
        return waitedFor;
    return {};
}

bool WindowsOnDemand::eventFilter(QObject* watched, QEvent* event) {
    // A window manager gives the keys to a window it maps, or that is clicked, even one that
    // waits for a dialog; they go to the dialog, where an answer can be typed.
    if (watched == window_.get() && event->type() == QEvent::WindowActivate) {
        const QList<QWidget*> waitedFor = dialogsWaitedFor();
        if (!waitedFor.isEmpty())
            waitedFor.last()->activateWindow();
    }
    return QObject::eventFilter(watched, event);
}

void WindowsOnDemand::hideWindow() {
    if (window_)
        window_->hideWindow();
}

bool WindowsOnDemand::isWindowVisible() const {
    return window_ && window_->isWindowVisible();
}

void WindowsOnDemand::addTrayIcon() {
    tray_.show();
#ifndef Q_OS_WIN
    // A logon start's window was never shown: nobody misses it. Looked into once the window has
    // gone, as a busy panel may keep the session bus waiting.
    if (isWindowVisible())
        QTimer::singleShot(0, this, [this] { stillRunning_.windowCollapsing(); });
#endif
}

void WindowsOnDemand::removeTrayIcon() {
    tray_.remove();
}

QRect WindowsOnDemand::windowFrame() const {
    return window_ ? window_->windowFrame()
                   : QRect(position_,
                           fittedSize(MainWindow::kLeastSize,
                                      desktopAreaFor(QRect(position_, MainWindow::kLeastSize))));
}

void WindowsOnDemand::moveWindow(const QPoint& topLeftPixels) {
    position_ = topLeftPixels;
    if (window_)
        window_->moveWindow(topLeftPixels);
}

void WindowsOnDemand::bringForward() {
    // Hidden and shown again, a window comes to the front past a window manager's guard against
    // stolen focus. Not on Wayland, where the compositor decides, and hiding would leave a dialog
    // the window waits for under it, with no tie to it.
    if (!PlatformIsWayland())
        hideWindow();
    showWindow();
}

bool WindowsOnDemand::tellsPlace() const {
    return !PlatformIsWayland();
}

QRect WindowsOnDemand::desktopAreaFor(const QRect& framePixels) const {
    if (window_)
        return window_->desktopAreaFor(framePixels);
    // A window that was never shown opens on the primary monitor.
    return AvailableAreaHoldingMost(framePixels, QGuiApplication::primaryScreen());
}

} // namespace kv
