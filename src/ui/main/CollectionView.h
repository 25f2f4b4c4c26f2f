// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QListView>
#include <QPixmap>
#include <QStyledItemDelegate>

namespace kv {

class Collection;

// Draws each collection row with its state mark (tick, cross or exclamation mark) at the left
// end and the file name after it.
class StateMarkDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kMarkSize = 17;
    static constexpr int kMarkMargin = 1;
    static constexpr int kTextIndent = kMarkMargin + kMarkSize + 4;

    explicit StateMarkDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static QRect markRect(const QRect& rowRect);
    // The picture of a state at a device pixel ratio, rendered once from its SVG.
    QPixmap markPixmap(int state, qreal devicePixelRatio) const;

private:
    mutable QHash<QString, QPixmap> pixmaps_;
};

// The collection list, `ImageName`: extended selection, a state mark at each row's left end.
// A click on a mark asks for its row to be toggled and leaves the selection alone.
class CollectionView final : public QListView {
    Q_OBJECT
public:
    explicit CollectionView(QWidget* parent = nullptr);

    void setCollection(Collection& collection);

    // First visible row (0 when the list is empty).
    int TopIndex() const;
    // Index of the last mark slot: one slot per row the list shows.
    int MarkSlotLast() const;
    // Redraws the mark of the visible row TopIndex + slot; slots outside the list are ignored.
    void ShowImageMark(int slot);
    void RefreshMarks();
    // Where the mark of a row is drawn, in viewport coordinates (empty when not visible).
    QRect markRectOfRow(int row) const;

Q_SIGNALS:
    // A click or double-click on the mark of row.
    void ImageMark_Click(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int markRowAt(const QPoint& position) const;

    StateMarkDelegate* delegate_;
    bool pressedOnMark_ = false;
    // The last row added since the list last scrolled to one; -1 for none.
    int addedRow_ = -1;
};

} // namespace kv
