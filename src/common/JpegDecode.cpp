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
// first is remembered for the verdict.
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
    bool outOfMemory;
};

[[noreturn]] void escape(j_common_ptr info) {
    std::longjmp(reinterpret_cast<Verdict*>(info->err)->escape, 1);
}

// The decoder's own errors: running out of the memory it may take says nothing of the data.
[[noreturn]] void fail(j_common_ptr info) {
    const int code = info->err->msg_code;
    reinterpret_cast<Verdict*>(info->err)->outOfMemory =
        code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE;
    escape(info);
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

// Every scan of a progressive picture is another pass over all its coefficients, and the format
// bounds neither their number nor their size: a small file that repeats one scan thousands of
// times keeps the decoder busy for minutes. Encoders write about ten, tuned ones a few dozen;
// beyond this many the picture is taken for damaged, which leaves room for any real progression
// and bounds what a crafted one costs.
constexpr int kMaxScans = 500;
// The same for the blocks those passes go over, or a large picture's few hundred scans of almost
// no data cost seconds each: about two seconds of passes, over thirty whole ones of the largest
// picture taken.
constexpr quint64 kMaxScanBlocks = 400'000'000;

struct ScanBudget {
    jpeg_progress_mgr manager;
    int scan;
    quint64 blocks;
};

// libjpeg reads all scans of such a picture before its first row, and reports progress before
// each row of coefficients it takes in: stopping there ends the pass as its errors do. Data it
// already had to make up is refused whatever follows, so the rest is not read either.
void limitScans(j_common_ptr common) {
    const auto* info = reinterpret_cast<j_decompress_ptr>(common);
    auto* budget = reinterpret_cast<ScanBudget*>(info->progress);
    if (reinterpret_cast<const Verdict*>(info->err)->damaged || info->input_scan_number > kMaxScans)
        escape(common);
    if (info->input_scan_number == budget->scan)
        return;
    budget->scan = info->input_scan_number;
    for (int i = 0; i < info->comps_in_scan; ++i)
        budget->blocks += quint64(info->cur_comp_info[i]->width_in_blocks) *
                          info->cur_comp_info[i]->height_in_blocks;
    if (budget->blocks > kMaxScanBlocks)
        escape(common);
}

// One pass of the decoder over a device. Only plain C data lives here and in the functions that
// call into the decoder: it leaves them by longjmp, which skips destructors.
struct Pass {
    jpeg_decompress_struct info;
    Verdict verdict;
    DeviceSource source;
    ScanBudget progress;
};

// Where the data ends early, the decoder is handed an end of image and goes on. Its Huffman
// decoding warns of any data it had to make up, so a picture of one scan counts as cut short only
// by that warning: one missing just its end-of-image marker, which some writers leave off, has
// every row. Arithmetic decoding makes up missing data silently, so there any early end counts.
bool intact(const Pass& pass) {
    return !pass.verdict.damaged && !(pass.source.ended && pass.info.arith_code);
}

// A picture of several scans is read whole before its first row, and an end between two scans
// makes up nothing: it is cut short unless every coefficient had arrived to its last bit. A
// sequential one keeps no record of the scans that came, so for it any early end counts.
bool scansCutShort(Pass& pass) {
    jpeg_decompress_struct& info = pass.info;
    if (!pass.source.ended || !jpeg_has_multiple_scans(&info))
        return false;
    if (!info.progressive_mode)
        return true;
    for (int component = 0; component < info.num_components; ++component)
        for (int k = 0; k < DCTSIZE2; ++k)
            if (info.coef_bits[component][k] != 0)
                return true;
    return false;
}

// Owns a pass, whose decoder goes however the pass ends.
class Decoder {
public:
    explicit Decoder(QIODevice& device) : pass_(std::make_unique<Pass>()) {
        Pass& pass = *pass_;
        pass.info.err = jpeg_std_error(&pass.verdict.manager);
        pass.verdict.manager.error_exit = fail;
        pass.verdict.manager.emit_message = noteMessage;
        pass.source.device = &device;
        pass.source.manager.init_source = noOperation;
        pass.source.manager.fill_input_buffer = fillInput;
        pass.source.manager.skip_input_data = skipInput;
        pass.source.manager.resync_to_restart = jpeg_resync_to_restart;
        pass.source.manager.term_source = noOperation;
        pass.progress.manager.progress_monitor = limitScans;
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
    pass.info.progress = &pass.progress.manager;
    return jpeg_read_header(&pass.info, TRUE) == JPEG_HEADER_OK;
}

// The columns and rows of the decoded picture that are kept, in its scaled pixels, and where the
// pass stands in them. No columns: nothing is kept, and the pass only judges the data.
struct Rows {
    JDIMENSION left, top, width, height;
    JDIMENSION firstColumn;
    JSAMPARRAY row;
};

// Adobe's CMYK JPEGs store their inks inverted, and the decoder hands them on so.
void cmykToRgb(const JSAMPLE* in, QRgb* out, JDIMENSION count) {
    for (JDIMENSION i = 0; i < count; ++i, in += 4)
        out[i] = qRgb(in[3] * in[0] / 255, in[3] * in[1] / 255, in[3] * in[2] / 255);
}

// Every row's data is decoded, so all of it is read and judged; only the kept rows go through the
// inverse transform and colour conversion.
bool startRows(Pass& pass, Rows& rows) {
    jpeg_decompress_struct& info = pass.info;
    if (setjmp(pass.verdict.escape) != 0)
        return false;
    jpeg_start_decompress(&info);
    pass.verdict.damaged = pass.verdict.damaged || scansCutShort(pass);
    JDIMENSION left = rows.left;
    JDIMENSION width = rows.width;
    if (width > 0 && width < info.output_width)
        jpeg_crop_scanline(&info, &left, &width);
    const auto components = JDIMENSION(info.output_components);
    rows.firstColumn = (rows.left - left) * components;
    rows.row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                         info.output_width * components, 1);
    if (rows.top > 0)
        jpeg_skip_scanlines(&info, rows.top);
    return intact(pass);
}

bool readRow(Pass& pass, const Rows& rows, uchar* line) {
    jpeg_decompress_struct& info = pass.info;
    if (setjmp(pass.verdict.escape) != 0)
        return false;
    // Straight into the line where the decoder's row is the one kept, as it is.
    if (rows.firstColumn == 0 && info.output_width == rows.width &&
        info.out_color_space != JCS_CMYK) {
        JSAMPROW direct = line;
        jpeg_read_scanlines(&info, &direct, 1);
        return intact(pass);
    }
    jpeg_read_scanlines(&info, rows.row, 1);
    if (info.out_color_space == JCS_CMYK)
        cmykToRgb(rows.row[0] + rows.firstColumn, reinterpret_cast<QRgb*>(line), rows.width);
    else
        std::memcpy(line, rows.row[0] + rows.firstColumn,
                    size_t(rows.width) * size_t(info.output_components));
    return intact(pass);
}

// The rest of the data, judged: skipping to the very end would end the pass without reading it,
// so the last row is always decoded.
bool finishRows(Pass& pass, const Rows& rows) {
    jpeg_decompress_struct& info = pass.info;
    if (setjmp(pass.verdict.escape) != 0)
        return false;
    while (info.output_scanline < info.output_height && intact(pass)) {
        if (info.output_height - info.output_scanline > 1)
            jpeg_skip_scanlines(&info, info.output_height - info.output_scanline - 1);
        else
            jpeg_read_scanlines(&info, rows.row, 1);
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

} // namespace

struct JpegRows::Pass {
    explicit Pass(QIODevice& device) : decoder(device) {}
    Decoder decoder;
    Rows rows{};
};

JpegRows::JpegRows(QImageReader& reader) {
    QIODevice* device = reader.device();
    if (!device || (!device->isSequential() && !device->seek(0)))
        return;
    pass_ = std::make_unique<Pass>(*device);
    kv::Pass& pass = pass_->decoder.pass();
    if (!readHeader(pass))
        return;
    jpeg_decompress_struct& info = pass.info;
    const QRect stored(0, 0, int(info.image_width), int(info.image_height));
    if (qint64(stored.width()) * stored.height() > kMaxPicturePixels)
        return;
    QRect clip = reader.clipRect();
    clip = clip.isValid() ? clip & stored : stored;
    if (clip.isEmpty())
        return;
    QSize wanted = reader.scaledSize();
    if (!wanted.isValid() || wanted.isEmpty())
        wanted = clip.size();

    const int eighths = eighthsFor(clip.size(), wanted);
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
        !withinAllocationLimit(wanted, depth))
        return;
    pass_->rows = Rows{JDIMENSION(topLeft.x()),
                       JDIMENSION(topLeft.y()),
                       JDIMENSION(decoded.width()),
                       JDIMENSION(decoded.height()),
                       0,
                       nullptr};
    if (!startRows(pass, pass_->rows))
        return;
    size_ = decoded;
    wanted_ = wanted;
    format_ = format;
}

JpegRows::~JpegRows() = default;

bool JpegRows::readRow(uchar* line) {
    failed_ = failed_ || size_.isEmpty() || !kv::readRow(pass_->decoder.pass(), pass_->rows, line);
    return !failed_;
}

bool JpegRows::finish() {
    failed_ = failed_ || size_.isEmpty() || !finishRows(pass_->decoder.pass(), pass_->rows);
    return !failed_;
}

QSize JpegDecodedSize(QSize clip, QSize wanted) {
    const int eighths = eighthsFor(clip, wanted);
    return {scaled(clip.width(), eighths), scaled(clip.height(), eighths)};
}

QImage ReadWholeJpeg(QImageReader& reader) {
    const QImageIOHandler::Transformations turn =
        reader.autoTransform() ? reader.transformation() : QImageIOHandler::TransformationNone;
    JpegRows rows(reader);
    QImage picture(rows.size(), rows.format());
    if (picture.isNull())
        return {};
    for (int y = 0; y < picture.height(); ++y)
        if (!rows.readRow(picture.scanLine(y)))
            return {};
    if (!rows.finish())
        return {};
    if (picture.size() != rows.wanted())
        picture = picture.scaled(rows.wanted(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return turned(picture, turn);
}

bool JpegReachesEndOfImage(QIODevice& device, bool* outOfMemory) {
    if (!device.isSequential() && !device.seek(0))
        return false;
    Decoder decoder(device);
    Pass& pass = decoder.pass();
    bool whole = readHeader(pass);
    if (whole) {
        // The smallest scale for the one row that is decoded in full.
        pass.info.scale_num = 1;
        pass.info.scale_denom = 8;
        Rows rows{};
        whole = startRows(pass, rows) && finishRows(pass, rows);
    }
    if (outOfMemory)
        *outOfMemory = pass.verdict.outOfMemory;
    return whole;
}
} // namespace kv
