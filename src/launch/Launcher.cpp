// SPDX-License-Identifier: GPL-3.0-or-later
#include "launch/Launcher.h"

#include "app/AbruptExitGuard.h"
#include "app/CommandLine.h"
#include "app/DataFolders.h"
#include "app/Liveness.h"
#include "app/Program.h"
#include "app/TerminationSignals.h"
#include "common/AskUser.h"
#include "common/PictureCheck.h"
#include "engine/Clock.h"
#include "engine/Options.h"
#include "engine/Random.h"
#include "settings/Settings.h"
#include "ui/Translations.h"
#include "ui/WindowsOnDemand.h"
#include "ui/help/Help.h"
#include "ui/help/Hyperlinks.h"

#ifdef _WIN32
#include "desktop/win32/ActiveDesktop.h"
#include "desktop/win32/WindowsDesktop.h"
#include "settings/win32/RegistrySettingsStore.h"
#else
#include "app/LogonStart.h"
#include "desktop/DesktopLoader.h"
#include "launch/DisplayCheck.h"
#include "settings/SessionValuesStore.h"
#include "settings/SettingsLocation.h"
#include "settings/SqliteSettingsStore.h"
#include "ui/main/DesktopNotification.h"
#endif

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QPointer>
#include <QProcessEnvironment>
#include <QSessionManager>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>

namespace kv {
namespace {

QStringList argumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// What goes to the terminal is said before the program's application object exists: a
// short-lived one carries the user's language to it.
void printTranslated(FILE* stream, int argc, char** argv, const std::function<QString()>& text) {
    // Once the program's own application runs, its translations are in place.
    if (QCoreApplication::instance()) {
        print(stream, text());
        return;
    }
    const QCoreApplication application(argc, argv);
    InstallTranslations();
    print(stream, text());
}

// A "-next" start nobody watches (from a keyboard shortcut or a menu) has nobody to close a
// dialog. It reports on standard error, and what it failed to do, or what became of the store,
// in the desktop's notifications as well, unless the user switched that kind of message off.
class CommandAskUser final : public AskUser {
public:
    explicit CommandAskUser(const MessageSwitches& switches) : switches_(switches) {}
    int ask(MessageKind kind, const QString& message) override {
        print(stderr, QStringLiteral("kestrovaline: %1\n").arg(message));
        notify(kind, message);
        return -1;
    }
    // For what standard error was told already.
    void notify(MessageKind kind, const QString& message) const {
#ifdef _WIN32
        Q_UNUSED(kind);
        Q_UNUSED(message);
#else
        if ((kind == MessageKind::ChangeFailed || kind == MessageKind::StoreFailed) &&
            switches_.confirm(static_cast<int>(kind)) != 0)
            notifyDesktop(QStringLiteral("Kestrovaline"), message, NotificationDelivery::Awaited);
#endif
    }

private:
    const MessageSwitches& switches_;
};

// Windows has one desktop, the shell's; elsewhere the desktop is found at run time, waiting for
// one the session names unless `patient` is false.
std::unique_ptr<DesktopBackend> desktopFor(const QProcessEnvironment& environment,
                                           bool patient = true) {
#ifdef _WIN32
    Q_UNUSED(environment);
    Q_UNUSED(patient);
    return std::make_unique<WindowsDesktop>();
#else
    return loadDesktopBackend(environment, patient);
#endif
}

#ifndef _WIN32
// The logon entry names the program by its plain name when that is what the PATH finds, so an
// installed program keeps working across upgrades; a copy elsewhere is named by its full path.
QString logonProgram() {
    const QString running = QCoreApplication::applicationFilePath();
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("kestrovaline"));
    if (!onPath.isEmpty() &&
        QFileInfo(onPath).canonicalFilePath() == QFileInfo(running).canonicalFilePath())
        return QStringLiteral("kestrovaline");
    return running;
}
#endif

QString versionText(int argc, char** argv, const QProcessEnvironment& environment) {
    // Printed, not used: a desktop component still to come at logon is not waited for.
    const auto desktop = desktopFor(environment, false);
    // Only for the program's folder: no display is needed to print this.
    const QCoreApplication application(argc, argv);
    const QString language = InstallTranslations();
    const QDir folder(helpFolder(QCoreApplication::applicationDirPath()));
    const QString manual = folder.filePath(helpFileName(folder.path(), language));
    return QCoreApplication::translate("kv::Launcher",
                                       "Kestrovaline %1.%2\nDesktop: %3\nManual: %4\n")
        .arg(Program::kVersionMajor)
        .arg(Program::kVersionMinor)
        .arg(desktop->name(), QFileInfo(manual).isFile()
                                  ? QDir::toNativeSeparators(manual)
                                  : QCoreApplication::translate("kv::Launcher", "not found"));
}

// The session's end reaches the program as a request to quit (the session manager's "die", the
// end of a Windows session), which saves and ends as "-close" does: the main window, which would
// only collapse to the tray, is not asked. Only the application's own events pass here, not
// every event of every window as through an event filter.
class KestrovalineApplication final : public QApplication {
public:
    using QApplication::QApplication;
    void endThrough(Program& program) { program_ = &program; }

protected:
    bool event(QEvent* event) override {
        if (event->type() != QEvent::Quit || !program_)
            return QApplication::event(event);
        program_->requestClose();
        return true;
    }

private:
    Program* program_ = nullptr;
};

} // namespace

int launch(int argc, char** argv) {
#ifdef _WIN32
    // The desktop object lives in a single-threaded apartment joined by this, the user-interface
    // thread, for the life of the process.
    const win32::ComApartment apartment;
#endif
    const CommandLine commandLine = CommandLine::parse(argumentsOf(argc, argv));
#ifndef _WIN32
    // Qt's folders and the desktop's tools that the backends start look for the user's files
    // under HOME too.
    const QString home = userHomeFolder(QProcessEnvironment::systemEnvironment());
    if (qEnvironmentVariable("HOME") != home)
        qputenv("HOME", QFile::encodeName(home));
#endif
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (commandLine.mode == CommandLine::Mode::Help) {
        printTranslated(stdout, argc, argv, usageText);
        return 0;
    }
    if (commandLine.mode == CommandLine::Mode::Version) {
        print(stdout, versionText(argc, argv, environment));
        return 0;
    }
    // Arguments a start does not understand are named where it stops looking at them: every one
    // where it ends before Qt starts, only those Qt leaves where it goes on.
    const auto nameIgnored = [&commandLine, argc, argv](const QStringList& arguments) {
        if (commandLine.mode == CommandLine::Mode::Normal && !arguments.isEmpty())
            printTranslated(stderr, argc, argv, [&] { return unknownArgumentsText(arguments); });
    };

    // Stores and the liveness check come before any window: "-close" and a second start need no
    // display at all, and a copy's heartbeat is written before Qt takes its time to start.
#ifdef _WIN32
    // The registry serves the heartbeat as well: it keeps values in memory and writes them to
    // the disk lazily.
    RegistrySettingsStore registry;
    Settings settings(registry);
    // The installer writes "JustInstalled" on Windows.
    const bool importWhenUnmarked = false;
    const auto storeProblem = [] {
        return QString();
    };
    // The lock belongs to the user, as the registry key it guards does: a temporary folder can be
    // one per session (two copies on one key) or shared by every user (one locks out the rest).
    const QDir lockFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                          QStringLiteral("/Kestrovaline"));
    lockFolder.mkpath(QStringLiteral("."));
    const QString lockPath = lockFolder.filePath(QStringLiteral("kestrovaline-liveness.lock"));
#else
    const QString volatilePath = volatileStorePath(environment);
    const auto volatileStore =
        volatilePath.isEmpty() ? nullptr : SessionValuesStore::open(volatilePath);
    // Only the copy that goes on opens the persistent store, unless it keeps the heartbeat too:
    // copies started together then do not queue up on it before the check.
    std::unique_ptr<SqliteSettingsStore> persistent =
        volatileStore ? nullptr : SqliteSettingsStore::open(persistentStorePath(environment));
    Settings heartbeat(volatileStore ? static_cast<SettingsStore&>(*volatileStore) : *persistent);
    // No installer writes the per-user store here.
    const bool importWhenUnmarked = true;
    const QString lockPath = livenessLockPath(environment);
#endif
    SystemClock clock;
    Liveness::CloseOutcome closeOutcome = Liveness::CloseOutcome::NotRunning;
    Liveness::NextOutcome nextOutcome = Liveness::NextOutcome::Made;
    // Held from the moment this copy goes on until it ends, and let go by the system if it dies.
    LivenessLock running(Liveness::runningLockPath(lockPath));
#ifdef _WIN32
    if (!Program::settleLiveness(settings, clock, commandLine, lockPath, &closeOutcome, &running,
                                 &nextOutcome)) {
#else
    if (!Program::settleLiveness(heartbeat, clock, commandLine, lockPath, &closeOutcome, &running,
                                 &nextOutcome)) {
#endif
        if (commandLine.isClose()) {
            printTranslated(stderr, argc, argv,
                            [closeOutcome] { return Liveness::describe(closeOutcome) + '\n'; });
            return Liveness::exitCodeOf(closeOutcome);
        }
        nameIgnored(argumentsOf(argc, argv));
        // A change made is not remarked on: a key bound to "-next" says nothing then.
        if (Liveness::exitCodeOf(nextOutcome) != 0)
            printTranslated(stderr, argc, argv,
                            [nextOutcome] { return Liveness::describe(nextOutcome) + '\n'; });
        return Liveness::exitCodeOf(nextOutcome);
    }
#ifndef _WIN32
    if (!persistent)
        persistent = SqliteSettingsStore::open(persistentStorePath(environment));
    Settings settings(*persistent, volatileStore.get());
    settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
    const auto storeProblem = [&persistent] {
        return persistent->problem();
    };
#endif
    // From here on this copy is the running one; a session that ends it now is heard once the
    // window exists.
    TerminationSignals::install();
    const bool storeFailed = !storeProblem().isEmpty();
    if (storeFailed)
        printTranslated(stderr, argc, argv,
                        [&] { return QStringLiteral("Kestrovaline: ") + storeProblem() + '\n'; });

#ifndef _WIN32
    if (const QString advice = missingDisplayAdvice(environment, argumentsOf(argc, argv));
        !advice.isEmpty()) {
        Liveness(settings, clock, lockPath, &running).markEnded();
        nameIgnored(argumentsOf(argc, argv));
        // Asked again for its translation, the check sees the plugins beside the program too.
        printTranslated(stderr, argc, argv, [&] {
            const QString translated = missingDisplayAdvice(environment, argumentsOf(argc, argv));
            return translated.isEmpty() ? advice : translated;
        });
        return 1;
    }
#endif

    KestrovalineApplication application(argc, argv);
    UsePictureAllocationLimit();
    const QString language = InstallTranslations();
    // Qt has taken its own options (-style, -reverse, ...) out of the arguments.
    nameIgnored(QCoreApplication::arguments().mid(1));
    QApplication::setApplicationName(QStringLiteral("Kestrovaline"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(Program::kVersionMajor).arg(Program::kVersionMinor));
    QApplication::setQuitOnLastWindowClosed(false);
    // Panels and task switchers match the windows to the menu entry and show its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("kestrovaline"));
    const auto setWindowIcon = [] {
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/kestrovaline.svg")));
    };
    // A logon or "-next" start changes the wallpaper before it shows any window: loading the
    // icon's renderer can wait until then.
    const bool changeFirst = commandLine.isLogon() || commandLine.isNext();
    if (!changeFirst)
        setWindowIcon();

    Program program(settings, clock, [] { QCoreApplication::exit(0); });
    program.setLanguage(language);
    program.setLivenessLocks(lockPath, &running);
    // The session's end and the signals that end a program save and end it as "-close" does.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &program,
                     &Program::requestClose);
    // A change that goes through a large collection stops for them rather than keep them waiting.
    program.engine().setEndRequested(&TerminationSignals::pending);
#if QT_CONFIG(sessionmanager)
    // The logon entry starts the program where the user wants it; a session that restarted it
    // as well would open its window at logon, as a second start.
    const auto neverRestart = [](QSessionManager& manager) {
        manager.setRestartHint(QSessionManager::RestartNever);
    };
    QObject::connect(&application, &QGuiApplication::saveStateRequest, &program, neverRestart);
    // A save request may be a checkpoint of a session that goes on: it only saves. The end
    // follows as a quit.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &program,
                     [&program, neverRestart](QSessionManager& manager) {
                         neverRestart(manager);
                         program.saveForSession();
                     });
#endif
    application.endThrough(program);
    const auto desktop = desktopFor(environment);
    program.setDesktop(*desktop);
#ifndef _WIN32
    // Windows registers the logon start in its installer.
    const LogonStart logonStart(autostartFolder(environment), logonProgram());
    program.setLogonStart(&logonStart);
#endif
    ClockSeededRandom random(clock);
    program.setRandom(random);
    program.previews().setDecodeInPool(true);
    OptionsMessageSwitches messageSwitches(program.options().options());
    Hyperlinks hyperlinks;
    WindowsOnDemand windows(program, settings, messageSwitches, hyperlinks);
    AskUser& askUser = windows.askUser();
    // Where nothing on the desktop opens the manual, the program shows it itself.
    hyperlinks.setLocalViewer([&windows](const QUrl& url) { return windows.showManual(url); });
    program.setImportWhenUnmarked(importWhenUnmarked);
    CommandAskUser commandAskUser(messageSwitches);
    // Said once the window is up, so that the user sees it over the program it concerns.
    const auto tellStoreProblem = [windows = QPointer<WindowsOnDemand>(&windows),
                                   next = commandLine.isNext(),
                                   &commandAskUser](const QString& problem) {
        if (next)
            commandAskUser.notify(MessageKind::StoreFailed, problem);
        else if (windows)
            QTimer::singleShot(0, windows.data(), [windows, problem] {
                windows->askUser().ask(MessageKind::StoreFailed, problem);
            });
    };
    if (storeFailed)
        tellStoreProblem(storeProblem());
#ifndef _WIN32
    // Damage the open does not look for is found when the load reads the store.
    persistent->setProblemObserver([tellStoreProblem, storeProblem] {
        print(stderr, QStringLiteral("Kestrovaline: ") + storeProblem() + '\n');
        tellStoreProblem(storeProblem());
    });
#endif
    if (!program.Form_Load(commandLine, windows,
                           commandLine.isNext() ? static_cast<AskUser&>(commandAskUser) : askUser))
        return qMax(program.exitStatus(), program.exitCode());
    if (changeFirst)
        setWindowIcon();
    // The help and the about box need the folders and the home page the start-up settled.
    Help& help = windows.help();
    help.setProgramFolder(program.helpFolder());
    help.setHelpFileName(program.helpFileName());
    help.setHomePage(program.savedState().homePage());
    windows.setDesktopName(desktop->name());
    const AbruptExitGuard abruptExit(program);
    QApplication::exec();
    return program.exitCode();
}

} // namespace kv
