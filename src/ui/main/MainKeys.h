// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QWidget;

namespace kv {

// The main window's key preview: Enter, Esc and + are seen before the control with the focus,
// and then reach that control as well. Enter is left to the folder list and to the web link
// alone when they have the focus, since they act on it themselves, and presses a button that
// has it (that Enter goes no further).
class MainKeys final : public QObject {
    Q_OBJECT
public:
    // Watches the keys typed anywhere in window; the window must outlive this object.
    explicit MainKeys(QWidget* window);
    ~MainKeys() override;

Q_SIGNALS:
    void enterPressed();
    void escapePressed();
    void plusPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isFirstDelivery(QObject* watched) const;

    QWidget* window_;
};

} // namespace kv
