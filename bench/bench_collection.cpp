// SPDX-License-Identifier: GPL-3.0-or-later
// Figures for the largest collection: restoring and saving 32,767 entries whose files exist,
// against the real store on disk (the first save writes everything, later ones only what
// changed), adding 10,000 files to a collection of 20,000, and deleting every entry or every
// other one (the most separate runs a selection can hold), against removing the chosen rows one
// at a time with the selection kept, as the delete command did before; and using every other
// entry, against asking each row whether it is selected, as that command did before.

#include "app/SavedState.h"
#include "collection/Collection.h"
#include "collection/CollectionCommands.h"
#include "collection/FileBrowserModel.h"
#include "collection/Previews.h"
#include "engine/Clock.h"
#include "engine/Options.h"
#include "settings/Settings.h"
#include "settings/SqliteSettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelection>
#include <QPersistentModelIndex>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace kv;

namespace {

void report(const char* what, qint64 nanoseconds, int items) {
    std::printf("%-48s %9.1f ms  (%.2f us per entry)\n", what, nanoseconds / 1e6,
                nanoseconds / 1e3 / items);
}

struct NoDrives final : DriveSource {
    QList<Drive> drives() const override { return {}; }
};

// A full collection with every step-th row selected as the list view leaves it, one range for
// a run of rows, and the focus on row 0.
void fillAndSelect(Collection& collection, int step) {
    for (int i = 0; i < Collection::kMaxEntries; ++i)
        collection.AppendImage(QStringLiteral("wallpaper-%1.jpg").arg(i), QStringLiteral("/w"),
                               StateSkip);
    QItemSelection chosen;
    if (step == 1)
        chosen.select(collection.index(0), collection.index(Collection::kMaxEntries - 1));
    for (int row = 0; step > 1 && row < Collection::kMaxEntries; row += step)
        chosen.select(collection.index(row), collection.index(row));
    collection.selectionModel()->select(chosen, QItemSelectionModel::Select);
    collection.selectionModel()->setCurrentIndex(collection.index(0),
                                                 QItemSelectionModel::NoUpdate);
}

// The chosen rows held as indexes Qt keeps up to date, the selection kept, the rows removed one
// at a time from the last.
void removeRowByRow(Collection& collection) {
    QItemSelectionModel* selection = collection.selectionModel();
    QList<QPersistentModelIndex> chosen;
    for (int row = 0; row < collection.rowCount(); ++row) {
        if (selection->isRowSelected(row))
            chosen.append(QPersistentModelIndex(collection.index(row)));
    }
    QList<int> rows;
    for (const QPersistentModelIndex& entry : chosen)
        rows.append(entry.row());
    std::sort(rows.begin(), rows.end(), std::greater<>());
    for (const int row : rows)
        collection.RemoveImage(row);
}

// Deletes every step-th row of a full collection both ways; false when either leaves other
// rows than it should.
bool benchDelete(int step, const char* rowByRowWhat, const char* commandWhat) {
    const int left = Collection::kMaxEntries - (Collection::kMaxEntries + step - 1) / step;
    QElapsedTimer timer;
    {
        Collection collection;
        fillAndSelect(collection, step);
        timer.start();
        removeRowByRow(collection);
        report(rowByRowWhat, timer.nsecsElapsed(), Collection::kMaxEntries);
        if (collection.rowCount() != left)
            return false;
    }
    Collection collection;
    NoDrives drives;
    FileBrowserModel browser(drives, nullptr);
    Previews previews(collection, browser);
    CollectionCommands commands(collection, browser.files(), previews, nullptr);
    fillAndSelect(collection, step);
    timer.restart();
    commands.DelImage_Click();
    report(commandWhat, timer.nsecsElapsed(), Collection::kMaxEntries);
    return collection.rowCount() == left &&
           (step == 1 || collection.ImageFileName(0) == QLatin1String("wallpaper-1.jpg"));
}

// Marks every other row of a full collection used both ways; false when either marks other rows
// than it should.
bool benchUse(Collection& collection) {
    const auto usedRows = [&collection] {
        int used = 0;
        for (int row = 0; row < collection.rowCount(); ++row)
            used += collection.ImageState(row) == StateUse ? 1 : 0;
        return used;
    };
    QElapsedTimer timer;
    timer.start();
    for (int row = 0; row < collection.rowCount(); ++row) {
        if (collection.selectionModel()->isRowSelected(row))
            collection.SetImageState(row, StateUse);
    }
    report("Use every other of 32,767, row by row", timer.nsecsElapsed(), Collection::kMaxEntries);
    const int byRows = usedRows();
    for (int row = 0; row < collection.rowCount(); ++row)
        collection.SetImageState(row, StateSkip);
    timer.restart();
    collection.SetSelectedState(StateUse);
    report("Use every other of 32,767, SetSelectedState", timer.nsecsElapsed(),
           Collection::kMaxEntries);
    return byRows == (Collection::kMaxEntries + 1) / 2 && usedRows() == byRows;
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
        timer.restart();
        saved = saved && state.SaveState(nullptr, true);
        report("SaveState at the end of a run, nothing changed", timer.nsecsElapsed(), full);
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
    if (!benchDelete(1, "Delete all 32,767, row by row", "Delete all 32,767, DelImage_Click") ||
        !benchDelete(2, "Delete every other of 32,767, row by row",
                     "Delete every other of 32,767, DelImage_Click"))
        return 1;
    Collection collection;
    fillAndSelect(collection, 2);
    return benchUse(collection) ? 0 : 1;
}
