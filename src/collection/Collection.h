// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/PictureCheck.h"

#include <QAbstractListModel>
#include <QFutureWatcher>
#include <QHash>
#include <QItemSelectionModel>
#include <QList>
#include <QString>
#include <QTimer>

namespace kv {

// State codes of a collection entry. StateToggle is only ever a request, never stored.
enum ImageStateCode : qint32 {
    StateToggle = 0,
    StateUse = 1,
    StateSkip = 2,
    StateMissing = 3,
};

// The wallpaper collection: an ordered list of (file name, folder, state) entries. Rows are only
// appended at the end; sequential change follows their order. The selection of the list view
// lives here too, so that commands on the selected rows work without a window.
class Collection final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        StateRole = Qt::UserRole + 1, // ImageStateCode, always 1 to 3
        FolderRole,
        FullPathRole,
    };

    // List views number their rows with 16-bit signed values.
    static constexpr int kMaxEntries = 32767;
    static constexpr int kScanIntervalMs = 5;

    explicit Collection(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;
    // What a state mark says, in words: "used", "skipped", "missing".
    static QString StateText(qint32 state);

    // Appends without looking for duplicates (the saved-collection load). An empty name, or a
    // full collection, adds nothing. False when nothing was added.
    bool AppendImage(const QString& name, const QString& folder, qint32 requested);
    // Rows appended between these two (the saved collection's load) reach views as one reset
    // of the model, not as one insertion and one state change each; room is made for the
    // expected number of rows at once.
    void beginLoad(qsizetype expected);
    void endLoad();
    // Appends unless the (name, folder) pair is already present, compared by the platform's
    // file-name rule: without regard to case on Windows, exactly elsewhere.
    bool AddImage(const QString& name, const QString& folder, qint32 requested);
    // No entry can be appended any more.
    bool isFull() const { return entries_.size() >= kMaxEntries; }
    void RemoveImage(qint32 index);
    // Removes the rows (in any order; rows outside the collection are passed over), each run of
    // adjacent rows in one step, so that views and selections follow once per run, not once per
    // row. The current index and the scan end where removing them one by one, from the last,
    // would leave them.
    void RemoveImages(QList<qint32> rows);
    QString ImageFileName(qint32 index) const;
    QString ImagePath(qint32 index) const;
    // The number of a row's folder, or -1 for an index outside the collection. Two rows have
    // the same number exactly when their folders are spelled alike, and a number keeps its
    // folder for the life of the collection, whatever is removed: the saved state compares
    // rows by it.
    qint32 ImageFolderNumber(qint32 index) const;
    QString ImageFullPath(qint32 index) const;
    // The stored state of a row, or 0 for an index outside the collection.
    qint32 ImageState(qint32 index) const;
    void SetImageState(qint32 index, qint32 requested);
    void SetSelectedState(qint32 requested);
    // The selected rows in order, each once, read from the selection's ranges: asking every row
    // whether it is selected goes through all the ranges each time, which for thousands of
    // separate rows takes seconds.
    QList<qint32> SelectedRows() const;
    bool ContainsImage(const QString& name, const QString& folder) const;

    QItemSelectionModel* selectionModel() { return &selection_; }
    // Selects exactly this row and makes it the current row of the list.
    void SelectOnly(qint32 row);

    // The row of the entry last set by automatic change.
    qint32 currentIndex() const { return currentIndex_; }
    void setCurrentIndex(qint32 index) { currentIndex_ = index; }

    // While false, list clicks do not preview; false for the length of every batch edit.
    bool PreviewEnabled() const { return previewEnabled_; }
    void setPreviewEnabled(bool enabled) { previewEnabled_ = enabled; }

    // The incremental scan: one entry per tick of ImagesScanTimer, removing entries whose
    // picture cannot be decoded. The timer's running state is the only record that a scan runs.
    // The timer's ticks decode in Qt's thread pool, one picture at a time and in row order, and
    // take each verdict back on this thread, so the window never waits for a picture.
    QTimer& ImagesScanTimer() { return scanTimer_; }
    bool isScanning() const { return scanTimer_.isActive(); }
    qint32 ScanIndex() const { return scanIndex_; }
    void setScanIndex(qint32 index) { scanIndex_ = index; }
    // Makes the scan test the rows from first on (after an addition), restarting it if it runs.
    void ScanFrom(qint32 first);
    // A tick of the timer, also called at once by Clear: hands the next row's picture to the
    // pool unless one is being decoded.
    void ImagesScanTimer_Timer();

    // True when an ordinary file exists at the path; folders (and, on Windows, hidden files)
    // count as absent. Nothing is opened.
    static bool FileExists(const QString& path);
    static QString JoinPath(const QString& folder, const QString& name);
    // The form in which names and folders are told apart: where the file system ignores case,
    // so does this, and on Windows either slash separates folders (older entries and the
    // samples have backslashes, the browser's folders slashes) and may end one.
    static QString ComparedForm(const QString& text);

Q_SIGNALS:
    // A scan has tested its last row.
    void scanFinished();

private:
    // Entries of one folder (often thousands) share its path: each holds the folder's number.
    // The table only grows: a folder stays in it after its last entry is removed, so that no
    // number ever comes to mean another folder.
    class Folders {
    public:
        qint32 intern(const QString& folder);
        // The folder's number, or -1 when no entry has had it.
        qint32 find(const QString& folder) const { return numbers_.value(folder, -1); }
        const QString& text(qint32 number) const { return texts_.at(number); }

    private:
        QList<QString> texts_;
        QHash<QString, qint32> numbers_;
    };
    struct Entry {
        QString name;
        qint32 folder;
        qint32 state;
    };
    // An entry's name and folder as compared for duplicates: elsewhere than on Windows the
    // entry's own name and folder number.
    struct EntryKey {
        QString name;
        qint32 folder;
        friend bool operator==(const EntryKey&, const EntryKey&) = default;
        friend size_t qHash(const EntryKey& key, size_t seed = 0) {
            return qHashMulti(seed, key.folder, key.name);
        }
    };
    // The key of a name in a folder; its folder number is -1 when no entry has had the folder.
    EntryKey duplicateKey(const QString& name, const QString& folder) const;
    void forget(const Entry& entry);
    // Moves the current index and the scan's place as removing this row alone, out of count
    // rows, does.
    void followRemoval(qint32 row, qint32 count);
    // Stops the scan at the end of the list; true when it stopped.
    bool scanReachedEnd();
    void takeScanVerdict(PictureVerdict verdict);
    void takePoolVerdict();

    QList<Entry> entries_;
    // How often each (name, folder) key occurs; the load may bring duplicates in.
    QHash<EntryKey, int> keys_;
    Folders folders_;
#ifdef Q_OS_WIN
    // The folders in lower case, as the duplicate test compares them.
    Folders foldedFolders_;
#endif
    QItemSelectionModel selection_;
    qint32 currentIndex_ = 0;
    bool previewEnabled_ = true;
    bool loading_ = false;
    QTimer scanTimer_;
    qint32 scanIndex_ = 0;
    // The decode running in the pool, and the file it tests; at most one at a time.
    QFutureWatcher<PictureVerdict> scanDecode_;
    QString scanPath_;
    bool scanDecoding_ = false;
};

} // namespace kv
