// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/file.h>
#include <sys/stat.h>

namespace kv {

void makePrivateFolder(const QString& folder) {
    if (QDir(folder).exists())
        return;
    // Made private from the start, the folders above too: a runtime folder the session did not
    // make would otherwise be open to every user, and a folder made open and closed after is
    // open in between.
    const QString parent = QFileInfo(folder).absolutePath();
    if (parent != folder)
        makePrivateFolder(parent);
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
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
