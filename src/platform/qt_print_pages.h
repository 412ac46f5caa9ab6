#pragma once
// Printing of the geological section on a Qt printer: the sheets PlanSectionPrint lays out, each
// painted through the section's own painting, with its footer and the marks of its overlaps.
#include "drawing/print_pages.h"

#include <QImage>
#include <QPrinter>
#include <QRect>

#include <functional>

class QPainter;

namespace trassel {

// The section to print: its size and scales, and how to paint any part of it.
struct SectionPrintSource {
    int width = 0; // section size in section pixels
    int height = 0;
    double firstPicket = 0;       // P1: picket value at x = leftX
    int leftX = 85;               // L
    double pixelsPerPicket = 400; // SX (one picket = 100 m); 0 when the picture has no pickets
    double pixelsPerCm = 1;       // SY
    // Paints the part of the section inside `sourceRect` (section pixels) through `painter`, whose
    // transform the caller has already set so that one unit is one section pixel.
    std::function<void(QPainter& painter, const QRect& sourceRect)> paint;
};

// The size and scales of the source as the planner takes them.
SectionGeometry GeometryOf(const SectionPrintSource& source);

// The printer's printable area, its resolution and the footer band, for the planner.
PrintSheet SheetOf(const QPrinter& printer);

// Prints the section as `options` say, one sheet after the other, each with the footer
// "Лист i из n" and its km range and, at a true scale, the marks of the strips it shares with
// its neighbours. Throws Error when there is nothing to print, when the printout would take too
// many sheets, or when the printer refuses to begin, to take a new sheet or to finish; errors
// thrown by `source.paint` pass through.
void PrintSection(QPrinter& printer, const SectionPrintSource& source, const SectionPrintOptions& options);

} // namespace trassel
