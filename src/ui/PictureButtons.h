// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QPushButton;
class QString;
class QWidget;

namespace kv {

// A button that shows only a picture; its tooltip says what it does, and screen readers read
// the same words.
QPushButton* makePictureButton(QWidget* parent, const QString& name, const QString& picture,
                               const QString& toolTip, int pictureSize = 32);

// The confirm and cancel buttons shared by the options dialog and the message dialog: pictures
// without text, so both dialogs answer with the same two faces.
QPushButton* makeSetButton(QWidget* parent);
QPushButton* makeCloseButton(QWidget* parent);

} // namespace kv
