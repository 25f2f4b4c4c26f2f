// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/desktop/RecordedDesktop.h"

namespace kv {

RecordedDesktop::RecordedDesktop(const QString& backendId, QString session)
    : session_(std::move(session)), record_(backendId) {}

DesktopState RecordedDesktop::recorded() const {
    DesktopState state = record_.read();
    if (state.session != session_)
        state = DesktopState{};
    state.session = session_;
    return state;
}

bool RecordedDesktop::applyColour(DesktopState& state) const {
    return state.path.isEmpty() || (isUsablePicture(state.path) && show(state));
}

bool RecordedDesktop::SetDesktopWallpaper(const QString& path) {
    if (!isUsablePicture(path))
        return false;
    DesktopState state = recorded();
    state.path = path;
    return show(state) && record_.write(state);
}

int RecordedDesktop::GetDesktopWallpaperStyle() {
    return recorded().style;
}

bool RecordedDesktop::SetDesktopWallpaperStyle(int style) {
    if (style < StyleCentre || style > StyleStretch)
        return false;
    DesktopState state = recorded();
    state.style = style;
    // Without a picture of ours the style has nothing to place; it goes with the next picture.
    if (!state.path.isEmpty() && (!isUsablePicture(state.path) || !show(state)))
        return false;
    return record_.write(state);
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
