// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

namespace kv::test {

// What the X server shows on the root window of the given display, as pixels; a null image when
// the display cannot be reached.
QImage readRootPixels(const QString& display);

// The colour at the middle of the root, where stretched and centred pictures both show.
QColor rootCentreColour(const QString& display);

// Colours compared loosely: scaled and compressed pictures are filtered.
bool closeColours(const QColor& a, const QColor& b, int tolerance = 24);

} // namespace kv::test
