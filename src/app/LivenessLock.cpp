// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LivenessLock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "settings/PrivateFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace kv {

LivenessLock::LivenessLock(QString path) : path_(std::move(path)) {}

LivenessLock::~LivenessLock() {
    close();
}

void LivenessLock::setPath(const QString& path) {
    if (path == path_)
        return;
    close();
    path_ = path;
}

#ifdef _WIN32

bool LivenessLock::acquire() {
    if (!handle_ && !path_.isEmpty()) {
        handle_ = CreateFileW(reinterpret_cast<const wchar_t*>(path_.utf16()),
                              GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE)
            handle_ = nullptr;
    }
    if (!handle_)
        return false;
    OVERLAPPED whole{};
    return LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole) != 0;
}

void LivenessLock::release() {
    OVERLAPPED whole{};
    UnlockFileEx(handle_, 0, 1, 0, &whole);
}

void LivenessLock::close() {
    if (handle_)
        CloseHandle(handle_);
    handle_ = nullptr;
}

#else

bool LivenessLock::acquire() {
    if (fd_ < 0 && !path_.isEmpty())
        fd_ = ::open(path_.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0)
        return false;
    return lockFile(fd_, LOCK_EX);
}

void LivenessLock::release() {
    ::flock(fd_, LOCK_UN);
}

void LivenessLock::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

#endif

} // namespace kv
