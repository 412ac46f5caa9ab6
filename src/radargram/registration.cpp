#include "radargram/registration.h"

#include "base/error.h"
#include "base/numbers.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace trassel {
namespace {

std::string TraceText(std::int64_t trace) { return std::to_string(trace); }

// Pickets as the tables write them, to the centimetre (four decimals of a picket).
std::string PicketText(double picket) { return NumberToText(RoundTo(picket, 4)); }

bool Usable(const std::optional<double>& v) { return v && std::isfinite(*v) && *v > 0; }

} // namespace

void TraceRegistration::Check(const std::vector<TraceTie>& ties)
{
    for (const TraceTie& tie : ties) {
        if (tie.trace < 0)
            throw Error("Привязка трассы " + TraceText(tie.trace) + ": номер трассы не может быть отрицательным.");
        if (!std::isfinite(tie.picket))
            throw Error("Привязка трассы " + TraceText(tie.trace) + ": пикет должен быть конечным числом.");
    }
    std::vector<TraceTie> sorted = ties;
    std::sort(sorted.begin(), sorted.end(), [](const TraceTie& a, const TraceTie& b) { return a.trace < b.trace; });
    for (std::size_t i = 1; i < sorted.size(); ++i)
        if (sorted[i].trace == sorted[i - 1].trace)
            throw Error("Трасса " + TraceText(sorted[i].trace) + " привязана дважды: оставьте одну привязку.");
    if (sorted.size() < 2)
        return;
    // The inverse (a picket to its trace) needs pickets that run one way: a tie out of order is
    // almost always a typing slip, and a picket tied twice would stretch traces to no length.
    const bool falling = sorted[1].picket < sorted[0].picket;
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        const double a = sorted[i - 1].picket;
        const double b = sorted[i].picket;
        if (a == b)
            throw Error("Трассы " + TraceText(sorted[i - 1].trace) + " и " + TraceText(sorted[i].trace) +
                        " привязаны к одному пикету " + PicketText(a) + ".");
        if ((b < a) != falling)
            throw Error("Привязки идут не по порядку пикетов: трасса " + TraceText(sorted[i].trace) + " на пикете " +
                        PicketText(b) + " нарушает ход профиля от трассы " + TraceText(sorted[i - 1].trace) +
                        " (пикет " + PicketText(a) + ").");
    }
}

TraceRegistration::TraceRegistration(std::vector<TraceTie> ties, const HeaderPlacement& header)
{
    Check(ties);
    std::sort(ties.begin(), ties.end(), [](const TraceTie& a, const TraceTie& b) { return a.trace < b.trace; });
    ties_ = std::move(ties);
    const bool step = Usable(header.stepM);
    if (ties_.size() >= 2) {
        mode_ = Mode::Ties;
        falling_ = ties_[1].picket < ties_[0].picket;
    } else if (ties_.size() == 1 && step) {
        mode_ = Mode::Header;
        slope_ = *header.stepM / 100.0;
        origin_ = ties_[0].picket - static_cast<double>(ties_[0].trace) * slope_;
    } else if (ties_.empty() && step) {
        mode_ = Mode::Header;
        slope_ = *header.stepM / 100.0;
        const double start = header.startM && std::isfinite(*header.startM) ? *header.startM : 0.0;
        origin_ = start / 100.0;
    }
}

std::size_t TraceRegistration::segmentForTrace(double trace) const
{
    // The first tie after `trace`, kept inside 1..n-1 so that outer traces use the outer pair.
    const auto it = std::upper_bound(ties_.begin(), ties_.end(), trace,
                                     [](double t, const TraceTie& tie) { return t < static_cast<double>(tie.trace); });
    const auto hi = static_cast<std::size_t>(it - ties_.begin());
    return std::clamp<std::size_t>(hi, 1, ties_.size() - 1);
}

std::size_t TraceRegistration::segmentForPicket(double picket) const
{
    const auto it = falling_ ? std::upper_bound(ties_.begin(), ties_.end(), picket,
                                                [](double p, const TraceTie& tie) { return p > tie.picket; })
                             : std::upper_bound(ties_.begin(), ties_.end(), picket,
                                                [](double p, const TraceTie& tie) { return p < tie.picket; });
    const auto hi = static_cast<std::size_t>(it - ties_.begin());
    return std::clamp<std::size_t>(hi, 1, ties_.size() - 1);
}

std::optional<double> TraceRegistration::picketOf(double trace) const
{
    switch (mode_) {
    case Mode::None: return std::nullopt;
    case Mode::Header: return origin_ + trace * slope_;
    case Mode::Ties: break;
    }
    const std::size_t i = segmentForTrace(trace);
    const TraceTie& a = ties_[i - 1];
    const TraceTie& b = ties_[i];
    const double span = static_cast<double>(b.trace - a.trace);
    return a.picket + (b.picket - a.picket) * ((trace - static_cast<double>(a.trace)) / span);
}

std::optional<double> TraceRegistration::traceAt(double picket) const
{
    switch (mode_) {
    case Mode::None: return std::nullopt;
    case Mode::Header: return (picket - origin_) / slope_;
    case Mode::Ties: break;
    }
    const std::size_t i = segmentForPicket(picket);
    const TraceTie& a = ties_[i - 1];
    const TraceTie& b = ties_[i];
    const double span = static_cast<double>(b.trace - a.trace);
    return static_cast<double>(a.trace) + span * ((picket - a.picket) / (b.picket - a.picket));
}

} // namespace trassel
