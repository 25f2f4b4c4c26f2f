// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"
#include "app/Liveness.h"
#include "collection/Collection.h"
#include "collection/CollectionCommands.h"
#include "collection/FileBrowserModel.h"
#include "collection/Previews.h"
#include "engine/Options.h"
#include "engine/Random.h"
#include "engine/WallpaperEngine.h"
#include "engine/desktop/NullDesktop.h"
#include "settings/SavedState.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace kv {

class AskUser;
class Clock;
class DesktopBackend;
class LogonStart;
class ProgramWindow;
class Settings;

// The program's life from start-up to exit. The main window is its face: closing or minimising
// that window only collapses it, and the program ends only through ExitProgram.
class Program : public QObject {
    Q_OBJECT
public:
    static constexpr int kVersionMajor = KV_VERSION_MAJOR;
    static constexpr int kVersionMinor = KV_VERSION_MINOR;

    // endProcess ends the event loop; it is called once, by ExitProgram. An empty program
    // folder stands for the folder of the running executable.
    Program(Settings& settings, Clock& clock, std::function<void()> endProcess,
            QString programFolder = QString());

    // The first steps of a start, run before any window exists: fix the settings key and settle
    // with a copy that may already run. False: this start has done its work (a remote close, or
    // a second copy) and the process ends now.
    static bool settleLiveness(Settings& settings, Clock& clock, const CommandLine& commandLine);

    // The rest of the start-up, once the main window exists. False: the process ends now.
    bool Form_Load(const CommandLine& commandLine, ProgramWindow& window, AskUser& askUser);

    // The exit command: asks, then saves and ends on a confirm.
    void Close_Click();
    // The exit question, warning that automatic change stops when it needs the program running.
    static QString ExitQuestion(const Options& options);
    void SaveAndExit();
    void ExitProgram();
    void SaveState();
    // Collapses the main window out of sight, saving the state first.
    void HideTray_Click();

    // What a click on the notification-area icon means.
    enum class TrayClick { LeftPress, LeftDoubleClick, RightPress, RightDoubleClick, Other };
    void TrayIcon_MouseMove(TrayClick click);
    // The immediate wallpaper change of a right click on the icon; ChangeWallpaper unless a
    // test puts something else in.
    void setChangeWallpaper(std::function<void()> changeWallpaper);

    // The desktop the wallpaper goes to; until one is given every change fails quietly.
    void setDesktop(DesktopBackend& desktop);
    // The autostart entry kept in step with the options at start-up and at every save; none
    // when not given.
    void setLogonStart(const LogonStart* logonStart) { logonStart_ = logonStart; }
    void setRandom(Random& random) { engine_.setRandom(random); }
    WallpaperEngine& engine() { return engine_; }

    void LifeTimer_Timer();
    void InitTimer_Timer();

    bool hasEnded() const { return ended_; }
    // What the process reports when Form_Load ends it: 1 for a "-next" that changed nothing.
    int exitStatus() const { return exitStatus_; }
    bool stateRestored() const { return restored_; }
    QString windowTitle() const;
    QString programFolder() const { return programFolder_; }
    QString makerFolder() const { return makerFolder_; }
    QString helpFileName() const { return helpFileName_; }
    // Where the manual was found: the program folder, or the data folder once installed.
    QString helpFolder() const { return helpFolder_; }

    Collection& collection() { return collection_; }
    // The file browser, the previews and the collection commands the main window shows.
    FileBrowserModel& browser() { return browser_; }
    Previews& previews() { return previews_; }
    CollectionCommands& commands() { return commands_; }
    OptionsKeeper& options() { return options_; }
    SavedState& savedState() { return savedState_; }
    // A store created by this start: no installer writes "JustInstalled" on this platform, so
    // the first start of a user counts as the first start after installation.
    void setFreshStore(bool fresh) { options_.setFreshStore(fresh); }

    QTimer& lifeTimer() { return lifeTimer_; }
    QTimer& initTimer() { return initTimer_; }

private:
    void stopTimers();
    void keepLogonStart();

    Settings& settings_;
    Clock& clock_;
    Liveness liveness_;
    std::function<void()> endProcess_;
    ProgramWindow* window_ = nullptr;
    AskUser* askUser_ = nullptr;
    std::function<void()> changeWallpaper_;
    const LogonStart* logonStart_ = nullptr;
    bool desktopForgetsWallpaper_ = false;

    QTimer lifeTimer_;
    QTimer initTimer_;
    int initTicks_ = 0;

    Collection collection_;
    OptionsKeeper options_;
    SavedState savedState_;
    MountedVolumes volumes_;
    FileBrowserModel browser_;
    Previews previews_;
    CollectionCommands commands_;
    NullDesktop noDesktop_;
    ClockSeededRandom random_;
    WallpaperEngine engine_;

    QString programFolder_;
    QString makerFolder_;
    QString helpFileName_;
    QString helpFolder_;
    bool restored_ = false;
    bool ended_ = false;
    int exitStatus_ = 0;
};

} // namespace kv
