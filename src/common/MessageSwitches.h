// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

namespace kv {

// The user's show flags for the message kinds that can be switched off (1 to 4): 1 shows the
// kind, 0 means the user asked never to see it again. Kinds without a switch always read 1, and
// writing them changes nothing.
class MessageSwitches {
public:
    static constexpr int kFirstSwitchable = 1;
    static constexpr int kLastSwitchable = 4;

    virtual ~MessageSwitches() = default;
    virtual int confirm(int kind) const = 0;
    virtual void setConfirm(int kind, int value) = 0;

    static bool isSwitchable(int kind) {
        return kind >= kFirstSwitchable && kind <= kLastSwitchable;
    }
};

// Switches held in memory for one run, every kind shown at first.
class MemoryMessageSwitches final : public MessageSwitches {
public:
    int confirm(int kind) const override {
        return isSwitchable(kind) ? values_[static_cast<std::size_t>(kind - kFirstSwitchable)] : 1;
    }
    void setConfirm(int kind, int value) override {
        if (isSwitchable(kind))
            values_[static_cast<std::size_t>(kind - kFirstSwitchable)] = value == 0 ? 0 : 1;
    }

private:
    std::array<int, kLastSwitchable - kFirstSwitchable + 1> values_{1, 1, 1, 1};
};

} // namespace kv
