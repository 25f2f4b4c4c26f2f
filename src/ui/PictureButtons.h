// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QPushButton;
class QString;
class QWidget;

namespace kv {

// A button that shows only a picture. Screen readers name it by a short name and describe it by
// its tooltip, which says what it does.
QPushButton* makePictureButton(QWidget* parent, const QString& name, const QString& picture,
                               const QString& accessibleName, const QString& toolTip,
                               int pictureSize = 32);
// Sets the tooltip of a button and what screen readers describe it by.
void describeButton(QPushButton* button, const QString& toolTip);

// The confirm and cancel buttons shared by the options dialog and the message dialog: pictures
// without text, so both dialogs answer with the same two faces.
QPushButton* makeSetButton(QWidget* parent);
QPushButton* makeCloseButton(QWidget* parent);

} // namespace kv
