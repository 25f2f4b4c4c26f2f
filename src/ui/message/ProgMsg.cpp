// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/message/ProgMsg.h"

#include "common/AskUser.h"
#include "common/MessageSwitches.h"
#include "ui/PictureButtons.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {
namespace {

constexpr int kPictureSize = 48;
constexpr int kMinimumTextWidth = 300;
constexpr int kMaximumTextWidth = 520;

QLabel* makePicture(QWidget* parent, const QString& name, const QString& file) {
    auto* picture = new QLabel(parent);
    picture->setObjectName(name);
    picture->setPixmap(QIcon(file).pixmap(QSize(kPictureSize, kPictureSize)));
    picture->setFixedSize(kPictureSize, kPictureSize);
    return picture;
}

// Qt wraps a label only between words, and a file name wider than the line would be cut off.
// Such a word may break after each path separator and, in a part still too wide, between any two
// letters. Only the label shows these invisible breaks; the message itself stays as given.
QString BreakableText(const QString& text, const QFontMetrics& metrics, int width) {
    const QChar mayBreak(u'\u200B');
    const auto tooWide = [&](const QString& part) {
        return metrics.horizontalAdvance(part) > width;
    };
    QStringList words = text.split(u' ');
    for (QString& word : words) {
        if (!tooWide(word))
            continue;
        static const QRegularExpression afterSeparator(QStringLiteral("(?<=[/\\\\])"));
        QStringList parts = word.split(afterSeparator, Qt::SkipEmptyParts);
        for (QString& part : parts) {
            if (!tooWide(part))
                continue;
            QStringList letters;
            QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, part);
            for (qsizetype from = 0, to = graphemes.toNextBoundary(); to > 0;
                 from = to, to = graphemes.toNextBoundary())
                letters << part.mid(from, to - from);
            part = letters.join(mayBreak);
        }
        word = parts.join(mayBreak);
    }
    return words.join(u' ');
}

} // namespace

ProgMsg::ProgMsg(MessageSwitches& switches, QWidget* owner)
    : TwipsDialog(owner), switches_(switches) {
    setObjectName(QStringLiteral("ProgMsg"));
    setWindowTitle(titleFor(0));
    setWindowIcon(QIcon(QStringLiteral(":/icons/kestrovaline.svg")));

    iconInfo_ =
        makePicture(this, QStringLiteral("IconInfo"), QStringLiteral(":/icons/information.svg"));
    iconAsk_ = makePicture(this, QStringLiteral("IconAsk"), QStringLiteral(":/icons/question.svg"));

    msg_ = new QLabel(this);
    msg_->setObjectName(QStringLiteral("Msg"));
    // Messages quote file and drive names as they are; never let one be read as markup.
    msg_->setTextFormat(Qt::PlainText);
    msg_->setWordWrap(true);
    msg_->setMinimumWidth(kMinimumTextWidth);
    msg_->setMaximumWidth(kMaximumTextWidth);
    msg_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    textArea_ = new QScrollArea(this);
    textArea_->setFrameShape(QFrame::NoFrame);
    textArea_->setWidgetResizable(true);
    textArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    textArea_->setWidget(msg_);

    display_ = new QCheckBox(tr("Do not show this message again"), this);
    display_->setObjectName(QStringLiteral("Display"));

    set_ = makeSetButton(this);
    close_ = makeCloseButton(this);
    connect(set_, &QPushButton::clicked, this, &ProgMsg::Set_Click);
    connect(close_, &QPushButton::clicked, this, &ProgMsg::Close_Click);

    auto* pictures = new QVBoxLayout;
    pictures->addWidget(iconInfo_);
    pictures->addWidget(iconAsk_);
    pictures->addStretch();
    auto* body = new QHBoxLayout;
    body->setSpacing(16);
    body->addLayout(pictures);
    body->addWidget(textArea_, 1);

    auto* answers = new QHBoxLayout;
    answers->addWidget(display_);
    answers->addStretch();
    answers->addWidget(set_);
    answers->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setSpacing(18);
    layout->addLayout(body);
    layout->addLayout(answers);
    // The dialog takes the size its content needs, anew for every kind.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ProgMsg::setMessage(const QString& text) {
    message_ = text;
    msg_->setText(BreakableText(text, msg_->fontMetrics(), kMaximumTextWidth));
    msg_->setAccessibleName(text);
    // A short message stays on one line; a long one wraps at a comfortable reading width instead
    // of leaving its last word alone on a line.
    const int natural = msg_->fontMetrics().horizontalAdvance(text) + 8;
    msg_->setMinimumWidth(std::clamp(natural, kMinimumTextWidth, kMaximumTextWidth));
}

void ProgMsg::fitTextToScreen() {
    const QMargins margins = layout()->contentsMargins();
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) +
                         2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int answers = qMax(set_->sizeHint().height(), display_->sizeHint().height());
    const int room = screen()->availableGeometry().height() - titleBar - margins.top() -
                     margins.bottom() - layout()->spacing() - answers;
    const int width = msg_->minimumWidth();
    const int height = msg_->heightForWidth(width);
    const bool scrolls = height > room;
    const int scrollBar = scrolls ? textArea_->verticalScrollBar()->sizeHint().width() : 0;
    textArea_->setFixedSize(width + scrollBar, qMax(kPictureSize, qMin(height, room)));
    // Tab stops at the text only where the keys have something to scroll; elsewhere the stop
    // would be unseen and nameless.
    textArea_->setFocusPolicy(scrolls ? Qt::StrongFocus : Qt::NoFocus);
    textArea_->setAccessibleName(scrolls ? msg_->accessibleName() : QString());
}

QString ProgMsg::message() const {
    return message_;
}

QString ProgMsg::titleFor(int kind) {
    switch (kind) {
    case 1:
        return tr("Kestrovaline wallpaper manager startup");
    case 2:
        return tr("Kestrovaline wallpaper autochange");
    case 3:
        return tr("Kestrovaline wallpaper manager current disk");
    case 4:
        return tr("Kestrovaline wallpapers collection");
    case 5:
        return tr("Kestrovaline wallpaper manager help");
    case 6:
    case 9:
        return tr("Kestrovaline wallpaper manager exit");
    default:
        return tr("Kestrovaline wallpaper manager");
    }
}

bool ProgMsg::isQuestion(int kind) {
    return (kind >= 4 && kind <= 6) || kind == 9;
}

bool ProgMsg::offersDoNotShowAgain(int kind) {
    return MessageSwitches::isSwitchable(kind);
}

void ProgMsg::Form_Activate() {
    result_ = -1;
    setWindowTitle(titleFor(kind_));
    display_->setChecked(false);
    display_->setVisible(offersDoNotShowAgain(kind_));
    const bool question = isQuestion(kind_);
    iconAsk_->setVisible(question);
    iconInfo_->setVisible(!question);
    close_->setVisible(question);
    set_->setVisible(true);
    const bool keepsRunning = kind_ == static_cast<int>(MessageKind::ExitUnsaved);
    set_->setDefault(!keepsRunning);
    close_->setDefault(keepsRunning);
    (keepsRunning ? close_ : set_)->setFocus();
}

int ProgMsg::showModal() {
    busy_ = true;
    // Modal to its owner; without one (a message before the main window was built) to the whole
    // program, or a window built while it is up would take input past the unanswered question.
    setWindowModality(parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    Form_Activate();
    fitTextToScreen();
    prepareShowing();
    exec();
    busy_ = false;
    return result_;
}

void ProgMsg::CloseWithResult(int value) {
    if (MessageSwitches::isSwitchable(kind_))
        switches_.setConfirm(kind_, display_->isChecked() ? 0 : 1);
    result_ = value;
    hide();
}

void ProgMsg::reject() {
    if (isQuestion(kind_))
        Close_Click();
    else
        Set_Click();
}

void ProgMsg::answerCloseCommand() {
    if (close_->isVisible())
        Close_Click();
    else
        Set_Click();
}

} // namespace kv
