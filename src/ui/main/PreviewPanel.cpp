// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/PreviewPanel.h"

#include "collection/Previews.h"
#include "ui/main/MainWindowLook.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
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
    imageErr_->setWordWrap(true);
    imageErr_->setAlignment(Qt::AlignCenter);
    imageErr_->setMargin(6);
    imageErr_->setStyleSheet(
        QStringLiteral("QLabel#ImageErr { color: #c00000; background: #e3f5df; }"));
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

void PreviewPanel::setErrorText(const QString& text) {
    imageErr_->setText(text);
    imageErr_->setVisible(!text.isEmpty());
}

} // namespace kv
