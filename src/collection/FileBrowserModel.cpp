// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/FileBrowserModel.h"

#include "collection/NaturalOrder.h"
#include "common/AskUser.h"
#include "common/LiteralToolTip.h"
#include "common/VisibleControls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelection>
#include <QSet>
#include <QSignalBlocker>
#include <QStorageInfo>

#include <algorithm>

namespace kv {
namespace {

constexpr int kRereadDelayMs = 250;
// Each run of rows that leaves or arrives moves the selection's ranges and the view's rows one
// by one: a large folder thinned out by another program gave thousands, which took minutes.
// Past this many the list is read anew and its highlight put back in one step.
constexpr qsizetype kMostRowRuns = 32;

// The runs of names that `kept` does not hold.
qsizetype runsOutside(const QStringList& names, const QSet<QString>& kept) {
    qsizetype runs = 0;
    for (qsizetype i = 0; i < names.size(); ++i)
        if (!kept.contains(names.at(i)) && (i == 0 || kept.contains(names.at(i - 1))))
            ++runs;
    return runs;
}

bool isNetworkType(const QByteArray& type) {
    static const QByteArrayList listed =
        QByteArray("nfs nfs4 cifs smb3 smbfs sshfs fuse.sshfs afs 9p davfs fuse.davfs ceph "
                   "glusterfs fuse.glusterfs fuse.rclone fuse.s3fs fuse.curlftpfs")
            .split(' ');
    return listed.contains(type);
}

// A mount that is not asked anything: a network share, a program's file system (FUSE, over
// anything from a cloud to a network), or an automount's trigger, which asked would mount what it
// stands for. A local disk's FUSE driver (fuseblk) answers as the disk does.
bool isLeftUnasked(const QByteArray& type) {
    return isNetworkType(type) || type == "autofs" || type == "fuse" || type.startsWith("fuse.");
}

bool isRemovablePlace(const QString& root) {
    return root.startsWith(QLatin1String("/media/")) ||
           root.startsWith(QLatin1String("/run/media/")) ||
           root.startsWith(QLatin1String("/mnt/")) || root == QLatin1String("/mnt");
}

// The mount table writes a space, tab, line end or backslash of a path as three octal digits.
QString unescapedMountField(const QByteArray& field) {
    const auto octal = [&field](qsizetype i) {
        return field[i] >= '0' && field[i] <= '7';
    };
    QByteArray bytes;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) &&
            octal(i + 3)) {
            bytes +=
                char((field[i + 1] - '0') << 6 | (field[i + 2] - '0') << 3 | (field[i + 3] - '0'));
            i += 3;
        } else {
            bytes += field[i];
        }
    }
    return QFile::decodeName(bytes);
}

// A folder the lists can show: it exists and its entries can be read.
bool isOpenableFolder(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.isDir() && QDir(path).isReadable();
}

// The supported pictures, by suffix in any case.
bool isPictureName(const QString& name) {
    for (const QLatin1String suffix :
         {QLatin1String(".jpg"), QLatin1String(".jpeg"), QLatin1String(".bmp"),
          QLatin1String(".gif"), QLatin1String(".png")}) {
        if (name.endsWith(suffix, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString withSlash(const QString& path) {
    return path.endsWith(u'/') ? path : path + u'/';
}

// Whether folder is root or lies below it.
bool isWithin(const QString& folder, const QString& root) {
    return withSlash(folder).startsWith(withSlash(root));
}

// From top (the file system's root when empty) down to path.
QStringList ancestorsOf(const QString& path, const QString& top) {
    QStringList chain;
    QDir dir(path);
    chain.prepend(dir.absolutePath());
    // cdUp stops at the root, so a symbolic-link loop cannot make this run on: the path text
    // only gets shorter.
    while (!dir.isRoot() && withSlash(dir.absolutePath()) != withSlash(top) && dir.cdUp())
        chain.prepend(dir.absolutePath());
    return chain;
}

} // namespace

QList<Drive> MountedVolumes::drives() const {
    QList<Drive> found;
#ifdef Q_OS_WIN
    for (const QFileInfo& drive : QDir::drives())
        found.append({QDir::toNativeSeparators(drive.absoluteFilePath()).left(2), QString()});
    return found;
#else
    QSet<QString> roots;
    const auto add = [&](const Drive& drive) {
        if (!roots.contains(drive.rootPath)) {
            roots.insert(drive.rootPath);
            found.append(drive);
        }
    };
    for (const QStorageInfo& volume : {QStorageInfo::root(), QStorageInfo(QDir::homePath())})
        if (volume.isValid())
            add({volume.rootPath(), volume.name()});
    QFile table(QStringLiteral("/proc/self/mounts"));
    const QByteArray mounts = table.open(QIODevice::ReadOnly) ? table.readAll() : QByteArray();
    for (const Drive& drive : RemovableAndNetworkDrives(mounts))
        add(drive);
    return found;
#endif
}

QList<Drive> RemovableAndNetworkDrives(const QByteArray& mountTable) {
    QList<Drive> found;
    for (const QByteArray& line : mountTable.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 3)
            continue;
        const QString root = unescapedMountField(fields[1]);
        const bool network = isNetworkType(fields[2]);
        if (!network && !isRemovablePlace(root))
            continue;
        // Only a local medium is asked for its name: a mount that does not answer would hold the
        // window up at every start and every opening of the drive box, also one the user never
        // browses.
        QString name;
        if (!isLeftUnasked(fields[2])) {
            const QStorageInfo volume(root);
            if (!volume.isValid())
                continue;
            name = volume.name();
        }
        found.append({root, name});
    }
    std::sort(found.begin(), found.end(),
              [](const Drive& a, const Drive& b) { return a.rootPath < b.rootPath; });
    return found;
}

// ---- FolderListModel

FolderListModel::FolderListModel(QObject* parent) : QAbstractListModel(parent) {}

int FolderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ancestorCount() + subfolderCount();
}

QVariant FolderListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int row = index.row();
    const int listIndex = listIndexOfRow(row);
    switch (role) {
    case Qt::DisplayRole:
        return WithVisibleControls(rowText(row));
    case Qt::ToolTipRole:
        return LiteralToolTip(rowText(row));
    case ListIndexRole:
        return listIndex;
    case DepthRole:
        return row < ancestorCount() ? row : ancestorCount();
    case PathRole:
        return entryPath(listIndex);
    default:
        return {};
    }
}

QString FolderListModel::rowText(int row) const {
    if (row < ancestorCount()) {
        const QString name = QFileInfo(ancestors_.at(row)).fileName();
        return name.isEmpty() ? ancestors_.at(row) : name;
    }
    return subfolders_.at(row - ancestorCount());
}

int FolderListModel::rowOfListIndex(int listIndex) const {
    return listIndex < 0 ? ancestorCount() + listIndex : ancestorCount() + listIndex;
}

int FolderListModel::listIndexOfRow(int row) const {
    return row - ancestorCount();
}

QString FolderListModel::entryPath(int listIndex) const {
    if (listIndex < 0) {
        const int row = ancestorCount() + listIndex;
        return row >= 0 ? ancestors_.at(row) : QString();
    }
    if (listIndex >= subfolderCount())
        return {};
    return QDir(path_).filePath(subfolders_.at(listIndex));
}

void FolderListModel::setListIndex(int listIndex) {
    const int row = rowOfListIndex(listIndex);
    if (row < 0 || row >= rowCount() || listIndex == listIndex_)
        return;
    listIndex_ = listIndex;
    Q_EMIT listIndexChanged(listIndex_);
}

bool FolderListModel::setPath(const QString& path, const QString& top) {
    if (!isOpenableFolder(path))
        return false;
    beginResetModel();
    path_ = QDir(path).absolutePath();
    ancestors_ = ancestorsOf(path_, top);
    subfolders_.clear();
    listIndex_ = -1;
    endResetModel();
    refresh();
    Q_EMIT listIndexChanged(listIndex_);
    return true;
}

void FolderListModel::refresh() {
    // The highlight stays with its folder, not its row: with a folder above it gone, the row
    // would hand the highlight to the next folder.
    const QString highlighted = listIndex_ >= 0 ? subfolders_.value(listIndex_) : QString();
    QStringList now;
    if (!path_.isEmpty()) {
        // A folder that vanished or cannot be read lists no subfolders.
        now = QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
        SortNaturally(now);
    }
    // Unchanged, the list keeps where the user scrolled it.
    if (now == subfolders_)
        return;
    beginResetModel();
    subfolders_ = now;
    if (listIndex_ >= 0)
        listIndex_ = static_cast<int>(subfolders_.indexOf(highlighted));
    endResetModel();
}

// ---- FileListModel

FileListModel::FileListModel(QObject* parent) : QAbstractListModel(parent), selection_(this) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : fileCount();
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole)
        return WithVisibleControls(names_.at(index.row()));
    if (role == Qt::ToolTipRole)
        return LiteralToolTip(names_.at(index.row()));
    return {};
}

bool FileListModel::setPath(const QString& folder) {
    path_ = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
    beginResetModel();
    names_ = readNames();
    endResetModel();
    return isOpenableFolder(path_);
}

QStringList FileListModel::readNames() const {
    QStringList names;
    if (path_.isEmpty())
        return names;
    // Suffixes compared without regard to case, so a camera's IMG_0001.JPG shows. Name
    // patterns would do the same through a regular expression engine loaded for it alone.
    const QStringList all = QDir(path_).entryList(QDir::Files, QDir::NoSort);
    for (const QString& name : all) {
        if (isPictureName(name))
            names.append(name);
    }
    SortNaturally(names);
    return names;
}

void FileListModel::refresh() {
    const QStringList now = readNames();
    // Rows leave and arrive in runs rather than by a reset, so the selection keeps its files
    // and the focus its file. A focused file that left takes the focus with it: the focus handed
    // to a neighbour would preview that file unasked.
    const QSet<QString> staying(now.cbegin(), now.cend());
    if (runsOutside(names_, staying) +
            runsOutside(now, QSet<QString>(names_.cbegin(), names_.cend())) >
        kMostRowRuns) {
        replaceNames(now);
        return;
    }
    for (qsizetype last = names_.size() - 1; last >= 0; --last) {
        if (staying.contains(names_.at(last)))
            continue;
        qsizetype first = last;
        while (first > 0 && !staying.contains(names_.at(first - 1)))
            --first;
        const int focused = ListIndex();
        if (focused >= first && focused <= last)
            selection_.setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        beginRemoveRows({}, int(first), int(last));
        names_.remove(first, last - first + 1);
        endRemoveRows();
        last = first;
    }
    // What is left is in the order of the new list; the new names go into its gaps.
    for (qsizetype at = 0; at < now.size(); ++at) {
        if (at < names_.size() && names_.at(at) == now.at(at))
            continue;
        qsizetype end = at;
        while (end < now.size() && (at >= names_.size() || now.at(end) != names_.at(at)))
            ++end;
        beginInsertRows({}, int(at), int(end - 1));
        for (qsizetype i = at; i < end; ++i)
            names_.insert(i, now.at(i));
        endInsertRows();
        at = end - 1;
    }
    // Names the sort left in another order among themselves: read the list anew.
    if (names_ != now)
        replaceNames(now);
}

void FileListModel::replaceNames(const QStringList& now) {
    QSet<QString> highlighted;
    for (const QModelIndex& row : selection_.selectedRows())
        highlighted.insert(names_.at(row.row()));
    const QString focused = fileName(ListIndex());
    beginResetModel();
    names_ = now;
    endResetModel();
    QItemSelection kept;
    for (qsizetype row = 0; row < names_.size(); ++row) {
        if (!highlighted.contains(names_.at(row)))
            continue;
        const qsizetype first = row;
        while (row + 1 < names_.size() && highlighted.contains(names_.at(row + 1)))
            ++row;
        kept.select(index(int(first)), index(int(row)));
    }
    selection_.select(kept, QItemSelectionModel::Select);
    // The focus stays on its file, unless it left: no click on it.
    const qsizetype at = focused.isEmpty() ? -1 : names_.indexOf(focused);
    if (at >= 0) {
        const QSignalBlocker quiet(selection_);
        selection_.setCurrentIndex(index(int(at)), QItemSelectionModel::NoUpdate);
    }
}

QString FileListModel::fileName(int row) const {
    return row >= 0 && row < names_.size() ? names_.at(row) : QString();
}

int FileListModel::ListIndex() const {
    const QModelIndex current = selection_.currentIndex();
    return current.isValid() ? current.row() : -1;
}

bool FileListModel::isSelected(int row) const {
    return row >= 0 && row < names_.size() && selection_.isRowSelected(row);
}

void FileListModel::setSelected(int row, bool selected) {
    if (row < 0 || row >= names_.size())
        return;
    selection_.select(index(row),
                      selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

// ---- FileBrowserModel

FileBrowserModel::FileBrowserModel(DriveSource& drives, AskUser* askUser, QObject* parent)
    : QObject(parent), source_(drives), askUser_(askUser) {
    // The program stays resident for days: pictures saved into the open folder show, and
    // deleted ones leave, without the user going away and back. A burst of changes, as a copy
    // of many files makes, is read once the delay after its first change has passed.
    reread_.setSingleShot(true);
    reread_.setInterval(kRereadDelayMs);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &reread_,
            [this](const QString& path) {
                // The parent is watched only to see the open folder leave: a file saved beside
                // it is no reason to list it again.
                const QString open = folders_.path();
                if (path != open && QFileInfo(open).metadataChangeTime() == openStamp_)
                    return;
                if (!reread_.isActive())
                    reread_.start();
            });
    connect(&reread_, &QTimer::timeout, this, &FileBrowserModel::rereadOpenFolder);
}

void FileBrowserModel::rereadOpenFolder() {
    const QString open = folders_.path();
    if (QFileInfo(open).isDir()) {
        // Set anew before the lists are read, so that no change falls between: a watch ends
        // with its folder's deletion, and follows a folder renamed away, so a folder made anew
        // or another renamed in within the delay would no longer be followed.
        watchOpenFolder();
        folders_.refresh();
        files_.refresh();
        return;
    }
    // Deleted, renamed away or unmounted: the lists would show a place that is not there, and
    // the folder saved at exit would be one the next start cannot open.
    if (openNearestExisting())
        return;
    // Nothing is left of the drive either.
    failedDrives_.clear();
    Disk_Change();
}

void FileBrowserModel::reloadDrives() {
    const QString chosen = driveIndex_ >= 0 && driveIndex_ < drives_.size()
                               ? drives_.at(driveIndex_).rootPath
                               : QString();
    const QString good = lastGoodDrive_ >= 0 && lastGoodDrive_ < drives_.size()
                             ? drives_.at(lastGoodDrive_).rootPath
                             : QString();
    drives_ = source_.drives();
    driveIndex_ = -1;
    lastGoodDrive_ = -1;
    failedDrives_.clear();
    for (int i = 0; i < drives_.size(); ++i) {
        if (drives_.at(i).rootPath == chosen)
            driveIndex_ = i;
        if (drives_.at(i).rootPath == good)
            lastGoodDrive_ = i;
    }
    Q_EMIT drivesChanged();
    Q_EMIT driveIndexChanged(driveIndex_);
}

QString FileBrowserModel::driveText(int index) const {
    if (index < 0 || index >= drives_.size())
        return {};
    const Drive& drive = drives_.at(index);
    if (drive.name.isEmpty() || drive.name == drive.rootPath)
        return drive.rootPath;
    return drive.rootPath + QStringLiteral("  [") + drive.name + u']';
}

QStringList FileBrowserModel::driveTexts() const {
    QStringList texts;
    for (int i = 0; i < drives_.size(); ++i)
        texts.append(driveText(i));
    return texts;
}

QString FileBrowserModel::messageDrive(int index) const {
    if (index < 0 || index >= drives_.size())
        return {};
#ifdef Q_OS_WIN
    return drives_.at(index).rootPath.toUpper();
#else
    // Mount points are case-sensitive: upper-casing would name another place.
    return drives_.at(index).rootPath;
#endif
}

int FileBrowserModel::driveHolding(const QString& folder) const {
    int found = -1;
    qsizetype longest = -1;
    for (int i = 0; i < drives_.size(); ++i) {
        const QString& root = drives_.at(i).rootPath;
        if (isWithin(folder, root) && root.size() > longest) {
            longest = root.size();
            found = i;
        }
    }
    return found;
}

void FileBrowserModel::start(const QString& restoredDrive, const QString& restoredFolder) {
    // Read here, not before: a logon start keeps the browser waiting, and its change of wallpaper
    // need not wait for the mounted volumes (a network volume may not answer at all).
    drives_ = source_.drives();
    Q_EMIT drivesChanged();
    QString folder = restoredFolder;
    int index = -1;
    for (int i = 0; i < drives_.size() && !restoredDrive.isEmpty(); ++i) {
        if (drives_.at(i).rootPath == restoredDrive)
            index = i;
    }
    // A folder on a volume the list leaves out opens on the listed drive that holds it.
    if (index < 0 && !folder.isEmpty())
        index = driveHolding(folder);
    if (index < 0) {
        // No usable saved folder: start at the home folder.
        folder = QDir::homePath();
        index = driveHolding(folder);
    }
    if (index < 0 && !drives_.isEmpty()) {
        index = 0;
        folder.clear();
    }
    if (index < 0)
        return;
    if (!folder.isEmpty())
        driveFolders_.insert(drives_.at(index).rootPath, folder);
    chooseDrive(index);
}

void FileBrowserModel::chooseDrive(int index) {
    // The drive shown, chosen again, changes nothing: opened again, its lists would lose the
    // files the user highlighted.
    if (index == driveIndex_ && index == lastGoodDrive_ && QFileInfo(folders_.path()).isDir())
        return;
    failedDrives_.clear();
    SelectDriveIndex(index);
}

void FileBrowserModel::SelectDriveIndex(int index) {
    if (drives_.isEmpty())
        return;
    if (index < 0 || index >= drives_.size())
        index = 0;
    driveIndex_ = index;
    Q_EMIT driveIndexChanged(driveIndex_);
    Disk_Change();
}

bool FileBrowserModel::openDrive(int index) {
    if (index < 0 || index >= drives_.size())
        return false;
    const QString root = drives_.at(index).rootPath;
    const QStorageInfo volume(root);
    if (!volume.isValid() || !volume.isReady() || !isOpenableFolder(root))
        return false;
    // The drive opens at the folder it was showing last, or the nearest folder above it.
    QString folder = driveFolders_.value(root, root);
    while (!isOpenableFolder(folder) && folder != root && !folder.isEmpty()) {
        const QString up = QFileInfo(folder).path();
        folder = up == folder ? root : up;
    }
    return openFolder(folder);
}

void FileBrowserModel::Disk_Change() {
    const int index = driveIndex_;
    if (openDrive(index)) {
        lastGoodDrive_ = index;
        failedDrives_.clear();
        return;
    }
    if (askUser_)
        askUser_->ask(MessageKind::Browser,
                      tr("Unable to select disk drive %1 !").arg(messageDrive(index)));
    // Each drive is tried once at most: when none opens, the lists stay as they are.
    failedDrives_.insert(index);
    if (failedDrives_.size() >= drives_.size())
        return;
    // Back to the last drive that opened; when there is none, or it failed as well, on to the
    // next one not tried yet.
    if (lastGoodDrive_ >= 0 && !failedDrives_.contains(lastGoodDrive_)) {
        SelectDriveIndex(lastGoodDrive_);
        return;
    }
    int next = index;
    do
        next = (next + 1) % int(drives_.size());
    while (failedDrives_.contains(next));
    SelectDriveIndex(next);
}

bool FileBrowserModel::openFolder(const QString& path) {
    const QString root =
        driveIndex_ >= 0 && driveIndex_ < drives_.size() ? drives_.at(driveIndex_).rootPath : "";
    // The folder list climbs no higher than the chosen drive's root: above it the drive list
    // would name a drive that is not shown, and the drive would remember a folder not its own.
    const bool onDrive = !root.isEmpty() && isWithin(QDir(path).absolutePath(), root);
    if (!folders_.setPath(path, onDrive ? root : QString()))
        return false;
    if (onDrive)
        driveFolders_.insert(root, folders_.path());
    // Folder_Change: the file list follows; a folder it cannot show leaves it empty.
    files_.setPath(folders_.path());
    reread_.stop();
    watchOpenFolder();
    Q_EMIT folderChanged(folders_.path());
    return true;
}

void FileBrowserModel::watchOpenFolder() {
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    // The folder's own watch reports changes within it, its deletion and its drive's
    // unmounting; only its parent sees it renamed away.
    const QString open = folders_.path();
    openStamp_ = QFileInfo(open).metadataChangeTime();
    const QString parent = QFileInfo(open).path();
    watcher_.addPaths(parent == open ? QStringList{open} : QStringList{open, parent});
}

void FileBrowserModel::Folder_Click() {
    const auto exists = [](const QString& entry) {
        return !entry.isEmpty() && QFileInfo(entry).isDir();
    };
    if (exists(folders_.entryPath(folders_.ListIndex())))
        return;
    // A subfolder that vanished leaves the highlight on the open folder, which stays open with
    // the files highlighted in it; a vanished ancestor took the open folder with it.
    folders_.refresh();
    if (!exists(folders_.entryPath(folders_.ListIndex())))
        openNearestExisting();
}

bool FileBrowserModel::openNearestExisting() {
    for (int k = -1; k >= -folders_.ancestorCount(); --k) {
        const QString entry = folders_.entryPath(k);
        if (QFileInfo(entry).isDir() && openFolder(entry))
            return true;
    }
    return false;
}

void FileBrowserModel::Folder_KeyPress(int key) {
    int target = 0;
    switch (key) {
    case 13:
    case 32:
        target = folders_.ListIndex();
        break;
    case 8:
        target = -2;
        break;
    default:
        return;
    }
    openEntry(target);
}

void FileBrowserModel::Folder_DblClick() {
    openEntry(folders_.ListIndex());
}

void FileBrowserModel::openEntry(int listIndex) {
    if (listIndex == -1)
        return;
    const QString entry = folders_.entryPath(listIndex);
    // A folder that vanished is the click's to mend; one that is there and will not open
    // would otherwise leave the user pressing the key again and again.
    if (!openFolder(entry) && QFileInfo(entry).isDir())
        Q_EMIT folderRefused(entry);
}

void FileBrowserModel::Folder_MouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton)
        folders_.refresh();
}

} // namespace kv
