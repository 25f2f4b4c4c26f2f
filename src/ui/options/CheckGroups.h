// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>
#include <QList>
#include <QObject>

#include <array>

class QAbstractButton;
class QLabel;

namespace kv {

// A check box that a click only ticks or clears. The grey state is never reached by clicking:
// only the dialog's mode rule sets it, for the moment it re-ticks the change boxes.
class RuleCheckBox final : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override;
};

// How a caption reads: a ticked box's caption normally, a cleared one's muted, the unit labels
// of a ticked change box in the accent green. The colours come from the palette the widget
// inherits, readable on the background it stands on in light and dark ones alike (4.5:1, muted
// 3:1), and go to the active and inactive groups only: a disabled control keeps the style's own
// disabled look.
enum class CaptionTone { Normal, Muted, Accent };
void SetCaptionTone(QWidget* widget, CaptionTone tone);
CaptionTone CaptionToneOf(const QWidget* widget);
// Tones every caption below `root` again, as the colours around them have changed.
void RetoneCaptions(QWidget* root);

// Boxes of which exactly one stays ticked, like option buttons: ticking one clears the others,
// clearing the only ticked one ticks it again. The rule runs on every change of state, made by
// the user or by the dialog's own code.
class OptionGroup final : public QObject {
    Q_OBJECT
public:
    OptionGroup(QList<QCheckBox*> boxes, QObject* parent);

    void Box_Click(int index);
    // The first ticked box, or -1.
    int tickedIndex() const;
    void tick(int index);

private:
    QList<QCheckBox*> boxes_;
};

// Tab into a row of option buttons lands on the chosen one, as on other desktops, so that a
// screen reader names the choice in force: the toolkit enters the row at its first button,
// chosen or not. The others stay a click or an arrow key away.
void TabToChosenButton(const QList<QAbstractButton*>& buttons);

// The three change boxes: at logon, with time interval, at specified time. They keep one box
// ticked like the other groups, and a ticked box also enables its fields and colours its unit
// labels. Each box remembers the state the rule last acted on, so a repeated state does nothing.
class ChangeGroup final : public QObject {
    Q_OBJECT
public:
    struct Followers {
        QList<QWidget*> fields;
        QList<QLabel*> labels;
    };

    ChangeGroup(std::array<QCheckBox*, 3> boxes, std::array<Followers, 3> followers,
                QObject* parent);

    void Change_Click(int index);
    QCheckBox* box(int index) const { return boxes_.at(index); }
    int remembered(int index) const { return remembered_.at(index); }

private:
    std::array<QCheckBox*, 3> boxes_;
    std::array<Followers, 3> followers_;
    std::array<int, 3> remembered_{0, 0, 0};
};

} // namespace kv
