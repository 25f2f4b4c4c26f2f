// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/help/Hyperlinks.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QMimeDatabase>

namespace kv {

Hyperlinks::Hyperlinks()
    : opener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      shower_([](QMessageBox& box) { box.exec(); }) {}

QUrl Hyperlinks::UrlOf(const QString& address) {
    const QString trimmed = address.trimmed();
    // A path of the help file, absolute or in the current folder; a Windows drive path would
    // otherwise read as a URL whose scheme is the drive letter.
    const QFileInfo file(trimmed);
    if (!trimmed.contains(QLatin1String("://")) && file.exists())
        return QUrl::fromLocalFile(file.absoluteFilePath());
    return QUrl(trimmed, QUrl::StrictMode);
}

bool Hyperlinks::IsMissingFile(const QUrl& url) {
    return url.isLocalFile() && !QFileInfo::exists(url.toLocalFile());
}

bool Hyperlinks::IsRefused(const QUrl& url) {
    static const QStringList opened{QStringLiteral("http"), QStringLiteral("https"),
                                    QStringLiteral("mailto"), QStringLiteral("file")};
    if (!opened.contains(url.scheme(), Qt::CaseInsensitive))
        return true;
    if (!url.isLocalFile())
        return false;
    // The stored home page is hand-editable and the link reads as the manual whatever it holds,
    // while some desktops' openers offer to run a program or a desktop entry handed to them.
    const QFileInfo file(url.toLocalFile());
    const QFileInfo target(file.canonicalFilePath());
    const auto isDesktopEntry = [](const QFileInfo& info) {
        return info.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0;
    };
    return (file.isExecutable() && !file.isDir()) || isDesktopEntry(file) ||
           isDesktopEntry(target) ||
           QMimeDatabase().mimeTypeForFile(file).inherits(QStringLiteral("application/x-desktop"));
}

void Hyperlinks::FillErrorBox(QMessageBox& box, const QString& address) {
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QCoreApplication::translate("kv::Hyperlinks", "Hyperlink opening error"));
    // The address is shown as written; never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(
        QCoreApplication::translate("kv::Hyperlinks", "Unable to open hyperlink %1").arg(address));
    box.setStandardButtons(QMessageBox::Ok);
}

void Hyperlinks::OpenHyperlink(const QString& address) {
    if (address.isEmpty())
        return;
    const QUrl url = UrlOf(address);
    // Checked here: the desktop's opener reports success once it has started, long before it
    // finds out that the file is not there, and then tells nobody.
    if (!IsMissingFile(url) && !IsRefused(url)) {
        if (url.isValid() && !url.scheme().isEmpty() && opener_(url))
            return;
        if (url.isLocalFile() && viewer_ && viewer_(url))
            return;
    }
    QMessageBox box;
    FillErrorBox(box, address);
    shower_(box);
}

QString LinkAddress(const QString& tag, const QString& caption) {
    return tag.isEmpty() ? caption : tag;
}

bool IsLocalAddress(const QString& address) {
    return Hyperlinks::UrlOf(address).isLocalFile();
}

QString LinkCaption(const QString& address) {
    return IsLocalAddress(address)
               ? QCoreApplication::translate("kv::HelpWindow", "Kestrovaline manual")
               : address;
}

QString LinkToolTip(const QString& address) {
    return QCoreApplication::translate("kv::Hyperlinks", "Click to open %1").arg(address);
}

QString ElidedCaption(const QLabel& label, const QString& caption) {
    return label.fontMetrics().elidedText(caption, Qt::ElideMiddle, label.contentsRect().width());
}

} // namespace kv
