// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, memory and idling of the whole program beside a bare Qt tray program (bench_tray_peer,
// built beside this one), each started as its own process on a private Xvfb:
//   - time from the start of the process to its window appearing on the screen, and resident
//     memory one second later, with 100, 1,000, 10,000 and 32,767 entries in the collection;
//   - processor time, wake-ups and bytes written to the disk while idle, with no automatic change.
//   bench_startup [path/to/kestrovaline] [idle seconds]     default: the build's program, 30 s
// The collection's files exist (empty files: the start-up only tests that they are there).
#include "settings/Settings.h"
#include "settings/SettingsLocation.h"
#include "settings/SqliteSettingsStore.h"

#include "BenchXvfb.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <poll.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

constexpr int kRuns = 3;

struct Sample {
    double startMs = 0;
    double residentMb = 0;
    bool ok = false;
};

// Fields of /proc/<pid>/status and /proc/<pid>/io, in their own units.
double procField(qint64 pid, const char* file, const QByteArray& field) {
    QFile status(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toDouble();
    return -1;
}

// User and system time of a process, in milliseconds.
double cpuMs(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

// Waits for any top-level window to be mapped on the screen.
bool waitForMap(xcb_connection_t* x, int timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
    while (waited.elapsed() < timeoutMs) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            const bool mapped = (event->response_type & 0x7F) == XCB_MAP_NOTIFY;
            std::free(event);
            if (mapped)
                return true;
        }
        poll(&fd, 1, 50);
    }
    return false;
}

class Bench {
public:
    Bench(QString program, QString peer, QString display, QString home)
        : program_(std::move(program)), peer_(std::move(peer)), display_(std::move(display)),
          home_(std::move(home)) {
        environment_.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        environment_.insert(QStringLiteral("HOME"), home_);
        environment_.insert(QStringLiteral("XDG_CONFIG_HOME"), home_ + QStringLiteral("/config"));
        environment_.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_ + QStringLiteral("/run"));
        environment_.insert(QStringLiteral("DISPLAY"), display_);
        // The bench measures the program, not a desktop's answer time.
        environment_.insert(QStringLiteral("KESTROVALINE_DESKTOP"), QStringLiteral("none"));
        QDir().mkpath(home_ + QStringLiteral("/run"));
        QFile::setPermissions(home_ + QStringLiteral("/run"), QFileDevice::ReadOwner |
                                                                  QFileDevice::WriteOwner |
                                                                  QFileDevice::ExeOwner);
        x_ = xcb_connect(display_.toLocal8Bit().constData(), nullptr);
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x_)).data;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(x_, screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(x_);
    }
    ~Bench() { xcb_disconnect(x_); }

    // A stored collection of `entries` files in one folder, every one to be used.
    bool storeCollection(int entries) {
        const QString folder = home_ + QStringLiteral("/pictures");
        QDir().mkpath(folder);
        for (int i = filesMade_; i < entries; ++i) {
            QFile file(folder + QStringLiteral("/picture-%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
            if (!file.open(QIODevice::WriteOnly))
                return false;
        }
        filesMade_ = std::max(filesMade_, entries);
        auto store = kv::SqliteSettingsStore::open(kv::persistentStorePath(environment_));
        kv::Settings settings(*store);
        settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
        kv::Settings::Batch batch(settings);
        settings.WriteSetting(QStringLiteral("WN"), entries);
        for (int n = 1; n <= entries; ++n) {
            const QString index = QString::number(n);
            settings.WriteSetting(
                QStringLiteral("WName") + index,
                QStringLiteral("picture-%1.jpg").arg(n - 1, 5, 10, QLatin1Char('0')));
            settings.WriteSetting(QStringLiteral("WPath") + index, folder);
            settings.WriteSetting(QStringLiteral("WState") + index, 1);
        }
        // No automatic change, no sample import: the start does nothing but start.
        settings.WriteSetting(QStringLiteral("Automatic"), 0);
        settings.WriteSetting(QStringLiteral("JustInstalled"), 0);
        return batch.commit();
    }

    // Starts a command, waits for its window and measures it; the process is left running.
    Sample start(QProcess& process, const QString& command, const QStringList& arguments) {
        process.setProcessEnvironment(environment_);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        process.start(command, arguments);
        Sample sample;
        if (!process.waitForStarted(10000) || !waitForMap(x_, 60000))
            return sample;
        sample.startMs = timer.nsecsElapsed() / 1e6;
        QThread::msleep(1000);
        sample.residentMb = procField(process.processId(), "status", "VmRSS") / 1024.0;
        sample.ok = true;
        return sample;
    }

    // The program ends the way a user ends it from outside: "-close" saves and ends it.
    void closeProgram(QProcess& running) {
        QProcess close;
        close.setProcessEnvironment(environment_);
        close.start(program_, {QStringLiteral("-close")});
        close.waitForFinished(30000);
        if (!running.waitForFinished(30000)) {
            running.kill();
            running.waitForFinished(5000);
        }
    }

    Sample measureProgram() {
        std::vector<Sample> samples;
        for (int run = 0; run < kRuns; ++run) {
            QProcess process;
            const Sample sample = start(process, program_, {});
            closeProgram(process);
            if (!sample.ok)
                return {};
            samples.push_back(sample);
        }
        return median(samples);
    }

    Sample measurePeer() {
        std::vector<Sample> samples;
        for (int run = 0; run < kRuns; ++run) {
            QProcess process;
            const Sample sample = start(process, peer_, {});
            process.terminate();
            process.waitForFinished(10000);
            if (!sample.ok)
                return {};
            samples.push_back(sample);
        }
        return median(samples);
    }

    // Processor time per minute, wake-ups per second and bytes written while idle.
    void idle(const char* name, const QString& command, int seconds, bool program) {
        QProcess process;
        if (!start(process, command, {}).ok) {
            std::printf("%-22s did not start\n", name);
            return;
        }
        const qint64 pid = process.processId();
        const double cpuBefore = cpuMs(pid);
        const double wakeBefore = procField(pid, "status", "voluntary_ctxt_switches");
        const double writtenBefore = procField(pid, "io", "write_bytes");
        QThread::sleep(seconds);
        const double cpu = cpuMs(pid) - cpuBefore;
        const double wakeups = procField(pid, "status", "voluntary_ctxt_switches") - wakeBefore;
        const double written = procField(pid, "io", "write_bytes") - writtenBefore;
        std::printf("%-22s idle %d s: cpu %6.3f %%  %5.2f wake-ups/s  %8.0f bytes/s to disk\n",
                    name, seconds, cpu / (seconds * 10.0), wakeups / seconds, written / seconds);
        idleCpu_.push_back(cpu);
        if (program)
            closeProgram(process);
        else {
            process.terminate();
            process.waitForFinished(10000);
        }
    }
    double idleCpuRatio() const {
        return idleCpu_.size() == 2 && idleCpu_[1] > 0 ? idleCpu_[0] / idleCpu_[1] : 0;
    }

    QString program() const { return program_; }
    QString peer() const { return peer_; }

private:
    static Sample median(std::vector<Sample> samples) {
        std::sort(samples.begin(), samples.end(),
                  [](const Sample& a, const Sample& b) { return a.startMs < b.startMs; });
        Sample middle = samples[samples.size() / 2];
        std::vector<double> memory;
        for (const Sample& sample : samples)
            memory.push_back(sample.residentMb);
        std::sort(memory.begin(), memory.end());
        middle.residentMb = memory[memory.size() / 2];
        return middle;
    }

    QString program_;
    QString peer_;
    QString display_;
    QString home_;
    QProcessEnvironment environment_;
    xcb_connection_t* x_ = nullptr;
    int filesMade_ = 0;
    std::vector<double> idleCpu_;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QString here = QCoreApplication::applicationDirPath();
    const QString program = argc > 1 && argv[1][0] ? QString::fromLocal8Bit(argv[1])
                                                   : here + QStringLiteral("/../kestrovaline");
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
    if (!QFile::exists(program)) {
        std::fprintf(stderr, "no program at %s\n", qPrintable(program));
        return 1;
    }

    QProcess xvfb;
    const QByteArray display = kv::bench::startXvfb(xvfb);
    if (display.isEmpty())
        return 1;
    QTemporaryDir home;
    Bench bench(program, here + QStringLiteral("/bench_tray_peer"), QString::fromLatin1(display),
                home.path());

    std::printf("start to window shown, and resident memory 1 s later (median of %d)\n", kRuns);
    const Sample peer = bench.measurePeer();
    std::printf("%-22s %8.1f ms  %6.1f MB\n", "bare Qt tray program", peer.startMs,
                peer.residentMb);
    for (const int entries : {100, 1000, 10000, 32767}) {
        if (!bench.storeCollection(entries)) {
            std::fprintf(stderr, "cannot write the collection\n");
            return 1;
        }
        const Sample ours = bench.measureProgram();
        if (!ours.ok) {
            std::printf("kestrovaline %5d      did not show its window\n", entries);
            continue;
        }
        std::printf("kestrovaline %5d      %8.1f ms  %6.1f MB   %4.2fx  %4.2fx the peer\n", entries,
                    ours.startMs, ours.residentMb, ours.startMs / peer.startMs,
                    ours.residentMb / peer.residentMb);
        std::fflush(stdout);
    }
    bench.storeCollection(100);
    bench.idle("kestrovaline (100)", bench.program(), idleSeconds, true);
    bench.idle("bare Qt tray program", bench.peer(), idleSeconds, false);
    std::printf("idle processor time: %.2fx the peer\n", bench.idleCpuRatio());
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return 0;
}
