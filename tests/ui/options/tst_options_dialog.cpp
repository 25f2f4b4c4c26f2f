// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "engine/Options.h"
#include "engine/Random.h"
#include "engine/WallpaperEngine.h"
#include "shots/ShotLook.h"
#include "support/Announced.h"
#include "support/FakeDesktop.h"
#include "support/ManualClock.h"
#include "ui/Contrast.h"
#include "ui/options/ProgOpts.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace kv;

namespace {

// "010": boxes clear (0), ticked (1) or grey (g).
QString ticks(const QList<QCheckBox*>& boxes) {
    QString s;
    for (const QCheckBox* box : boxes)
        s += "0g1"[box->checkState()];
    return s;
}

// "010 Pt C 00100 01": the change boxes; period and time fields enabled (P, T) or not (p, t);
// change and order boxes on (C) or off (c); position boxes; order boxes. '?': a mixed group.
QString look(const ProgOpts& d) {
    const auto on = [](QList<QWidget*> fields, QChar yes) {
        QString s;
        for (const QWidget* w : fields)
            s += w->isEnabled() ? yes : yes.toLower();
        return s.count(s[0]) == s.size() ? s[0] : u'?';
    };
    return ticks({d.change(0), d.change(1), d.change(2)}) + u' ' +
           on({d.pDay(), d.pHour(), d.pMin()}, u'P') + on({d.twDay(), d.tHour(), d.tMin()}, u'T') +
           u' ' + on({d.change(0), d.change(1), d.change(2), d.order(0), d.order(1)}, u'C') + u' ' +
           ticks({d.stretch(0), d.stretch(1), d.stretch(2), d.stretch(3), d.stretch(4)}) + u' ' +
           ticks({d.order(0), d.order(1)});
}

// Contrast of a caption as drawn: the pixel of the text area farthest from the background
// against the background, which is what covers most of the area.
double drawnContrast(QWidget* caption) {
    QRect text = caption->rect();
    if (auto* box = qobject_cast<QCheckBox*>(caption)) {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        text = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    }
    // Taken from the window, with the page the caption stands on.
    QWidget* window = caption->window();
    const QImage image =
        window->grab(QRect(caption->mapTo(window, text.topLeft()), text.size())).toImage();
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    const QColor background(std::max_element(counts.cbegin(), counts.cend()).key());
    double best = 1.0;
    for (const QRgb colour : counts.keys())
        best = std::max(best, ContrastRatio(QColor(colour), background));
    return best;
}

} // namespace

class TestOptionsDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The toolkit's settings file, shared by every Qt program of the user, is the test's own.
    void initTestCase() {
        QVERIFY(sharedSettings_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, sharedSettings_.path());
    }

    // The round trip. Close or the window's close command after edits keep the record as it
    // was but for the page shown, and apply nothing: the next showing shows the record, not the
    // abandoned edits, on the page shown last, where the window was left. Return stores every
    // edit, which the next showing shows, and applies them once, through the engine. A message
    // switched off by "do not show again" while the dialog was open stays off unless its box was
    // changed.
    void closeOrSet_data() {
        QTest::addColumn<int>("key");      // 0 the Close button, -1 the window's close command
        QTest::addColumn<int>("silenced"); // the message kind switched off meanwhile, 0 none
        QTest::addColumn<int>("applied");
        QTest::addColumn<QString>("reopened");
        const char* kept = "0 0 0 23 0 010 Pt C 00100 01 7 01101 #ff0000 2";
        QTest::newRow("Close") << 0 << 0 << 0 << kept;
        QTest::newRow("window") << -1 << 0 << 0 << kept;
        QTest::newRow("Return") << int(Qt::Key_Return) << 0 << 1
                                << "99 23 59 7 0 001 pt c 01000 01 7 01111 #0000ff 2";
        QTest::newRow("Return, message off")
            << int(Qt::Key_Return) << 2 << 1 << "99 23 59 7 0 001 pt c 01000 01 7 01011 #0000ff 2";
    }
    void closeOrSet() {
        QFETCH(int, key);
        QFETCH(int, silenced);
        Options record;
        record.Automatic = 1; // with no change box ticked, which shows the interval ticked
        record.Stretch = 2;
        record.AutoSelection = record.Confirm1 = record.Confirm2 = record.Confirm4 = 1;
        record.AutoTimeHours = 24; // loads as 24, shows as 23
        record.AutoTimeWeekday = 9;
        record.Backgroud = 0x0000FF; // red in the stored layout
        test::ManualClock clock{QDateTime(QDate(2026, 3, 14), QTime(8, 15))};
        Collection collection;
        ClockSeededRandom random{clock};
        test::FakeDesktop desktop;
        WallpaperEngine engine{collection, record, clock, random, desktop};
        // The dialog blocks its owner alone: the tray icon's own window (here a stand-in) still
        // takes clicks.
        QPushButton owner(QStringLiteral("owner")), tray(QStringLiteral("tray"));
        QString clicked;
        for (QPushButton* window : {&owner, &tray}) {
            window->show();
            connect(window, &QPushButton::clicked,
                    [&clicked, window] { clicked += window->text(); });
        }
        ProgOpts dialog(record, &owner);
        dialog.setRestoredPosition(QPoint(150 * 15, 90 * 15));
        dialog.setShownHookForTest([&](ProgOpts& d) {
            for (QPushButton* window : {&owner, &tray})
                QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                                  window->rect().center());
            // Each field keeps its own range, whatever is typed, in whatever digits and spaces.
            for (const auto& [field, text] : {std::pair{d.pDay(), QStringLiteral("\u3000150")},
                                              {d.pHour(), QStringLiteral("30h")},
                                              {d.pMin(), QString(100, u'9')},
                                              {d.tHour(), QStringLiteral("\u00A0\uFF17h")},
                                              {d.tMin(), QStringLiteral("-1")}})
                field->setText(text);
            // One change box and one position are ticked: a click on the ticked one keeps it.
            d.change(2)->click();
            d.change(2)->click();
            d.stretch(1)->click();
            d.stretch(1)->click();
            d.changeMode(0)->click();
            d.doConfirm(3)->setChecked(true);
            if (silenced)
                OptionsMessageSwitches(record).setConfirm(silenced, 0);
            // A chosen colour, then a cancelled chooser that must keep it.
            for (const QColor& chosen : {QColor(Qt::blue), QColor()}) {
                d.setColorChooser([chosen](const QColor&, QWidget*) { return chosen; });
                d.BColor_Click();
            }
            // Ctrl+Tab and Ctrl+Shift+Tab turn the pages also from OK, where the focus is when
            // the dialog opens: on to the last page, as the keys come from the keyboard.
            d.setButton()->setFocus();
            const Qt::KeyboardModifiers forward = Qt::ControlModifier,
                                        back = Qt::ControlModifier | Qt::ShiftModifier;
            for (const Qt::KeyboardModifiers turn : {forward, back, forward, forward})
                QTest::keyClick(d.setButton(), Qt::Key_Tab, turn);
            d.move(210, 120);
            if (key > 0)
                QTest::keyClick(d.pDay(), Qt::Key(key));
            else
                key == 0 ? d.closeButton()->click() : (void)d.close();
        });
        QTEST(Settings_Click(dialog, engine), "applied");
        QTEST(desktop.styleSets, "applied");
        QCOMPARE(clicked, "tray");
        QCOMPARE(dialog.positionTwips(), QPoint(210 * 15, 120 * 15));
        QString reopened;
        dialog.setShownHookForTest([&reopened](ProgOpts& d) {
            for (const QLineEdit* field : {d.pDay(), d.pHour(), d.pMin(), d.tHour(), d.tMin()})
                reopened += field->text() + u' ';
            reopened += look(d) + u' ' + QString::number(d.twDay()->currentIndex()) + u' ' +
                        ticks({d.doAutoStart(), d.doConfirm(1), d.doConfirm(2), d.doConfirm(3),
                               d.doConfirm(4)}) +
                        u' ' + d.bColor()->color().name() + u' ' +
                        QString::number(d.tabs()->currentIndex());
            d.closeButton()->click();
        });
        QCOMPARE(Settings_Click(dialog, engine), 0);
        QTEST(reopened, "reopened");
    }

    // Tab follows the rows of the Auto-change page: each change box, then its own fields. Each
    // stop has a name for a screen reader to say. Tab and Backtab enter the mode row at the mode
    // chosen, and leave it at once; an arrow key chooses the other.
    void tabFollowsTheRows() {
        Options record;
        record.Automatic = 1;
        ProgOpts dialog(record);
        QStringList order;
        for (QWidget* w = dialog.changeMode(0); w != dialog.order(1); w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus)
                order << w->objectName();
        QCOMPARE(order.join(u' '),
                 "ChangeMode1 Change0 Change1 PDay PHour PMin Change2 TWDay THour TMin Order0");
        QCOMPARE(test::misannounced(&dialog).join(u' '), QString());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.findChild<QTabBar*>()->setFocus();
        order.clear();
        for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Left,
                                  Qt::Key_Backtab, Qt::Key_Tab}) {
            QTest::keyClick(QApplication::focusWidget(), key);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order.join(u' '),
                 "ChangeMode1 Change0 ChangeMode1 ChangeMode0 qt_tabwidget_tabbar ChangeMode0");
    }

    // The chooser shows the program's own custom colours: 0xDDDDDD at first, then what the user
    // defined in it earlier in the run. The user's own, which every Qt program of the user reads
    // from the toolkit's shared file, are the toolkit's again afterwards, and so in the file.
    void colorChooserKeepsTheUsersCustomColors() {
        // The first three custom colours by name.
        const auto names = [](const std::function<QColor(int)>& colorAt) {
            QString s;
            for (int i = 0; i < 3; ++i)
                s += colorAt(i).name() + u' ';
            return s;
        };
        const QString users = "#0000ff #ff0000 #ff00ff ";
        for (int i = 0; i < 3; ++i)
            QColorDialog::setCustomColor(i, QColor(users.sliced(i * 8, 7)));
        QString shown;
        for (const QColor& defined : {QColor(Qt::green), QColor(Qt::yellow)}) {
            QTimer::singleShot(0, this, [&] {
                shown += names(QColorDialog::customColor);
                QColorDialog::setCustomColor(2, defined); // as "Add to Custom Colors" does
                if (auto* chooser = qobject_cast<QColorDialog*>(QApplication::activeModalWidget()))
                    chooser->reject();
            });
            QCOMPARE(PickColor(Qt::cyan, nullptr), QColor(Qt::cyan));
        }
        QCOMPARE(shown, "#dddddd #dddddd #dddddd #dddddd #dddddd #00ff00 ");
        QCOMPARE(names(QColorDialog::customColor), users);
        const QSettings shared(QSettings::UserScope, QStringLiteral("QtProject"));
        QCOMPARE(names([&shared](int i) {
                     return QColor::fromRgba(
                         shared.value(QStringLiteral("Qt/customColors/%1").arg(i)).toUInt());
                 }),
                 users);
    }

    // Ticked captions and the unit labels of the ticked box read as text (4.5:1), cleared ones
    // muted but readable (3:1), on Qt's light palette and on dark ones, also one switched to
    // while the dialog exists; Fusion paints the page in a lightened button colour, which a dark
    // theme may set well apart from the window's.
    void captionsReadOnLightAndDark_data() {
        QTest::addColumn<QString>("palette");
        QTest::newRow("light") << "light";
        QTest::newRow("dark") << "dark";
        QTest::newRow("dark, lighter buttons") << "#222020 #424245"; // window, buttons
        QTest::newRow("dark after light") << "dark>";
    }
    void captionsReadOnLightAndDark() {
        QFETCH(QString, palette);
        QApplication::setStyle(QStringLiteral("Fusion"));
        QPalette colours =
            palette == "light" ? QApplication::style()->standardPalette() : test::darkPalette();
        if (palette.startsWith(u'#')) {
            colours.setColor(QPalette::Window, QColor(palette.section(u' ', 0, 0)));
            colours.setColor(QPalette::Button, QColor(palette.section(u' ', 1)));
        }
        QApplication::setPalette(palette.endsWith(u'>') ? QApplication::style()->standardPalette()
                                                        : colours);
        Options record;
        record.Automatic = record.AutoPeriod = 1;
        ProgOpts dialog(record);
        QApplication::setPalette(colours);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QString unreadable;
        for (const auto& [caption, least, most] : {std::tuple{"Change1", 4.5, 21.0},
                                                   {"Change0", 3.0, 4.5},
                                                   {"Pd", 4.5, 21.0},
                                                   {"Th", 3.0, 4.5}}) {
            const double contrast = drawnContrast(dialog.findChild<QWidget*>(caption));
            if (contrast < least || contrast >= most)
                unreadable += QStringLiteral(" %1 %2").arg(caption).arg(contrast);
        }
        QApplication::setPalette(QApplication::style()->standardPalette());
        QVERIFY2(unreadable.isEmpty(), qPrintable(unreadable));
    }

private:
    QTemporaryDir sharedSettings_;
};

QTEST_MAIN(TestOptionsDialog)
#include "tst_options_dialog.moc"
