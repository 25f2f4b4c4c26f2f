// SPDX-License-Identifier: GPL-3.0-or-later
// The test decode that comes before every wallpaper change: a large JPEG decoded at full size
// against the reduced decode, in time and in peak memory (each measured in a fresh process),
// and the completeness check that catches a JPEG cut short.
//   bench_picture_check [width height]      default 6000 x 4000

#include "common/PictureCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

using namespace kv;

namespace {

// The high-water mark of this process's own memory (getrusage would carry the parent's peak
// over into a freshly started child).
long peakKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

bool writeNoisyJpeg(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 noise(7);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x / 8 + y / 8) & 0xFF, int(noise() & 0x3F) + (y & 0x7F), x & 0xFF);
    }
    return image.save(path, "JPG", 90);
}

double medianMs(const QString& path, DecodeSize size, int runs, bool& verdict) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        verdict = PictureDecodes(path, size);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Child mode: one decode, then the peak resident memory above what the process had before.
int measureMemory(const QString& path, DecodeSize size) {
    const long before = peakKilobytes();
    const bool verdict = PictureDecodes(path, size);
    std::printf("%ld %d\n", peakKilobytes() - before, verdict ? 1 : 0);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // No display needed: decoding needs only the core application and its image plugins.
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 4 && arguments[1] == QLatin1String("--memory"))
        return measureMemory(arguments[3], arguments[2] == QLatin1String("full")
                                               ? DecodeSize::Full
                                               : DecodeSize::Reduced);
    const int width = arguments.size() > 2 ? arguments[1].toInt() : 6000;
    const int height = arguments.size() > 2 ? arguments[2].toInt() : 4000;

    QTemporaryDir dir;
    const QString whole = QDir(dir.path()).filePath(QStringLiteral("large.jpg"));
    const QString cut = QDir(dir.path()).filePath(QStringLiteral("large-truncated.jpg"));
    if (!writeNoisyJpeg(whole, width, height))
        return 1;
    QFile in(whole);
    if (!in.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray bytes = in.readAll();
    QFile out(cut);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes.left(bytes.size() * 3 / 4)) < 0)
        return 1;
    out.close();
    std::printf("picture %d x %d, %.1f MB JPEG (quality 90)\n", width, height, bytes.size() / 1e6);

    const int runs = 7;
    for (const auto& [name, path] : {std::pair{"whole", whole}, std::pair{"cut at 3/4", cut}}) {
        for (const DecodeSize size : {DecodeSize::Full, DecodeSize::Reduced}) {
            bool verdict = false;
            const double ms = medianMs(path, size, runs, verdict);
            QProcess child;
            child.start(
                QCoreApplication::applicationFilePath(),
                {QStringLiteral("--memory"),
                 size == DecodeSize::Full ? QStringLiteral("full") : QStringLiteral("reduced"),
                 path});
            child.waitForFinished(-1);
            const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
            std::printf("%-11s %-8s decode %8.1f ms (median of %d)  peak +%6.1f MB  %s\n", name,
                        size == DecodeSize::Full ? "full" : "reduced", ms, runs,
                        fields.value(0).toLong() / 1024.0, verdict ? "accepted" : "rejected");
        }
    }
    QFile file(whole);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    QElapsedTimer timer;
    timer.start();
    const bool reaches = JpegReachesEndOfImage(file);
    std::printf("completeness check of the whole file alone: %.2f ms (%s)\n",
                timer.nsecsElapsed() / 1e6, reaches ? "complete" : "cut short");
    return 0;
}
