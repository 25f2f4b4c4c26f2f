// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/PcmanfmDesktop.h"

#include "desktop/DesktopBus.h"
#include "desktop/RootPicture.h"
#include "desktop/X11Connection.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
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

using KeyValues = QList<QPair<QString, QString>>;

// Sets keys of the group in a GLib key file, keeping every other line as it was. The values go in
// as they are: they must be in the file's own form already.
bool writeKeyFileValues(const QString& file, const QString& group, const KeyValues& values) {
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
    if (!lines.contains(header))
        lines << header;
    for (const auto& [key, value] : values) {
        const QString entry = key + QLatin1Char('=') + value;
        int line = int(lines.indexOf(header)) + 1;
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

// The keys of the group in a GLib key file's text whose names start with `prefix`, as written.
KeyValues keyFileValues(const QByteArray& content, const QString& group, const QString& prefix) {
    const QString header = QLatin1Char('[') + group + QLatin1Char(']');
    KeyValues values;
    bool inGroup = false;
    for (const QString& line : QString::fromUtf8(content).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('[')))
            inGroup = line.trimmed() == header;
        else if (inGroup && line.startsWith(prefix) && line.contains(QLatin1Char('=')))
            values.append({line.section(QLatin1Char('='), 0, 0).trimmed(),
                           line.section(QLatin1Char('='), 1)});
    }
    return values;
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

namespace {

// Whether a picture may hold see-through pixels: one Qt reads with an alpha channel, or of
// indexed colours (a PNG's or GIF's palette may hold a see-through one), or one it cannot tell.
bool maySeeThrough(const QString& path) {
    const QImage::Format format = QImageReader(path).imageFormat();
    return format == QImage::Format_Invalid || format == QImage::Format_Indexed8 ||
           format == QImage::Format_Mono || format == QImage::Format_MonoLSB ||
           QImage::toPixelFormat(format).alphaUsage() == QPixelFormat::UsesAlpha;
}

} // namespace

LxqtDesktop::LxqtDesktop(QString display)
    : RecordedDesktop(QStringLiteral("lxqt"), std::move(display)) {}

QString LxqtDesktop::name() const {
    return QStringLiteral("lxqt (LXQt, %1)")
        .arg(QCoreApplication::translate("kv::DesktopBackend", "pcmanfm-qt over D-Bus"));
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

bool LxqtDesktop::setWallpaper(const QString& file, const QString& mode) const {
    return pcmanfmQtCall(QStringLiteral("org.pcmanfm.Application"), QStringLiteral("setWallpaper"),
                         {file, mode}, kDesktopDrawTimeoutMs)
               .type() == QDBusMessage::ReplyMessage;
}

QString LxqtDesktop::screenPicture(const DesktopState& state, int style,
                                   DesktopColor ownColour) const {
    const X11Connection x11(session().toLocal8Bit());
    const xcb_screen_t* screen = x11.ok() ? x11.defaultScreen() : nullptr;
    if (!screen || copyFolder().isEmpty())
        return {};
    const DesktopColor colour = state.colour != kUnknownDesktopColor ? state.colour : ownColour;
    const QList<QRect> monitors = x11.monitors(screen);
    RootPicture picture;
    if (!picture.load(state.path, monitors, style, colour))
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
    const QSettings saved(settingsFile(), QSettings::IniFormat);
    // It compares a request with the mode it read at its start, which it saves with every change
    // ("none" until it has saved one), not with the mode it shows: asked for that mode again, it
    // changes only the picture and keeps showing the last other mode.
    const QString startMode =
        saved.value(QStringLiteral("Desktop/WallpaperMode"), QStringLiteral("none")).toString();
    const int style = isWallpaperStyle(state.style) ? state.style : StyleFit;
    QString file = handedFile(state);
    QString mode = modeOf(style, "stretch");
    QString drawn;
    // The colour shows around a centred or fitted picture and through a see-through one, and no
    // call takes it: those, and a mode it would not take, get the whole screen drawn by us (in its
    // own colour, as it saved it, where we have none). A picture of the screen's size shows the
    // same in each mode.
    if (style == StyleCentre || style == StyleFit || mode == startMode ||
        maySeeThrough(state.path)) {
        drawn = screenPicture(
            state, style,
            colourFromHex(saved.value(QStringLiteral("Desktop/BgColor")).toString()).value_or(0));
        if (drawn.isEmpty())
            return false;
        file = drawn;
        mode = startMode == QLatin1String("stretch") ? QStringLiteral("fit")
                                                     : QStringLiteral("stretch");
    }
    if (!setWallpaper(file, mode)) {
        if (!drawn.isEmpty())
            QFile::remove(drawn);
        return false;
    }
    if (state.link != drawn && isOwnFile(state.link, copyFolder(), QStringLiteral("lxqt-screen")))
        QFile::remove(state.link);
    state.link = drawn;
    return true;
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
    // One pass, so that a "%1" in the folder's name stays as it is.
    const QString socket =
        QStringLiteral("%1/pcmanfm-socket-%2-%3").arg(runtime, host, QString::number(number));
    struct stat info {};
    return ::stat(QFile::encodeName(socket).constData(), &info) == 0 && S_ISSOCK(info.st_mode);
}

QString LxdeDesktop::settingsFile(int monitor) const {
    return profileFile(QStringLiteral("pcmanfm"), session(),
                       QStringLiteral("desktop-items-%1.conf").arg(monitor));
}

bool LxdeDesktop::writeSettings(DesktopColor colour, const QByteArray& shown) const {
    const X11Connection x11(session().toLocal8Bit());
    const xcb_screen_t* screen = x11.ok() ? x11.defaultScreen() : nullptr;
    const qsizetype monitors = screen ? x11.monitors(screen).size() : 1;
    KeyValues values;
    if (colour != kUnknownDesktopColor)
        values.append({QStringLiteral("desktop_bg"), colourHex(colour)});
    bool written =
        values.isEmpty() || writeKeyFileValues(settingsFile(0), QStringLiteral("*"), values);
    // The picture as pcmanfm saved it for the first monitor: one for all workspaces or one each,
    // and the mode.
    values += keyFileValues(shown, QStringLiteral("*"), QStringLiteral("wallpaper"));
    for (int monitor = 1; monitor < monitors && !values.isEmpty(); ++monitor)
        written = writeKeyFileValues(settingsFile(monitor), QStringLiteral("*"), values) && written;
    return written;
}

bool LxdeDesktop::show(DesktopState& state) const {
    // A desktop that kept us waiting lately (stopped, hung) is not waited for again at once: a
    // change, with the options that follow it, waits once.
    const QString component = QStringLiteral("pcmanfm --desktop on ") + session();
    if (silentLately(component) || !desktopRunning())
        return false;
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pcmanfm"));
    if (program.isEmpty())
        return false;
    // It saves the name as it is but reads it back by GLib's key file rules, which take a
    // backslash for an escape and end the value at a line break: such a name shows now, but its
    // next start shows no picture, or finds its settings unreadable and starts them afresh. It
    // gets a link with a plain name instead, in the cache folder, where its next start finds it.
    QString file = handedFile(state);
    QString link;
    if (file.contains(QLatin1Char('\\')) || file.contains(QLatin1Char('\n')) ||
        file.contains(QLatin1Char('\r'))) {
        const QString folder = DesktopRecord::cacheFolder();
        link = folder.isEmpty()
                   ? QString()
                   : linkName(folder, QStringLiteral("lxde-wallpaper"), state.link, file);
        if (link.isEmpty() || !placeLink(link, file))
            return false;
        file = link;
    }
    const auto refused = [&link] {
        if (!link.isEmpty())
            QFile::remove(link);
        return false;
    };
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
    pcmanfm.start(program, {QStringLiteral("--set-wallpaper=") + file,
                            QStringLiteral("--wallpaper-mode=") + mode});
    if (!pcmanfm.waitForFinished(kCallTimeoutMs)) {
        noteAnswered(component, false);
        return refused();
    }
    if (pcmanfm.exitStatus() != QProcess::NormalExit || pcmanfm.exitCode() != 0)
        return refused();
    // The command only hands the request to the desktop's socket and ends. The desktop saves its
    // settings, with its own colour, once it has taken a request (the same picture and mode again
    // too): until then a stopped or hung desktop has shown nothing, and our colour, written
    // before that save, would be overwritten by it. With a picture for each workspace it saves
    // the picture under a workspace's number, or under none when no window manager says which
    // workspace shows.
    const QByteArray saved = "\nwallpaper=" + file.toUtf8() + '\n';
    const QByteArray savedMode = "\nwallpaper_mode=" + mode.toUtf8() + '\n';
    const QDeadlineTimer patience(kDesktopDrawTimeoutMs);
    QByteArray content;
    for (;;) {
        QFile in(settings);
        content = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
        if (fileStamp(settings) != before && content.contains(savedMode) &&
            (content.contains(saved) || content.contains("\nwallpaper_common=0\n")))
            break;
        if (patience.hasExpired()) {
            noteAnswered(component, false);
            return refused();
        }
        QThread::msleep(20);
    }
    noteAnswered(component, true);
    if (state.link != link &&
        isOwnFile(state.link, DesktopRecord::cacheFolder(), QStringLiteral("lxde-wallpaper")))
        QFile::remove(state.link);
    state.link = link;
    return writeSettings(state.colour, content);
}

// No command takes the colour: it waits in the settings files for the desktop's next start.
bool LxdeDesktop::applyColour(DesktopState& state) const {
    return writeSettings(state.colour);
}

} // namespace kv
