// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/MainWindow.h"

#include "app/Program.h"
#include "engine/WallpaperEngine.h"
#include "ui/AccessibleNames.h"
#include "ui/LiteralToolTips.h"
#include "ui/OnScreen.h"
#include "ui/PictureButtons.h"
#include "ui/WindowDrag.h"
#include "ui/help/Help.h"
#include "ui/help/Hyperlinks.h"
#include "ui/help/ProgAbout.h"
#include "ui/main/BrowserPanel.h"
#include "ui/main/BrowserWidgets.h"
#include "ui/main/CollectionView.h"
#include "ui/main/CommandColumn.h"
#include "ui/main/MainKeys.h"
#include "ui/main/MainWindowLook.h"
#include "ui/main/PreviewPanel.h"
#include "ui/main/TrayIcon.h"
#include "ui/options/ProgOpts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace kv {
namespace {

// The web address. Tab puts the focus on the link itself at once, so that Enter opens it: a
// label would take one Tab for itself, where Enter does nothing, and one more for its link. A
// click opens the link without taking the focus from where Enter sets the wallpaper. It takes
// the room its column leaves and never widens it: a long address shows cut in the middle, in
// full in the tooltip.
class WebLink final : public QLabel {
public:
    explicit WebLink(QWidget* parent) : QLabel(parent) {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }

    void setLink(const QString& caption, const QString& address) {
        caption_ = caption;
        address_ = address;
        SetLiteralToolTip(this, LinkToolTip(address));
        showCaption();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        showCaption();
    }

    void focusInEvent(QFocusEvent* event) override {
        QLabel::focusInEvent(event);
        if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
            QLabel::focusNextPrevChild(event->reason() == Qt::TabFocusReason);
    }

    // The label's one link has the focus whenever the label has it, and the label's own search
    // for the previous link finds that link again: Shift+Tab would never leave it.
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

private:
    void showCaption() {
        if (caption_.isEmpty())
            return;
        setText(QStringLiteral("<a href=\"%1\">%2</a>")
                    .arg(address_.toHtmlEscaped(), ElidedCaption(*this, caption_).toHtmlEscaped()));
    }

    QString caption_;
    QString address_;
};

} // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Prog"));
    dragHandles_ = new WindowDragHandles(this);
    // Presses that no control takes arrive at the window from anywhere on its background.
    dragHandles_->attach(this);
    // At a large scale on a small screen the controls need more room than the screen has: the
    // window still fits it and scrolls them instead. The scroll area is otherwise invisible.
    auto* scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    // Tab goes through the controls alone, as it did without it.
    scroller->setFocusPolicy(Qt::NoFocus);
    auto* page = new QWidget(scroller);
    auto* whole = new QVBoxLayout(this);
    whole->setContentsMargins(0, 0, 0, 0);
    whole->addWidget(scroller);

    const QStringList headingTexts{tr("Wallpaper Collection:"), tr("Add Wallpapers:"),
                                   tr("Image Preview")};
    for (const QString& text : headingTexts) {
        auto* heading = new QLabel(text, page);
        heading->setObjectName(QStringLiteral("LText"));
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        dragHandles_->attach(heading);
        lText_.append(heading);
    }

    preview_ = new PreviewPanel(page);
    dragHandles_->attach(preview_->imagePreview());

    imageName_ = new CollectionView(page);
    imageName_->setToolTip(tr("List of file names in wallpaper collection"));
    imageName_->setMinimumSize(200, 240);
    lText_[0]->setBuddy(imageName_);
    connect(imageName_, &CollectionView::ImageMark_Click, this, &MainWindow::ImageMark_Click);

    commands_ = new CommandColumn(page);
    browser_ = new BrowserPanel(page);
    lText_[1]->setBuddy(browser_->files());

    imagePathText_ = new QLineEdit(page);
    imagePathText_->setObjectName(QStringLiteral("ImagePathText"));
    imagePathText_->setToolTip(tr("Selected wallpaper file name"));
    imagePathText_->setReadOnly(true);

    hyperlink_ = new WebLink(page);
    hyperlink_->setObjectName(QStringLiteral("Hyperlink"));
    hyperlink_->setTextFormat(Qt::RichText);
    hyperlink_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    hyperlink_->setFocusPolicy(Qt::TabFocus);
    hyperlink_->setOpenExternalLinks(false);
    connect(hyperlink_, &QLabel::linkActivated, this, &MainWindow::hyperlinkActivated);

    auto* left = new QVBoxLayout;
    left->setSpacing(kGroupGap);
    left->addWidget(preview_);
    left->addLayout(makeProgramButtons());
    left->addStretch(1);

    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(12, 10, 12, 10);
    grid->setHorizontalSpacing(kGroupGap);
    grid->setVerticalSpacing(4);
    grid->addWidget(lText_[2], 0, 0);
    grid->addWidget(lText_[0], 0, 1);
    grid->addWidget(lText_[1], 0, 3);
    grid->addLayout(left, 1, 0);
    grid->addWidget(imageName_, 1, 1);
    grid->addWidget(commands_, 1, 2);
    grid->addWidget(browser_, 1, 3);
    grid->addWidget(imagePathText_, 2, 0, 1, 3);
    grid->addWidget(hyperlink_, 2, 3, Qt::AlignVCenter);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);
    grid->setRowStretch(1, 1);

    keys_ = new MainKeys(this);
    connect(keys_, &MainKeys::enterPressed, this, &MainWindow::setWallpaperRequested);
    connect(keys_, &MainKeys::plusPressed, this, &MainWindow::SelectNextRow);
    connect(set_, &QPushButton::clicked, this, &MainWindow::setWallpaperRequested);
    connect(help_, &QPushButton::clicked, this, &MainWindow::Help_Click);
    // The key every desktop program opens its manual with.
    help_->setShortcut(QKeySequence::HelpContents);
    connect(settings_, &QPushButton::clicked, this, &MainWindow::Settings_Click);
    connect(about_, &QPushButton::clicked, this, &MainWindow::About_Click);
    scroller->setWidget(page);
    orderTabs();
    // The scroll area offers only a few lines of its contents as its own size.
    resize(page->sizeHint().expandedTo(kLeastSize));
}

// Tab goes through the browser column from the top: the file list stands above the drive box
// and the folder list.
void MainWindow::orderTabs() {
    BrowserPanel* lists = browser_;
    const QList<QWidget*> order{imageName_,
                                commands_->imageAdd(),
                                commands_->useImage(),
                                commands_->skipImage(),
                                commands_->delImage(),
                                commands_->clear(),
                                lists->files(),
                                lists->disk(),
                                lists->folder(),
                                preview_->imagePreviewName(),
                                set_,
                                hideTray_,
                                settings_,
                                help_,
                                about_,
                                close_,
                                imagePathText_,
                                hyperlink_};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

QLayout* MainWindow::makeProgramButtons() {
    const auto button = [this](const char* name, const char* picture, const QString& shortName,
                               const QString& toolTip) {
        return makePictureButton(this, QString::fromLatin1(name),
                                 QStringLiteral(":/icons/") + QString::fromLatin1(picture),
                                 shortName, toolTip, kMainPictureSize);
    };
    set_ =
        button("Set", "wallpaper-set.svg", tr("Set wallpaper"), tr("Set selected wallpaper now"));
    hideTray_ = button("HideTray", "hide-tray.svg", tr("Hide"),
                       tr("Collapse the program window into tray icon"));
    settings_ =
        button("Settings", "settings.svg", tr("Settings"), tr("Customize program settings"));
    help_ = button("Help", "help.svg", tr("Help"), tr("Kestrovaline wallpaper manager help"));
    about_ = button("About", "about-button.svg", tr("About"), tr("About the program"));
    close_ = button("Close", "exit.svg", tr("Exit"), tr("Exit the program"));

    // Two to a row under the preview: what is used most at the top, leaving the program last.
    auto* buttons = new QGridLayout;
    buttons->setSpacing(6);
    const QList<QPushButton*> order{set_, hideTray_, settings_, help_, about_, close_};
    for (int i = 0; i < order.size(); ++i)
        buttons->addWidget(order[i], i / 2, i % 2);
    return buttons;
}

void MainWindow::setWebAddress(const QString& address) {
    static_cast<WebLink*>(hyperlink_)->setLink(LinkCaption(address), address);
}

void MainWindow::attach(Program& program) {
    program_ = &program;
    imageName_->setCollection(program.collection());

    // The browser's lists, the preview and the command buttons work on the program's browser,
    // previews and collection commands.
    FileBrowserModel& browser = program.browser();
    Previews& previews = program.previews();
    CollectionCommands& commands = program.commands();
    browser_->setLists(new DriveBox(browser), new FolderView(browser),
                       new FilesView(browser, previews));
    lText_[1]->setBuddy(browser_->files());
    orderTabs();
    NameControlsByToolTip(this);
    BindPreviewPicture(preview_->imagePreview(), preview_->imageErr(), previews);
    BindPreviewName(preview_->imagePreviewName(), previews);
    BindPathText(imagePathText_, previews);
    HookCollectionList(imageName_, commands, previews);
    connect(commands_, &CommandColumn::ImageAdd_Click, &commands,
            &CollectionCommands::ImageAdd_Click);
    connect(commands_, &CommandColumn::UseImage_Click, &commands,
            &CollectionCommands::UseImage_Click);
    connect(commands_, &CommandColumn::SkipImage_Click, &commands,
            &CollectionCommands::SkipImage_Click);
    connect(commands_, &CommandColumn::DelImage_Click, &commands,
            &CollectionCommands::DelImage_Click);
    connect(commands_, &CommandColumn::Clear_Click, &commands, &CollectionCommands::Clear_Click);
    commands_->clear()->setEnabled(commands.clearEnabled());
    connect(&commands, &CollectionCommands::clearEnabledChanged, this, [this](bool enabled) {
        // Turned off under the focus, the button would pass it on to the file list; the
        // collection takes it, as after the other commands on it.
        if (!enabled && commands_->clear()->hasFocus())
            imageName_->setFocus(Qt::OtherFocusReason);
        commands_->clear()->setEnabled(enabled);
    });
    connect(close_, &QPushButton::clicked, &program, &Program::Close_Click);
    connect(hideTray_, &QPushButton::clicked, &program, &Program::HideTray_Click);
    connect(keys_, &MainKeys::escapePressed, &program, &Program::HideTray_Click);
    connect(this, &MainWindow::setWallpaperRequested, &program.engine(),
            &WallpaperEngine::Set_Click);
}

void MainWindow::Settings_Click() {
    if (dialogs_ && program_)
        kv::Settings_Click(dialogs_->optionsDialog(), program_->engine());
}

void MainWindow::About_Click() {
    if (dialogs_)
        dialogs_->aboutBox().showModal();
}

void MainWindow::Help_Click() {
    if (dialogs_)
        dialogs_->help().Help_Click();
}

void MainWindow::ImageMark_Click(int row) {
    if (program_)
        program_->commands().ImageMark_Click(row);
    else
        imageName_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::SelectNextRow() {
    auto* collection = qobject_cast<Collection*>(imageName_->model());
    if (!collection)
        return;
    const QModelIndex current = collection->selectionModel()->currentIndex();
    const int next = current.isValid() ? current.row() + 1 : 0;
    if (next >= collection->rowCount())
        return;
    collection->SelectOnly(next);
}

QRect MainWindow::windowFrame() const {
    return frameGeometry();
}

void MainWindow::moveWindow(const QPoint& topLeftPixels) {
    move(topLeftPixels);
}

QRect MainWindow::desktopAreaFor(const QRect& framePixels) const {
    return AvailableAreaHoldingMost(framePixels, screen());
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

void MainWindow::addTrayIcon() {
    // Made at the first collapse: a window whose program keeps the icon elsewhere needs none.
    if (!trayIcon_) {
        trayIcon_ = new TrayIcon(this);
        connect(trayIcon_, &TrayIcon::clicked, this, [this](Program::TrayClick click) {
            if (program_)
                program_->TrayIcon_MouseMove(click);
        });
    }
    trayIcon_->show();
}

void MainWindow::removeTrayIcon() {
    if (trayIcon_)
        trayIcon_->remove();
}

QSystemTrayIcon* MainWindow::trayIcon() const {
    return trayIcon_ ? trayIcon_->qtIcon() : nullptr;
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
