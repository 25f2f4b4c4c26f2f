// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/BrowserWidgets.h"

#include "collection/Collection.h"
#include "collection/CollectionCommands.h"
#include "collection/FileBrowserModel.h"
#include "collection/Previews.h"
#include "ui/LiteralToolTips.h"
#include "ui/RowFocus.h"
#include "ui/main/CollectionView.h"

#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <utility>

namespace kv {
namespace {

constexpr int kIndentPerLevel = 8;

// The desktop's icon theme draws the folders where it has them, the program's own pictures
// elsewhere. The style's pictures for those are PNG files, which Qt opens by asking every image
// plugin on the system first: that loaded all of them into every start, for two small pictures.
QIcon folderIcon(const char* themeName, const QString& own) {
    QIcon themed = QIcon::fromTheme(QLatin1String(themeName));
    return themed.isNull() ? QIcon(own) : themed;
}

// Folders drawn with the open-folder picture for the chain down to the open folder, and
// indented by their depth, as a folder tree shows them.
class FolderDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem row = rowToPaint(option);
        initStyleOption(&row, index);
        paintRowWithFocus(painter, option, row);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const bool chain = index.data(FolderListModel::ListIndexRole).toInt() < 0;
        // Icons are looked up in the icon theme on the disk each time: asked once for every row
        // painted or measured, that was most of the window's start.
        if (icons_[0].isNull()) {
            icons_[0] = folderIcon("folder", QStringLiteral(":/icons/folder.svg"));
            icons_[1] = folderIcon("folder-open", QStringLiteral(":/icons/folder-open.svg"));
        }
        option->icon = icons_[chain ? 1 : 0];
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->rect.adjust(index.data(FolderListModel::DepthRole).toInt() * kIndentPerLevel, 0, 0,
                            0);
    }

private:
    mutable QIcon icons_[2];
};

// File names in rows as tall as the collection's beside them: at the font's own height the
// marks above capitals (the dots of an Ö) were cut off.
class FileNameDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        return {size.width(), qMax(size.height(), StateMarkDelegate::kMarkSize)};
    }
};

// Holds back the Space press from the collection list and turns the releases of Space and
// Delete into the list's key-up command; remembers the focused row at each press so that a
// click on that same row previews it again.
class CollectionListHook final : public QObject {
public:
    CollectionListHook(QListView* view, CollectionCommands& commands, Previews& previews)
        : QObject(view), view_(view), viewport_(view->viewport()), commands_(commands),
          previews_(previews) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == view_ &&
            (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool space = key->key() == Qt::Key_Space;
            if (space && event->type() == QEvent::KeyPress &&
                (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                spaceHeldBack_ = true;
                return true;
            }
            // The press decides: a Ctrl+Space that selects is not taken for a plain Space when
            // Ctrl is let go first.
            if (event->type() == QEvent::KeyRelease && !key->isAutoRepeat() &&
                ((space && std::exchange(spaceHeldBack_, false)) || key->key() == Qt::Key_Delete)) {
                commands_.ImageName_KeyUp(key->key());
                return true;
            }
        }
        // The viewport is compared as it was at the start: the filter also sees the events
        // of the list's own destruction, when the list is no scroll area any more.
        if (watched == viewport_ && event->type() == QEvent::MouseButtonPress) {
            const QModelIndex current = view_->currentIndex();
            focusedBeforePress_ = current.isValid() ? current.row() : -1;
        }
        return QObject::eventFilter(watched, event);
    }

    void clicked(const QModelIndex& index) {
        // A click that moved the focus has previewed already.
        if (index.row() == focusedBeforePress_)
            previews_.ImageName_Click();
    }

private:
    QListView* view_;
    QObject* viewport_;
    CollectionCommands& commands_;
    Previews& previews_;
    int focusedBeforePress_ = -1;
    bool spaceHeldBack_ = false;
};

// Keeps the previews decoding for the picture label's inside as the label is laid out.
class PreviewSizeWatch final : public QObject {
public:
    PreviewSizeWatch(QLabel* label, Previews& previews)
        : QObject(label), label_(label), previews_(previews) {
        label->installEventFilter(this);
        update();
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == label_ && event->type() == QEvent::Resize)
            update();
        return QObject::eventFilter(watched, event);
    }

private:
    void update() {
        previews_.setPreviewSize(label_->contentsRect().size() * label_->devicePixelRatioF());
    }
    QLabel* label_;
    Previews& previews_;
};

// A file name too long for a line of the preview, with no space in it, would be cut off on both
// sides: such a word may break anywhere.
QString breakableAnywhere(const QString& text) {
    constexpr qsizetype kLongestWord = 16;
    QString breakable;
    qsizetype word = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        word = c.isSpace() ? 0 : word + 1;
        breakable += c;
        const bool wordGoesOn = i + 1 < text.size() && !text[i + 1].isSpace();
        if (word >= kLongestWord && wordGoesOn && !c.isHighSurrogate())
            breakable += QChar(0x200B); // a zero-width space
    }
    return breakable;
}

} // namespace

// ---- DriveBox

DriveBox::DriveBox(FileBrowserModel& browser, QWidget* parent)
    : QComboBox(parent), browser_(browser) {
    setObjectName(QStringLiteral("Disk"));
    setToolTip(tr("Current drive"));
    // Its width does not follow the drives' names: grown as the window is first shown, it would
    // make the window grow while the window manager places it, and Qt then puts the window's
    // inside where its frame should be (a title bar higher at every start). The list that drops
    // down is as wide as its longest name.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    fill();
    connect(&browser_, &FileBrowserModel::drivesChanged, this, &DriveBox::fill);
    connect(&browser_, &FileBrowserModel::driveIndexChanged, this, [this](int index) {
        const QSignalBlocker quiet(this);
        setCurrentIndex(index);
    });
    connect(this, &QComboBox::activated, this, [this](int index) { browser_.chooseDrive(index); });
}

void DriveBox::showPopup() {
    browser_.reloadDrives();
    QComboBox::showPopup();
}

void DriveBox::fill() {
    const QSignalBlocker quiet(this);
    clear();
    addItems(browser_.driveTexts());
    setCurrentIndex(browser_.driveIndex());
}

// ---- FolderView

FolderView::FolderView(FileBrowserModel& browser, QWidget* parent)
    : QListView(parent), browser_(browser) {
    setObjectName(QStringLiteral("Folder"));
    setToolTip(tr("Current directory"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new FolderDelegate(this));
    setModel(&browser_.folders());
    connect(&browser_.folders(), &QAbstractItemModel::modelReset, this, &FolderView::showListIndex);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    browser_.folders().setListIndex(
                        browser_.folders().listIndexOfRow(current.row()));
            });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        browser_.folders().setListIndex(browser_.folders().listIndexOfRow(index.row()));
        browser_.Folder_Click();
    });
    showListIndex();
}

void FolderView::showListIndex() {
    FolderListModel& folders = browser_.folders();
    const int row = folders.rowOfListIndex(folders.ListIndex());
    if (row < 0 || row >= folders.rowCount())
        return;
    const QModelIndex index = folders.index(row);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void FolderView::keyPressEvent(QKeyEvent* event) {
    int key = 0;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        key = 13;
        break;
    case Qt::Key_Space:
        key = 32;
        break;
    case Qt::Key_Backspace:
        key = 8;
        break;
    default:
        QListView::keyPressEvent(event);
        return;
    }
    event->accept();
    browser_.Folder_KeyPress(key);
}

void FolderView::mousePressEvent(QMouseEvent* event) {
    pressedPath_ = indexAt(event->position().toPoint()).data(FolderListModel::PathRole).toString();
    QListView::mousePressEvent(event);
}

void FolderView::mouseReleaseEvent(QMouseEvent* event) {
    QListView::mouseReleaseEvent(event);
    browser_.Folder_MouseUp(event->button());
}

void FolderView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !index.isValid()) {
        QListView::mouseDoubleClickEvent(event);
        return;
    }
    event->accept();
    // The click before may have read the list again and put another folder under the pointer:
    // only the folder that was pressed opens.
    if (index.data(FolderListModel::PathRole).toString() != pressedPath_)
        return;
    browser_.folders().setListIndex(browser_.folders().listIndexOfRow(index.row()));
    browser_.Folder_DblClick();
}

// ---- FilesView

FilesView::FilesView(FileBrowserModel& browser, Previews& previews, QWidget* parent)
    : QListView(parent), previews_(previews) {
    setObjectName(QStringLiteral("Files"));
    setToolTip(tr("List of supported image files in current directory"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setModel(&browser.files());
    setItemDelegate(new FileNameDelegate(this));
    QItemSelectionModel* created = selectionModel();
    setSelectionModel(browser.files().selectionModel());
    if (created && created != browser.files().selectionModel())
        created->deleteLater();
    // A click that moves the focus previews through the focus change; one on the focused row,
    // and a double-click, preview here.
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.row() == focusedBeforePress_)
            previews_.Files_Click();
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { previews_.Files_Click(); });
}

template <typename Handle> void FilesView::previewAfter(Handle handle) {
    const QModelIndex before = currentIndex();
    focusedBeforePress_ = before.isValid() ? before.row() : -1;
    previews_.setFollowFileFocus(false);
    handle();
    previews_.setFollowFileFocus(true);
    if (currentIndex() != before)
        previews_.Files_Click();
}

void FilesView::mousePressEvent(QMouseEvent* event) {
    previewAfter([&] { QListView::mousePressEvent(event); });
}

void FilesView::keyPressEvent(QKeyEvent* event) {
    previewAfter([&] { QListView::keyPressEvent(event); });
}

// ---- the picture and its error label

void BindPreviewPicture(QLabel* imagePreview, QLabel* imageErr, Previews& previews) {
    new PreviewSizeWatch(imagePreview, previews);
    const auto speak = [imageErr, &previews] {
        imageErr->setText(breakableAnywhere(previews.ImageErr()));
        // The label speaks for an empty area; a picture covers it.
        imageErr->setVisible(previews.picture().isNull() && !previews.ImageErr().isEmpty());
    };
    QObject::connect(&previews, &Previews::pictureChanged, imagePreview,
                     [imagePreview, speak](const QImage& picture) {
                         if (picture.isNull()) {
                             imagePreview->clear();
                         } else {
                             QPixmap shown = QPixmap::fromImage(picture);
                             shown.setDevicePixelRatio(imagePreview->devicePixelRatioF());
                             imagePreview->setPixmap(shown);
                         }
                         speak();
                     });
    QObject::connect(&previews, &Previews::errorChanged, imageErr, speak);
}

// ---- read-only boxes, collection list, buttons

void BindPreviewName(QLineEdit* box, Previews& previews) {
    box->setObjectName(QStringLiteral("ImagePreviewName"));
    box->setToolTip(
        QCoreApplication::translate("kv::PreviewPanel", "File name of previewed image"));
    box->setReadOnly(true);
    // A long name shows from its start, where names differ most.
    const auto show = [box](const QString& name) {
        box->setText(name);
        box->setCursorPosition(0);
    };
    show(previews.ImagePreviewName());
    QObject::connect(&previews, &Previews::previewNameChanged, box, show);
}

void BindPathText(QLineEdit* box, Previews& previews) {
    box->setObjectName(QStringLiteral("ImagePathText"));
    box->setToolTip(QCoreApplication::translate("kv::MainWindow", "Selected wallpaper file name"));
    box->setReadOnly(true);
    box->setText(previews.ImagePathText());
    QObject::connect(&previews, &Previews::pathTextChanged, box,
                     [box](const QString& path, const QString& toolTip) {
                         box->setText(path);
                         box->setCursorPosition(0);
                         SetLiteralToolTip(box, toolTip);
                     });
}

void HookCollectionList(QListView* imageName, CollectionCommands& commands, Previews& previews) {
    auto* hook = new CollectionListHook(imageName, commands, previews);
    imageName->installEventFilter(hook);
    imageName->viewport()->installEventFilter(hook);
    QObject::connect(imageName, &QAbstractItemView::clicked, hook,
                     [hook](const QModelIndex& index) { hook->clicked(index); });
    QObject::connect(imageName, &QAbstractItemView::doubleClicked, &commands,
                     [&commands] { commands.ImageName_DblClick(); });
    // Rows a command removed above the focused one would leave it out of view.
    QObject::connect(&commands, &CollectionCommands::imageNameFocusWanted, imageName, [imageName] {
        imageName->setFocus(Qt::OtherFocusReason);
        imageName->scrollTo(imageName->currentIndex());
    });
}

} // namespace kv
