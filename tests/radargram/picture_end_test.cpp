// Whether a picture file holds its whole picture: every prefix of a well-formed JPEG or
// run-length coded BMP is cut short, the whole file (and one with bytes after its end) is
// whole, in pieces of any size.
#include "radargram/picture_end.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace trassel {
namespace {

using Bytes = std::basic_string<unsigned char>;

bool whole(PictureEndCheck::Kind kind, const Bytes& file, std::size_t piece)
{
    PictureEndCheck check(kind, file.size());
    for (std::size_t at = 0; at < file.size(); at += piece)
        if (check.feed(file.data() + at, std::min(piece, file.size() - at)))
            break;
    return check.complete();
}

void put16(Bytes& out, unsigned value)
{
    out.push_back(static_cast<unsigned char>(value & 0xFF));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

void put32(Bytes& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// A BMP of `bits` per pixel with the header's sizes and compression and the pixel data given.
Bytes bmp(int width, int height, unsigned bits, std::uint32_t compression, const Bytes& data)
{
    const std::uint32_t colours = bits <= 8 ? 1u << bits : 0;
    const std::uint32_t start = 14 + 40 + colours * 4;
    Bytes out{'B', 'M'};
    put32(out, start + static_cast<std::uint32_t>(data.size()));
    put32(out, 0);
    put32(out, start);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, bits);
    put32(out, compression);
    put32(out, static_cast<std::uint32_t>(data.size()));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, colours);
    put32(out, 0);
    for (std::uint32_t i = 0; i < colours; ++i)
        put32(out, i * 0x010101u);
    return out + data;
}

// Segments, coded data with stuffed 0xFF and a restart, a second scan: the shapes a JPEG takes.
Bytes jpeg()
{
    Bytes out{0xFF, 0xD8};
    out += Bytes{0xFF, 0xE0, 0x00, 0x06, 'J', 'F', 'I', 'F'};
    out += Bytes{0xFF, 0xDB, 0x00, 0x05, 0xFF, 0xD9, 0x01}; // an end marker's bytes inside a segment
    out += Bytes{0xFF, 0xFF, 0xC0, 0x00, 0x03, 0x08};       // a fill byte before the marker
    out += Bytes{0xFF, 0xDA, 0x00, 0x04, 0x01, 0x00};
    out += Bytes{0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56, 0xFF, 0x00, 0xFF, 0xD7, 0x78};
    out += Bytes{0xFF, 0xDA, 0x00, 0x03, 0x02, 0x9A, 0xBC};
    out += Bytes{0xFF, 0xD9};
    return out;
}

} // namespace

TEST(PictureEnd, EveryCutOfAJpegIsShortAndTheWholeOneWhole)
{
    const Bytes file = jpeg();
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, file.size()}) {
        EXPECT_TRUE(whole(PictureEndCheck::Kind::Jpeg, file, piece)) << piece;
        // Bytes after the end marker (a camera's trailer) change nothing.
        EXPECT_TRUE(whole(PictureEndCheck::Kind::Jpeg, file + Bytes{0, 1, 2, 0xFF}, piece)) << piece;
        for (std::size_t cut = 0; cut < file.size(); ++cut)
            EXPECT_FALSE(whole(PictureEndCheck::Kind::Jpeg, file.substr(0, cut), piece))
                << cut << " in pieces of " << piece;
    }
    // Not a JPEG at all: its decoder says so.
    EXPECT_TRUE(whole(PictureEndCheck::Kind::Jpeg, Bytes{'B', 'M', 0, 0}, 1));
}

TEST(PictureEnd, RunLengthCodesMustReachTheEndOfThePicture)
{
    // 8 × 4: a run and the end of a line, a run over a whole line, a jump over a line, pixels
    // as they are (odd, so padded), the end of the picture.
    const Bytes rle8{4, 7, 0, 0, 8, 3, 0, 0, 0, 2, 2, 1, 0, 3, 5, 6, 7, 0, 0, 1};
    const Bytes file8 = bmp(8, 4, 8, 1, rle8);
    // 8 × 2 at four bits: pixels as they are (5 nibbles, 3 bytes, padded to 4), then lines that end.
    const Bytes rle4{0, 5, 0x12, 0x34, 0x50, 0x00, 0, 0, 8, 0x77, 0, 0};
    const Bytes file4 = bmp(8, 2, 4, 2, rle4);
    for (const Bytes* file : {&file8, &file4}) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{5}, file->size()}) {
            EXPECT_TRUE(whole(PictureEndCheck::Kind::Bmp, *file, piece)) << piece;
            for (std::size_t cut = 0; cut < file->size(); ++cut)
                EXPECT_FALSE(whole(PictureEndCheck::Kind::Bmp, file->substr(0, cut), piece)) << cut;
        }
    }
    // The codes end before the last line and without the end code: cut short, whatever follows
    // in the header's count of bytes.
    EXPECT_FALSE(whole(PictureEndCheck::Kind::Bmp, bmp(8, 4, 8, 1, Bytes{8, 1, 0, 0}), 7));
}

TEST(PictureEnd, UncompressedRowsMustAllBeInTheFile)
{
    // 5 pixels of 8 bits: rows of 8 bytes (whole 32-bit words); at 24 bits, rows of 16.
    const Bytes file8 = bmp(5, 3, 8, 0, Bytes(24, 0x11));
    EXPECT_TRUE(whole(PictureEndCheck::Kind::Bmp, file8, 4096));
    EXPECT_FALSE(whole(PictureEndCheck::Kind::Bmp, file8.substr(0, file8.size() - 1), 4096));
    const Bytes file24 = bmp(5, -3, 24, 0, Bytes(48, 0x22)); // top-down rows count the same
    EXPECT_TRUE(whole(PictureEndCheck::Kind::Bmp, file24, 1));
    EXPECT_FALSE(whole(PictureEndCheck::Kind::Bmp, file24.substr(0, file24.size() - 16), 1));
    // A header cut short, and a file that is no BMP (left to its decoder).
    EXPECT_FALSE(whole(PictureEndCheck::Kind::Bmp, file8.substr(0, 20), 1));
    EXPECT_TRUE(whole(PictureEndCheck::Kind::Bmp, Bytes(64, 0x89), 64));
}

} // namespace trassel
