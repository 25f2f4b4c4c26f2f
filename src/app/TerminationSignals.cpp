// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TerminationSignals.h"

#ifndef _WIN32
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

namespace kv {

#ifdef _WIN32

// Windows ends a session through window messages, which Qt turns into its session signals.
bool TerminationSignals::install() {
    return false;
}

bool TerminationSignals::pending() {
    return false;
}

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}

#else

namespace {

int pipeEnds[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// A hang-up or interrupt ignored from the start was meant for the terminal, not the program
// (nohup, or a background job of a script).
bool leftIgnored(int number) {
    struct sigaction current {};
    return number != SIGTERM && ::sigaction(number, nullptr, &current) == 0 &&
           current.sa_handler == SIG_IGN;
}

void onSignal(int number) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    ::sigaction(number, &plain, nullptr);
    errno = savedErrno;
}

} // namespace

bool TerminationSignals::install() {
    if (pipeEnds[0] >= 0)
        return true;
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals)
        if (!leftIgnored(number))
            ::sigaction(number, &action, nullptr);
    return true;
}

bool TerminationSignals::pending() {
    if (pipeEnds[0] < 0)
        return false;
    pollfd waiting{pipeEnds[0], POLLIN, 0};
    return ::poll(&waiting, 1, 0) > 0 && (waiting.revents & POLLIN) != 0;
}

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (pipeEnds[0] < 0)
        return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
        }
        Q_EMIT received();
    });
}

#endif

} // namespace kv
