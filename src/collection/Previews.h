// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

namespace kv {

class Collection;
class FileBrowserModel;

// The preview area: shows the highlighted file of the browser or the selected collection entry,
// and what a collection preview finds out about the entry's state. The window draws what this
// holds; the read-only boxes show ImagePreviewName and ImagePathText.
class Previews final : public QObject {
    Q_OBJECT
public:
    // A collection this large is not searched for a browsed file: the file itself is shown.
    static constexpr int kSearchLimit = 1000;
    // What the previewed-name box shows before anything was previewed.
    static QString initialName() { return tr("Previewed file name"); }

    Previews(Collection& collection, FileBrowserModel& browser, QObject* parent = nullptr);
    ~Previews() override;

    // Once set (the program sets it), pictures decode in Qt's thread pool, one at a time, and
    // what a preview finds out is shown when its picture arrives; until then they decode at
    // once, on this thread. A preview asked for while a picture decodes waits for it, and
    // replaces any other still waiting: holding a key down over large pictures shows the row
    // it stops on, not every row it passed.
    void setDecodeInPool(bool inPool) { decodeInPool_ = inPool; }

    // How a picture is decoded for the preview; DecodePreview unless a test counts the decodes.
    // It runs in the pool when the pictures decode there.
    using Decoder = std::function<QImage(const QString& path, QSize box)>;
    void setDecoder(Decoder decoder) { decoder_ = std::move(decoder); }

    // The size pictures are decoded to fit, in device pixels.
    void setPreviewSize(QSize size) { previewSize_ = size; }
    QSize previewSize() const { return previewSize_; }

    void PreviewBrowsedFile();
    void PreviewSelectedImage();
    // A click in the collection list, or a change of its focused row.
    void ImageName_Click();
    // A click or double-click in the file list, or a change of its focused row.
    void Files_Click();
    // Nothing is selected any more (the rows previewed were removed): the path box, the picture
    // and its name show nothing, and a picture still on its way is not shown.
    void ClearPreview();

    // While false, a change of the file list's focused row does not preview: the list view
    // moves the focus before it applies the selection, and previews once both are done.
    void setFollowFileFocus(bool follow) { followFileFocus_ = follow; }

    QImage picture() const { return picture_; }
    // The path of the file the picture shows, "" when none.
    QString picturePath() const { return picturePath_; }
    QString ImagePreviewName() const { return previewName_; }
    QString ImageErr() const { return errorText_; }
    QString ImagePathText() const { return pathText_; }

Q_SIGNALS:
    void pictureChanged(const QImage& picture);
    void previewNameChanged(const QString& name);
    void errorChanged(const QString& text);
    // The tooltip as plain text, to be shown as written whatever the path holds.
    void pathTextChanged(const QString& path, const QString& toolTip);

protected:
    void connectNotify(const QMetaMethod& signal) override;

private:
    using Outcome = std::function<void(const QImage&)>;
    // Decodes the picture at path (none when empty) for the preview and hands it to outcome,
    // unless a newer preview is asked for first. While nothing shows pictures, or while another
    // decodes, only the latest request waits.
    void decode(const QString& path, Outcome outcome);
    void startWanted();
    bool shown() const;
    void takeDecoded();
    // Whether row idx still holds the file at path: rows may go while a picture decodes.
    bool stillRow(int idx, const QString& path) const;
    void showPicture(const QImage& picture, const QString& path);
    void setPreviewName(const QString& name);
    void setError(const QString& text);

    Collection& collection_;
    FileBrowserModel& browser_;
    QSize previewSize_{193, 145};
    QImage picture_;
    QString picturePath_;
    QString previewName_ = initialName();
    QString errorText_;
    QString pathText_;
    QString pathToolTip_;
    bool followFileFocus_ = true;
    bool decodeInPool_ = false;
    Decoder decoder_;
    // The one picture decoding in the pool, and what to do with it: nothing once a newer
    // preview was asked for.
    QFutureWatcher<QImage> decoding_;
    bool decodeRunning_ = false;
    Outcome decodingOutcome_;
    struct Request {
        QString path;
        Outcome outcome;
    };
    // The latest preview asked for and not yet begun.
    std::optional<Request> wanted_;
};

} // namespace kv
