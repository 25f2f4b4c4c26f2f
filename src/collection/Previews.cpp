// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Previews.h"

#include "collection/Collection.h"
#include "collection/FileBrowserModel.h"
#include "common/Pictures.h"
#include "common/VisibleControls.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaMethod>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace kv {

Previews::Previews(Collection& collection, FileBrowserModel& browser, QObject* parent)
    : QObject(parent), collection_(collection), browser_(browser), decoder_(DecodePreview) {
    connect(&decoding_, &QFutureWatcherBase::finished, this, &Previews::takeDecoded);
    // A change of the focused row counts as a click, as with the user's own clicks.
    connect(collection_.selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { ImageName_Click(); });
    connect(browser_.files().selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] {
                if (followFileFocus_)
                    Files_Click();
            });
    // Said where the browser's other failures are, over a cleared preview as they are.
    connect(&browser_, &FileBrowserModel::folderRefused, this, [this](const QString& folder) {
        decodingOutcome_ = {};
        wanted_.reset();
        showPicture(QImage(), QString());
        setPreviewName(QString());
        setError(tr("Unable to open folder '%1' !")
                     .arg(WithVisibleControls(QFileInfo(folder).fileName())));
    });
}

Previews::~Previews() = default;

bool Previews::shown() const {
    return isSignalConnected(QMetaMethod::fromSignal(&Previews::pictureChanged));
}

// A start that stays in the tray changes the wallpaper and selects its entry, which previews it:
// a decode of the whole picture that nobody sees. It waits for the window instead, which then
// shows the latest preview asked for.
void Previews::connectNotify(const QMetaMethod& signal) {
    if (signal != QMetaMethod::fromSignal(&Previews::pictureChanged) || !wanted_)
        return;
    QMetaObject::invokeMethod(this, &Previews::startWanted, Qt::QueuedConnection);
}

void Previews::decode(const QString& path, Outcome outcome) {
    // The picture still decoding is out of date: it is let finish, but not shown.
    decodingOutcome_ = {};
    wanted_ = Request{path, std::move(outcome)};
    startWanted();
}

void Previews::startWanted() {
    if (!wanted_ || !shown())
        return;
    // Nothing to decode needs no turn: a missing file shows as missing at once, even when the
    // user only passes over it.
    if (!decodeInPool_ || wanted_->path.isEmpty()) {
        const Request now = std::move(*wanted_);
        wanted_.reset();
        now.outcome(now.path.isEmpty() ? QImage() : decoder_(now.path, previewSize_));
        return;
    }
    if (decodeRunning_)
        return;
    decodeRunning_ = true;
    decodingOutcome_ = std::move(wanted_->outcome);
    decoding_.setFuture(QtConcurrent::run([decoder = decoder_, path = wanted_->path,
                                           box = previewSize_] { return decoder(path, box); }));
    wanted_.reset();
}

void Previews::takeDecoded() {
    decodeRunning_ = false;
    if (const Outcome outcome = std::exchange(decodingOutcome_, {}))
        outcome(decoding_.result());
    startWanted();
}

void Previews::ClearPreview() {
    decodingOutcome_ = {};
    wanted_.reset();
    pathText_.clear();
    pathToolTip_.clear();
    Q_EMIT pathTextChanged(pathText_, pathToolTip_);
    showPicture(QImage(), QString());
    setPreviewName(QString());
    setError(QString());
}

void Previews::showPicture(const QImage& picture, const QString& path) {
    picture_ = picture;
    picturePath_ = picture.isNull() ? QString() : path;
    Q_EMIT pictureChanged(picture_);
}

void Previews::setPreviewName(const QString& name) {
    previewName_ = name;
    Q_EMIT previewNameChanged(previewName_);
}

void Previews::setError(const QString& text) {
    errorText_ = text;
    Q_EMIT errorChanged(errorText_);
}

void Previews::ImageName_Click() {
    PreviewSelectedImage();
}

void Previews::Files_Click() {
    if (collection_.PreviewEnabled())
        PreviewBrowsedFile();
}

void Previews::PreviewBrowsedFile() {
    FileListModel& files = browser_.files();
    const int fi = files.ListIndex();
    if (fi < 0 || fi >= files.fileCount())
        return;
    const QString name = files.fileName(fi);
    if (collection_.rowCount() < kSearchLimit) {
        // Told apart by the collection's own rule.
        const QString folderKey = Collection::ComparedForm(files.path());
        const QString nameKey = Collection::ComparedForm(name);
        for (int row = 0; row < collection_.rowCount(); ++row) {
            if (Collection::ComparedForm(collection_.ImagePath(row)) != folderKey ||
                Collection::ComparedForm(collection_.ImageFileName(row)) != nameKey)
                continue;
            const QModelIndex before = collection_.selectionModel()->currentIndex();
            collection_.SelectOnly(row);
            // Making it the focused row previews it; when it already was, preview it here.
            if (before.isValid() && before.row() == row)
                ImageName_Click();
            return;
        }
    }
    const QString path = Collection::JoinPath(browser_.folderPath(), name);
    if (path.isEmpty())
        return;
    setPreviewName(QString());
    // A file gone since the list was read, or one that cannot be looked at, previews as nothing:
    // never as the picture or the message before it.
    decode(Collection::FileExists(path) ? path : QString(),
           [this, path, name, fi](const QImage& picture) {
               showPicture(picture, path);
               if (!picture.isNull()) {
                   setPreviewName(name);
                   return;
               }
               setError(tr("Unable to preview file '%1' !").arg(WithVisibleControls(name)));
               // A file that does not preview is left out of the next addition.
               // The list may have changed while the picture decoded.
               FileListModel& list = browser_.files();
               if (fi >= list.fileCount() || list.fileName(fi) != name)
                   return;
               collection_.setPreviewEnabled(false);
               list.setSelected(fi, false);
               collection_.setPreviewEnabled(true);
           });
}

void Previews::PreviewSelectedImage() {
    if (!collection_.PreviewEnabled())
        return;
    const QModelIndex current = collection_.selectionModel()->currentIndex();
    const int idx = current.isValid() ? current.row() : -1;
    if (idx < 0 || idx >= collection_.rowCount())
        return;
    const QString path = collection_.ImageFullPath(idx);
    pathText_ = path;
    pathToolTip_ = tr("Selected wallpaper image file name is: %1").arg(path);
    Q_EMIT pathTextChanged(pathText_, pathToolTip_);

    const QString name = collection_.ImageFileName(idx);
    const bool exists = Collection::FileExists(path);
    decode(exists ? path : QString(), [this, idx, path, name, exists](const QImage& picture) {
        if (!picture.isNull()) {
            showPicture(picture, path);
            setPreviewName(name);
            if (stillRow(idx, path) && collection_.ImageState(idx) == StateMissing)
                collection_.SetImageState(idx, StateUse);
            return;
        }
        showPicture(QImage(), QString());
        setPreviewName(QString());
        const QString shownName = WithVisibleControls(name);
        if (exists)
            setError(tr("Unable to get picture from image file '%1'!").arg(shownName));
        else
            setError(tr("Unable to find image file %1!").arg(shownName));
        if (stillRow(idx, path) && collection_.ImageState(idx) == StateUse)
            collection_.SetImageState(idx, StateMissing);
    });
}

bool Previews::stillRow(int idx, const QString& path) const {
    return collection_.ImageFullPath(idx) == path;
}

} // namespace kv
