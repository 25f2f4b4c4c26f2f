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
    // The double-size copy ("name@2x.png") of a picture the page names, beside the picture, for a
    // screen of `ratio` device pixels to a pixel; null below 2 or when there is none.
    static QImage sharperPicture(const QUrl& page, const QUrl& picture, qreal ratio);

protected:
    // Qt looks for a double-size copy by the picture's address as the page writes it, from the
    // working folder rather than the page's: it finds none for an installed manual.
    QVariant loadResource(int type, const QUrl& name) override;
    // Esc closes the window, as it does the program's other windows.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void followLink(const QUrl& link);
    Hyperlinks& links_;
};

} // namespace kv
