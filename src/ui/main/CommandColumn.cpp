// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/CommandColumn.h"

#include "ui/PictureButtons.h"
#include "ui/main/MainWindowLook.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

CommandColumn::CommandColumn(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CommandColumn"));
    const auto button = [this](const char* name, const char* picture, const QString& shortName,
                               const QString& toolTip) {
        return makePictureButton(this, QString::fromLatin1(name),
                                 QStringLiteral(":/icons/") + QString::fromLatin1(picture),
                                 shortName, toolTip, kMainPictureSize);
    };
    imageAdd_ = button("ImageAdd", "image-add.svg", tr("Add"),
                       tr("Add highlighted file names to wallpaper collection"));
    useImage_ =
        button("UseImage", "image-use.svg", tr("Use"),
               tr("Mark highlighted file names in collection to use by wallpaper autochange"));
    skipImage_ =
        button("SkipImage", "image-skip.svg", tr("Skip"),
               tr("Mark highlighted file names in collection to skip by wallpaper autochange"));
    delImage_ = button("DelImage", "image-delete.svg", tr("Remove"),
                       tr("Remove highlighted file names from wallpaper collection"));
    clear_ = button("Clear", "image-clear.svg", tr("Remove missing"),
                    tr("Remove non-existing files from the list"));

    connect(imageAdd_, &QPushButton::clicked, this, &CommandColumn::ImageAdd_Click);
    connect(useImage_, &QPushButton::clicked, this, &CommandColumn::UseImage_Click);
    connect(skipImage_, &QPushButton::clicked, this, &CommandColumn::SkipImage_Click);
    connect(delImage_, &QPushButton::clicked, this, &CommandColumn::DelImage_Click);
    connect(clear_, &QPushButton::clicked, this, &CommandColumn::Clear_Click);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // Adding is the way into the collection; the marking and removal commands follow apart.
    layout->addWidget(imageAdd_);
    layout->addSpacing(kGroupGap);
    for (QPushButton* command : {useImage_, skipImage_, delImage_, clear_})
        layout->addWidget(command);
    layout->addStretch(1);
}

} // namespace kv
