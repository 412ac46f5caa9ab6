#pragma once
// Printing of the geological section on a Qt printer: the sheets PlanSectionPrint lays out, each
// painted through the section's own painting, with its footer and the marks of its overlaps.
#include "drawing/print_pages.h"
#include "sheets/sheet_frame.h"

#include <QImage>
#include <QPagedPaintDevice>
#include <QPrinter>
#include <QRect>

#include <functional>
#include <limits>

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
    double lastPicket = std::numeric_limits<double>::quiet_NaN(); // the last row's picket, if known
    int surfaceY = 55;                                            // H
    int depthStep = 50;                                           // the depth scale's step, cm
    int depthLabelX = 25;                                         // Lleft: where the depth scale's labels stand
    // Paints the part of the section inside `sourceRect` (section pixels) through `painter`, whose
    // transform the caller has already set so that one unit is one section pixel.
    std::function<void(QPainter& painter, const QRect& sourceRect)> paint;
    // The frame of every sheet: the form's texts, the layers' legend and the thickness analysis
    // the deviation plot under the picture reads when the form asks for it (null: no plot).
    ProjectForm form;
    std::vector<LegendEntry> legend;
    const Compliance* compliance = nullptr;
    bool deviationPlot() const { return form.deviationPlot && compliance != nullptr; }
};

// The size and scales of the source as the planner takes them.
SectionGeometry GeometryOf(const SectionPrintSource& source);

// The device's printable area, its resolution and the band under the picture that the frame
// takes (with the deviation plot or without), for the planner.
PrintSheet SheetOf(const QPagedPaintDevice& device, bool deviationPlot = false);

// The sheets of the source on the device as `options` say; no sheets when nothing can be printed.
SectionPrintPlan PlanPrint(const QPagedPaintDevice& device, const SectionPrintSource& source,
                           const SectionPrintOptions& options);

// The scales a sheet of the plan is printed at, as N and M of 1 : N and 1 : M (0: no pickets).
SheetFacts FactsOf(const SectionPrintSource& source, const SectionPrintPlan& plan, const PrintSheet& sheet,
                   const SectionPrintPage& page);

// Paints one sheet of the plan on the painter's current page: the part of the section, the
// marks of its overlaps, the depth scale where the section's own is on another sheet and the
// frame under it (the plots, the legend, the title block).
void PaintSectionSheet(QPainter& painter, const SectionPrintSource& source, const SectionPrintPlan& plan,
                       const SectionPrintPage& page, const PrintSheet& sheet);

// Prints the section as `options` say, one sheet after the other (PaintSectionSheet). Throws Error when there is nothing to print, when the printout would take too
// many sheets, or when the printer refuses to begin, to take a new sheet or to finish; errors
// thrown by `source.paint` pass through.
void PrintSection(QPrinter& printer, const SectionPrintSource& source, const SectionPrintOptions& options);

} // namespace trassel
