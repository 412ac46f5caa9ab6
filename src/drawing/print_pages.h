#pragma once
// Planning of the printed sheets of the geological section: how large the section is drawn,
// which part of it goes on which sheet, where on the sheet, what the sheet's footer says and
// where the strips repeated on the neighbouring sheets are marked.
//
// Coordinates. The section is a picture of width x height section pixels. A picket value X
// lies at x = (X - firstPicket) * pixelsPerPicket + leftX, a depth of D cm at
// y = pixelsPerCm * D + (the surface line's y); one picket is 100 m of line, km = picket / 10.
// A sheet is measured in device pixels of the printer, inside its printable area, with the
// origin at the area's top-left corner.
//
// The three ways to fit the section (s is device pixels per section pixel):
//   PageHeight      s = usable height / section height, the same in both directions; the
//                   width runs on over as many sheets as it needs, left to right, edge to edge.
//   WholeOnOnePage  s = min(usable width / section width, usable height / section height):
//                   the whole section on one sheet, proportions kept.
//   TrueScale       horizontally 1 : N, vertically 1 : M (metres of line, or of depth, per
//                   metre of paper), each direction with its own s:
//                     sx = 100000 / (N * pixelsPerPicket) * dpiX / 25.4
//                          (one picket, 100000 mm of line, is 100000 / N mm of paper),
//                     sy = 10 / (M * pixelsPerCm) * dpiY / 25.4
//                          (one cm of depth, 10 mm, is 10 / M mm of paper).
//                   The section runs as a banner over columns of sheets, and over rows of
//                   sheets when it is taller than one; neighbouring sheets repeat a strip of
//                   overlapMm of paper, marked on both sheets, so they can be laid over each
//                   other and glued.
// The usable height is the printable height less the footer's band at the bottom.
//
// No sheet is ever blank, and rounding never makes a sliver sheet: when the last column (or
// row) would bring less than kSliverFraction of a sheet's extent that the others do not
// already show, the picture is made smaller by just enough to do without it: by less than
// 1 % of one sheet's extent, in that direction at a true scale and in both (proportions kept)
// otherwise. So a section that fits a sheet up to rounding prints on exactly one sheet.
#include <limits>
#include <string>
#include <vector>

namespace trassel {

enum class PrintFit { PageHeight, WholeOnOnePage, TrueScale };

// The screen resolution at which the section's own scales are read for the default print scales.
inline constexpr double kSectionPixelsPerInch = 96.0;
// Below this share of a sheet, the new content of a last column or row is folded into the others.
inline constexpr double kSliverFraction = 0.01;
// A last sheet whose share of the line is less than this share of a sheet's is folded into the
// sheets before it: a drawing set never ends on a sheet of a few metres (and the margin after them).
inline constexpr double kTinySheetFraction = 0.1;
// More sheets than this are refused rather than sent to the printer.
inline constexpr int kMaxPrintPages = 1000;

// The horizontal scale N (1 : N) at which the printed section is as large as on a screen of
// kSectionPixelsPerInch, one section pixel being 25.4 / 96 mm of paper:
//   N = 100000 mm / (pixelsPerPicket * 25.4 / 96 mm), rounded to a whole number, at least 1.
// 400 pixels per picket give 1 : 945. 0 when pixelsPerPicket is not positive.
double DefaultHorizontalScale(double pixelsPerPicket);
// The vertical scale M (1 : M) likewise: M = 10 mm / (pixelsPerCm * 25.4 / 96 mm), rounded to a
// whole number, at least 1. One pixel per centimetre gives 1 : 38. 0 when pixelsPerCm is not positive.
double DefaultVerticalScale(double pixelsPerCm);

// The section as the planner needs it: its size and the transform from pickets to x.
// A pixelsPerPicket of 0 (or less) means the picture carries no pickets: no km range is given.
struct SectionGeometry {
    int width = 0;
    int height = 0;
    double firstPicket = 0;
    int leftX = 85;
    double pixelsPerPicket = 400;
    double pixelsPerCm = 1;
    // The last row's picket: a sheet's km range ends there, and the margin after it does not make
    // a sheet of its own. NaN: the line ends at the picture's right edge.
    double lastPicket = std::numeric_limits<double>::quiet_NaN();
    // The section's depth scale: the surface line's y, the step in cm and the x of its labels.
    int surfaceY = 55;
    int depthStep = 50;
    int depthLabelX = 25;
};

// The picket value at x in section pixels; x may be fractional.
double PicketAtX(const SectionGeometry& section, double x);

// How the user wants the section printed.
struct SectionPrintOptions {
    PrintFit fit = PrintFit::PageHeight;
    // N and M of TrueScale, as 1 : N and 1 : M; 0 (or less) takes the section's own,
    // DefaultHorizontalScale and DefaultVerticalScale.
    double horizontalScale = 0;
    double verticalScale = 0;
    // Width of the strip repeated on the neighbouring sheet at TrueScale, mm of paper.
    double overlapMm = 5;
    bool operator==(const SectionPrintOptions&) const = default;
};

// The printer's sheet: the printable area and the band kept free at its bottom for the footer.
struct PrintSheet {
    int width = 0; // printable area, device pixels
    int height = 0;
    double dpiX = 96; // device pixels per inch of paper
    double dpiY = 96;
    int footerHeight = 0; // device pixels at the bottom of the printable area
};

struct PrintRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PrintRect&) const = default;
};

struct PrintRectF {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    bool operator==(const PrintRectF&) const = default;
};

enum class SheetEdge { Left, Right, Top, Bottom };

// A strip of the picture at one edge of a sheet that the neighbouring sheet shows too. `at` is
// the line, in device pixels (an x for Left and Right, a y for Top and Bottom), where the
// neighbour's picture ends (Left, Top) or begins (Right, Bottom): the sheets are laid over
// each other so that this line of one meets the picture's edge of the other.
struct OverlapMark {
    SheetEdge edge = SheetEdge::Left;
    int at = 0;
    bool operator==(const OverlapMark&) const = default;
};

// A label of the depth scale repeated at a sheet's left edge: "150см" at y device pixels.
struct DepthMark {
    int y = 0;
    std::string label;
    bool operator==(const DepthMark&) const = default;
};

// One sheet of the printout.
struct SectionPrintPage {
    // The part of the section drawn on this sheet, exactly, in section pixels; it can extend
    // past the section's edge by under one device pixel on the last column or row.
    PrintRectF source;
    // The whole section pixels covering `source`, inside the section: what is to be painted.
    PrintRect sourcePixels;
    // Where `source` lands, in device pixels of the printable area.
    PrintRect destination;
    int number = 1; // 1-based, in printing order: rows top to bottom, each left to right
    int count = 1;
    int row = 0; // 0-based place in the grid of sheets
    int column = 0;
    int rows = 1;
    int columns = 1;
    // The km at the left and right edges of the part shown; meaningful when hasKm.
    bool hasKm = false;
    double firstKm = 0;
    double lastKm = 0;
    std::vector<OverlapMark> marks;
    // The depth scale's labels for a sheet that does not show the section's own (every sheet
    // but those of the first column), at the left edge of `destination`.
    std::vector<DepthMark> depthMarks;
};

// The sheets in printing order, with the scales they are drawn at.
struct SectionPrintPlan {
    std::vector<SectionPrintPage> pages;
    double scaleX = 0; // device pixels per section pixel
    double scaleY = 0;
    int rows = 0;
    int columns = 0;
};

// Plans the printout. No sheets when the section, the printable area or the space above the
// footer has no area (or a TrueScale scale is not positive after defaults). Throws Error when
// the printout would take more than kMaxPrintPages sheets.
SectionPrintPlan PlanSectionPrint(const SectionGeometry& section, const PrintSheet& sheet,
                                  const SectionPrintOptions& options);

// "км 12,000 – 12,450": the km with three decimals (metres), a decimal comma.
std::string FormatKmRange(double firstKm, double lastKm);
// The footer's sheet label: "Лист 3 из 12", with ", ряд 2 из 3" when there are rows of sheets.
std::string SheetLabel(const SectionPrintPage& page);
// The footer's km text of the sheet: FormatKmRange of the line it shows (never before the first
// row nor after the last), or empty without pickets.
std::string SheetKmText(const SectionPrintPage& page);

} // namespace trassel
