#pragma once
// Radargram pictures saved as Windows metafiles (WMF, EMF), drawn by the system's own metafile
// player. Only Windows has one: elsewhere MetafilesSupported() is false and the picture loader
// refuses such files with a message.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace trassel {

// Whether this system can draw metafiles.
bool MetafilesSupported();

struct MetafilePicture {
    int width = 0;
    int height = 0;
    // Row by row from the top, 0xAARRGGBB with AA = 0xFF; white where the metafile draws nothing.
    std::vector<std::uint32_t> pixels;
};

enum class MetafileKind { Wmf, Emf };

// Draws a metafile's bytes at its own size: an EMF at its frame (hundredths of a millimetre) on
// the reference screen's pixels, a placeable WMF at its bounding box and units per inch, a plain
// WMF at the size the system gives it. Throws trassel::Error (in Russian, without the file's name)
// for bytes that are not a metafile of `kind`, a picture the system cannot draw, an empty one, or
// one that would take more than `byteLimit` bytes at 4 bytes a pixel.
MetafilePicture RenderMetafile(std::span<const unsigned char> bytes, MetafileKind kind, std::size_t byteLimit);

} // namespace trassel
