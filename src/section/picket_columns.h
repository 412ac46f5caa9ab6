#pragma once

#include "section/section_renderer.h"

#include <cmath>

namespace trassel {

// The column of a row's picket, SectionPixel((picket - p1) * sx + left) in extended precision. Most rows
// fall well inside a pixel, where the same sum in double truncates alike: the double's error is
// bounded by a few units in the last place of its terms, so only a result that close to a
// pixel's edge is computed again in extended precision. A view at the line's end passes every
// row of a million before it, and this is most of what each costs.
class PicketColumns {
public:
    PicketColumns(double p1, int sx, long double left)
        : p1_(p1), sx_(sx), left_(left), p1D_(p1), sxD_(sx), leftD_(static_cast<double>(left)),
          leftExact_(static_cast<long double>(leftD_) == left)
    {
    }
    int operator()(double picket) const
    {
        const double scaled = (picket - p1D_) * sxD_;
        const double x = scaled + leftD_;
        // False for NaN and beyond the pixel range, which the extended path clamps.
        if (leftExact_ && std::abs(x) < static_cast<double>(kSectionCoordLimit)) {
            const int i = static_cast<int>(x);
            const double fraction = x - i; // exact: both are far below 2^52
            const double margin = 0x1p-48 * (std::abs(scaled) + std::abs(leftD_) + 1.0);
            const bool inside = x >= 0 ? fraction >= margin && fraction <= 1.0 - margin
                                       : fraction <= -margin && fraction >= margin - 1.0;
            if (inside)
                return i;
        }
        return SectionPixel((static_cast<long double>(picket) - p1_) * sx_ + left_);
    }

private:
    long double p1_;
    long double sx_;
    long double left_;
    double p1D_;
    double sxD_;
    double leftD_;
    bool leftExact_;
};

} // namespace trassel
