// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/PcmanfmDesktop.h"

#include "desktop/DesktopBus.h"
#include "desktop/RootPicture.h"
#include "desktop/X11Connection.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

namespace kv {
namespace {

constexpr int kCallTimeoutMs = 10000;

// The mode names both file managers know for centre, tile, stretch and fit; fill is `fillMode`
// where the file manager has one. "fit" while we do not know the style.
QString modeOf(int style, const char* fillMode = "fit") {
    switch (style) {
    case StyleCentre:
        return QStringLiteral("center");
    case StyleTile:
        return QStringLiteral("tile");
    case StyleStretch:
        return QStringLiteral("stretch");
    case StyleFill:
        return QLatin1String(fillMode);
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

// `file` in the profile folder of `program`'s running desktop on `display`.
QString profileFile(const QString& program, const QString& display, const QString& file) {
    const auto arguments = findOwnProcess(program, QStringLiteral("--desktop"), display);
    QString profile = arguments ? profileOf(*arguments) : QStringLiteral("default");
    if (!isPlainProfile(profile))
        profile = QStringLiteral("default");
    return configHome() + QLatin1Char('/') + program + QLatin1Char('/') + profile +
           QLatin1Char('/') + file;
}

QDBusMessage pcmanfmQtCall(const QString& interface, const QString& method,
                           const QVariantList& arguments, int timeoutMs = kDesktopCallTimeoutMs) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.pcmanfm.PCManFM"), QStringLiteral("/Application"), interface, method);
    message.setArguments(arguments);
    return callDesktop(message, timeoutMs);
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

// Tells one save of the file from the next, even one with the same content: a save replaces it.
QByteArray fileStamp(const QString& file) {
    struct stat info {};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return {};
    return QByteArray::number(qulonglong(info.st_ino)) + ' ' +
           QByteArray::number(qlonglong(info.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qlonglong(info.st_mtim.tv_nsec)) + ' ' +
           QByteArray::number(qlonglong(info.st_size));
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
    : RecordedDesktop(QStringLiteral("lxqt"), std::move(display)) {}

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

// It draws one picture stretched over every monitor of the screen: with monitors of different
// shapes the crop fits the largest, and the others show it a little distorted.
std::optional<QSize> LxqtDesktop::fillShape() const {
    const X11Connection x11(session().toLocal8Bit());
    const xcb_screen_t* screen = x11.ok() ? x11.defaultScreen() : nullptr;
    QSize largest;
    if (screen)
        for (const QRect& monitor : x11.monitors(screen))
            if (qint64(monitor.width()) * monitor.height() >
                qint64(largest.width()) * largest.height())
                largest = monitor.size();
    return largest;
}

QString LxqtDesktop::settingsFile() const {
    return profileFile(QStringLiteral("pcmanfm-qt"), session(), QStringLiteral("settings.conf"));
}

bool LxqtDesktop::writeSettings(const DesktopState& state) const {
    QSettings settings(settingsFile(), QSettings::IniFormat);
    // It saves the mode as "none": its next start would show no picture at all. It also saves
    // our drawing of the screen where it was handed one, which would not fit other monitors.
    if (!state.path.isEmpty()) {
        settings.setValue(QStringLiteral("Desktop/WallpaperMode"), modeOf(state.style, "stretch"));
        settings.setValue(QStringLiteral("Desktop/Wallpaper"), handedFile(state));
    }
    if (state.colour != kUnknownDesktopColor)
        settings.setValue(QStringLiteral("Desktop/BgColor"), colourHex(state.colour));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool LxqtDesktop::setWallpaper(const QString& file, const QString& mode) const {
    return pcmanfmQtCall(QStringLiteral("org.pcmanfm.Application"), QStringLiteral("setWallpaper"),
                         {file, mode}, kDesktopDrawTimeoutMs)
               .type() == QDBusMessage::ReplyMessage;
}

QString LxqtDesktop::screenPicture(const DesktopState& state, DesktopColor ownColour) const {
    const X11Connection x11(session().toLocal8Bit());
    const xcb_screen_t* screen = x11.ok() ? x11.defaultScreen() : nullptr;
    if (!screen || copyFolder().isEmpty())
        return {};
    const DesktopColor colour = state.colour != kUnknownDesktopColor ? state.colour : ownColour;
    const QList<QRect> monitors = x11.monitors(screen);
    RootPicture picture;
    if (!picture.load(state.path, monitors, state.style, colour))
        return {};
    const QImage image =
        picture.render(QSize(screen->width_in_pixels, screen->height_in_pixels), monitors);
    const QString file = alternateName(copyFolder(), QStringLiteral("lxqt-screen"), state.link,
                                       QStringLiteral(".png"));
    QSaveFile out(file);
    if (image.isNull() || !out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") ||
        !out.commit())
        return {};
    return file;
}

bool LxqtDesktop::show(DesktopState& state) const {
    if (!desktopRunning())
        return false;
    const QString mode = modeOf(state.style, "stretch");
    if (!setWallpaper(handedFile(state), mode))
        return false;
    // It compares a request with the mode it read at its start, not the one it shows: asked for
    // that mode again, it changes only the picture and keeps showing the last other mode. It has
    // just saved that starting mode; then it gets the whole screen drawn by us, in another mode
    // (a picture of the screen's size shows the same in each).
    QString drawn;
    const QSettings saved(settingsFile(), QSettings::IniFormat);
    if (saved.value(QStringLiteral("Desktop/WallpaperMode")).toString() == mode) {
        // Its own colour, just saved, where we have none.
        drawn = screenPicture(
            state,
            colourFromHex(saved.value(QStringLiteral("Desktop/BgColor")).toString()).value_or(0));
        if (drawn.isEmpty() ||
            !setWallpaper(drawn, mode == QLatin1String("fit") ? QStringLiteral("stretch")
                                                              : QStringLiteral("fit"))) {
            QFile::remove(drawn);
            return false;
        }
    }
    if (state.link != drawn && isOwnFile(state.link, copyFolder(), QStringLiteral("lxqt-screen")))
        QFile::remove(state.link);
    state.link = drawn;
    // pcmanfm-qt has just saved its own settings, with its old colour: ours goes in after.
    return writeSettings(state);
}

// No call takes the colour: it waits in the settings file for the desktop's next start.
bool LxqtDesktop::applyColour(DesktopState& state) const {
    return writeSettings(state);
}

// ---- LXDE --------------------------------------------------------------------------------------

LxdeDesktop::LxdeDesktop(QString display)
    : RecordedDesktop(QStringLiteral("lxde"), std::move(display)) {}

QString LxdeDesktop::name() const {
    return QStringLiteral("lxde (LXDE, pcmanfm --set-wallpaper)");
}

bool LxdeDesktop::desktopRunning() const {
    const QString& display = session();
    if (!findOwnProcess(QStringLiteral("pcmanfm"), QStringLiteral("--desktop"), display))
        return false;
    // The running pcmanfm takes commands through its socket (named after the display) once it
    // listens; a command sent before makes the sender a second pcmanfm that opens an error
    // window and waits for the user.
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        runtime = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString host = display.section(QLatin1Char(':'), 0, 0);
    const int number = display.section(QLatin1Char(':'), 1).section(QLatin1Char('.'), 0, 0).toInt();
    const QString socket = QStringLiteral("%1/pcmanfm-socket-%2-%3").arg(runtime, host).arg(number);
    struct stat info {};
    return ::stat(QFile::encodeName(socket).constData(), &info) == 0 && S_ISSOCK(info.st_mode);
}

QString LxdeDesktop::settingsFile() const {
    return profileFile(QStringLiteral("pcmanfm"), session(),
                       QStringLiteral("desktop-items-0.conf"));
}

bool LxdeDesktop::writeColour(DesktopColor colour) const {
    return writeKeyFileValue(settingsFile(), QStringLiteral("*"), QStringLiteral("desktop_bg"),
                             colourHex(colour));
}

bool LxdeDesktop::show(DesktopState& state) const {
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
    environment.insert(QStringLiteral("DISPLAY"), session());
    pcmanfm.setProcessEnvironment(environment);
    const QString mode = modeOf(state.style, "crop");
    const QString settings = settingsFile();
    const QByteArray before = fileStamp(settings);
    pcmanfm.start(program, {QStringLiteral("--set-wallpaper=") + handedFile(state),
                            QStringLiteral("--wallpaper-mode=") + mode});
    if (!pcmanfm.waitForFinished(kCallTimeoutMs) || pcmanfm.exitStatus() != QProcess::NormalExit ||
        pcmanfm.exitCode() != 0)
        return false;
    // The command only hands the request to the desktop's socket and ends. The desktop saves its
    // settings, with its own colour, once it has taken a request (the same picture and mode again
    // too): until then a stopped or hung desktop has shown nothing, and our colour, written
    // before that save, would be overwritten by it.
    const QByteArray saved = "\nwallpaper=" + handedFile(state).toUtf8() + '\n';
    const QByteArray savedMode = "\nwallpaper_mode=" + mode.toUtf8() + '\n';
    const QDeadlineTimer patience(kDesktopDrawTimeoutMs);
    for (;;) {
        QFile file(settings);
        const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (fileStamp(settings) != before && content.contains(saved) && content.contains(savedMode))
            break;
        if (patience.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return state.colour == kUnknownDesktopColor || writeColour(state.colour);
}

// No command takes the colour: it waits in the settings file for the desktop's next start.
bool LxdeDesktop::applyColour(DesktopState& state) const {
    return writeColour(state.colour);
}

} // namespace kv
