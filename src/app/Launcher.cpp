#include "app/Launcher.h"

#include "app/CommandLine.h"
#include "app/DisplayCheck.h"
#include "app/Program.h"
#include "engine/Clock.h"
#include "engine/Options.h"
#include "engine/Random.h"
#include "engine/desktop/DesktopLoader.h"
#include "settings/Settings.h"
#include "settings/SettingsLocation.h"
#include "settings/SqliteSettingsStore.h"
#include "ui/main/MainWindow.h"
#include "ui/message/DialogAskUser.h"
#include "ui/message/ProgMsg.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>

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

QString versionText(const QProcessEnvironment& environment) {
    const auto desktop = loadDesktopBackend(environment);
    return QStringLiteral("Kestrovaline %1.%2\nDesktop: %3\n")
        .arg(Program::kVersionMajor)
        .arg(Program::kVersionMinor)
        .arg(desktop->name());
}

} // namespace

int launch(int argc, char** argv) {
    const CommandLine commandLine = CommandLine::parse(argumentsOf(argc, argv));
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (commandLine.mode == CommandLine::Mode::Help) {
        print(stdout, usageText());
        return 0;
    }
    if (commandLine.mode == CommandLine::Mode::Version) {
        print(stdout, versionText(environment));
        return 0;
    }

    // Stores and the liveness check come before any window: "-close" and a second start need no
    // display at all.
    const auto persistent = SqliteSettingsStore::open(persistentStorePath(environment));
    const QString volatilePath = volatileStorePath(environment);
    const auto volatileStore =
        volatilePath.isEmpty() ? nullptr : SqliteSettingsStore::open(volatilePath);
    Settings settings(*persistent, volatileStore.get());
    SystemClock clock;
    if (!Program::settleLiveness(settings, clock, commandLine))
        return 0;

    const QString advice = missingDisplayAdvice(environment);
    if (!advice.isEmpty()) {
        print(stderr, advice);
        return 1;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrovaline"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(Program::kVersionMajor).arg(Program::kVersionMinor));
    QApplication::setQuitOnLastWindowClosed(false);

    Program program(settings, clock, [] { QCoreApplication::exit(0); });
    const auto desktop = loadDesktopBackend(environment);
    program.setDesktop(*desktop);
    ClockSeededRandom random(clock);
    program.setRandom(random);
    OptionsMessageSwitches messageSwitches(program.options().options());
    MainWindow window;
    // The main window owns the one message dialog of the run.
    auto* messageDialog = new ProgMsg(messageSwitches, &window);
    DialogAskUser askUser(*messageDialog, messageSwitches);
    program.savedState().attachDialogs(nullptr, messageDialog);
    program.setFreshStore(persistent->opened() == SqliteSettingsStore::Opened::Created);
    window.attach(program);
    if (!program.Form_Load(commandLine, window, askUser))
        return 0;
    return QApplication::exec();
}

} // namespace kv
