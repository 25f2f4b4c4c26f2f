// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/options/CheckGroups.h"

#include "ui/Contrast.h"
#include "ui/options/OptionsForm.h"

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QStyleOptionTabWidgetFrame>
#include <QTabWidget>

#include <algorithm>

namespace kv {

void RuleCheckBox::nextCheckState() {
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void TabToChosenButton(const QList<QAbstractButton*>& buttons) {
    const auto follow = [buttons] {
        const bool anyChosen = std::any_of(buttons.cbegin(), buttons.cend(),
                                           [](const QAbstractButton* b) { return b->isChecked(); });
        for (QAbstractButton* button : buttons)
            button->setFocusPolicy(button->isChecked() || !anyChosen ? Qt::StrongFocus
                                                                     : Qt::ClickFocus);
    };
    for (QAbstractButton* button : buttons)
        QObject::connect(button, &QAbstractButton::toggled, button, follow);
    follow();
}

namespace {

constexpr char kToneProperty[] = "kvCaptionTone";
constexpr double kReadable = 4.5;
constexpr double kMutedReadable = 3.0;
// How far a muted caption goes from the text towards the window behind it.
constexpr double kMutedFraction = 0.5;

QPalette inheritedPalette(const QWidget* widget) {
    return widget->window()->palette();
}

// What the caption stands on. A style may paint a tab page apart from the window (Fusion paints
// it in a lightened button colour, which a dark theme may set far from the window's), so the
// page's frame is drawn once, small, and its middle read.
QColor backgroundOf(const QWidget* widget, const QPalette& palette) {
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    const QTabWidget* tabs = nullptr;
    for (const QWidget* above = widget->parentWidget(); above && !tabs;
         above = above->parentWidget())
        tabs = qobject_cast<const QTabWidget*>(above);
    if (!tabs)
        return window;
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(tabs);
    frame.palette = palette;
    frame.rect = QRect(0, 0, 16, 16);
    QImage page(frame.rect.size(), QImage::Format_RGB32);
    page.fill(window);
    QPainter painter(&page);
    tabs->style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, tabs);
    painter.end();
    return page.pixelColor(frame.rect.center());
}

QColor ToneColor(const QPalette& inherited, const QColor& background, CaptionTone tone) {
    const QColor text = inherited.color(QPalette::Active, QPalette::WindowText);
    switch (tone) {
    case CaptionTone::Muted:
        return ReadableOn(Blend(text, background, kMutedFraction), background, text,
                          kMutedReadable);
    case CaptionTone::Accent:
        return ReadableOn(kActiveUnitColor, background, text, kReadable);
    case CaptionTone::Normal:
        break;
    }
    return text;
}

} // namespace

void SetCaptionTone(QWidget* widget, CaptionTone tone) {
    widget->setProperty(kToneProperty, int(tone));
    const QPalette inherited = inheritedPalette(widget);
    const QColor color = ToneColor(inherited, backgroundOf(widget, inherited), tone);
    // Only these roles are the caption's own; the rest keeps following the window.
    QPalette palette;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, color);
        palette.setColor(group, QPalette::ButtonText, color);
        palette.setColor(group, QPalette::Text, color);
    }
    widget->setPalette(palette);
}

CaptionTone CaptionToneOf(const QWidget* widget) {
    return CaptionTone(widget->property(kToneProperty).toInt());
}

void RetoneCaptions(QWidget* root) {
    for (QWidget* widget : root->findChildren<QWidget*>())
        if (widget->property(kToneProperty).isValid())
            SetCaptionTone(widget, CaptionToneOf(widget));
}

OptionGroup::OptionGroup(QList<QCheckBox*> boxes, QObject* parent)
    : QObject(parent), boxes_(std::move(boxes)) {
    for (int i = 0; i < boxes_.size(); ++i)
        connect(boxes_[i], &QCheckBox::stateChanged, this, [this, i] { Box_Click(i); });
}

void OptionGroup::Box_Click(int index) {
    QCheckBox* box = boxes_.at(index);
    const bool ticked = box->checkState() != Qt::Unchecked;
    if (!ticked && tickedIndex() < 0) {
        box->setCheckState(Qt::Checked);
        return;
    }
    SetCaptionTone(box, ticked ? CaptionTone::Normal : CaptionTone::Muted);
    if (!ticked)
        return;
    for (QCheckBox* other : boxes_)
        if (other != box)
            other->setCheckState(Qt::Unchecked);
}

int OptionGroup::tickedIndex() const {
    for (int i = 0; i < boxes_.size(); ++i)
        if (boxes_[i]->checkState() != Qt::Unchecked)
            return i;
    return -1;
}

void OptionGroup::tick(int index) {
    boxes_.at(index)->setCheckState(Qt::Checked);
}

ChangeGroup::ChangeGroup(std::array<QCheckBox*, 3> boxes, std::array<Followers, 3> followers,
                         QObject* parent)
    : QObject(parent), boxes_(boxes), followers_(std::move(followers)) {
    for (int i = 0; i < 3; ++i)
        connect(boxes_[i], &QCheckBox::stateChanged, this, [this, i] { Change_Click(i); });
}

void ChangeGroup::Change_Click(int index) {
    QCheckBox* box = boxes_.at(index);
    const int state = box->checkState();
    const bool on = state != Qt::Unchecked;
    if (!on && std::all_of(boxes_.begin(), boxes_.end(),
                           [](const QCheckBox* b) { return b->checkState() == Qt::Unchecked; })) {
        box->setCheckState(Qt::Checked);
        return;
    }
    if (state == remembered_.at(index))
        return;
    // The mode is not consulted: the dialog's filling puts the manual look back afterwards.
    for (QWidget* field : followers_.at(index).fields)
        field->setEnabled(on);
    for (QLabel* label : followers_.at(index).labels)
        SetCaptionTone(label, on ? CaptionTone::Accent : CaptionTone::Muted);
    SetCaptionTone(box, on ? CaptionTone::Normal : CaptionTone::Muted);
    remembered_.at(index) = state;
    if (!on)
        return;
    for (QCheckBox* other : boxes_)
        if (other != box)
            other->setCheckState(Qt::Unchecked);
}

} // namespace kv
