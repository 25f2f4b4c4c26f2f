// SPDX-License-Identifier: GPL-3.0-or-later
// Writes 32,767 entries x 3 values in one batch, as a save of the largest collection does, then
// reads them back one by one, as the start-up load does.
#include "settings/Settings.h"
#include "settings/SqliteSettingsStore.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

int main() {
    constexpr int kEntries = 32767;
    QTemporaryDir dir;
    auto store = kv::SqliteSettingsStore::open(dir.filePath(QStringLiteral("settings.sqlite")));
    kv::Settings settings(*store);
    settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());

    QElapsedTimer timer;
    timer.start();
    {
        kv::Settings::Batch batch(settings);
        for (int n = 1; n <= kEntries; ++n) {
            const QString index = QString::number(n);
            settings.WriteSetting(QStringLiteral("WName") + index,
                                  QStringLiteral("picture-%1.jpg").arg(n));
            settings.WriteSetting(QStringLiteral("WPath") + index,
                                  QStringLiteral("/home/user/Pictures/Wallpapers"));
            settings.WriteSetting(QStringLiteral("WState") + index, n % 3 + 1);
        }
        if (!batch.commit()) {
            std::fprintf(stderr, "batch failed\n");
            return 1;
        }
    }
    const qint64 writeMs = timer.elapsed();

    timer.restart();
    qint64 characters = 0;
    for (int n = 1; n <= kEntries; ++n) {
        const QString index = QString::number(n);
        characters += settings.ReadSetting(QStringLiteral("WName") + index, "").size();
        characters += settings.ReadSetting(QStringLiteral("WPath") + index, "").size();
        characters += settings.ReadSetting(QStringLiteral("WState") + index, 1);
    }
    const qint64 readMs = timer.elapsed();

    std::printf("values: %d\nbatch write: %lld ms\nread one by one: %lld ms (%.2f us per value)\n",
                kEntries * 3, static_cast<long long>(writeMs), static_cast<long long>(readMs),
                readMs * 1000.0 / (kEntries * 3));
    return characters > 0 ? 0 : 1;
}
