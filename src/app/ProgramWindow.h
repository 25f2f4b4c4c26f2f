// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/SavedState.h"

#include <QString>

namespace kv {

// What the start-up and exit logic needs of the main window.
class ProgramWindow : public PlacedWindow {
public:
    virtual ~ProgramWindow() = default;
    virtual void setTitle(const QString& title) = 0;
    // Visible, in normal state, in front.
    virtual void showWindow() = 0;
    virtual void hideWindow() = 0;
    // Shown and in front, even when it was shown already.
    virtual void bringForward() {
        hideWindow();
        showWindow();
    }
    virtual bool isWindowVisible() const = 0;
    // The notification-area icon: added once per run, removed only at exit.
    virtual void addTrayIcon() = 0;
    virtual void removeTrayIcon() = 0;
};

} // namespace kv
