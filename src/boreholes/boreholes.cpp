#include "boreholes/boreholes.h"

#include "chart/chart_model.h"
#include "drawing/canvas.h"
#include "table/grid.h"
#include "base/numbers.h"

#include <cmath>

namespace trassel {
namespace {

constexpr Color kBoreholeBlue = 0xFF0000;

} // namespace

void BuildSkv(ChartModel& chart, SeriesId skvSeries, const Grid& boreholes)
{
    if (!chart.exists(skvSeries))
        return;
    ChartSeries& series = chart.series(skvSeries);
    series.clear();
    for (int r = 2; r < boreholes.rowCount(); ++r) {
        const double p = RoundTo(ReadLenient(boreholes.cellView(1, r)), 4);
        const double d = RoundTo(ReadLenient(boreholes.cellView(5, r)), 0);
        if (d == 0.0)
            continue;       // a borehole without a depth is not shown
        series.addXY(p, d); // no depth-table row: a click on a borehole moves no cursor
    }
    // The borehole look: depth marks in bold blue above a flat bar.
    series.setBrushColor(kBoreholeBlue);
    series.setMarksVisible(true);
    series.setMarksArrowLength(-25);
    series.setMarksTransparent(true);
    series.setMarksFont(MarkFont{true, 12, kBoreholeBlue});
    series.setPointerSize(15, 1);
}

void PlotSkv(Canvas& canvas, const Grid& depthTable, const Grid& boreholes, const SectionParams& params,
             std::string_view picketColumnText)
{
    if (boreholes.rowCount() <= 2)
        return;
    // A margin, scale or label depth may be any integer the spin edits hold: the sums are made
    // in floating point and held to the section's coordinates.
    const double H = params.H;
    const double SX = params.SX;
    const double SY = params.SY;
    const double L = static_cast<double>(params.Lleft) + 60;
    const int surface = SectionPixel(H);
    const int labelY = SectionPixel(static_cast<long double>(params.ISSO) + params.H);
    const int secondLabelY = SectionPixel(static_cast<long double>(params.ISSO) + params.H + 25);
    // The first picket of the working range serves every borehole; a bad cell stops the
    // command before anything is drawn.
    const int colX = ReadInteger(picketColumnText);
    const double P0 = ReadStrict(depthTable.cellView(colX, params.FirstDataRow));
    for (int r = 2; r < boreholes.rowCount(); ++r) {
        const double p = RoundTo(ReadLenient(boreholes.cellView(1, r)), 4);
        const double d = RoundTo(ReadLenient(boreholes.cellView(5, r)), 0);
        const double xf = (p - P0) * SX + L;
        const double yf = d * SY + H;
        if (yf == 0.0)
            continue;
        // A borehole beyond the farthest coordinate of the section lies off any bitmap: skipped
        // (its ends, 7 pixels either side, stay within int).
        if (!(std::fabs(xf) <= kSectionCoordLimit) || !(std::fabs(yf) <= kSectionCoordLimit))
            continue;
        const int x = static_cast<int>(std::trunc(xf));
        const int y = static_cast<int>(std::trunc(yf));
        DrawRazrezLine(canvas, x, surface, x, y, 5, kBlack, PenStyle::Solid);
        DrawRazrezLine(canvas, x - 7, y, x + 7, y, 4, kBlack, PenStyle::Solid);
        canvas.setBrushColor(kWhite);
        canvas.setFontSize(12);
        canvas.textOut(x + 10, y, boreholes.cellView(5, r));
        canvas.textOut(x, labelY, boreholes.cellView(2, r));
        canvas.textOut(x, secondLabelY, boreholes.cellView(3, r));
    }
}

} // namespace trassel
