#pragma once
// Where the traces of a radargram lie on the line, in pickets (hundreds of metres: picket
// 123.45 is 12,345 m from the line's origin). Either the file's own start and step place every
// trace, or the user ties traces (usually marks) to pickets: between two ties the traces are
// spread evenly, beyond the outer ties they go on at the slope of the nearest pair. A run
// against the chainage (pickets falling as the trace index grows) is tied the same way.
#include <cstdint>
#include <optional>
#include <vector>

namespace trassel {

// One trace tied to a picket by the user.
struct TraceTie {
    std::int64_t trace = 0;
    double picket = 0;
    bool operator==(const TraceTie&) const = default;
};

// What the file says of the traces' places; a step that is missing, not positive or not finite
// places nothing.
struct HeaderPlacement {
    std::optional<double> stepM;
    std::optional<double> startM; // 0 when the file does not say
    bool operator==(const HeaderPlacement&) const = default;
};

// Trace index <-> picket, O(log ties) a lookup.
class TraceRegistration {
public:
    // No placement: placed() is false.
    TraceRegistration() = default;
    // With no ties the header's start and step place the traces. One tie with a known step
    // goes through the tie at the header's step along the chainage: a single mark cannot tell
    // the direction, and a survey is run along the chainage far more often than against it
    // (tie a second mark to say otherwise). Two or more ties are used alone: a tied picket is
    // the user's word and the header's step is often the odometer's estimate.
    // Throws an Error in Russian for a trace tied twice, ties whose pickets do not run one way
    // (the same picket twice included), a negative trace or a picket that is not finite.
    TraceRegistration(std::vector<TraceTie> ties, const HeaderPlacement& header);

    // Whether trace positions are known at all.
    bool placed() const { return mode_ != Mode::None; }
    // The picket of a (fractional) trace index; nullopt when nothing is placed.
    std::optional<double> picketOf(double trace) const;
    // The fractional trace index at `picket`, the exact inverse of picketOf.
    std::optional<double> traceAt(double picket) const;
    // The ties in trace order, as checked.
    const std::vector<TraceTie>& ties() const { return ties_; }

    // The refusals the constructor makes, for a caller that checks ties before it keeps them.
    static void Check(const std::vector<TraceTie>& ties);

private:
    enum class Mode { None, Header, Ties };
    // The pair of ties whose segment serves trace `trace` (nearest pair outside them).
    std::size_t segmentForTrace(double trace) const;
    std::size_t segmentForPicket(double picket) const;

    Mode mode_ = Mode::None;
    std::vector<TraceTie> ties_;
    // Header mode, or the single tie: picket = origin + trace * slope (pickets per trace).
    double origin_ = 0;
    double slope_ = 0;
    bool falling_ = false; // pickets fall as the trace index grows
};

} // namespace trassel
