// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/help/ProgAbout.h"

#include "settings/Numbers.h"
#include "ui/LiteralToolTips.h"
#include "ui/OnScreen.h"
#include "ui/help/Hyperlinks.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace kv {
namespace {

// In average characters: room for an ordinary web address, and for enough of one to know it.
constexpr int kWidestCaption = 60;
constexpr int kNarrowestCaption = 12;

} // namespace

HyperlinkLabel::HyperlinkLabel(const QString& caption, const QString& address, QWidget* parent)
    : QLabel(parent), caption_(caption.isEmpty() ? address : caption), address_(address) {
    setTextFormat(Qt::PlainText);
    setText(caption_);
    SetLiteralToolTip(this, LinkToolTip(LinkAddress(address_, caption_)));
    setCursor(Qt::PointingHandCursor);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, colours.color(QPalette::Link));
    setPalette(colours);
}

int HyperlinkLabel::captionWidth(int characters) const {
    const QMargins margins = contentsMargins();
    return qMin(fontMetrics().horizontalAdvance(caption_),
                fontMetrics().averageCharWidth() * characters) +
           margins.left() + margins.right() + 2 * margin();
}

QSize HyperlinkLabel::sizeHint() const {
    return {captionWidth(kWidestCaption), QLabel::sizeHint().height()};
}

QSize HyperlinkLabel::minimumSizeHint() const {
    return {captionWidth(kNarrowestCaption), QLabel::minimumSizeHint().height()};
}

void HyperlinkLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    setText(ElidedCaption(*this, caption_));
}

void HyperlinkLabel::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Hyperlink_Click(LinkAddress(address_, caption_));
}

ProgAbout::ProgAbout(int versionMajor, int versionMinor, QList<Link> links, Hyperlinks& opener,
                     QWidget* owner)
    : QDialog(owner) {
    setObjectName(QStringLiteral("ProgAbout"));
    setWindowTitle(tr("Kestrovaline wallpaper manager"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/kestrovaline.svg")));
    setFocusPolicy(Qt::StrongFocus);
    // Modal to its owner only, which exec() keeps: the program's own manual window, opened from a
    // link here, must take clicks and the wheel while the box is up.
    setWindowModality(Qt::WindowModal);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture"));
    picture->setPixmap(QIcon(QStringLiteral(":/icons/about.svg")).pixmap(QSize(128, 128)));
    picture->setFixedSize(128, 128);

    // Built once, here: hiding keeps the box, so a second showing shows the same text.
    version_ = new QLabel(
        tr("Kestrovaline %1.%2").arg(NumberText(versionMajor), NumberText(versionMinor)), this);
    version_->setObjectName(QStringLiteral("Version"));
    QFont big = version_->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    version_->setFont(big);
    auto* lText = new QLabel(tr("wallpaper manager"), this);
    lText->setObjectName(QStringLiteral("LText"));
    desktop_ = new QLabel(this);
    desktop_->setObjectName(QStringLiteral("Desktop"));
    desktop_->setTextFormat(Qt::PlainText);
    desktop_->hide();

    auto* text = new QVBoxLayout;
    text->setSpacing(4);
    text->addWidget(version_);
    text->addWidget(lText);
    text->addWidget(desktop_);
    text->addWidget(new QLabel(tr("Free software: GNU GPL version 3 or later"), this));
    text->addSpacing(14);
    for (const Link& link : links) {
        auto* label = new HyperlinkLabel(link.caption, link.address, this);
        label->setObjectName(QStringLiteral("Hyperlink%1").arg(hyperlinks_.size()));
        connect(label, &HyperlinkLabel::Hyperlink_Click, this,
                [&opener](const QString& address) { opener.OpenHyperlink(address); });
        hyperlinks_.append(label);
        text->addWidget(label);
    }
    text->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(20, 20, 24, 20);
    layout->setSpacing(20);
    layout->addWidget(picture, 0, Qt::AlignTop);
    layout->addLayout(text);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QList<ProgAbout::Link> ProgAbout::LinksTo(const QString& homePage) {
    if (IsLocalAddress(homePage))
        return {{LinkCaption(homePage), homePage}};
    return {{tr("Visit our Web sites:"), homePage}, {QString(), homePage}};
}

void ProgAbout::setDesktopName(const QString& name) {
    desktop_->setText(tr("Desktop: %1").arg(name));
    desktop_->setVisible(!name.isEmpty());
}

void ProgAbout::showModal() {
    if (QWidget* owner = parentWidget()) {
        adjustSize();
        // Over the main window, off its corner so that the window's own title stays in view;
        // wholly on a screen.
        const QWidget* window = owner->window();
        move(KeptOnScreen(*this, window->frameGeometry().topLeft() + QPoint(250, 20)));
    }
    setFocus();
    exec();
}

void ProgAbout::keyPressEvent(QKeyEvent* event) {
    // Any key closes the box, Shift alone too.
    event->accept();
    hide();
}

void ProgAbout::mousePressEvent(QMouseEvent* event) {
    event->accept();
    hide();
}

void ProgAbout::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    hide();
}

} // namespace kv
