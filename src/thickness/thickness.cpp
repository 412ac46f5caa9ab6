#include "thickness/thickness.h"

#include "base/error.h"
#include "base/numbers.h"
#include "table/grid.h"

#include <algorithm>
#include <cmath>

namespace trassel {
namespace {

std::string_view Trimmed(std::string_view t)
{
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.remove_suffix(1);
    return t;
}

// std::round without a call, for |x| < 2^62 (a line's millimetres): the truncation is exact, its
// sign kept for a -0, and so is the fraction left over.
double RoundHalfAway(double x)
{
    const double t = std::copysign(static_cast<double>(static_cast<long long>(x)), x);
    return std::fabs(x - t) >= 0.5 ? t + std::copysign(1.0, x) : t;
}

// Millimetres are the finest step a survey's pickets are written in; rounding to them keeps
// 123.05 (which the double holds slightly off) at exactly 12305 m.
double ToMillimetre(double metres) { return RoundHalfAway(metres * 1000.0) / 1000.0; }

bool Digits(std::string_view t)
{
    return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::optional<double> PicketMetres(std::string_view text)
{
    text = Trimmed(text);
    if (text.empty())
        return std::nullopt;
    std::optional<double> value;
    const std::size_t plus = text.find('+');
    if (plus != std::string_view::npos && plus > 0) {
        // The plus form is the decimal picket with "+" for the point: both sides digits only.
        std::string_view whole = text.substr(0, plus);
        const bool negative = !whole.empty() && whole.front() == '-';
        if (negative)
            whole.remove_prefix(1);
        const std::string_view part = text.substr(plus + 1);
        const std::size_t dot = part.find('.');
        if (dot != std::string_view::npos) {
            // The form PicketText writes for a fraction of a metre: the picket, then two digits
            // of metres and their fraction ("123+45.5" is picket 123 and 45.5 m). No text of
            // the plus form with the point holds a point, so the two cannot be confused.
            const std::string_view metres = part.substr(0, dot);
            if (!Digits(whole) || metres.size() != 2 || !Digits(metres) || !Digits(part.substr(dot + 1)))
                return std::nullopt;
            const std::optional<double> w = TryReadStrict(whole);
            const std::optional<double> m = TryReadStrict(part);
            if (!w || !m || !std::isfinite(*w) || *w * 100.0 > kMaxLineM)
                return std::nullopt;
            const double at = *w * 100.0 + *m;
            return ToMillimetre(negative ? -at : at);
        }
        if (!Digits(whole) || !Digits(part))
            return std::nullopt;
        value = TryReadStrict(std::string(text.substr(0, plus)) + "." + std::string(part));
    } else {
        value = TryReadStrict(text);
    }
    return value ? DecimalPicketMetres(*value) : std::nullopt;
}

std::optional<double> DecimalPicketMetres(double picket)
{
    if (!std::isfinite(picket) || std::fabs(picket) > kMaxLineM / 100)
        return std::nullopt;
    return ToMillimetre(picket * 100.0);
}

std::optional<double> LinePositionMetres(std::string_view text)
{
    text = Trimmed(text);
    const std::size_t km = text.find("км");
    if (km == std::string_view::npos)
        return PicketMetres(text);
    const std::optional<double> k = TryReadStrict(Trimmed(text.substr(0, km)));
    std::string_view rest = Trimmed(text.substr(km + std::string_view("км").size()));
    if (rest.size() >= 2 && rest.substr(rest.size() - 2) == "м")
        rest = Trimmed(rest.substr(0, rest.size() - std::string_view("м").size()));
    const std::optional<double> m = rest.empty() ? std::optional<double>(0.0) : TryReadStrict(rest);
    if (!k || !m || *m < 0 || !std::isfinite(*k) || !std::isfinite(*m))
        return std::nullopt;
    const double metres = *k * 1000.0 + (*k < 0 ? -*m : *m);
    if (std::fabs(metres) > kMaxLineM)
        return std::nullopt;
    return ToMillimetre(metres);
}

std::string PicketText(double metres)
{
    const bool negative = metres < 0;
    const double a = std::fabs(metres);
    const double picket = std::floor(a / 100.0 + 1e-9);
    double rest = RoundTo(a - picket * 100.0, 3);
    std::string text = negative ? "-" : "";
    text += NumberToText(picket) + "+";
    if (rest < 10)
        text += "0";
    text += NumberToText(rest);
    return text;
}

LinePoints PointsOf(const std::vector<double>& positions, int first)
{
    LinePoints p;
    const auto readable = static_cast<std::size_t>(
        std::count_if(positions.begin(), positions.end(), [](double x) { return !std::isnan(x); }));
    p.rows.reserve(readable);
    p.posM.reserve(readable);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const double x = positions[i];
        if (std::isnan(x))
            continue;
        if (!p.posM.empty() && x < p.posM.back())
            throw Error("Пикет строки " + IntToText(first + static_cast<long long>(i)) + " (" + PicketText(x) +
                        ") меньше пикета строки " + IntToText(p.rows.back()) + " (" + PicketText(p.posM.back()) +
                        "): пикеты должны идти по возрастанию.");
        p.rows.push_back(first + static_cast<int>(i));
        p.posM.push_back(x);
    }
    return p;
}

std::size_t LinePoints::firstEndingFrom(double x, std::size_t count) const
{
    std::size_t first = 0;
    while (count > 0) {
        const std::size_t half = count / 2;
        if (toM(first + half) < x) {
            first += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    return first;
}

std::string LayerName(const DesignNorms& norms, const Grid& grid, int column, int titleRow)
{
    if (const LayerNorm* l = norms.layer(column); l != nullptr && !l->name.empty())
        return l->name;
    if (titleRow > 0) {
        const std::string_view title = Trimmed(grid.cellView(column, titleRow));
        if (!title.empty())
            return std::string(title);
    }
    return "К№" + IntToText(column);
}

double NormOf(const DesignNorms& norms, std::size_t index, int column, double positionM)
{
    if (index == 0)
        if (const std::optional<double> ballast = BallastNormAt(norms, positionM))
            return *ballast;
    const LayerNorm* l = norms.layer(column);
    return l != nullptr && l->normCm ? *l->normCm : kNoValue;
}

std::vector<double> NormsAlong(const DesignNorms& norms, std::size_t index, int column,
                               const std::vector<double>& positionsM)
{
    const LayerNorm* l = norms.layer(column);
    std::vector<double> out(positionsM.size(), l != nullptr && l->normCm ? *l->normCm : kNoValue);
    if (index != 0)
        return out;
    // As BallastNormAt: the first stretch ending at or after the position, when it covers it.
    // The positions never go back, so neither does that stretch.
    const std::vector<DesignStretch>& s = norms.stretches;
    auto it = s.begin();
    for (std::size_t i = 0; i < positionsM.size(); ++i) {
        const double x = positionsM[i];
        while (it != s.end() && it->toM < x)
            ++it;
        if (it == s.end())
            break;
        if (it->fromM <= x)
            if (const std::optional<double> ballast = norms.ballast.at(it->trackClass, it->sleeper))
                out[i] = *ballast;
    }
    return out;
}

} // namespace trassel
