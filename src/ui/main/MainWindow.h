#pragma once

#include "app/ProgramWindow.h"

#include <QWidget>

class QPushButton;
class QSystemTrayIcon;

namespace kv {

class CollectionView;
class Program;

// The main window. Closing or minimising it collapses it; only the exit command ends the program.
class MainWindow final : public QWidget, public ProgramWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    void attach(Program& program);

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
    QPushButton* setButton() const { return set_; }
    CollectionView* imageName() const { return imageName_; }

public Q_SLOTS:
    // A click on the state mark of a collection row toggles that row between use and skip.
    void ImageMark_Click(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Program* program_ = nullptr;
    QPushButton* close_ = nullptr;
    QPushButton* set_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    CollectionView* imageName_ = nullptr;
};

} // namespace kv
