// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Contrast.h"

#include <algorithm>
#include <cmath>

namespace kv {
namespace {

double linear(double channel) {
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor Blend(const QColor& from, const QColor& to, double fraction) {
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    const auto mix = [fraction](float x, float y) {
        return x + (y - x) * fraction;
    };
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()),
                            mix(a.blueF(), b.blueF()));
}

QColor ReadableOn(const QColor& colour, const QColor& background, const QColor& towards,
                  double minimum) {
    constexpr int kSteps = 20;
    for (int step = 0; step < kSteps; ++step) {
        const QColor tried = Blend(colour, towards, double(step) / kSteps);
        if (ContrastRatio(tried, background) >= minimum)
            return tried;
    }
    return towards;
}

} // namespace kv
