// SPDX-License-Identifier: GPL-3.0-or-later
// The three pages of the options dialog: their controls, captions, items and tooltips.
#include "ui/options/CheckGroups.h"
#include "ui/options/OptionsForm.h"
#include "ui/options/ProgOpts.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <utility>

namespace kv {
namespace {

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text,
                  const QString& tooltip) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setToolTip(tooltip);
    return label;
}

QLabel* makeHeading(QWidget* parent, const QString& name, const QString& text,
                    const QString& tooltip) {
    QLabel* label = makeLabel(parent, name, text, tooltip);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QCheckBox* makeBox(QWidget* parent, const QString& name, const QString& text,
                   const QString& tooltip) {
    auto* box = new RuleCheckBox(text, parent);
    box->setObjectName(name);
    box->setToolTip(tooltip);
    // Every box starts clear, so its caption starts in the colour of a cleared box.
    SetCaptionTone(box, CaptionTone::Muted);
    return box;
}

QLineEdit* makeNumberField(QWidget* parent, const QString& name, const QString& tooltip) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setToolTip(tooltip);
    field->setAlignment(Qt::AlignRight);
    field->setInputMethodHints(Qt::ImhDigitsOnly);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 14);
    return field;
}

// Unit labels start green, the colour of a ticked change box.
QLabel* makeUnitLabel(QWidget* parent, const QString& name, const QString& text,
                      const QString& tooltip) {
    QLabel* label = makeLabel(parent, name, text, tooltip);
    SetCaptionTone(label, CaptionTone::Accent);
    return label;
}

QVBoxLayout* pageLayout(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(6);
    return layout;
}

constexpr int kIndent = 18;
constexpr int kSectionGap = 12;

} // namespace

QWidget* ProgOpts::buildChangePage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Frames0"));
    QVBoxLayout* layout = pageLayout(page);

    wtText_ =
        makeHeading(page, QStringLiteral("WTText"), tr("Wallpapers Change:"), changeTooltipText());
    modeFrame_ = new QFrame(page);
    modeFrame_->setObjectName(QStringLiteral("ModeFrame"));
    changeMode_[0] = new QRadioButton(tr("manual"), modeFrame_);
    changeMode_[0]->setObjectName(QStringLiteral("ChangeMode0"));
    changeMode_[0]->setToolTip(tr("Wallpaper can be changed only manually"));
    changeMode_[1] = new QRadioButton(tr("automatic"), modeFrame_);
    changeMode_[1]->setObjectName(QStringLiteral("ChangeMode1"));
    changeMode_[1]->setToolTip(tr("Wallpaper can be changed automatically too"));
    auto* modes = new QHBoxLayout(modeFrame_);
    modes->setContentsMargins(0, 0, 0, 0);
    modes->setSpacing(18);
    modes->addWidget(changeMode_[0]);
    modes->addWidget(changeMode_[1]);
    modes->addStretch();
    auto* head = new QHBoxLayout;
    head->addWidget(wtText_);
    head->addSpacing(12);
    head->addWidget(modeFrame_, 1);
    layout->addLayout(head);

    // Made row by row, each change box before its own fields: Tab follows the order of making.
    change_[0] = makeBox(page, QStringLiteral("Change0"), logonCaption(),
                         tr("Change wallpaper at user logon"));
    change_[1] = makeBox(page, QStringLiteral("Change1"), tr("with time interval"),
                         tr("Change wallpaper periodically"));

    const QString days = tr("Wallpaper change period: days");
    const QString hours = tr("Wallpaper change period: hours");
    pDay_ = makeNumberField(page, QStringLiteral("PDay"), days);
    pd_ = makeUnitLabel(page, QStringLiteral("Pd"), tr("days"), days);
    pHour_ = makeNumberField(page, QStringLiteral("PHour"), hours);
    ph_ = makeUnitLabel(page, QStringLiteral("Ph"), tr("hours"), hours);
    pMin_ = makeNumberField(page, QStringLiteral("PMin"), QString());
    pm_ = makeUnitLabel(page, QStringLiteral("Pm"), tr("min"), QString());

    change_[2] = makeBox(page, QStringLiteral("Change2"), tr("at specified time"),
                         tr("Change wallpaper at specified time of day"));
    twDay_ = new QComboBox(page);
    twDay_->setObjectName(QStringLiteral("TWDay"));
    twDay_->setToolTip(tr("Change wallpaper only at specified day of the week"));
    twDay_->addItems({tr("Everyday"), tr("Sunday"), tr("Monday"), tr("Tuesday"), tr("Wednesday"),
                      tr("Thursday"), tr("Friday"), tr("Saturday")});
    tHour_ = makeNumberField(page, QStringLiteral("THour"), tr("Wallpaper change time: hours"));
    th_ = makeUnitLabel(page, QStringLiteral("Th"), tr("hours"),
                        tr("Wallpaper change moment: hours"));
    tMin_ = makeNumberField(page, QStringLiteral("TMin"), tr("Wallpaper change time: minutes"));
    tm_ = makeUnitLabel(page, QStringLiteral("Tm"), tr("minutes"),
                        tr("Wallpaper change moment: minutes"));
    // A screen reader names each number by its unit.
    for (const auto& [unit, field] :
         {std::pair{pd_, pDay_}, std::pair{ph_, pHour_}, std::pair{pm_, pMin_},
          std::pair{th_, tHour_}, std::pair{tm_, tMin_}})
        unit->setBuddy(field);

    auto* schedule = new QGridLayout;
    schedule->setContentsMargins(kIndent, 4, 0, 0);
    schedule->setHorizontalSpacing(6);
    schedule->setVerticalSpacing(8);
    schedule->addWidget(change_[0], 0, 0);
    schedule->addWidget(change_[1], 1, 0);
    // A unit label belongs to the field before it: a gap after it, none before.
    const auto addField = [](QHBoxLayout* row, QWidget* field, QLabel* unit) {
        row->addWidget(field);
        row->addSpacing(2);
        row->addWidget(unit);
        row->addSpacing(10);
    };
    auto* period = new QHBoxLayout;
    period->setSpacing(0);
    addField(period, pDay_, pd_);
    addField(period, pHour_, ph_);
    addField(period, pMin_, pm_);
    period->addStretch();
    schedule->addLayout(period, 1, 1);
    schedule->addWidget(change_[2], 2, 0);
    auto* time = new QHBoxLayout;
    time->setSpacing(0);
    time->addWidget(twDay_);
    time->addSpacing(10);
    addField(time, tHour_, th_);
    addField(time, tMin_, tm_);
    time->addStretch();
    schedule->addLayout(time, 2, 1);
    schedule->setColumnStretch(1, 1);
    layout->addLayout(schedule);
    layout->addSpacing(kSectionGap);

    auto* orderHeading =
        makeHeading(page, QStringLiteral("LText6"), tr("Wallpapers change order:"),
                    tr("Select how wallpapers will be selected from wallpaper collection"));
    order_[0] = makeBox(page, QStringLiteral("Order0"), tr("sequentially"),
                        tr("Wallpapers will be selected sequentially according to "
                           "their position in the list"));
    order_[1] = makeBox(page, QStringLiteral("Order1"), tr("random"),
                        tr("Wallpapers will be selected randomly"));
    auto* order = new QHBoxLayout;
    order->addWidget(orderHeading);
    order->addSpacing(12);
    order->addWidget(order_[0]);
    order->addSpacing(12);
    order->addWidget(order_[1]);
    order->addStretch();
    layout->addLayout(order);
    layout->addStretch();
    return page;
}

QWidget* ProgOpts::buildViewPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Frames1"));
    QVBoxLayout* layout = pageLayout(page);

    layout->addWidget(makeHeading(page, QStringLiteral("LText0"), tr("Program AutoStart:"),
                                  tr("Allow wallpaper manager autostart at user logon")));
    doAutoStart_ = new QCheckBox(tr("allow program autostart in manual mode"), page);
    doAutoStart_->setObjectName(QStringLiteral("DoAutoStart"));
    doAutoStart_->setToolTip(
        tr("If checked, program will start at user logon even in manual wallpaper change mode"));
    auto* autoStart = new QHBoxLayout;
    autoStart->setContentsMargins(kIndent, 0, 0, 0);
    autoStart->addWidget(doAutoStart_);
    layout->addLayout(autoStart);
    layout->addSpacing(kSectionGap);

    layout->addWidget(makeHeading(page, QStringLiteral("LText5"), tr("Wallpaper Position:"),
                                  tr("Select wallpaper positioning mode")));
    stretch_[0] = makeBox(page, QStringLiteral("Stretch0"), tr("center"),
                          tr("Wallpaper is positioned at center and has its real size "
                             "(according to image resolution)"));
    stretch_[1] = makeBox(page, QStringLiteral("Stretch1"), tr("tile "),
                          tr("Desktop is tiled with wallpaper images"));
    stretch_[2] = makeBox(page, QStringLiteral("Stretch2"), tr("stretch"),
                          tr("Image is stretched to fill the entire desktop"));
    stretch_[3] = makeBox(page, QStringLiteral("Stretch3"), tr("fit"),
                          tr("Whole image is shown as large as the desktop allows, "
                             "the rest in the background color"));
    stretch_[4] = makeBox(page, QStringLiteral("Stretch4"), tr("fill"),
                          tr("Image covers the entire desktop keeping its proportions, "
                             "cropped at the edges"));
    auto* position = new QHBoxLayout;
    position->setContentsMargins(kIndent, 0, 0, 0);
    position->setSpacing(24);
    for (QCheckBox* box : stretch_)
        position->addWidget(box);
    position->addStretch();
    layout->addLayout(position);
    layout->addSpacing(kSectionGap);

    layout->addWidget(makeHeading(page, QStringLiteral("LText1"), tr("Wallpaper background color:"),
                                  tr("Select desktop background color")));
    bColor_ = new ColorButton(page);
    bColor_->setObjectName(QStringLiteral("BColor"));
    bColor_->setToolTip(tr("Click to set desktop background color"));
    bColor_->setAccessibleName(tr("Desktop background color"));
    bColor_->setAccessibleDescription(bColor_->toolTip());
    auto* colour = new QHBoxLayout;
    colour->setContentsMargins(kIndent, 0, 0, 0);
    colour->addWidget(bColor_);
    colour->addSpacing(8);
    colour->addWidget(makeLabel(page, QStringLiteral("LText2"),
                                tr("Select desktop background color"),
                                tr("Desktop background color")));
    colour->addStretch();
    layout->addLayout(colour);
    layout->addStretch();
    return page;
}

QWidget* ProgOpts::buildMessagesPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Frames2"));
    QVBoxLayout* layout = pageLayout(page);
    layout->addWidget(makeHeading(page, QStringLiteral("LText3"), tr("Messages and confirmations:"),
                                  tr("Select confirmation messages")));
    const std::array<std::pair<const char*, const char*>, 4> boxes{{
        {QT_TR_NOOP("show message about missing image files at startup"),
         QT_TR_NOOP("If checked programm will inform about missing image files from wallpapers "
                    "collection")},
        {QT_TR_NOOP("show message about wallpapers autochage failure"),
         QT_TR_NOOP("If checked programm will inform about wallpapers auto-change failures")},
        {QT_TR_NOOP("show message about current drive change failure"),
         QT_TR_NOOP("If checked programm will inform about disk-drive change failure")},
        {QT_TR_NOOP("confirm image files removal from wallpaper collection"), nullptr},
    }};
    auto* list = new QVBoxLayout;
    list->setContentsMargins(kIndent, 0, 0, 0);
    list->setSpacing(8);
    for (int k = 1; k <= 4; ++k) {
        auto* box = new QCheckBox(tr(boxes[k - 1].first), page);
        box->setObjectName(QStringLiteral("DoConfirm%1").arg(k));
        if (boxes[k - 1].second)
            box->setToolTip(tr(boxes[k - 1].second));
        doConfirm_[k - 1] = box;
        list->addWidget(box);
    }
    layout->addLayout(list);
    layout->addStretch();
    return page;
}

} // namespace kv
