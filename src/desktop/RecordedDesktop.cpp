// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/RecordedDesktop.h"

#include "common/PictureCheck.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QRect>
#include <QSaveFile>

#include <optional>

namespace kv {
namespace {

// The part of a picture of `size` that has the shape of `screen`, centred: what fill shows.
QRect fillPart(QSize size, QSize screen) {
    const qint64 wide = qint64(size.width()) * screen.height();
    const qint64 tall = qint64(size.height()) * screen.width();
    if (wide > tall) {
        const int width = int(qMax<qint64>(1, tall / screen.height()));
        return QRect((size.width() - width) / 2, 0, width, size.height());
    }
    const int height = int(qMax<qint64>(1, wide / screen.width()));
    return QRect(0, (size.height() - height) / 2, size.width(), height);
}

// The picture turned upright and, given a screen shape, cropped to it, written into `folder`:
// its path, an empty text when the picture needs neither, nullopt when no copy could be made.
std::optional<QString> handedCopy(const QString& path, const QString& folder, const QString& prefix,
                                  const QString& previous, QSize screen) {
    QImageReader reader(path);
    const bool turned = reader.transformation() != QImageIOHandler::TransformationNone;
    if (!turned && screen.isEmpty())
        return QString();
    const bool jpeg = reader.format() == "jpeg";
    reader.setAutoTransform(true);
    QImage copy = reader.read();
    if (copy.isNull() || folder.isEmpty())
        return std::nullopt;
    const QRect part = screen.isEmpty() ? copy.rect() : fillPart(copy.size(), screen);
    if (part == copy.rect() && !turned)
        return QString();
    copy = copy.copy(part);
    // A photo stays a JPEG (a lossless copy of a camera picture would be several times larger).
    const QString file = alternateName(folder, prefix, previous,
                                       jpeg ? QStringLiteral(".jpg") : QStringLiteral(".png"));
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || !copy.save(&out, jpeg ? "JPEG" : "PNG", 95) ||
        !out.commit())
        return std::nullopt;
    return file;
}

} // namespace

RecordedDesktop::RecordedDesktop(const QString& backendId, QString session)
    : id_(backendId), session_(std::move(session)), record_(backendId) {}

QString RecordedDesktop::handedFile(const DesktopState& state) {
    return QFileInfo(state.upright.isEmpty() ? state.path : state.upright).absoluteFilePath();
}

DesktopState RecordedDesktop::recorded() const {
    DesktopState state = record_.read();
    if (state.session != session_)
        state = DesktopState{};
    state.session = session_;
    return state;
}

bool RecordedDesktop::present(DesktopState& state, bool newPicture) const {
    if (!isUsablePicture(state.path))
        return false;
    const QString previous = state.upright;
    const std::optional<QSize> screen = state.style == StyleFill ? fillShape() : std::nullopt;
    // Fill stretched over a picture of another shape would distort it: better refused.
    if (screen && screen->isEmpty())
        return false;
    const QString fillPrefix = id_ + QStringLiteral("-fill");
    const bool wasCropped = QFileInfo(previous).fileName().startsWith(fillPrefix);
    // A crop is made again for every showing: the monitors may have changed since the last one.
    if (newPicture || screen || wasCropped ||
        (!previous.isEmpty() && !QFileInfo::exists(previous))) {
        const QString prefix = screen ? fillPrefix : id_ + QStringLiteral("-upright");
        const std::optional<QString> copy =
            handedCopy(state.path, copyFolder(), prefix, previous, screen.value_or(QSize()));
        // Without an upright copy the picture still shows, on its side: better than none.
        if (!copy && screen)
            return false;
        state.upright = copy.value_or(QString());
    }
    if (!show(state)) {
        if (!state.upright.isEmpty() && state.upright != previous)
            QFile::remove(state.upright);
        state.upright = previous;
        return false;
    }
    if (!previous.isEmpty() && previous != state.upright)
        QFile::remove(previous);
    return true;
}

bool RecordedDesktop::applyColour(DesktopState& state) const {
    return state.path.isEmpty() ? reachable() : showAgain(state);
}

bool RecordedDesktop::SetDesktopWallpaper(const QString& path) {
    DesktopState state = recorded();
    state.path = path;
    return present(state, true) && record_.write(state);
}

int RecordedDesktop::GetDesktopWallpaperStyle() {
    return recorded().style;
}

bool RecordedDesktop::SetDesktopWallpaperStyle(int style) {
    if (!isWallpaperStyle(style) || !places(style))
        return false;
    DesktopState state = recorded();
    state.style = style;
    // Without a picture of ours the style has nothing to place; it goes with the next picture.
    if (state.path.isEmpty() ? !reachable() : !showAgain(state))
        return false;
    return record_.write(state);
}

ShowResult RecordedDesktop::ShowWallpaper(const QString& path, DesktopColor colour, int style) {
    if (!PictureDecodes(path))
        return ShowResult::NotAPicture;
    DesktopState state = recorded();
    state.path = path;
    state.colour = colour & 0xFFFFFF;
    // A style the desktop cannot place leaves the one it has, as a refused style change would.
    if (isWallpaperStyle(style) && places(style))
        state.style = style;
    return present(state, true) && record_.write(state) ? ShowResult::Shown : ShowResult::Refused;
}

bool RecordedDesktop::setColourAndStyle(DesktopColor colour, int style) {
    const bool placed = isWallpaperStyle(style) && places(style);
    DesktopState state = recorded();
    const bool newStyle = placed && state.style != style;
    const bool newColour = state.colour != (colour & 0xFFFFFF);
    if (!newStyle && !newColour)
        return placed;
    if (placed)
        state.style = style;
    state.colour = colour & 0xFFFFFF;
    // A new style needs the picture placed again, which brings the colour along; a new colour
    // alone takes the desktop's own way. Without a picture of ours both wait for the next one.
    const bool shown = newStyle && !state.path.isEmpty() ? showAgain(state)
                       : newColour                       ? applyColour(state)
                                                         : reachable();
    return shown && record_.write(state) && placed;
}

DesktopColor RecordedDesktop::GetDesktopColor() {
    return recorded().colour;
}

bool RecordedDesktop::SetDesktopColor(DesktopColor colour) {
    DesktopState state = recorded();
    state.colour = colour & 0xFFFFFF;
    return applyColour(state) && record_.write(state);
}

} // namespace kv
