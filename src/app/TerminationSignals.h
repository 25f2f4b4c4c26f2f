// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace kv {

// The signals by which a session or a user ends a program (SIGTERM, SIGHUP, SIGINT), turned
// into a Qt signal on the user-interface thread. The handler only writes a byte to a pipe; a
// second signal of the same kind, if the first one's ending hangs, ends the process at once.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; a signal that arrives before a watcher exists waits in the pipe.
    static bool install();

    // True when a signal came that no watcher has taken yet: work that keeps the event loop
    // waiting can end early for it.
    static bool pending();

    // Watches the pipe; needs the application object.
    explicit TerminationSignals(QObject* parent = nullptr);

Q_SIGNALS:
    void received();

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace kv
