// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "engine/Options.h"
#include "engine/Random.h"
#include "engine/WallpaperEngine.h"
#include "shots/ShotLook.h"
#include "support/FakeDesktop.h"
#include "support/ManualClock.h"
#include "ui/Contrast.h"
#include "ui/options/CheckGroups.h"
#include "ui/options/ColorPicker.h"
#include "ui/options/OptionsForm.h"
#include "ui/options/ProgOpts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QTest>

using namespace kv;

namespace {

// A record as LoadOptions leaves a fresh store, with the change fields the row asks for.
Options recordWith(int automatic, int logon, int period, int time) {
    Options o;
    o.Automatic = automatic;
    o.AutoLogon = logon;
    o.AutoPeriod = period;
    o.AutoTime = time;
    o.AutoPeriodHours = 1;
    o.AutoTimeHours = 12;
    o.Stretch = 2;
    o.AutoSelection = 1;
    o.AutoStart = 1;
    o.Confirm1 = o.Confirm2 = o.Confirm3 = o.Confirm4 = 1;
    o.AutoChangeDate = QDate(2026, 3, 14);
    o.AutoChangeTime = QTime(8, 15);
    return o;
}

// The engine the options dialog applies its record through, on a desktop in memory.
struct Applying {
    explicit Applying(const Options& options) : record(options) {}
    Options record;
    test::ManualClock clock{QDateTime(QDate(2026, 3, 14), QTime(8, 15))};
    Collection collection;
    ClockSeededRandom random{clock};
    test::FakeDesktop desktop;
    WallpaperEngine engine{collection, record, clock, random, desktop};
};

// "010": boxes clear (0), ticked (1) or grey (g).
QString ticks(const QList<QCheckBox*>& boxes) {
    QString s;
    for (const QCheckBox* box : boxes)
        s += "0g1"[box->checkState()];
    return s;
}

// How the change part reads, "010 Pt GS SBS on": the change boxes; period fields enabled (P) or
// not (p), time fields (T/t); the tones of the period and time units and of the change captions
// (B normal, S muted, G accent); the boxes on, or off as in manual mode. '?' marks a mixed group.
QString look(const ProgOpts& d) {
    const auto tone = [](const QWidget* w) {
        return QChar("BSG"[int(CaptionToneOf(w))]);
    };
    const auto same = [](const QString& s) {
        return s.count(s[0]) == s.size() ? s[0] : u'?';
    };
    const auto on = [&same](QList<QWidget*> fields, QChar yes) {
        QString s;
        for (const QWidget* w : fields)
            s += w->isEnabled() ? yes : yes.toLower();
        return same(s);
    };
    QString boxesOn, captions;
    for (QWidget* w : {d.change(0), d.change(1), d.change(2), d.order(0), d.order(1)})
        boxesOn += w->isEnabled() ? u'1' : u'0';
    for (int i = 0; i < 3; ++i)
        captions += tone(d.change(i));
    const QChar mode = same(boxesOn + (d.changeMode(0)->isChecked() ? u'0' : u'1'));
    return ticks({d.change(0), d.change(1), d.change(2)}) + u' ' +
           on({d.pDay(), d.pHour(), d.pMin()}, u'P') + on({d.twDay(), d.tHour(), d.tMin()}, u'T') +
           u' ' + same(QString(tone(d.pd())) + tone(d.ph()) + tone(d.pm())) +
           same(QString(tone(d.th())) + tone(d.tm())) + u' ' + captions +
           QLatin1String(mode == u'1'   ? " on"
                         : mode == u'0' ? " off"
                                        : " ?");
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
    const QImage image = caption->grab(text).toImage();
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb background = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        background = it.value() > counts.value(background) ? it.key() : background;
    double best = 1.0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        best = std::max(best, ContrastRatio(QColor(it.key()), QColor(background)));
    return best;
}

} // namespace

class TestOptionsDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void numberParsing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("expected");
        QTest::newRow("above the range") << "150" << 99 << 99;
        QTest::newRow("negative") << "-3" << 99 << 0;
        QTest::newRow("no digits") << "abc" << 99 << 0;
        QTest::newRow("half rounds to even below") << "2.5" << 99 << 2;
        QTest::newRow("half rounds to even above") << "3.5" << 99 << 4;
        QTest::newRow("fraction alone") << ".7" << 99 << 1;
        QTest::newRow("blanks inside") << " 1 2 " << 99 << 12;
        QTest::newRow("trailing text") << "12abc" << 99 << 12;
        QTest::newRow("hundred digits") << QString(100, u'9') << 59 << 59;
        QTest::newRow("sign without digits") << "-" << 99 << 0;
        QTest::newRow("exponent is text") << "1e3" << 99 << 1;
        QTest::newRow("other digits are text") << QStringLiteral("\u0664") << 99 << 0;
    }
    void numberParsing() {
        QFETCH(QString, text);
        QFETCH(int, max);
        QTEST(NumberFieldValue(text, 0, max), "expected");
    }

    // Each field keeps its own range on Set.
    void fieldsOnSet_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        for (const auto& [field, text, expected] : {std::tuple{"PDay", "50", 50},
                                                    {"PDay", "150", 99},
                                                    {"PHour", "30", 23},
                                                    {"PMin", "75", 59},
                                                    {"THour", "24", 23},
                                                    {"TMin", "-1", 0}})
            QTest::addRow("%s %s", field, text) << field << text << expected;
    }
    void fieldsOnSet() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        Options record = recordWith(1, 0, 1, 0);
        ProgOpts dialog(record);
        dialog.findChild<QLineEdit*>(field)->setText(text);
        dialog.Set_Click();
        const std::map<QString, qint32 Options::*> fields{{"PDay", &Options::AutoPeriodDays},
                                                          {"PHour", &Options::AutoPeriodHours},
                                                          {"PMin", &Options::AutoPeriodMins},
                                                          {"THour", &Options::AutoTimeHours},
                                                          {"TMin", &Options::AutoTimeMins}};
        QTEST(record.*fields.at(field), "expected");
        QCOMPARE(dialog.applied(), 1);
    }

    // Rules of the mode, change, position and order boxes, run by the filling and by clicks: one
    // change box ticked, one position, one order; clearing the last one ticks it again. Set
    // stores the boxes as shown.
    void boxRules_data() {
        QTest::addColumn<QString>("record"); // Automatic, AutoLogon, AutoPeriod, AutoTime, Stretch
        QTest::addColumn<QString>(
            "clicks"); // m manual, a automatic, cN change, sN position, oN order
        QTest::addColumn<QString>("look"); // as look(), then the position and order boxes
        const auto row = [](const char* name, const char* record, const char* clicks,
                            const char* look) {
            QTest::newRow(name) << record << clicks << look;
        };
        row("fill: logon", "11002", "", "100 pt SS BSS on 00100 01");
        row("fill: interval", "10102", "", "010 Pt GS SBS on 00100 01");
        row("fill: time", "10012", "", "001 pT SG SSB on 00100 01");
        row("fill: all three 0 shows interval", "10002", "", "010 Pt GS SBS on 00100 01");
        row("fill: manual disables everything", "00012", "", "001 pt SG SSB off 00100 01");
        row("ticking at specified time", "10102", "c2", "001 pT SG SSB on 00100 01");
        row("ticking at logon clears interval", "10102", "c0", "100 pt SS BSS on 00100 01");
        row("clearing the only ticked box", "10102", "c1", "010 Pt GS SBS on 00100 01");
        row("manual to automatic with interval", "00102", "a", "010 Pt GS SBS on 00100 01");
        row("automatic to manual keeps states", "10012", "m", "001 pt SG SSB off 00100 01");
        row("manual and back enables the ticked box's", "10012", "m,a",
            "001 pT SG SSB on 00100 01");
        row("tile over stretch", "10102", "s1", "010 Pt GS SBS on 01000 01");
        row("center over tile", "10101", "s0", "010 Pt GS SBS on 10000 01");
        row("clearing the only position", "10102", "s2", "010 Pt GS SBS on 00100 01");
        row("fill over fit", "10103", "s4", "010 Pt GS SBS on 00001 01");
        row("sequential over random", "10102", "o0", "010 Pt GS SBS on 00100 10");
        row("clearing the only order", "10102", "o1", "010 Pt GS SBS on 00100 01");
    }
    void boxRules() {
        QFETCH(QString, record);
        QFETCH(QString, clicks);
        const auto digit = [&record](int i) {
            return record[i].digitValue();
        };
        Options o = recordWith(digit(0), digit(1), digit(2), digit(3));
        o.Stretch = digit(4);
        ProgOpts d(o);
        for (const QString& click : clicks.split(u',', Qt::SkipEmptyParts)) {
            const int i = click.mid(1).toInt();
            const std::map<QChar, QAbstractButton*> buttons{{u'm', d.changeMode(0)},
                                                            {u'a', d.changeMode(1)},
                                                            {u'c', d.change(qMin(i, 2))},
                                                            {u's', d.stretch(i)},
                                                            {u'o', d.order(qMin(i, 1))}};
            buttons.at(click[0])->click();
            QVERIFY(!QStringLiteral("so").contains(click[0]) ||
                    CaptionToneOf(buttons.at(click[0])) == CaptionTone::Normal);
        }
        const QString stretch =
            ticks({d.stretch(0), d.stretch(1), d.stretch(2), d.stretch(3), d.stretch(4)});
        const QString order = ticks({d.order(0), d.order(1)});
        QTEST(look(d) + u' ' + stretch + u' ' + order, "look");
        d.Set_Click();
        QCOMPARE(QStringLiteral("%1%2%3 %4 %5")
                     .arg(o.AutoLogon)
                     .arg(o.AutoPeriod)
                     .arg(o.AutoTime)
                     .arg(o.Stretch)
                     .arg(o.AutoSelection),
                 look(d).left(3) + u' ' + QString::number(stretch.indexOf(u'1')) + u' ' +
                     QString::number(order.indexOf(u'1')));
    }

    void fillShowsEveryField() {
        Options record = recordWith(1, 0, 0, 1);
        record.AutoPeriodDays = 3;
        record.AutoTimeHours = 24; // loads as 24, shows as 23
        record.AutoTimeWeekday = 9;
        record.Backgroud = 0x2A754E;
        record.AutoStart = 0;
        record.Confirm3 = 0;
        record.OptTab = 1;
        ProgOpts dialog(record);
        QCOMPARE(dialog.pDay()->text() + u' ' + dialog.tHour()->text(), QStringLiteral("3 23"));
        QCOMPARE(dialog.twDay()->currentIndex(), 7);
        QCOMPARE(dialog.bColor()->color(), QColor(78, 117, 42));
        QCOMPARE(ticks({dialog.doAutoStart(), dialog.doConfirm(1), dialog.doConfirm(3)}), "010");
        QCOMPARE(dialog.tabs()->currentIndex(), 1);
        // Linux has no "Windows logon".
        QCOMPARE(dialog.change(0)->text().contains(QLatin1String("Windows")),
                 QSysInfo::productType() == QLatin1String("windows"));
        record.OptTab = 7;
        ProgOpts outOfRange(record);
        QCOMPARE(outOfRange.tabs()->currentIndex(), 0);
        QCOMPARE(record.OptTab, 0);
    }

    // Close, Esc or the window's close command after edits: the record keeps every value but
    // the page shown, and nothing is applied; the next showing shows the record, not the
    // abandoned edits, on the page shown last, where the window was left. Return sets them all.
    void closeOrSet_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("applied");
        QTest::addColumn<QString>(
            "record"); // days, the change boxes, automatic, stretch, Confirm2, tab
        QTest::addColumn<QString>("reopened");
        QTest::newRow("Close") << "close" << 0 << "0 010 1 2 1 2"
                               << "0 010 Pt GS SBS on 00112";
        QTest::newRow("Esc") << "escape" << 0 << "0 010 1 2 1 2"
                             << "0 010 Pt GS SBS on 00112";
        QTest::newRow("window") << "window" << 0 << "0 010 1 2 1 2"
                                << "0 010 Pt GS SBS on 00112";
        QTest::newRow("Return") << "return" << 1 << "5 001 0 1 0 2"
                                << "5 001 pt SG SSB off 01002";
    }
    void closeOrSet() {
        QFETCH(QString, how);
        Applying bench(recordWith(1, 0, 1, 0));
        ProgOpts dialog(bench.record);
        dialog.setRestoredPosition(QPoint(150 * 15, 90 * 15));
        dialog.setShownHookForTest([how](ProgOpts& d) {
            d.pDay()->setText(QStringLiteral("5"));
            d.change(2)->click();
            d.changeMode(0)->click();
            d.stretch(1)->click();
            d.doConfirm(2)->setChecked(false);
            d.tabs()->setCurrentIndex(2);
            d.move(210, 120);
            if (how == QLatin1String("escape") || how == QLatin1String("return"))
                QTest::keyClick(how == QLatin1String("return") ? d.pDay()
                                                               : static_cast<QWidget*>(&d),
                                how == QLatin1String("return") ? Qt::Key_Return : Qt::Key_Escape);
            else
                how == QLatin1String("close") ? d.closeButton()->click() : (void)d.close();
        });
        QTEST(Settings_Click(dialog, bench.engine), "applied");
        // Applied through the engine: the desktop takes the dialog's position.
        QTEST(bench.desktop.styleSets, "applied");
        const Options& o = bench.record;
        QTEST(QStringLiteral("%1 %2%3%4 %5 %6 %7 %8")
                  .arg(o.AutoPeriodDays)
                  .arg(o.AutoLogon)
                  .arg(o.AutoPeriod)
                  .arg(o.AutoTime)
                  .arg(o.Automatic)
                  .arg(o.Stretch)
                  .arg(o.Confirm2)
                  .arg(o.OptTab),
              "record");
        QCOMPARE(dialog.positionTwips(), QPoint(210 * 15, 120 * 15));
        QString reopened;
        dialog.setShownHookForTest([&reopened](ProgOpts& d) {
            reopened = d.pDay()->text() + u' ' + look(d) + u' ' +
                       ticks({d.stretch(0), d.stretch(1), d.stretch(2), d.doConfirm(2)}) +
                       QString::number(d.tabs()->currentIndex());
            d.closeButton()->click();
        });
        QCOMPARE(Settings_Click(dialog, bench.engine), 0);
        QTEST(reopened, "reopened");
    }

    // The chooser starts from the button's colour; cancel keeps it; only Set stores it.
    void colourChooser_data() {
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("confirmed") << true;
        QTest::newRow("cancelled") << false;
    }
    void colourChooser() {
        QFETCH(bool, confirmed);
        Options record = recordWith(1, 0, 1, 0);
        record.Backgroud = 0x0000FF; // red in the stored layout
        ProgOpts dialog(record);
        QColor offered;
        dialog.setColorChooser([&offered, confirmed](const QColor& initial, QWidget*) {
            offered = initial;
            return confirmed ? QColor(Qt::blue) : QColor();
        });
        dialog.BColor_Click();
        QCOMPARE(offered, QColor(Qt::red));
        QCOMPARE(dialog.bColor()->color(), confirmed ? QColor(Qt::blue) : QColor(Qt::red));
        QCOMPARE(record.Backgroud, 0x0000FF);
        dialog.Set_Click();
        QCOMPARE(record.Backgroud, confirmed ? 0xFF0000 : 0x0000FF);
    }

    // Ticked captions and the unit labels of the ticked box read as text (4.5:1), cleared ones
    // muted but readable (3:1), on Qt's light palette and on a dark one.
    void captionsReadOnLightAndDark_data() {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<double>("least");
        QTest::addColumn<double>("most");
        for (const bool dark : {false, true}) {
            const char* shade = dark ? "dark: " : "light: ";
            QTest::addRow("%sticked box", shade) << dark << "Change1" << 4.5 << 21.0;
            QTest::addRow("%scleared box", shade) << dark << "Change0" << 3.0 << 4.5;
            QTest::addRow("%sunit of ticked box", shade) << dark << "Pd" << 4.5 << 21.0;
            QTest::addRow("%sunit of cleared box", shade) << dark << "Th" << 3.0 << 4.5;
        }
    }
    void captionsReadOnLightAndDark() {
        QFETCH(bool, dark);
        QFETCH(QString, caption);
        QFETCH(double, least);
        QFETCH(double, most);
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setPalette(dark ? test::darkPalette()
                                      : QApplication::style()->standardPalette());
        Options record = recordWith(1, 0, 1, 0);
        ProgOpts dialog(record);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const double contrast = drawnContrast(dialog.findChild<QWidget*>(caption));
        QApplication::setPalette(QApplication::style()->standardPalette());
        QVERIFY2(contrast >= least && contrast < most, qPrintable(QString::number(contrast)));
    }
};

QTEST_MAIN(TestOptionsDialog)
#include "tst_options_dialog.moc"
