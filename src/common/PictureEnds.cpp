// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/PictureEnds.h"

#include <QByteArray>
#include <QIODevice>

#include <algorithm>

namespace kv {
namespace {

// The file is read in pieces of this size, so a picture of any length costs the same memory.
constexpr qint64 kPieceBytes = 64 * 1024;

// A device read forward from its start, then put back where it was for the decoder that reads
// it next.
class ForwardBytes {
public:
    explicit ForwardBytes(QIODevice& device)
        : device_(device), restore_(device.pos()), size_(device.size()),
          usable_(!device.isSequential() && device.seek(0)) {}
    ~ForwardBytes() {
        if (usable_)
            device_.seek(restore_);
    }
    ForwardBytes(const ForwardBytes&) = delete;
    ForwardBytes& operator=(const ForwardBytes&) = delete;

    // The next byte, or -1 where the data ends.
    int byte() {
        if (at_ == piece_.size()) {
            piece_ = usable_ && !ended_ ? device_.read(kPieceBytes) : QByteArray();
            at_ = 0;
            if (piece_.isEmpty())
                return -1;
        }
        passed_ += 1;
        return static_cast<unsigned char>(piece_[at_++]);
    }

    // The next `count` bytes (at most 4) as a little-endian number, or -1 where the data ends.
    qint64 number(int count) {
        qint64 value = 0;
        for (int i = 0; i < count; ++i) {
            const int next = byte();
            if (next < 0)
                return -1;
            value |= qint64(next) << (8 * i);
        }
        return value;
    }

    // Passes `count` bytes: false where the data ends before them, and from then on nothing is
    // left to read.
    bool skip(qint64 count) {
        const qint64 inPiece = std::min(count, qint64(piece_.size() - at_));
        if (ended_ || count < 0 || passed_ + count > size_ ||
            (inPiece < count && !(usable_ && device_.seek(passed_ + count)))) {
            piece_.clear();
            at_ = 0;
            ended_ = true;
            return false;
        }
        if (inPiece < count) {
            piece_.clear();
            at_ = 0;
        } else {
            at_ += inPiece;
        }
        passed_ += count;
        return true;
    }

    qint64 passed() const { return passed_; }
    qint64 size() const { return size_; }

private:
    QIODevice& device_;
    const qint64 restore_;
    const qint64 size_;
    const bool usable_;
    QByteArray piece_;
    qsizetype at_ = 0;
    qint64 passed_ = 0;
    bool ended_ = false;
};

qint64 signed32(qint64 value) {
    return qint32(quint32(value));
}

// BMP compression codes: none, runs of 8-bit and of 4-bit pixels, none with colour masks.
enum : qint64 { kPlain = 0, kRuns8 = 1, kRuns4 = 2, kMasks = 3, kAlphaMasks = 6 };

// Walks run-length data to its end-of-picture code, or to the end of its last row, where the
// decoder stops reading too.
bool runsReachTheEnd(ForwardBytes& bytes, qint64 rows, bool fourBits) {
    for (qint64 row = 0; row < rows;) {
        const int count = bytes.byte();
        const int code = bytes.byte();
        if (code < 0)
            return false;
        if (count > 0) // `count` pixels of one value
            continue;
        if (code == 0) {
            ++row;
        } else if (code == 1) {
            return true;
        } else if (code == 2) {
            // A jump right and down, which the decoder keeps within the picture.
            if (!bytes.skip(2))
                return false;
        } else {
            // `code` pixels as they are, padded to whole 16-bit words.
            const qint64 stored = fourBits ? (code + 1) / 2 : code;
            if (!bytes.skip(stored + stored % 2))
                return false;
        }
    }
    return true;
}

// Passes a GIF's colour table when `flags` announce one.
bool skipColourTable(ForwardBytes& bytes, int flags) {
    return flags >= 0 && (!(flags & 0x80) || bytes.skip(qint64(3) << ((flags & 7) + 1)));
}

// Passes data sub-blocks to their terminator, a block of length 0.
bool skipSubBlocks(ForwardBytes& bytes) {
    for (int length = bytes.byte(); length != 0; length = bytes.byte())
        if (length < 0 || !bytes.skip(length))
            return false;
    return true;
}

// Counts the pixels an image's LZW codes stand for, fed its data a byte at a time, without
// decoding them: each code the table gains stands for one pixel more than the code before it.
class LzwPixels {
public:
    // `rootBits`: the code size the data starts with, less one.
    explicit LzwPixels(int rootBits)
        : rootBits_(rootBits), counting_(rootBits >= 2 && rootBits <= 8) {
        std::fill_n(lengths_, 1 << 12, 1);
        if (counting_)
            restart();
    }

    void feed(int byte) {
        if (!counting_)
            return;
        pending_ |= quint32(byte) << pendingBits_;
        pendingBits_ += 8;
        while (counting_ && pendingBits_ >= codeBits_) {
            // A code may widen the next one: this one is taken at the width it was read with.
            const int bits = codeBits_;
            const int code = int(pending_ & ((1u << bits) - 1));
            pending_ >>= bits;
            pendingBits_ -= bits;
            take(code);
        }
    }
    // False once the end code came or a code no decoder could follow.
    bool counting() const { return counting_; }
    qint64 pixels() const { return pixels_; }

private:
    static constexpr int kMaxBits = 12;

    void restart() {
        codeBits_ = rootBits_ + 1;
        next_ = (1 << rootBits_) + 2;
        previous_ = -1;
    }
    void take(int code) {
        const int clear = 1 << rootBits_;
        if (code == clear)
            return restart();
        // The end code, or one neither in the table nor the one it gains next (after a clear
        // code, only a single pixel's).
        if (code == clear + 1 || code > next_ || (previous_ < 0 && code >= clear)) {
            counting_ = false;
            return;
        }
        if (previous_ < 0) {
            pixels_ += 1;
        } else {
            const int gained = lengths_[previous_] + 1;
            pixels_ += code < next_ ? lengths_[code] : gained;
            if (next_ < (1 << kMaxBits)) {
                lengths_[next_++] = gained;
                if (next_ == (1 << codeBits_) && codeBits_ < kMaxBits)
                    ++codeBits_;
            }
        }
        previous_ = code;
    }

    const int rootBits_;
    bool counting_;
    int lengths_[1 << kMaxBits];
    int codeBits_ = 0;
    int next_ = 0;
    int previous_ = -1;
    quint32 pending_ = 0;
    int pendingBits_ = 0;
    qint64 pixels_ = 0;
};

// An image's data reaches the terminator of its sub-blocks, or ends after the codes of every
// pixel: some writers leave the terminator off, and the decoder draws such an image whole.
bool imageDataWhole(ForwardBytes& bytes, int rootBits, qint64 pixels) {
    LzwPixels codes(rootBits);
    for (int length = bytes.byte(); length != 0; length = bytes.byte()) {
        if (length < 0)
            return pixels > 0 && codes.pixels() >= pixels;
        if (!codes.counting()) {
            if (!bytes.skip(length))
                return false;
            continue;
        }
        for (int i = 0; i < length; ++i) {
            const int next = bytes.byte();
            if (next < 0)
                return pixels > 0 && codes.pixels() >= pixels;
            codes.feed(next);
        }
    }
    return true;
}

} // namespace

bool BmpHoldsEveryRow(QIODevice& device) {
    ForwardBytes bytes(device);
    // The file header: "BM", the file's size as claimed, reserved, where the pixel data starts.
    if (!bytes.skip(10))
        return false;
    const qint64 dataOffset = bytes.number(4);
    const qint64 headerSize = bytes.number(4);
    qint64 width = -1, height = -1, bits = -1, compression = kPlain, colours = 0;
    // The oldest header has 16-bit sizes, taken unsigned (the larger reading), and colour
    // entries of 3 bytes instead of 4.
    const bool oldest = headerSize == 12;
    if (oldest) {
        width = bytes.number(2);
        height = bytes.number(2);
        bytes.skip(2); // planes
        bits = bytes.number(2);
    } else if (headerSize >= 40) {
        width = signed32(bytes.number(4));
        height = signed32(bytes.number(4)); // negative: stored top-down
        bytes.skip(2);                      // planes
        bits = bytes.number(2);
        compression = bytes.number(4);
        bytes.skip(12); // data size, resolution
        colours = bytes.number(4);
    }
    const qint64 rows = height < 0 ? -height : height;
    if (width <= 0 || rows == 0 || colours < 0 ||
        !(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32))
        return false;
    // The data starts where the header says, but never inside the header, the masks that follow
    // a basic header or the colour table, which the decoder reads first.
    qint64 masks = 0;
    if (headerSize == 40 && (compression == kMasks || compression == kAlphaMasks))
        masks = compression == kMasks ? 12 : 16;
    const qint64 entries = bits > 8 ? 0 : colours > 0 ? colours : qint64(1) << bits;
    const qint64 dataStart =
        std::max(dataOffset, 14 + headerSize + masks + entries * (oldest ? 3 : 4));
    if (compression == kRuns8 || compression == kRuns4)
        return bits == (compression == kRuns8 ? 8 : 4) && bytes.skip(dataStart - bytes.passed()) &&
               runsReachTheEnd(bytes, rows, compression == kRuns4);
    if (compression != kPlain && compression != kMasks && compression != kAlphaMasks)
        return false;
    // Each row is padded to whole 32-bit words.
    const qint64 stride = (width * bits + 31) / 32 * 4;
    return dataStart <= bytes.size() && rows <= (bytes.size() - dataStart) / stride;
}

bool GifReachesEndOfImage(QIODevice& device) {
    ForwardBytes bytes(device);
    // Signature and version, the screen's size, then its flags, background and aspect.
    if (!bytes.skip(10))
        return false;
    const int screenFlags = bytes.byte();
    if (!bytes.skip(2) || !skipColourTable(bytes, screenFlags))
        return false;
    for (;;) {
        switch (bytes.byte()) {
        case 0x21: // an extension: its label, then its data
            if (bytes.byte() < 0 || !skipSubBlocks(bytes))
                return false;
            break;
        case 0x2C: { // the image: its place and size, flags, colour table, code size, data
            if (!bytes.skip(4))
                return false;
            const qint64 width = bytes.number(2), height = bytes.number(2);
            const int imageFlags = bytes.byte();
            if (!skipColourTable(bytes, imageFlags))
                return false;
            const int rootBits = bytes.byte();
            return rootBits >= 0 && imageDataWhole(bytes, rootBits, width * height);
        }
        default: // the trailer before any image, the data's end, or damage
            return false;
        }
    }
}

} // namespace kv
