// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/RecordedDesktop.h"

#include "common/JpegDecode.h"
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

// A copy is shown at a screen's size: more pixels than an 8K screen's only cost memory, several
// times their own while the copy is cropped and written.
constexpr qint64 kMostCopyPixels = qint64(7680) * 4320;

// A JPEG larger than that, or than Qt's allocation limit takes (the whole picture would be
// refused), is copied at the largest of the decoder's own scales that is not.
void fitCopySize(QImageReader& reader, const QByteArray& format) {
    const auto fits = [](QSize size) {
        return qint64(size.width()) * size.height() <= kMostCopyPixels &&
               withinAllocationLimit(size, 32);
    };
    const QSize stored = DeclaredSize(reader);
    if (format != "jpeg" || !stored.isValid() || fits(stored))
        return;
    for (int eighths = 7; eighths >= 1; --eighths) {
        const QSize scaled = JpegDecodedSize(stored, stored * eighths / 8);
        if (fits(scaled) || eighths == 1) {
            reader.setScaledSize(scaled);
            return;
        }
    }
}

// What became of the copy a picture may need, and whether the picture was judged on the way.
struct Copy {
    enum Outcome { NotNeeded, Made, Failed, NotAPicture } outcome;
    QString file;
    bool judged = true;
};

// The picture turned upright and, given a screen shape, cropped to it, written into `folder`.
// It is made from a wallpaper's judged read, so a damaged picture never becomes a copy, and that
// verdict stands for the change's test decode: a picture that needs a copy is decoded once. One
// the judged read cannot hold whole (a huge one) is judged by the test decode instead.
Copy handedCopy(const QString& path, const QString& folder, const QString& prefix,
                const QString& previous, QSize screen) {
    QFile source(path);
    if (!OpenPictureFile(source))
        return {Copy::NotAPicture, {}};
    QImageReader reader(&source);
    const QByteArray format = PrepareWallpaperRead(reader);
    if (format.isEmpty())
        return {Copy::NotAPicture, {}};
    const bool turned = reader.transformation() != QImageIOHandler::TransformationNone;
    if (!turned && screen.isEmpty())
        return {Copy::NotNeeded, {}, false};
    reader.setAutoTransform(true);
    fitCopySize(reader, format);
    QImage copy = ReadWallpaper(reader, format);
    if (copy.isNull())
        return {PictureDecodes(path) ? Copy::Failed : Copy::NotAPicture, {}};
    if (folder.isEmpty())
        return {Copy::Failed, {}};
    const QRect part = screen.isEmpty() ? copy.rect() : fillPart(copy.size(), screen);
    if (part == copy.rect() && !turned)
        return {Copy::NotNeeded, {}};
    copy = copy.copy(part);
    // A photo stays a JPEG (a lossless copy of a camera picture would be several times larger).
    const bool jpeg = format == "jpeg";
    const QString file = alternateName(folder, prefix, previous,
                                       jpeg ? QStringLiteral(".jpg") : QStringLiteral(".png"));
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || !copy.save(&out, jpeg ? "JPEG" : "PNG", 95) ||
        !out.commit())
        return {Copy::Failed, {}};
    return {Copy::Made, file};
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

ShowResult RecordedDesktop::present(DesktopState& state, bool newPicture, bool judge) const {
    if (!isUsablePicture(state.path))
        return judge ? ShowResult::NotAPicture : ShowResult::Refused;
    const QString previous = state.upright;
    const std::optional<QSize> screen = state.style == StyleFill ? fillShape() : std::nullopt;
    // Fill stretched over a picture of another shape would distort it: better refused.
    if (screen && screen->isEmpty())
        return ShowResult::Refused;
    const QString fillPrefix = id_ + QStringLiteral("-fill");
    const bool wasCropped = QFileInfo(previous).fileName().startsWith(fillPrefix);
    // A crop is made again for every showing: the monitors may have changed since the last one.
    const bool copies =
        newPicture || screen || wasCropped || (!previous.isEmpty() && !QFileInfo::exists(previous));
    const Copy copy = copies ? handedCopy(state.path, copyFolder(),
                                          screen ? fillPrefix : id_ + QStringLiteral("-upright"),
                                          previous, screen.value_or(QSize()))
                             : Copy{Copy::NotNeeded, {}, false};
    if (judge &&
        (copy.outcome == Copy::NotAPicture || (!copy.judged && !PictureDecodes(state.path))))
        return ShowResult::NotAPicture;
    if (copies) {
        // Without an upright copy the picture still shows, on its side: better than none.
        if (screen && (copy.outcome == Copy::Failed || copy.outcome == Copy::NotAPicture))
            return ShowResult::Refused;
        state.upright = copy.file;
    }
    if (!show(state)) {
        if (!state.upright.isEmpty() && state.upright != previous)
            QFile::remove(state.upright);
        state.upright = previous;
        return ShowResult::Refused;
    }
    if (!previous.isEmpty() && previous != state.upright &&
        isOwnFile(previous, copyFolder(), id_ + QLatin1Char('-')))
        QFile::remove(previous);
    return ShowResult::Shown;
}

bool RecordedDesktop::applyColour(DesktopState& state) const {
    return state.path.isEmpty() ? reachable() : showAgain(state);
}

bool RecordedDesktop::SetDesktopWallpaper(const QString& path) {
    DesktopState state = recorded();
    state.path = path;
    return present(state, true, false) == ShowResult::Shown && record_.write(state);
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
    DesktopState state = recorded();
    state.path = path;
    state.colour = colour & 0xFFFFFF;
    // A style the desktop cannot place leaves the one it has, as a refused style change would.
    if (isWallpaperStyle(style) && places(style))
        state.style = style;
    const ShowResult shown = present(state, true, true);
    if (shown == ShowResult::Shown && !record_.write(state))
        return ShowResult::Refused;
    return shown;
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
