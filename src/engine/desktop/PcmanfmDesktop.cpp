#include "engine/desktop/PcmanfmDesktop.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace kv {
namespace {

constexpr int kCallTimeoutMs = 10000;

// The mode names both file managers know for centre, tile and stretch; "fit" (none of ours)
// while we do not know the style.
QString modeOf(int style) {
    switch (style) {
    case StyleCentre:
        return QStringLiteral("center");
    case StyleTile:
        return QStringLiteral("tile");
    case StyleStretch:
        return QStringLiteral("stretch");
    default:
        return QStringLiteral("fit");
    }
}

QString configHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

// The value of --profile=NAME or --profile NAME (-p NAME), else "default".
QString profileOf(const QStringList& arguments) {
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument.startsWith(QLatin1String("--profile=")))
            return argument.mid(10);
        if ((argument == QLatin1String("--profile") || argument == QLatin1String("-p")) &&
            i + 1 < arguments.size())
            return arguments[i + 1];
    }
    return QStringLiteral("default");
}

// A profile name that stays one folder below the configuration folder.
bool isPlainProfile(const QString& profile) {
    return !profile.isEmpty() && !profile.contains(QLatin1Char('/')) &&
           profile != QLatin1String(".") && profile != QLatin1String("..");
}

QDBusMessage pcmanfmQtCall(const QString& interface, const QString& method,
                           const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.pcmanfm.PCManFM"), QStringLiteral("/Application"), interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeoutMs);
}

// Sets one key of the group in a GLib key file, keeping every other line as it was.
bool writeKeyFileValue(const QString& file, const QString& group, const QString& key,
                       const QString& value) {
    QStringList lines;
    QFile in(file);
    if (in.exists()) {
        if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
            return false;
        lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'));
        in.close();
        while (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
    }
    const QString header = QLatin1Char('[') + group + QLatin1Char(']');
    const QString entry = key + QLatin1Char('=') + value;
    int groupLine = int(lines.indexOf(header));
    if (groupLine < 0) {
        lines << header << entry;
    } else {
        int line = groupLine + 1;
        bool replaced = false;
        for (; line < lines.size() && !lines[line].startsWith(QLatin1Char('[')); ++line)
            if (lines[line].section(QLatin1Char('='), 0, 0).trimmed() == key) {
                lines[line] = entry;
                replaced = true;
                break;
            }
        if (!replaced)
            lines.insert(line, entry);
    }
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    out.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    return out.commit();
}

DesktopState recordFor(const DesktopRecord& record, const QString& display) {
    DesktopState state = record.read();
    if (state.session != display)
        state = DesktopState{};
    state.session = display;
    return state;
}

} // namespace

std::optional<QStringList> findOwnProcess(const QString& program, const QString& argument,
                                          const QString& display) {
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : pids) {
        bool numeric = false;
        pid.toLongLong(&numeric);
        struct stat info {};
        const QByteArray folder = "/proc/" + pid.toLatin1();
        if (!numeric || ::stat(folder.constData(), &info) != 0 || info.st_uid != ::getuid())
            continue;
        QFile cmdline(QString::fromLatin1(folder) + QStringLiteral("/cmdline"));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        QStringList arguments;
        for (const QByteArray& part : cmdline.readAll().split('\0'))
            if (!part.isEmpty())
                arguments << QString::fromLocal8Bit(part);
        if (arguments.isEmpty() || QFileInfo(arguments.first()).fileName() != program ||
            !arguments.contains(argument))
            continue;
        QFile environ(QString::fromLatin1(folder) + QStringLiteral("/environ"));
        if (!display.isEmpty() && environ.open(QIODevice::ReadOnly) &&
            !environ.readAll().split('\0').contains("DISPLAY=" + display.toLocal8Bit()))
            continue;
        return arguments;
    }
    return std::nullopt;
}

// ---- LXQt --------------------------------------------------------------------------------------

LxqtDesktop::LxqtDesktop(QString display)
    : display_(std::move(display)), record_(QStringLiteral("lxqt")) {}

QString LxqtDesktop::name() const {
    return QStringLiteral("lxqt (LXQt, pcmanfm-qt over D-Bus)");
}

bool LxqtDesktop::desktopRunning() {
    const QDBusMessage reply = pcmanfmQtCall(
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
        {QStringLiteral("org.pcmanfm.Application"), QStringLiteral("desktopManagerEnabled")});
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

QString LxqtDesktop::settingsFile() const {
    const auto arguments =
        findOwnProcess(QStringLiteral("pcmanfm-qt"), QStringLiteral("--desktop"), display_);
    QString profile = arguments ? profileOf(*arguments) : QStringLiteral("default");
    if (!isPlainProfile(profile))
        profile = QStringLiteral("default");
    return configHome() + QStringLiteral("/pcmanfm-qt/") + profile +
           QStringLiteral("/settings.conf");
}

DesktopState LxqtDesktop::recorded() const {
    return recordFor(record_, display_);
}

bool LxqtDesktop::show(const DesktopState& state) const {
    if (!desktopRunning())
        return false;
    const QDBusMessage reply =
        pcmanfmQtCall(QStringLiteral("org.pcmanfm.Application"), QStringLiteral("setWallpaper"),
                      {QFileInfo(state.path).absoluteFilePath(), modeOf(state.style)});
    if (reply.type() != QDBusMessage::ReplyMessage)
        return false;
    // pcmanfm-qt has just saved its own settings, with its old colour: ours goes in after.
    if (state.colour != kUnknownDesktopColor) {
        QSettings settings(settingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Desktop/BgColor"), colourHex(state.colour));
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return false;
    }
    return true;
}

bool LxqtDesktop::SetDesktopWallpaper(const QString& path) {
    if (!isUsablePicture(path))
        return false;
    DesktopState state = recorded();
    state.path = path;
    return show(state) && record_.write(state);
}

int LxqtDesktop::GetDesktopWallpaperStyle() {
    return recorded().style;
}

bool LxqtDesktop::SetDesktopWallpaperStyle(int style) {
    if (style < StyleCentre || style > StyleStretch)
        return false;
    DesktopState state = recorded();
    state.style = style;
    // Without a picture of ours the mode has nothing to place; it goes with the next picture.
    if (!state.path.isEmpty() && (!isUsablePicture(state.path) || !show(state)))
        return false;
    return record_.write(state);
}

DesktopColor LxqtDesktop::GetDesktopColor() {
    return recorded().colour;
}

bool LxqtDesktop::SetDesktopColor(DesktopColor colour) {
    DesktopState state = recorded();
    state.colour = colour & 0xFFFFFF;
    QSettings settings(settingsFile(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Desktop/BgColor"), colourHex(state.colour));
    settings.sync();
    return settings.status() == QSettings::NoError && record_.write(state);
}

// ---- LXDE --------------------------------------------------------------------------------------

LxdeDesktop::LxdeDesktop(QString display)
    : display_(std::move(display)), record_(QStringLiteral("lxde")) {}

QString LxdeDesktop::name() const {
    return QStringLiteral("lxde (LXDE, pcmanfm --set-wallpaper)");
}

bool LxdeDesktop::desktopRunning() const {
    if (!findOwnProcess(QStringLiteral("pcmanfm"), QStringLiteral("--desktop"), display_))
        return false;
    // The running pcmanfm takes commands through its socket (named after the display) once it
    // listens; a command sent before makes the sender a second pcmanfm that opens an error
    // window and waits for the user.
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        runtime = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString host = display_.section(QLatin1Char(':'), 0, 0);
    const int number =
        display_.section(QLatin1Char(':'), 1).section(QLatin1Char('.'), 0, 0).toInt();
    const QString socket = QStringLiteral("%1/pcmanfm-socket-%2-%3").arg(runtime, host).arg(number);
    struct stat info {};
    return ::stat(QFile::encodeName(socket).constData(), &info) == 0 && S_ISSOCK(info.st_mode);
}

QString LxdeDesktop::settingsFile() const {
    const auto arguments =
        findOwnProcess(QStringLiteral("pcmanfm"), QStringLiteral("--desktop"), display_);
    QString profile = arguments ? profileOf(*arguments) : QStringLiteral("default");
    if (!isPlainProfile(profile))
        profile = QStringLiteral("default");
    return configHome() + QStringLiteral("/pcmanfm/") + profile +
           QStringLiteral("/desktop-items-0.conf");
}

DesktopState LxdeDesktop::recorded() const {
    return recordFor(record_, display_);
}

bool LxdeDesktop::show(const DesktopState& state) const {
    if (!desktopRunning())
        return false;
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pcmanfm"));
    if (program.isEmpty())
        return false;
    // One argument each, the file joined to its option: a name that starts with "-" stays a
    // file name.
    QProcess pcmanfm;
    pcmanfm.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // It finds the running desktop by the display it draws on.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display_);
    pcmanfm.setProcessEnvironment(environment);
    pcmanfm.start(program,
                  {QStringLiteral("--set-wallpaper=") + QFileInfo(state.path).absoluteFilePath(),
                   QStringLiteral("--wallpaper-mode=") + modeOf(state.style)});
    if (!pcmanfm.waitForFinished(kCallTimeoutMs) || pcmanfm.exitStatus() != QProcess::NormalExit ||
        pcmanfm.exitCode() != 0)
        return false;
    // pcmanfm saves its settings with the picture, and with them its own colour: ours goes back.
    return state.colour == kUnknownDesktopColor ||
           writeKeyFileValue(settingsFile(), QStringLiteral("*"), QStringLiteral("desktop_bg"),
                             colourHex(state.colour));
}

bool LxdeDesktop::SetDesktopWallpaper(const QString& path) {
    if (!isUsablePicture(path))
        return false;
    DesktopState state = recorded();
    state.path = path;
    return show(state) && record_.write(state);
}

int LxdeDesktop::GetDesktopWallpaperStyle() {
    return recorded().style;
}

bool LxdeDesktop::SetDesktopWallpaperStyle(int style) {
    if (style < StyleCentre || style > StyleStretch)
        return false;
    DesktopState state = recorded();
    state.style = style;
    if (!state.path.isEmpty() && (!isUsablePicture(state.path) || !show(state)))
        return false;
    return record_.write(state);
}

DesktopColor LxdeDesktop::GetDesktopColor() {
    return recorded().colour;
}

bool LxdeDesktop::SetDesktopColor(DesktopColor colour) {
    DesktopState state = recorded();
    state.colour = colour & 0xFFFFFF;
    return writeKeyFileValue(settingsFile(), QStringLiteral("*"), QStringLiteral("desktop_bg"),
                             colourHex(state.colour)) &&
           record_.write(state);
}

} // namespace kv
