// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/WallpaperEngine.h"

#include "collection/Collection.h"
#include "common/AskUser.h"
#include "engine/Clock.h"
#include "engine/DesktopBackend.h"
#include "engine/Options.h"
#include "engine/Random.h"

#include <QFileInfo>
#include <QList>
#include <QScopedValueRollback>

#include <algorithm>
#include <utility>

namespace kv {
namespace {

constexpr qint64 kSecondsPerDay = 86'400;

// Sunday 1 ... Saturday 7, the numbering of the "AutoTimeWeekday" option.
int sundayFirstWeekday(const QDate& date) {
    return date.dayOfWeek() % 7 + 1;
}

QDateTime wholeSeconds(const QDateTime& moment) {
    const QTime time = moment.time();
    return QDateTime(moment.date(), QTime(time.hour(), time.minute(), time.second()), Qt::UTC);
}

QDateTime civil(const QDate& date, const QTime& time) {
    return QDateTime(date, time.isValid() ? time : QTime(0, 0), Qt::UTC);
}

// Only the colour bits of the stored value: a hand-edited value with higher bits set would never
// equal what the desktop reports and would be written again at every change.
constexpr DesktopColor kColourBits = 0x00FFFFFFu;

} // namespace

WallpaperEngine::WallpaperEngine(Collection& collection, Options& options, Clock& clock,
                                 Random& random, DesktopBackend& desktop, QObject* parent)
    : QObject(parent), collection_(collection), options_(options), clock_(clock), random_(&random),
      desktop_(&desktop) {
    changeTimer_.setTimerType(Qt::CoarseTimer);
    connect(&changeTimer_, &QTimer::timeout, this, &WallpaperEngine::ChangeTimer_Timer);
    const auto collectionEdited = [this] {
        if (markingEntry_)
            return;
        failureReported_ = false;
        forgetUndecodable();
    };
    connect(&collection_, &Collection::rowsInserted, this, collectionEdited);
    connect(&collection_, &Collection::rowsRemoved, this, collectionEdited);
    connect(&collection_, &Collection::modelReset, this, collectionEdited);
    connect(&collection_, &Collection::dataChanged, this, collectionEdited);
}

QDateTime WallpaperEngine::civilNow() const {
    const QDateTime now = clock_.now();
    return civil(now.date(), now.time());
}

int WallpaperEngine::SetWallpaperEntry(qint32 index) {
    return applyEntry(index) == EntryOutcome::Set ? 1 : 0;
}

WallpaperEngine::EntryOutcome WallpaperEngine::applyEntry(qint32 index) {
    const EntryOutcome outcome = showEntry(index);
    if (outcome == EntryOutcome::Set) {
        selectEntry(index);
        failureReported_ = false;
        if (askUser_)
            askUser_->withdraw(MessageKind::ChangeFailed);
        forgetUndecodable();
    }
    return outcome;
}

WallpaperEngine::EntryOutcome WallpaperEngine::showEntry(qint32 index) {
    const QString path = collection_.ImageFullPath(index);
    const QScopedValueRollback marking(markingEntry_, true);
    if (path.isEmpty() || !Collection::FileExists(path)) {
        collection_.SetImageState(index, StateMissing);
        return EntryOutcome::Missing;
    }
    const QFileInfo file(path);
    const FileStamp stamp{file.lastModified().toMSecsSinceEpoch(), file.size()};
    if (const auto known = undecodable_.constFind(path);
        known != undecodable_.cend() && *known == stamp)
        return EntryOutcome::Undecodable;
    switch (desktop_->ShowWallpaper(
        path, static_cast<DesktopColor>(options_.Backgroud) & kColourBits, options_.Stretch)) {
    case ShowResult::NotAPicture:
        undecodable_.insert(path, stamp);
        return EntryOutcome::Undecodable;
    case ShowResult::Refused:
        // The file exists and decodes, so a refusal is the desktop's: the entry keeps its state.
        return EntryOutcome::DesktopRefused;
    case ShowResult::Shown:
        break;
    }
    lastShown_ = path;
    // It came with colour and style, and nothing is left to restore: the desktop need not be
    // asked again.
    restorePending_ = false;
    colourPending_ = false;
    Q_EMIT wallpaperShown(path);
    if (collection_.ImageState(index) == StateMissing)
        collection_.SetImageState(index, StateUse);
    return EntryOutcome::Set;
}

void WallpaperEngine::enforceColourAndStyle() {
    desktop_->setColourAndStyle(static_cast<DesktopColor>(options_.Backgroud) & kColourBits,
                                options_.Stretch);
}

void WallpaperEngine::reportFailure(const QString& message) {
    // The timer retries a due change every few seconds and would repeat the same message each
    // time; a change the user asks for is answered every time.
    if ((failureReported_ && timerRetry_) || !askUser_)
        return;
    // Told after the change has ended, so that the timer's changes go on while the message is
    // open (left open for days, it would stop them) and none runs inside another.
    failureToTell_ = message;
}

void WallpaperEngine::tellFailure(const QString& message) {
    // Told from the moment its dialog opens: a change that succeeds while it is open lets the
    // next failure be told again. Nothing shown (the kind switched off, or the dialog busy with
    // another message) leaves the next retry free to show it.
    failureReported_ = true;
    if (askUser_->ask(MessageKind::ChangeFailed, message) == -1)
        failureReported_ = false;
}

bool WallpaperEngine::wallpaperForgotten() {
    // With no entry to show again there is nothing to restore, only colour and style to enforce.
    return !lastShown_.isEmpty() && collection_.rowCount() > 0 && desktop_->forgotWallpaper();
}

qint32 WallpaperEngine::rowToRestore() const {
    for (qint32 row = 0; row < collection_.rowCount(); ++row)
        if (collection_.ImageFullPath(row) == lastShown_)
            return row;
    return collection_.currentIndex();
}

void WallpaperEngine::RestoreWallpaper() {
    // A change since has shown its picture with the colour and style; otherwise the last picture
    // shows now, or at least the colour and style when it cannot.
    bool enforce = std::exchange(colourPending_, false);
    if (std::exchange(restorePending_, false) && wallpaperForgotten())
        enforce = showEntry(rowToRestore()) != EntryOutcome::Set;
    if (enforce)
        enforceColourAndStyle();
}

void WallpaperEngine::selectEntry(qint32 index) {
    QItemSelectionModel* selection = collection_.selectionModel();
    if (selection->isRowSelected(index) && selection->currentIndex().row() == index)
        return;
    const bool visible = windowVisible_ && windowVisible_();
    const qsizetype count = visible ? selection->selectedRows().size() : 1;
    if (count < kSelectionKeptFrom)
        collection_.SelectOnly(index);
}

void WallpaperEngine::Set_Click() {
    const QModelIndex current = collection_.selectionModel()->currentIndex();
    SetWallpaperEntry(current.isValid() ? current.row() : -1);
}

int WallpaperEngine::ChangeWallpaper() {
    const int changed = changeOnce();
    // The timer tells its own change's failure once it runs again.
    if (!timerRetry_ && !failureToTell_.isEmpty())
        tellFailure(std::exchange(failureToTell_, QString()));
    return changed;
}

int WallpaperEngine::changeOnce() {
    const qint32 count = collection_.rowCount();
    if (count == 0 || changing_)
        return 0;
    const QScopedValueRollback changing(changing_, true);
    qint32 current = collection_.currentIndex();
    if (current > count - 1)
        current = count - 1;
    if (current < 0)
        current = 0;
    collection_.setCurrentIndex(current);

    int attempts = 0;
    qint32 chosen = -1;
    bool refused = false;
    bool ended = false;
    // True when the search is over: the entry was set, the desktop turned a good file down and
    // would turn down the others too, or the program is asked to end.
    const auto attempt = [&](qint32 row) {
        if (endRequested_ && endRequested_()) {
            ended = true;
            return true;
        }
        ++attempts;
        const EntryOutcome outcome = applyEntry(row);
        if (outcome == EntryOutcome::Set)
            chosen = row;
        refused = outcome == EntryOutcome::DesktopRefused;
        return chosen >= 0 || refused;
    };
    if (options_.AutoSelection != 1) {
        // The current entry comes last: when nothing else can be used it is applied again, so
        // the change still enforces the picture, style and colour.
        for (qint32 step = 1; step <= count; ++step) {
            const qint32 row = (current + step) % count;
            if (collection_.ImageState(row) != StateSkip && attempt(row))
                break;
        }
    } else {
        // In list order; an entry that fails leaves them for the rest of the change.
        QList<qint32> candidates;
        for (qint32 row = 0; row < count; ++row)
            if (collection_.ImageState(row) == StateUse)
                candidates.append(row);
        while (!candidates.isEmpty()) {
            const int number = static_cast<int>(candidates.size());
            const auto currentAt =
                std::lower_bound(candidates.cbegin(), candidates.cend(), current);
            const int currentRank = currentAt != candidates.cend() && *currentAt == current
                                        ? static_cast<int>(currentAt - candidates.cbegin()) + 1
                                        : 0;
            int k = qBound(1, random_->Between(1, number), number);
            // The current wallpaper is drawn again only when it is the last candidate left.
            if (k == currentRank && number > 1)
                k = k < number ? k + 1 : k - 1;
            if (attempt(candidates.at(k - 1)))
                break;
            candidates.removeAt(k - 1);
        }
    }

    if (ended)
        return 0;
    Q_EMIT changeDecided(chosen >= 0);
    if (chosen < 0) {
        if (refused)
            reportFailure(tr("Unable to set new wallpaper! The desktop \"%1\" did not accept it.")
                              .arg(desktop_->name()));
        else
            reportFailure(attempts == 0 ? noAvailableFilesMessage()
                                        : tr("Unable to set new wallpaper! There are no supported "
                                             "image files in wallpaper collection!"));
        return 0;
    }
    collection_.setCurrentIndex(chosen);
    const QDateTime now = clock_.now();
    options_.AutoChangeDate = now.date();
    options_.AutoChangeTime = QTime(now.time().hour(), now.time().minute());
    ComputeNextChange();
    return 1;
}

QString WallpaperEngine::noAvailableFilesMessage() {
    return tr("Unable to set new wallpaper! There are no available image files in wallpaper "
              "collection!");
}

void WallpaperEngine::ApplyDesktopOptions(DueChange due) {
    failureReported_ = false;
    // The restore brings colour and style with the picture, so the screen never shows the bare
    // colour (or a picture placed twice) first.
    if (!colourPending_ && (!restorePending_ || !wallpaperForgotten()))
        enforceColourAndStyle();
    ComputeNextChange();
    if (due == DueChange::Make)
        ChangeTimer_Timer();
}

void WallpaperEngine::ComputeNextChange() {
    ApplyEmptyPeriodRule(options_);
    lastChange_ = civil(options_.AutoChangeDate, options_.AutoChangeTime);
    nextChange_ = lastChange_;
    if (options_.AutoPeriod != 0)
        nextChange_ = lastChange_.addSecs(
            (qint64(options_.AutoPeriodDays) * 24 + options_.AutoPeriodHours) * 3600 +
            qint64(options_.AutoPeriodMins) * 60);
    if (options_.AutoTime == 0)
        return;
    // An hour of 24 is the given minute after the following midnight.
    QDateTime t =
        civil(options_.AutoChangeDate, QTime(0, 0))
            .addSecs(qint64(options_.AutoTimeHours) * 3600 + qint64(options_.AutoTimeMins) * 60);
    if (wholeSeconds(t) <= wholeSeconds(lastChange_))
        t = t.addDays(1);
    if (options_.AutoTimeWeekday != 0) {
        int d = options_.AutoTimeWeekday - sundayFirstWeekday(t.date());
        if (d < 0)
            d += 7;
        t = t.addDays(d);
    }
    if (options_.AutoPeriod == 0 || wholeSeconds(t) < wholeSeconds(nextChange_))
        nextChange_ = t;
}

bool WallpaperEngine::schedulerRuns() const {
    return !schedulerStopped_ && options_.Automatic != 0 &&
           (options_.AutoPeriod != 0 || options_.AutoTime != 0);
}

void WallpaperEngine::stopScheduler() {
    schedulerStopped_ = true;
    changeTimer_.stop();
}

void WallpaperEngine::ChangeTimer_Timer() {
    // A change that runs sets the timer again when it ends, by the options then in force.
    if (changing_)
        return;
    if (!schedulerRuns()) {
        changeTimer_.stop();
        return;
    }
    const QDateTime now = wholeSeconds(civilNow());
    qint64 wait = kSecondsPerDay;
    bool due = false;
    // A clock set back before the day of the last change cannot be trusted to reach the next
    // moment soon; the change is made now, which also puts the last change right.
    if (lastChange_.date().daysTo(now.date()) < 0)
        due = true;
    const qint64 daysSinceNext = nextChange_.date().daysTo(now.date());
    if (daysSinceNext > 0)
        due = true;
    if (!due && daysSinceNext == 0) {
        const qint64 passed = wholeSeconds(nextChange_).secsTo(now);
        if (passed > 0)
            due = true;
        qint64 remaining = -passed;
        if (remaining < 0)
            remaining += kSecondsPerDay;
        if (remaining < kSecondsPerDay)
            wait = remaining;
    }
    wait = std::clamp<qint64>(wait, kMinWaitSeconds, kMaxWaitSeconds);
    if (due)
        wait = kDueWaitSeconds;
    changeTimer_.setInterval(static_cast<int>(wait * kMillisecondsPerWaitSecond));
    if (!due) {
        if (!changeTimer_.isActive())
            changeTimer_.start();
        return;
    }
    // The retry waits from the end of this change: a change that takes longer than the wait
    // would otherwise be followed by the next one at once, for as long as it fails.
    changeTimer_.stop();
    {
        const QScopedValueRollback retry(timerRetry_, true);
        ChangeWallpaper();
    }
    if (schedulerRuns())
        changeTimer_.start();
    else
        changeTimer_.stop();
    if (!failureToTell_.isEmpty())
        tellFailure(std::exchange(failureToTell_, QString()));
}

} // namespace kv
