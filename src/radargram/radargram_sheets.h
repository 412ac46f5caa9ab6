#pragma once
// The radargram with the depth table's boundaries over it, drawn without a window: each checked
// layer's boundary converted to time through the depth model and drawn in the layer's diagram
// colour over the scene's picture, and the registered radargram cut into sheets along the line.
#include "drawing/canvas.h"
#include "radargram/radargram_overlay.h"

#include <span>
#include <vector>

namespace trassel {

class Grid;
class RadargramScene;
struct RadargramModel;

// The boundaries of `layers` (OverlayLayersOf: the checked ones) over rows first..last, as the
// radargram page draws them over the scene's picture of the traces (RadargramOverlay): a row's
// picket placed on its trace by the registration, its depth on its sample by the depth model, a
// row without a picket or a depth breaking the line; cut at the picture's edges. Nothing is drawn
// when the scene shows no file or its traces are not placed on the line.
void DrawRadargramBoundaries(Canvas& canvas, const RadargramScene& scene, const Grid& table, int firstRow, int lastRow,
                             std::span<const OverlayLayer> layers);

// One sheet of the radargram: the pickets [fromPicket, toPicket) and the traces they cover.
struct RadargramSheet {
    int number = 0; // 1 for the sheet starting at `origin`, counted along the line
    double fromPicket = 0;
    double toPicket = 0;
    double firstTrace = 0; // the lower of the two ends' traces
    double traceCount = 0;
};

// Cuts the part of the registered radargram between the pickets `origin` and `end` into sheets
// of `sheetPickets` pickets from `origin` on, numbered as the section's sheets of the same rows
// are. Sheets the file does not reach are left out. Error in Russian without an open file, with
// traces not placed on the line, or when the file lies wholly outside origin..end.
std::vector<RadargramSheet> PlanRadargramSheets(const RadargramModel& model, double origin, double end,
                                                double sheetPickets);

} // namespace trassel
