// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/PictureCheck.h"

#include <QIODevice>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE declared first
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

namespace kv {
namespace {

// The check reads the file in pieces of this size, so a file of any length costs the same memory.
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

// Only plain C data lives here: the decoder leaves by longjmp, which skips destructors.
bool decodesWhole(jpeg_decompress_struct& info, DeviceSource& source, Verdict& verdict) {
    if (setjmp(verdict.escape) != 0)
        return false;
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kMaxDecoderMemory;
    info.src = &source.manager;
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK)
        return false;
    // The smallest scale: the data is read and checked in full, the pixels cost almost nothing.
    info.scale_num = 1;
    info.scale_denom = 8;
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info);
    const auto rowBytes = JDIMENSION(info.output_width * JDIMENSION(info.output_components));
    JSAMPARRAY row =
        (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, rowBytes, 1);
    while (info.output_scanline < info.output_height && !verdict.damaged && !source.ended)
        jpeg_read_scanlines(&info, row, 1);
    if (verdict.damaged || source.ended)
        return false;
    jpeg_finish_decompress(&info);
    return !verdict.damaged && !source.ended;
}

} // namespace

bool JpegReachesEndOfImage(QIODevice& device) {
    if (!device.isSequential() && !device.seek(0))
        return false;
    jpeg_decompress_struct info{};
    Verdict verdict{};
    info.err = jpeg_std_error(&verdict.manager);
    verdict.manager.error_exit = escape;
    verdict.manager.emit_message = noteMessage;
    auto source = std::make_unique<DeviceSource>();
    source->device = &device;
    source->manager.init_source = noOperation;
    source->manager.fill_input_buffer = fillInput;
    source->manager.skip_input_data = skipInput;
    source->manager.resync_to_restart = jpeg_resync_to_restart;
    source->manager.term_source = noOperation;
    const bool whole = decodesWhole(info, *source, verdict);
    jpeg_destroy_decompress(&info);
    return whole;
}

} // namespace kv
