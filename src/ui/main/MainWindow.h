#pragma once

#include "app/ProgramWindow.h"

#include <QWidget>

class QPushButton;
class QSystemTrayIcon;

namespace kv {

class CollectionView;
class Help;
class Program;
class ProgAbout;
class ProgOpts;

// The main window. Closing or minimising it collapses it; only the exit command ends the program.
class MainWindow final : public QWidget, public ProgramWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    void attach(Program& program);
    // The windows and help behind the Settings, About and Help buttons; they live for the run.
    void setDialogs(ProgOpts* options, ProgAbout* about, Help* help);

    void setTitle(const QString& title) override;
    void showWindow() override;
    void hideWindow() override;
    bool isWindowVisible() const override;
    void addTrayIcon() override;
    void removeTrayIcon() override;

    QSystemTrayIcon* trayIcon() const { return tray_; }
    QRect windowFrame() const override;
    void moveWindow(const QPoint& topLeftPixels) override;
    QRect desktopArea() const override;

    QPushButton* closeButton() const { return close_; }
    CollectionView* imageName() const { return imageName_; }

public Q_SLOTS:
    // A click on the state mark of a collection row toggles that row between use and skip.
    void ImageMark_Click(int row);
    // Opens the options dialog; after Set the record reaches the desktop and the scheduler.
    void Settings_Click();
    void About_Click();
    void Help_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Program* program_ = nullptr;
    QPushButton* close_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    CollectionView* imageName_ = nullptr;
    ProgOpts* optionsDialog_ = nullptr;
    ProgAbout* aboutBox_ = nullptr;
    Help* help_ = nullptr;
};

} // namespace kv
