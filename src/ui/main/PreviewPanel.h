// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace kv {

// The preview: the picture of the highlighted file or the selected collection entry
// (`ImagePreview`), the reason when it cannot be shown (`ImageErr`, over the lower part of the
// picture) and the previewed file's name (`ImagePreviewName`). The picture is also a handle by
// which the window is moved.
class PreviewPanel final : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPanel(QWidget* parent = nullptr);

    QLabel* imagePreview() const { return imagePreview_; }
    QLabel* imageErr() const { return imageErr_; }
    QLineEdit* imagePreviewName() const { return imagePreviewName_; }

private:
    QLabel* imagePreview_;
    QLabel* imageErr_;
    QLineEdit* imagePreviewName_;
};

} // namespace kv
