#include "radargram/radargram_sheets.h"

#include "base/error.h"
#include "base/numbers.h"
#include "layers/layers.h"
#include "radargram/radargram_model.h"
#include "radargram/radargram_scene.h"
#include "table/grid.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace trassel {

std::vector<RadargramBoundary> BoundariesOf(const LayerManager& layers)
{
    std::vector<RadargramBoundary> boundaries;
    for (int slot = 0; slot < layers.LayerCount(); ++slot) {
        const TLayer& layer = layers.Layers(slot);
        if (layers.isChecked(layer.Item))
            boundaries.push_back({layer.PicketColumn, layer.DepthColumn, layer.PointColor});
    }
    return boundaries;
}

void DrawRadargramBoundaries(Canvas& canvas, const RadargramScene& scene, const Grid& table, int firstRow, int lastRow,
                             std::span<const RadargramBoundary> boundaries)
{
    const RadargramModel& model = scene.model();
    const double sampleNs = model.sampleNs();
    if (!scene.ready() || !(sampleNs > 0))
        return;
    const TraceRegistration registration = model.registration();
    if (!registration.placed())
        return;
    const DepthModel depth = model.depthModel();
    const RadargramViewport& view = scene.view();
    const double left = RadargramMargins::kLeft;
    const double top = RadargramMargins::kTop;
    const double right = left + scene.plotWidth();
    const double bottom = top + scene.plotHeight();
    firstRow = std::max(firstRow, 0);
    lastRow = std::min(lastRow, table.rowCount() - 1);
    canvas.setPenWidth(2);
    canvas.setPenStyle(PenStyle::Solid);
    for (const RadargramBoundary& b : boundaries) {
        canvas.setPenColor(b.color);
        // The row before, when it was drawn (a plain flag: GCC's -O3 takes an optional point
        // for possibly unset here).
        Point last;
        bool joined = false;
        for (int row = firstRow; row <= lastRow; ++row) {
            const std::optional<double> picket = TryReadStrict(table.cellView(b.picketColumn, row));
            const std::optional<double> cm = TryReadStrict(table.cellView(b.depthColumn, row));
            const std::optional<double> trace = picket && std::isfinite(*picket) ? registration.traceAt(*picket)
                                                                                 : std::nullopt;
            if (!trace || !cm || !std::isfinite(*cm)) {
                joined = false;
                continue;
            }
            const double x = left + (*trace - view.firstTrace) / view.tracesPerPixel;
            const double y = top + (depth.timeNs(*cm) / sampleNs - view.firstSample) / view.samplesPerPixel;
            if (!(x >= left && x < right && y >= top && y < bottom)) {
                joined = false;
                continue;
            }
            const Point p{static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))};
            if (joined) {
                canvas.moveTo(last.x, last.y);
                canvas.lineTo(p.x, p.y);
            } else {
                // A row alone between gaps still shows as a dot.
                canvas.moveTo(p.x, p.y);
                canvas.lineTo(p.x + 1, p.y);
            }
            last = p;
            joined = true;
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
