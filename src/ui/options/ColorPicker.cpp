// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/options/ColorPicker.h"

#include <QColorDialog>
#include <QPainter>

namespace kv {
namespace {

constexpr QRgb kFirstCustomColor = 0xDDDDDD;
bool customColorsSet = false;

} // namespace

QColor ChooseWithColorDialog(const QColor& initial, QWidget* owner) {
    return QColorDialog::getColor(initial, owner, QString());
}

QColor PickColor(const QColor& initial, QWidget* owner, const ColorChooser& chooser) {
    if (!customColorsSet) {
        // The toolkit would bring back colours of an earlier run from its own settings file;
        // every run starts from the same sixteen.
        for (int i = 0; i < QColorDialog::customCount(); ++i)
            QColorDialog::setCustomColor(i, QColor::fromRgb(kFirstCustomColor));
        customColorsSet = true;
    }
    const QColor chosen = chooser ? chooser(initial, owner) : ChooseWithColorDialog(initial, owner);
    return chosen.isValid() ? chosen : initial;
}

ColorButton::ColorButton(QWidget* parent) : QPushButton(parent) {
    setMinimumSize(48, 26);
}

void ColorButton::setColor(const QColor& color) {
    color_ = color;
    update();
}

void ColorButton::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    QPainter painter(this);
    const QRect face = rect().adjusted(5, 5, -5, -5);
    painter.setPen(palette().color(QPalette::Dark));
    painter.setBrush(color_);
    painter.drawRect(face.adjusted(0, 0, -1, -1));
}

} // namespace kv
