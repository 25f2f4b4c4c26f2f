// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ProgramWindow.h"

#include <QSize>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QSystemTrayIcon;

namespace kv {

class BrowserPanel;
class CollectionView;
class CommandColumn;
class Help;
class MainKeys;
class PreviewPanel;
class Program;
class ProgAbout;
class ProgOpts;
class TrayIcon;
class WindowDragHandles;

// Where the main window finds what its Settings, About and Help buttons open; each may be built
// only when first asked for.
class MainWindowDialogs {
public:
    virtual ~MainWindowDialogs() = default;
    virtual ProgOpts& optionsDialog() = 0;
    virtual ProgAbout& aboutBox() = 0;
    virtual Help& help() = 0;
};

// The main window. Closing or minimising it collapses it; only the exit command ends the program.
// Left to right: the preview with the program's buttons below it, the collection, the column of
// collection commands, and the file browser; the selected entry's full name runs along the
// bottom. The window is moved by a left drag from its background, a heading or the preview.
class MainWindow final : public QWidget, public ProgramWindow {
    Q_OBJECT
public:
    // The size a new window has, before any is given to it.
    static constexpr QSize kLeastSize{820, 560};

    explicit MainWindow(QWidget* parent = nullptr);

    void attach(Program& program);
    // What the Settings, About and Help buttons open; it outlives the window.
    void setDialogs(MainWindowDialogs* dialogs) { dialogs_ = dialogs; }

    void setTitle(const QString& title) override;
    void showWindow() override;
    void hideWindow() override;
    bool isWindowVisible() const override;
    void addTrayIcon() override;
    void removeTrayIcon() override;

    // Qt's notification-area icon while it serves; null before the first collapse, after the
    // exit, and while the program serves a StatusNotifier host itself.
    QSystemTrayIcon* trayIcon() const;
    QRect windowFrame() const override;
    void moveWindow(const QPoint& topLeftPixels) override;
    QRect desktopAreaFor(const QRect& framePixels) const override;

    QPushButton* setButton() const { return set_; }
    QPushButton* hideTrayButton() const { return hideTray_; }
    QPushButton* settingsButton() const { return settings_; }
    QPushButton* helpButton() const { return help_; }
    QPushButton* aboutButton() const { return about_; }
    QPushButton* closeButton() const { return close_; }
    CollectionView* imageName() const { return imageName_; }
    CommandColumn* commands() const { return commands_; }
    BrowserPanel* browser() const { return browser_; }
    PreviewPanel* preview() const { return preview_; }
    QLineEdit* imagePathText() const { return imagePathText_; }
    QLabel* hyperlink() const { return hyperlink_; }
    // The three headings, LText 0 to 2.
    const QList<QLabel*>& headings() const { return lText_; }
    WindowDragHandles* dragHandles() const { return dragHandles_; }

    // The address the Hyperlink label opens.
    void setWebAddress(const QString& address);

Q_SIGNALS:
    // The `Set` button, or Enter outside the folder list: set the selected entry as wallpaper.
    void setWallpaperRequested();
    void hyperlinkActivated(const QString& address);

public Q_SLOTS:
    // A click on the state mark of a collection row toggles that row between use and skip.
    void ImageMark_Click(int row);
    // Opens the options dialog; after Set the record reaches the desktop and the scheduler.
    void Settings_Click();
    void About_Click();
    void Help_Click();
    // The + key: the row below the selected one becomes the selection (the first row when none
    // is selected); on the last row nothing changes.
    void SelectNextRow();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QLayout* makeProgramButtons();
    // Tab follows reading order, whatever order the controls were made in.
    void orderTabs();

    Program* program_ = nullptr;
    QPushButton* set_ = nullptr;
    QPushButton* hideTray_ = nullptr;
    QPushButton* settings_ = nullptr;
    QPushButton* help_ = nullptr;
    QPushButton* about_ = nullptr;
    QPushButton* close_ = nullptr;
    TrayIcon* trayIcon_ = nullptr;
    CollectionView* imageName_ = nullptr;
    MainWindowDialogs* dialogs_ = nullptr;
    CommandColumn* commands_ = nullptr;
    BrowserPanel* browser_ = nullptr;
    PreviewPanel* preview_ = nullptr;
    QLineEdit* imagePathText_ = nullptr;
    QLabel* hyperlink_ = nullptr;
    QList<QLabel*> lText_;
    MainKeys* keys_ = nullptr;
    WindowDragHandles* dragHandles_ = nullptr;
};

} // namespace kv
