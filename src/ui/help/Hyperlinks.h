// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

#include <functional>

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

    Hyperlinks();
    void setOpener(Opener opener) { opener_ = std::move(opener); }
    void setErrorShower(ErrorShower shower) { shower_ = std::move(shower); }

    // An empty address does nothing; one that cannot be opened shows "Hyperlink opening error".
    void OpenHyperlink(const QString& address);

    // What the address means: a web or file URL as written, an existing file's path as that
    // file, anything else as a URL as far as one can be read from it.
    static QUrl UrlOf(const QString& address);
    // The failure box for one address.
    static void FillErrorBox(QMessageBox& box, const QString& address);

private:
    Opener opener_;
    ErrorShower shower_;
};

// A link's address: the address kept behind the label, or its caption when it keeps none.
QString LinkAddress(const QString& tag, const QString& caption);

} // namespace kv
