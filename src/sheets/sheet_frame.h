#pragma once
// The frame of a drawn sheet of the section: under the picture, when asked, the deviation plot
// and the bar of the failing stretches; then the legend of the layers and the title block with
// the project form's texts, the sheet's km range, its scales written as "1 : N" and "Лист k из n".
// Everything is drawn on a Canvas in sheet units of 96 to the inch (the canvas's font sizes are
// points at that resolution), so one drawing serves a printer, a PDF page and a bitmap alike.
#include "drawing/canvas.h"
#include "drawing/drawing_record.h"
#include "drawing/print_pages.h"
#include "section/section_renderer.h"
#include "sheets/project_form.h"
#include "thickness/deviation_plot.h"

#include <span>
#include <string>
#include <vector>

namespace trassel {

// What one sheet says of itself besides the form.
struct SheetFacts {
    std::string kmText; // "км 12,000 – 13,000"; empty without pickets
    int number = 1;
    int count = 1;
    double horizontalScale = 0; // N of 1 : N; 0 when the sheet has none (no pickets)
    double verticalScale = 0;
};

// "1 : 1000" for a scale rounded to a whole number, "—" for none.
std::string ScaleText(double n);

// One layer in the legend: its name, its fill (colour and fill style ordinal) and its line.
struct LegendEntry {
    std::string name;
    Color fill = kWhite;
    int fillStyle = 0;
    Color line = kBlack;
    bool operator==(const LegendEntry&) const = default;
};

class SurveyDocument;

// The checked layers of the document in their order from the top (the first under the sleeper),
// each named as the thickness analysis names it: the user's name, else its column's title.
std::vector<LegendEntry> LegendOf(const SurveyDocument& doc);
// The same for the layers a batch draws (in slot order), their titles in `titleRow` (0: none).
std::vector<LegendEntry> LegendOf(const SurveyDocument& doc, std::span<const SectionLayer> layers, int titleRow);

inline constexpr double kSheetUnitsPerInch = 96.0;
// mm of paper in sheet units, rounded.
int SheetUnits(double mm);

// Sizes of the frame's parts, mm.
inline constexpr double kTitleBlockWidthMm = 185;
inline constexpr double kTitleBlockHeightMm = 40;
inline constexpr double kDeviationHeightMm = 22;
inline constexpr double kStretchBarHeightMm = 4;
inline constexpr double kBandGapMm = 2;

// Where the frame's parts lie on a sheet, in sheet units.
struct SheetBand {
    Rect deviation; // empty unless asked
    Rect stretches; // empty unless asked
    Rect legend;
    Rect titleBlock;
};

// The height of the band under the picture, in sheet units.
int SheetBandHeight(bool deviation);
// The band of a sheet whose picture spans `pictureLeft`..`pictureRight` and ends at `top`, on a
// sheet `width` units wide: the plots under the picture, the same width; the title block at the
// band's bottom right (narrowed to the sheet when it is narrower) and the legend left of it.
SheetBand LayOutSheetBand(int width, int top, int pictureLeft, int pictureRight, bool deviation);

// The title block's cells with the texts of the form and the sheet.
void DrawTitleBlock(Canvas& canvas, const Rect& box, const ProjectForm& form, const SheetFacts& facts);
// The legend: a swatch of each layer's fill framed in its line colour, its name beside it, in
// columns as the box allows; the scales "1 : N" under the title "Условные обозначения".
void DrawLegend(Canvas& canvas, const Rect& box, std::span<const LegendEntry> layers, const SheetFacts& facts);
// The depth scale's labels repeated at a sheet's left edge.
void DrawDepthMarks(Canvas& canvas, int x, std::span<const DepthMark> marks);

// What the band under one sheet's picture shows.
struct SheetFrame {
    ProjectForm form;
    SheetFacts facts;
    std::vector<LegendEntry> legend;
    // The thickness analysis the deviation plot reads (null: no plot) and the picket mapping of
    // the sheet's picture in sheet units.
    const Compliance* compliance = nullptr;
    PicketAxis axis;
};

// Frames a picture already drawn on the whole `canvas` as a sheet of its own (a batch sheet):
// the canvas grows by the band under it, and to the title block's width when narrower, in
// white; the plots span the picture's line from `pictureLeft` to `pictureRight`.
void FrameDrawnSheet(Canvas& canvas, const SheetFrame& frame, int pictureLeft, int pictureRight);

// Draws the band laid out by LayOutSheetBand; the plots only when the form asks for them and
// a compliance is given. The canvas's pen, brush and font are left changed.
void DrawSheetBand(Canvas& canvas, const SheetBand& band, const SheetFrame& frame);

} // namespace trassel
