#pragma once
// Layer thickness along the line. The rows of the working range with a readable picket are the
// survey's points; each stands for its share of the line: from half-way to the row before to
// half-way to the row after, the first and the last row ending at their own position. A layer
// lies between two boundaries (depth columns, top to bottom in the layers' order): its
// thickness is the lower boundary's depth minus the upper's, the first layer's upper boundary
// being the sleeper base. An empty or non-numeric depth is a gap: the thickness of both layers
// it bounds is unknown there (NaN), never zero.
#include "thickness/norms.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trassel {

class Grid;

inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// Where a picket cell lies along the line, in metres: a decimal picket ("123.45": picket 123
// plus 45 m) or the same written with "+" for the point, as "Пересчет в ПК" writes it
// ("123+45", "123+5" for 123.5). Rounded to the millimetre; nothing for any other text.
std::optional<double> PicketMetres(std::string_view text);
// The same for a decimal picket already read as a number (123.45).
std::optional<double> DecimalPicketMetres(double picket);

// A length along the line written as a picket ("123+45", "123.45") or as kilometres and metres
// ("12 км 345 м", "12км345"), in metres; nothing for any other text.
std::optional<double> LinePositionMetres(std::string_view text);

// "123+45" for 12345 m, "123+45.5" for 12345.5 m; the sign in front.
std::string PicketText(double metres);

// The points of the line: rows of the table in order, their positions and shares.
struct LinePoints {
    std::vector<int> rows;
    std::vector<double> posM;
    std::vector<double> fromM; // where the row's share begins
    std::vector<double> toM;   // and ends
    std::size_t size() const { return rows.size(); }
};

// The points of `positions` (one per row, NaN where the picket cannot be read) for the rows
// first..last. Error naming the row when a position lies before the one above it.
LinePoints PointsOf(const std::vector<double>& positions, int first);

// One layer along the line: its thickness and its norm at each point (NaN: a gap, no norm).
struct LayerLine {
    int column = 0;
    std::string name;
    std::vector<double> thicknessCm;
    std::vector<double> normCm;
    // thickness - norm, NaN where either is missing: the deviation plot.
    double deviationCm(std::size_t i) const { return thicknessCm[i] - normCm[i]; }
};

// The layer's name: the user's, else the column's title in `titleRow` (0: none), else "К№N".
std::string LayerName(const DesignNorms& norms, const Grid& grid, int column, int titleRow);

// The norm of layer number `index` (0: the ballast, whose norm comes from the design stretches,
// or its own where no stretch gives one) at `positionM`; NaN when there is none.
double NormOf(const DesignNorms& norms, std::size_t index, int column, double positionM);

// NormOf at each of `positionsM`, which follow one another along the line (never decreasing):
// the design stretches are walked alongside the points instead of searched for each one.
std::vector<double> NormsAlong(const DesignNorms& norms, std::size_t index, int column,
                               const std::vector<double>& positionsM);

} // namespace trassel
