// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/PngRows.h"

#include <QIODevice>
#include <QImage>
#include <QImageIOHandler>
#include <QRect>

#include <climits>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>

#include <png.h>

namespace kv {
namespace {

void readData(png_structp png, png_bytep data, size_t length) {
    auto* device = static_cast<QIODevice*>(png_get_io_ptr(png));
    if (device->read(reinterpret_cast<char*>(data), qint64(length)) != qint64(length))
        png_error(png, "the data ends early");
}

// The verdict is ours to give: nothing is printed.
[[noreturn]] void escape(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

struct Header {
    png_uint_32 width;
    png_uint_32 height;
    int passes;
    bool alpha;
};

// Both passes below hold only plain C data across their setjmp, which a longjmp may leave.

// The header, and the decoder set to hand out 8-bit BGRA rows (or ARGB on a big-endian machine),
// an opaque picture's alpha filled in.
bool readHeader(png_structp png, png_infop info, Header& header) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    png_set_expand(png); // palette, gray below 8 bits and transparent colours to 8-bit channels
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
#else
    png_set_swap_alpha(png);
    png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
#endif
    header.passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header.width = png_get_image_width(png, info);
    header.height = png_get_image_height(png, info);
    header.alpha = png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA;
    return png_get_rowbytes(png, info) == size_t(header.width) * 4;
}

// The kept part made smaller as its rows come: each kept pixel is the average of the stored
// pixels that fall on it, taken across each row, then summed down until its last row is in.
// Colours are averaged premultiplied, or a transparent pixel's colour would bleed into its
// neighbours.
struct Reduction {
    png_uint_32 width, height; // the reduced size, no larger than the part either way
    quint32* sums;             // width × 4 channels
    png_uint_32 rowsSummed;
    int alpha; // the alpha channel's place in a pixel; -1 for an opaque picture
};

struct Rows {
    png_bytep row;                        // one whole row
    png_uint_32 top, bottom, left, width; // the kept part: its rows from top to before bottom
    uchar* kept;
    qsizetype keptLine;
    Reduction* reduction; // null: the part is kept at full size
};

void addReducedRow(const Rows& rows, png_uint_32 y) {
    Reduction& reduction = *rows.reduction;
    const png_uint_32 partRow = y - rows.top;
    const png_uint_32 partHeight = rows.bottom - rows.top;
    const auto reducedRow = [&](png_uint_32 row) {
        return png_uint_32(quint64(row) * reduction.height / partHeight);
    };
    const uchar* stored = rows.row + size_t(rows.left) * 4;
    png_uint_32 x = 0;
    for (png_uint_32 column = 0; column < reduction.width; ++column) {
        const png_uint_32 end = png_uint_32(quint64(column + 1) * rows.width / reduction.width);
        const png_uint_32 count = end - x;
        quint32 across[4] = {};
        for (; x < end; ++x) {
            const uchar* pixel = stored + size_t(x) * 4;
            const quint32 alpha = reduction.alpha < 0 ? 255 : pixel[reduction.alpha];
            for (int channel = 0; channel < 4; ++channel)
                across[channel] += channel == reduction.alpha || alpha == 255
                                       ? pixel[channel]
                                       : (pixel[channel] * alpha + 127) / 255;
        }
        for (int channel = 0; channel < 4; ++channel)
            reduction.sums[column * 4 + channel] += (across[channel] + count / 2) / count;
    }
    ++reduction.rowsSummed;
    if (partRow + 1 < partHeight && reducedRow(partRow + 1) == reducedRow(partRow))
        return;
    uchar* const kept = rows.kept + qsizetype(reducedRow(partRow)) * rows.keptLine;
    for (size_t i = 0; i < size_t(reduction.width) * 4; ++i) {
        kept[i] = uchar((reduction.sums[i] + reduction.rowsSummed / 2) / reduction.rowsSummed);
        reduction.sums[i] = 0;
    }
    reduction.rowsSummed = 0;
}

bool readRows(png_structp png, int passes, png_uint_32 height, const Rows& rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            const bool inPart = rows.kept && y >= rows.top && y < rows.bottom;
            uchar* const kept = inPart && !rows.reduction
                                    ? rows.kept + qsizetype(y - rows.top) * rows.keptLine
                                    : nullptr;
            // An interlaced picture's pass fills in only its own pixels of the row.
            if (kept && passes > 1)
                std::memcpy(rows.row + size_t(rows.left) * 4, kept, size_t(rows.width) * 4);
            png_read_row(png, rows.row, nullptr);
            if (kept)
                std::memcpy(kept, rows.row + size_t(rows.left) * 4, size_t(rows.width) * 4);
            else if (inPart)
                addReducedRow(rows, y);
        }
    }
    png_read_end(png, nullptr);
    return true;
}

} // namespace

bool ReadPngRows(QIODevice& device, const QRect& keep, QImage* kept, QSize reducedTo) {
    if (!device.isSequential() && !device.seek(0))
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, escape, ignoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    png_set_read_fn(png, &device, readData);
    Header header{};
    bool whole = readHeader(png, info, header);
    const QRect part = keep & QRect(0, 0, int(qMin(header.width, png_uint_32(INT_MAX))),
                                    int(qMin(header.height, png_uint_32(INT_MAX))));
    // An interlaced picture's rows come in passes.
    const bool reduced = whole && kept && !part.isEmpty() && !reducedTo.isEmpty() &&
                         reducedTo != part.size() &&
                         part.size().expandedTo(reducedTo) == part.size() && header.passes == 1;
    const QImage::Format format = !header.alpha ? QImage::Format_RGB32
                                  : reduced     ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_ARGB32;
    QImage picture;
    if (whole && kept && !part.isEmpty())
        whole = QImageIOHandler::allocateImage(reduced ? reducedTo : part.size(), format, &picture);
    if (whole) {
        const std::unique_ptr<png_byte[]> row(new (std::nothrow)
                                                  png_byte[size_t(header.width) * 4]);
        const std::unique_ptr<quint32[]> sums(
            reduced ? new (std::nothrow) quint32[size_t(reducedTo.width()) * 4]() : nullptr);
        Reduction reduction{png_uint_32(reducedTo.width()), png_uint_32(reducedTo.height()),
                            sums.get(), 0,
                            !header.alpha                     ? -1
                            : Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 3
                                                              : 0};
        const bool held = !picture.isNull();
        whole = row && (sums || !reduced) &&
                readRows(png, header.passes, header.height,
                         {row.get(), png_uint_32(part.top()), png_uint_32(part.bottom() + 1),
                          png_uint_32(part.left()), png_uint_32(part.width()),
                          held ? picture.bits() : nullptr, picture.bytesPerLine(),
                          reduced ? &reduction : nullptr});
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (kept)
        *kept = whole ? std::move(picture) : QImage();
    return whole;
}

} // namespace kv
