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

// The system's colour chooser, opened on initial. On its first use in the run the 16 custom
// colours become 0xDDDDDD; after that they keep whatever the user defines, until the run ends.
// Cancel, or a chooser that fails, gives the initial colour back.
QColor PickColor(const QColor& initial, QWidget* owner, const ColorChooser& chooser = {});
// The chooser PickColor uses when none is given.
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
