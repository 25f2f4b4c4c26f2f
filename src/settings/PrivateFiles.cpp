// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PrivateFiles.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/file.h>
#include <sys/stat.h>

namespace kv {

void makePrivateFolder(const QString& folder) {
    if (QDir(folder).exists())
        return;
    QDir().mkpath(folder);
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

bool pathNamesOpenFile(int fd, const QString& path) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) != 0 || (::stat(QFile::encodeName(path).constData(), &named) == 0 &&
                                       open.st_dev == named.st_dev && open.st_ino == named.st_ino);
}

bool lockFile(int fd, int operation) {
    int rc = 0;
    do {
        rc = ::flock(fd, operation);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

} // namespace kv
