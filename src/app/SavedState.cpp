// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SavedState.h"

#include "collection/Collection.h"
#include "engine/Options.h"
#include "settings/Numbers.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStorageInfo>

#include <cmath>
#include <limits>
#include <optional>

namespace kv {
namespace {

constexpr qint32 kOverhangPixels = 10;

QString indexed(const char* name, qint32 n) {
    return QString::fromLatin1(name) + NumberText(n);
}

// A stored real as a whole number; values beyond the 32-bit range (hand-edited) saturate.
qint32 wholeTwips(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded > std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    if (rounded >= std::numeric_limits<qint32>::max())
        return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(rounded);
}

qint32 pixelsFromTwips(qint32 twips) {
    return static_cast<qint32>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

// The monitor's area that holds most of a window at a stored position, so a window kept on a
// second monitor stays there.
QRect desktopAreaFor(const PlacedWindow& window, double leftTwips, double topTwips,
                     QSize sizeTwips) {
    return window.desktopAreaFor(
        QRect(pixelsFromTwips(wholeTwips(leftTwips)), pixelsFromTwips(wholeTwips(topTwips)),
              pixelsFromTwips(sizeTwips.width()), pixelsFromTwips(sizeTwips.height())));
}

bool isSeparator(QChar c) {
#ifdef Q_OS_WIN
    return c == u'\\' || c == u'/';
#else
    return c == u'/';
#endif
}

} // namespace

WindowLimits WindowLimitsFor(const QRect& desktop, const QSize& windowTwips) {
    WindowLimits limits;
    limits.minLeft = (desktop.left() - kOverhangPixels) * kTwipsPerPixel;
    limits.minTop = desktop.top() * kTwipsPerPixel;
    limits.maxLeft =
        (desktop.left() + desktop.width() + kOverhangPixels) * kTwipsPerPixel - windowTwips.width();
    limits.maxTop = (desktop.top() + desktop.height() + kOverhangPixels) * kTwipsPerPixel -
                    windowTwips.height();
    return limits;
}

QPoint PlaceWithin(double leftTwips, double topTwips, const WindowLimits& limits) {
    // One taller than the desktop keeps its title bar on it rather than its middle.
    return {ClampToRange(wholeTwips(leftTwips), limits.maxLeft, limits.minLeft),
            ClampToRange(wholeTwips(topTwips), qMax(limits.maxTop, limits.minTop), limits.minTop)};
}

QString DriveOfPath(const QString& path) {
    if (path.isEmpty())
        return {};
    const QString absolute =
        path == QLatin1String(".") ? QDir::currentPath() : QFileInfo(path).absoluteFilePath();
#ifdef Q_OS_WIN
    const QString drive = QDir::toNativeSeparators(absolute).left(2);
    return QFileInfo(drive + u'\\').exists() ? drive : QString();
#else
    const QStorageInfo storage(absolute);
    if (!storage.isValid() || !storage.isReady())
        return {};
    const QString root = storage.rootPath();
    return QFileInfo(root).isReadable() ? root : QString();
#endif
}

QString NearestExistingFolder(const QString& stored) {
    // The bound keeps the walk short: each step tests a path no longer than the system's limit.
    if (stored.size() > kMaxPathLength)
        return {};
    QString folder = stored;
    while (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        qsizetype cut = folder.size() - 1;
        while (cut >= 0 && !isSeparator(folder.at(cut)))
            --cut;
        if (cut < 0)
            return {};
        // Cutting a path right below the root keeps the root itself.
        folder = cut == 0 ? folder.left(1) : folder.left(cut);
        if (folder.size() == 1 && isSeparator(folder.at(0)) && !QFileInfo(folder).isDir())
            return {};
    }
    return folder;
}

SavedState::SavedState(Settings& settings, Collection& collection, OptionsKeeper& options)
    : settings_(settings), collection_(collection), options_(options) {}

qint32 SavedState::storedEntryCount() const {
    // The count was written as a 16-bit number; a damaged one cannot make the load run long.
    const qint32 limit = Collection::kMaxEntries;
    const QString text = settings_.ReadSetting(QStringLiteral("WN"), QString());
    const std::optional<qint32> count = parseWholeNumber(text);
    if (count && *count >= 0)
        return qMin(*count, limit);
    // No count, or a damaged one: the entries are counted instead, or the next save would write
    // new entries over them (a new store simply has none). Damage may have taken a row in the
    // middle too, so the count runs to the last row stored.
    qint32 found = 0;
    for (qint32 row = 1; row <= limit; ++row) {
        if (!settings_.ReadListValue(QStringLiteral("WName"), row).isEmpty() ||
            !settings_.ReadListValue(QStringLiteral("WPath"), row).isEmpty())
            found = row;
    }
    return found;
}

void SavedState::LoadSavedState(PlacedWindow* window, const QString& makerFolder) {
    // The whole state, options included, comes from one read of the store.
    const Settings::Snapshot snapshot(settings_);
    const qint32 count = storedEntryCount();
    missingCount_ = 0;
    missingName_.clear();
    stored_.clear();
    stored_.reserve(count);
    const QString namePrefix = QStringLiteral("WName");
    const QString folderPrefix = QStringLiteral("WPath");
    const QString statePrefix = QStringLiteral("WState");
    collection_.beginLoad(count);
    for (qint32 n = 1; n <= count; ++n) {
        const QString name = settings_.ReadListValue(namePrefix, n);
        const QString folder = settings_.ReadListValue(folderPrefix, n);
        const QString stateText = settings_.ReadListValue(statePrefix, n);
        // Only skip is taken as stored: any other state asks for the entry to be used, which
        // tests its file (one stored as missing may be back).
        const qint32 state = parseWholeNumber(stateText) == StateSkip ? StateSkip : StateUse;
        const qint32 storedState = stateText == QString::number(state) ? state : -1;
        // A name or folder longer than any the system accepts cannot be a file; it is skipped
        // like an entry without a name.
        const bool damaged = name.size() > kMaxFileNameLength || folder.size() > kMaxPathLength;
        if (damaged || !collection_.AppendImage(name, folder, state)) {
            stored_.append({name, -1, storedState});
            continue;
        }
        const qint32 row = collection_.rowCount() - 1;
        stored_.append(
            {collection_.ImageFileName(row), collection_.ImageFolderNumber(row), storedState});
        if (collection_.ImageState(row) == StateMissing) {
            ++missingCount_;
            missingName_ = name;
        }
    }
    collection_.endLoad();
    storedCount_ = count;
    storedEpoch_ = settings_.knownEpoch();

    if (window && window->tellsPlace()) {
        const QRect frame = window->windowFrame();
        const double left =
            settings_.ReadSetting(QStringLiteral("WMainX"), double(frame.x() * kTwipsPerPixel));
        const double top =
            settings_.ReadSetting(QStringLiteral("WMainY"), double(frame.y() * kTwipsPerPixel));
        const QRect desktop = desktopAreaFor(*window, left, top, frame.size() * kTwipsPerPixel);
        // With no monitor reported (asleep, or connected late) the stored place is kept as it
        // is: the window is fitted to a screen when it shows, and the next save keeps the place.
        // Placed with the size it is fitted to there, or it would be centred over a smaller
        // monitor, out of its stored place.
        const QPoint placed =
            desktop.isValid()
                ? PlaceWithin(left, top,
                              WindowLimitsFor(desktop, frame.size().boundedTo(desktop.size()) *
                                                           kTwipsPerPixel))
                : QPoint(wholeTwips(left), wholeTwips(top));
        window->moveWindow(QPoint(pixelsFromTwips(placed.x()), pixelsFromTwips(placed.y())));
    }
    restoreDialog(optionsDialog, QStringLiteral("WOptsX"), QStringLiteral("WOptsY"),
                  optionsDialogSize, window, optionsDialogWindow_);
    restoreDialog(messageDialog, QStringLiteral("WMsgX"), QStringLiteral("WMsgY"),
                  messageDialogSize, window, messageDialogWindow_);

    // Entries skipped by the load (no name) do not count: the index always names a real row.
    const qint32 rows = collection_.rowCount();
    collection_.setCurrentIndex(
        ClampToRange(settings_.ReadSetting(QStringLiteral("WIndex"), 0), rows - 1, 0));
    if (rows > 0)
        collection_.SelectOnly(collection_.currentIndex());

    const QString stored = settings_.ReadSetting(QStringLiteral("LastFolder"), QString());
    const QString nearest = NearestExistingFolder(stored);
    QString folder = nearest;
    if (folder.isEmpty() && !makerFolder.isEmpty() && QFileInfo(makerFolder).isDir())
        folder = makerFolder;
    restoredFolder_.clear();
    restoredDrive_.clear();
    if (!folder.isEmpty()) {
        const QString drive = DriveOfPath(folder);
        if (!drive.isEmpty()) {
            restoredDrive_ = drive;
            restoredFolder_ = folder;
        }
    }
    // A folder on a medium that is not plugged in, or on a share that is down, comes back with
    // it: the browser opens its nearest parent, but the stored folder stays until the user opens
    // another one. Even a start that shows no browser (a logon change) would otherwise save the
    // parent in its place.
    waitingForStoredFolder_ = !restoredFolder_.isEmpty() && restoredFolder_ == nearest &&
                              QDir::cleanPath(nearest) != QDir::cleanPath(stored);
    shownFolder_ = restoredFolder_.isEmpty() || waitingForStoredFolder_ ? stored : restoredFolder_;

    homePage_ = settings_.ReadSetting(QStringLiteral("HomePage"), builtInHomePage_);
    shownWallpaper_ = settings_.ReadSetting(QStringLiteral("WShown"), QString());

    options_.ReadOptions();
}

void SavedState::setShownFolder(const QString& folder) {
    if (waitingForStoredFolder_ && QDir::cleanPath(folder) == QDir::cleanPath(restoredFolder_))
        return;
    waitingForStoredFolder_ = false;
    shownFolder_ = folder;
}

void SavedState::attachDialogs(PlacedDialog* optionsDialogWindow,
                               PlacedDialog* messageDialogWindow) {
    placeAttached(optionsDialog, optionsDialogWindow_, optionsDialogWindow);
    placeAttached(messageDialog, messageDialogWindow_, messageDialogWindow);
}

void SavedState::placeAttached(DialogPosition& position, PlacedDialog*& attached,
                               PlacedDialog* dialog) {
    const bool arrived = dialog && dialog != attached;
    attached = dialog;
    if (!arrived || !position.known)
        return;
    QPoint twips(position.left, position.top);
    if (position.desktop.isValid())
        twips = PlaceWithin(position.left, position.top,
                            WindowLimitsFor(position.desktop, dialog->sizeTwips()));
    position.given = twips;
    dialog->setRestoredPosition(twips);
}

void SavedState::takePosition(DialogPosition& position, const PlacedDialog* dialog) {
    if (!dialog || !position.known || !dialog->tellsPlace())
        return;
    const QPoint twips = dialog->positionTwips();
    if (twips == position.given)
        return;
    position.left = twips.x();
    position.top = twips.y();
    position.stored = position.given = twips;
}

void SavedState::restoreDialog(DialogPosition& position, const QString& xName, const QString& yName,
                               QSize size, const PlacedWindow* window, PlacedDialog* dialog) {
    if (dialog)
        size = dialog->sizeTwips();
    const QRect home = window ? window->desktopAreaFor(window->windowFrame()) : QRect();
    if (!home.isValid()) {
        position.left = wholeTwips(settings_.ReadSetting(xName, double(position.left)));
        position.top = wholeTwips(settings_.ReadSetting(yName, double(position.top)));
        position.known = true;
        position.stored = position.given = QPoint(position.left, position.top);
        if (dialog)
            dialog->setRestoredPosition(position.given);
        return;
    }
    // A dialog that was never placed opens in the middle of the main window's monitor.
    const double left = settings_.ReadSetting(
        xName, (home.left() + home.width() / 2.0) * kTwipsPerPixel - size.width() / 2.0);
    const double top = settings_.ReadSetting(
        yName, (home.top() + home.height() / 2.0) * kTwipsPerPixel - size.height() / 2.0);
    const QRect desktop = desktopAreaFor(*window, left, top, size);
    position.desktop = desktop.isValid() ? desktop : home;
    const QPoint placed = PlaceWithin(left, top, WindowLimitsFor(position.desktop, size));
    position.left = placed.x();
    position.top = placed.y();
    position.known = true;
    position.stored = QPoint(wholeTwips(left), wholeTwips(top));
    position.given = placed;
    if (dialog)
        dialog->setRestoredPosition(placed);
}

bool SavedState::SaveState(const PlacedWindow* window, bool last) {
    if (last)
        settings_.checkStore();
    // A save fails without writing when another copy changed the store since it was read; what
    // the store holds is unknown then, and the next attempt writes everything.
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const quint64 epoch = settings_.knownEpoch();
        if (writeState(window))
            return true;
        if (settings_.knownEpoch() == epoch)
            return false;
    }
    return false;
}

bool SavedState::writeState(const PlacedWindow* window) {
    // A save reached again from a dialog this one raised joins it; only the outer one learns
    // whether the rows reached the store.
    const bool outermost = !saving_;
    saving_ = true;
    const auto done = qScopeGuard([this, outermost] {
        if (outermost)
            saving_ = false;
    });
    if (!settings_.knowsStore() || storedEpoch_ != settings_.knownEpoch())
        stored_.clear();

    Settings::Batch batch(settings_);
    const qint32 count = collection_.rowCount();
    settings_.WriteSetting(QStringLiteral("WN"), count);
    QList<StoredRow> rows;
    rows.reserve(count);
    for (qint32 n = 1; n <= count; ++n) {
        const qint32 row = n - 1;
        // A missing file is tested again at the next start instead of staying missing.
        const qint32 state = collection_.ImageState(row);
        const StoredRow now{collection_.ImageFileName(row), collection_.ImageFolderNumber(row),
                            state > StateSkip ? StateUse : state};
        const StoredRow* before = row < stored_.size() ? &stored_.at(row) : nullptr;
        if (!before || before->name != now.name)
            settings_.WriteListValue(indexed("WName", n), now.name);
        if (!before || before->folder != now.folder)
            settings_.WriteListValue(indexed("WPath", n), collection_.ImagePath(row));
        if (!before || before->state != now.state)
            settings_.WriteListValue(indexed("WState", n), QString::number(now.state));
        rows.append(now);
    }
    // The rows this copy loaded or saved past the new end go, so a collection that shrank is not
    // read at its old length at every start; rows it never knew of are left as they are.
    for (qint32 n = count + 1; n <= storedCount_; ++n)
        for (const char* prefix : {"WName", "WPath", "WState"})
            settings_.WriteListValue(indexed(prefix, n), QString());
    if (window && window->tellsPlace()) {
        const QRect frame = window->windowFrame();
        settings_.WriteSetting(QStringLiteral("WMainX"), double(frame.x() * kTwipsPerPixel));
        settings_.WriteSetting(QStringLiteral("WMainY"), double(frame.y() * kTwipsPerPixel));
    }
    takePosition(optionsDialog, optionsDialogWindow_);
    takePosition(messageDialog, messageDialogWindow_);
    // A dialog position that was never restored would overwrite the stored one with nothing.
    if (optionsDialog.known) {
        settings_.WriteSetting(QStringLiteral("WOptsX"), double(optionsDialog.stored.x()));
        settings_.WriteSetting(QStringLiteral("WOptsY"), double(optionsDialog.stored.y()));
    }
    if (messageDialog.known) {
        settings_.WriteSetting(QStringLiteral("WMsgX"), double(messageDialog.stored.x()));
        settings_.WriteSetting(QStringLiteral("WMsgY"), double(messageDialog.stored.y()));
    }
    settings_.WriteSetting(QStringLiteral("WIndex"), collection_.currentIndex());
    settings_.WriteSetting(QStringLiteral("LastFolder"), shownFolder_);
    settings_.WriteSetting(QStringLiteral("WShown"), shownWallpaper_);
    options_.SaveOptions();
    if (!batch.commit())
        return false;
    if (outermost)
        storedCount_ = count;
    if (outermost && settings_.knowsStore()) {
        stored_ = std::move(rows);
        storedEpoch_ = settings_.knownEpoch();
    }
    return true;
}

} // namespace kv
