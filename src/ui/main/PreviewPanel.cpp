// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/PreviewPanel.h"

#include "collection/Previews.h"
#include "ui/main/MainWindowLook.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QVBoxLayout>

namespace kv {

PreviewPanel::PreviewPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PreviewPanel"));
    imagePreview_ = new QLabel(this);
    imagePreview_->setObjectName(QStringLiteral("ImagePreview"));
    imagePreview_->setToolTip(tr("Wallpaper image preview"));
    imagePreview_->setFixedSize(kPreviewWidth, kPreviewHeight);
    imagePreview_->setFrameShape(QFrame::StyledPanel);
    imagePreview_->setFrameShadow(QFrame::Sunken);
    imagePreview_->setAlignment(Qt::AlignCenter);
    imagePreview_->setScaledContents(false);
    // Until a picture is previewed the area shows a neutral landscape, drawn at the screen's own
    // resolution.
    imagePreview_->setPixmap(QIcon(QStringLiteral(":/icons/preview-empty.svg"))
                                 .pixmap(QSize(kPreviewWidth - 4, kPreviewHeight - 4),
                                         imagePreview_->devicePixelRatioF()));

    imageErr_ = new QLabel(imagePreview_);
    imageErr_->setObjectName(QStringLiteral("ImageErr"));
    imageErr_->setToolTip(tr("Wallpaper preview error message"));
    // The message names the file, and a name may look like markup.
    imageErr_->setTextFormat(Qt::PlainText);
    imageErr_->setWordWrap(true);
    imageErr_->setAlignment(Qt::AlignCenter);
    imageErr_->setMargin(6);
    // Colours by palette, not style sheet: a style sheet brings its parser and a style of its
    // own into every start for a label that is mostly hidden.
    QPalette colours = imageErr_->palette();
    colours.setColor(QPalette::WindowText, QColor(0xc0, 0x00, 0x00));
    colours.setColor(QPalette::Window, QColor(0xe3, 0xf5, 0xdf));
    imageErr_->setPalette(colours);
    imageErr_->setAutoFillBackground(true);
    imageErr_->hide();
    auto* over = new QVBoxLayout(imagePreview_);
    over->setContentsMargins(2, 2, 2, 2);
    over->addStretch(1);
    over->addWidget(imageErr_);

    imagePreviewName_ = new QLineEdit(Previews::initialName(), this);
    imagePreviewName_->setObjectName(QStringLiteral("ImagePreviewName"));
    imagePreviewName_->setToolTip(tr("File name of previewed image"));
    imagePreviewName_->setReadOnly(true);
    imagePreviewName_->setFixedWidth(kPreviewWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(imagePreview_);
    layout->addWidget(imagePreviewName_);
}

} // namespace kv
