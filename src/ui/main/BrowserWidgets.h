// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QImage>
#include <QListView>
#include <QWidget>

class QLabel;
class QLineEdit;

namespace kv {

class CollectionCommands;
class FileBrowserModel;
class Previews;

// The drive list, `Disk`: the mounted volumes by mount point and label.
class DriveBox final : public QComboBox {
    Q_OBJECT
public:
    DriveBox(FileBrowserModel& browser, QWidget* parent = nullptr);
    // Opening the list reads the volumes again: media come and go.
    void showPopup() override;

private:
    void fill();
    FileBrowserModel& browser_;
};

// The folder list, `Folder`: the open folder under its ancestors, its subfolders below it. A
// double-click, Enter or Space opens the highlighted folder, Backspace the parent; the right
// button reads the list again.
class FolderView final : public QListView {
    Q_OBJECT
public:
    FolderView(FileBrowserModel& browser, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void showListIndex();
    FileBrowserModel& browser_;
    QString pressedPath_;
};

// The file list, `Files`: the pictures of the open folder, several highlighted with Shift and
// Ctrl; a click previews the file.
class FilesView final : public QListView {
    Q_OBJECT
public:
    FilesView(FileBrowserModel& browser, Previews& previews, QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Runs the list's own handling, then previews when it moved the focus.
    template <typename Handle> void previewAfter(Handle handle);
    Previews& previews_;
    int focusedBeforePress_ = -1;
};

// Shows the previews in the picture label `ImagePreview` and the error label `ImageErr` over its
// lower part: the error speaks only while no picture is shown. Pictures are decoded to fit the
// label's inside in device pixels, keeping their aspect.
void BindPreviewPicture(QLabel* imagePreview, QLabel* imageErr, Previews& previews);

// Makes a one-line box read-only and keeps it showing what the previews say: the previewed
// name (`ImagePreviewName`) or the selected entry's path (`ImagePathText`).
void BindPreviewName(QLineEdit* box, Previews& previews);
void BindPathText(QLineEdit* box, Previews& previews);

// The collection list's own events that reach the commands and the preview: a click on the
// focused row previews it again, a double-click toggles it, Delete deletes and Space toggles the
// focused row (the press is held back from the list's type-ahead search).
void HookCollectionList(QListView* imageName, CollectionCommands& commands, Previews& previews);

} // namespace kv
