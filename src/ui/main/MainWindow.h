#pragma once

#include "app/ProgramWindow.h"

#include <QWidget>

class QPushButton;
class QSystemTrayIcon;

namespace kv {

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

    QPushButton* closeButton() const { return close_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Program* program_ = nullptr;
    QPushButton* close_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
};

} // namespace kv
