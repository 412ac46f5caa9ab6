#include "radargram/radargram_sheets.h"

#include "base/error.h"
#include "radargram/radargram_model.h"
#include "radargram/radargram_scene.h"
#include "table/grid.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace trassel {

namespace {

// The part of segment a–b inside the rectangle [x0, x1] × [y0, y1] (Liang–Barsky), if any.
bool ClipSegment(double& ax, double& ay, double& bx, double& by, double x0, double y0, double x1, double y1)
{
    double t0 = 0;
    double t1 = 1;
    const double dx = bx - ax;
    const double dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - x0, x1 - ax, ay - y0, y1 - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const double sx = ax;
    const double sy = ay;
    ax = sx + t0 * dx;
    ay = sy + t0 * dy;
    bx = sx + t1 * dx;
    by = sy + t1 * dy;
    return true;
}

} // namespace

void DrawRadargramBoundaries(Canvas& canvas, const RadargramScene& scene, const Grid& table, int firstRow, int lastRow,
                             std::span<const OverlayLayer> layers)
{
    const OverlayPlacement placement = PlacementOf(scene);
    if (!scene.ready() || !placement.placed() || layers.empty())
        return;
    RadargramOverlay overlay;
    overlay.update(table, {layers.begin(), layers.end()}, layers.front().picketColumn, std::max(firstRow, 0),
                   std::min(lastRow, table.rowCount() - 1));
    // The lines run one row past the view's edges; a sheet has no painter to clip them.
    const double x0 = placement.left;
    const double y0 = placement.top;
    const double x1 = placement.left + placement.plotWidth - 1;
    const double y1 = placement.top + placement.plotHeight - 1;
    canvas.setPenWidth(2);
    canvas.setPenStyle(PenStyle::Solid);
    for (const OverlayPath& path : overlay.paths(placement)) {
        canvas.setPenColor(path.color);
        for (const std::vector<Point>& run : path.runs) {
            if (run.size() == 1 && run[0].x >= x0 && run[0].x <= x1 && run[0].y >= y0 && run[0].y <= y1) {
                // A row alone between gaps still shows as a dot.
                canvas.moveTo(run[0].x, run[0].y);
                canvas.lineTo(run[0].x + 1, run[0].y);
            }
            for (std::size_t i = 1; i < run.size(); ++i) {
                double ax = run[i - 1].x;
                double ay = run[i - 1].y;
                double bx = run[i].x;
                double by = run[i].y;
                if (!ClipSegment(ax, ay, bx, by, x0, y0, x1, y1))
                    continue;
                canvas.moveTo(static_cast<int>(std::lround(ax)), static_cast<int>(std::lround(ay)));
                canvas.lineTo(static_cast<int>(std::lround(bx)), static_cast<int>(std::lround(by)));
            }
        }
    }
}

std::vector<RadargramSheet> PlanRadargramSheets(const RadargramModel& model, double origin, double end,
                                                double sheetPickets)
{
    if (!model.open())
        throw Error("В проекте нет радарограммы прибора (Файл → Открыть радарограмму).");
    if (!(sheetPickets > 0) || !std::isfinite(origin) || !std::isfinite(end) || end < origin)
        throw Error("Листы радарограммы: неверный диапазон пикетов.");
    const TraceRegistration registration = model.registration();
    const double lastTrace = static_cast<double>(std::max<std::int64_t>(model.file->traces - 1, 0));
    const std::optional<double> a = registration.picketOf(0);
    const std::optional<double> b = registration.picketOf(lastTrace);
    if (!a || !b)
        throw Error("Трассы радарограммы не привязаны к пикетам: привяжите метки на странице «Радарограмма».");
    const double from = std::max(origin, std::min(*a, *b));
    const double to = std::min(end, std::max(*a, *b));
    if (!(from < to))
        throw Error("Радарограмма (" + PicketScaleText(std::min(*a, *b)) + " … " + PicketScaleText(std::max(*a, *b)) +
                    ") не заходит в рабочий диапазон таблицы (" + PicketScaleText(origin) + " … " +
                    PicketScaleText(end) + ").");
    std::vector<RadargramSheet> sheets;
    const auto firstIndex = static_cast<long long>(std::floor((from - origin) / sheetPickets));
    for (long long k = firstIndex; origin + k * sheetPickets < to; ++k) {
        RadargramSheet sheet;
        sheet.number = static_cast<int>(k + 1);
        sheet.fromPicket = origin + k * sheetPickets;
        sheet.toPicket = origin + (k + 1) * sheetPickets;
        const double t0 = *registration.traceAt(std::max(sheet.fromPicket, from));
        const double t1 = *registration.traceAt(std::min(sheet.toPicket, to));
        sheet.firstTrace = std::clamp(std::min(t0, t1), 0.0, lastTrace);
        sheet.traceCount = std::clamp(std::max(t0, t1), 0.0, lastTrace) - sheet.firstTrace;
        if (sheet.traceCount > 0)
            sheets.push_back(sheet);
    }
    return sheets;
}

} // namespace trassel
