// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdlib>
#include <poll.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace kv::bench {

// Fields of /proc/<pid>/status and /proc/<pid>/io, in their own units.
inline double procField(qint64 pid, const char* file, const QByteArray& field) {
    QFile status(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toDouble();
    return -1;
}

// User and system time of a process, in milliseconds. The kernel's tally in /proc/PID/stat
// comes in clock ticks (10 ms), too coarse beside figures of some tens of milliseconds; the run
// time of each thread in nanoseconds is exact but forgets threads that have ended, so the larger
// of the two counts.
inline double cpuMs(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    double threadsNs = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks + u'/' + task + QStringLiteral("/schedstat"));
        if (schedstat.open(QIODevice::ReadOnly))
            threadsNs += schedstat.readAll().split(' ').value(0).toDouble();
    }
    return std::max(ticks * 1000.0 / double(sysconf(_SC_CLK_TCK)), threadsNs / 1e6);
}

// Waits for an event the test accepts, at most timeoutMs.
template <typename Accept> bool waitForEvent(xcb_connection_t* x, int timeoutMs, Accept accept) {
    QElapsedTimer waited;
    waited.start();
    pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
    while (waited.elapsed() < timeoutMs) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            const bool accepted = accept(event);
            std::free(event);
            if (accepted)
                return true;
        }
        poll(&fd, 1, 50);
    }
    return false;
}

// Drops the events that have arrived so far: what happened before is not what is awaited next.
inline void forgetEvents(xcb_connection_t* x) {
    std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
    while (xcb_generic_event_t* event = xcb_poll_for_event(x))
        std::free(event);
}

inline xcb_atom_t atomNamed(xcb_connection_t* x, const QByteArray& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        x, xcb_intern_atom(x, 0, uint16_t(name.size()), name.constData()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// Takes off the first screen's root what setters left there, as a new session's X server has
// nothing: a logon start then does what it does at a real logon.
inline void forgetRootPicture(xcb_connection_t* x) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    xcb_list_properties_reply_t* list =
        xcb_list_properties_reply(x, xcb_list_properties(x, root), nullptr);
    if (!list)
        return;
    const xcb_atom_t* atoms = xcb_list_properties_atoms(list);
    for (int i = 0; i < xcb_list_properties_atoms_length(list); ++i) {
        xcb_get_atom_name_reply_t* name =
            xcb_get_atom_name_reply(x, xcb_get_atom_name(x, atoms[i]), nullptr);
        const QByteArray text =
            name ? QByteArray(xcb_get_atom_name_name(name), xcb_get_atom_name_name_length(name))
                 : QByteArray();
        std::free(name);
        if (text == "_XROOTPMAP_ID" || text == "ESETROOT_PMAP_ID" ||
            text.startsWith("_KESTROVALINE_"))
            xcb_delete_property(x, root, atoms[i]);
    }
    std::free(list);
    const uint32_t black = xcb_setup_roots_iterator(xcb_get_setup(x)).data->black_pixel;
    xcb_change_window_attributes(x, root, XCB_CW_BACK_PIXEL, &black);
    xcb_clear_area(x, 0, root, 0, 0, 0, 0);
    std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
}

// Waits for the root window's picture to be announced (_XROOTPMAP_ID set). The connection must
// have asked for the root's property changes.
inline bool waitForRootPicture(xcb_connection_t* x, int timeoutMs) {
    const xcb_atom_t atom = atomNamed(x, "_XROOTPMAP_ID");
    return waitForEvent(x, timeoutMs, [atom](const xcb_generic_event_t* event) {
        return (event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
               reinterpret_cast<const xcb_property_notify_event_t*>(event)->atom == atom;
    });
}

// Ends the program the way a user ends it from outside: "-close" saves and ends it.
inline void closeProgram(const QString& program, const QProcessEnvironment& environment,
                         QProcess& running) {
    QProcess close;
    close.setProcessEnvironment(environment);
    close.start(program, {QStringLiteral("-close")});
    close.waitForFinished(30000);
    if (!running.waitForFinished(30000)) {
        running.kill();
        running.waitForFinished(5000);
    }
}

// One run of a command as a process of its own, measured by rusage_run (beside the bench).
struct Measured {
    double wallMs = 0;
    double cpuMs = 0;
    double peakMb = 0;
    bool ok = false;
    QList<QByteArray> output; // the command's own lines
};

inline Measured runMeasured(const QProcessEnvironment& environment, const QStringList& command) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/rusage_run"), command);
    Measured run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return run;
    // The command's own output comes before rusage_run's line.
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> figures = line.split(' ');
        if (figures.value(0) != "MEASURE") {
            run.output << line;
            continue;
        }
        run.wallMs = figures.value(1).toDouble();
        run.cpuMs = figures.value(2).toDouble();
        run.peakMb = figures.value(3).toDouble() / 1024.0;
        run.ok = true;
    }
    return run;
}

inline double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace kv::bench
