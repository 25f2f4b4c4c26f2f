// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Random.h"

#include "engine/Clock.h"

namespace kv {

ClockSeededRandom::ClockSeededRandom(const Clock& clock)
    : engine_(static_cast<std::mt19937::result_type>(clock.now().toMSecsSinceEpoch())) {}

int ClockSeededRandom::Between(int low, int high) {
    if (high <= low)
        return low;
    return std::uniform_int_distribution<int>(low, high)(engine_);
}

} // namespace kv
