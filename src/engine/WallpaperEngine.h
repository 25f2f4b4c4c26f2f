// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <functional>

namespace kv {

class AskUser;
class Clock;
class Collection;
class DesktopBackend;
class Random;
struct Options;

// Setting one collection entry as the wallpaper, choosing the next entry, and the scheduler that
// decides when an automatic change is due. Owned by the program for the whole run; everything
// happens on the user-interface thread.
class WallpaperEngine final : public QObject {
    Q_OBJECT
public:
    // Entries selected beyond this many in a visible window are the user's work in progress, and
    // a change leaves that selection alone.
    static constexpr int kSelectionKeptFrom = 6;
    // The scheduler's wait, in tenths of the seconds left: the timer wakes up ten times before
    // the change is due, at least every 30 s and at most every 0.2 s.
    static constexpr int kMaxWaitSeconds = 300;
    static constexpr int kMinWaitSeconds = 2;
    static constexpr int kDueWaitSeconds = 150;
    static constexpr int kMillisecondsPerWaitSecond = 100;

    WallpaperEngine(Collection& collection, Options& options, Clock& clock, Random& random,
                    DesktopBackend& desktop, QObject* parent = nullptr);

    // The desktop, the question channel and the window's visibility are known only once the
    // program starts; until then changes fail quietly and the window counts as hidden.
    void setDesktop(DesktopBackend& desktop) { desktop_ = &desktop; }
    void setRandom(Random& random) { random_ = &random; }
    void setAskUser(AskUser* askUser) { askUser_ = askUser; }
    void setWindowVisible(std::function<bool()> visible) { windowVisible_ = std::move(visible); }
    // Asked between the tries of a change, which may take long over a large collection: true
    // ends the change at once, quietly and still due, so that a request to end the program is
    // heard without waiting for the remaining entries.
    void setEndRequested(std::function<bool()> endRequested) {
        endRequested_ = std::move(endRequested);
    }

    // 1 when the entry is now the wallpaper, 0 otherwise (see the entry's state for why).
    int SetWallpaperEntry(qint32 index);
    // The Set button: the current row of the collection list, -1 when there is none.
    void Set_Click();
    // 1 when a new wallpaper was set. Every failure the user's request meets is reported; the
    // change timer's retries of a failing change stay quiet once it was reported, until a change
    // succeeds or the options or the collection change.
    int ChangeWallpaper();
    // What a change with no entry to try says.
    static QString noAvailableFilesMessage();

    // Brings colour and style to the desktop and runs the scheduler once, which makes a change
    // that is due; a start that makes its own change at once leaves that to it, or the user
    // would see two changes and miss an entry.
    enum class DueChange { Make, LeaveToCaller };
    void ApplyDesktopOptions(DueChange due = DueChange::Make);
    // A start on a desktop that forgets its wallpaper when the session ends shows the picture
    // last shown again (set by hand or by a change; the current entry when it has left the
    // collection), with the colour and style in the same drawing. A program that never showed
    // one leaves the desktop's own picture alone. Pending from the start of the start-up
    // (applying the options meanwhile leaves a forgotten desktop alone) until RestoreWallpaper,
    // which does nothing when a change has shown a picture since.
    void setRestorePending() { restorePending_ = true; }
    // A start that changes the wallpaper at once brings colour and style with the new picture:
    // applied on their own first, they would show bare for as long as the picture takes to
    // draw. RestoreWallpaper applies them when no picture has shown since.
    void setChangeFollows() { colourPending_ = true; }
    void RestoreWallpaper();
    // The full path of the picture last shown, kept by the saved state.
    void setLastShown(const QString& path) { lastShown_ = path; }
    void ComputeNextChange();
    void ChangeTimer_Timer();
    // The program ends: no change is due any more, even after one that runs now.
    void stopScheduler();

    QTimer& ChangeTimer() { return changeTimer_; }
    QDateTime LastChange() const { return lastChange_; }
    QDateTime NextChange() const { return nextChange_; }

Q_SIGNALS:
    // A picture shows now, set by hand, by a change or by the restore.
    void wallpaperShown(const QString& path);
    // A change has tried its candidates: whether it set a new wallpaper, said before a failure
    // is told in a dialog that may stay open.
    void changeDecided(bool changed);

private:
    enum class EntryOutcome { Set, Missing, Undecodable, DesktopRefused };
    // What tells a file apart from the one found undecodable before: its contents would change
    // its time or size.
    struct FileStamp {
        qint64 modifiedMs = -1;
        qint64 size = -1;
        bool operator==(const FileStamp&) const = default;
    };

    EntryOutcome applyEntry(qint32 index);
    void enforceColourAndStyle();
    // ChangeWallpaper without telling its failure.
    int changeOnce();
    void reportFailure(const QString& message);
    void tellFailure(const QString& message);
    // The clock's local time as a plain civil date and time, so that an hour added is an hour on
    // the wall clock and day boundaries are those of the calendar.
    QDateTime civilNow() const;
    void selectEntry(qint32 index);
    // applyEntry without the selection.
    EntryOutcome showEntry(qint32 index);
    bool wallpaperForgotten();
    qint32 rowToRestore() const;
    void forgetUndecodable() { undecodable_.clear(); }
    bool schedulerRuns() const;

    Collection& collection_;
    Options& options_;
    Clock& clock_;
    Random* random_;
    DesktopBackend* desktop_;
    AskUser* askUser_ = nullptr;
    std::function<bool()> windowVisible_;
    std::function<bool()> endRequested_;
    QTimer changeTimer_;
    QDateTime lastChange_;
    QDateTime nextChange_;
    bool failureReported_ = false;
    // Set while the change timer makes a change that is due.
    bool timerRetry_ = false;
    // The failure of the timer's change, told once that change has ended and the timer runs
    // again.
    QString failureToTell_;
    // Set while the engine itself marks an entry, which is no edit of the collection.
    bool markingEntry_ = false;
    bool restorePending_ = false;
    bool colourPending_ = false;
    QString lastShown_;
    // Set while a change runs: its message dialog lets the timer and the user's commands run,
    // and a change started there would go through the whole collection inside the first.
    bool changing_ = false;
    bool schedulerStopped_ = false;
    // Files that did not decode in the present run of failed changes: the timer retries the
    // change every few seconds, and decoding a large broken collection again each time would
    // keep the program busy for good.
    QHash<QString, FileStamp> undecodable_;
};

} // namespace kv
