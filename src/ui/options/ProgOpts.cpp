// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/options/ProgOpts.h"

#include "engine/Options.h"
#include "engine/WallpaperEngine.h"
#include "ui/AccessibleNames.h"
#include "ui/PictureButtons.h"
#include "ui/options/CheckGroups.h"
#include "ui/options/OptionsForm.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace kv {
namespace {

bool ticked(const QCheckBox* box) {
    return box->checkState() != Qt::Unchecked;
}

} // namespace

QString ProgOpts::changeTooltipText() {
    return tr("Wallpaper change options. The last automatic change happened at ");
}

QString ProgOpts::logonCaption() {
#ifdef Q_OS_WIN
    return tr("at Windows logon");
#else
    return tr("at logon");
#endif
}

ProgOpts::ProgOpts(Options& options, QWidget* owner) : TwipsDialog(owner), options_(options) {
    setObjectName(QStringLiteral("ProgOpts"));
    setWindowTitle(tr("Kestrovaline wallpaper manager options"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/kestrovaline.svg")));

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("Tabs"));
    tabs_->addTab(buildChangePage(), tr("Auto-change"));
    tabs_->addTab(buildViewPage(), tr("  View"));
    tabs_->addTab(buildMessagesPage(), tr("  Messages"));
    for (int t = 0; t <= kLastTab; ++t)
        tabs_->setTabToolTip(t, tr("Wallpaper auto-change options"));
    tabs_->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab:selected { font-weight: bold; }"));
    connect(tabs_, &QTabWidget::currentChanged, this, &ProgOpts::Tabs_Click);
    // Ctrl+Tab turns the page wherever the focus is: the tabs take it only from within a page,
    // and the dialog opens with the focus on OK. Going back is bound to Ctrl+Shift+Backtab
    // alone on X11, which a keyboard's Ctrl+Shift+Tab never matches.
    const auto turnPages = [this](QList<QKeySequence> keys, int step) {
        auto* shortcut = new QShortcut(this);
        shortcut->setKeys(keys);
        connect(shortcut, &QShortcut::activated, this, [this, step] {
            tabs_->setCurrentIndex((tabs_->currentIndex() + step) % (kLastTab + 1));
        });
    };
    QList<QKeySequence> back = QKeySequence::keyBindings(QKeySequence::PreviousChild);
    const QKeySequence shiftTab(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab);
    if (!back.contains(shiftTab)) // a key bound twice would count as ambiguous
        back << shiftTab;
    turnPages(QKeySequence::keyBindings(QKeySequence::NextChild), 1);
    turnPages(back, kLastTab);

    changeGroup_ = new ChangeGroup({change_[0], change_[1], change_[2]},
                                   {ChangeGroup::Followers{},
                                    ChangeGroup::Followers{{pDay_, pHour_, pMin_}, {pd_, ph_, pm_}},
                                    ChangeGroup::Followers{{twDay_, tMin_, tHour_}, {tm_, th_}}},
                                   this);
    stretchGroup_ = new OptionGroup(QList<QCheckBox*>(stretch_.begin(), stretch_.end()), this);
    orderGroup_ = new OptionGroup({order_[0], order_[1]}, this);
    TabToChosenButton({changeMode_[0], changeMode_[1]});
    for (int i = 0; i < 2; ++i)
        connect(changeMode_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on && !filling_)
                ChangeMode_Click(i);
        });
    connect(bColor_, &QPushButton::clicked, this, &ProgOpts::BColor_Click);

    set_ = makeSetButton(this);
    describeButton(set_, tr("Set currently selected options"));
    set_->setDefault(true);
    close_ = makeCloseButton(this);
    describeButton(close_, tr("Cancel options change"));
    connect(set_, &QPushButton::clicked, this, &ProgOpts::Set_Click);
    connect(close_, &QPushButton::clicked, this, &ProgOpts::Close_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(set_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 10);
    layout->setSpacing(10);
    layout->addWidget(tabs_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    NameControlsByToolTip(this);

    Form_Activate();
}

void ProgOpts::Form_Activate() {
    const Options& o = options_;
    pDay_->setText(FieldText(o.AutoPeriodDays, kPeriodDaysRange));
    pHour_->setText(FieldText(o.AutoPeriodHours, kPeriodHoursRange));
    pMin_->setText(FieldText(o.AutoPeriodMins, kPeriodMinsRange));
    tHour_->setText(FieldText(o.AutoTimeHours, kTimeHoursRange));
    tMin_->setText(FieldText(o.AutoTimeMins, kTimeMinsRange));
    twDay_->setCurrentIndex(ForcedInto(o.AutoTimeWeekday, kWeekdayRange));

    // The mode rule runs on every filling, also when the option shown is already selected.
    const int mode = ForcedInto(o.Automatic, kFlagRange);
    filling_ = true;
    changeMode_[mode]->setChecked(true);
    filling_ = false;
    ChangeMode_Click(mode);

    // "With time interval" first, so that a record with no mode at all shows that one.
    change_[1]->setCheckState(Qt::Checked);
    const std::array<qint32, 3> modes{o.AutoLogon, o.AutoPeriod, o.AutoTime};
    for (int i = 0; i < 3; ++i)
        change_[i]->setCheckState(ForcedInto(modes[i], kFlagRange) ? Qt::Checked : Qt::Unchecked);

    stretchGroup_->tick(ForcedInto(o.Stretch, kStretchRange));
    orderGroup_->tick(ForcedInto(o.AutoSelection, kFlagRange));

    // A change box that became ticked above enabled its fields whatever the mode; in manual mode
    // the mode rule puts them back to disabled, as a click on "manual" would.
    if (mode == 0)
        ChangeMode_Click(0);

    bColor_->setColor(ColorFromStored(o.Backgroud));
    doAutoStart_->setChecked(o.AutoStart != 0);
    for (int k = 1; k <= 4; ++k) {
        confirmFilled_[k - 1] = *o.Confirm(k) != 0;
        doConfirm_[k - 1]->setChecked(confirmFilled_[k - 1]);
    }

    // A tab edited by hand to something that is no page shows the first page.
    const int tab = o.OptTab >= 0 && o.OptTab <= kLastTab ? o.OptTab : 0;
    Tabs_Click(tab);

    wtText_->setToolTip(changeTooltipText() +
                        QLocale().toString(o.LastChange(), QLocale::ShortFormat));
}

void ProgOpts::ChangeMode_Click(int index) {
    const bool on = index == 1;
    for (QWidget* field :
         std::initializer_list<QWidget*>{pDay_, pHour_, pMin_, twDay_, tHour_, tMin_})
        field->setEnabled(on);
    int last = 0;
    for (int i = 0; i < 3; ++i) {
        change_[i]->setEnabled(on);
        if (ticked(change_[i]))
            last = i;
    }
    if (on) {
        // Grey first: every box's rule runs once more, then the last ticked one wins again and
        // brings its fields back.
        for (QCheckBox* box : change_)
            box->setCheckState(Qt::PartiallyChecked);
        change_[last]->setCheckState(Qt::Checked);
    }
    for (QCheckBox* box : order_)
        box->setEnabled(on);
}

void ProgOpts::Tabs_Click(int tab) {
    if (tab < 0 || tab > kLastTab)
        return;
    if (tabs_->currentIndex() != tab) {
        tabs_->setCurrentIndex(tab); // comes back here through currentChanged
        return;
    }
    options_.OptTab = tab;
}

void ProgOpts::BColor_Click() {
    bColor_->setColor(PickColor(bColor_->color(), this, chooser_));
}

void ProgOpts::Set_Click() {
    Options& o = options_;
    o.AutoPeriodDays = NumberFieldValue(pDay_->text(), kPeriodDaysRange.min, kPeriodDaysRange.max);
    o.AutoPeriodHours =
        NumberFieldValue(pHour_->text(), kPeriodHoursRange.min, kPeriodHoursRange.max);
    o.AutoPeriodMins = NumberFieldValue(pMin_->text(), kPeriodMinsRange.min, kPeriodMinsRange.max);
    o.AutoTimeHours = NumberFieldValue(tHour_->text(), kTimeHoursRange.min, kTimeHoursRange.max);
    o.AutoTimeMins = NumberFieldValue(tMin_->text(), kTimeMinsRange.min, kTimeMinsRange.max);
    o.AutoTimeWeekday = ForcedInto(std::max(twDay_->currentIndex(), 0), kWeekdayRange);
    o.Automatic = changeMode_[0]->isChecked() ? 0 : 1;
    o.AutoLogon = ticked(change_[0]) ? 1 : 0;
    o.AutoPeriod = ticked(change_[1]) ? 1 : 0;
    o.AutoTime = ticked(change_[2]) ? 1 : 0;
    o.Stretch = std::max(stretchGroup_->tickedIndex(), 0);
    o.AutoSelection = ticked(order_[0]) ? 0 : 1;
    o.Backgroud = StoredFromColor(bColor_->color());
    o.AutoStart = doAutoStart_->isChecked() ? 1 : 0;
    // A message's "do not show again" can switch its kind off while the dialog is open; a box
    // the user left alone must not bring that message back.
    for (int k = 1; k <= 4; ++k) {
        const bool shown = doConfirm_[k - 1]->isChecked();
        const bool on = shown != confirmFilled_[k - 1] ? shown : *o.Confirm(k) != 0;
        *o.Confirm(k) = on ? 1 : 0;
    }
    applied_ = 1;
    hide();
}

void ProgOpts::Close_Click() {
    applied_ = 0;
    hide();
}

void ProgOpts::reject() {
    Close_Click();
}

void ProgOpts::changeEvent(QEvent* event) {
    TwipsDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        RetoneCaptions(this);
}

int ProgOpts::showModal() {
    Form_Activate();
    applied_ = 0;
    // Modal to its owner only: modal to the whole program it would block the tray icon's own
    // window too, and its clicks would be lost while the dialog is up.
    setWindowModality(parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    prepareShowing();
    set_->setFocus();
    exec();
    return applied_;
}

int Settings_Click(ProgOpts& dialog, WallpaperEngine& engine) {
    const int applied = dialog.showModal();
    if (applied == 1)
        engine.ApplyDesktopOptions();
    return applied;
}

} // namespace kv
