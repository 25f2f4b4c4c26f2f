// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SessionValuesStore.h"

#include "settings/PrivateFiles.h"
#include "settings/StoredText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {
namespace {

// The first line names the format and counts the bytes after it, so a file cut short by a full
// file system reads as damaged rather than as fewer values.
const QByteArray kHeader = QByteArrayLiteral("kestrovaline-session-values 1 ");
// A file larger than this was not written here; it is read as damaged, not held in memory.
constexpr qsizetype kLargestFile = 1 << 20;

QByteArray escaped(const QString& text) {
    QByteArray out;
    for (const char c : EncodeStoredText(text)) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::optional<QString> unescaped(const QByteArray& field) {
    if (!field.contains('\\'))
        return DecodeStoredText(field);
    QByteArray bytes;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) != '\\') {
            bytes += field.at(i);
            continue;
        }
        const char next = ++i < field.size() ? field.at(i) : '\0';
        if (next == '\\')
            bytes += '\\';
        else if (next == 't')
            bytes += '\t';
        else if (next == 'n')
            bytes += '\n';
        else
            return std::nullopt;
    }
    return DecodeStoredText(bytes);
}

// The file at `path`, made if need be. Something else in its place (a pipe, a device) would
// take writes that no other copy ever reads: the caller keeps the values elsewhere then.
int openValuesFile(const QString& path) {
    makePrivateFolder(QFileInfo(path).absolutePath());
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
    struct stat status {};
    if (fd >= 0 && (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::unique_ptr<SessionValuesStore> SessionValuesStore::open(const QString& path) {
    const int fd = openValuesFile(path);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<SessionValuesStore>(new SessionValuesStore(fd, path));
}

SessionValuesStore::SessionValuesStore(int fd, QString path) : fd_(fd), path_(std::move(path)) {}

SessionValuesStore::~SessionValuesStore() {
    ::close(fd_);
}

bool SessionValuesStore::lock(int operation) {
    return lockFile(fd_, operation);
}

void SessionValuesStore::unlock() {
    ::flock(fd_, LOCK_UN);
}

void SessionValuesStore::load() {
    values_.clear();
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::pread(fd_, buffer, sizeof buffer, bytes.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got > 0)
            bytes.append(buffer, got);
        if (got < qsizetype(sizeof buffer) || bytes.size() > kLargestFile)
            break;
    }
    // Unknown when the read stopped short: the next save then cuts the file to its own length.
    fileSize_ = bytes.size() > kLargestFile ? -1 : bytes.size();
    const qsizetype headerEnd = bytes.indexOf('\n');
    if (headerEnd < 0 || !bytes.startsWith(kHeader))
        return;
    bool counted = false;
    const qsizetype bodySize =
        bytes.mid(kHeader.size(), headerEnd - kHeader.size()).toLongLong(&counted);
    if (!counted || bodySize != bytes.size() - headerEnd - 1)
        return;
    QList<Value> values;
    for (const QByteArray& line : bytes.sliced(headerEnd + 1).split('\n')) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.split('\t');
        const auto key = unescaped(fields.value(0));
        const auto name = unescaped(fields.value(1));
        const auto text = unescaped(fields.value(2));
        if (fields.size() != 3 || !key || !name || !text)
            return;
        values.append({*key, *name, *text});
    }
    values_ = std::move(values);
}

bool SessionValuesStore::save() {
    QByteArray body;
    for (const Value& value : std::as_const(values_))
        body += escaped(value.key) + '\t' + escaped(value.name) + '\t' + escaped(value.text) + '\n';
    const QByteArray file = kHeader + QByteArray::number(body.size()) + '\n' + body;
    qsizetype written = 0;
    while (written < file.size()) {
        const ssize_t wrote =
            ::pwrite(fd_, file.constData() + written, size_t(file.size() - written), written);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            // Whatever part went out no longer matches the header's count: the file reads as
            // damaged until the next save, never as a mix of old and new values.
            fileSize_ = -1;
            return failed(wrote < 0 ? errno : ENOSPC);
        }
        written += wrote;
    }
    if ((fileSize_ < 0 || fileSize_ > file.size()) && ::ftruncate(fd_, file.size()) != 0)
        fileSize_ = -1;
    else
        fileSize_ = file.size();
    return true;
}

const SessionValuesStore::Value* SessionValuesStore::find(const QString& key,
                                                          const QString& name) const {
    for (const Value& value : values_) {
        if (value.name.compare(name, Qt::CaseInsensitive) == 0 &&
            value.key.compare(key, Qt::CaseInsensitive) == 0)
            return &value;
    }
    return nullptr;
}

void SessionValuesStore::put(const QString& key, const QString& name, const QString& text) {
    const Value* found = find(key, name);
    if (found && found->text == text)
        return;
    changed_ = true;
    if (found) {
        const qsizetype at = found - values_.constData();
        if (text.isEmpty())
            values_.removeAt(at);
        else
            values_[at].text = text;
    } else if (!text.isEmpty()) {
        values_.append({key, name, text});
    }
}

bool SessionValuesStore::refresh() {
    if (updating_)
        return true;
    if (!lock(LOCK_SH))
        return false;
    load();
    unlock();
    return true;
}

QString SessionValuesStore::readText(const QString& key, const QString& name) {
    if (!refresh())
        return {};
    const Value* found = find(key, name);
    return found ? found->text : QString();
}

bool SessionValuesStore::writeText(const QString& key, const QString& name, const QString& text) {
    return writeAll(key, {{name, text}});
}

bool SessionValuesStore::writeAll(const QString& key, const QList<SettingValue>& values) {
    const bool standalone = !updating_;
    if (standalone && !beginUpdate())
        return false;
    for (const SettingValue& value : values)
        put(key, value.name, value.text);
    return !standalone || finishUpdate();
}

bool SessionValuesStore::readAll(const QString& key, const TakeValue& take) {
    if (!refresh())
        return false;
    for (const Value& value : std::as_const(values_)) {
        if (value.key.compare(key, Qt::CaseInsensitive) == 0)
            take(value.name, value.text);
    }
    return true;
}

void SessionValuesStore::followPath() {
    if (pathNamesOpenFile(fd_, path_))
        return;
    const int fd = openValuesFile(path_);
    if (fd < 0)
        return;
    ::close(fd_);
    fd_ = fd;
}

bool SessionValuesStore::beginUpdate() {
    if (updating_)
        return false;
    followPath();
    if (!lock(LOCK_EX)) {
        failed(errno);
        return false;
    }
    load();
    updating_ = true;
    changed_ = false;
    return true;
}

void SessionValuesStore::endUpdate() {
    if (updating_)
        finishUpdate();
}

bool SessionValuesStore::finishUpdate() {
    const bool saved = !changed_ || save();
    updating_ = false;
    unlock();
    return saved;
}

bool SessionValuesStore::failed(int error) {
    lastError_ =
        QCoreApplication::translate("kv::SessionValuesStore",
                                    "The session's store %1 refused it: %2")
            .arg(QDir::toNativeSeparators(path_), QString::fromLocal8Bit(std::strerror(error)));
    return false;
}

} // namespace kv
