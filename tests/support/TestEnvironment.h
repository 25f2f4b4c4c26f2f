// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace kv::test {

// A private home for one test: its own XDG_CONFIG_HOME and XDG_RUNTIME_DIR (mode 0700), set in
// this process and handed to child processes, so no test sees another's store.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    QString root() const { return dir_.path(); }
    QString configHome() const;
    QString runtimeDir() const;
    QString persistentStorePath() const;
    QString volatileStorePath() const;
    QProcessEnvironment processEnvironment() const;

private:
    QTemporaryDir dir_;
    QByteArray oldConfigHome_;
    QByteArray oldRuntimeDir_;
};

} // namespace kv::test
