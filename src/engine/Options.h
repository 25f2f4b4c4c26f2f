// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/MessageSwitches.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

#include <span>

namespace kv {

class Clock;
class Collection;
class Settings;

// Every setting of the automatic change, the desktop colour and style, the message kinds the
// user still wants to see and the moment of the last automatic change. Each field bears the
// name of its stored value ("Backgroud" keeps the spelling that stores have always used).
struct Options {
    qint32 Automatic = 0;
    qint32 AutoLogon = 0;
    qint32 AutoPeriod = 0;
    qint32 AutoTime = 0;
    qint32 AutoPeriodDays = 0;
    qint32 AutoPeriodHours = 0;
    qint32 AutoPeriodMins = 0;
    qint32 AutoTimeHours = 0;
    qint32 AutoTimeMins = 0;
    qint32 AutoTimeWeekday = 0; // 0 every day; 1 Sunday ... 7 Saturday
    qint32 Stretch = 0;         // 0 centre, 1 tile, 2 stretch, 3 fit, 4 fill
    qint32 AutoSelection = 0;   // 1 random; 0 list order
    qint32 Backgroud = 0;       // 0x00BBGGRR
    QTime AutoChangeTime;       // whole minutes
    QDate AutoChangeDate;
    qint32 AutoStart = 0;
    qint32 Confirm1 = 0;
    qint32 Confirm2 = 0;
    qint32 Confirm3 = 0;
    qint32 Confirm4 = 0;
    qint32 OptTab = 0;

    // The "Confirm" flag of message kind 1 to 4; nullptr for any other kind.
    qint32* Confirm(int kind);
    const qint32* Confirm(int kind) const;
    // The moment of the last automatic change.
    QDateTime LastChange() const { return QDateTime(AutoChangeDate, AutoChangeTime); }
};

// How a stored option is read back.
enum class OptionKind {
    Flag,      // any non-zero value becomes 1
    Range,     // clamped into [min, max]
    Plain,     // taken as it is
    TimeOfDay, // "AutoChangeTime"
    Date,      // "AutoChangeDate"
};

// One stored option, declared once: its value name, how it loads, its default and limits.
struct OptionDeclaration {
    const char* name;
    OptionKind kind;
    qint32 Options::*field; // nullptr for the two date-time values
    qint32 defaultValue;
    qint32 min;
    qint32 max;
};

// Every option, in the order in which it is stored.
std::span<const OptionDeclaration> OptionTable();

// Only one of the logon, period and time modes may be on; with more, logon wins.
void ApplyChangeModeRule(Options& options);
// A period of no time at all becomes one hour.
void ApplyEmptyPeriodRule(Options& options);

// Date and time as stored: ISO 8601, readable in every locale.
QString StoredDateText(const QDate& date);
QString StoredTimeText(const QTime& time);
// ISO first, then the locale's short and long formats (values written under an older regional
// format). Invalid when nothing fits.
QDate ParseStoredDate(const QString& text, const QLocale& locale = QLocale());
QTime ParseStoredTime(const QString& text, const QLocale& locale = QLocale());

// The message switches are the record's "Confirm" values, so they are saved with it.
class OptionsMessageSwitches final : public MessageSwitches {
public:
    explicit OptionsMessageSwitches(Options& options) : options_(options) {}
    int confirm(int kind) const override {
        const qint32* value = options_.Confirm(kind);
        return value ? *value : 1;
    }
    void setConfirm(int kind, int value) override {
        if (qint32* stored = options_.Confirm(kind))
            *stored = value == 0 ? 0 : 1;
    }

private:
    Options& options_;
};

// The options record with its loading and saving. Putting the options on the desktop and arming
// the scheduler is the engine's ApplyDesktopOptions, which the program calls.
class OptionsKeeper {
public:
    OptionsKeeper(Settings& settings, Clock& clock);

    Options& options() { return options_; }
    const Options& options() const { return options_; }

    // Reads every option with its default and limits. Putting them on the desktop and the
    // first-run import come after, once the whole saved state is restored.
    void ReadOptions();
    // Writes every option, and marks a done import; inside the caller's batch when one is open.
    // Saving only writes: the desktop and the scheduler are left alone.
    void SaveOptions();

    // On a platform without an installer writing "JustInstalled", a store in which it was never
    // written and that holds no collection has not seen a real start yet. Only a save after an
    // import writes it, so a "-close" or a start without a display cannot use up the first start.
    void setImportWhenUnmarked(bool import) { importWhenUnmarked_ = import; }
    // Adds the sample wallpapers when asked to; the request is cleared by the next save, so that
    // the samples and the cleared request are stored together.
    void ImportInstalledWallpapers(Collection& collection, const QString& makerFolder);

private:
    Settings& settings_;
    Clock& clock_;
    Options options_;
    bool importWhenUnmarked_ = false;
    // The request as a done import left it, or as this run found it done: every save writes it,
    // so that a store written anew whole, in place of a damaged one, does not ask again.
    QString settledRequest_;
};

} // namespace kv
