// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/TwipsDialog.h"
#include "ui/options/ColorPicker.h"

#include <QList>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace kv {

class ChangeGroup;
class OptionGroup;
class WallpaperEngine;
struct Options;

// The options dialog: three pages editing the options record in memory. Each showing fills the
// controls from the record; Set writes them back, forcing every number into its range, and
// leaves the applied flag at 1; Close leaves the record as it was. A message switch whose box
// was left alone keeps the record's value, which a message may have changed meanwhile. The
// dialog never writes the store: the main window applies the record, and the next save stores
// it.
class ProgOpts final : public TwipsDialog {
    Q_OBJECT
public:
    static constexpr int kLastTab = 2;

    explicit ProgOpts(Options& options, QWidget* owner = nullptr);

    // Fills the controls, shows the dialog modally and returns the applied flag.
    int showModal();
    int applied() const { return applied_; }

    // Fills every control from the record; the control rules run as they would for a click.
    void Form_Activate();

    void setColorChooser(ColorChooser chooser) { chooser_ = std::move(chooser); }

    // Test seam, as in the message dialog: runs once inside the next showing's modal loop; what
    // it leaves open is closed with the window's close command.
    void setShownHookForTest(std::function<void(ProgOpts&)> hook) {
        setShownHook([this, hook = std::move(hook)] { hook(*this); });
    }

    // The controls, by their names.
    QRadioButton* changeMode(int index) const { return changeMode_.at(index); }
    QCheckBox* change(int index) const { return change_.at(index); }
    QCheckBox* stretch(int index) const { return stretch_.at(index); }
    QCheckBox* order(int index) const { return order_.at(index); }
    QCheckBox* doConfirm(int kind) const { return doConfirm_.at(kind - 1); }
    QCheckBox* doAutoStart() const { return doAutoStart_; }
    QLineEdit* pDay() const { return pDay_; }
    QLineEdit* pHour() const { return pHour_; }
    QLineEdit* pMin() const { return pMin_; }
    QLineEdit* tHour() const { return tHour_; }
    QLineEdit* tMin() const { return tMin_; }
    QComboBox* twDay() const { return twDay_; }
    QLabel* pd() const { return pd_; }
    QLabel* ph() const { return ph_; }
    QLabel* pm() const { return pm_; }
    QLabel* th() const { return th_; }
    QLabel* tm() const { return tm_; }
    QLabel* wtText() const { return wtText_; }
    ColorButton* bColor() const { return bColor_; }
    QTabWidget* tabs() const { return tabs_; }
    QPushButton* setButton() const { return set_; }
    QPushButton* closeButton() const { return close_; }

    static QString logonCaption();
    // The start of the "Wallpapers Change:" tooltip; the moment of the last change follows.
    static QString changeTooltipText();

public Q_SLOTS:
    void Set_Click();
    void Close_Click();
    void ChangeMode_Click(int index);
    void Tabs_Click(int tab);
    void BColor_Click();
    void reject() override;

protected:
    void answerCloseCommand() override { Close_Click(); }
    // A theme switched while the program runs (a desktop's dark mode at dusk) changes what the
    // captions were toned against.
    void changeEvent(QEvent* event) override;

private:
    // Builders of the three pages, in OptionsPages.cpp.
    QWidget* buildChangePage();
    QWidget* buildViewPage();
    QWidget* buildMessagesPage();

    Options& options_;
    ColorChooser chooser_;

    QTabWidget* tabs_ = nullptr;
    QFrame* modeFrame_ = nullptr;
    std::array<QRadioButton*, 2> changeMode_{};
    std::array<QCheckBox*, 3> change_{};
    std::array<QCheckBox*, 5> stretch_{};
    std::array<QCheckBox*, 2> order_{};
    std::array<QCheckBox*, 4> doConfirm_{};
    // The message switches as the last filling showed them.
    std::array<bool, 4> confirmFilled_{};
    QCheckBox* doAutoStart_ = nullptr;
    QLineEdit* pDay_ = nullptr;
    QLineEdit* pHour_ = nullptr;
    QLineEdit* pMin_ = nullptr;
    QLineEdit* tHour_ = nullptr;
    QLineEdit* tMin_ = nullptr;
    QComboBox* twDay_ = nullptr;
    QLabel* pd_ = nullptr;
    QLabel* ph_ = nullptr;
    QLabel* pm_ = nullptr;
    QLabel* th_ = nullptr;
    QLabel* tm_ = nullptr;
    QLabel* wtText_ = nullptr;
    ColorButton* bColor_ = nullptr;
    QPushButton* set_ = nullptr;
    QPushButton* close_ = nullptr;

    ChangeGroup* changeGroup_ = nullptr;
    OptionGroup* stretchGroup_ = nullptr;
    OptionGroup* orderGroup_ = nullptr;

    int applied_ = 0;
    bool filling_ = false;
};

// The Settings button: shows the dialog and, when it was closed with Set, applies the record to
// the desktop and the scheduler. Returns the applied flag.
int Settings_Click(ProgOpts& dialog, WallpaperEngine& engine);

} // namespace kv
