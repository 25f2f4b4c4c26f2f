// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kv {

// Held while a copy reads and rewrites the liveness values, so that deciding who runs and
// writing the heartbeat are one step for every copy that starts at the same moment. The lock
// belongs to the open file: a copy that dies releases it with its last breath. Without a path,
// or when the file cannot be opened, nothing is locked and the program goes on.
class LivenessLock {
public:
    explicit LivenessLock(const QString& path);
    ~LivenessLock();
    LivenessLock(const LivenessLock&) = delete;
    LivenessLock& operator=(const LivenessLock&) = delete;

    bool held() const { return held_; }

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    bool held_ = false;
};

} // namespace kv
