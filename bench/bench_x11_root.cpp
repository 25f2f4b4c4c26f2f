// SPDX-License-Identifier: GPL-3.0-or-later
// Applying a 4000x3000 JPEG, stretched, to a 1920x1080 root window under a private Xvfb: our X11
// root backend against two ordinary root setters given the same picture and screen, and against
// libjpeg-turbo's own tool decoding it at the scale the screen needs (the decoder's floor). Every
// setter runs as a child process, and wait4 reports its peak resident memory and processor time.
//   bench_x11_root [picture.jpg] [runs]
// Our child also prints the time of the apply alone, without process start-up.
#include "desktop/X11RootDesktop.h"

#include "BenchPicture.h"
#include "BenchProcess.h"
#include "BenchXvfb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Peak resident memory of this process alone (the kernel's high-water mark of our own mapping).
long peakResidentKb() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1)
            break;
    std::fclose(status);
    return kb;
}

// The child: one apply, as the engine makes it.
int applyOnce(const char* picture) {
    QElapsedTimer timer;
    timer.start();
    kv::X11RootDesktop desktop(qgetenv("DISPLAY"));
    if (desktop.GetDesktopWallpaperStyle() != kv::StyleStretch &&
        !desktop.SetDesktopWallpaperStyle(kv::StyleStretch))
        return 1;
    timer.restart();
    const bool ok = desktop.SetDesktopWallpaper(QString::fromLocal8Bit(picture));
    const qint64 elapsed = timer.nsecsElapsed();
    std::printf("  in-process apply %.1f ms, process peak %ld KiB\n", elapsed / 1e6,
                peakResidentKb());
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--apply") == 0)
        return applyOnce(argv[2]);

    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    QString picture = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    if (picture.isEmpty()) {
        picture = folder.filePath(QStringLiteral("photo-4000x3000.jpg"));
        if (!kv::bench::photographLike(QSize(4000, 3000)).save(picture, "JPEG", 90)) {
            std::fprintf(stderr, "cannot write the test picture\n");
            return 1;
        }
    }

    QProcess xvfb;
    const QByteArray display = kv::bench::startXvfb(xvfb);
    if (display.isEmpty())
        return 1;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    std::printf("picture %s (4000x3000 JPEG), screen 1920x1080x24, stretched, median of %d runs\n",
                qPrintable(picture), runs);

    struct Setter {
        const char* name;
        QStringList command;
    };
    const std::vector<Setter> setters{
        {"kestrovaline x11",
         {QCoreApplication::applicationFilePath(), QStringLiteral("--apply"), picture}},
        {"hsetroot -fill", {QStringLiteral("hsetroot"), QStringLiteral("-fill"), picture}},
        {"feh --bg-fill",
         {QStringLiteral("feh"), QStringLiteral("--no-fehbg"), QStringLiteral("--bg-fill"),
          picture}},
        // The decoder's floor: the decode alone, at the scale this screen needs, nothing drawn.
        {"djpeg -scale 1/2",
         {QStringLiteral("djpeg"), QStringLiteral("-scale"), QStringLiteral("1/2"),
          QStringLiteral("-outfile"), QStringLiteral("/dev/null"), picture}},
    };
    for (const Setter& setter : setters) {
        if (QStandardPaths::findExecutable(setter.command[0]).isEmpty()) {
            std::printf("%-18s not installed\n", setter.name);
            continue;
        }
        std::printf("%s\n", setter.name);
        std::fflush(stdout);
        std::vector<double> wall, cpu, rss;
        for (int i = 0; i < runs; ++i) {
            const kv::bench::Measured run = kv::bench::runMeasured(environment, setter.command);
            for (const QByteArray& line : run.output)
                if (line.startsWith("  "))
                    std::printf("%s\n", line.constData());
            if (!run.ok) {
                std::printf("  failed\n");
                break;
            }
            wall.push_back(run.wallMs);
            cpu.push_back(run.cpuMs);
            rss.push_back(run.peakMb * 1024.0);
        }
        if (!wall.empty())
            std::printf("%-18s wall %7.1f ms  cpu %7.1f ms  peak RSS %7.0f KiB\n", setter.name,
                        kv::bench::median(wall), kv::bench::median(cpu), kv::bench::median(rss));
        std::fflush(stdout);
    }
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return 0;
}
