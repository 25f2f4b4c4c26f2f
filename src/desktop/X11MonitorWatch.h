// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/X11Connection.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>
#include <memory>

namespace kv {

// Tells when the monitors of an X server change (a laptop docked, a monitor plugged in or turned),
// once the burst of notices such a change brings has passed. It keeps one connection open and
// sleeps on its socket: nothing wakes the program while the monitors stay as they are.
class X11MonitorWatch final : public QObject {
    Q_OBJECT
public:
    // How long after the last notice the change counts as done.
    static constexpr int kSettleMs = 250;

    // Does nothing where the server does not report monitor changes (no RandR).
    X11MonitorWatch(const QByteArray& display, std::function<void()> changed);

private:
    void readNotices();

    X11Connection connection_;
    std::function<void()> changed_;
    // Gone before the connection whose socket it watches.
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer settle_;
    uint8_t firstEvent_ = 0;
};

} // namespace kv
