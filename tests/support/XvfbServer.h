// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>

namespace kv::test {

// A private X server for one test, on a free display that the server picks itself
// (-displayfd), kept alive between clients (-noreset) so a root background outlives its setter.
class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // False with a reason in error() when no server could be started (Xvfb not installed).
    bool start(int width = 1280, int height = 1024, int depth = 24);
    QString display() const { return display_; }
    QString error() const { return error_; }

private:
    QProcess process_;
    QString display_;
    QString error_;
};

} // namespace kv::test
