#include "ui/PictureButtons.h"

#include <QIcon>
#include <QPushButton>

namespace kv {
namespace {

constexpr int kPictureSize = 32;

QPushButton* makePictureButton(QWidget* parent, const QString& name, const QString& picture,
                               const QString& accessibleName) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setIcon(QIcon(picture));
    button->setIconSize(QSize(kPictureSize, kPictureSize));
    // The pictures carry no text; screen readers still need to know what the button does.
    button->setAccessibleName(accessibleName);
    button->setMinimumSize(kPictureSize + 24, kPictureSize + 12);
    return button;
}

} // namespace

QPushButton* makeSetButton(QWidget* parent) {
    return makePictureButton(parent, QStringLiteral("Set"), QStringLiteral(":/icons/set.svg"),
                             QStringLiteral("OK"));
}

QPushButton* makeCloseButton(QWidget* parent) {
    return makePictureButton(parent, QStringLiteral("Close"), QStringLiteral(":/icons/close.svg"),
                             QStringLiteral("Cancel"));
}

} // namespace kv
