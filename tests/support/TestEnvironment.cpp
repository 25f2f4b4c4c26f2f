// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

namespace kv::test {

TestEnvironment::TestEnvironment()
    : oldConfigHome_(qgetenv("XDG_CONFIG_HOME")), oldRuntimeDir_(qgetenv("XDG_RUNTIME_DIR")) {
    QDir(dir_.path()).mkpath(QStringLiteral("config"));
    QDir(dir_.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(runtimeDir(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", runtimeDir().toLocal8Bit());
}

TestEnvironment::~TestEnvironment() {
    qputenv("XDG_CONFIG_HOME", oldConfigHome_);
    qputenv("XDG_RUNTIME_DIR", oldRuntimeDir_);
}

QString TestEnvironment::configHome() const {
    return dir_.filePath(QStringLiteral("config"));
}

QString TestEnvironment::runtimeDir() const {
    return dir_.filePath(QStringLiteral("runtime"));
}

QString TestEnvironment::persistentStorePath() const {
    return configHome() + QStringLiteral("/kestrovaline/settings.sqlite");
}

QString TestEnvironment::volatileStorePath() const {
    return runtimeDir() + QStringLiteral("/kestrovaline/session-values");
}

QProcessEnvironment TestEnvironment::processEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
    return environment;
}

} // namespace kv::test
