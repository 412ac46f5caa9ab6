#pragma once
// Drawing of the geological section: one band per layer between the surface line and the
// layer's boundary, picket marks and labels, depth labels and the depth scale, all into the
// section bitmap's canvas, whose pen, brush and font carry over from one drawing to the next.
#include "base/progress.h"
#include "drawing/canvas.h"

#include <climits>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

namespace trassel {

class Grid;

// The section parameters as the spin edits of the section page hold them, plus the working
// range of the depth table. L, the x of the first picket, is Lleft + 60.
struct SectionParams {
    int H = 55;      // y of the surface line
    int Lleft = 25;  // left margin; the scale labels stand at this x
    int R = 100;     // right margin after the last picket
    int SX = 400;    // pixels per picket
    float SY = 1.0F; // pixels per centimetre of depth
    int Dmax = 300;  // depth at the bottom edge, cm
    int step = 50;   // depth step of the scale, cm
    int ISSO = 250;  // offset below the surface of the boreholes' label line
    int FirstDataRow = 2;
    int LastDataRow = 19;
    bool operator==(const SectionParams&) const = default;
};

// One layer as the section needs it: the columns it reads and how its polygon is drawn.
struct SectionLayer {
    int picketColumn = 1;
    int depthColumn = 2;
    int lineWidth = 3;
    Color lineColor = kBlack;
    Color brushColor = kWhite;
    int brushStyle = 0;  // fill ordinal: 0..7 of BrushStyle, then the soil hatches
    bool checked = true; // only checked layers are drawn by PlotRazrezPoligon
};

// What the drawing shares with the window that shows it: SectionWidth and the size of the
// image control, which the GUI applies to its widget after each command.
struct SectionState {
    int sectionWidth = 200;
    int imageWidth = 1042;
    int imageHeight = 1100;
};

// The surface line's y as "Глубина поверхности" offers it; a project or a command line giving
// another is refused.
inline constexpr int kMinSurface = 25;
inline constexpr int kMaxSurface = 150;

// The farthest a coordinate of the section goes from 0, either way. Values far off the bitmap (a
// stray picket or depth in the table, an extreme margin) are held within +-2^23 so the
// rasteriser, which works in 24.8 fixed point, still clips them correctly instead of wrapping
// around; a bitmap is never larger (kMaxBitmapSide), so what lies there is never seen.
inline constexpr long double kSectionCoordLimit = 8'388'607.0L;

// A coordinate computed in extended precision as the canvas takes it: truncated toward zero,
// held within kSectionCoordLimit, 0 for NaN.
int SectionPixel(long double v);

// The depth scale's lines and labels go down to this depth (cm), every SectionParams::step.
inline constexpr int kDepthScaleLimitCm = 2000;

// The least room (pixels) between two row labels of one kind: closer ones are left out.
inline constexpr int kSectionLabelGap = 4;

// Size of the white bitmap the section starts with.
inline constexpr int kSectionStartWidth = 1042;
inline constexpr int kSectionStartHeight = 1100;
// Name of the picket-marker glyph among the program's resource bitmaps.
inline constexpr const char* kPicketGlyphName = "Bitmap_2";

// Told how far a drawing has gone (rows done of all rows to draw); it may throw to stop the
// drawing (a cancel), which leaves what was drawn so far.
using SectionProgress = Progress;

// What a drawing reads from the depth table's cells, kept from one drawing to the next: a new
// scale or margin draws again from these numbers instead of reading a million cells again. The
// readings of a column are filled row by row as a drawing walks its range, and all of them are
// dropped as soon as the grid has changed (its revision moved) or another grid is drawn.
class SectionReadings {
public:
    struct Picket {
        double rounded = 0.0; // the picket rounded to 2 decimals (the lenient reading if unreadable)
        double metres = 0.0;  // the part after the whole picket
        bool readable = false;
        bool whole = false;
    };

    // Readings of `column` from row `first` on, as far as a drawing got; kept only while the
    // grid is the one read at the revision read.
    std::vector<Picket>& pickets(const Grid& grid, int column, long long first);
    std::vector<double>& depths(const Grid& grid, int column, long long first);
    // Memory held, for the benchmarks.
    std::size_t bytes() const;
    void clear();

private:
    template <class T>
    struct Column {
        long long first = 0;
        std::vector<T> values;
    };
    void check(const Grid& grid);
    template <class T>
    static std::vector<T>& column(std::map<int, Column<T>>& columns, int column, long long first);

    const Grid* grid_ = nullptr;
    std::uint64_t revision_ = 0;
    std::map<int, Column<Picket>> pickets_;
    std::map<int, Column<double>> depths_;
};

// The columns of the bitmap a drawing has to get right; what lies farther off may be left out.
// A parameter change on a long survey draws the part on screen this way first: within these
// columns every pixel is the one the whole drawing gives, and the labels left out still count
// for the thinning of the labels that are drawn.
struct SectionWindow {
    int left = INT_MIN;
    int right = INT_MAX;
    bool whole() const { return left == INT_MIN && right == INT_MAX; }
    bool operator==(const SectionWindow&) const = default;
};

// Paints the bitmap white over its width and the image control's height, ignoring pen and brush.
void ClearRazrez(Canvas& canvas, const SectionState& state);

// Sets the pen to (width, colour, style) and draws the line from (x1, y1) to (x2, y2).
void DrawRazrezLine(Canvas& canvas, int x1, int y1, int x2, int y2, int width, Color color, PenStyle style);

// Sizes the bitmap and sets SectionWidth from the range's first and last pickets, then draws
// one layer. Throws the strict-reading error for a picket cell that is not a number (what was
// drawn before stays), and refuses, before anything changes, pickets that decrease over the
// range or a bitmap beyond the canvas's size limits. A row's depth label and metre label are
// left out where they would overlap the last one of the same kind drawn on the layer.
void PlotRazrezLayer(Canvas& canvas, SectionState& state, const Grid& grid, const SectionParams& params,
                     const SectionLayer& layer, const SectionProgress& progress = {});

// Clears the section and draws every checked layer from the last one to the first, so the
// first lies over the others; then applies SectionWidth to the image control and the bitmap.
// A layer whose size would be refused is refused before the section is cleared.
void PlotRazrezPoligon(Canvas& canvas, SectionState& state, const Grid& grid, const SectionParams& params,
                       std::span<const SectionLayer> layers, const SectionProgress& progress = {});
// The same, reading the cells through `readings` kept by the caller between drawings.
void PlotRazrezPoligon(Canvas& canvas, SectionState& state, const Grid& grid, const SectionParams& params,
                       std::span<const SectionLayer> layers, SectionReadings& readings,
                       const SectionProgress& progress = {}, const SectionWindow& window = {});

// Gives the image control and the bitmap the width SectionWidth; draws nothing.
void ApplySectionWidth(Canvas& canvas, SectionState& state);

} // namespace trassel
