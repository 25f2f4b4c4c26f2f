// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TwipsDialog.h"

#include "ui/OnScreen.h"
#include "ui/WindowDrag.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <QTimer>

#include <cmath>
#include <utility>

namespace kv {
namespace {

int pixelsFromTwips(int twips) {
    return static_cast<int>(std::lrint(static_cast<double>(twips) / TwipsDialog::kTwipsPerPixel));
}

} // namespace

TwipsDialog::TwipsDialog(QWidget* owner)
    : QDialog(owner), dragHandles_(new WindowDragHandles(this)) {
    // Presses on the background and on the labels and pictures, which take none, all reach it.
    dragHandles_->attach(this);
}

void TwipsDialog::prepareShowing() {
    // The window is made at the first showing with the size the dialog has then, and fitted to
    // its contents only after that: a size that changes between the two makes Qt put the
    // window's inside where its frame should be, a title bar higher at every start. Fitted
    // before it is made; Qt still fits each later showing to what it shows.
    if (!testAttribute(Qt::WA_WState_Created)) {
        adjustSize();
        setAttribute(Qt::WA_Resized, false);
    }
    // After the window's close command the next showing starts where that one was closed.
    if (std::exchange(placeAtShowing_, false))
        moveToStoredPosition();
    if (shownHook_) {
        QTimer::singleShot(0, this, [this, hook = std::exchange(shownHook_, nullptr)] {
            hook();
            if (isVisible())
                close();
        });
    }
}

void TwipsDialog::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!isVisible())
        return;
    const QPoint twips = positionTwips();
    answerCloseCommand();
    storedTwips_ = twips;
    positionKnown_ = true;
    placeAtShowing_ = true;
}

void TwipsDialog::setRestoredPosition(QPoint twips) {
    storedTwips_ = twips;
    positionKnown_ = true;
    moveToStoredPosition();
}

void TwipsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Sized for what it shows by now, and not yet on the screen. One that was kept on a screen
    // before starts again from where it belongs: a shorter message may fit there now.
    const QPoint twips = positionTwips();
    const bool stayed = placed_ && pos() == placed_->pixels;
    const QPoint belongs =
        stayed ? QPoint(pixelsFromTwips(twips.x()), pixelsFromTwips(twips.y())) : pos();
    placeAt(KeptOnScreen(*this, belongs), twips);
}

QPoint TwipsDialog::positionTwips() const {
    if (placed_ && pos() == placed_->pixels)
        return placed_->twips;
    return pos() * kTwipsPerPixel;
}

bool TwipsDialog::tellsPlace() const {
    return !PlatformIsWayland();
}

QSize TwipsDialog::sizeTwips() const {
    const QSize pixels = isVisible() ? frameGeometry().size() : sizeHint();
    return pixels * kTwipsPerPixel;
}

void TwipsDialog::moveToStoredPosition() {
    placeAt(QPoint(pixelsFromTwips(storedTwips_.x()), pixelsFromTwips(storedTwips_.y())),
            storedTwips_);
}

void TwipsDialog::placeAt(QPoint pixels, QPoint twips) {
    move(pixels);
    placed_ = Placement{pixels, twips};
}

} // namespace kv
