// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LivenessLock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace kv {

#ifdef _WIN32

LivenessLock::LivenessLock(const QString& path) {
    if (path.isEmpty())
        return;
    handle_ = CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()),
                          GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
        handle_ = nullptr;
        return;
    }
    OVERLAPPED whole{};
    held_ = LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole) != 0;
}

LivenessLock::~LivenessLock() {
    if (!handle_)
        return;
    if (held_) {
        OVERLAPPED whole{};
        UnlockFileEx(handle_, 0, 1, 0, &whole);
    }
    CloseHandle(handle_);
}

#else

LivenessLock::LivenessLock(const QString& path) {
    if (path.isEmpty())
        return;
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0)
        return;
    int rc = 0;
    do {
        rc = ::flock(fd_, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    held_ = rc == 0;
}

LivenessLock::~LivenessLock() {
    // Closing the file releases the lock.
    if (fd_ >= 0)
        ::close(fd_);
}

#endif

} // namespace kv
