// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kv {

// Held while a copy reads and rewrites the liveness values, so that deciding who runs and
// writing the heartbeat are one step for every copy that starts at the same moment. The lock
// belongs to the open file: a copy that dies releases it with its last breath. The file stays
// open from its first use to the end of the object: the heartbeat takes the lock every second,
// and opening the file each time cost more than the lock itself. Without a path, or when the
// file cannot be opened, nothing is locked and the program goes on (and tries the file again at
// the next hold).
//
// An object serves either as that queue or as the mark of a running copy, held without waiting
// for the copy's whole life (holdIfFree), which other copies test (heldElsewhere).
class LivenessLock {
public:
    explicit LivenessLock(QString path = QString());
    ~LivenessLock();
    LivenessLock(const LivenessLock&) = delete;
    LivenessLock& operator=(const LivenessLock&) = delete;

    void setPath(const QString& path);

    // Takes the lock without waiting and keeps it until letGo() or the end of the object. False
    // only when someone else holds it: a file that cannot be opened holds nobody back.
    bool holdIfFree();
    void letGo();
    // Who holds the lock now; Unknown when the file cannot be opened or locked (a filesystem
    // without locks). This object keeps nothing it did not hold before.
    enum class Holder { ThisObject, Another, Nobody, Unknown };
    Holder holder();
    bool heldElsewhere() { return holder() == Holder::Another; }
    // When the file was removed or replaced under this object (its folder cleaned away), makes
    // it anew at the path, and takes the lock again if it was held here.
    void followPath();

    // The lock, from construction to destruction.
    class Hold {
    public:
        explicit Hold(LivenessLock& lock) : lock_(lock), held_(lock.acquire()) {}
        ~Hold() {
            if (held_)
                lock_.release();
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        LivenessLock& lock_;
        bool held_;
    };

private:
    enum class Take { Taken, Busy, Failed };
    bool open();
    Take take(bool wait);
    bool acquire() { return open() && take(true) == Take::Taken; }
    void release();
    void close();

    QString path_;
    bool held_ = false;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

} // namespace kv
