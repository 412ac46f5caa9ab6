#pragma once
// The boundaries over the radargram painted with Qt: each run of a path as one polyline, which
// costs a small part of as many single lines on a view of a whole survey.
#include "radargram/radargram_overlay.h"

#include <vector>

class QPainter;

namespace trassel {

// Paints `paths` with a solid pen of `width` pixels in each path's colour, within the painter's clip.
void PaintOverlayPaths(QPainter& painter, const std::vector<OverlayPath>& paths, int width = 2);

} // namespace trassel
