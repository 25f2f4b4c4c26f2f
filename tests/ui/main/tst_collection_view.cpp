// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "ui/main/CollectionView.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

// The ImageName list: marks at the left end of each row, clicks on them, extended selection.
class TestCollectionView : public QObject {
    Q_OBJECT

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
        }
        QPoint markCentre(int row) { return view.markRectOfRow(row).center(); }
        QPoint nameCentre(int row) {
            const QRect rect = view.visualRect(collection.index(row));
            return QPoint(rect.left() + StateMarkDelegate::kTextIndent + 20, rect.center().y());
        }
        void toggleOnClick() {
            QObject::connect(&view, &CollectionView::ImageMark_Click, &collection,
                             [this](int row) { collection.SetImageState(row, StateToggle); });
        }
    };

private Q_SLOTS:
    void listHasExtendedSelectionAndSharesTheCollections() {
        Shown shown(3);
        QCOMPARE(shown.view.objectName(), QStringLiteral("ImageName"));
        QCOMPARE(shown.view.selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(shown.view.selectionModel(), shown.collection.selectionModel());
        QTest::mouseClick(shown.view.viewport(), Qt::LeftButton, {}, shown.nameCentre(0));
        QTest::mouseClick(shown.view.viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          shown.nameCentre(2));
        QCOMPARE(shown.collection.selectionModel()->selectedRows().size(), 3);
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
        QFile file(folder.filePath(QStringLiteral("beach.jpg")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        Shown shown(0);
        shown.collection.AppendImage(
            QStringLiteral("beach.jpg"),
            state == StateMissing ? QStringLiteral("/nowhere") : folder.path(), state);
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&shown.view);
        QVERIFY(list);
        QAccessibleInterface* row = list->child(0);
        QVERIFY(row);
        QCOMPARE(row->text(QAccessible::Name), QStringLiteral("beach.jpg, ") + said);
        QCOMPARE(row->text(QAccessible::Description), said);
    }

    void clickOnAMarkTogglesItsRowOnly_data() {
        QTest::addColumn<int>("scrollTo");
        QTest::addColumn<int>("slot");
        QTest::newRow("top of the list, slot 1") << 0 << 1;
        QTest::newRow("scrolled to row 20, slot 3") << 20 << 3;
    }
    void clickOnAMarkTogglesItsRowOnly() {
        QFETCH(int, scrollTo);
        QFETCH(int, slot);
        Shown shown(60);
        shown.toggleOnClick();
        shown.view.scrollTo(shown.collection.index(scrollTo), QAbstractItemView::PositionAtTop);
        QCOMPARE(shown.view.TopIndex(), scrollTo);
        const int row = scrollTo + slot;
        QSignalSpy clicks(&shown.view, &CollectionView::ImageMark_Click);
        QTest::mouseClick(shown.view.viewport(), Qt::LeftButton, {}, shown.markCentre(row));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks[0][0].toInt(), row);
        // Skip toggles to use; the file is absent, so it ends as missing.
        QCOMPARE(shown.collection.ImageState(row), 3);
        QCOMPARE(shown.collection.ImageState(row + 1), 2);
        // The mark is not part of the selection.
        QVERIFY(shown.collection.selectionModel()->selectedRows().isEmpty());
    }

    void doubleClickOnAMarkTogglesTwice() {
        Shown shown(3);
        shown.toggleOnClick();
        shown.collection.SetImageState(1, StateUse); // file absent: becomes missing
        QCOMPARE(shown.collection.ImageState(1), 3);
        QSignalSpy clicks(&shown.view, &CollectionView::ImageMark_Click);
        // What a double-click delivers: press, release, then press and double-click.
        QTest::mouseClick(shown.view.viewport(), Qt::LeftButton, {}, shown.markCentre(1));
        QTest::mouseDClick(shown.view.viewport(), Qt::LeftButton, {}, shown.markCentre(1));
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(shown.collection.ImageState(1), 3); // missing -> skip -> missing
        QVERIFY(shown.collection.selectionModel()->selectedRows().isEmpty());
    }

    void clickOnANameSelectsWithoutToggling() {
        Shown shown(3);
        shown.toggleOnClick();
        QSignalSpy clicks(&shown.view, &CollectionView::ImageMark_Click);
        QTest::mouseClick(shown.view.viewport(), Qt::LeftButton, {}, shown.nameCentre(2));
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(shown.collection.ImageState(2), 2);
        QCOMPARE(shown.collection.selectionModel()->selectedRows().size(), 1);
    }

    void marksAreSeventeenPixelsAtTheLeftEnd() {
        Shown shown(40);
        const QRect mark = shown.view.markRectOfRow(0);
        QCOMPARE(mark.size(), QSize(17, 17));
        QVERIFY(mark.left() <= 2);
        QVERIFY(shown.view.visualRect(shown.collection.index(0)).height() >= 17);
        QVERIFY(!shown.view.markRectOfRow(39).isValid()); // not visible
        const int rows = shown.view.viewport()->height() /
                         shown.view.visualRect(shown.collection.index(0)).height();
        QCOMPARE(shown.view.MarkSlotLast(), rows - 1);

        StateMarkDelegate delegate;
        const QImage use = delegate.markPixmap(StateUse, 2.0).toImage();
        QCOMPARE(use.size(), QSize(34, 34));
        QVERIFY(use != delegate.markPixmap(StateSkip, 2.0).toImage());
        QVERIFY(use != delegate.markPixmap(StateMissing, 2.0).toImage());
    }

    void drawnMarksFollowTheStates() {
        Shown shown(3);
        shown.collection.SetImageState(0, StateMissing);
        // rows: missing, skip, skip
        const QImage grab = shown.view.viewport()->grab().toImage();
        const auto markOf = [&](int row) {
            const QRect rect = shown.view.markRectOfRow(row);
            const qreal ratio = grab.devicePixelRatio();
            return grab.copy(QRect(rect.topLeft() * ratio, rect.size() * ratio));
        };
        QCOMPARE(markOf(1), markOf(2));
        QVERIFY(markOf(0) != markOf(1));
    }
};

QTEST_MAIN(TestCollectionView)
#include "tst_collection_view.moc"
