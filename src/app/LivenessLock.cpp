// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LivenessLock.h"

#include <QFileInfo>

#ifdef _WIN32
#include <windows.h>
#else
#include "settings/PrivateFiles.h"

#include <cerrno>
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

bool LivenessLock::open() {
    if (!handle_ && !path_.isEmpty()) {
        handle_ = CreateFileW(reinterpret_cast<const wchar_t*>(path_.utf16()),
                              GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE)
            handle_ = nullptr;
    }
    return handle_ != nullptr;
}

LivenessLock::Take LivenessLock::take(bool wait) {
    OVERLAPPED whole{};
    const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    if (LockFileEx(handle_, flags, 0, 1, 0, &whole))
        return Take::Taken;
    return GetLastError() == ERROR_LOCK_VIOLATION ? Take::Busy : Take::Failed;
}

void LivenessLock::release() {
    OVERLAPPED whole{};
    UnlockFileEx(handle_, 0, 1, 0, &whole);
}

void LivenessLock::close() {
    if (handle_)
        CloseHandle(handle_);
    handle_ = nullptr;
    held_ = false;
}

#else

bool LivenessLock::open() {
    if (fd_ < 0 && !path_.isEmpty())
        fd_ = ::open(path_.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    return fd_ >= 0;
}

LivenessLock::Take LivenessLock::take(bool wait) {
    if (lockFile(fd_, LOCK_EX | (wait ? 0 : LOCK_NB)))
        return Take::Taken;
    return errno == EWOULDBLOCK ? Take::Busy : Take::Failed;
}

void LivenessLock::release() {
    ::flock(fd_, LOCK_UN);
}

void LivenessLock::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    held_ = false;
}

#endif

bool LivenessLock::holdIfFree() {
    if (held_ || !open())
        return true;
    const Take taken = take(false);
    held_ = taken == Take::Taken;
    return taken != Take::Busy;
}

void LivenessLock::letGo() {
    if (held_)
        release();
    held_ = false;
}

void LivenessLock::followPath() {
    // A file open on Windows cannot be deleted from under its handle.
#ifndef _WIN32
    if (fd_ < 0 || pathNamesOpenFile(fd_, path_))
        return;
    const bool held = held_;
    close();
    makePrivateFolder(QFileInfo(path_).absolutePath());
    if (held)
        holdIfFree();
#endif
}

LivenessLock::Holder LivenessLock::holder() {
    if (held_)
        return Holder::ThisObject;
    if (!open())
        return Holder::Unknown;
    switch (take(false)) {
    case Take::Taken:
        release();
        return Holder::Nobody;
    case Take::Busy:
        return Holder::Another;
    case Take::Failed:
        break;
    }
    return Holder::Unknown;
}

} // namespace kv
