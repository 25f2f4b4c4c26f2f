// SPDX-License-Identifier: GPL-3.0-or-later
// Preview and scan decode times on large JPEGs.
//
//   build/bench/bench_previews [folder]
//
// Writes a 6000×4000 JPEG (a photograph-like mix of gradients and noise) into a temporary
// folder, then measures:
//   - a preview decode at the preview area's size against a full decode of the same file;
//   - the scan's test per entry over 200 large JPEGs, with the reduced decode the scan uses and
//     with a full decode;
//   - the longest the window's thread waits while the scan runs, its decodes in Qt's thread
//     pool, against the same ticks made in place;
//   - a key held down over 60 entries, one row every 33 ms as key repeat moves it: how long
//     after the last step its row shows (against one preview decode, above), and how many
//     pictures were decoded on the way.
// The 200 entries are hard links to one file: the decoder does the same work for each, and the
// bench needs no gigabyte of disk. The file cache is warm after the first read either way.
#include "collection/Collection.h"
#include "collection/FileBrowserModel.h"
#include "collection/Previews.h"
#include "common/PictureCheck.h"
#include "common/Pictures.h"

#include "BenchPicture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <unistd.h>

using namespace kv;

namespace {

template <typename Work> double medianMs(int runs, Work work) {
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

struct NoDrives final : DriveSource {
    QList<Drive> drives() const override { return {}; }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const QString big = folder + QStringLiteral("/big-6000x4000.jpg");
    if (!bench::photographLike(QSize(6000, 4000)).save(big, "JPEG", 90)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(big));
        return 1;
    }
    std::printf("test picture: 6000x4000 JPEG, quality 90, %.1f MB\n",
                QFile(big).size() / 1048576.0);

    const QSize previewArea(193, 145);
    QSize previewDecoded;
    const double preview =
        medianMs(9, [&] { previewDecoded = DecodePreview(big, previewArea).size(); });
    const double full = medianMs(5, [&] {
        QImageReader reader(big);
        reader.setAutoTransform(true);
        if (reader.read().isNull())
            std::fprintf(stderr, "full decode failed\n");
    });
    std::printf("preview at %dx%d (decoded %dx%d): %.1f ms median\n", previewArea.width(),
                previewArea.height(), previewDecoded.width(), previewDecoded.height(), preview);
    std::printf("full decode 6000x4000:                 %.1f ms median (%.1fx the preview)\n", full,
                full / preview);
    // The decoder's floor: libjpeg-turbo's own tool decoding at 1/8 scale, as a process of its
    // own (its start is a millisecond or two of the figure).
    if (!QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty()) {
        const double floor = medianMs(9, [&] {
            QProcess djpeg;
            djpeg.setStandardOutputFile(QProcess::nullDevice());
            djpeg.start(QStringLiteral("djpeg"), {QStringLiteral("-scale"), QStringLiteral("1/8"),
                                                  QStringLiteral("-bmp"), big});
            djpeg.waitForFinished(60000);
        });
        std::printf("djpeg -scale 1/8 (whole process):      %.1f ms median (preview %.2fx of it)\n",
                    floor, preview / floor);
    } else {
        std::printf("djpeg not installed (package libjpeg-turbo-progs)\n");
    }

    constexpr int kEntries = 200;
    Collection collection;
    for (int i = 0; i < kEntries; ++i) {
        const QString name = QStringLiteral("entry-%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
        const QString path = folder + u'/' + name;
        if (::link(QFile::encodeName(big).constData(), QFile::encodeName(path).constData()) != 0 &&
            !QFile::copy(big, path)) {
            std::fprintf(stderr, "cannot make %s\n", qPrintable(path));
            return 1;
        }
        collection.AppendImage(name, folder, StateUse);
    }
    const auto scanAll = [&](DecodeSize size) {
        QElapsedTimer timer;
        timer.start();
        int loaded = 0;
        for (int row = 0; row < collection.rowCount(); ++row)
            loaded += PictureDecodes(collection.ImageFullPath(row), size) ? 1 : 0;
        const double perEntry = timer.nsecsElapsed() / 1e6 / collection.rowCount();
        return std::make_pair(perEntry, loaded);
    };
    const auto reduced = scanAll(DecodeSize::Reduced);
    const auto fullScan = scanAll(DecodeSize::Full);
    std::printf("scan over %d entries, reduced decode: %.1f ms per entry (%d loaded)\n", kEntries,
                reduced.first, reduced.second);
    std::printf("scan over %d entries, full decode:    %.1f ms per entry (%d loaded)\n", kEntries,
                fullScan.first, fullScan.second);

    // The scan as it runs: one entry per tick of its timer, the decode in Qt's thread pool.
    // A probe timer on the same thread ticks every millisecond; the longest gap between its
    // ticks is the longest the window would wait. The same ticks made in place, decoding on the
    // window's thread, show what the pool spares it.
    Collection ticking;
    for (int i = 0; i < kEntries; ++i)
        ticking.AppendImage(QStringLiteral("entry-%1.jpg").arg(i, 3, 10, QLatin1Char('0')), folder,
                            StateUse);
    QElapsedTimer whole;
    whole.start();
    QElapsedTimer sinceProbe;
    double stall = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        stall = std::max(stall, sinceProbe.nsecsElapsed() / 1e6);
        sinceProbe.start();
    });
    QEventLoop loop;
    QObject::connect(&ticking, &Collection::scanFinished, &loop, &QEventLoop::quit);
    probe.start(1);
    sinceProbe.start();
    ticking.ScanFrom(0);
    loop.exec();
    std::printf("scan in the pool: longest stall of the window's thread %.1f ms, %.1f ms per "
                "entry in all, %d entries kept\n",
                stall, whole.nsecsElapsed() / 1e6 / kEntries, ticking.rowCount());

    Collection inPlace;
    for (int i = 0; i < kEntries; ++i)
        inPlace.AppendImage(QStringLiteral("entry-%1.jpg").arg(i, 3, 10, QLatin1Char('0')), folder,
                            StateUse);
    inPlace.ImagesScanTimer().start();
    double longest = 0;
    whole.start();
    while (inPlace.isScanning()) {
        QElapsedTimer tick;
        tick.start();
        inPlace.ImagesScanTimer_Timer();
        longest = std::max(longest, tick.nsecsElapsed() / 1e6);
    }
    std::printf("scan ticks in place: longest %.1f ms, %.1f ms per entry in all, %d entries kept\n",
                longest, whole.nsecsElapsed() / 1e6 / kEntries, inPlace.rowCount());

    constexpr int kHeld = 60;
    NoDrives drives;
    FileBrowserModel browser(drives, nullptr);
    Previews previews(collection, browser);
    previews.setDecodeInPool(true);
    std::atomic<int> decodes = 0;
    previews.setDecoder([&decodes](const QString& path, QSize box) {
        ++decodes;
        return DecodePreview(path, box);
    });
    int shown = 0;
    QObject::connect(&previews, &Previews::pictureChanged, [&shown] { ++shown; });
    int row = 0;
    QTimer key;
    key.setInterval(33);
    QElapsedTimer sinceLastKey;
    QObject::connect(&key, &QTimer::timeout, [&] {
        collection.SelectOnly(row++);
        if (row < kHeld)
            return;
        key.stop();
        sinceLastKey.start();
    });
    QEventLoop held;
    QObject::connect(&previews, &Previews::previewNameChanged, [&](const QString& name) {
        if (row == kHeld && name == collection.ImageFileName(kHeld - 1))
            held.quit();
    });
    key.start();
    held.exec();
    std::printf("%d rows held down, one per 33 ms: the last showed %.1f ms after its key, %d of "
                "%d pictures decoded, %d shown\n",
                kHeld, sinceLastKey.nsecsElapsed() / 1e6, decodes.load(), kHeld, shown);
    return 0;
}
