// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"
#include "app/Liveness.h"
#include "app/SavedState.h"
#include "collection/Collection.h"
#include "collection/CollectionCommands.h"
#include "collection/FileBrowserModel.h"
#include "collection/Previews.h"
#include "engine/NullDesktop.h"
#include "engine/Options.h"
#include "engine/Random.h"
#include "engine/WallpaperEngine.h"

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
    // with a copy that may already run, under the lock file at lockPath (none when empty). False:
    // this start has done its work (a remote close, whose outcome goes to closeOutcome, or a
    // second copy, which for a "-next" tells nextOutcome how its change went) and the process
    // ends now. True: this copy's heartbeat is written, and running (when given) holds the lock
    // that marks this copy as running.
    static bool settleLiveness(Settings& settings, Clock& clock, const CommandLine& commandLine,
                               const QString& lockPath = QString(),
                               Liveness::CloseOutcome* closeOutcome = nullptr,
                               LivenessLock* running = nullptr,
                               Liveness::NextOutcome* nextOutcome = nullptr);
    // The lock file the heartbeat ticks and the exit share with starting copies, and the lock
    // given to settleLiveness, which the exit lets go.
    void setLivenessLocks(const QString& lockPath, LivenessLock* running = nullptr) {
        liveness_.setLocks(lockPath, running);
    }

    // The rest of the start-up, once the main window exists. False: the process ends now.
    bool Form_Load(const CommandLine& commandLine, ProgramWindow& window, AskUser& askUser);

    // The exit command: asks, then saves and ends on a confirm.
    void Close_Click();
    // The exit question, warning that automatic change stops when it needs the program running.
    static QString ExitQuestion(const Options& options);
    void SaveAndExit();
    // Ends the program; saved tells a waiting "-close" and the exit status how the save went.
    void ExitProgram(bool saved = true);
    // False when the store refused the save; the stored state is then the previous one.
    bool SaveState(bool last = false);
    // The session manager's save request, which may come for a checkpoint of a session that goes
    // on: saves without ending. A failure goes to standard error; nobody may answer a dialog now.
    void saveForSession();
    // A close asked for from outside (a "-close" start, the session's end, a signal): obeyed at
    // once, or as soon as the saved state has been restored, so that the save never writes an
    // empty collection over the stored one.
    void requestClose();
    // The process ends without returning here (Qt lost the display): saves and marks the copy
    // ended without a window, a question or the tray, whose display is gone.
    void endAbruptly();
    // What the process returns once the program has ended: 0, or 2 when the last save failed.
    int exitCode() const { return exitCode_; }
    // Collapses the main window out of sight, saving the state first.
    void HideTray_Click();

    // What a click on the notification-area icon means.
    enum class TrayClick { LeftPress, LeftDoubleClick, RightPress, RightDoubleClick, Other };
    void TrayIcon_MouseMove(TrayClick click);

    // The desktop the wallpaper goes to; until one is given every change fails quietly.
    void setDesktop(DesktopBackend& desktop);
    // The autostart entry kept in step with the options at start-up and at every save; none
    // when not given.
    void setLogonStart(const LogonStart* logonStart) { logonStart_ = logonStart; }
    void setRandom(Random& random) { engine_.setRandom(random); }
    // The language the windows speak (a code such as "de", empty for English): the manual and
    // the built-in home page follow it. Given before Form_Load.
    void setLanguage(const QString& language) { language_ = language; }
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
    // Where no installer writes "JustInstalled", a store in which no start ever imported the
    // samples asks for the import.
    void setImportWhenUnmarked(bool import) { options_.setImportWhenUnmarked(import); }

    QTimer& lifeTimer() { return lifeTimer_; }
    QTimer& initTimer() { return initTimer_; }

private:
    void stopTimers();
    // False when the program ended while the browser reported a drive.
    bool startBrowser();
    // Keeps the desktop's autostart entry as the options want it; an entry that cannot be
    // written or removed is reported once a run, as each save tries again.
    void keepLogonStart();
    // Where the user looks: once the window has been drawn, or once it has collapsed; never at a
    // logon start nobody watches, nor while the program ends.
    void tellLogonStartProblem();
    // Another start's request to see the window.
    void bringWindowForward();
    // How the change another start asked for went, for that start's exit status.
    void tellChangeAskedFor(bool changed);
    // The save failure, on the standard error and, when asked, in the message dialog.
    // When a save failed: what becomes of the changes it held depends on whether the program
    // goes on.
    enum class SaveFailureMoment { Running, Ending, AskingToEnd };
    void reportSaveFailure(bool inWindow, SaveFailureMoment moment = SaveFailureMoment::Running);
    QString saveFailureText(SaveFailureMoment moment) const;

    Settings& settings_;
    Clock& clock_;
    Liveness liveness_;
    std::function<void()> endProcess_;
    ProgramWindow* window_ = nullptr;
    AskUser* askUser_ = nullptr;
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
    QString language_;
    QString helpFileName_;
    QString helpFolder_;
    bool restored_ = false;
    bool closeRequested_ = false;
    // The window is shown or collapsed as the start wants; a show asked for before waits.
    bool started_ = false;
    bool showRequested_ = false;
    // A "-next" start's copy ends once it has changed the wallpaper.
    bool passingThrough_ = false;
    // A change another start asked for is under way, and that start waits to hear how it went.
    bool changeAskedFor_ = false;
    bool ended_ = false;
    bool logonStartFailureTold_ = false;
    QString logonStartReport_;
    int exitStatus_ = 0;
    int exitCode_ = 0;
};

} // namespace kv
