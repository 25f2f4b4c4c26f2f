// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PictureButtons.h"

#include <QCoreApplication>
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

// A dialog's answer, named and described for screen readers only.
QPushButton* answerButton(QWidget* parent, const QString& name, const QString& picture,
                          const QString& accessibleName, const QString& description) {
    QPushButton* button = pictureButton(parent, name, picture, accessibleName, 32);
    button->setAccessibleDescription(description);
    return button;
}

} // namespace

QPushButton* makePictureButton(QWidget* parent, const QString& name, const QString& picture,
                               const QString& accessibleName, const QString& toolTip,
                               int pictureSize) {
    QPushButton* button = pictureButton(parent, name, picture, accessibleName, pictureSize);
    describeButton(button, toolTip);
    return button;
}

void describeButton(QPushButton* button, const QString& toolTip) {
    button->setToolTip(toolTip);
    button->setAccessibleDescription(toolTip);
}

QPushButton* makeSetButton(QWidget* parent) {
    return answerButton(parent, QStringLiteral("Set"), QStringLiteral(":/icons/set.svg"),
                        QCoreApplication::translate("kv::PictureButtons", "OK"),
                        QCoreApplication::translate("kv::PictureButtons", "Confirm and close"));
}

QPushButton* makeCloseButton(QWidget* parent) {
    return answerButton(parent, QStringLiteral("Close"), QStringLiteral(":/icons/close.svg"),
                        QCoreApplication::translate("kv::PictureButtons", "Cancel"),
                        QCoreApplication::translate("kv::PictureButtons", "Cancel and close"));
}

} // namespace kv
