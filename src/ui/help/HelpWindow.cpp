// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/help/HelpWindow.h"

#include "ui/help/Hyperlinks.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QScreen>

namespace kv {

HelpWindow::HelpWindow(Hyperlinks& links, QWidget* parent) : QTextBrowser(parent), links_(links) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowFlag(Qt::Window);
    setWindowIcon(QIcon(QStringLiteral(":/icons/kestrovaline.svg")));
    setWindowTitle(tr("Kestrovaline manual"));
    setAccessibleName(tr("Kestrovaline manual"));
    // Links are followed here, so that only the manual's own pages load inside the window.
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);
    const QScreen* screen = QGuiApplication::primaryScreen();
    resize(screen ? QSize(720, 640).boundedTo(screen->availableSize()) : QSize(720, 640));
}

bool HelpWindow::isManualPage(const QUrl& url) {
    if (!url.isLocalFile())
        return false;
    const QFileInfo file(url.toLocalFile());
    const QString suffix = file.suffix().toLower();
    return file.isFile() && (suffix == QLatin1String("html") || suffix == QLatin1String("htm"));
}

bool HelpWindow::showManual(const QUrl& url) {
    if (!isManualPage(url))
        return false;
    setSource(url);
    show();
    raise();
    activateWindow();
    return true;
}

QImage HelpWindow::sharperPicture(const QUrl& page, const QUrl& picture, qreal ratio) {
    const QUrl address = page.resolved(picture);
    if (ratio < 2 || !address.isLocalFile())
        return {};
    const QFileInfo file(address.toLocalFile());
    QImage sharper(
        file.dir().filePath(file.completeBaseName() + QStringLiteral("@2x.") + file.suffix()));
    sharper.setDevicePixelRatio(2);
    return sharper;
}

QVariant HelpWindow::loadResource(int type, const QUrl& name) {
    if (type == QTextDocument::ImageResource) {
        const QImage sharper = sharperPicture(source(), name, devicePixelRatioF());
        if (!sharper.isNull())
            return sharper;
    }
    return QTextBrowser::loadResource(type, name);
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QTextBrowser::keyPressEvent(event);
}

void HelpWindow::followLink(const QUrl& link) {
    const QUrl target = source().resolved(link);
    if (isManualPage(target))
        setSource(target);
    else
        links_.OpenHyperlink(target.toString());
}

} // namespace kv
