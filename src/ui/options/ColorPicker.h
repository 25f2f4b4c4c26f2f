// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPushButton>

#include <functional>

class QWidget;

namespace kv {

// The colour chooser of the options dialog. The chooser itself can be replaced (tests answer
// without a window); it returns an invalid colour when the user cancels.
using ColorChooser = std::function<QColor(const QColor& initial, QWidget* owner)>;

// The colour chooser, opened on initial. Cancel, or a chooser that fails, gives the initial
// colour back.
QColor PickColor(const QColor& initial, QWidget* owner, const ColorChooser& chooser = {});
// The chooser PickColor uses when none is given: the system's, showing the program's own 16
// custom colours. They start as 0xDDDDDD in every run and keep whatever the user defines until
// the run ends; the custom colours the user's other Qt programs share are left as they were.
QColor ChooseWithColorDialog(const QColor& initial, QWidget* owner);

// A button without text whose face shows a colour.
class ColorButton final : public QPushButton {
    Q_OBJECT
public:
    explicit ColorButton(QWidget* parent);
    QColor color() const { return color_; }
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_{Qt::black};
};

} // namespace kv
