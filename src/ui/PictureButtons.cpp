// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PictureButtons.h"

#include <QIcon>
#include <QPushButton>
#include <QString>

namespace kv {
namespace {

QPushButton* pictureButton(QWidget* parent, const QString& name, const QString& picture,
                           const QString& accessibleName, int pictureSize) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setIcon(QIcon(picture));
    button->setIconSize(QSize(pictureSize, pictureSize));
    // The pictures carry no text; screen readers still need to know what the button does.
    button->setAccessibleName(accessibleName);
    button->setMinimumSize(pictureSize + 24, pictureSize + 12);
    return button;
}

} // namespace

QPushButton* makePictureButton(QWidget* parent, const QString& name, const QString& picture,
                               const QString& toolTip, int pictureSize) {
    QPushButton* button = pictureButton(parent, name, picture, toolTip, pictureSize);
    button->setToolTip(toolTip);
    return button;
}

QPushButton* makeSetButton(QWidget* parent) {
    return pictureButton(parent, QStringLiteral("Set"), QStringLiteral(":/icons/set.svg"),
                         QStringLiteral("OK"), 32);
}

QPushButton* makeCloseButton(QWidget* parent) {
    return pictureButton(parent, QStringLiteral("Close"), QStringLiteral(":/icons/close.svg"),
                         QStringLiteral("Cancel"), 32);
}

} // namespace kv
