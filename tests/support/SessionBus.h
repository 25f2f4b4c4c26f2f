// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>

namespace kv::test {

// A private session bus (dbus-daemon --session) for one test, ended with the object. start()
// also points DBUS_SESSION_BUS_ADDRESS of this process at it, so it must run before the first
// use of QDBusConnection::sessionBus(), which keeps the address it found first.
class SessionBus {
public:
    SessionBus() = default;
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // False with a reason in error() when no bus could be started (dbus-daemon not installed).
    bool start();
    QString address() const { return address_; }
    QString error() const { return error_; }

private:
    QProcess process_;
    QString address_;
    QString error_;
};

} // namespace kv::test
