// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/JpegDecode.h"

#include "common/PictureCheck.h"

#include <QIODevice>
#include <QImageReader>
#include <QRect>
#include <QTransform>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE declared first
#include <cstring>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

// Cropping, skipping rows and decoding straight into 32-bit pixels are libjpeg-turbo's.
#if LIBJPEG_TURBO_VERSION_NUMBER < 2000000
#error "Kestrovaline needs libjpeg-turbo 2.0 or later"
#endif

namespace kv {
namespace {

// The decoder reads the file in pieces of this size, so a file of any length costs the same memory.
constexpr qint64 kChunkBytes = 64 * 1024;
// libjpeg keeps the whole coefficient table of a progressive picture; beyond this it gives up
// instead of asking for more. Pictures the program shows fit well below it.
constexpr long kMaxDecoderMemory = 512L * 1024 * 1024;

struct DeviceSource {
    jpeg_source_mgr manager;
    QIODevice* device;
    bool ended;
    JOCTET chunk[kChunkBytes];
};

// libjpeg's "end of input" convention: hand it a fake end-of-image marker. That the file ended
// first is remembered, so the picture counts as cut short.
boolean fillInput(j_decompress_ptr info) {
    auto* source = reinterpret_cast<DeviceSource*>(info->src);
    const qint64 got =
        source->ended ? 0
                      : source->device->read(reinterpret_cast<char*>(source->chunk), kChunkBytes);
    if (got <= 0) {
        static const JOCTET endOfImage[] = {0xFF, JPEG_EOI};
        source->ended = true;
        source->manager.next_input_byte = endOfImage;
        source->manager.bytes_in_buffer = sizeof endOfImage;
        return TRUE;
    }
    source->manager.next_input_byte = source->chunk;
    source->manager.bytes_in_buffer = static_cast<size_t>(got);
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count) {
    auto* source = reinterpret_cast<DeviceSource*>(info->src);
    if (count <= 0)
        return;
    const auto wanted = static_cast<size_t>(count);
    if (wanted <= source->manager.bytes_in_buffer) {
        source->manager.next_input_byte += wanted;
        source->manager.bytes_in_buffer -= wanted;
        return;
    }
    const qint64 beyond = qint64(wanted - source->manager.bytes_in_buffer);
    source->manager.bytes_in_buffer = 0;
    QIODevice& device = *source->device;
    if (device.isSequential() ? device.skip(beyond) != beyond
                              : !device.seek(device.pos() + beyond) || device.atEnd())
        source->ended = true;
}

void noOperation(j_decompress_ptr) {}

struct Verdict {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
    bool damaged;
};

[[noreturn]] void escape(j_common_ptr info) {
    std::longjmp(reinterpret_cast<Verdict*>(info->err)->escape, 1);
}

// Warnings about the picture data mean the decoder filled in what it could not read; warnings
// about stray bytes between markers or odd metadata leave the picture whole.
void noteMessage(j_common_ptr info, int level) {
    if (level >= 0)
        return;
    switch (info->err->msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_JPEG_EOF:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
        reinterpret_cast<Verdict*>(info->err)->damaged = true;
        break;
    default:
        break;
    }
}

// One pass of the decoder over a device. Only plain C data lives here and in the functions that
// call into the decoder: it leaves them by longjmp, which skips destructors.
struct Pass {
    jpeg_decompress_struct info;
    Verdict verdict;
    DeviceSource source;
};

bool intact(const Pass& pass) {
    return !pass.verdict.damaged && !pass.source.ended;
}

// Owns a pass, whose decoder goes however the pass ends.
class Decoder {
public:
    explicit Decoder(QIODevice& device) : pass_(std::make_unique<Pass>()) {
        Pass& pass = *pass_;
        pass.info.err = jpeg_std_error(&pass.verdict.manager);
        pass.verdict.manager.error_exit = escape;
        pass.verdict.manager.emit_message = noteMessage;
        pass.source.device = &device;
        pass.source.manager.init_source = noOperation;
        pass.source.manager.fill_input_buffer = fillInput;
        pass.source.manager.skip_input_data = skipInput;
        pass.source.manager.resync_to_restart = jpeg_resync_to_restart;
        pass.source.manager.term_source = noOperation;
    }
    ~Decoder() { jpeg_destroy_decompress(&pass_->info); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    Pass& pass() { return *pass_; }

private:
    std::unique_ptr<Pass> pass_;
};

bool readHeader(Pass& pass) {
    if (setjmp(pass.verdict.escape) != 0)
        return false;
    jpeg_create_decompress(&pass.info);
    pass.info.mem->max_memory_to_use = kMaxDecoderMemory;
    pass.info.src = &pass.source.manager;
    return jpeg_read_header(&pass.info, TRUE) == JPEG_HEADER_OK;
}

// The rows and columns of the decoded picture that are kept, in its scaled pixels; none when
// `bits` is null.
struct Target {
    uchar* bits;
    qsizetype bytesPerLine;
    JDIMENSION left, top, width, height;
};

// Adobe's CMYK JPEGs store their inks inverted, and the decoder hands them on so.
void cmykToRgb(const JSAMPLE* in, QRgb* out, JDIMENSION count) {
    for (JDIMENSION i = 0; i < count; ++i, in += 4)
        out[i] = qRgb(in[3] * in[0] / 255, in[3] * in[1] / 255, in[3] * in[2] / 255);
}

// Every row's data is decoded, so all of it is read and judged; only the target's rows go
// through the inverse transform and colour conversion. Skipping to the very end would end the
// pass without reading the rest, so the last row is always decoded.
bool decodeRows(Pass& pass, const Target& target) {
    jpeg_decompress_struct& info = pass.info;
    if (setjmp(pass.verdict.escape) != 0)
        return false;
    jpeg_start_decompress(&info);
    JDIMENSION left = target.left;
    JDIMENSION width = target.width;
    if (target.bits && width < info.output_width)
        jpeg_crop_scanline(&info, &left, &width);
    const auto components = JDIMENSION(info.output_components);
    const JDIMENSION firstColumn = (target.left - left) * components;
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               info.output_width * components, 1);
    const JDIMENSION end = target.top + target.height;
    if (target.top > 0)
        jpeg_skip_scanlines(&info, target.top);
    while (info.output_scanline < info.output_height && intact(pass)) {
        const JDIMENSION y = info.output_scanline;
        if (y >= end && info.output_height - y > 1) {
            jpeg_skip_scanlines(&info, info.output_height - y - 1);
            continue;
        }
        jpeg_read_scanlines(&info, row, 1);
        if (!target.bits || y < target.top || y >= end)
            continue;
        uchar* line = target.bits + qsizetype(y - target.top) * target.bytesPerLine;
        if (info.out_color_space == JCS_CMYK)
            cmykToRgb(row[0] + firstColumn, reinterpret_cast<QRgb*>(line), target.width);
        else
            std::memcpy(line, row[0] + firstColumn, size_t(target.width) * components);
    }
    if (!intact(pass))
        return false;
    jpeg_finish_decompress(&info);
    return intact(pass);
}

// libjpeg's size of `length` pixels at eighths/8.
int scaled(int length, int eighths) {
    return int((qint64(length) * eighths + 7) / 8);
}

int eighthsFor(QSize clip, QSize wanted) {
    for (int eighths = 1; eighths < 8; ++eighths)
        if (scaled(clip.width(), eighths) >= wanted.width() &&
            scaled(clip.height(), eighths) >= wanted.height())
            return eighths;
    return 8;
}

bool withinAllocationLimit(QSize size, int depth) {
    const int limitMB = QImageReader::allocationLimit();
    return limitMB <= 0 ||
           qint64(size.width()) * size.height() * (depth / 8) <= qint64(limitMB) * 1024 * 1024;
}

// The reader's turn, in the order it applies one: mirror and flip first, then a quarter turn
// clockwise.
QImage turned(QImage picture, QImageIOHandler::Transformations turn) {
    if (turn & (QImageIOHandler::TransformationMirror | QImageIOHandler::TransformationFlip))
        picture = std::move(picture).mirrored(turn & QImageIOHandler::TransformationMirror,
                                              turn & QImageIOHandler::TransformationFlip);
    if (turn & QImageIOHandler::TransformationRotate90)
        picture = picture.transformed(QTransform().rotate(90));
    return picture;
}

QImage decodePicture(Pass& pass, QRect clip, QSize size) {
    if (!readHeader(pass))
        return {};
    jpeg_decompress_struct& info = pass.info;
    const QRect stored(0, 0, int(info.image_width), int(info.image_height));
    if (qint64(stored.width()) * stored.height() > kMaxPicturePixels)
        return {};
    clip = clip.isValid() ? clip & stored : stored;
    if (clip.isEmpty())
        return {};
    if (!size.isValid() || size.isEmpty())
        size = clip.size();

    const int eighths = eighthsFor(clip.size(), size);
    info.scale_num = unsigned(eighths);
    info.scale_denom = 8;
    QImage::Format format = QImage::Format_RGB32;
    switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        info.out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        info.out_color_space = JCS_CMYK;
        break;
    default:
        // Straight into QImage's 32-bit pixels, the unused byte opaque.
        info.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;
        break;
    }
    jpeg_calc_output_dimensions(&info);
    // The clip at that scale, widened to whole decoded pixels.
    const QPoint topLeft(clip.left() * eighths / 8, clip.top() * eighths / 8);
    const QPoint end(qMin(scaled(clip.left() + clip.width(), eighths), int(info.output_width)),
                     qMin(scaled(clip.top() + clip.height(), eighths), int(info.output_height)));
    const QSize decoded(end.x() - topLeft.x(), end.y() - topLeft.y());
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    if (decoded.isEmpty() || !withinAllocationLimit(decoded, depth) ||
        !withinAllocationLimit(size, depth))
        return {};
    QImage picture(decoded, format);
    if (picture.isNull())
        return {};
    const Target target{
        picture.bits(),          picture.bytesPerLine(),      JDIMENSION(topLeft.x()),
        JDIMENSION(topLeft.y()), JDIMENSION(decoded.width()), JDIMENSION(decoded.height())};
    if (!decodeRows(pass, target))
        return {};
    if (decoded != size)
        picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return picture;
}

} // namespace

QSize JpegDecodedSize(QSize clip, QSize wanted) {
    const int eighths = eighthsFor(clip, wanted);
    return {scaled(clip.width(), eighths), scaled(clip.height(), eighths)};
}

QImage ReadWholeJpeg(QImageReader& reader) {
    QIODevice* device = reader.device();
    if (!device)
        return {};
    const QImageIOHandler::Transformations turn =
        reader.autoTransform() ? reader.transformation() : QImageIOHandler::TransformationNone;
    if (!device->isSequential() && !device->seek(0))
        return {};
    Decoder decoder(*device);
    const QImage picture = decodePicture(decoder.pass(), reader.clipRect(), reader.scaledSize());
    return picture.isNull() ? picture : turned(picture, turn);
}

bool JpegReachesEndOfImage(QIODevice& device) {
    if (!device.isSequential() && !device.seek(0))
        return false;
    Decoder decoder(device);
    Pass& pass = decoder.pass();
    if (!readHeader(pass))
        return false;
    // The smallest scale for the one row that is decoded in full.
    pass.info.scale_num = 1;
    pass.info.scale_denom = 8;
    return decodeRows(pass, Target{});
}
} // namespace kv
