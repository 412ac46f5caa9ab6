#include "table/pickets.h"

#include "base/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace trassel {
namespace {

// The picket of whole kilometres and metres spelled from the whole number of metres N: the
// very text NumberToText(PicketFromKmM(km, m)) gives, "N / 100" with at most two decimals,
// without the floating-point rounding and the search for the shortest text that each of a
// million rows would repeat. (PicketFromKmM gives the double nearest to N / 100: N / 100 has
// no run of more than four equal bits in binary, so the rounding through long double cannot
// land between two doubles.) False for anything else, which takes the general way.
bool WholePicketText(double km, double m, std::string& out)
{
    // N stays below 10^15: every step above is exact there, and NumberToText still writes
    // two decimals.
    constexpr double kLimit = 1e11;
    if (!(std::fabs(km) < kLimit && std::fabs(m) < kLimit) || km != std::trunc(km) || m != std::trunc(m))
        return false;
    const long long metres = static_cast<long long>(km) * 1000 + static_cast<long long>(m);
    const unsigned long long magnitude = metres < 0 ? 0ULL - static_cast<unsigned long long>(metres)
                                                    : static_cast<unsigned long long>(metres);
    char digits[24];
    const auto res = std::to_chars(digits, digits + sizeof digits, magnitude / 100);
    out.assign(metres < 0 ? "-" : "");
    out.append(digits, res.ptr);
    const unsigned long long cents = magnitude % 100;
    if (cents != 0) {
        out += '.';
        out += static_cast<char>('0' + cents / 10);
        if (cents % 10 != 0)
            out += static_cast<char>('0' + cents % 10);
    }
    return true;
}

} // namespace

double PicketFromKmM(double km, double m)
{
    const long double p = (static_cast<long double>(km) * 1000.0L + static_cast<long double>(m)) * 0.01L;
    return RoundTo(static_cast<double>(p), 2);
}

void RecalcPickets(Grid& grid, int headerRowCount, const Progress& progress)
{
    int reached = 0;
    RecalcPicketRows(grid, std::max(1, headerRowCount + 1), grid.rowCount() - 1, reached, progress);
}

bool RecalcPicketRows(Grid& grid, int first, int last, int& reached, const Progress& progress, PackedTexts* kilometres,
                      PackedTexts* metres)
{
    first = std::max(first, 1);
    last = std::min(last, grid.rowCount() - 1);
    bool changed = false;
    std::string decimal;
    std::string plus;
    ProgressMeter meter(progress, last - first + 1);
    for (int r = first; r <= last; ++r) {
        reached = r;
        meter.at(r - first);
        const std::string_view km = grid.cellView(1, r);
        const std::string_view m = grid.cellView(2, r);
        if (kilometres != nullptr)
            kilometres->append(km);
        if (metres != nullptr)
            metres->append(m);
        const double kmValue = ReadLenient(km);
        const double mValue = ReadLenient(m);
        if (!WholePicketText(kmValue, mValue, decimal))
            decimal = NumberToText(PicketFromKmM(kmValue, mValue));
        plus = decimal;
        for (char& c : plus)
            if (c == '.')
                c = '+';
        if (km == decimal && m == plus)
            continue;
        const std::string_view texts[2] = {decimal, plus};
        grid.setCells(r, 1, texts, 2);
        changed = true;
    }
    reached = last + 1;
    meter.finish();
    return changed;
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
