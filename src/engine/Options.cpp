// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Options.h"

#include "collection/Collection.h"
#include "engine/Clock.h"
#include "settings/Numbers.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <array>

namespace kv {
namespace {

constexpr qint32 kNoLimit = 0;

constexpr std::array<OptionDeclaration, 21> kOptions{{
    {"Automatic", OptionKind::Flag, &Options::Automatic, 1, kNoLimit, kNoLimit},
    {"AutoLogon", OptionKind::Flag, &Options::AutoLogon, 1, kNoLimit, kNoLimit},
    {"AutoPeriod", OptionKind::Flag, &Options::AutoPeriod, 1, kNoLimit, kNoLimit},
    {"AutoTime", OptionKind::Flag, &Options::AutoTime, 1, kNoLimit, kNoLimit},
    {"AutoPeriodDays", OptionKind::Range, &Options::AutoPeriodDays, 0, 0, 31},
    {"AutoPeriodHours", OptionKind::Range, &Options::AutoPeriodHours, 0, 0, 23},
    {"AutoPeriodMins", OptionKind::Range, &Options::AutoPeriodMins, 0, 0, 59},
    // 24 o'clock is accepted: the scheduler reads it as the end of the day.
    {"AutoTimeHours", OptionKind::Range, &Options::AutoTimeHours, 12, 0, 24},
    {"AutoTimeMins", OptionKind::Range, &Options::AutoTimeMins, 0, 0, 59},
    {"AutoTimeWeekday", OptionKind::Range, &Options::AutoTimeWeekday, 0, 0, 7},
    {"Stretch", OptionKind::Range, &Options::Stretch, 2, 0, 4},
    {"AutoSelection", OptionKind::Range, &Options::AutoSelection, 1, 0, 1},
    {"Backgroud", OptionKind::Plain, &Options::Backgroud, 0, kNoLimit, kNoLimit},
    {"AutoChangeTime", OptionKind::TimeOfDay, nullptr, 0, kNoLimit, kNoLimit},
    {"AutoChangeDate", OptionKind::Date, nullptr, 0, kNoLimit, kNoLimit},
    {"AutoStart", OptionKind::Plain, &Options::AutoStart, 1, kNoLimit, kNoLimit},
    {"Confirm1", OptionKind::Plain, &Options::Confirm1, 1, kNoLimit, kNoLimit},
    {"Confirm2", OptionKind::Plain, &Options::Confirm2, 1, kNoLimit, kNoLimit},
    {"Confirm3", OptionKind::Plain, &Options::Confirm3, 1, kNoLimit, kNoLimit},
    {"Confirm4", OptionKind::Plain, &Options::Confirm4, 1, kNoLimit, kNoLimit},
    {"OptTab", OptionKind::Plain, &Options::OptTab, 0, kNoLimit, kNoLimit},
}};

const QString kJustInstalled = QStringLiteral("JustInstalled");
const QString kIsoDate = QStringLiteral("yyyy-MM-dd");
const QString kIsoTime = QStringLiteral("HH:mm:ss");

// Two-digit years of short regional formats read as the 1900s; a stored change moment is never
// that old, so such years belong to this century.
QDate withCenturyOf2000s(QDate date, const QString& format) {
    if (date.isValid() && !format.contains(QLatin1String("yyyy")) && date.year() < 2000)
        date = date.addYears(100);
    return date;
}

// The regional formats a value may have been written in: the locale's own, and its short format
// with a four-digit year, which is how many systems write their short dates.
QStringList regionalDateFormats(const QLocale& locale) {
    QStringList formats{locale.dateFormat(QLocale::ShortFormat),
                        locale.dateFormat(QLocale::LongFormat)};
    if (!formats.first().contains(QLatin1String("yyyy")))
        formats.append(
            QString(formats.first()).replace(QLatin1String("yy"), QLatin1String("yyyy")));
    return formats;
}

} // namespace

qint32* Options::Confirm(int kind) {
    switch (kind) {
    case 1:
        return &Confirm1;
    case 2:
        return &Confirm2;
    case 3:
        return &Confirm3;
    case 4:
        return &Confirm4;
    default:
        return nullptr;
    }
}

const qint32* Options::Confirm(int kind) const {
    return const_cast<Options*>(this)->Confirm(kind);
}

std::span<const OptionDeclaration> OptionTable() {
    return kOptions;
}

void ApplyChangeModeRule(Options& options) {
    const auto on = [](qint32 value) {
        return value != 0 ? 1 : 0;
    };
    if (on(options.AutoLogon) + on(options.AutoPeriod) + on(options.AutoTime) > 1) {
        options.AutoLogon = 1;
        options.AutoPeriod = 0;
        options.AutoTime = 0;
    }
}

void ApplyEmptyPeriodRule(Options& options) {
    if (options.AutoPeriodDays == 0 && options.AutoPeriodHours == 0 && options.AutoPeriodMins == 0)
        options.AutoPeriodHours = 1;
}

QString StoredDateText(const QDate& date) {
    return date.toString(kIsoDate);
}

QString StoredTimeText(const QTime& time) {
    return time.toString(kIsoTime);
}

QDate ParseStoredDate(const QString& text, const QLocale& locale) {
    const QString trimmed = text.trimmed();
    // Written by this program, or by hand without the leading zeros.
    for (const QString& format : {kIsoDate, QStringLiteral("yyyy-M-d")}) {
        const QDate date = QDate::fromString(trimmed, format);
        if (date.isValid())
            return date;
    }
    for (const QString& format : regionalDateFormats(locale)) {
        const QDate date = withCenturyOf2000s(locale.toDate(trimmed, format), format);
        if (date.isValid())
            return date;
    }
    return {};
}

QTime ParseStoredTime(const QString& text, const QLocale& locale) {
    const QString trimmed = text.trimmed();
    // Colons only: the general ISO reader takes "14.07", a regional time, for a fraction of an
    // hour.
    for (const char* format : {"H:mm:ss", "H:mm", "H:mm:ss.zzz"}) {
        const QTime time = QTime::fromString(trimmed, QLatin1String(format));
        if (time.isValid())
            return time;
    }
    for (const QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QTime time = locale.toTime(trimmed, type);
        if (time.isValid())
            return time;
    }
    // The twelve-hour clock of English-speaking regions, with or without the seconds.
    for (const char* format : {"h:mm:ss AP", "h:mm AP"}) {
        const QTime time = QTime::fromString(trimmed, QLatin1String(format));
        if (time.isValid())
            return time;
    }
    return {};
}

OptionsKeeper::OptionsKeeper(Settings& settings, Clock& clock)
    : settings_(settings), clock_(clock) {}

void OptionsKeeper::ReadOptions() {
    const QDateTime now = clock_.now();
    bool lastChangeReadable = true;
    for (const OptionDeclaration& option : kOptions) {
        const QString name = QString::fromLatin1(option.name);
        switch (option.kind) {
        case OptionKind::Flag:
            options_.*option.field = settings_.ReadSetting(name, option.defaultValue) != 0 ? 1 : 0;
            break;
        case OptionKind::Range:
            options_.*option.field = ClampToRange(settings_.ReadSetting(name, option.defaultValue),
                                                  option.max, option.min);
            break;
        case OptionKind::Plain:
            options_.*option.field = settings_.ReadSetting(name, option.defaultValue);
            break;
        case OptionKind::TimeOfDay: {
            options_.AutoChangeTime = ParseStoredTime(settings_.ReadSetting(name, QString()));
            lastChangeReadable = lastChangeReadable && options_.AutoChangeTime.isValid();
            break;
        }
        case OptionKind::Date: {
            options_.AutoChangeDate = ParseStoredDate(settings_.ReadSetting(name, QString()));
            lastChangeReadable = lastChangeReadable && options_.AutoChangeDate.isValid();
            break;
        }
        }
    }
    // The two halves make one moment: today's date beside a stored later time would put the
    // last change in the future, and the schedule would wait for it.
    if (!lastChangeReadable) {
        options_.AutoChangeDate = now.date();
        options_.AutoChangeTime =
            QTime(now.time().hour(), now.time().minute(), now.time().second());
    }
    ApplyChangeModeRule(options_);
    ApplyEmptyPeriodRule(options_);
}

void OptionsKeeper::SaveOptions() {
    ApplyChangeModeRule(options_);
    for (const OptionDeclaration& option : kOptions) {
        const QString name = QString::fromLatin1(option.name);
        switch (option.kind) {
        case OptionKind::Flag:
        case OptionKind::Range:
        case OptionKind::Plain:
            settings_.WriteSetting(name, options_.*option.field);
            break;
        case OptionKind::TimeOfDay:
            settings_.WriteSetting(name, StoredTimeText(options_.AutoChangeTime));
            break;
        case OptionKind::Date:
            settings_.WriteSetting(name, StoredDateText(options_.AutoChangeDate));
            break;
        }
    }
    if (!settledRequest_.isEmpty())
        settings_.WriteSetting(kJustInstalled, settledRequest_);
}

void OptionsKeeper::ImportInstalledWallpapers(Collection& collection, const QString& makerFolder) {
    if (!settledRequest_.isEmpty())
        return;
    // "0.0" and any other text that reads as zero ask for nothing.
    const QString request = settings_.ReadSetting(kJustInstalled, QString());
    // An unmarked store that holds a collection was filled by hand or by an older version, and
    // the samples would only crowd it.
    const bool asked = request.isEmpty() ? importWhenUnmarked_ && collection.rowCount() == 0
                                         : settings_.ReadSetting(kJustInstalled, 0.0) != 0.0;
    if (!asked) {
        settledRequest_ = request;
        return;
    }
    const QDir folder(makerFolder);
    if (!makerFolder.isEmpty() && QFileInfo(makerFolder).isDir()) {
        QStringList names;
        for (const QString& pattern :
             {QStringLiteral("*.jpg"), QStringLiteral("*.bmp"), QStringLiteral("*.jpeg")})
            names += folder.entryList({pattern}, QDir::Files, QDir::Name);
        const qint32 first = collection.rowCount();
        const QString folderPath = QDir::toNativeSeparators(folder.absolutePath());
        collection.setPreviewEnabled(false);
        for (const QString& name : names)
            collection.AddImage(name, folderPath, StateUse);
        collection.setPreviewEnabled(true);
        if (collection.rowCount() > first) {
            // The restore found no row to select; without one the row the list shows as current
            // would take no command.
            if (first == 0)
                collection.SelectOnly(0);
            collection.ScanFrom(first);
        }
    }
    settledRequest_ = QStringLiteral("0");
}

} // namespace kv
