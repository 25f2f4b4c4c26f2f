#pragma once

class QPushButton;
class QWidget;

namespace kv {

// The confirm and cancel buttons shared by the options dialog and the message dialog: pictures
// without text, so both dialogs answer with the same two faces.
QPushButton* makeSetButton(QWidget* parent);
QPushButton* makeCloseButton(QWidget* parent);

} // namespace kv
