// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/DesktopBackend.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

#include <memory>

class QFile;

namespace kv {

class JpegRows;

// Where a picture goes on one monitor: the part of the upright picture that shows, and the part
// of the screen it covers. A tiled picture repeats from the monitor's top-left corner instead.
struct Placement {
    QRectF source;
    QRect target;
};
Placement placePicture(QSize picture, const QRect& monitor, int style);

// The whole background of the screens: the colour, and on each monitor the picture placed by
// style. The picture is decoded once for every monitor, upright as its EXIF orientation says, and
// only at the size and extent that shows: a JPEG shrinks while it decodes, and only the visible
// part of a picture larger than the monitors is kept. A screen is drawn band by band, so the
// screen-sized result never has to exist in our memory.
class RootPicture {
public:
    // Whole: the picture is decoded and judged by load. AsDrawn: a JPEG that one monitor shows
    // upright as stored is decoded while the bands are drawn, in order, each once, and judged by
    // whole() after the last; only the rows a band needs are held. Other pictures decode whole.
    enum class Decode { Whole, AsDrawn };

    RootPicture();
    ~RootPicture();

    // `monitors` are those of every screen the picture goes to. An empty path gives the bare
    // colour. False, with the reason in *error, when the picture is not one a wallpaper may be
    // (the test decode's verdict) or cannot be decoded.
    bool load(const QString& path, const QList<QRect>& monitors, int style, DesktopColor colour,
              QString* error = nullptr, Decode decode = Decode::Whole);
    // False when a picture decoded as drawn turned out damaged or cut short, or could not be held;
    // what was drawn of it must not be shown. Reads the data below the rows drawn to tell.
    bool whole();

    // Draws the rows from `top` on of a screen with these monitors into `band`, which is as wide
    // as the screen.
    void drawBand(QImage& band, int top, const QList<QRect>& monitors);
    // A whole screen at once.
    QImage render(QSize screen, const QList<QRect>& monitors,
                  QImage::Format format = QImage::Format_RGB32);

private:
    bool coversMonitors(const QRect& band, const QList<QRect>& monitors) const;
    // Holds the decoded rows from `first` to before `last` in picture_, dropping those above.
    bool holdRows(int first, int last);

    int style_ = StyleStretch;
    QRgb background_ = 0;
    QSize full_;          // the upright picture's size
    QRect region_;        // the part of it that was decoded, in its pixels
    QSize decoded_;       // that part's size at the detail the monitors need
    QImage picture_;      // that part decoded, or while it is decoded as drawn the rows held of it
    int heldTop_ = 0;     // the decoded row that picture_ starts with
    int rowsRead_ = 0;    // the rows decoded so far
    bool failed_ = false; // a row could not be decoded or held
    std::unique_ptr<QFile> file_;
    std::unique_ptr<JpegRows> rows_;
};

// 0x00BBGGRR as the opaque colour it stands for.
QRgb rgbOfDesktopColor(DesktopColor colour);

} // namespace kv
