// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class QLabel;
class QMessageBox;
class QWidget;

namespace kv {

// Opens addresses with whatever the desktop uses for them. No shell and no command line is ever
// built from an address: it travels as a URL to the desktop's own opener.
class Hyperlinks {
public:
    // Hands the URL to the desktop; false when nothing could open it.
    using Opener = std::function<bool(const QUrl&)>;
    // Shows the failure box, modally; the default runs it on the screen.
    using ErrorShower = std::function<void(QMessageBox&)>;
    // Shows a local document inside the program; false when it cannot.
    using LocalViewer = std::function<bool(const QUrl&)>;

    Hyperlinks();
    void setOpener(Opener opener) { opener_ = std::move(opener); }
    void setErrorShower(ErrorShower shower) { shower_ = std::move(shower); }
    // Where nothing on the desktop opens a local document (no xdg-open), it goes here before
    // the failure box is shown.
    void setLocalViewer(LocalViewer viewer) { viewer_ = std::move(viewer); }

    // An empty address does nothing; a local document that is not there, a refused address, or
    // an address that cannot be opened, by the desktop or for a local document by the viewer,
    // shows "Hyperlink opening error".
    void OpenHyperlink(const QString& address);

    // What the address means: a web or file URL as written, an existing file's path as that
    // file, anything else as a URL as far as one can be read from it.
    static QUrl UrlOf(const QString& address);
    // A local file's URL whose file does not exist.
    static bool IsMissingFile(const QUrl& url);
    // Never handed on: a scheme other than http, https, mailto and file, and a local program or
    // desktop entry, which the desktop's opener might run.
    static bool IsRefused(const QUrl& url);
    // The failure box for one address.
    static void FillErrorBox(QMessageBox& box, const QString& address);

private:
    Opener opener_;
    ErrorShower shower_;
    LocalViewer viewer_;
};

// A link's address: the address kept behind the label, or its caption when it keeps none.
QString LinkAddress(const QString& tag, const QString& caption);

// How a link to an address reads: a web address as written, a local document (the manual) by
// the manual's title, never as a path of the disk.
bool IsLocalAddress(const QString& address);
QString LinkCaption(const QString& address);
// "Click to open " and the address, for a tooltip that shows it as written (SetLiteralToolTip):
// whatever the caption says, the user can see where the link leads.
QString LinkToolTip(const QString& address);
// A caption cut in the middle to the label's room: a long stored address must neither widen
// its window nor push the window's other parts out of view.
QString ElidedCaption(const QLabel& label, const QString& caption);

} // namespace kv
