#include "table/pickets.h"

#include "base/numbers.h"

#include <algorithm>
#include <cmath>

namespace trassel {

double PicketFromKmM(double km, double m)
{
    const long double p = (static_cast<long double>(km) * 1000.0L + static_cast<long double>(m)) * 0.01L;
    return RoundTo(static_cast<double>(p), 2);
}

void RecalcPickets(Grid& grid, int headerRowCount, const Progress& progress)
{
    const int first = std::max(1, headerRowCount + 1);
    std::string decimal;
    std::string plus;
    ProgressMeter meter(progress, grid.rowCount() - first);
    for (int r = first; r < grid.rowCount(); ++r) {
        meter.at(r - first);
        const double km = ReadLenient(grid.cellView(1, r));
        const double m = ReadLenient(grid.cellView(2, r));
        decimal = NumberToText(PicketFromKmM(km, m));
        plus = decimal;
        for (char& c : plus)
            if (c == '.')
                c = '+';
        const std::string_view texts[2] = {decimal, plus};
        grid.setCells(r, 1, texts, 2);
    }
    meter.finish();
}

PicketParts SplitPicket(double value) { return SplitPicket(value, RoundTo(value, 2)); }

PicketParts SplitPicket(double value, double p)
{
    const double whole = std::trunc(value);
    const double f = RoundTo(p - whole, 2);
    // Fifteen significant digits absorb the binary noise of f x 100 (0.46 x 100 is 46).
    const double metres = f * 100.0;
    return {metres == 0.0, metres};
}

std::string PicketLabel(std::string_view cellText)
{
    const PicketParts parts = SplitPicket(ReadStrict(cellText));
    if (parts.whole)
        return "ПК" + std::string(cellText) + "+00";
    return "+" + NumberToText(parts.metres);
}

} // namespace trassel
