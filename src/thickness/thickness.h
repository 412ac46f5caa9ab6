#pragma once
// Layer thickness along the line. The rows of the working range with a readable picket are the
// survey's points; each stands for its share of the line: from half-way to the row before to
// half-way to the row after, the first and the last row ending at their own position. A layer
// lies between two boundaries (depth columns, top to bottom in the layers' order): its
// thickness is the lower boundary's depth minus the upper's, the first layer's upper boundary
// being the sleeper base. An empty or non-numeric depth is a gap: the thickness of both layers
// it bounds is unknown there (NaN), never zero.
#include "thickness/norms.h"

#include <algorithm>
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

// Where point i's share begins, of points at positions `posM` (an array's data: a walk may
// follow a line another thread is still adding to).
inline double ShareFrom(const double* posM, std::size_t i) { return i == 0 ? posM[0] : (posM[i - 1] + posM[i]) / 2; }
// Where it ends, of `count` points (more may follow: `count` is then any number past i + 1).
inline double ShareTo(const double* posM, std::size_t i, std::size_t count)
{
    return i + 1 == count ? posM[i] : (posM[i] + posM[i + 1]) / 2;
}

// The points of the line: rows of the table in order and their positions. The shares are not
// stored but halved again where they are needed: on a million-row survey two arrays of them
// cost more to write and read than the additions.
struct LinePoints {
    std::vector<int> rows;
    std::vector<double> posM;
    std::size_t size() const { return rows.size(); }
    // Where point i's share begins and ends.
    double fromM(std::size_t i) const { return ShareFrom(posM.data(), i); }
    double toM(std::size_t i) const { return ShareTo(posM.data(), i, posM.size()); }
    // The first of the first `count` points whose share ends at or after x (count: none does).
    // Shares end in order along the line, so it is found by halves.
    std::size_t firstEndingFrom(double x, std::size_t count) const;
};

// The points of `positions` (one per row, NaN where the picket cannot be read) for the rows
// first..last. Error naming the row when a position lies before the one above it.
LinePoints PointsOf(const std::vector<double>& positions, int first);

// One layer along the line: its thickness and its norm at each point (NaN: a gap, no norm).
// A norm that is the same all along (every layer but the ballast under design stretches) is
// held once, not repeated for every point.
struct LayerLine {
    int column = 0;
    std::string name;
    std::vector<double> thicknessCm;
    std::vector<double> normCm; // at each point, unless `oneNorm`
    // The norm is `constantNormCm` everywhere and `normCm` stays empty. Fixed before the points
    // are made, so a walk following a line that is still being read can tell.
    bool oneNorm = false;
    double constantNormCm = kNoValue;
    double normAt(std::size_t i) const { return oneNorm ? constantNormCm : normCm[i]; }
    // Whether any point has a norm.
    bool anyNorm() const
    {
        if (oneNorm)
            return !thicknessCm.empty() && std::isfinite(constantNormCm);
        return std::any_of(normCm.begin(), normCm.end(), [](double n) { return std::isfinite(n); });
    }
    // The points with a thickness and a norm (all of them, once the line is made).
    std::size_t made() const { return oneNorm ? thicknessCm.size() : std::min(thicknessCm.size(), normCm.size()); }
    // thickness - norm, NaN where either is missing: the deviation plot.
    double deviationCm(std::size_t i) const { return thicknessCm[i] - normAt(i); }
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
