// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "ui/main/CollectionView.h"

#include <QAccessible>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

// The ImageName list: marks at the left end of each row, clicks on them.
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
        QImage drawnMark(int row) {
            return view.viewport()->grab(view.markRectOfRow(row)).toImage();
        }
    };

private Q_SLOTS:
    // A mark toggles its own row, wherever the list is scrolled, and is no part of the
    // selection of the collection; a name selects without toggling.
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
        const QRect name = shown.view.visualRect(shown.collection.index(row));
        const QPoint at =
            click == QLatin1String("name")
                ? QPoint(name.left() + StateMarkDelegate::kTextIndent + 20, name.center().y())
                : shown.view.markRectOfRow(row).center();
        QTest::mouseClick(shown.view.viewport(), Qt::LeftButton, {}, at);
        // What a double click delivers: press, release, then press and double click.
        if (click == QLatin1String("double"))
            QTest::mouseDClick(shown.view.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(clicks.count(), toggles);
        QCOMPARE(shown.collection.ImageState(row), int(toggles % 2 ? StateMissing : StateSkip));
        QCOMPARE(shown.collection.ImageState(row + 1), int(StateSkip));
        QTEST(int(shown.collection.selectionModel()->selectedRows().size()), "selected");
    }

    // Each row's mark, 17 pixels, shows the row's state, and a screen reader
    // hears the row's name and that state.
    void rowsShowTheirState() {
        QTemporaryDir folder;
        QVERIFY(QFile(folder.filePath(QStringLiteral("beach.jpg"))).open(QIODevice::WriteOnly));
        Shown shown(0);
        const QList<std::pair<int, QString>> states{
            {StateUse, "used"}, {StateSkip, "skipped"}, {StateMissing, "missing"}};
        for (const auto& [state, said] : states)
            shown.collection.AppendImage(
                QStringLiteral("beach.jpg"),
                state == StateMissing ? QStringLiteral("/nowhere") : folder.path(), state);
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&shown.view);
        for (int row = 0; row < states.size(); ++row) {
            const QString& said = states[row].second;
            QCOMPARE(list->child(row)->text(QAccessible::Name),
                     QStringLiteral("beach.jpg, ") + said);
            QCOMPARE(list->child(row)->text(QAccessible::Description), said);
            QCOMPARE(shown.view.markRectOfRow(row).size(), QSize(17, 17));
            QVERIFY(shown.drawnMark(row) != shown.drawnMark((row + 1) % states.size()));
        }
    }
};

QTEST_MAIN(TestCollectionView)
#include "tst_collection_view.moc"
