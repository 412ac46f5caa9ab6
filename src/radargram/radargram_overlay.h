#pragma once
// What the radargram's view draws over the picture of the traces: the layers' boundaries from
// the depth table, placed along the line by the traces' registration and down by the depth
// model, and the diagram cursor's row as a thin vertical line. The picture of the traces stays
// as it was made; these are drawn over it at each paint, only where they are in view.
//
// The table's columns are read once into plain arrays (pickets and depths of the working
// range) and mended cell by cell after a correction, so a paint costs the rows in view, and a
// view holding a million rows draws one lowest and one highest point per pixel column.
#include "base/color.h"
#include "drawing/canvas.h"
#include "radargram/depth_model.h"
#include "radargram/radargram_scene.h"
#include "radargram/radargram_strip.h"
#include "radargram/registration.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace trassel {

class Grid;
class LayerManager;

// One boundary drawn over the radargram: a layer's columns and its diagram colour.
struct OverlayLayer {
    int picketColumn = 1;
    int depthColumn = 2;
    Color color = kBlack;
    bool operator==(const OverlayLayer&) const = default;
};

// The checked layers of `layers` in slot order, each in its points' colour on the diagram.
std::vector<OverlayLayer> OverlayLayersOf(const LayerManager& layers);

// How the scene puts the file on the picture: a trace at x, a depth (cm) at y. Without a
// registration or a time window nothing can be placed (placed() is false). A picture laid along
// another one's axis (the strip over the section) gives `line`: then a picket's x is the
// axis's, and the traces follow it, not the view's first trace and zoom.
struct OverlayPlacement {
    RadargramViewport view;
    std::optional<LineAxis> line;
    int left = RadargramMargins::kLeft;
    int top = RadargramMargins::kTop;
    int plotWidth = 1;
    int plotHeight = 1;
    TraceRegistration registration;
    DepthModel depth;
    double sampleNs = 0;

    bool placed() const
    {
        return registration.placed() && sampleNs > 0 && (line ? line->pixelsPerPicket > 0 : view.tracesPerPixel > 0);
    }
    double xOfTrace(double trace) const { return left + (trace - view.firstTrace) / view.tracesPerPixel; }
    double traceOfX(double x) const { return view.firstTrace + (x - left) * view.tracesPerPixel; }
    double sampleOfY(double y) const { return view.firstSample + (y - top) * view.samplesPerPixel; }
    double yOfSample(double sample) const { return top + (sample - view.firstSample) / view.samplesPerPixel; }
    // The depth of a sample and back, through time zero and the permittivity.
    double depthOfSample(double sample) const { return depth.depthCm(sample * sampleNs); }
    double sampleOfDepth(double cm) const { return depth.timeNs(cm) / sampleNs; }
    std::optional<double> xOfPicket(double picket) const;
    std::optional<double> picketOfX(double x) const;
};

// The placement of `scene` as it shows its model now.
OverlayPlacement PlacementOf(const RadargramScene& scene);

// A boundary's lines in the picture's pixels: broken where a row has no depth.
struct OverlayPath {
    Color color = kBlack;
    std::vector<std::vector<Point>> runs;
};

class RadargramOverlay {
public:
    // Follows the table: reads the columns of `layers` and `cursorPicketColumn` over rows
    // first..last, or, when only one cell was written since the last read of the same grid and
    // nothing else changed, mends that cell's value alone.
    void update(const Grid& grid, const std::vector<OverlayLayer>& layers, int cursorPicketColumn, int first, int last);
    // Forgets what was read: the next update reads everything.
    void invalidate() { grid_ = nullptr; }
    // Counts the whole reads (a mend is not one).
    std::uint64_t reads() const { return reads_; }

    // The boundaries in view: the rows whose pickets lie in the columns of the picture, one
    // shallowest and one deepest point a pixel column where a column holds more than two rows
    // (in the order the depths run from its first row to its last), and
    // the row on either side of the view so that the lines run to its edges. A layer whose
    // pickets fall somewhere along the range is not drawn (the section refuses it too).
    std::vector<OverlayPath> paths(const OverlayPlacement& placement) const;
    // The paths drawn with a pen of `width` pixels. The caller clips to the picture.
    void draw(Canvas& canvas, const OverlayPlacement& placement, int width = 2) const;

    // The picket of a row of the working range in the cursor's picket column.
    std::optional<double> picketOfRow(int row) const;
    // The row of the working range whose picket lies nearest `picket` (the first of equals).
    std::optional<int> nearestRow(double picket) const;

private:
    struct Column {
        int col = 0;
        std::vector<double> pickets; // an unreadable picket repeats the one before it
        bool rising = true;          // never falling along the range
    };
    // Rows summed up a block at a time: a view of the whole line reads the blocks a pixel
    // column spans, not each of its hundreds of rows.
    static constexpr std::size_t kBlock = 64;
    struct Track {
        OverlayLayer layer;
        std::size_t column = 0;    // in columns_
        std::vector<float> depths; // NaN: no depth in the cell
        std::vector<float> blockLo;
        std::vector<float> blockHi;
        std::vector<std::uint8_t> blockGap; // a row of the block has no depth
        void summarize(std::size_t block);
    };
    void read(const Grid& grid);
    bool mend(const Grid& grid);
    std::size_t columnIndex(int col);
    static void readColumn(const Grid& grid, Column& column, int first, int last);
    static bool isRising(std::span<const double> pickets);

    const Grid* grid_ = nullptr;
    std::uint64_t revision_ = 0;
    std::vector<OverlayLayer> layers_;
    int cursorColumn_ = 1;
    int first_ = 0;
    int last_ = -1;
    std::vector<Column> columns_;
    std::vector<Track> tracks_;
    std::size_t cursorTrack_ = 0; // index in columns_ of the cursor's picket column
    std::uint64_t reads_ = 0;
};

// A borehole or pit of the borehole table (picket in column 1, depth in column 5, from row 2).
struct OverlayBorehole {
    double picket = 0;
    double depthCm = 0;
    std::string depthText; // as the table writes it
};

// The boreholes of `boreholes` whose picket and depth are numbers.
std::vector<OverlayBorehole> BoreholesOf(const Grid& boreholes);

// Each borehole in view as a vertical mark from the surface (depth 0) down to its depth, a
// tick there and the depth written beside it, in the diagram's borehole blue; a depth beyond
// the picture's time window runs the mark to its bottom edge, without tick or depth.
void DrawBoreholes(Canvas& canvas, const OverlayPlacement& placement, const std::vector<OverlayBorehole>& boreholes);

// The view's first trace moved, when needed, so that `trace` lies within the picture with a
// tenth of it to spare on either side; the zoom stays.
RadargramViewport ViewKeepingTrace(const RadargramViewport& view, double trace, int plotWidth);

// A reflection near `sample` of `trace`: the sample (fractional) of the highest envelope of the
// trace within `halfWindow` samples either side. The envelope (the magnitude of the analytic
// signal, its quadrature part from a short Hilbert filter) peaks on the reflection whatever its
// polarity and phase, where the amplitude itself peaks on a lobe of the wavelet. `sample` itself
// when the window holds no signal.
double SnapToReflection(std::span<const float> trace, double sample, double halfWindow);

// How far a click is moved to its reflection, either way (ns).
inline constexpr double kSnapWindowNs = 2.0;

} // namespace trassel
