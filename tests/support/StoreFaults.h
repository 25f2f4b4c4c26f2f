// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>
#include <sys/mount.h>

namespace kv::test {

// Another program holding the settings store locked, as a backup or a second tool may: for
// writing only, or (whole) for reading too. Users link SQLite themselves.
class StoreLock {
public:
    StoreLock(const QString& path, bool whole) {
        sqlite3_open(path.toUtf8().constData(), &db_);
        if (whole)
            sqlite3_exec(db_, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr);
        sqlite3_exec(db_, "BEGIN IMMEDIATE; INSERT OR REPLACE INTO settings VALUES('l', 'l', 'l')",
                     nullptr, nullptr, nullptr);
    }
    ~StoreLock() { sqlite3_close_v2(db_); }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    sqlite3* db_ = nullptr;
};

// A small file system of its own over a folder (mounting it needs root), filled up on demand
// as a full disk is.
class SmallDisk {
public:
    explicit SmallDisk(const QString& folder) : filler_(folder + QStringLiteral("/filler")) {
        QDir().mkpath(folder);
        mounted_ = ::mount("tmpfs", folder.toLocal8Bit().constData(), "tmpfs", 0, "size=1m") == 0;
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount2(QFileInfo(filler_).path().toLocal8Bit().constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }
    void fill() const {
        QFile filler(filler_);
        const QByteArray block(4096, 'x');
        if (filler.open(QIODevice::WriteOnly))
            while (filler.write(block) == block.size() && filler.flush()) {
            }
    }
    void drain() const { QFile::remove(filler_); }
    bool setReadOnly(bool readOnly) const {
        const QByteArray folder = QFile::encodeName(QFileInfo(filler_).path());
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount(nullptr, folder.constData(), nullptr, flags, nullptr) == 0;
    }

private:
    QString filler_;
    bool mounted_ = false;
};

// Whether the store file is gone or was put aside as damaged.
inline bool movedAside(const QString& storePath) {
    const QFileInfo store(storePath);
    return !store.exists() || !QDir(store.absolutePath())
                                   .entryList({store.fileName() + QStringLiteral(".damaged-*")})
                                   .isEmpty();
}

} // namespace kv::test
