// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/RecordedDesktop.h"

#include "common/PictureCheck.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>

#include <optional>

namespace kv {
namespace {

// The picture turned upright, written into `folder`: its path, an empty text when the picture
// carries no turn, nullopt when no copy could be made.
std::optional<QString> uprightCopy(const QString& path, const QString& folder,
                                   const QString& prefix, const QString& previous) {
    QImageReader reader(path);
    if (reader.transformation() == QImageIOHandler::TransformationNone)
        return QString();
    const bool jpeg = reader.format() == "jpeg";
    reader.setAutoTransform(true);
    const QImage upright = reader.read();
    if (upright.isNull() || folder.isEmpty())
        return std::nullopt;
    // A photo stays a JPEG (a lossless copy of a camera picture would be several times larger).
    const QString copy = alternateName(folder, prefix, previous,
                                       jpeg ? QStringLiteral(".jpg") : QStringLiteral(".png"));
    QSaveFile file(copy);
    if (!file.open(QIODevice::WriteOnly) || !upright.save(&file, jpeg ? "JPEG" : "PNG", 95) ||
        !file.commit())
        return std::nullopt;
    return copy;
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
    if (newPicture || (!previous.isEmpty() && !QFileInfo::exists(previous))) {
        // Without a copy the picture still shows, on its side: better than none.
        state.upright =
            uprightCopy(state.path, copyFolder(), id_ + QStringLiteral("-upright"), previous)
                .value_or(QString());
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
