// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Program.h"

#include "app/DataFolders.h"
#include "app/LogonStart.h"
#include "app/ProgramWindow.h"
#include "collection/CollectionCommands.h"
#include "common/AskUser.h"
#include "engine/DesktopBackend.h"
#include "settings/Numbers.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <cstdio>
#include <utility>

namespace kv {
namespace {

const QString kProductName = QStringLiteral("Kestrovaline");
constexpr int kInitTimerIntervalMs = 100;

// There is no web site: the home page is the manual that came with the program, so every link
// opens something real.
QString builtInHomePage(const QString& helpFolder, const QString& helpFileName) {
    return QUrl::fromLocalFile(QDir(helpFolder).absoluteFilePath(helpFileName))
        .toString(QUrl::FullyEncoded);
}

} // namespace

Program::Program(Settings& settings, Clock& clock, std::function<void()> endProcess,
                 QString programFolder)
    : settings_(settings), clock_(clock), liveness_(settings, clock),
      endProcess_(std::move(endProcess)), options_(settings, clock),
      savedState_(settings, collection_, options_), browser_(volumes_, nullptr),
      previews_(collection_, browser_),
      commands_(collection_, browser_.files(), previews_, nullptr), random_(clock),
      engine_(collection_, options_.options(), clock, random_, noDesktop_),
      programFolder_(std::move(programFolder)) {
    lifeTimer_.setInterval(Liveness::kTimerIntervalMs);
    initTimer_.setInterval(kInitTimerIntervalMs);
    connect(&lifeTimer_, &QTimer::timeout, this, &Program::LifeTimer_Timer);
    connect(&initTimer_, &QTimer::timeout, this, &Program::InitTimer_Timer);
    // The folder the browser shows is the one saved as the last folder.
    connect(&browser_, &FileBrowserModel::folderChanged, this,
            [this](const QString& folder) { savedState_.setShownFolder(folder); });
    connect(&engine_, &WallpaperEngine::wallpaperShown, this,
            [this](const QString& path) { savedState_.setShownWallpaper(path); });
    connect(&engine_, &WallpaperEngine::changeDecided, this, &Program::tellChangeAskedFor);
}

bool Program::settleLiveness(Settings& settings, Clock& clock, const CommandLine& commandLine,
                             const QString& lockPath, Liveness::CloseOutcome* closeOutcome,
                             LivenessLock* running, Liveness::NextOutcome* nextOutcome) {
    settings.SetSettingsRoot(kProductName, QString());
    Liveness liveness(settings, clock, lockPath, running);
    const bool goOn = liveness.check(commandLine) == Liveness::Verdict::GoOn;
    if (closeOutcome)
        *closeOutcome = liveness.closeOutcome();
    if (nextOutcome)
        *nextOutcome = liveness.nextOutcome();
    return goOn;
}

QString Program::windowTitle() const {
    return kProductName + QLatin1Char(' ') + NumberText(kVersionMajor) + QLatin1Char('.') +
           NumberText(kVersionMinor);
}

bool Program::Form_Load(const CommandLine& commandLine, ProgramWindow& window, AskUser& askUser) {
    window_ = &window;
    askUser_ = &askUser;
    engine_.setAskUser(&askUser);
    engine_.setWindowVisible([this] { return window_ && window_->isWindowVisible(); });

    // The heartbeat was first written by the liveness check; from here on it runs every second.
    passingThrough_ = commandLine.isNext();
    lifeTimer_.start();
    LifeTimer_Timer();

    collection_.setPreviewEnabled(true);
    if (programFolder_.isEmpty())
        programFolder_ = QCoreApplication::applicationDirPath();
    makerFolder_ = kv::sampleFolder(programFolder_);
    helpFolder_ = kv::helpFolder(programFolder_);
    helpFileName_ = kv::helpFileName(helpFolder_, language_);
    savedState_.setBuiltInHomePage(builtInHomePage(helpFolder_, helpFileName_));
    window.setTitle(windowTitle());

    browser_.setAskUser(&askUser);
    commands_.setAskUser(&askUser);
    engine_.setRestorePending();
    savedState_.LoadSavedState(&window, makerFolder_);
    engine_.setLastShown(savedState_.shownWallpaper());
    restored_ = true;
    if (closeRequested_) {
        // A close that came first ends a "-next" start before its change: said as the failure
        // it is, not as a change made.
        if (commandLine.isNext()) {
            exitStatus_ = 1;
            askUser.ask(MessageKind::ChangeFailed,
                        tr("Kestrovaline was asked to close before it changed the wallpaper."));
        }
        SaveAndExit();
        return false;
    }
    const Options& options = options_.options();
    const bool logonChange =
        commandLine.isLogon() && options.Automatic != 0 && options.AutoLogon != 0;
    if (logonChange || commandLine.isNext())
        engine_.setChangeFollows();
    // Every step below may raise a message, and a close may come while it is open.
    engine_.ApplyDesktopOptions(commandLine.isNext() ? WallpaperEngine::DueChange::LeaveToCaller
                                                     : WallpaperEngine::DueChange::Make);
    if (ended_)
        return false;
    options_.ImportInstalledWallpapers(collection_, makerFolder_);
    // The file browser serves the window, which a logon start keeps hidden: there it waits until
    // the wallpaper shows, as listing a large folder takes a while.
    if (!commandLine.isLogon() && !startBrowser())
        return false;
    keepLogonStart();

    if (commandLine.isNext()) {
        // No copy took the request: this start makes the one change and ends, saving the moved
        // index and the change time as the running copy would.
        exitStatus_ = engine_.ChangeWallpaper() == 1 ? 0 : 1;
        engine_.RestoreWallpaper();
        // The window's list shows an empty collection for what it is; a command has only its
        // message to say why nothing changed.
        if (collection_.rowCount() == 0)
            askUser.ask(MessageKind::ChangeFailed, WallpaperEngine::noAvailableFilesMessage());
        SaveAndExit();
        return false;
    }
    if (logonChange) {
        engine_.ChangeWallpaper();
        if (ended_)
            return false;
    }
    // Also before a manual-mode logon start ends: it is what brings the wallpaper back there.
    engine_.RestoreWallpaper();
    if (commandLine.isLogon()) {
        if (!startBrowser())
            return false;
        if (options.Automatic == 0 && options.AutoStart == 0 && !showRequested_) {
            // A manual-mode logon start has nothing to stay for, unless a start of the user's
            // asked it for the window meanwhile. Nothing is saved, and the heartbeat says so at
            // once: a start right after it is the user's, not a second copy.
            stopTimers();
            ended_ = true;
            liveness_.markEnded();
            return false;
        }
        HideTray_Click();
    } else {
        window.showWindow();
    }
    started_ = true;
    if (showRequested_)
        bringWindowForward();

    initTimer_.start();
    return !ended_;
}

bool Program::startBrowser() {
    // The browser opens the restored folder on its drive; a drive that fails is reported and the
    // next one tried.
    browser_.start(savedState_.restoredDrive(), savedState_.restoredFolder());
    return !ended_;
}

void Program::LifeTimer_Timer() {
    switch (liveness_.tick(restored_, passingThrough_)) {
    case Liveness::Command::SaveAndExit:
        requestClose();
        break;
    case Liveness::Command::ChangeWallpaper:
        // Made once the tick has returned: a failure message opened inside it would hold the
        // heartbeat, and every later command with it (a close among them), until answered.
        // Told as soon as the change knows, before a failure message; one that tried nothing
        // (an empty collection, a change already under way, the end asked for) when it returns.
        changeAskedFor_ = true;
        QMetaObject::invokeMethod(
            this, [this] { tellChangeAskedFor(!ended_ && engine_.ChangeWallpaper() == 1); },
            Qt::QueuedConnection);
        break;
    case Liveness::Command::ShowWindow:
        // Shown before the start is through, the window would be built before the restore
        // (without its home page) and hidden again by a logon start's collapse into the tray.
        if (started_)
            bringWindowForward();
        else
            showRequested_ = true;
        break;
    case Liveness::Command::None:
        break;
    }
}

void Program::tellChangeAskedFor(bool changed) {
    // Only the change another start asked for is waited for, and told once.
    if (!changeAskedFor_)
        return;
    changeAskedFor_ = false;
    liveness_.markChanged(changed);
}

void Program::bringWindowForward() {
    if (window_)
        window_->bringForward();
}

void Program::requestClose() {
    if (ended_)
        return;
    if (!restored_) {
        closeRequested_ = true;
        return;
    }
    SaveAndExit();
}

void Program::InitTimer_Timer() {
    // The start-up report waits for the second tick, when the window has been drawn.
    if (++initTicks_ < 2)
        return;
    // Stopped first: the report is modal, and the timer must not fire again beneath it.
    initTimer_.stop();
    const QString report =
        CollectionCommands::MissingFilesText(savedState_.MissingCount(), savedState_.MissingName());
    if (!report.isEmpty() && askUser_)
        askUser_->ask(MessageKind::StartupReport, report);
    if (window_ && window_->isWindowVisible())
        tellLogonStartProblem();
}

QString Program::ExitQuestion(const Options& options) {
    QString question = tr("Are you sure to exit Kestrovaline wallpaper manager?");
    // Only the periodic and timed changes need the program running; the logon change is made
    // by the next start.
    if (options.Automatic != 0 && (options.AutoPeriod != 0 || options.AutoTime != 0))
        question += tr(" If you exit the program, automatic wallpaper change will not work!");
    return question;
}

void Program::Close_Click() {
    const QString question = ExitQuestion(options_.options());
    const int answer = askUser_ ? askUser_->ask(MessageKind::Exit, question) : -1;
    // A close from outside may have ended the program while the question was open.
    if (ended_)
        return;
    if (answer != 1) {
        if (window_ && window_->isWindowVisible())
            window_->showWindow();
        return;
    }
    liveness_.markEnding();
    if (SaveState(true)) {
        ExitProgram();
        return;
    }
    // The user decides whether this session's changes go.
    const QString again = saveFailureText(SaveFailureMoment::AskingToEnd) +
                          tr(" Exit anyway? The changes made since the last save will be lost.");
    const bool exits = askUser_->ask(MessageKind::ExitUnsaved, again) == 1;
    if (ended_)
        return;
    reportSaveFailure(false, exits ? SaveFailureMoment::Ending : SaveFailureMoment::Running);
    if (exits)
        ExitProgram(false);
    else
        liveness_.markEnding(false);
}

bool Program::SaveState(bool last) {
    // Before the restore there is nothing to save but empty values over the stored ones.
    if (!restored_)
        return true;
    const bool saved = savedState_.SaveState(window_, last);
    keepLogonStart();
    return saved;
}

void Program::setDesktop(DesktopBackend& desktop) {
    engine_.setDesktop(desktop);
    desktopForgetsWallpaper_ = !desktop.keepsWallpaper();
}

void Program::keepLogonStart() {
    if (!logonStart_)
        return;
    const bool wanted = LogonStart::IsWanted(options_.options(), desktopForgetsWallpaper_);
    if (logonStart_->Update(wanted, settings_) != LogonStart::Outcome::Failed ||
        logonStartFailureTold_)
        return;
    logonStartFailureTold_ = true;
    const QString entry = QDir::toNativeSeparators(logonStart_->filePath());
    const QString text =
        wanted ? tr("Unable to set up the start at logon! %1 could not be written, so Kestrovaline "
                    "will not start by itself at the next logon.")
                     .arg(entry)
               : tr("Unable to remove the start at logon! %1 could not be removed, so "
                    "Kestrovaline will still start at the next logon.")
                     .arg(entry);
    std::fprintf(stderr, "Kestrovaline: %s\n", text.toLocal8Bit().constData());
    logonStartReport_ = text;
}

void Program::tellLogonStartProblem() {
    if (!logonStartReport_.isEmpty() && askUser_)
        askUser_->ask(MessageKind::StoreFailed, std::exchange(logonStartReport_, QString()));
}

QString Program::saveFailureText(SaveFailureMoment moment) const {
    const QString error = settings_.lastError();
    if (!settings_.lastFailureKeptOldValues())
        return tr("Unable to save settings! %1. The save is partly in place and is completed "
                  "when Kestrovaline starts next.")
            .arg(error);
    // Only a program that goes on running saves its changes again.
    switch (moment) {
    case SaveFailureMoment::Running:
        return tr("Unable to save settings! %1. What was saved before is kept, and the save is "
                  "tried again next time.")
            .arg(error);
    case SaveFailureMoment::Ending:
        return tr("Unable to save settings! %1. What was saved before is kept; the changes made "
                  "since then are lost.")
            .arg(error);
    case SaveFailureMoment::AskingToEnd:
        break;
    }
    return tr("Unable to save settings! %1. What was saved before is kept.").arg(error);
}

void Program::reportSaveFailure(bool inWindow, SaveFailureMoment moment) {
    const QString text = saveFailureText(moment);
    // A "-next" start has no window; its own way of telling also reaches a user who started it
    // from a keyboard shortcut.
    if (passingThrough_ && askUser_) {
        askUser_->ask(MessageKind::StoreFailed, text);
        return;
    }
    std::fprintf(stderr, "Kestrovaline: %s\n", text.toLocal8Bit().constData());
    if (inWindow && askUser_)
        askUser_->ask(MessageKind::StoreFailed, text);
}

void Program::saveForSession() {
    if (!SaveState())
        reportSaveFailure(false);
}

void Program::SaveAndExit() {
    liveness_.markEnding();
    const bool saved = SaveState(true);
    if (!saved)
        reportSaveFailure(false, SaveFailureMoment::Ending);
    ExitProgram(saved);
}

void Program::endAbruptly() {
    if (ended_)
        return;
    ended_ = true;
    const bool saved = SaveState(true);
    if (!saved)
        reportSaveFailure(false, SaveFailureMoment::Ending);
    liveness_.markEnded(saved);
}

void Program::ExitProgram(bool saved) {
    if (ended_)
        return;
    ended_ = true;
    exitCode_ = saved ? 0 : 2;
    stopTimers();
    if (window_)
        window_->removeTrayIcon();
    liveness_.markEnded(saved);
    endProcess_();
}

void Program::stopTimers() {
    lifeTimer_.stop();
    initTimer_.stop();
    engine_.stopScheduler();
}

void Program::HideTray_Click() {
    const bool saved = SaveState();
    const bool userSawTheWindow = window_ && window_->isWindowVisible();
    if (window_) {
        window_->addTrayIcon();
        window_->hideWindow();
    }
    if (!saved)
        reportSaveFailure(true);
    if (userSawTheWindow)
        tellLogonStartProblem();
}

void Program::TrayIcon_MouseMove(TrayClick click) {
    switch (click) {
    case TrayClick::LeftPress:
    case TrayClick::LeftDoubleClick:
        if (!window_)
            return;
        if (window_->isWindowVisible())
            window_->hideWindow();
        else
            window_->showWindow();
        break;
    case TrayClick::RightPress:
    case TrayClick::RightDoubleClick:
        engine_.ChangeWallpaper();
        break;
    case TrayClick::Other:
        break;
    }
}

} // namespace kv
