#pragma once
// The thickness of every layer against the design, its failing stretches and its summaries, kept
// for a table and made again when the table or the norms change. The cells are read once, each
// row's numbers parsed as its cells are found and turned into the points' thicknesses and norms
// at once; after a correction only the changed rows are read again and only the segments their
// shares reach into are summarised again, so a keystroke on a million-row survey costs
// milliseconds. New norms read no row: the kept thicknesses are measured against them.
#include "thickness/summaries.h"

#include <cstdint>
#include <string>
#include <vector>

namespace trassel {

class Grid;

// What the analysis reads: the working range, the picket column, the layers' depth columns
// (top to bottom), the row of the columns' titles (0: none) and the norms.
struct ComplianceSetup {
    int picketColumn = 1;
    int firstRow = 1;
    int lastRow = 0;
    int titleRow = 0;
    std::vector<int> columns;
    DesignNorms norms;
    bool operator==(const ComplianceSetup&) const = default;
};

struct Compliance {
    LinePoints points;
    std::vector<LayerCompliance> layers;
    // The row's point, -1 when the row is outside the range or its picket cannot be read.
    long long pointOf(int row) const;
};

class ThicknessAnalysis {
public:
    // Everything read and computed afresh. Error (nothing kept, result() empty) for pickets out
    // of order.
    const Compliance& compute(const Grid& grid, const ComplianceSetup& setup);
    // Rows first..last of `grid` changed in their cells, nothing else: those rows are read
    // again. Falls back to compute() when nothing was computed for this setup yet.
    const Compliance& rowsChanged(const Grid& grid, int first, int last);
    // The grid is as before and `setup` differs from the last one at most in its norms: the
    // points and thicknesses are kept, not read again, and the norms and all that is measured
    // against them are made anew. Anything else (a new sleeper base changes the ballast's
    // thickness), or nothing computed yet, falls back to compute().
    const Compliance& normsChanged(const Grid& grid, const ComplianceSetup& setup);
    const Compliance& result() const { return result_; }
    const ComplianceSetup& setup() const { return setup_; }
    bool valid() const { return valid_; }
    void invalidate() { valid_ = false; }

private:
    void computeLine(const Grid& grid);
    void measureAgain(const Grid& grid);
    // The result that `make` fills, valid once it has; nothing kept when it throws.
    template <class Make>
    const Compliance& fill(Make&& make);

    ComplianceSetup setup_;
    bool valid_ = false;
    // Kept between computations: its arrays are filled again in place.
    Compliance result_;
};

} // namespace trassel
