// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>

#include <memory>

class QImageReader;

namespace kv {

// What `clip` pixels of a JPEG come out as at the smallest of the decoder's own scales (1/8 to
// 8/8) that gives at least `wanted` in both directions; the clip itself when none is smaller.
// Decoding at such a size costs no scaling step of ours.
QSize JpegDecodedSize(QSize clip, QSize wanted);

// The JPEG `reader` would read as it is set up (its clip rect and scaled size, both of the picture
// as stored, then turned upright when it transforms automatically, within its allocation limit),
// made by one pass of the decoder that also judges the picture whole: a null image where
// JpegReachesEndOfImage would say false, or where the picture does not decode. The pass starts at
// the device's beginning. A clip rect off the grid of the chosen scale is widened to it, by less
// than one decoded pixel.
QImage ReadWholeJpeg(QImageReader& reader);

// The same pass handed out a row at a time, for a caller that needs only a few rows at once: a
// screen-sized picture then never exists whole. The picture is as stored (no turn) and at the
// decoder's own scale; the reader's device must outlive the pass.
class JpegRows {
public:
    explicit JpegRows(QImageReader& reader);
    ~JpegRows();
    JpegRows(const JpegRows&) = delete;
    JpegRows& operator=(const JpegRows&) = delete;

    // Empty when the picture cannot be decoded as the reader is set up.
    QSize size() const { return size_; }
    // The size the reader asks for, which a whole read scales to.
    QSize wanted() const { return wanted_; }
    QImage::Format format() const { return format_; }
    // The next row into `line`, size().width() pixels of format(); false once the data fails.
    bool readRow(uchar* line);
    // Reads and judges the data below the rows read: true when the picture is whole.
    bool finish();

private:
    struct Pass;
    std::unique_ptr<Pass> pass_;
    QSize size_;
    QSize wanted_;
    QImage::Format format_ = QImage::Format_Invalid;
    bool failed_ = false;
};

} // namespace kv
