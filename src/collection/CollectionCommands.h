// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

namespace kv {

class AskUser;
class Collection;
class FileListModel;
class Previews;

// The user's editing of the collection: add the highlighted files, use, skip, toggle, delete
// with confirmation, and the background scan that removes entries whose pictures do not load.
class CollectionCommands final : public QObject {
    Q_OBJECT
public:
    CollectionCommands(Collection& collection, FileListModel& files, Previews& previews,
                       AskUser* askUser, QObject* parent = nullptr);

    void setAskUser(AskUser* askUser) { askUser_ = askUser; }

    void ImageAdd_Click();
    void UseImage_Click();
    void SkipImage_Click();
    void DelImage_Click();
    // A click or double-click on the state mark of row.
    void ImageMark_Click(int row);
    void ImageName_DblClick();
    // A key released in the collection list (Qt key codes): Delete deletes, Space toggles.
    void ImageName_KeyUp(int key);
    void Clear_Click();

    // Whether the Clear button is usable: not while a scan it started runs.
    bool clearEnabled() const { return clearEnabled_; }

    // The texts of the start-up report; empty when there is nothing to report.
    static QString MissingFilesText(qint32 count, const QString& lastName);
    static QString DeleteQuestion(int count);

Q_SIGNALS:
    // The collection list should take the input focus.
    void imageNameFocusWanted();
    void clearEnabledChanged(bool enabled);

private:
    void setClearEnabled(bool enabled);
    static QString CollectionFullText();

    Collection& collection_;
    FileListModel& files_;
    Previews& previews_;
    AskUser* askUser_;
    bool clearEnabled_ = true;
};

} // namespace kv
