// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Numbers.h"

#include <cmath>

namespace kv {

QString NumberText(double value) {
    return QString::number(static_cast<qint64>(std::nearbyint(value)));
}

qint32 ClampToRange(qint32 value, qint32 max, qint32 min) {
    if (max <= min)
        return static_cast<qint32>(std::nearbyint((static_cast<double>(max) + min) / 2.0));
    return qBound(min, value, max);
}

} // namespace kv
