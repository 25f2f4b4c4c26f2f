// SPDX-License-Identifier: GPL-3.0-or-later
// A change on a desktop that draws files as they are stored (LXQt, LXDE, sway), to a 4000x3000
// photo turned by its EXIF orientation: the desktop gets an upright copy of ours. The change is
// measured in this process, beside the same decode and JPEG encode by the decoder's own tools:
// djpeg, then cjpeg at the copy's quality, each a process of its own.
//   bench_upright_copy
#include "desktop/RecordedDesktop.h"

#include "support/PictureFiles.h"

#include "BenchPicture.h"
#include "BenchProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

using namespace kv;

constexpr int kRuns = 5;

// Takes every request: what is measured is ours, not a desktop's answer.
class CopyingDesktop final : public RecordedDesktop {
public:
    CopyingDesktop() : RecordedDesktop(QStringLiteral("bench"), QStringLiteral(":0")) {}
    QString name() const override { return QStringLiteral("bench"); }

private:
    bool show(DesktopState&) const override { return true; }
};

double medianMs(const std::function<bool()>& change) {
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        if (!change())
            return 0;
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return bench::median(times);
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir folder;
    // The copies and the desktop's record go to a runtime folder of the bench's own.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
    QFile::setPermissions(folder.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCoreApplication application(argc, argv);
    const QDir dir(folder.path());
    const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
    if (!test::writeOrientedJpeg(photo, bench::photographLike(QSize(4000, 3000)), 6))
        return 1;
    std::printf("4000x3000 JPEG turned by EXIF (orientation 6), %.1f MB\n",
                QFileInfo(photo).size() / 1e6);

    CopyingDesktop desktop;
    const auto change = [&desktop, &photo] {
        return desktop.ShowWallpaper(photo, 0, StyleStretch) == ShowResult::Shown;
    };
    const double now = medianMs(change);

    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString pixels = dir.filePath(QStringLiteral("photo.ppm"));
    std::vector<double> wall, cpu;
    for (int run = 0; run < kRuns; ++run) {
        const bench::Measured decode = bench::runMeasured(
            environment, {QStringLiteral("djpeg"), QStringLiteral("-outfile"), pixels, photo});
        const bench::Measured encode =
            bench::runMeasured(environment, {QStringLiteral("cjpeg"), QStringLiteral("-quality"),
                                             QStringLiteral("95"), QStringLiteral("-outfile"),
                                             dir.filePath(QStringLiteral("peer.jpg")), pixels});
        if (!decode.ok || !encode.ok) {
            std::printf("djpeg and cjpeg (Debian package libjpeg-turbo-progs) are needed\n");
            return 1;
        }
        wall.push_back(decode.wallMs + encode.wallMs);
        cpu.push_back(decode.cpuMs + encode.cpuMs);
    }
    const double peer = bench::median(wall);
    std::printf("change, median of %d:                          %7.1f ms\n", kRuns, now);
    std::printf("djpeg, then cjpeg -quality 95 (wall, cpu):     %7.1f ms  %7.1f ms\n", peer,
                bench::median(cpu));
    std::printf("ratio: %.2fx the peer\n", peer > 0 ? now / peer : 0);
    return now > 0 ? 0 : 1;
}
