// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace kv {

class Collection;
class OptionsKeeper;
class Settings;

// Window positions are stored in twips, 15 to a logical pixel.
inline constexpr int kTwipsPerPixel = 15;

// Where the left and top edges of a window may lie, in twips: the window may stick out past the
// left, right and bottom edges of the desktop by up to 10 pixels, no more, and never past its
// top, where its title bar would be out of reach.
struct WindowLimits {
    qint32 minLeft = 0;
    qint32 maxLeft = 0;
    qint32 minTop = 0;
    qint32 maxTop = 0;
};
WindowLimits WindowLimitsFor(const QRect& desktopPixels, const QSize& windowTwips);
// A stored position pulled inside the limits; a window too wide for them lands in the middle, one
// too tall at the top.
QPoint PlaceWithin(double leftTwips, double topTwips, const WindowLimits& limits);

// A dialog's last position, restored at start-up before the dialog itself exists; the dialog
// places itself there when it loads and puts its position back when it unloads.
struct DialogPosition {
    qint32 left = 0; // twips
    qint32 top = 0;  // twips
    bool known = false;
    // The monitor's part of the desktop it was restored on, in logical pixels; invalid when the
    // load placed nothing.
    QRect desktop;
    // Where it belongs, in twips: saved as it was stored until a showing moves the dialog, so
    // that a start with a smaller desktop, another scale or a monitor gone for now does not
    // rewrite it. And the position the dialog was given, to tell when it moved.
    QPoint stored;
    QPoint given;
};

// The drive part of a path when it is available: on Windows the two leading characters (a drive
// letter and colon, or the start of a network path), elsewhere the mount point that holds the
// path, when it is mounted and readable. "." stands for the current folder. Empty otherwise.
QString DriveOfPath(const QString& path);
// The longest file name and folder path a supported system accepts, in UTF-16 code units (a
// name of 255 bytes or a path of 4096 bytes has no more). A stored value longer than that names
// no file: it is damaged, and treated as absent.
inline constexpr qsizetype kMaxFileNameLength = 255;
#ifdef Q_OS_WIN
inline constexpr qsizetype kMaxPathLength = 32767;
#else
inline constexpr qsizetype kMaxPathLength = 4096;
#endif

// The folder itself when it exists, else its nearest existing parent, else the empty text (also
// for a path longer than any the system accepts).
QString NearestExistingFolder(const QString& folder);

// A window whose position is kept: the main window now, the two dialogs later.
class PlacedWindow {
public:
    virtual ~PlacedWindow() = default;
    // Outer frame, in logical pixels of the virtual desktop.
    virtual QRect windowFrame() const = 0;
    virtual void moveWindow(const QPoint& topLeftPixels) = 0;
    // The part of the desktop windows may use (without panels), in logical pixels, on the
    // monitor that holds most of `framePixels`, or on the one a new window opens on when none
    // holds any of it. Not the monitor of its corner alone: that may lie just off the monitor a
    // window mostly lies on, or on none at all.
    virtual QRect desktopAreaFor(const QRect& framePixels) const = 0;
    // False where the platform keeps where windows are to itself (a Wayland compositor places
    // them and reports each at 0,0): the stored place is then neither used nor overwritten, and
    // stays for a session that tells.
    virtual bool tellsPlace() const { return true; }
};

// A dialog whose position is kept: placed from the stored position at start-up, asked for its
// position at every save.
class PlacedDialog {
public:
    virtual ~PlacedDialog() = default;
    virtual QSize sizeTwips() const = 0;
    virtual void setRestoredPosition(QPoint twips) = 0;
    virtual QPoint positionTwips() const = 0;
    // As for the window.
    virtual bool tellsPlace() const { return true; }
};

// The saved collection, window positions, current index, last folder and home page.
class SavedState {
public:
    SavedState(Settings& settings, Collection& collection, OptionsKeeper& options);

    // Restores everything, ending with the options.
    // window may be null (nothing to place).
    void LoadSavedState(PlacedWindow* window, const QString& makerFolder);
    // Writes everything, ending with the options, as one atomic batch. False when the store
    // refused it; the stored state is then the previous one. The last save of a run looks
    // through the whole store for damage first.
    bool SaveState(const PlacedWindow* window, bool last = false);

    // The dialogs, once they exist; until then their records stand in for them. A dialog that
    // comes after the load starts where its record was placed, kept on the desktop with its own
    // size.
    void attachDialogs(PlacedDialog* optionsDialogWindow, PlacedDialog* messageDialogWindow);

    DialogPosition optionsDialog;
    DialogPosition messageDialog;
    // Sizes the dialogs are placed with until they exist and report their own, in twips.
    QSize optionsDialogSize{7200, 5400};
    QSize messageDialogSize{6000, 2700};

    // The folder the file browser should open, and its drive; empty when the browser keeps its
    // own start folder.
    QString restoredFolder() const { return restoredFolder_; }
    QString restoredDrive() const { return restoredDrive_; }
    // The folder the file browser shows, saved as "LastFolder"; while the browser shows the
    // nearest parent of a stored folder that is missing, the stored one stays.
    QString shownFolder() const { return shownFolder_; }
    void setShownFolder(const QString& folder);
    // The full path of the picture last shown, saved as "WShown": what a start on a desktop that
    // forgets its wallpaper shows again.
    QString shownWallpaper() const { return shownWallpaper_; }
    void setShownWallpaper(const QString& path) { shownWallpaper_ = path; }

    // The address help opens: "HomePage" when the store names one, else the built-in home page
    // (the installed manual; the program sets it before the state is loaded).
    QString homePage() const { return homePage_; }
    void setBuiltInHomePage(const QString& address) {
        builtInHomePage_ = address;
        homePage_ = address;
    }

    // Entries the load found missing, and the name of the last of them, for the start-up report.
    qint32 MissingCount() const { return missingCount_; }
    QString MissingName() const { return missingName_; }

private:
    // A collection row as the store holds it under one index. The name is the collection's own
    // (shared, not copied); the folder is the collection's number for it, -1 for a folder the
    // collection does not hold (a row the load skipped), which never compares equal. A state
    // of -1 is one stored in another spelling than ours.
    struct StoredRow {
        QString name;
        qint32 folder = -1;
        qint32 state = -1;
    };
    // The entries the store holds, as its count says, or counted where the count is damaged.
    qint32 storedEntryCount() const;
    bool writeState(const PlacedWindow* window);
    void restoreDialog(DialogPosition& position, const QString& xName, const QString& yName,
                       QSize size, const PlacedWindow* window, PlacedDialog* dialog);
    static void takePosition(DialogPosition& position, const PlacedDialog* dialog);
    static void placeAttached(DialogPosition& position, PlacedDialog*& attached,
                              PlacedDialog* dialog);

    Settings& settings_;
    Collection& collection_;
    OptionsKeeper& options_;
    PlacedDialog* optionsDialogWindow_ = nullptr;
    PlacedDialog* messageDialogWindow_ = nullptr;
    QString restoredFolder_;
    QString restoredDrive_;
    QString shownFolder_;
    // Set while the stored folder is missing and nothing else has been browsed.
    bool waitingForStoredFolder_ = false;
    QString shownWallpaper_;
    QString builtInHomePage_;
    QString homePage_;
    // The rows as last loaded or saved, compared at the next save so only changes are written.
    QList<StoredRow> stored_;
    // How many rows the store held as last loaded or saved, kept even where the rows themselves
    // are forgotten, so a save of fewer rows clears the old tail.
    qint32 storedCount_ = 0;
    quint64 storedEpoch_ = 0;
    bool saving_ = false;
    qint32 missingCount_ = 0;
    QString missingName_;
};

} // namespace kv
