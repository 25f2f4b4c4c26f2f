// SPDX-License-Identifier: GPL-3.0-or-later
#include "collection/Collection.h"
#include "engine/Options.h"
#include "engine/Random.h"
#include "engine/WallpaperEngine.h"
#include "engine/desktop/DesktopBackend.h"
#include "settings/Settings.h"
#include "support/FakeDesktop.h"
#include "support/ManualClock.h"
#include "support/MemorySettingsStore.h"
#include "ui/Contrast.h"
#include "ui/ShotLook.h"
#include "ui/options/CheckGroups.h"
#include "ui/options/ColorPicker.h"
#include "ui/options/OptionsForm.h"
#include "ui/options/ProgOpts.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
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

// "010": the change boxes clear (0), ticked (1) or grey (g).
QString boxStates(const ProgOpts& d, int count, QCheckBox* (ProgOpts::*box)(int) const) {
    QString states;
    for (int i = 0; i < count; ++i) {
        const Qt::CheckState s = (d.*box)(i)->checkState();
        states += s == Qt::Checked ? u'1' : s == Qt::Unchecked ? u'0' : u'g';
    }
    return states;
}

// "Pt": period fields enabled (P) or not (p), time fields enabled (T) or not (t). Mixed states
// within a group show as '?'.
QString fieldStates(const ProgOpts& d) {
    const auto group = [](QList<QWidget*> fields, QChar on, QChar off) {
        int enabled = 0;
        for (QWidget* field : fields)
            enabled += field->isEnabled() ? 1 : 0;
        return enabled == fields.size() ? on : enabled == 0 ? off : QChar(u'?');
    };
    return QString(group({d.pDay(), d.pHour(), d.pMin()}, u'P', u'p')) +
           group({d.twDay(), d.tHour(), d.tMin()}, u'T', u't');
}

// Unit label tones: G accent green, S muted, '?' for anything else or a mixed group.
QString labelColours(const ProgOpts& d) {
    const auto group = [](QList<QLabel*> labels) {
        QChar seen;
        for (QLabel* label : labels) {
            const CaptionTone t = CaptionToneOf(label);
            const QChar code = t == CaptionTone::Accent  ? u'G'
                               : t == CaptionTone::Muted ? u'S'
                                                         : u'?';
            if (!seen.isNull() && seen != code)
                return QChar(u'?');
            seen = code;
        }
        return seen;
    };
    return QString(group({d.pd(), d.ph(), d.pm()})) + group({d.th(), d.tm()});
}

// Caption tones of the change boxes: B normal, S muted.
QString captionColours(const ProgOpts& d) {
    QString codes;
    for (int i = 0; i < 3; ++i) {
        const CaptionTone t = CaptionToneOf(d.change(i));
        codes += t == CaptionTone::Normal ? u'B' : t == CaptionTone::Muted ? u'S' : u'?';
    }
    return codes;
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
        if (it.value() > counts.value(background))
            background = it.key();
    double best = 1.0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        best = std::max(best, ContrastRatio(QColor(it.key()), QColor(background)));
    return best;
}

void act(ProgOpts& d, const QString& actions) {
    for (const QString& action : actions.split(u',', Qt::SkipEmptyParts)) {
        if (action == QLatin1String("manual"))
            d.changeMode(0)->click();
        else if (action == QLatin1String("automatic"))
            d.changeMode(1)->click();
        else if (action.startsWith(QLatin1String("click")))
            d.change(action.mid(5).toInt())->click();
        else
            QFAIL(qPrintable(QStringLiteral("unknown action ") + action));
    }
}

// A desktop that only remembers what it was given.

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
        QTest::newRow("empty") << "" << 99 << 0;
        QTest::newRow("half rounds to even below") << "2.5" << 99 << 2;
        QTest::newRow("half rounds to even above") << "3.5" << 99 << 4;
        QTest::newRow("past the half") << "0.51" << 99 << 1;
        QTest::newRow("blanks around") << "  7 " << 99 << 7;
        QTest::newRow("blanks inside") << "1 2" << 99 << 12;
        QTest::newRow("plus sign") << "+5" << 99 << 5;
        QTest::newRow("trailing text") << "12abc" << 99 << 12;
        QTest::newRow("fraction alone") << ".7" << 99 << 1;
        QTest::newRow("hundred digits") << QString(100, u'9') << 59 << 59;
        QTest::newRow("sign without digits") << "-" << 99 << 0;
        QTest::newRow("exponent is text") << "1e3" << 99 << 1;
        QTest::newRow("other digits are text") << QStringLiteral("\u0664") << 99 << 0;
    }
    void numberParsing() {
        QFETCH(QString, text);
        QFETCH(int, max);
        QFETCH(int, expected);
        QCOMPARE(NumberFieldValue(text, 0, max), expected);
    }

    // Each field keeps its own range on Set.
    void fieldsOnSet_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("days up to 99, not 31") << "PDay"
                                               << "50" << 50;
        QTest::newRow("days above 99") << "PDay"
                                       << "150" << 99;
        QTest::newRow("period hours") << "PHour"
                                      << "30" << 23;
        QTest::newRow("period minutes") << "PMin"
                                        << "75" << 59;
        QTest::newRow("stored minutes stay") << "PMin"
                                             << "30" << 30;
        QTest::newRow("time hours") << "THour"
                                    << "24" << 23;
        QTest::newRow("time minutes") << "TMin"
                                      << "-1" << 0;
    }
    void fieldsOnSet() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(int, expected);
        Options record = recordWith(1, 0, 1, 0);
        ProgOpts dialog(record);
        dialog.findChild<QLineEdit*>(field)->setText(text);
        dialog.Set_Click();
        const std::map<QString, qint32 Options::*> fields{
            {QStringLiteral("PDay"), &Options::AutoPeriodDays},
            {QStringLiteral("PHour"), &Options::AutoPeriodHours},
            {QStringLiteral("PMin"), &Options::AutoPeriodMins},
            {QStringLiteral("THour"), &Options::AutoTimeHours},
            {QStringLiteral("TMin"), &Options::AutoTimeMins}};
        QCOMPARE(record.*fields.at(field), expected);
        QCOMPARE(dialog.applied(), 1);
    }

    // Rules of the mode and change boxes, run by the filling and by clicks.
    void changeRules_data() {
        QTest::addColumn<int>("automatic");
        QTest::addColumn<int>("logon");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("time");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("labels");
        QTest::addColumn<QString>("captions");
        QTest::addColumn<bool>("boxesEnabled");

        QTest::newRow("fill: logon") << 1 << 1 << 0 << 0 << ""
                                     << "100"
                                     << "pt"
                                     << "SS"
                                     << "BSS" << true;
        QTest::newRow("fill: interval") << 1 << 0 << 1 << 0 << ""
                                        << "010"
                                        << "Pt"
                                        << "GS"
                                        << "SBS" << true;
        QTest::newRow("fill: time") << 1 << 0 << 0 << 1 << ""
                                    << "001"
                                    << "pT"
                                    << "SG"
                                    << "SSB" << true;
        QTest::newRow("fill: all three 0 shows interval") << 1 << 0 << 0 << 0 << ""
                                                          << "010"
                                                          << "Pt"
                                                          << "GS"
                                                          << "SBS" << true;
        QTest::newRow("fill: manual disables everything") << 0 << 0 << 0 << 1 << ""
                                                          << "001"
                                                          << "pt"
                                                          << "SG"
                                                          << "SSB" << false;
        QTest::newRow("ticking at specified time") << 1 << 0 << 1 << 0 << "click2"
                                                   << "001"
                                                   << "pT"
                                                   << "SG"
                                                   << "SSB" << true;
        QTest::newRow("ticking at logon clears interval") << 1 << 0 << 1 << 0 << "click0"
                                                          << "100"
                                                          << "pt"
                                                          << "SS"
                                                          << "BSS" << true;
        QTest::newRow("clearing the only ticked box") << 1 << 0 << 1 << 0 << "click1"
                                                      << "010"
                                                      << "Pt"
                                                      << "GS"
                                                      << "SBS" << true;
        QTest::newRow("clearing the only ticked logon box") << 1 << 1 << 0 << 0 << "click0"
                                                            << "100"
                                                            << "pt"
                                                            << "SS"
                                                            << "BSS" << true;
        QTest::newRow("manual to automatic with interval") << 0 << 0 << 1 << 0 << "automatic"
                                                           << "010"
                                                           << "Pt"
                                                           << "GS"
                                                           << "SBS" << true;
        QTest::newRow("automatic to manual keeps states and colours")
            << 1 << 0 << 0 << 1 << "manual"
            << "001"
            << "pt"
            << "SG"
            << "SSB" << false;
        QTest::newRow("manual and back enables only the ticked box's fields")
            << 1 << 0 << 0 << 1 << "manual,automatic"
            << "001"
            << "pT"
            << "SG"
            << "SSB" << true;
    }
    void changeRules() {
        QFETCH(int, automatic);
        QFETCH(int, logon);
        QFETCH(int, period);
        QFETCH(int, time);
        QFETCH(QString, actions);
        Options record = recordWith(automatic, logon, period, time);
        ProgOpts dialog(record);
        act(dialog, actions);
        QTEST(boxStates(dialog, 3, &ProgOpts::change), "boxes");
        QTEST(fieldStates(dialog), "fields");
        QTEST(labelColours(dialog), "labels");
        QTEST(captionColours(dialog), "captions");
        QFETCH(bool, boxesEnabled);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(dialog.change(i)->isEnabled(), boxesEnabled);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(dialog.order(i)->isEnabled(), boxesEnabled);
        QCOMPARE(dialog.changeMode(0)->isChecked(), !boxesEnabled);
    }

    void allThreeZeroStoresInterval() {
        Options record = recordWith(1, 0, 0, 0);
        ProgOpts dialog(record);
        dialog.Set_Click();
        QCOMPARE(record.AutoLogon, 0);
        QCOMPARE(record.AutoPeriod, 1);
        QCOMPARE(record.AutoTime, 0);
    }

    // Position and order boxes: one ticked, clearing the last one ticks it again.
    void groupRules_data() {
        QTest::addColumn<int>("stretch");
        QTest::addColumn<QString>("group");
        QTest::addColumn<int>("click");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("stored");
        QTest::newRow("tile over stretch") << 2 << "Stretch" << 1 << "01000" << 1;
        QTest::newRow("center over tile") << 1 << "Stretch" << 0 << "10000" << 0;
        QTest::newRow("clearing the only position") << 2 << "Stretch" << 2 << "00100" << 2;
        QTest::newRow("fit over stretch") << 2 << "Stretch" << 3 << "00010" << 3;
        QTest::newRow("fill over fit") << 3 << "Stretch" << 4 << "00001" << 4;
        QTest::newRow("clearing the only fill") << 4 << "Stretch" << 4 << "00001" << 4;
        QTest::newRow("sequential over random") << 2 << "Order" << 0 << "10" << 0;
        QTest::newRow("clearing the only order") << 2 << "Order" << 1 << "01" << 1;
    }
    void groupRules() {
        QFETCH(int, stretch);
        QFETCH(QString, group);
        QFETCH(int, click);
        Options record = recordWith(1, 0, 1, 0);
        record.Stretch = stretch;
        ProgOpts dialog(record);
        const bool position = group == QLatin1String("Stretch");
        (position ? dialog.stretch(click) : dialog.order(click))->click();
        QTEST(position ? boxStates(dialog, 5, &ProgOpts::stretch)
                       : boxStates(dialog, 2, &ProgOpts::order),
              "expected");
        QCOMPARE(CaptionToneOf(position ? dialog.stretch(click) : dialog.order(click)),
                 CaptionTone::Normal);
        dialog.Set_Click();
        QTEST(position ? record.Stretch : record.AutoSelection, "stored");
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
        QCOMPARE(dialog.pDay()->text(), QStringLiteral("3"));
        QCOMPARE(dialog.tHour()->text(), QStringLiteral("23"));
        QCOMPARE(dialog.twDay()->currentIndex(), 7);
        QCOMPARE(dialog.bColor()->color(), QColor(78, 117, 42));
        QVERIFY(!dialog.doAutoStart()->isChecked());
        QVERIFY(dialog.doConfirm(1)->isChecked());
        QVERIFY(!dialog.doConfirm(3)->isChecked());
        QCOMPARE(dialog.tabs()->currentIndex(), 1);
        QVERIFY(dialog.wtText()->toolTip().startsWith(ProgOpts::changeTooltipText()));
        QVERIFY(dialog.wtText()->toolTip().size() > ProgOpts::changeTooltipText().size());
    }

    void tabOutOfRangeShowsFirstPage() {
        Options record = recordWith(1, 1, 0, 0);
        record.OptTab = 7;
        ProgOpts dialog(record);
        QCOMPARE(dialog.tabs()->currentIndex(), 0);
        QCOMPARE(record.OptTab, 0);
    }

    // Close after edits: the record keeps every value but the page shown, and nothing is
    // applied; the next showing shows the record, not the abandoned edits.
    void cancelKeepsRecordAndPage_data() {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("Close") << false;
        QTest::newRow("Esc") << true;
    }
    void cancelKeepsRecordAndPage() {
        QFETCH(bool, byEscape);
        test::MemorySettingsStore store;
        Settings settings(store);
        test::ManualClock clock{QDateTime(QDate(2026, 3, 14), QTime(8, 15))};
        OptionsKeeper keeper(settings, clock);
        keeper.options() = recordWith(1, 0, 1, 0);
        int applied = 0;
        keeper.ApplyDesktopOptions = [&applied] {
            ++applied;
        };
        ProgOpts dialog(keeper.options());
        const Options before = keeper.options();

        dialog.setShownHookForTest([byEscape](ProgOpts& d) {
            d.pDay()->setText(QStringLiteral("5"));
            d.change(2)->click();
            d.changeMode(0)->click();
            d.stretch(1)->click();
            d.doConfirm(2)->setChecked(false);
            d.tabs()->setCurrentIndex(2);
            if (byEscape)
                QTest::keyClick(&d, Qt::Key_Escape);
            else
                d.closeButton()->click();
        });
        QCOMPARE(Settings_Click(dialog, keeper), 0);
        QCOMPARE(applied, 0);
        const Options& after = keeper.options();
        QCOMPARE(after.AutoPeriodDays, before.AutoPeriodDays);
        QCOMPARE(after.AutoPeriod, 1);
        QCOMPARE(after.AutoTime, 0);
        QCOMPARE(after.Automatic, 1);
        QCOMPARE(after.Stretch, before.Stretch);
        QCOMPARE(after.Confirm2, 1);
        QCOMPARE(after.OptTab, 2);

        // Reopened: the record's values, on the page shown last.
        dialog.setShownHookForTest([](ProgOpts& d) {
            QCOMPARE(d.pDay()->text(), QStringLiteral("0"));
            QCOMPARE(boxStates(d, 3, &ProgOpts::change), QStringLiteral("010"));
            QVERIFY(d.changeMode(1)->isChecked());
            QCOMPARE(boxStates(d, 5, &ProgOpts::stretch), QStringLiteral("00100"));
            QVERIFY(d.doConfirm(2)->isChecked());
            QCOMPARE(d.tabs()->currentIndex(), 2);
            d.closeButton()->click();
        });
        QCOMPARE(Settings_Click(dialog, keeper), 0);
    }

    void closeByWindowCommandKeepsRecordAndPosition() {
        Options record = recordWith(1, 0, 1, 0);
        ProgOpts dialog(record);
        dialog.setRestoredPosition(QPoint(150 * 15, 90 * 15));
        dialog.setShownHookForTest([](ProgOpts& d) {
            d.pDay()->setText(QStringLiteral("9"));
            d.move(210, 120);
            d.close();
        });
        QCOMPARE(dialog.showModal(), 0);
        QCOMPARE(record.AutoPeriodDays, 0);
        QCOMPARE(dialog.positionTwips(), QPoint(210 * 15, 120 * 15));
    }

    // Set and the seam: the scheduler's next moment and the desktop follow the dialog. The
    // engine's ApplyDesktopOptions lives on its own branch; this fake does what it does with
    // the record: style and colour to the desktop, the next moment from the period.
    // The whole path: the dialog's Set reaches the real scheduler and the desktop.
    void setReachesDesktopAndScheduler() {
        test::MemorySettingsStore store;
        Settings settings(store);
        test::ManualClock clock{QDateTime(QDate(2026, 3, 14), QTime(8, 15))};
        OptionsKeeper keeper(settings, clock);
        keeper.options() = recordWith(1, 0, 1, 0);
        keeper.options().AutoChangeDate = QDate(2026, 3, 14);
        keeper.options().AutoChangeTime = QTime(8, 15);
        Collection collection;
        ClockSeededRandom random(clock);
        test::FakeDesktop desktop;
        WallpaperEngine engine(collection, keeper.options(), clock, random, desktop);
        keeper.ApplyDesktopOptions = [&engine] {
            engine.ApplyDesktopOptions();
        };
        keeper.ApplyDesktopOptions();
        QCOMPARE(engine.NextChange(), QDateTime(QDate(2026, 3, 14), QTime(9, 15)));
        QVERIFY(engine.ChangeTimer().isActive());

        ProgOpts dialog(keeper.options());
        dialog.setColorChooser([](const QColor&, QWidget*) { return QColor(0x12, 0x34, 0x56); });
        dialog.setShownHookForTest([](ProgOpts& d) {
            d.pHour()->setText(QStringLiteral("3"));
            d.pMin()->setText(QStringLiteral("30"));
            d.stretch(1)->click();
            d.bColor()->click();
            QTest::keyClick(d.pMin(), Qt::Key_Return);
        });
        QCOMPARE(Settings_Click(dialog, keeper), 1);
        QCOMPARE(engine.NextChange(), QDateTime(QDate(2026, 3, 14), QTime(11, 45)));
        QCOMPARE(desktop.style, int(StyleTile));
        QCOMPARE(desktop.colour, DesktopColor(0x563412));
    }

    // The chooser starts from the button's colour; cancel keeps it.
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
        QCOMPARE(record.Backgroud, 0x0000FF); // only Set stores it
        dialog.Set_Click();
        QCOMPARE(record.Backgroud, confirmed ? 0xFF0000 : 0x0000FF);
    }

    void customColoursFirstSetThenKept() {
        for (int i = 0; i < QColorDialog::customCount(); ++i)
            QColorDialog::setCustomColor(i, QColor(Qt::black));
        ForgetCustomColorsForTest(); // a new run
        const auto answer = [](const QColor& initial, QWidget*) {
            return initial;
        };
        PickColor(Qt::red, nullptr, answer);
        QCOMPARE(QColorDialog::customCount(), 16);
        for (int i = 0; i < 16; ++i)
            QCOMPARE(QColorDialog::customColor(i), QColor(0xDD, 0xDD, 0xDD));
        QColorDialog::setCustomColor(3, QColor(Qt::green)); // what the user defined
        PickColor(Qt::red, nullptr, answer);
        QCOMPARE(QColorDialog::customColor(3), QColor(Qt::green));
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

    void storedColourLayout() {
        QCOMPARE(ColorFromStored(0x2A754E), QColor(78, 117, 42));
        QCOMPARE(StoredFromColor(QColor(78, 117, 42)), 0x2A754E);
    }

    void neutralLogonCaption() {
        Options record = recordWith(1, 1, 0, 0);
        ProgOpts dialog(record);
#ifdef Q_OS_WIN
        QCOMPARE(dialog.change(0)->text(), QStringLiteral("at Windows logon"));
#else
        QCOMPARE(dialog.change(0)->text(), QStringLiteral("at logon"));
#endif
        QCOMPARE(dialog.stretch(1)->text(), QStringLiteral("tile "));
        QCOMPARE(dialog.tabs()->tabText(1), QStringLiteral("  View"));
        QCOMPARE(dialog.tabs()->tabText(2), QStringLiteral("  Messages"));
    }
};

QTEST_MAIN(TestOptionsDialog)
#include "tst_options_dialog.moc"
