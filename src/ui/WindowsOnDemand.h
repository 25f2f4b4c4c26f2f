// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ProgramWindow.h"
#include "ui/help/Help.h"
#include "ui/main/MainWindow.h"
#ifndef Q_OS_WIN
#include "ui/main/StillRunningNotice.h"
#endif
#include "ui/main/TrayIcon.h"
#include "ui/message/DialogAskUser.h"

#include <QObject>
#include <QPoint>

#include <memory>

class QUrl;

namespace kv {

class HelpWindow;
class Hyperlinks;
class MessageSwitches;
class ProgMsg;
class Program;
class Settings;

// The program's windows, each built the first time it is shown: a start that stays in the tray
// has only its icon, and a dialog nobody opens is never made. Until the main window exists its
// title and position are kept here and given to it when it is built.
class WindowsOnDemand final : public QObject, public ProgramWindow, public MainWindowDialogs {
    Q_OBJECT
public:
    WindowsOnDemand(Program& program, Settings& settings, MessageSwitches& switches,
                    Hyperlinks& hyperlinks);
    ~WindowsOnDemand() override;

    // Asks through the message dialog, built at the first message that shows.
    AskUser& askUser() { return askUser_; }
    // Shown in the about box.
    void setDesktopName(const QString& name) { desktopName_ = name; }
    // The manual shown by the program itself where nothing on the desktop opens it.
    bool showManual(const QUrl& url);

    // The main window, built when needed; null until then.
    MainWindow* builtWindow() const { return window_.get(); }
    MainWindow& mainWindow();
    ProgMsg& messageDialog();
    ProgOpts& optionsDialog() override;
    ProgAbout& aboutBox() override;
    // The Help button's service; its folders are set once the start-up has settled them.
    Help& help() override { return help_; }

    void setTitle(const QString& title) override;
    void showWindow() override;
    void hideWindow() override;
    bool isWindowVisible() const override;
    void addTrayIcon() override;
    void removeTrayIcon() override;
    QRect windowFrame() const override;
    void moveWindow(const QPoint& topLeftPixels) override;
    QRect desktopAreaFor(const QRect& framePixels) const override;
    bool tellsPlace() const override;
    void bringForward() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Fitted to the monitor that holds most of it at `topLeft`, and placed within its limits.
    static void keepOnDesktop(MainWindow& window, QPoint topLeft);
    // The modal dialogs that block the main window, outermost first; empty when none does.
    QList<QWidget*> dialogsWaitedFor() const;

    Program& program_;
    MessageSwitches& switches_;
    Hyperlinks& hyperlinks_;
    DialogAskUser askUser_;
    Help help_;
    TrayIcon tray_;
#ifndef Q_OS_WIN
    StillRunningNotice stillRunning_;
#endif
    QString title_;
    QString desktopName_;
    QPoint position_;
    // Destroyed before the window: the dialogs have it as their owner once both exist.
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<ProgMsg> message_;
    std::unique_ptr<ProgOpts> options_;
    std::unique_ptr<HelpWindow> helpWindow_;
    ProgAbout* about_ = nullptr;
};

} // namespace kv
