#pragma once
// The radargram painted with Qt: the picture of the traces as an image, and the boundaries over
// it, each run of a path as one polyline, which costs a small part of as many single lines on a
// view of a whole survey.
#include "radargram/radargram_overlay.h"

#include <QImage>

#include <vector>

class QPainter;

namespace trassel {

// The picture's colours (0x00BBGGRR) in an image of the screen's kind.
QImage ImageOfPicture(const Picture& picture);

// Paints `paths` with a solid pen of `width` pixels in each path's colour, within the painter's clip.
void PaintOverlayPaths(QPainter& painter, const std::vector<OverlayPath>& paths, int width = 2);

} // namespace trassel
