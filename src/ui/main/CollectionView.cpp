// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/CollectionView.h"

#include "collection/Collection.h"
#include "ui/RowFocus.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <utility>

namespace kv {
namespace {

QString markResource(int state) {
    switch (state) {
    case StateSkip:
        return QStringLiteral(":/icons/state-skip.svg");
    case StateMissing:
        return QStringLiteral(":/icons/state-missing.svg");
    default:
        return QStringLiteral(":/icons/state-use.svg");
    }
}

} // namespace

StateMarkDelegate::StateMarkDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QRect StateMarkDelegate::markRect(const QRect& rowRect) {
    return {rowRect.left() + kMarkMargin, rowRect.top() + (rowRect.height() - kMarkSize) / 2,
            kMarkSize, kMarkSize};
}

QPixmap StateMarkDelegate::markPixmap(int state, qreal devicePixelRatio) const {
    const int shown = qBound(1, state, 3);
    const QString key = QString::number(shown) + u'@' + QString::number(devicePixelRatio);
    const auto cached = pixmaps_.constFind(key);
    if (cached != pixmaps_.constEnd())
        return cached.value();
    const int side = static_cast<int>(std::ceil(kMarkSize * devicePixelRatio));
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QSvgRenderer(markResource(shown)).render(&painter, QRectF(0, 0, side, side));
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmaps_.insert(key, pixmap);
    return pixmap;
}

void StateMarkDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyleOptionViewItem text = rowToPaint(option);
    initStyleOption(&text, index);
    // The mark keeps its own place at the left end; the selection covers the name.
    text.rect.setLeft(option.rect.left() + kTextIndent);
    paintRowWithFocus(painter, option, text);

    const int state = index.data(Collection::StateRole).toInt();
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(markRect(option.rect).topLeft(), markPixmap(state, ratio));
}

QSize StateMarkDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setWidth(size.width() + kTextIndent);
    size.setHeight(qMax(size.height(), kMarkSize));
    return size;
}

CollectionView::CollectionView(QWidget* parent)
    : QListView(parent), delegate_(new StateMarkDelegate(this)) {
    setObjectName(QStringLiteral("ImageName"));
    setToolTip(tr("List of file names in wallpaper collection"));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setItemDelegate(delegate_);
}

void CollectionView::setCollection(Collection& collection) {
    setModel(&collection);
    // The collection keeps the selection, so commands on selected rows work without a window.
    QItemSelectionModel* created = selectionModel();
    setSelectionModel(collection.selectionModel());
    if (created && created != collection.selectionModel())
        created->deleteLater();
    // Entries join at the end, where a long collection would hide them: the list shows the last
    // one added, once per command however many it adds.
    connect(&collection, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int, int last) {
                if (std::exchange(addedRow_, last) < 0)
                    QMetaObject::invokeMethod(
                        this,
                        [this] {
                            if (model() && addedRow_ < model()->rowCount())
                                scrollTo(model()->index(addedRow_, 0));
                            addedRow_ = -1;
                        },
                        Qt::QueuedConnection);
            });
}

int CollectionView::TopIndex() const {
    const QModelIndex top = indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : 0;
}

int CollectionView::MarkSlotLast() const {
    const int rowHeight =
        qMax(1, sizeHintForRow(0) > 0 ? sizeHintForRow(0) : StateMarkDelegate::kMarkSize);
    return qMax(0, viewport()->height() / rowHeight - 1);
}

QRect CollectionView::markRectOfRow(int row) const {
    if (!model())
        return {};
    const QRect rowRect = visualRect(model()->index(row, 0));
    if (!rowRect.isValid() || !viewport()->rect().intersects(rowRect))
        return {};
    return StateMarkDelegate::markRect(rowRect);
}

void CollectionView::ShowImageMark(int slot) {
    if (slot < 0 || slot > MarkSlotLast() || !model())
        return;
    const QRect mark = markRectOfRow(TopIndex() + slot);
    if (mark.isValid())
        viewport()->update(mark);
}

void CollectionView::RefreshMarks() {
    for (int slot = 0; slot <= MarkSlotLast(); ++slot)
        ShowImageMark(slot);
}

int CollectionView::markRowAt(const QPoint& position) const {
    const QModelIndex index = indexAt(position);
    if (!index.isValid())
        return -1;
    return StateMarkDelegate::markRect(visualRect(index)).contains(position) ? index.row() : -1;
}

void CollectionView::mousePressEvent(QMouseEvent* event) {
    const int row = event->button() == Qt::LeftButton ? markRowAt(event->position().toPoint()) : -1;
    if (row < 0) {
        pressedOnMark_ = false;
        QListView::mousePressEvent(event);
        return;
    }
    pressedOnMark_ = true;
    setFocus(Qt::MouseFocusReason);
    event->accept();
    Q_EMIT ImageMark_Click(row);
}

void CollectionView::mouseReleaseEvent(QMouseEvent* event) {
    if (pressedOnMark_) {
        pressedOnMark_ = false;
        event->accept();
        return;
    }
    QListView::mouseReleaseEvent(event);
}

void CollectionView::mouseDoubleClickEvent(QMouseEvent* event) {
    const int row = event->button() == Qt::LeftButton ? markRowAt(event->position().toPoint()) : -1;
    if (row < 0) {
        QListView::mouseDoubleClickEvent(event);
        return;
    }
    // Two clicks toggle twice. Where the platform delivers the second press before the
    // double-click, that press has toggled already; otherwise the double-click stands for it.
    // It never reaches the list (no row activation).
    const bool toggled = pressedOnMark_;
    pressedOnMark_ = true;
    event->accept();
    if (!toggled)
        Q_EMIT ImageMark_Click(row);
}

} // namespace kv
