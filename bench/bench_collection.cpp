// SPDX-License-Identifier: GPL-3.0-or-later
// Figures for the largest collection: restoring and saving 32,767 entries whose files exist,
// against the real store on disk (the first save writes everything, later ones only what
// changed), and adding 10,000 files to a collection of 20,000.

#include "app/SavedState.h"
#include "collection/Collection.h"
#include "engine/Clock.h"
#include "engine/Options.h"
#include "settings/Settings.h"
#include "settings/SqliteSettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace kv;

namespace {

void report(const char* what, qint64 nanoseconds, int items) {
    std::printf("%-48s %9.1f ms  (%.2f us per entry)\n", what, nanoseconds / 1e6,
                nanoseconds / 1e3 / items);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QTemporaryDir dir;
    const QString pictures = QDir(dir.path()).filePath(QStringLiteral("pictures"));
    QDir().mkpath(pictures);
    const int full = Collection::kMaxEntries;
    for (int i = 0; i < full; ++i) {
        QFile file(QDir(pictures).filePath(QStringLiteral("wallpaper-%1.jpg").arg(i)));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
    }

    auto store = SqliteSettingsStore::open(QDir(dir.path()).filePath(QStringLiteral("s.sqlite")));
    Settings settings(*store);
    settings.SetSettingsRoot(QStringLiteral("Kestrovaline"), QString());
    SystemClock clock;
    {
        Collection collection;
        OptionsKeeper options(settings, clock);
        SavedState state(settings, collection, options);
        for (int i = 0; i < full; ++i)
            collection.AppendImage(QStringLiteral("wallpaper-%1.jpg").arg(i), pictures,
                                   i % 5 ? StateUse : StateSkip);
        QElapsedTimer timer;
        timer.start();
        const bool saved = state.SaveState(nullptr);
        report("SaveState, 32,767 entries (one batch)", timer.nsecsElapsed(), full);
        if (!saved)
            return 1;
    }
    {
        Collection collection;
        OptionsKeeper options(settings, clock);
        SavedState state(settings, collection, options);
        QElapsedTimer timer;
        timer.start();
        state.LoadSavedState(nullptr, QString());
        report("LoadSavedState, 32,767 entries, files exist", timer.nsecsElapsed(), full);
        if (collection.rowCount() != full || state.MissingCount() != 0)
            return 1;
        timer.restart();
        bool saved = state.SaveState(nullptr);
        report("SaveState after the load, nothing changed", timer.nsecsElapsed(), full);
        collection.SetImageState(full / 2, StateToggle);
        timer.restart();
        saved = saved && state.SaveState(nullptr);
        report("SaveState after one entry changed", timer.nsecsElapsed(), full);
        if (!saved)
            return 1;
    }
    {
        Collection collection;
        for (int i = 0; i < 20000; ++i)
            collection.AppendImage(QStringLiteral("wallpaper-%1.jpg").arg(i), pictures, StateSkip);
        QElapsedTimer timer;
        timer.start();
        // Half of them already present: both outcomes of the duplicate check are measured.
        for (int i = 15000; i < 25000; ++i)
            collection.AddImage(QStringLiteral("wallpaper-%1.jpg").arg(i), pictures, StateUse);
        report("AddImage x 10,000 into 20,000 (5,000 duplicates)", timer.nsecsElapsed(), 10000);
        if (collection.rowCount() != 25000)
            return 1;
    }
    return 0;
}
