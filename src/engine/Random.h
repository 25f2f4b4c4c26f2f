// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <random>

namespace kv {

class Clock;

// Where the random choice of the next wallpaper draws its numbers; tests script the draws.
class Random {
public:
    virtual ~Random() = default;
    // A whole number from low to high inclusive, uniformly.
    virtual int Between(int low, int high) = 0;
};

// The program's generator, seeded once from the clock.
class ClockSeededRandom final : public Random {
public:
    explicit ClockSeededRandom(const Clock& clock);
    int Between(int low, int high) override;

private:
    std::mt19937 engine_;
};

} // namespace kv
