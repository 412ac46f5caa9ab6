#pragma once
// Reading of the radargram picture from a raster file of the kind its extension names.
#include <QImage>
#include <QString>
#include <QtGlobal>

#include <functional>

namespace trassel {

// Told, while a file is read, how many of its bytes the decoder has read so far; it may throw
// Cancelled, which stops the read (LoadRadargram then throws Cancelled).
using LoadProgress = std::function<void(qint64 done, qint64 total)>;

// The most memory a radargram's picture may take: a survey of 100 km at 1 px per 10 cm and
// 1,000 samples is about 1 GB in greyscale, 4 GB in colour.
inline constexpr qint64 kRadargramByteLimit = qint64{2048} * 1024 * 1024;

// Reads the picture of a radargram file. The decoder follows the extension in any letter
// case ("bmp", "jpg", "jpeg", "png", "tif", "tiff", "ico"), whatever the content, and the
// picture keeps the file's pixel format (an 8-bit greyscale file stays Format_Grayscale8).
// The metafiles "wmf" and "emf" are drawn by the system's metafile player where there is one
// (Windows) and refused elsewhere. Throws trassel::Error naming the file for any other
// extension, anything but a regular file (a FIFO is refused at once, never waited on), a file
// that cannot be opened or decoded to its end (a JPEG or BMP cut short included), or a picture
// that would take more than `byteLimit` bytes in its own pixel format; so a caller's former
// picture stays when this throws. Every pixel of the picture returned was decoded or is 0
// (pixels a run-length coded BMP legitimately skips), never memory left from before.
QImage LoadRadargram(const QString& path, const LoadProgress& progress = {}, qint64 byteLimit = kRadargramByteLimit);

} // namespace trassel
