// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QComboBox;
class QListView;

namespace kv {

// The file browser from which pictures are added to the collection: the picture files of the
// open folder (`Files`), the drive list (`Disk`) and the folder list (`Folder`). The lists start
// empty; the browser logic fills them and follows the user's choices.
class BrowserPanel final : public QWidget {
    Q_OBJECT
public:
    explicit BrowserPanel(QWidget* parent = nullptr);

    // Puts the working lists in place of the placeholders, which are deleted.
    void setLists(QComboBox* disk, QListView* folder, QListView* files);

    QListView* files() const { return files_; }
    QComboBox* disk() const { return disk_; }
    QListView* folder() const { return folder_; }

private:
    QListView* files_;
    QComboBox* disk_;
    QListView* folder_;
};

} // namespace kv
