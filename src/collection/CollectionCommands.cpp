// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/CollectionCommands.h"

#include "collection/Collection.h"
#include "collection/FileBrowserModel.h"
#include "collection/Previews.h"
#include "common/AskUser.h"
#include "common/VisibleControls.h"
#include "settings/Numbers.h"

#include <QPersistentModelIndex>

#include <utility>

namespace kv {

CollectionCommands::CollectionCommands(Collection& collection, FileListModel& files,
                                       Previews& previews, AskUser* askUser, QObject* parent)
    : QObject(parent), collection_(collection), files_(files), previews_(previews),
      askUser_(askUser) {
    connect(&collection_, &Collection::scanFinished, this, [this] { setClearEnabled(true); });
}

void CollectionCommands::setClearEnabled(bool enabled) {
    if (clearEnabled_ == enabled)
        return;
    clearEnabled_ = enabled;
    Q_EMIT clearEnabledChanged(enabled);
}

QString CollectionCommands::CollectionFullText() {
    return tr("The wallpaper collection is full: it holds at most %1 image files. The highlighted "
              "files were not added!")
        .arg(NumberText(Collection::kMaxEntries));
}

void CollectionCommands::ImageAdd_Click() {
    const int first = collection_.rowCount();
    const QString folder = files_.path();
    bool full = false;
    collection_.setPreviewEnabled(false);
    for (int row = 0; row < files_.fileCount(); ++row) {
        if (!files_.isSelected(row))
            continue;
        const QString name = files_.fileName(row);
        // The files the limit keeps out stay highlighted, so that none of them looks added and
        // the user can add them again once there is room.
        if (collection_.isFull() && !collection_.ContainsImage(name, folder)) {
            full = true;
            break;
        }
        collection_.AddImage(name, folder, StateUse);
        // Files already in the collection lose their highlight too.
        files_.setSelected(row, false);
    }
    collection_.setPreviewEnabled(true);
    // Only the new rows are scanned: a file added but not a picture leaves again.
    if (collection_.rowCount() > first)
        collection_.ScanFrom(first);
    if (full && askUser_)
        askUser_->ask(MessageKind::CollectionFull, CollectionFullText());
}

void CollectionCommands::UseImage_Click() {
    Q_EMIT imageNameFocusWanted();
    collection_.SetSelectedState(StateUse);
}

void CollectionCommands::SkipImage_Click() {
    Q_EMIT imageNameFocusWanted();
    collection_.SetSelectedState(StateSkip);
}

QString CollectionCommands::DeleteQuestion(int count) {
    if (count == 1)
        return tr("Are you sure to delete selected file from wallpaper collection ?");
    return tr("Are you sure to delete %1 items from wallpaper collection ?").arg(NumberText(count));
}

void CollectionCommands::DelImage_Click() {
    QItemSelectionModel* selection = collection_.selectionModel();
    // The question's dialog lets timers run: a change may select its own entry and the scan may
    // remove one before the answer comes. What goes is what the user chose.
    QList<QPersistentModelIndex> chosen;
    for (const qint32 row : collection_.SelectedRows())
        chosen.append(QPersistentModelIndex(collection_.index(row)));
    if (chosen.isEmpty())
        return;
    if (askUser_ && askUser_->ask(MessageKind::Confirm, DeleteQuestion(int(chosen.size()))) == 0)
        return;
    QList<qint32> rows;
    for (const QPersistentModelIndex& entry : std::as_const(chosen)) {
        if (entry.isValid())
            rows.append(entry.row());
    }
    // Qt moves every index it keeps, and every selected range, at each removal: with thousands
    // of them a large delete would take minutes. The chosen rows and the selection go first.
    chosen.clear();
    selection->clearSelection();
    const QPersistentModelIndex focused(selection->currentIndex());
    const bool hadFocus = focused.isValid();
    collection_.setPreviewEnabled(false);
    collection_.RemoveImages(rows);
    collection_.setPreviewEnabled(true);
    // The row the focus is on now is the one the path box and the preview show: the next
    // command acts on it.
    const QModelIndex now = selection->currentIndex();
    if (now.isValid())
        collection_.SelectOnly(now.row());
    // A removed focused row was what the path box and the preview showed; the focus moved on
    // while previews were off.
    if (hadFocus && !focused.isValid()) {
        if (now.isValid())
            previews_.PreviewSelectedImage();
        else
            previews_.ClearPreview();
    }
    Q_EMIT imageNameFocusWanted();
}

void CollectionCommands::ImageMark_Click(int row) {
    Q_EMIT imageNameFocusWanted();
    collection_.SetImageState(row, StateToggle);
}

void CollectionCommands::ImageName_DblClick() {
    const QModelIndex current = collection_.selectionModel()->currentIndex();
    collection_.SetImageState(current.isValid() ? current.row() : -1, StateToggle);
    previews_.PreviewSelectedImage();
}

void CollectionCommands::ImageName_KeyUp(int key) {
    if (key == Qt::Key_Delete) {
        DelImage_Click();
        return;
    }
    if (key != Qt::Key_Space)
        return;
    // The focused row itself is toggled, the last row too; the focus then moves one row down
    // where there is one.
    const QModelIndex current = collection_.selectionModel()->currentIndex();
    if (!current.isValid())
        return;
    const int row = current.row();
    collection_.SetImageState(row, StateToggle);
    if (row + 1 < collection_.rowCount())
        collection_.SelectOnly(row + 1);
}

void CollectionCommands::Clear_Click() {
    if (collection_.isScanning() || collection_.rowCount() == 0)
        return;
    collection_.setScanIndex(0);
    setClearEnabled(false);
    collection_.ImagesScanTimer().start();
    collection_.ImagesScanTimer_Timer();
}

QString CollectionCommands::MissingFilesText(qint32 count, const QString& lastName) {
    if (count > 1)
        return tr("Unable to find %1 image files from wallpaper collection !")
            .arg(NumberText(count));
    if (count == 1)
        return tr("Unable to find image file '%1' from wallpaper collection !")
            .arg(WithVisibleControls(lastName));
    return {};
}

} // namespace kv
