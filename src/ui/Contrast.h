// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

namespace kv {

// Contrast of two colours as accessibility guidelines measure it: from 1 (the same) to 21
// (black on white). Text needs 4.5, large or secondary text 3.
double ContrastRatio(const QColor& a, const QColor& b);

// The colour moved step by step towards `towards` until it reaches `minimum` contrast on
// `background`; `towards` itself when no step does. A colour that already reads stays as it is.
QColor ReadableOn(const QColor& colour, const QColor& background, const QColor& towards,
                  double minimum);

// The colour a fraction of the way from one colour to another.
QColor Blend(const QColor& from, const QColor& to, double fraction);

} // namespace kv
