#include "thickness/deviation_plot.h"

#include "base/numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace trassel {

double DeviationRangeCm(const LayerLine& layer)
{
    double most = 0;
    for (std::size_t i = 0; i < layer.made(); ++i) {
        const double d = layer.deviationCm(i);
        if (std::isfinite(d))
            most = std::max(most, std::abs(d));
    }
    // 1, 2, 2.5, 5 times a power of ten, from 5 cm up.
    static constexpr double kSteps[] = {1.0, 2.0, 2.5, 5.0};
    for (double power = 1; power < 1e12; power *= 10)
        for (double s : kSteps)
            if (s * power >= 5 && s * power >= most)
                return s * power;
    return most;
}

std::string DeviationLabel(double cm)
{
    const double rounded = std::round(cm * 10) / 10;
    if (rounded == 0)
        return "0";
    std::string digits = NumberToText(std::abs(rounded));
    std::replace(digits.begin(), digits.end(), '.', ',');
    return (rounded > 0 ? "+" : "\u2212") + digits;
}

namespace {

// A vertical bar of column x from row y1 to row y2, both included.
void Bar(Canvas& canvas, int x, int y1, int y2)
{
    canvas.moveTo(x, std::min(y1, y2));
    canvas.lineTo(x, std::max(y1, y2) + 1);
}

} // namespace

void DrawDeviationPlot(Canvas& canvas, const Compliance& compliance, std::size_t layer, const Rect& box,
                       const PicketAxis& axis, const DeviationPlotStyle& style)
{
    if (box.right - box.left < 3 || box.bottom - box.top < 3 || layer >= compliance.layers.size() ||
        !(axis.pixelsPerPicket > 0))
        return;
    const LayerLine& line = compliance.layers[layer].line;
    const LinePoints& points = compliance.points;
    const double range = style.rangeCm > 0 ? style.rangeCm : DeviationRangeCm(line);

    // The plot's area inside the frame.
    const int left = box.left + 1;
    const int right = box.right - 1; // excluded
    const int top = box.top + 1;
    const int bottom = box.bottom - 1; // excluded
    const int zeroY = (top + bottom - 1) / 2;
    const double half = std::max(1, std::min(zeroY - top, bottom - 1 - zeroY));
    // Rounded as an offset from zero, so a rise and a dip of the same size get bars of one length.
    auto yOf = [&](double cm) {
        const double offset = std::round(std::clamp(cm / range, -2.0, 2.0) * half);
        return std::clamp(zeroY - static_cast<int>(offset), top, bottom - 1);
    };

    // The least and greatest deviation per column; NaN where no point reaches.
    const std::size_t columns = static_cast<std::size_t>(right - left);
    std::vector<float> lo(columns, std::numeric_limits<float>::quiet_NaN());
    std::vector<float> hi(columns, std::numeric_limits<float>::quiet_NaN());
    const double firstM = axis.metresAt(left);
    const double lastM = axis.metresAt(right);
    const std::size_t n = std::min(points.size(), line.made());
    for (std::size_t i = points.firstEndingFrom(firstM, n); i < n && points.fromM(i) <= lastM; ++i) {
        const double d = line.deviationCm(i);
        if (!std::isfinite(d))
            continue;
        // A share ending on a column's edge does not reach into the next column, whatever the
        // rounding of the mapping.
        constexpr double kEdge = 1e-6;
        const double x0 = std::floor(axis.x(points.fromM(i)) + kEdge);
        const double x1 = std::max(x0, std::ceil(axis.x(points.toM(i)) - kEdge) - 1);
        const auto c0 = static_cast<long long>(std::max(x0, double(left))) - left;
        const auto c1 = static_cast<long long>(std::min(x1, double(right - 1))) - left;
        for (long long c = c0; c <= c1; ++c) {
            const auto k = static_cast<std::size_t>(c);
            const auto v = static_cast<float>(d);
            if (std::isnan(lo[k])) {
                lo[k] = hi[k] = v;
            } else {
                lo[k] = std::min(lo[k], v);
                hi[k] = std::max(hi[k], v);
            }
        }
    }

    canvas.setPenStyle(PenStyle::Solid);
    canvas.setPenWidth(1);
    canvas.setBrushStyle(BrushStyle::Solid);
    canvas.setBrushColor(kWhite);
    canvas.fillRect(box.left, box.top, box.right, box.bottom);

    // One colour after the other, so the pen changes twice however long the line.
    canvas.setPenColor(style.above);
    for (std::size_t k = 0; k < columns; ++k)
        if (hi[k] > 0)
            Bar(canvas, left + static_cast<int>(k), zeroY, yOf(hi[k]));
    canvas.setPenColor(style.below);
    for (std::size_t k = 0; k < columns; ++k)
        if (lo[k] < 0)
            Bar(canvas, left + static_cast<int>(k), zeroY, yOf(lo[k]));

    canvas.setPenColor(style.frame);
    canvas.moveTo(left, zeroY);
    canvas.lineTo(right, zeroY);
    canvas.moveTo(box.left, box.top);
    canvas.lineTo(box.right - 1, box.top);
    canvas.lineTo(box.right - 1, box.bottom - 1);
    canvas.lineTo(box.left, box.bottom - 1);
    canvas.lineTo(box.left, box.top);

    if (!style.labels)
        return;
    canvas.setFontSize(style.fontSize);
    canvas.setFontStyle(false, false);
    canvas.setFontColor(kBlack);
    const int h = canvas.textHeight();
    if (box.bottom - box.top < 3 * h)
        return;
    canvas.textOut(left + 2, top, DeviationLabel(range));
    canvas.textOut(left + 2, zeroY - h / 2, DeviationLabel(0));
    canvas.textOut(left + 2, bottom - h, DeviationLabel(-range));
    const std::string title = line.name + ", отклонение от нормы, см";
    canvas.textOut(left + 2 + canvas.textWidth(DeviationLabel(-range)) + 8, top, title);
}

} // namespace trassel
