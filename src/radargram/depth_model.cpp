#include "radargram/depth_model.h"

#include "base/error.h"
#include "base/numbers.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace trassel {

void CheckPermittivity(double eps, const char* what)
{
    if (!std::isfinite(eps))
        throw Error(std::string(what) + " должна быть конечным числом.");
    if (eps < kMinPermittivity)
        throw Error(std::string(what) + " (" + NumberToText(eps) +
                    ") не может быть меньше 1: медленнее света в пустоте волна не бывает.");
}

DepthModel::DepthModel(double eps, double timeZeroNs) : DepthModel({}, {eps}, timeZeroNs) { }

DepthModel::DepthModel(std::vector<double> boundariesCm, std::vector<double> eps, double timeZeroNs)
    : timeZero_(timeZeroNs), bounds_(std::move(boundariesCm))
{
    if (!std::isfinite(timeZeroNs))
        throw Error("Нулевое время должно быть конечным числом.");
    if (eps.size() != bounds_.size() + 1)
        throw Error("Для " + std::to_string(bounds_.size()) + " границ слоёв нужно " +
                    std::to_string(bounds_.size() + 1) + " значений диэлектрической проницаемости, дано " +
                    std::to_string(eps.size()) + ".");
    for (std::size_t i = 0; i < bounds_.size(); ++i) {
        const double d = bounds_[i];
        const std::string which = "Граница слоя " + std::to_string(i + 1);
        if (!std::isfinite(d) || d <= 0)
            throw Error(which + " должна лежать ниже поверхности (глубина больше 0 см).");
        if (i > 0 && d <= bounds_[i - 1])
            throw Error(which + " (" + NumberToText(d) + " см) должна лежать глубже предыдущей (" +
                        NumberToText(bounds_[i - 1]) + " см).");
    }
    for (std::size_t i = 0; i < eps.size(); ++i) {
        const std::string what = eps.size() == 1 ? std::string("Диэлектрическая проницаемость")
                                                 : "Диэлектрическая проницаемость слоя " + std::to_string(i + 1);
        CheckPermittivity(eps[i], what.c_str());
        speed_.push_back(kLightMPerNs * 100.0 / std::sqrt(eps[i]));
    }
    times_.reserve(bounds_.size());
    double top = 0;
    double time = 0;
    for (std::size_t i = 0; i < bounds_.size(); ++i) {
        time += 2.0 * (bounds_[i] - top) / speed_[i];
        times_.push_back(time);
        top = bounds_[i];
    }
}

double DepthModel::depthCm(double timeNs) const
{
    const double t = timeNs - timeZero_;
    // The layer whose time span holds t: above the first boundary layer 0, below the last the
    // last layer, each with its own speed from its top.
    const auto layer = static_cast<std::size_t>(std::upper_bound(times_.begin(), times_.end(), t) - times_.begin());
    const double topDepth = layer == 0 ? 0.0 : bounds_[layer - 1];
    const double topTime = layer == 0 ? 0.0 : times_[layer - 1];
    return topDepth + speed_[layer] * (t - topTime) / 2.0;
}

double DepthModel::timeNs(double depthCm) const
{
    const auto layer = static_cast<std::size_t>(std::upper_bound(bounds_.begin(), bounds_.end(), depthCm) -
                                                bounds_.begin());
    const double topDepth = layer == 0 ? 0.0 : bounds_[layer - 1];
    const double topTime = layer == 0 ? 0.0 : times_[layer - 1];
    return timeZero_ + topTime + 2.0 * (depthCm - topDepth) / speed_[layer];
}

std::size_t FirstBreakSample(std::span<const float> meanTrace, double fraction)
{
    if (meanTrace.empty())
        return 0;
    double level = 0;
    for (const float v : meanTrace)
        level += v;
    level /= static_cast<double>(meanTrace.size());
    double peak = 0;
    for (const float v : meanTrace)
        peak = std::max(peak, std::abs(v - level));
    if (!(peak > 0))
        return 0;
    const double threshold = fraction * peak;
    for (std::size_t i = 0; i < meanTrace.size(); ++i)
        if (std::abs(meanTrace[i] - level) >= threshold)
            return i;
    return 0;
}

} // namespace trassel
