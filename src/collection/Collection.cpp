// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"

#include "common/LiteralToolTip.h"
#include "common/PictureCheck.h"
#include "common/VisibleControls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace kv {

Collection::Collection(QObject* parent) : QAbstractListModel(parent), selection_(this) {
    scanTimer_.setInterval(kScanIntervalMs);
    connect(&scanTimer_, &QTimer::timeout, this, &Collection::ImagesScanTimer_Timer);
    connect(&scanDecode_, &QFutureWatcher<bool>::finished, this, &Collection::takePoolVerdict);
}

int Collection::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant Collection::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Entry& entry = entries_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return WithVisibleControls(entry.name);
    case Qt::EditRole:
        return entry.name;
    case Qt::ToolTipRole:
        return LiteralToolTip(JoinPath(folders_.text(entry.folder), entry.name));
    case FullPathRole:
        return JoinPath(folders_.text(entry.folder), entry.name);
    // A screen reader hears the state the mark shows, after the name.
    case Qt::AccessibleTextRole:
        return tr("%1, %2").arg(entry.name, StateText(entry.state));
    case Qt::AccessibleDescriptionRole:
        return StateText(entry.state);
    case StateRole:
        return entry.state;
    case FolderRole:
        return folders_.text(entry.folder);
    default:
        return {};
    }
}

QString Collection::StateText(qint32 state) {
    switch (state) {
    case StateSkip:
        return tr("skipped");
    case StateMissing:
        return tr("missing");
    default:
        return tr("used");
    }
}

QHash<int, QByteArray> Collection::roleNames() const {
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(StateRole, "state");
    names.insert(FolderRole, "folder");
    names.insert(FullPathRole, "fullPath");
    return names;
}

qint32 Collection::Folders::intern(const QString& folder) {
    const auto known = numbers_.constFind(folder);
    if (known != numbers_.cend())
        return known.value();
    const auto number = static_cast<qint32>(texts_.size());
    texts_.append(folder);
    numbers_.insert(folder, number);
    return number;
}

QString Collection::ComparedForm(const QString& text) {
#ifdef Q_OS_WIN
    QString folded = QDir::fromNativeSeparators(text).toLower();
    // A folder stored with a separator at its end is the same folder; a drive's root keeps it.
    if (folded.size() > 3 && folded.endsWith(u'/'))
        folded.chop(1);
    return folded;
#else
    return text;
#endif
}

Collection::EntryKey Collection::duplicateKey(const QString& name, const QString& folder) const {
#ifdef Q_OS_WIN
    return {ComparedForm(name), foldedFolders_.find(ComparedForm(folder))};
#else
    return {name, folders_.find(folder)};
#endif
}

void Collection::forget(const Entry& entry) {
    const auto it = keys_.find(duplicateKey(entry.name, folders_.text(entry.folder)));
    if (it == keys_.end())
        return;
    if (--it.value() <= 0)
        keys_.erase(it);
}

bool Collection::AppendImage(const QString& name, const QString& folder, qint32 requested) {
    if (name.isEmpty() || isFull())
        return false;
    const int row = static_cast<int>(entries_.size());
    if (!loading_)
        beginInsertRows(QModelIndex(), row, row);
    // The placeholder steers SetImageState: a use request then tests the file, a toggle
    // request gives skip.
    const qint32 number = folders_.intern(folder);
    entries_.append({name, number, requested != 0 ? StateSkip : StateToggle});
#ifdef Q_OS_WIN
    ++keys_[{ComparedForm(name), foldedFolders_.intern(ComparedForm(folder))}];
#else
    ++keys_[{name, number}];
#endif
    if (!loading_)
        endInsertRows();
    SetImageState(row, requested);
    return true;
}

void Collection::beginLoad(qsizetype expected) {
    beginResetModel();
    loading_ = true;
    expected = qMin<qsizetype>(expected, kMaxEntries);
    entries_.reserve(entries_.size() + expected);
    keys_.reserve(keys_.size() + expected);
}

void Collection::endLoad() {
    loading_ = false;
    // A damaged count may have promised far more rows than came.
    if (entries_.capacity() > 2 * entries_.size()) {
        entries_.squeeze();
        keys_.squeeze();
    }
    endResetModel();
}

bool Collection::ContainsImage(const QString& name, const QString& folder) const {
    const EntryKey key = duplicateKey(name, folder);
    return key.folder >= 0 && keys_.contains(key);
}

bool Collection::AddImage(const QString& name, const QString& folder, qint32 requested) {
    if (name.isEmpty() || folder.isEmpty() || ContainsImage(name, folder))
        return false;
    return AppendImage(name, folder, requested);
}

void Collection::RemoveImage(qint32 index) {
    RemoveImages({index});
}

void Collection::followRemoval(qint32 row, qint32 count) {
    // Every row at or before the current one shifts it down, so the next sequential change
    // takes the entry that followed the removed one. Before row 0 comes, going round, the last
    // row: the current row 0 removed, the last one left becomes current.
    if (row <= currentIndex_ && currentIndex_ > 0)
        --currentIndex_;
    else if (row == 0 && currentIndex_ == 0 && count > 1)
        currentIndex_ = count - 2;
    if (!isScanning())
        return;
    // The rows not yet tested move up with the scan's place, so none is passed over.
    if (row < scanIndex_)
        --scanIndex_;
    if (scanIndex_ >= count - 1)
        scanIndex_ = count - 2;
}

void Collection::RemoveImages(QList<qint32> rows) {
    const auto count = static_cast<qint32>(entries_.size());
    rows.removeIf([count](qint32 row) { return row < 0 || row >= count; });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the last run up, so the rows still to go keep their numbers.
    for (qsizetype end = rows.size(); end > 0;) {
        qsizetype begin = end - 1;
        while (begin > 0 && rows.at(begin - 1) == rows.at(begin) - 1)
            --begin;
        const qint32 first = rows.at(begin), last = rows.at(end - 1);
        const auto size = static_cast<qint32>(entries_.size());
        for (qint32 row = last; row >= first; --row)
            followRemoval(row, size - (last - row));
        beginRemoveRows(QModelIndex(), first, last);
        for (qint32 row = first; row <= last; ++row)
            forget(entries_.at(row));
        entries_.remove(first, last - first + 1);
        endRemoveRows();
        end = begin;
    }
}

QString Collection::ImageFileName(qint32 index) const {
    if (index < 0 || index >= entries_.size())
        return {};
    return entries_.at(index).name;
}

QString Collection::ImagePath(qint32 index) const {
    if (index < 0 || index >= entries_.size())
        return {};
    return folders_.text(entries_.at(index).folder);
}

qint32 Collection::ImageFolderNumber(qint32 index) const {
    if (index < 0 || index >= entries_.size())
        return -1;
    return entries_.at(index).folder;
}

QString Collection::JoinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return name;
    const QChar last = folder.back();
#ifdef Q_OS_WIN
    // One kind of separator in what the user reads, whichever the folder was stored with.
    return QDir::toNativeSeparators(last == u'\\' || last == u'/' ? folder + name
                                                                  : folder + u'\\' + name);
#else
    if (last == u'/')
        return folder + name;
    return folder + u'/' + name;
#endif
}

QString Collection::ImageFullPath(qint32 index) const {
    if (index < 0 || index >= entries_.size())
        return {};
    const Entry& entry = entries_.at(index);
    return JoinPath(folders_.text(entry.folder), entry.name);
}

qint32 Collection::ImageState(qint32 index) const {
    if (index < 0 || index >= entries_.size())
        return 0;
    return entries_.at(index).state;
}

// A hand-edited entry without a whole folder names no file: a relative path would name one
// wherever the program was started.
bool Collection::FileExists(const QString& path) {
    if (path.isEmpty())
        return false;
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    return info.isAbsolute() && info.isFile() && !info.isHidden();
#else
    // The load tests every entry of the collection: one stat() each, without the work a
    // QFileInfo does to keep what it learnt. A name with a NUL in it names no file.
    if (!path.startsWith(u'/') || path.contains(QChar(u'\0')))
        return false;
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
#endif
}

void Collection::SetImageState(qint32 index, qint32 requested) {
    if (index < 0 || index >= entries_.size())
        return;
    requested = qBound(0, requested, 3);
    Entry& entry = entries_[index];
    const qint32 current = entry.state;
    qint32 state = requested;
    if (requested == StateToggle)
        state = current == StateSkip ? StateUse : StateSkip;
    if (state == StateUse && current > StateUse && !FileExists(ImageFullPath(index)))
        state = StateMissing;
    if (state == current)
        return;
    entry.state = state;
    if (loading_)
        return;
    // Only the changed row is redrawn.
    const QModelIndex changed = this->index(index);
    Q_EMIT dataChanged(changed, changed, {StateRole});
}

void Collection::SetSelectedState(qint32 requested) {
    for (const qint32 row : SelectedRows())
        SetImageState(row, requested);
}

QList<qint32> Collection::SelectedRows() const {
    QList<qint32> rows;
    for (const QItemSelectionRange& range : selection_.selection()) {
        for (qint32 row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void Collection::SelectOnly(qint32 row) {
    if (row < 0 || row >= entries_.size())
        return;
    const QModelIndex target = index(row);
    selection_.setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
}

void Collection::ScanFrom(qint32 first) {
    if (isScanning()) {
        scanTimer_.stop();
        if (scanIndex_ > first)
            scanIndex_ = first;
    } else {
        scanIndex_ = first;
    }
    scanTimer_.start();
}

bool Collection::scanReachedEnd() {
    if (scanIndex_ < 0)
        scanIndex_ = 0;
    if (scanIndex_ < entries_.size())
        return false;
    scanTimer_.stop();
    Q_EMIT scanFinished();
    return true;
}

void Collection::takeScanVerdict(PictureVerdict verdict) {
    // A file that could not be read (a medium's read error) may be a good picture: only one
    // whose content is no picture, or that is gone, leaves.
    if (verdict == PictureVerdict::NotAPicture)
        RemoveImage(scanIndex_);
    else
        ++scanIndex_;
}

void Collection::ImagesScanTimer_Timer() {
    // Ticks that come while a picture decodes wait for its verdict. The test is the one a
    // wallpaper change makes, at the reduced size: it rejects the same files as a full decode
    // in a fraction of the time.
    if (scanDecoding_ || scanReachedEnd())
        return;
    scanDecoding_ = true;
    scanPath_ = ImageFullPath(scanIndex_);
    scanDecode_.setFuture(
        QtConcurrent::run([path = scanPath_] { return JudgePicture(path, DecodeSize::Reduced); }));
}

void Collection::takePoolVerdict() {
    scanDecoding_ = false;
    // The list may have changed or the scan stopped while the picture decoded: a verdict counts
    // only for the row it was made for, and that row is tested again otherwise.
    if (isScanning() && scanIndex_ >= 0 && scanIndex_ < entries_.size() &&
        ImageFullPath(scanIndex_) == scanPath_)
        takeScanVerdict(scanDecode_.result());
}

} // namespace kv
