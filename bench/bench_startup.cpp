// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, memory and idling of the whole program beside a bare Qt tray program (bench_tray_peer,
// built beside this one), each started as its own process on a private Xvfb:
//   - time from the start of the process to its window appearing on the screen, and resident
//     memory one second later, with 100, 1,000, 10,000 and 32,767 entries in the collection (the
//     peer with an empty window, and with one line of text in it);
//   - processor time, wake-ups and bytes written to the disk while idle, with no automatic change;
//   - a "-logon" start that changes the wallpaper to a 4000x3000 JPEG on the root window: time,
//     processor time and peak memory from the start of the process to the root's new picture,
//     beside `hsetroot -fill` (measured by rusage_run), and the memory it then stays with, hidden.
//   bench_startup [path/to/kestrovaline] [idle seconds]     default: the build's program, 30 s
// The collection's files exist (empty files: the start-up only tests that they are there).
#include "settings/Settings.h"
#include "settings/SettingsLocation.h"
#include "settings/SqliteSettingsStore.h"

#include "BenchPicture.h"
#include "BenchProcess.h"
#include "BenchXvfb.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>
#include <xcb/xcb.h>

namespace {

using namespace kv::bench;

constexpr int kRuns = 3;

struct Sample {
    double startMs = 0;
    double residentMb = 0;
    bool ok = false;
};

// Waits for any top-level window to be mapped on the screen.
bool waitForMap(xcb_connection_t* x, int timeoutMs) {
    return waitForEvent(x, timeoutMs, [](const xcb_generic_event_t* event) {
        return (event->response_type & 0x7F) == XCB_MAP_NOTIFY;
    });
}

class Bench {
public:
    Bench(QString program, QString peer, QString display, QString home, const QString& runtime)
        : program_(std::move(program)), peer_(std::move(peer)), display_(std::move(display)),
          home_(std::move(home)) {
        environment_.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        environment_.insert(QStringLiteral("HOME"), home_);
        environment_.insert(QStringLiteral("XDG_CONFIG_HOME"), home_ + QStringLiteral("/config"));
        environment_.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        environment_.insert(QStringLiteral("DISPLAY"), display_);
        // The bench measures the program, not a desktop's answer time.
        environment_.insert(QStringLiteral("KESTROVALINE_DESKTOP"), QStringLiteral("none"));
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
        x_ = xcb_connect(display_.toLocal8Bit().constData(), nullptr);
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x_)).data;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(x_, screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(x_);
    }
    ~Bench() { xcb_disconnect(x_); }

    // A stored collection of `entries` files in one folder, every one to be used; with a picture,
    // the collection is that picture alone, changed at every logon.
    bool storeCollection(int entries, const QString& picture = QString()) {
        const QString folder = home_ + QStringLiteral("/pictures");
        QDir().mkpath(folder);
        for (int i = filesMade_; i < entries; ++i) {
            QFile file(folder + QStringLiteral("/picture-%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
            if (!file.open(QIODevice::WriteOnly))
                return false;
        }
        filesMade_ = std::max(filesMade_, entries);
        const QString storePath = kv::persistentStorePath(environment_);
        // The logon start gets a store of its own, as a user's holds one collection: the rows of
        // the larger collections before it would otherwise be read at its start.
        if (!picture.isEmpty())
            for (const QString& suffix :
                 {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
                QFile::remove(storePath + suffix);
        auto store = kv::SqliteSettingsStore::open(storePath);
        kv::Settings settings(*store);
        settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
        kv::Settings::Batch batch(settings);
        settings.WriteSetting(QStringLiteral("WN"), entries);
        if (!picture.isEmpty()) {
            settings.WriteSetting(QStringLiteral("WName1"), QFileInfo(picture).fileName());
            settings.WriteSetting(QStringLiteral("WPath1"), QFileInfo(picture).path());
            settings.WriteSetting(QStringLiteral("WState1"), 1);
            settings.WriteSetting(QStringLiteral("Automatic"), 1);
            settings.WriteSetting(QStringLiteral("AutoLogon"), 1);
            settings.WriteSetting(QStringLiteral("AutoPeriod"), 0);
            settings.WriteSetting(QStringLiteral("AutoTime"), 0);
            settings.WriteSetting(QStringLiteral("JustInstalled"), 0);
            return batch.commit();
        }
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

    void closeProgram(QProcess& running) {
        kv::bench::closeProgram(program_, environment_, running);
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

    Sample measurePeer(const QStringList& arguments = {}) {
        std::vector<Sample> samples;
        for (int run = 0; run < kRuns; ++run) {
            QProcess process;
            const Sample sample = start(process, peer_, arguments);
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
        // Idle begins once the start's own work has settled: the first previews and scans.
        QThread::sleep(5);
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

    struct Logon {
        double wallMs = 0;
        double cpuMs = 0;
        double peakMb = 0;
        double residentMb = 0;
        bool ok = false;
    };
    // A "-logon" start on the X root window, to the root's new picture; then, hidden, 1 s later.
    Logon logon() {
        QProcessEnvironment environment = environment_;
        environment.insert(QStringLiteral("KESTROVALINE_DESKTOP"), QStringLiteral("x11"));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // What earlier setters announced is not this start's picture.
        forgetRootPicture(x_);
        forgetEvents(x_);
        QElapsedTimer timer;
        timer.start();
        process.start(program_, {QStringLiteral("-logon")});
        Logon logon;
        bool shown = process.waitForStarted(10000);
        // A bare colour drawn first is no picture yet.
        while (shown && !(shown = waitForRootPicture(x_, 60000) && rootNamesPicture()))
            shown = timer.elapsed() < 60000;
        if (shown) {
            const qint64 pid = process.processId();
            logon.wallMs = timer.nsecsElapsed() / 1e6;
            logon.cpuMs = cpuMs(pid);
            logon.peakMb = procField(pid, "status", "VmHWM") / 1024.0;
            QThread::msleep(1000);
            logon.residentMb = procField(pid, "status", "VmRSS") / 1024.0;
            logon.ok = process.state() == QProcess::Running;
        }
        closeProgram(process);
        return logon;
    }
    // hsetroot as a process of its own, measured by rusage_run.
    Logon peerLogon(const QString& picture) {
        forgetRootPicture(x_);
        const Measured run = runMeasured(
            environment_, {QStringLiteral("hsetroot"), QStringLiteral("-fill"), picture});
        return {run.wallMs, run.cpuMs, run.peakMb, 0, run.ok};
    }

    QString program() const { return program_; }
    QString peer() const { return peer_; }

private:
    bool rootNamesPicture() const {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x_)).data->root;
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            x_,
            xcb_get_property(x_, 0, root, atomNamed(x_, "_KESTROVALINE_WALLPAPER"),
                             XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
            nullptr);
        const bool named = reply && xcb_get_property_value_length(reply) > 0;
        std::free(reply);
        return named;
    }

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

// Each figure's median by itself.
Bench::Logon medianLogon(const std::vector<Bench::Logon>& runs) {
    Bench::Logon middle;
    std::vector<double> wall, cpu, peak, resident;
    for (const Bench::Logon& run : runs) {
        if (!run.ok)
            return middle;
        wall.push_back(run.wallMs);
        cpu.push_back(run.cpuMs);
        peak.push_back(run.peakMb);
        resident.push_back(run.residentMb);
    }
    return {median(wall), median(cpu), median(peak), median(resident), true};
}

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
    // A session's runtime folder lives in memory (/run/user/ID); one on disk would count the
    // heartbeat's writes as disk traffic that no real session has.
    const QString memoryFolder = QStringLiteral("/dev/shm");
    QTemporaryDir runtime(QDir(memoryFolder).exists()
                              ? memoryFolder + QStringLiteral("/kv-bench-XXXXXX")
                              : home.filePath(QStringLiteral("run-XXXXXX")));
    Bench bench(program, here + QStringLiteral("/bench_tray_peer"), QString::fromLatin1(display),
                home.path(), runtime.path());

    std::printf("start to window shown, and resident memory 1 s later (median of %d)\n", kRuns);
    const Sample peer = bench.measurePeer();
    std::printf("%-22s %8.1f ms  %6.1f MB\n", "bare Qt tray program", peer.startMs,
                peer.residentMb);
    // What showing any text costs: the fonts, their shaping and the text's caches.
    const Sample text = bench.measurePeer({QStringLiteral("--text")});
    std::printf("%-22s %8.1f ms  %6.1f MB\n", "  with a line of text", text.startMs,
                text.residentMb);
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
    // Runs one after the other, each the only one drawing the root; the median of three.
    const QString picture = home.filePath(QStringLiteral("photo-4000x3000.jpg"));
    if (!kv::bench::photographLike(QSize(4000, 3000)).save(picture, "JPEG", 90) ||
        !bench.storeCollection(1, picture)) {
        std::fprintf(stderr, "cannot write the logon picture\n");
        return 1;
    }
    std::vector<Bench::Logon> ours, theirs;
    for (int run = 0; run < kRuns; ++run) {
        ours.push_back(bench.logon());
        theirs.push_back(bench.peerLogon(picture));
    }
    const Bench::Logon logon = medianLogon(ours);
    const Bench::Logon hsetroot = medianLogon(theirs);
    if (logon.ok && hsetroot.ok) {
        std::printf("\"-logon\" change, 4000x3000 JPEG to the root's new picture (median of %d):\n"
                    "%-22s %7.1f ms  cpu %7.1f ms  peak %6.1f MB  then hidden %6.1f MB\n"
                    "%-22s %7.1f ms  cpu %7.1f ms  peak %6.1f MB\n"
                    "ratio                  %7.2fx        %7.2fx           %6.2fx\n",
                    kRuns, "kestrovaline -logon", logon.wallMs, logon.cpuMs, logon.peakMb,
                    logon.residentMb, "hsetroot -fill", hsetroot.wallMs, hsetroot.cpuMs,
                    hsetroot.peakMb, logon.wallMs / hsetroot.wallMs, logon.cpuMs / hsetroot.cpuMs,
                    logon.peakMb / hsetroot.peakMb);
    } else {
        std::printf("\"-logon\" change: %s\n",
                    logon.ok ? "hsetroot did not run (package hsetroot)" : "no root picture");
    }
    std::fflush(stdout);

    bench.storeCollection(100);
    bench.idle("kestrovaline (100)", bench.program(), idleSeconds, true);
    bench.idle("bare Qt tray program", bench.peer(), idleSeconds, false);
    std::printf("idle processor time: %.2fx the peer\n", bench.idleCpuRatio());
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return 0;
}
