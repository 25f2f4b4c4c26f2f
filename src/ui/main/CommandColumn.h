// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QPushButton;

namespace kv {

// The column of collection commands between the collection and the file browser: add the files
// highlighted in the browser, mark rows to use or skip, remove rows, and remove entries whose
// files are gone. Each button only announces its click; the collection commands answer them.
class CommandColumn final : public QWidget {
    Q_OBJECT
public:
    explicit CommandColumn(QWidget* parent = nullptr);

    QPushButton* imageAdd() const { return imageAdd_; }
    QPushButton* useImage() const { return useImage_; }
    QPushButton* skipImage() const { return skipImage_; }
    QPushButton* delImage() const { return delImage_; }
    QPushButton* clear() const { return clear_; }

Q_SIGNALS:
    void ImageAdd_Click();
    void UseImage_Click();
    void SkipImage_Click();
    void DelImage_Click();
    void Clear_Click();

private:
    QPushButton* imageAdd_;
    QPushButton* useImage_;
    QPushButton* skipImage_;
    QPushButton* delImage_;
    QPushButton* clear_;
};

} // namespace kv
