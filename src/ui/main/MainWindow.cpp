#include "ui/main/MainWindow.h"

#include "app/Program.h"
#include "ui/main/CollectionView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>

namespace kv {

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Prog"));
    close_ = new QPushButton(tr("Close"), this);
    close_->setObjectName(QStringLiteral("Close"));
    close_->setToolTip(QStringLiteral("Exit the program"));
    set_ = new QPushButton(tr("Set"), this);
    set_->setObjectName(QStringLiteral("Set"));
    set_->setToolTip(QStringLiteral("Set selected wallpaper now"));

    imageName_ = new CollectionView(this);
    imageName_->setMinimumSize(208, 240);
    auto* collectionHeading = new QLabel(QStringLiteral("Wallpaper Collection:"), this);
    collectionHeading->setBuddy(imageName_);
    connect(imageName_, &CollectionView::ImageMark_Click, this, &MainWindow::ImageMark_Click);

    auto* collection = new QVBoxLayout;
    collection->addWidget(collectionHeading);
    collection->addWidget(imageName_, 1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(collection);
    columns->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(set_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);
    resize(640, 480);
}

void MainWindow::attach(Program& program) {
    program_ = &program;
    imageName_->setCollection(program.collection());
    connect(close_, &QPushButton::clicked, &program, &Program::Close_Click);
    connect(set_, &QPushButton::clicked, &program.engine(), &WallpaperEngine::Set_Click);
}

void MainWindow::ImageMark_Click(int row) {
    imageName_->setFocus(Qt::OtherFocusReason);
    if (program_)
        program_->collection().SetImageState(row, StateToggle);
}

QRect MainWindow::windowFrame() const {
    return frameGeometry();
}

void MainWindow::moveWindow(const QPoint& topLeftPixels) {
    move(topLeftPixels);
}

QRect MainWindow::desktopArea() const {
    const QScreen* shown = screen();
    return shown ? shown->availableGeometry() : QRect();
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

namespace {

Program::TrayClick trayClickOf(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return Program::TrayClick::LeftPress;
    case QSystemTrayIcon::DoubleClick:
        return Program::TrayClick::LeftDoubleClick;
    case QSystemTrayIcon::Context:
        // Qt reports each right press, so a right double click arrives as two of them.
        return Program::TrayClick::RightPress;
    default:
        return Program::TrayClick::Other;
    }
}

} // namespace

void MainWindow::addTrayIcon() {
    if (tray_)
        return;
    tray_ = new QSystemTrayIcon(QIcon(QStringLiteral(":/icons/tray.svg")), this);
    tray_->setToolTip(QStringLiteral("Kestrovaline wallpaper manager"));
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (program_)
                    program_->TrayIcon_MouseMove(trayClickOf(reason));
            });
    // Qt reports a right double click on the icon as nothing; the icon's own window still gets
    // the event, so it is picked up here to change the wallpaper a second time.
    qApp->installEventFilter(this);
    // Where no notification area exists yet, Qt shows the icon as soon as one appears.
    tray_->show();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && program_ &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton &&
        qstrcmp(watched->metaObject()->className(), "QSystemTrayIconSys") == 0) {
        program_->TrayIcon_MouseMove(Program::TrayClick::RightDoubleClick);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::removeTrayIcon() {
    if (!tray_)
        return;
    qApp->removeEventFilter(this);
    tray_->hide();
    delete tray_;
    tray_ = nullptr;
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
