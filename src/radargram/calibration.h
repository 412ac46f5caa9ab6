#pragma once
// The permittivity fitted to known depths. The table's boundaries were picked on the radargram
// with the depth model in force, so a boundary's two-way time at a picket is that model's time of
// the table's depth there; a depth known from a borehole or a pit at the same picket says which
// wave speed would have put that reflection where it really lies. The layers are those of the
// depth model (one for the whole profile, or one between each pair of its boundaries), fitted
// from the top down: the time a wave spends in the layers above is fixed by their fitted speeds,
// and each layer's speed minimises the squared misfit of its points' depths (a straight line
// through the layer's top, so the least squares have a closed form).
#include "radargram/radargram_model.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace trassel {

class Grid;

// One depth known at a picket: the boundary of the layer read from `column` of the depth table
// lies `depthCm` deep there (empty until the user types it), as a borehole or a pit showed.
struct KnownDepth {
    double picket = 0;
    int column = 0;
    std::optional<double> depthCm;
    std::string source; // "скважина", "шурф", …
    bool operator==(const KnownDepth&) const = default;
};

// The most known depths a table holds: far beyond a line's boreholes, near enough to refuse a
// file made to exhaust memory.
inline constexpr std::size_t kMaxKnownDepths = 100'000;

// Where the known depths are read against: the depth table's rows and picket column, and the
// radargram's model (its depth model, registration and traces).
struct CalibrationSetup {
    const Grid* table = nullptr;
    int picketColumn = 1;
    int firstRow = 0;
    int lastRow = -1;
    const RadargramModel* model = nullptr;
};

// One known depth as the fit used it.
struct CalibratedPoint {
    std::size_t index = 0; // in the known-depth table
    int layer = 0;         // of the depth model, 0 the top one
    double pickedCm = 0;   // the table's depth at the picket
    double knownCm = 0;
    double timeNs = 0;   // two-way time after time zero
    double fittedCm = 0; // the depth the fitted model gives that time
    double misfitCm = 0; // fitted - known
};

// One layer of the depth model.
struct CalibratedLayer {
    int points = 0;
    bool fitted = false;
    double before = 0;   // the permittivity in force
    double eps = 0;      // fitted (the former one when not fitted)
    double epsError = 0; // its standard error
    double rmsMisfitCm = 0;
};

struct CalibrationResult {
    std::vector<CalibratedPoint> points;
    std::vector<CalibratedLayer> layers;
    // What was left out and why, in Russian, one line each.
    std::vector<std::string> notes;
    // The permittivity with the fitted layers' values; the others keep theirs.
    Permittivity permittivity;
    bool anyFitted() const;
};

// The same fit on points already read: (picked depth, known depth) pairs with their places in
// the table. Points whose time is not after time zero, or known depths not below the surface,
// are left out with a note; a layer with fewer than two points keeps its value (one point fits
// exactly and tells nothing of the spread), as does one whose fitted value leaves 1..100.
struct PickedDepth {
    std::size_t index = 0;
    double pickedCm = 0;
    double knownCm = 0;
    std::string where; // "ПК123+60, К№4" for the notes
};
CalibrationResult FitPermittivity(const RadargramModel& model, std::span<const PickedDepth> points);

// Reads each known depth against the table and the radargram, then fits. Refused as a whole
// (Error in Russian) without an open radargram placed on the line; a point without its depth, off
// the table's rows, without a depth in the table there, or off the registered traces is left out
// with a note.
CalibrationResult Calibrate(const CalibrationSetup& setup, std::span<const KnownDepth> known);

// The fit in words, a line a layer, then the notes: "Слой 2: ε 6 → 9.12 ± 0.31 (точек 8, СКО
// невязки 1.4 см)", "Слой 3: ε 12 оставлена (точек 1)"; "Профиль" for a single permittivity.
std::vector<std::string> DescribeCalibration(const CalibrationResult& result);

// The known depths a borehole table offers: for each borehole row (rows 2 on: picket in column 1,
// its name in column 2) one row per depth column in `columns`, the depth left for the user to
// type (a borehole row gives only the depth of its bottom, which is no layer's boundary). The
// source is "скважина" for a name beginning "Скв", "шурф" for "Шурф", else the name itself.
std::vector<KnownDepth> KnownDepthsFromBoreholes(const Grid& boreholes, std::span<const int> columns);

} // namespace trassel
