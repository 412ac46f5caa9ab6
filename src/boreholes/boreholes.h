#pragma once
// The boreholes of the borehole table on the diagram and on the section. A borehole row
// (rows 2 on; row 1 holds the titles) gives the picket in column 1, two label texts in
// columns 2 and 3 and the depth of the bottom in column 5.
#include "section/section_renderer.h"

#include <string_view>

namespace trassel {

class Canvas;
class ChartModel;
class Grid;
using SeriesId = int;

// "Построить скв": the borehole series refilled with one point per borehole of non-zero depth
// (picket rounded to 4 decimals, depth to 0), marks showing the depth, a flat blue marker.
// Nothing else of the chart changes; no input makes it fail.
void BuildSkv(ChartModel& chart, SeriesId skvSeries, const Grid& boreholes);

// "Выработки": each borehole drawn over the section as it stands: a stem from the surface to
// its bottom, a tick at the bottom, its depth text and its two labels. P0, the first picket of
// the working range, is read strictly from the depth table at column `picketColumnText` and
// row FirstDataRow; its errors come before the first borehole. Two rows or fewer: nothing.
void PlotSkv(Canvas& canvas, const Grid& depthTable, const Grid& boreholes, const SectionParams& params,
             std::string_view picketColumnText);

} // namespace trassel
