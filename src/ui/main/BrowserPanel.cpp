// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/BrowserPanel.h"

#include <QComboBox>
#include <QListView>
#include <QVBoxLayout>

namespace kv {

BrowserPanel::BrowserPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Browser"));
    files_ = new QListView(this);
    files_->setObjectName(QStringLiteral("Files"));
    files_->setToolTip(tr("List of supported image files in current directory"));
    // Several files are added at once, picked with Shift and Ctrl.
    files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    files_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    files_->setMinimumSize(180, 150);

    disk_ = new QComboBox(this);
    disk_->setObjectName(QStringLiteral("Disk"));
    disk_->setToolTip(tr("Current drive"));

    folder_ = new QListView(this);
    // Enter is left to this list when it has the focus; the main window finds it by this name.
    folder_->setObjectName(QStringLiteral("Folder"));
    folder_->setToolTip(tr("Current directory"));
    folder_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    folder_->setMinimumSize(180, 110);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(files_, 3);
    layout->addWidget(disk_);
    layout->addWidget(folder_, 2);
}

void BrowserPanel::setLists(QComboBox* disk, QListView* folder, QListView* files) {
    const auto swap = [this](QWidget* placeholder, QWidget* list) {
        list->setParent(this);
        list->setMinimumSize(placeholder->minimumSize());
        delete layout()->replaceWidget(placeholder, list);
        delete placeholder;
    };
    swap(disk_, disk);
    swap(folder_, folder);
    swap(files_, files);
    setTabOrder(files, disk);
    setTabOrder(disk, folder);
    disk_ = disk;
    folder_ = folder;
    files_ = files;
}

} // namespace kv
