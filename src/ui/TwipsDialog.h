// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/SavedState.h"

#include <QDialog>
#include <QPoint>
#include <QSize>

#include <functional>
#include <optional>

namespace kv {

class WindowDragHandles;

// A modal dialog of the program's own whose position the saved state keeps in twips. A left drag
// from anywhere on its background moves it. A restored position places it at once; the window's
// close command answers the dialog (answerCloseCommand) and stores where it was, and the next
// showing starts there. Each showing keeps the whole dialog on a screen; one moved there for
// that keeps the position it was given until the user moves it, so that a long message, a
// scale or a monitor that is gone for now does not rewrite where it belongs.
class TwipsDialog : public QDialog, public PlacedDialog {
    Q_OBJECT
public:
    static constexpr int kTwipsPerPixel = ::kv::kTwipsPerPixel;

    void setRestoredPosition(QPoint twips) override;
    QPoint positionTwips() const override;
    bool tellsPlace() const override;
    QSize sizeTwips() const override;
    // True once a position was restored or stored by the close command.
    bool positionKnown() const { return positionKnown_; }
    WindowDragHandles* dragHandles() const { return dragHandles_; }

protected:
    explicit TwipsDialog(QWidget* owner);

    // Run by the derived showModal just before the modal loop: places the dialog where the close
    // command left it and arms the test hook.
    void prepareShowing();
    // The test seam behind each dialog's setShownHookForTest: runs once inside the next showing's
    // modal loop, with the dialog visible; whatever it leaves open is then closed with the
    // window's close command, so no test can hang on the modal window.
    void setShownHook(std::function<void()> hook) { shownHook_ = std::move(hook); }
    // What the window's close command answers.
    virtual void answerCloseCommand() = 0;

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Where the dialog was put, and the position in twips it stands for while it stays there.
    struct Placement {
        QPoint pixels;
        QPoint twips;
    };

    void moveToStoredPosition();
    void placeAt(QPoint pixels, QPoint twips);

    WindowDragHandles* dragHandles_;
    QPoint storedTwips_;
    bool positionKnown_ = false;
    bool placeAtShowing_ = false;
    std::optional<Placement> placed_;
    std::function<void()> shownHook_;
};

} // namespace kv
