#pragma once
// Whether a picture file holds its whole picture. Image decoders show a JPEG cut short with
// a grey lower part and a BMP whose pixel data end early with rows they never wrote, and call
// either one whole; this follows the file's own structure to tell.
#include <cstddef>
#include <cstdint>

namespace trassel {

// Follows the bytes of a BMP or JPEG file, given in order in pieces of any size, and tells
// whether they reach the end of the picture: for a JPEG its stream of segments and coded data
// up to the end-of-image marker; for a BMP every row of pixel data (by the header's size and
// the file's), or for run-length coded data the codes up to the end-of-picture code or the
// last row. A file that is not of the kind at all is left to the decoder (counted whole).
class PictureEndCheck {
public:
    enum class Kind { Bmp, Jpeg };

    PictureEndCheck(Kind kind, std::uint64_t fileSize);

    // Takes the next bytes of the file. Returns true once the answer is known, so that the
    // rest of the file need not be read.
    bool feed(const unsigned char* data, std::size_t size);
    // Whether the picture is whole: known after feed() returned true or the file's last byte.
    bool complete() const { return decided_ && whole_; }

private:
    void decide(bool whole);
    void skipThen(std::uint64_t bytes, int next);
    void feedJpeg(unsigned char byte);
    void jpegMarker(unsigned char code);
    void feedBmp(unsigned char byte);
    void bmpHeaderRead();

    Kind kind_;
    std::uint64_t fileSize_;
    std::uint64_t position_ = 0; // bytes taken so far
    bool decided_ = false;
    bool whole_ = false;
    int state_ = 0;
    std::uint64_t skip_ = 0;        // bytes still to pass over
    int afterSkip_ = 0;             // the state once they are passed
    unsigned char header_[34] = {}; // the start of a BMP, up to its compression field
    unsigned length_ = 0;           // a JPEG segment's length as it is read
    unsigned char marker_ = 0;      // the JPEG marker whose segment is being passed
    // BMP run-length codes
    bool rle4_ = false;
    std::int64_t rows_ = 0;
    std::int64_t row_ = 0;
};

} // namespace trassel
