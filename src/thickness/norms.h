#pragma once
// The design the track bed is judged against: the ballast under the sleeper by track class and
// sleeper type, the stretches of the line with their class and sleepers, a norm for any other
// layer, and the parameters of judging (sleeper base, tolerance, shortest failing stretch, the
// gap that still joins two, the prism width of the volumes, the condition classes).
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trassel {

enum class Sleeper { Wooden, Concrete };

inline constexpr int kTrackClasses = 5;

// Crushed-stone ballast under the sleeper in cm, by track class (1..5) and sleeper type; a
// cell without a value is left for the user to fill, and a stretch that needs it has no norm.
struct BallastTable {
    std::array<std::array<std::optional<double>, 2>, kTrackClasses> cm;
    std::optional<double> at(int trackClass, Sleeper sleeper) const;
    void set(int trackClass, Sleeper sleeper, std::optional<double> value);
    bool operator==(const BallastTable&) const = default;
};

// The Russian design table: classes 1-2 35 / 40, class 3 25 / 30, class 4 20 wooden, class 5
// 15 wooden; concrete sleepers of classes 4 and 5 are left empty.
BallastTable DefaultBallastTable();

// A stretch of the line, from..to metres along it, both ends included. The stretches of a norm
// follow one another along the line without overlapping (one may start where the last ended).
struct DesignStretch {
    double fromM = 0;
    double toM = 0;
    int trackClass = 1;
    Sleeper sleeper = Sleeper::Concrete;
    bool operator==(const DesignStretch&) const = default;
};

// What the user says of one layer (a depth column): its name (empty: the column's title) and,
// for any layer but the ballast, its norm in cm.
struct LayerNorm {
    int column = 0;
    std::string name;
    std::optional<double> normCm;
    bool operator==(const LayerNorm&) const = default;
};

// One condition class of a segment: it holds while the share of the length below the norm is
// at most `maxSharePercent`.
struct ConditionClass {
    std::string name;
    double maxSharePercent = 0;
    bool operator==(const ConditionClass&) const = default;
};

std::vector<ConditionClass> DefaultConditionClasses();

struct DesignNorms {
    BallastTable ballast = DefaultBallastTable();
    std::vector<DesignStretch> stretches;
    std::vector<LayerNorm> layers;
    double sleeperBaseCm = 0; // the sleeper's base below the measured zero
    double toleranceCm = 0;   // thinner than norm - tolerance fails
    double minLengthM = 0;    // shorter failing stretches are left out
    double joinGapM = 0;      // failing stretches this close are one
    double prismWidthM = 3.4; // the width the deficit volumes are taken over
    std::vector<ConditionClass> classes = DefaultConditionClasses();
    bool operator==(const DesignNorms&) const = default;

    // The entry of `column`, nullptr when the user said nothing of it.
    const LayerNorm* layer(int column) const;
};

// The bounds of the values (a line of 100,000 km, a layer of 100 m).
inline constexpr double kMaxLineM = 1e8;
inline constexpr double kMaxLayerCm = 10'000;
inline constexpr double kMaxPrismWidthM = 100;
inline constexpr std::size_t kMaxDesignStretches = 100'000;
inline constexpr std::size_t kMaxConditionClasses = 10;

// Refuses absurd values with an Error naming the field: negative or non-finite sizes, a
// stretch that ends before it starts or overlaps the one before it, an unknown track class, a
// name that is too long, classes whose shares do not grow
// or whose last does not reach 100 %, a layer column given twice.
void CheckNorms(const DesignNorms& norms);

// The ballast norm at `positionM`: that of the stretch covering it (the earlier one at a shared
// end), when its table cell has a value.
std::optional<double> BallastNormAt(const DesignNorms& norms, double positionM);

// The index of the condition class for a share below the norm (percent), -1 without classes.
int ConditionOf(const std::vector<ConditionClass>& classes, double sharePercent);

// "дерево" / "железобетон" and back (nothing for another word).
std::string_view SleeperName(Sleeper sleeper);
std::optional<Sleeper> SleeperByName(std::string_view name);

} // namespace trassel
