#include "radargram/picture_end.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace trassel {
namespace {

enum State : int {
    // JPEG
    kJpegStart0,
    kJpegStart1,
    kJpegMarker, // between segments: looking for the next marker
    kJpegCode,   // after 0xFF: the marker's code (or more fill bytes)
    kJpegLength1,
    kJpegLength2,
    kJpegEntropy,   // coded data after a start of scan
    kJpegEntropyFF, // 0xFF in coded data: stuffing, a restart or the next marker
    // BMP
    kBmpHeader,
    kBmpCode,
    kBmpColour,
    kBmpEscape,
    kBmpDeltaX,
    kBmpDeltaY,
    kSkip,
};

constexpr unsigned char kSoi = 0xD8;
constexpr unsigned char kEoi = 0xD9;
constexpr unsigned char kSos = 0xDA;

std::uint32_t le32(const unsigned char* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}
std::uint32_t le16(const unsigned char* p) { return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8; }

} // namespace

PictureEndCheck::PictureEndCheck(Kind kind, std::uint64_t fileSize)
    : kind_(kind), fileSize_(fileSize), state_(kind == Kind::Jpeg ? kJpegStart0 : kBmpHeader)
{
}

void PictureEndCheck::decide(bool whole)
{
    decided_ = true;
    whole_ = whole;
}

bool PictureEndCheck::feed(const unsigned char* data, std::size_t size)
{
    std::size_t at = 0;
    while (at < size && !decided_) {
        if (state_ == kSkip) {
            const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, size - at));
            at += take;
            position_ += take;
            skip_ -= take;
            if (skip_ == 0)
                state_ = afterSkip_;
            continue;
        }
        if (state_ == kJpegEntropy) {
            // Coded data is most of a JPEG: passed over up to the next 0xFF at once.
            const void* ff = std::memchr(data + at, 0xFF, size - at);
            const std::size_t end = ff == nullptr
                                        ? size
                                        : static_cast<std::size_t>(static_cast<const unsigned char*>(ff) - data);
            position_ += end - at;
            at = end;
            if (at == size)
                break;
        }
        const unsigned char byte = data[at++];
        ++position_;
        if (kind_ == Kind::Jpeg)
            feedJpeg(byte);
        else
            feedBmp(byte);
    }
    return decided_;
}

void PictureEndCheck::skipThen(std::uint64_t bytes, int next)
{
    if (bytes == 0) {
        state_ = next;
        return;
    }
    skip_ = bytes;
    afterSkip_ = next;
    state_ = kSkip;
}

void PictureEndCheck::feedJpeg(unsigned char byte)
{
    switch (state_) {
    case kJpegStart0:
        if (byte != 0xFF)
            decide(true); // not a JPEG: the decoder says what it is
        else
            state_ = kJpegStart1;
        break;
    case kJpegStart1:
        if (byte != kSoi)
            decide(true);
        else
            state_ = kJpegMarker;
        break;
    case kJpegMarker:
        // Stray bytes between segments are passed over, as decoders do.
        if (byte == 0xFF)
            state_ = kJpegCode;
        break;
    case kJpegCode:
        if (byte != 0xFF)
            jpegMarker(byte);
        break;
    case kJpegLength1:
        length_ = unsigned{byte} << 8;
        state_ = kJpegLength2;
        break;
    case kJpegLength2:
        length_ |= byte;
        skipThen(length_ >= 2 ? length_ - 2 : 0, marker_ == kSos ? kJpegEntropy : kJpegMarker);
        break;
    case kJpegEntropy:
        if (byte == 0xFF)
            state_ = kJpegEntropyFF;
        break;
    case kJpegEntropyFF:
        if (byte == 0x00 || (byte >= 0xD0 && byte <= 0xD7))
            state_ = kJpegEntropy; // a stuffed 0xFF or a restart marker: the scan goes on
        else if (byte != 0xFF)
            jpegMarker(byte);
        break;
    default: break;
    }
}

void PictureEndCheck::jpegMarker(unsigned char code)
{
    if (code == kEoi) {
        decide(true);
        return;
    }
    // Markers without a segment: start of image, restarts, TEM; a zero is no marker at all.
    if (code == kSoi || code == 0x01 || code == 0x00 || (code >= 0xD0 && code <= 0xD7)) {
        state_ = kJpegMarker;
        return;
    }
    marker_ = code;
    state_ = kJpegLength1;
}

void PictureEndCheck::feedBmp(unsigned char byte)
{
    switch (state_) {
    case kBmpHeader:
        header_[position_ - 1] = byte;
        if (position_ == sizeof header_)
            bmpHeaderRead();
        break;
    case kBmpCode: state_ = byte == 0 ? kBmpEscape : kBmpColour; break;
    case kBmpColour: state_ = kBmpCode; break;
    case kBmpEscape:
        if (byte == 1) {
            decide(true); // end of the picture
        } else if (byte == 0) {
            if (++row_ >= rows_)
                decide(true); // end of the last line
            else
                state_ = kBmpCode;
        } else if (byte == 2) {
            state_ = kBmpDeltaX;
        } else {
            // Pixels as they are, padded to a whole number of 16-bit words.
            const std::uint64_t bytes = rle4_ ? ((byte + 1u) / 2u + 1u) & ~1u : byte + (byte & 1u);
            skipThen(bytes, kBmpCode);
        }
        break;
    case kBmpDeltaX: state_ = kBmpDeltaY; break;
    case kBmpDeltaY:
        // A jump past the last row stops at the last row, as in the decoder.
        row_ = std::min(row_ + byte, rows_ - 1);
        state_ = kBmpCode;
        break;
    default: break;
    }
}

void PictureEndCheck::bmpHeaderRead()
{
    if (header_[0] != 'B' || header_[1] != 'M') {
        decide(true); // not a BMP: the decoder says what it is
        return;
    }
    const std::uint64_t dataStart = le32(header_ + 10);
    const std::uint32_t infoSize = le32(header_ + 14);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = 0;
    if (infoSize == 12) { // the oldest header: 16-bit sizes, never compressed
        width = le16(header_ + 18);
        height = le16(header_ + 20);
        bits = le16(header_ + 24);
    } else {
        width = static_cast<std::int32_t>(le32(header_ + 18));
        height = static_cast<std::int32_t>(le32(header_ + 22));
        bits = le16(header_ + 28);
        compression = le32(header_ + 30);
    }
    rows_ = std::llabs(height);
    if (width <= 0 || rows_ == 0) {
        decide(true); // nothing to draw: the decoder refuses or shows nothing
        return;
    }
    if (compression == 1 || compression == 2) {
        rle4_ = compression == 2;
        skipThen(dataStart > position_ ? dataStart - position_ : 0, kBmpCode);
        return;
    }
    // Rows of whole 32-bit words, all of them in the file.
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    const std::uint64_t rows = static_cast<std::uint64_t>(rows_);
    decide(rowBytes == 0 || (fileSize_ >= dataStart && (fileSize_ - dataStart) / rowBytes >= rows));
}

} // namespace trassel
