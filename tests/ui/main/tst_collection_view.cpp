// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "ui/main/CollectionView.h"

#include <QAccessible>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

// The ImageName list: marks at the left end of each row, clicks on them, extended selection.
class TestCollectionView : public QObject {
    Q_OBJECT

    // Rows marked to skip whose files are absent, so a toggled mark shows them missing.
    struct Shown {
        Collection collection;
        CollectionView view;
        explicit Shown(int rows) {
            for (int i = 0; i < rows; ++i)
                collection.AppendImage(QStringLiteral("picture-%1.jpg").arg(i),
                                       QStringLiteral("/nowhere"), StateSkip);
            view.setCollection(collection);
            view.resize(220, 200);
            view.show();
            QObject::connect(&view, &CollectionView::ImageMark_Click, &collection,
                             [this](int row) { collection.SetImageState(row, StateToggle); });
        }
        QPoint nameCentre(int row) {
            const QRect rect = view.visualRect(collection.index(row));
            return QPoint(rect.left() + StateMarkDelegate::kTextIndent + 20, rect.center().y());
        }
        QImage drawnMark(int row) {
            const QImage grab = view.viewport()->grab().toImage();
            const QRect rect = view.markRectOfRow(row);
            const qreal ratio = grab.devicePixelRatio();
            return grab.copy(QRect(rect.topLeft() * ratio, rect.size() * ratio));
        }
    };

private Q_SLOTS:
    // A mark toggles its own row, wherever the list is scrolled, and is no part of the
    // selection; a name selects without toggling, Shift extends the selection.
    void clicks_data() {
        QTest::addColumn<int>("scrollTo");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("click");
        QTest::addColumn<int>("toggles");
        QTest::addColumn<int>("selected");
        QTest::newRow("mark at the top") << 0 << 1 << "mark" << 1 << 0;
        QTest::newRow("mark, scrolled to row 20") << 20 << 23 << "mark" << 1 << 0;
        QTest::newRow("double click on a mark toggles twice") << 0 << 1 << "double" << 2 << 0;
        QTest::newRow("name") << 0 << 2 << "name" << 0 << 1;
        QTest::newRow("Shift and a name extends") << 0 << 2 << "shift" << 0 << 3;
    }
    void clicks() {
        QFETCH(int, scrollTo);
        QFETCH(int, row);
        QFETCH(QString, click);
        QFETCH(int, toggles);
        Shown shown(60);
        shown.view.scrollTo(shown.collection.index(scrollTo), QAbstractItemView::PositionAtTop);
        QCOMPARE(shown.view.TopIndex(), scrollTo);
        QSignalSpy clicks(&shown.view, &CollectionView::ImageMark_Click);
        QWidget* at = shown.view.viewport();
        const QPoint mark = shown.view.markRectOfRow(row).center();
        if (click == QLatin1String("mark"))
            QTest::mouseClick(at, Qt::LeftButton, {}, mark);
        else if (click == QLatin1String("double")) {
            // What a double-click delivers: press, release, then press and double-click.
            QTest::mouseClick(at, Qt::LeftButton, {}, mark);
            QTest::mouseDClick(at, Qt::LeftButton, {}, mark);
        } else {
            if (click == QLatin1String("shift"))
                QTest::mouseClick(at, Qt::LeftButton, {}, shown.nameCentre(0));
            QTest::mouseClick(at, Qt::LeftButton,
                              click == QLatin1String("shift") ? Qt::ShiftModifier : Qt::NoModifier,
                              shown.nameCentre(row));
        }
        QCOMPARE(clicks.count(), toggles);
        QVERIFY(!toggles || clicks.last()[0].toInt() == row);
        QCOMPARE(shown.collection.ImageState(row), int(toggles % 2 ? StateMissing : StateSkip));
        QCOMPARE(shown.collection.ImageState(row + 1), int(StateSkip));
        QTEST(int(shown.collection.selectionModel()->selectedRows().size()), "selected");
    }

    // A screen reader hears a row's name and the state its mark shows.
    void rowsTellTheirStateToScreenReaders_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("said");
        QTest::newRow("used") << int(StateUse) << "used";
        QTest::newRow("skipped") << int(StateSkip) << "skipped";
        QTest::newRow("missing") << int(StateMissing) << "missing";
    }
    void rowsTellTheirStateToScreenReaders() {
        QFETCH(int, state);
        QFETCH(QString, said);
        QTemporaryDir folder;
        QVERIFY(QFile(folder.filePath(QStringLiteral("beach.jpg"))).open(QIODevice::WriteOnly));
        Shown shown(0);
        shown.collection.AppendImage(QStringLiteral("beach.jpg"),
                                     state == StateMissing ? "/nowhere" : folder.path(), state);
        QAccessibleInterface* row = QAccessible::queryAccessibleInterface(&shown.view)->child(0);
        QVERIFY(row);
        QCOMPARE(row->text(QAccessible::Name), QStringLiteral("beach.jpg, ") + said);
        QCOMPARE(row->text(QAccessible::Description), said);
    }

    // Marks are 17 pixels at the left end, drawn after their state, sharp on a 2x screen.
    void marks() {
        Shown shown(40);
        const QRect mark = shown.view.markRectOfRow(0);
        QCOMPARE(mark.size(), QSize(17, 17));
        QVERIFY(mark.left() <= 2);
        const int rowHeight = shown.view.visualRect(shown.collection.index(0)).height();
        QVERIFY(rowHeight >= 17);
        QVERIFY(!shown.view.markRectOfRow(39).isValid()); // not visible
        QCOMPARE(shown.view.MarkSlotLast(), shown.view.viewport()->height() / rowHeight - 1);
        shown.collection.SetImageState(0, StateMissing);
        QCOMPARE(shown.drawnMark(1), shown.drawnMark(2));
        QVERIFY(shown.drawnMark(0) != shown.drawnMark(1));
        StateMarkDelegate delegate;
        const QImage use = delegate.markPixmap(StateUse, 2.0).toImage();
        QCOMPARE(use.size(), QSize(34, 34));
        QVERIFY(use != delegate.markPixmap(StateSkip, 2.0).toImage());
        QVERIFY(use != delegate.markPixmap(StateMissing, 2.0).toImage());
    }
};

QTEST_MAIN(TestCollectionView)
#include "tst_collection_view.moc"
