// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>
#endif

namespace kv {
namespace {

const QString kStoreFile = QStringLiteral("kestrovaline/settings.sqlite");
const QString kSessionFile = QStringLiteral("kestrovaline/session-values");

// Relative values do not count, as the base directory rules say.
QString absoluteFolder(const QProcessEnvironment& environment, const QString& variable) {
    const QString value = environment.value(variable);
    return QDir::isAbsolutePath(value) ? value : QString();
}

QString configHome(const QProcessEnvironment& environment) {
    const QString base = absoluteFolder(environment, QStringLiteral("XDG_CONFIG_HOME"));
    if (!base.isEmpty())
        return base;
    return QDir(userHomeFolder(environment)).filePath(QStringLiteral(".config"));
}

// A copy started without XDG_RUNTIME_DIR (from cron, a shell after su) still meets the copy of
// the user's session in the folder that session was given, if it is that user's alone: a folder
// others can reach, or one taken by someone else, is not trusted with the heartbeat.
QString sessionRuntimeFolder(const QString& sessionFolders) {
#ifdef Q_OS_WIN
    Q_UNUSED(sessionFolders);
    return {};
#else
    const uid_t user = getuid();
    const QString folder = QDir(sessionFolders).filePath(QString::number(user));
    struct stat status {};
    if (lstat(QFile::encodeName(folder).constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != user || (status.st_mode & 07777) != 0700)
        return {};
    return folder;
#endif
}

} // namespace

QString userHomeFolder(const QProcessEnvironment& environment) {
    const QString home = absoluteFolder(environment, QStringLiteral("HOME"));
    if (!home.isEmpty())
        return home;
#ifndef Q_OS_WIN
    // An entry from a directory service may be longer than the size the system suggests.
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? size_t(suggested) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    int rc = 0;
    while ((rc = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (rc == 0 && found && QDir::isAbsolutePath(QFile::decodeName(found->pw_dir)))
        return QFile::decodeName(found->pw_dir);
#endif
    // A relative HOME would move the collection with the working folder.
    const QString qtHome = QDir::homePath();
    return QDir::isAbsolutePath(qtHome) ? qtHome : QDir::rootPath();
}

QString persistentStorePath(const QProcessEnvironment& environment) {
    return QDir(configHome(environment)).filePath(kStoreFile);
}

QString autostartFolder(const QProcessEnvironment& environment) {
    return QDir(configHome(environment)).filePath(QStringLiteral("autostart"));
}

QString volatileStorePath(const QProcessEnvironment& environment, const QString& sessionFolders) {
    QString base = absoluteFolder(environment, QStringLiteral("XDG_RUNTIME_DIR"));
    if (base.isEmpty())
        base = sessionRuntimeFolder(sessionFolders);
    return base.isEmpty() ? QString() : QDir(base).filePath(kSessionFile);
}

QString livenessLockPath(const QProcessEnvironment& environment, const QString& sessionFolders) {
    const QString store = volatileStorePath(environment, sessionFolders);
    const QString beside = store.isEmpty() ? persistentStorePath(environment) : store;
    return QDir(QFileInfo(beside).absolutePath()).filePath(QStringLiteral("liveness.lock"));
}

} // namespace kv
