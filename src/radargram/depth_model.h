#pragma once
// Time to depth in a radargram: a wave travels at v = c / sqrt(eps) (c = 0.2998 m/ns) and a
// reflection at depth d returns after 2 d / v, counted from time zero (the moment the wave
// leaves the ground surface). The permittivity is one for the whole profile or one per layer
// between boundaries given as depths in centimetres, as the depth table writes them. Depth is
// a continuous, strictly rising function of time, so time(depth(t)) == t up to rounding and a
// boundary's depth meets its own time.
#include <cstddef>
#include <span>
#include <vector>

namespace trassel {

inline constexpr double kLightMPerNs = 0.2998;
// The range a relative permittivity of ground may take: 1 is air, water is about 81.
inline constexpr double kMinPermittivity = 1.0;
inline constexpr double kMaxPermittivity = 100.0;

// Refuses, in Russian, a permittivity below 1 or not finite; `what` names it ("ε слоя 2").
void CheckPermittivity(double eps, const char* what = "Диэлектрическая проницаемость");

class DepthModel {
public:
    // One permittivity for the whole profile.
    explicit DepthModel(double eps = 6.0, double timeZeroNs = 0);
    // `boundariesCm` rising and positive, `eps` one more than them: eps[0] above the first
    // boundary, eps[i] between boundaries i-1 and i, the last one below the deepest. Throws an
    // Error in Russian for any other shape, a permittivity below 1 or a value not finite.
    DepthModel(std::vector<double> boundariesCm, std::vector<double> eps, double timeZeroNs);

    double timeZeroNs() const { return timeZero_; }
    // Depth (cm) of a time (ns, as the samples count it, before time zero included: above the
    // surface the depth is negative at the top layer's speed).
    double depthCm(double timeNs) const;
    // The time (ns) of a depth (cm), the inverse of depthCm.
    double timeNs(double depthCm) const;

    // Speed (cm per ns) in layer i.
    double speedCmPerNs(std::size_t layer) const { return speed_[layer]; }

private:
    void build();

    double timeZero_ = 0;
    std::vector<double> bounds_; // depths of the boundaries, cm, rising
    std::vector<double> speed_;  // cm/ns of each layer
    std::vector<double> times_;  // two-way time after time zero at each boundary, ns
};

// The sample of time zero on the first break of the averaged trace: the first sample whose
// magnitude reaches `fraction` of the largest magnitude of `meanTrace` after its mean level is
// taken away. The direct wave through air and the surface is the first strong arrival, and a
// fixed share of its peak finds its onset the same way whatever the gain. 0 for a flat trace.
std::size_t FirstBreakSample(std::span<const float> meanTrace, double fraction = 0.5);

} // namespace trassel
