#include "ui/main/MainWindow.h"

#include "app/Program.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kv {

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Prog"));
    close_ = new QPushButton(tr("Close"), this);
    close_->setObjectName(QStringLiteral("Close"));
    close_->setToolTip(QStringLiteral("Exit the program"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(640, 480);
}

void MainWindow::attach(Program& program) {
    program_ = &program;
    connect(close_, &QPushButton::clicked, &program, &Program::Close_Click);
}

void MainWindow::setTitle(const QString& title) {
    setWindowTitle(title);
}

void MainWindow::showWindow() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MainWindow::hideWindow() {
    hide();
}

bool MainWindow::isWindowVisible() const {
    return isVisible();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The window system's close collapses the window; the program keeps running.
    event->ignore();
    if (program_)
        program_->HideTray_Click();
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !(windowState() & Qt::WindowMinimized))
        return;
    // Leave the window system's own handling of the minimise before collapsing.
    QTimer::singleShot(0, this, [this] {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        if (program_)
            program_->HideTray_Click();
    });
}

} // namespace kv
