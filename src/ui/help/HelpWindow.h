// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTextBrowser>

namespace kv {

class Hyperlinks;

// The program's own window for its manual, used where no program on the desktop opens it: the
// manual with its pictures, its links between sections and pages inside the window, links to
// anything else handed to the desktop.
class HelpWindow final : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpWindow(Hyperlinks& links, QWidget* parent = nullptr);

    // Shows a local HTML page and raises the window; false for anything else.
    bool showManual(const QUrl& url);
    static bool isManualPage(const QUrl& url);

private:
    void followLink(const QUrl& link);
    Hyperlinks& links_;
};

} // namespace kv
