// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>
#include <QtGlobal>

namespace kv {

// The number a dialog field holds, as the dialog stores it: blanks are skipped, then an optional
// sign and digits with an optional fraction are read; text without a leading number reads as 0.
// The value is rounded to a whole number (halves to even) and forced into [min, max]. Nothing is
// rejected: a bad entry is corrected silently.
qint32 NumberFieldValue(const QString& text, qint32 min, qint32 max);

// Ranges the dialog keeps its numbers in. The period's days go up to 99 here; a restart limits
// them to 31 when the options are loaded.
struct FieldRange {
    qint32 min;
    qint32 max;
};
inline constexpr FieldRange kPeriodDaysRange{0, 99};
inline constexpr FieldRange kPeriodHoursRange{0, 23};
inline constexpr FieldRange kPeriodMinsRange{0, 59};
inline constexpr FieldRange kTimeHoursRange{0, 23};
inline constexpr FieldRange kTimeMinsRange{0, 59};
inline constexpr FieldRange kWeekdayRange{0, 7};
inline constexpr FieldRange kFlagRange{0, 1};
inline constexpr FieldRange kStretchRange{0, 4};

// A stored number shown in a field: forced into its range, plain decimal digits.
QString FieldText(qint32 value, FieldRange range);
qint32 ForcedInto(qint32 value, FieldRange range);

// The green of the unit labels of a ticked change box, where the palette lets it read.
inline const QColor kActiveUnitColor{78, 117, 42};

// The stored "Backgroud" layout (0x00BBGGRR) and back.
QColor ColorFromStored(qint32 stored);
qint32 StoredFromColor(const QColor& color);

} // namespace kv
