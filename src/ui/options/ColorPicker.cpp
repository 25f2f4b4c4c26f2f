// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/options/ColorPicker.h"

#include <QColorDialog>
#include <QList>
#include <QPainter>

namespace kv {
namespace {

constexpr QRgb kFirstCustomColor = 0xDDDDDD;

// The program's own custom colours: every run starts from the same ones and none is saved.
QList<QColor>& programCustomColors() {
    static QList<QColor> colors(QColorDialog::customCount(), QColor::fromRgb(kFirstCustomColor));
    return colors;
}

// The toolkit keeps a single set of custom colours, which it shares with every Qt program of
// the user through its settings file. The program's set takes its place only while this lives;
// whatever the user defines meanwhile stays with the program, and the user's set comes back.
class LentCustomColors {
public:
    LentCustomColors() {
        QList<QColor>& program = programCustomColors();
        for (int i = 0; i < program.size(); ++i) {
            users_.append(QColorDialog::customColor(i));
            QColorDialog::setCustomColor(i, program[i]);
        }
    }
    ~LentCustomColors() {
        QList<QColor>& program = programCustomColors();
        for (int i = 0; i < program.size(); ++i) {
            program[i] = QColorDialog::customColor(i);
            QColorDialog::setCustomColor(i, users_[i]);
        }
    }
    LentCustomColors(const LentCustomColors&) = delete;
    LentCustomColors& operator=(const LentCustomColors&) = delete;

private:
    QList<QColor> users_;
};

} // namespace

QColor ChooseWithColorDialog(const QColor& initial, QWidget* owner) {
    // A chooser writes the toolkit's custom colours into the shared file when it is destroyed:
    // made before the loan, it is destroyed after the user's colours are back.
    QColorDialog dialog(initial, owner);
    const LentCustomColors lent;
    return dialog.exec() == QDialog::Accepted ? dialog.selectedColor() : QColor();
}

QColor PickColor(const QColor& initial, QWidget* owner, const ColorChooser& chooser) {
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
