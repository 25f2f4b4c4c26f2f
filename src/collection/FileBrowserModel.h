// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QDateTime>
#include <QFileSystemWatcher>
#include <QHash>
#include <QItemSelectionModel>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace kv {

class AskUser;

// A drive of the drive list: on Linux a mounted volume, shown by its mount point and label.
struct Drive {
    QString rootPath;
    QString name;
};

// Where the drive list comes from; tests give their own.
class DriveSource {
public:
    virtual ~DriveSource() = default;
    virtual QList<Drive> drives() const = 0;
};

// The volumes a user browses: the root, the home folder's volume, removable media and network
// mounts (on Windows the drive letters). System pseudo file systems are left out.
class MountedVolumes final : public DriveSource {
public:
    QList<Drive> drives() const override;
};

// The removable media and network mounts of a mount table (the format of /proc/self/mounts), by
// mount point; a local medium that cannot be examined is left out.
QList<Drive> RemovableAndNetworkDrives(const QByteArray& mountTable);

// The folder list, `Folder`: the open folder's ancestors from its drive's root down to the open
// folder itself, then its subfolders. List index -1 is the open folder, -2 its parent and so on
// up to the root; 0 and up are the subfolders. Rows of the model run from the root down.
class FolderListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { ListIndexRole = Qt::UserRole + 1, DepthRole, PathRole };

    explicit FolderListModel(QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Opens path under its ancestors up to top (the file system's root when empty): false
    // (nothing changes) when it is not a folder that can be read.
    bool setPath(const QString& path, const QString& top = QString());
    QString path() const { return path_; }
    // Reads the subfolders of the open folder again.
    void refresh();

    // The folder at a list index, or "" when the index names nothing.
    QString entryPath(int listIndex) const;
    int ListIndex() const { return listIndex_; }
    void setListIndex(int listIndex);
    int rowOfListIndex(int listIndex) const;
    int listIndexOfRow(int row) const;
    int ancestorCount() const { return static_cast<int>(ancestors_.size()); }
    int subfolderCount() const { return static_cast<int>(subfolders_.size()); }

Q_SIGNALS:
    void listIndexChanged(int listIndex);

private:
    // What a row shows: an ancestor's own name (the root's whole path), or a subfolder's name.
    QString rowText(int row) const;

    QStringList ancestors_;  // from the root to the open folder
    QStringList subfolders_; // names, in natural order
    QString path_;
    int listIndex_ = -1;
};

// The file list, `Files`: the pictures of one folder in natural order, with its own selection.
class FileListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit FileListModel(QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Shows the pictures of folder; false (the list then empty) when it cannot be read.
    bool setPath(const QString& folder);
    QString path() const { return path_; }
    // Reads the folder again, keeping the highlight and the focus on their files.
    void refresh();
    QString fileName(int row) const;
    int fileCount() const { return static_cast<int>(names_.size()); }
    // The focused row, or -1.
    int ListIndex() const;
    bool isSelected(int row) const;
    void setSelected(int row, bool selected);
    QItemSelectionModel* selectionModel() { return &selection_; }

private:
    QStringList readNames() const;
    // Shows `now` in place of the list, with the highlight and the focus on the files they had.
    void replaceNames(const QStringList& now);
    QStringList names_;
    QString path_;
    QItemSelectionModel selection_;
};

// The chain drive list → folder list → file list, with its recovery rules.
class FileBrowserModel final : public QObject {
    Q_OBJECT
public:
    FileBrowserModel(DriveSource& drives, AskUser* askUser, QObject* parent = nullptr);

    void setAskUser(AskUser* askUser) { askUser_ = askUser; }

    // Reads the drive list again, keeping the chosen drive where it still exists.
    void reloadDrives();
    QStringList driveTexts() const;
    const QList<Drive>& drives() const { return drives_; }
    int driveIndex() const { return driveIndex_; }
    // The last drive that opened, or -1 before any did.
    int lastGoodDrive() const { return lastGoodDrive_; }

    // Reads the drive list, opens the restored folder on its drive (or the home folder), then
    // raises Disk_Change once.
    void start(const QString& restoredDrive, const QString& restoredFolder);

    // The user chose a drive.
    void chooseDrive(int index);
    void Disk_Change();
    void SelectDriveIndex(int index);

    // Opens a folder in the folder list; the file list follows. False when it cannot be opened.
    bool openFolder(const QString& path);
    void Folder_Click();
    void Folder_KeyPress(int key);
    void Folder_MouseUp(Qt::MouseButton button);
    // Double-click on an entry of the folder list opens it.
    void Folder_DblClick();

    FolderListModel& folders() { return folders_; }
    FileListModel& files() { return files_; }
    QString folderPath() const { return folders_.path(); }

Q_SIGNALS:
    void driveIndexChanged(int index);
    void drivesChanged();
    // The open folder changed; the file list shows it.
    void folderChanged(const QString& path);
    // The user asked to open a folder that is there but cannot be read.
    void folderRefused(const QString& path);

private:
    // After changes in the open folder or its parent: reads it again, or leaves it when gone.
    void rereadOpenFolder();
    // Opens the nearest folder, from the open one up to the top of the folder list, that still
    // exists; false when none does.
    bool openNearestExisting();
    // Watches the open folder, and its parent, in place of what was watched.
    void watchOpenFolder();
    // Opens the folder at a list index, as Enter, Space or a double-click asks.
    void openEntry(int listIndex);
    bool openDrive(int index);
    // The listed drive whose root holds folder most closely, or -1.
    int driveHolding(const QString& folder) const;
    QString driveText(int index) const;
    QString messageDrive(int index) const;

    DriveSource& source_;
    AskUser* askUser_;
    QList<Drive> drives_;
    // The folder each drive was last showing, as the drive's current folder.
    QHash<QString, QString> driveFolders_;
    int driveIndex_ = -1;
    int lastGoodDrive_ = -1;
    // The drives that failed since the user's choice, each tried once.
    QSet<int> failedDrives_;
    FolderListModel folders_;
    FileListModel files_;
    QFileSystemWatcher watcher_;
    // The open folder's inode change time when it was last read: moving or replacing it changes
    // that, what happens beside it in its parent does not.
    QDateTime openStamp_;
    QTimer reread_;
};

} // namespace kv
