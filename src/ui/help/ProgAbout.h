// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QLabel>
#include <QList>
#include <QString>

namespace kv {

class Hyperlinks;

// A label that opens its address on a click. It takes the mouse press itself, so the click never
// reaches the window behind it.
class HyperlinkLabel final : public QLabel {
    Q_OBJECT
public:
    HyperlinkLabel(const QString& caption, const QString& address, QWidget* parent);
    QString address() const { return address_; }
    // As wide as the caption up to a bound, so that a long address cannot widen the box past
    // the screen; shorter when the box is, the caption then cut in the middle.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void Hyperlink_Click(const QString& address);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int captionWidth(int characters) const;

    QString caption_;
    QString address_;
};

// The about box: name, version, the desktop found, a picture and links. Any key or mouse button
// on the box hides it; a click on a link opens the link and leaves the box up.
class ProgAbout final : public QDialog {
    Q_OBJECT
public:
    struct Link {
        QString caption; // empty: the address itself is shown
        QString address;
    };

    ProgAbout(int versionMajor, int versionMinor, QList<Link> links, Hyperlinks& opener,
              QWidget* owner = nullptr);

    // The links to the home page: a web site under "Visit our Web sites:" and its address; the
    // manual, where there is no web site, once under its title.
    static QList<Link> LinksTo(const QString& homePage);

    void setDesktopName(const QString& name);

    QLabel* version() const { return version_; }
    QLabel* desktop() const { return desktop_; }
    QList<HyperlinkLabel*> hyperlinks() const { return hyperlinks_; }

    // Shows the box modal to its owner, which it stands over when it has one: 250 pixels right of
    // and 20 below the owner's top left corner, kept on the screen.
    void showModal();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QLabel* version_ = nullptr;
    QLabel* desktop_ = nullptr;
    QList<HyperlinkLabel*> hyperlinks_;
};

} // namespace kv
