// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

namespace kv {

// A number rounded to a whole number (halves to even), as plain decimal digits.
QString NumberText(double value);

// value limited to [min, max]; when max <= min, the middle of the two, halves to even.
qint32 ClampToRange(qint32 value, qint32 max, qint32 min);

} // namespace kv
