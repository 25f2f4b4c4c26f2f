// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/WlrootsDesktop.h"

#include "desktop/DesktopBus.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kv {
namespace {

constexpr quint32 kRunCommand = 0;
constexpr char kIpcMagic[] = "i3-ipc";

// sway's placement names and swaybg's modes for our styles; "fill" when we do not know the
// style, which is what both use by default.
const char* modeOf(int style) {
    switch (style) {
    case StyleCentre:
        return "center";
    case StyleTile:
        return "tile";
    case StyleStretch:
        return "stretch";
    case StyleFit:
        return "fit";
    default:
        return "fill";
    }
}

// Characters that pass sway's command parser and word expansion as themselves.
bool isPlainPath(const QString& path) {
    static const QRegularExpression kPlain(QStringLiteral("^/[A-Za-z0-9/._-]+$"));
    return kPlain.match(path).hasMatch();
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool waitFor(int fd, short events, const QDeadlineTimer& deadline) {
    pollfd p{fd, events, 0};
    const qint64 left = deadline.remainingTime();
    return left > 0 && ::poll(&p, 1, int(left)) == 1 && (p.revents & events);
}

bool writeAll(int fd, const QByteArray& data, const QDeadlineTimer& deadline) {
    qsizetype done = 0;
    while (done < data.size()) {
        if (!waitFor(fd, POLLOUT, deadline))
            return false;
        const ssize_t n =
            ::send(fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool readExactly(int fd, char* buffer, qsizetype size, const QDeadlineTimer& deadline) {
    qsizetype done = 0;
    while (done < size) {
        if (!waitFor(fd, POLLIN, deadline))
            return false;
        const ssize_t n = ::recv(fd, buffer + done, size_t(size - done), 0);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// A connected stream socket, or -1. The socket never blocks: a compositor that has stopped
// accepting leaves our earlier connections in its listen queue, and once that is full a blocking
// connect would wait for it for good. A queue that stays full until the deadline is no answer.
int connectTo(const QString& socketPath, const QDeadlineTimer& deadline) {
    const QByteArray file = QFile::encodeName(socketPath);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (file.isEmpty() || size_t(file.size()) >= sizeof(address.sun_path))
        return -1;
    std::memcpy(address.sun_path, file.constData(), size_t(file.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    for (;;) {
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0)
            return fd;
        int error = errno;
        if (error == EINPROGRESS && waitFor(fd, POLLOUT, deadline)) {
            socklen_t size = sizeof(error);
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0)
                return fd;
            break;
        }
        if (error != EAGAIN || deadline.hasExpired())
            break;
        // A full queue gives no event to wait for: ask again shortly.
        QThread::msleep(ulong(std::min<qint64>(10, deadline.remainingTime())));
    }
    ::close(fd);
    return -1;
}

// A compositor that let a call run out its time is not asked again for a while, as a silent
// desktop on the bus is not: each change would hold the window that long again, twice for sway.
template <typename Call>
bool askCompositor(const QString& socketPath, int timeoutMs, const Call& call) {
    if (silentLately(socketPath))
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    const bool done = call(deadline);
    noteAnswered(socketPath, done || !deadline.hasExpired());
    return done;
}

// Sends one command and reads sway's answer; true when sway reports success for all of it.
bool exchangeCommand(const QString& socketPath, const QByteArray& command,
                     const QDeadlineTimer& deadline) {
    Fd fd(connectTo(socketPath, deadline));
    if (fd.get() < 0)
        return false;

    QByteArray message(kIpcMagic, 6);
    const quint32 header[2] = {quint32(command.size()), kRunCommand};
    message.append(reinterpret_cast<const char*>(header), sizeof(header));
    message.append(command);
    if (!writeAll(fd.get(), message, deadline))
        return false;

    char replyHeader[14];
    if (!readExactly(fd.get(), replyHeader, sizeof(replyHeader), deadline) ||
        std::memcmp(replyHeader, kIpcMagic, 6) != 0)
        return false;
    quint32 length = 0, type = 0;
    std::memcpy(&length, replyHeader + 6, 4);
    std::memcpy(&type, replyHeader + 10, 4);
    if (type != kRunCommand || length > 1024 * 1024)
        return false;
    QByteArray payload(qsizetype(length), Qt::Uninitialized);
    if (!readExactly(fd.get(), payload.data(), payload.size(), deadline))
        return false;
    const QJsonArray results = QJsonDocument::fromJson(payload).array();
    if (results.isEmpty())
        return false;
    for (const QJsonValue& result : results)
        if (!result.toObject().value(QLatin1String("success")).toBool())
            return false;
    return true;
}

// The command line of a live process; empty for one that is gone or has exited (a zombie).
QByteArray commandLineOf(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray status = stat.readAll();
    const qsizetype end = status.lastIndexOf(')');
    if (end < 0 || status.mid(end + 2, 1) == "Z")
        return {};
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

// ---- sway --------------------------------------------------------------------------------------

SwayDesktop::SwayDesktop(QString socketPath)
    : RecordedDesktop(QStringLiteral("sway"), std::move(socketPath)) {}

QString SwayDesktop::name() const {
    return QStringLiteral("sway (sway IPC, SWAYSOCK)");
}

bool SwayDesktop::runCommand(const QString& socketPath, const QByteArray& command, int timeoutMs) {
    return askCompositor(socketPath, timeoutMs, [&](const QDeadlineTimer& deadline) {
        return exchangeCommand(socketPath, command, deadline);
    });
}

bool SwayDesktop::reachable() const {
    return runCommand(session(), "nop");
}

bool SwayDesktop::show(DesktopState& state) const {
    const QString folder = DesktopRecord::runtimeFolder();
    if (folder.isEmpty())
        return false;
    const QString picture = handedFile(state);
    const QString link = linkName(folder, QStringLiteral("sway-wallpaper"), state.link, picture);
    if (!isPlainPath(link) || !placeLink(link, picture))
        return false;
    QByteArray command = "output * bg " + QFile::encodeName(link) + ' ' + modeOf(state.style);
    if (state.colour != kUnknownDesktopColor)
        command += ' ' + colourHex(state.colour).toLatin1();
    if (!runCommand(session(), command))
        return false;
    if (!state.link.isEmpty() && state.link != link &&
        isOwnFile(state.link, folder, QStringLiteral("sway-wallpaper")))
        QFile::remove(state.link);
    state.link = link;
    return true;
}

// ---- swaybg ------------------------------------------------------------------------------------

SwaybgDesktop::SwaybgDesktop(QString id, QString desktopName, QString waylandDisplay)
    : RecordedDesktop(id, std::move(waylandDisplay)), id_(std::move(id)),
      desktopName_(std::move(desktopName)) {}

QString SwaybgDesktop::name() const {
    // Translated here, not when made: "--version" makes the backend before the translations.
    return QStringLiteral("%1 (%2, swaybg)")
        .arg(id_, QCoreApplication::translate("kv::DesktopBackend", desktopName_.toUtf8()));
}

DesktopState SwaybgDesktop::recorded() const {
    DesktopState state = RecordedDesktop::recorded();
    // Our swaybg is gone (ended by the user or the compositor): what shows is not ours.
    if (state.helperPid != 0 && (state.helperCommandLine.isEmpty() ||
                                 commandLineOf(state.helperPid) != state.helperCommandLine)) {
        state.helperPid = 0;
        state.helperCommandLine.clear();
        state.path.clear();
        state.style = StyleUnknown;
        state.colour = kUnknownDesktopColor;
    }
    return state;
}

bool SwaybgDesktop::reachable() const {
    // The compositor's socket, found as swaybg finds it.
    QString socket = session().isEmpty() ? QStringLiteral("wayland-0") : session();
    if (!QDir::isAbsolutePath(socket))
        socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/') + socket;
    return askCompositor(socket, kCompositorTimeoutMs, [&](const QDeadlineTimer& deadline) {
        return Fd(connectTo(socket, deadline)).get() >= 0;
    });
}

bool SwaybgDesktop::show(DesktopState& state) const {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("swaybg"));
    if (program.isEmpty())
        return false;
    // swaybg takes its arguments as they are: the user's path is safe here.
    QStringList arguments{QStringLiteral("-o"), QStringLiteral("*"),
                          QStringLiteral("-i"), handedFile(state),
                          QStringLiteral("-m"), QLatin1String(modeOf(state.style))};
    if (state.colour != kUnknownDesktopColor)
        arguments << QStringLiteral("-c") << colourHex(state.colour);
    qint64 pid = 0;
    if (!QProcess::startDetached(program, arguments, QDir::rootPath(), &pid) || pid <= 0)
        return false;
    // swaybg that cannot load the picture, take the colour or reach the compositor gives up at
    // once; one still running a moment later has its surface up.
    const QByteArray expected = QFile::encodeName(program) + '\0';
    QByteArray commandLine;
    const QDeadlineTimer started(2000);
    while (!started.hasExpired() && !(commandLine = commandLineOf(pid)).startsWith(expected))
        QThread::msleep(10);
    const QDeadlineTimer settle(300);
    while (!settle.hasExpired() && commandLine.startsWith(expected) &&
           commandLineOf(pid) == commandLine)
        QThread::msleep(20);
    if (!commandLine.startsWith(expected) || commandLineOf(pid) != commandLine)
        return false;
    // Only now the previous one goes: the new background is already there.
    if (state.helperPid != 0 && commandLineOf(state.helperPid) == state.helperCommandLine &&
        !state.helperCommandLine.isEmpty())
        ::kill(pid_t(state.helperPid), SIGTERM);
    state.helperPid = pid;
    state.helperCommandLine = commandLine;
    return true;
}

void SwaybgDesktop::endHelper() {
    DesktopState state = recorded();
    if (state.helperPid != 0)
        ::kill(pid_t(state.helperPid), SIGTERM);
    record().write(DesktopState{});
}

} // namespace kv
