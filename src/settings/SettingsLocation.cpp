// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsLocation.h"

#include <QDir>
#include <QFileInfo>

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
    const QString home = environment.value(QStringLiteral("HOME"), QDir::homePath());
    return QDir(home).filePath(QStringLiteral(".config"));
}

} // namespace

QString persistentStorePath(const QProcessEnvironment& environment) {
    return QDir(configHome(environment)).filePath(kStoreFile);
}

QString autostartFolder(const QProcessEnvironment& environment) {
    return QDir(configHome(environment)).filePath(QStringLiteral("autostart"));
}

QString volatileStorePath(const QProcessEnvironment& environment) {
    const QString base = absoluteFolder(environment, QStringLiteral("XDG_RUNTIME_DIR"));
    return base.isEmpty() ? QString() : QDir(base).filePath(kSessionFile);
}

QString livenessLockPath(const QProcessEnvironment& environment) {
    const QString store = volatileStorePath(environment);
    const QString beside = store.isEmpty() ? persistentStorePath(environment) : store;
    return QDir(QFileInfo(beside).absolutePath()).filePath(QStringLiteral("liveness.lock"));
}

} // namespace kv
