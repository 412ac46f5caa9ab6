#include "drawing/print_pages.h"

#include "base/error.h"
#include "base/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace trassel {
namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kLineMmPerPicket = 100000.0; // one picket is 100 m of line
constexpr double kDepthMmPerCm = 10.0;
// Tolerance of the floating-point comparisons of device extents, in device pixels.
constexpr double kEpsilon = 1e-6;

// The sheets along one direction: the section's extent is laid out as one long strip of
// device pixels, cut into tiles of `content` pixels that start `step` pixels apart.
struct AxisPlan {
    double scale = 0;  // device pixels per section pixel
    double extent = 0; // the section's length in device pixels at that scale
    int content = 0;   // device pixels a sheet has for the picture in this direction
    int overlap = 0;   // device pixels repeated from one sheet on the next
    int step = 0;      // content - overlap
    long long count = 0;
};

AxisPlan PlanAxis(int length, double scale, int content, int overlap)
{
    AxisPlan axis;
    axis.scale = scale;
    axis.content = content;
    // A strip wider than half a sheet would repeat more than it advances.
    axis.overlap = std::clamp(overlap, 0, content / 2);
    axis.step = content - axis.overlap;
    axis.extent = length * scale;
    if (axis.extent <= content + kEpsilon) {
        axis.count = 1;
        return axis;
    }
    const double more = (axis.extent - content) / axis.step;
    if (more > 1e9) { // beyond any limit; the count only has to say so
        axis.count = 1'000'000'000LL;
        return axis;
    }
    const long long extra = std::max(1LL, static_cast<long long>(std::ceil(more - kEpsilon)));
    axis.count = 1 + extra;
    // What the other sheets show; if the last one would add only a sliver, the picture is
    // shrunk by that sliver instead of spending a sheet on it.
    const double covered = content + static_cast<double>(extra - 1) * axis.step;
    if (axis.extent - covered < kSliverFraction * content) {
        axis.count = extra;
        axis.scale = scale * covered / axis.extent;
        axis.extent = covered;
    }
    return axis;
}

struct Tile {
    double sourceStart = 0;
    double sourceLength = 0;
    int pixelStart = 0;
    int pixelLength = 0;
    int destinationLength = 0;
};

Tile TileAt(const AxisPlan& axis, long long index, int length)
{
    const double start = static_cast<double>(index) * axis.step;
    const double end = std::min(axis.extent, start + axis.content);
    Tile tile;
    tile.destinationLength = std::clamp(static_cast<int>(std::ceil(end - start - kEpsilon)), 1, axis.content);
    tile.sourceStart = start / axis.scale;
    tile.sourceLength = tile.destinationLength / axis.scale;
    const double first = std::clamp(std::floor(tile.sourceStart), 0.0, static_cast<double>(length));
    const double last = std::clamp(std::ceil(tile.sourceStart + tile.sourceLength - kEpsilon), 0.0,
                                   static_cast<double>(length));
    tile.pixelStart = static_cast<int>(first);
    tile.pixelLength = std::max(1, static_cast<int>(last - first));
    tile.pixelStart = std::min(tile.pixelStart, length - tile.pixelLength);
    return tile;
}

bool Positive(double value) { return std::isfinite(value) && value > 0; }

int DevicePixels(double mm, double dpi)
{
    const double pixels = mm * dpi / kMmPerInch;
    return pixels < std::numeric_limits<int>::max() ? static_cast<int>(std::lround(pixels))
                                                    : std::numeric_limits<int>::max();
}

double RoundedScale(double exact) { return std::max(1.0, std::round(exact)); }

std::string KmText(double km)
{
    // Metres of 1e15 and more are no longer exact in a double, nor far from a long long's end
    // (a picket of 1e300 in the table): the kilometres as a number.
    if (!(std::fabs(km) < 1e12))
        return NumberToText(km);
    const long long metres = std::llround(km * 1000.0);
    const long long whole = std::llabs(metres) / 1000;
    const long long rest = std::llabs(metres) % 1000;
    std::string text = metres < 0 ? "-" : "";
    text += IntToText(whole);
    text += ',';
    const std::string digits = IntToText(rest);
    text.append(3 - digits.size(), '0');
    text += digits;
    return text;
}

// The x where the line ends: its last picket's, else the picture's right edge.
double LineEndX(const SectionGeometry& section)
{
    const double width = section.width;
    if (!std::isfinite(section.lastPicket) || !Positive(section.pixelsPerPicket))
        return width;
    return std::clamp(section.leftX + (section.lastPicket - section.firstPicket) * section.pixelsPerPicket,
                      double(section.leftX), width);
}

// The depth scale's labels that fall on the sheet, placed by its vertical scale.
std::vector<DepthMark> DepthMarksOf(const SectionGeometry& section, const SectionPrintPage& page, double scaleY)
{
    std::vector<DepthMark> marks;
    if (!Positive(section.pixelsPerCm))
        return marks;
    const double top = page.source.top;
    const double bottom = page.source.top + page.source.height;
    for (long long d = 0;; d += section.depthStep) {
        const double y = section.surfaceY + section.pixelsPerCm * static_cast<double>(d);
        if (y >= bottom || y > section.height)
            break;
        if (y >= top)
            marks.push_back(
                {page.destination.top + static_cast<int>(std::lround((y - top) * scaleY)), IntToText(d) + "см"});
        // A step of 0 or less marks the surface alone, as the section's own scale does.
        if (section.depthStep <= 0)
            break;
    }
    return marks;
}

} // namespace

double DefaultHorizontalScale(double pixelsPerPicket)
{
    if (!Positive(pixelsPerPicket))
        return 0;
    return RoundedScale(kLineMmPerPicket / (pixelsPerPicket * kMmPerInch / kSectionPixelsPerInch));
}

double DefaultVerticalScale(double pixelsPerCm)
{
    if (!Positive(pixelsPerCm))
        return 0;
    return RoundedScale(kDepthMmPerCm / (pixelsPerCm * kMmPerInch / kSectionPixelsPerInch));
}

double PicketAtX(const SectionGeometry& section, double x)
{
    if (!Positive(section.pixelsPerPicket))
        return section.firstPicket;
    return section.firstPicket + (x - section.leftX) / section.pixelsPerPicket;
}

SectionPrintPlan PlanSectionPrint(const SectionGeometry& section, const PrintSheet& sheet,
                                  const SectionPrintOptions& options)
{
    SectionPrintPlan plan;
    const int usableHeight = sheet.height - std::max(0, sheet.footerHeight);
    if (section.width <= 0 || section.height <= 0 || sheet.width <= 0 || usableHeight <= 0)
        return plan;

    AxisPlan across;
    AxisPlan down;
    if (options.fit == PrintFit::TrueScale) {
        const double n = options.horizontalScale > 0 ? options.horizontalScale
                                                     : DefaultHorizontalScale(section.pixelsPerPicket);
        const double m = options.verticalScale > 0 ? options.verticalScale : DefaultVerticalScale(section.pixelsPerCm);
        if (!Positive(n) || !Positive(m) || !Positive(section.pixelsPerPicket) || !Positive(section.pixelsPerCm) ||
            !Positive(sheet.dpiX) || !Positive(sheet.dpiY))
            return plan;
        const double sx = kLineMmPerPicket / (n * section.pixelsPerPicket) * sheet.dpiX / kMmPerInch;
        const double sy = kDepthMmPerCm / (m * section.pixelsPerCm) * sheet.dpiY / kMmPerInch;
        if (!Positive(sx) || !Positive(sy)) // scales beyond what a double can tell apart from nothing
            return plan;
        // No overlap exceeds half a sheet; the cap only keeps the arithmetic in range.
        const double overlapMm = std::isfinite(options.overlapMm) ? std::clamp(options.overlapMm, 0.0, 1000.0) : 0.0;
        across = PlanAxis(section.width, sx, sheet.width, DevicePixels(overlapMm, sheet.dpiX));
        down = PlanAxis(section.height, sy, usableHeight, DevicePixels(overlapMm, sheet.dpiY));
    } else {
        double scale = static_cast<double>(usableHeight) / section.height;
        if (options.fit == PrintFit::WholeOnOnePage)
            scale = std::min(scale, static_cast<double>(sheet.width) / section.width);
        // The width decides the sheets (and may shrink the scale by a sliver); the height then fits one row.
        across = PlanAxis(section.width, scale, sheet.width, 0);
        // A last sheet that would show only a few metres of line and the margin after them:
        // the picture is made smaller so the sheets before it hold everything.
        const double lineEnd = LineEndX(section);
        if (across.count > 1 && std::isfinite(section.lastPicket)) {
            const double covered = sheet.width + static_cast<double>(across.count - 2) * across.step;
            if (lineEnd * across.scale - covered < kTinySheetFraction * sheet.width) {
                across.scale *= covered / across.extent;
                across.extent = covered;
                --across.count;
            }
        }
        down = PlanAxis(section.height, across.scale, usableHeight, 0);
    }

    const long long total = across.count * down.count;
    if (total > kMaxPrintPages)
        throw Error("Для печати нужно листов: " + IntToText(total) + ", а за один раз печатается не больше " +
                    IntToText(kMaxPrintPages) + ". Выберите более мелкий масштаб или другой способ печати.");

    plan.scaleX = across.scale;
    plan.scaleY = down.scale;
    plan.columns = static_cast<int>(across.count);
    plan.rows = static_cast<int>(down.count);
    plan.pages.reserve(static_cast<std::size_t>(total));
    for (int row = 0; row < plan.rows; ++row) {
        const Tile y = TileAt(down, row, section.height);
        for (int column = 0; column < plan.columns; ++column) {
            const Tile x = TileAt(across, column, section.width);
            SectionPrintPage page;
            page.source = {x.sourceStart, y.sourceStart, x.sourceLength, y.sourceLength};
            page.sourcePixels = {x.pixelStart, y.pixelStart, x.pixelLength, y.pixelLength};
            page.destination = {0, 0, x.destinationLength, y.destinationLength};
            page.number = static_cast<int>(plan.pages.size()) + 1;
            page.count = static_cast<int>(total);
            page.row = row;
            page.column = column;
            page.rows = plan.rows;
            page.columns = plan.columns;
            page.hasKm = Positive(section.pixelsPerPicket);
            if (page.hasKm) {
                // The line the sheet shows: the margins before the first row and after the last
                // carry no kilometres.
                const double lineEnd = LineEndX(section);
                const double left = std::clamp(page.source.left, double(section.leftX), lineEnd);
                const double right = std::clamp(page.source.left + page.source.width, left, lineEnd);
                page.firstKm = PicketAtX(section, left) / 10.0;
                page.lastKm = PicketAtX(section, right) / 10.0;
            }
            if (page.source.left > section.depthLabelX)
                page.depthMarks = DepthMarksOf(section, page, down.scale);
            if (across.overlap > 0) {
                if (column > 0)
                    page.marks.push_back({SheetEdge::Left, across.overlap});
                if (column + 1 < plan.columns)
                    page.marks.push_back({SheetEdge::Right, x.destinationLength - across.overlap});
            }
            if (down.overlap > 0) {
                if (row > 0)
                    page.marks.push_back({SheetEdge::Top, down.overlap});
                if (row + 1 < plan.rows)
                    page.marks.push_back({SheetEdge::Bottom, y.destinationLength - down.overlap});
            }
            plan.pages.push_back(std::move(page));
        }
    }
    return plan;
}

std::string FormatKmRange(double firstKm, double lastKm) { return "км " + KmText(firstKm) + " – " + KmText(lastKm); }

std::string SheetLabel(const SectionPrintPage& page)
{
    std::string label = "Лист " + IntToText(page.number) + " из " + IntToText(page.count);
    if (page.rows > 1)
        label += ", ряд " + IntToText(page.row + 1) + " из " + IntToText(page.rows);
    return label;
}

std::string SheetKmText(const SectionPrintPage& page)
{
    return page.hasKm ? FormatKmRange(page.firstKm, page.lastKm) : std::string();
}

} // namespace trassel
