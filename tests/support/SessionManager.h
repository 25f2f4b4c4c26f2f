// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

struct _IceListenObj;

namespace kv::test {

// A session manager on a local socket, as a desktop's at a checkpoint and at logout: it asks its
// clients to save and, at the session's end, tells each that is done to die. Served by the test's
// event loop; one at a time.
struct SessionManager {
    SessionManager();
    ~SessionManager();
    void saveYourself(bool forShutdown);
    void watch(int socket, const std::function<bool()>& ready); // until it returns false

    QString address;      // SESSION_MANAGER's value; empty when it cannot listen
    QList<void*> clients; // registered and not gone
    int savesDone = 0;
    bool shutdown = false;
    int restartHint = -1; // as the client last set it
    int count = 0;
    _IceListenObj** listeners = nullptr;
    QObject notifiers;
};

} // namespace kv::test
