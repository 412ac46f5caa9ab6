#include "radargram/calibration.h"

#include "base/error.h"
#include "base/numbers.h"
#include "radargram/radargram_scene.h"
#include "table/grid.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace trassel {
namespace {

constexpr double kLightCmPerNs = kLightMPerNs * 100.0;

std::string Where(double picket, int column) { return PicketScaleText(picket) + ", К№" + std::to_string(column); }

// The rows of the working range whose pickets are numbers, in picket order; a table whose
// pickets fall somewhere cannot say which row a picket names.
std::vector<std::pair<double, int>> PicketIndex(const Grid& table, int column, int first, int last)
{
    std::vector<std::pair<double, int>> index;
    first = std::max(first, 0);
    last = std::min(last, table.rowCount() - 1);
    for (int row = first; row <= last; ++row) {
        const std::optional<double> p = TryReadStrict(table.cellView(column, row));
        if (!p || !std::isfinite(*p))
            continue;
        if (!index.empty() && *p < index.back().first)
            throw Error("Калибровка: пикеты таблицы глубин убывают в строке " + std::to_string(row) +
                        " — известные глубины не к чему привязать.");
        index.emplace_back(*p, row);
    }
    return index;
}

std::optional<double> DepthAt(const Grid& table, int column, int row)
{
    const std::optional<double> d = TryReadStrict(table.cellView(column, row));
    if (!d || !std::isfinite(*d))
        return std::nullopt;
    return d;
}

} // namespace

bool CalibrationResult::anyFitted() const
{
    return std::any_of(layers.begin(), layers.end(), [](const CalibratedLayer& l) { return l.fitted; });
}

CalibrationResult FitPermittivity(const RadargramModel& model, std::span<const PickedDepth> points)
{
    CalibrationResult result;
    result.permittivity = model.permittivity;
    const DepthModel current = model.depthModel();
    const std::vector<double>& bounds = model.permittivity.boundariesCm;
    const std::size_t layerCount = model.permittivity.eps.size();
    result.layers.resize(layerCount);
    for (std::size_t i = 0; i < layerCount; ++i)
        result.layers[i].before = result.layers[i].eps = model.permittivity.eps[i];

    // The points that can be read at all, grouped by the layer their known depth lies in.
    std::vector<std::vector<std::size_t>> byLayer(layerCount);
    for (const PickedDepth& p : points) {
        if (!std::isfinite(p.knownCm) || p.knownCm <= 0) {
            result.notes.push_back(p.where + ": известная глубина должна быть больше 0 см — точка пропущена.");
            continue;
        }
        const double t = std::isfinite(p.pickedCm) ? current.timeNs(p.pickedCm) - model.timeZeroNs : 0.0;
        if (!(t > 0)) {
            result.notes.push_back(p.where + ": граница в таблице на глубине " + NumberToText(p.pickedCm) +
                                   " см, её время не позже нулевого — точка пропущена.");
            continue;
        }
        CalibratedPoint point;
        point.index = p.index;
        point.pickedCm = p.pickedCm;
        point.knownCm = p.knownCm;
        point.timeNs = t;
        point.layer = static_cast<int>(std::upper_bound(bounds.begin(), bounds.end(), p.knownCm) - bounds.begin());
        byLayer[static_cast<std::size_t>(point.layer)].push_back(result.points.size());
        result.points.push_back(point);
    }

    std::vector<double> speed(layerCount);
    double topTime = 0;
    for (std::size_t layer = 0; layer < layerCount; ++layer) {
        CalibratedLayer& out = result.layers[layer];
        const std::string name = layerCount == 1 ? std::string("Профиль") : "Слой " + std::to_string(layer + 1);
        const double topDepth = layer == 0 ? 0.0 : bounds[layer - 1];
        // Depth below the layer's top against half the time spent in it: a line through zero
        // whose slope is the layer's speed.
        double sxx = 0, sxy = 0;
        std::vector<std::pair<double, double>> xy;
        for (const std::size_t k : byLayer[layer]) {
            const CalibratedPoint& p = result.points[k];
            const double x = (p.timeNs - topTime) / 2.0;
            if (!(x > 0)) {
                result.notes.push_back(name + ": отражение на глубине " + NumberToText(p.knownCm) +
                                       " см приходит раньше кровли слоя при подобранных ε выше — точка не учтена.");
                continue;
            }
            const double y = p.knownCm - topDepth;
            sxx += x * x;
            sxy += x * y;
            xy.emplace_back(x, y);
        }
        out.points = static_cast<int>(xy.size());
        speed[layer] = kLightCmPerNs / std::sqrt(out.before);
        if (xy.empty()) {
            if (layerCount > 1)
                result.notes.push_back(name + ": нет известных глубин — ε оставлена прежней (" +
                                       NumberToText(RoundTo(out.before, 2)) + ").");
            else
                result.notes.push_back("Нет известных глубин, по которым можно подобрать ε.");
        } else if (xy.size() == 1) {
            result.notes.push_back(name + ": одна известная глубина — разброс не оценить, нужно хотя бы две; ε "
                                          "оставлена прежней.");
        } else {
            const double v = sxy / sxx;
            const double eps = (kLightCmPerNs / v) * (kLightCmPerNs / v);
            if (!std::isfinite(eps) || !(v > 0) || eps < kMinPermittivity || eps > kMaxPermittivity) {
                result.notes.push_back(name + ": подобранная ε вне пределов 1…100 — известные глубины не согласуются "
                                              "с таблицей; ε оставлена прежней.");
            } else {
                double rss = 0;
                for (const auto& [x, y] : xy)
                    rss += (y - v * x) * (y - v * x);
                const double seV = std::sqrt(rss / static_cast<double>(xy.size() - 1) / sxx);
                out.fitted = true;
                out.eps = eps;
                // eps = (c / v)^2, so a small error of v moves eps by 2 eps / v times it.
                out.epsError = 2.0 * eps * seV / v;
                speed[layer] = v;
                result.permittivity.eps[layer] = eps;
            }
        }
        if (layer < bounds.size())
            topTime += 2.0 * (bounds[layer] - topDepth) / speed[layer];
    }

    // The misfits the fitted model gives, read through the model the document will hold.
    const DepthModel fitted(bounds, result.permittivity.eps, model.timeZeroNs);
    std::vector<double> sum(layerCount, 0.0);
    std::vector<int> count(layerCount, 0);
    for (CalibratedPoint& p : result.points) {
        p.fittedCm = fitted.depthCm(p.timeNs + model.timeZeroNs);
        p.misfitCm = p.fittedCm - p.knownCm;
        sum[static_cast<std::size_t>(p.layer)] += p.misfitCm * p.misfitCm;
        ++count[static_cast<std::size_t>(p.layer)];
    }
    for (std::size_t layer = 0; layer < layerCount; ++layer)
        if (count[layer] > 0)
            result.layers[layer].rmsMisfitCm = std::sqrt(sum[layer] / count[layer]);
    return result;
}

CalibrationResult Calibrate(const CalibrationSetup& setup, std::span<const KnownDepth> known)
{
    const RadargramModel* model = setup.model;
    if (model == nullptr || !model->open())
        throw Error("Калибровка: нет радарограммы прибора — откройте её (Файл → Открыть радарограмму).");
    const TraceRegistration registration = model->registration();
    if (!registration.placed())
        throw Error("Калибровка: трассы радарограммы не привязаны к пикетам — привяжите метки на странице "
                    "«Радарограмма».");
    if (setup.table == nullptr)
        throw Error("Калибровка: нет таблицы глубин.");
    const Grid& table = *setup.table;
    const auto index = PicketIndex(table, setup.picketColumn, setup.firstRow, setup.lastRow);
    const double lastTrace = static_cast<double>(model->file->traces - 1);

    std::vector<std::string> notes;
    std::vector<PickedDepth> points;
    points.reserve(known.size());
    for (std::size_t i = 0; i < known.size(); ++i) {
        const KnownDepth& k = known[i];
        const std::string where = Where(k.picket, k.column);
        if (!k.depthCm) {
            notes.push_back(where + ": глубина не задана — точка пропущена.");
            continue;
        }
        if (k.column < 1 || k.column >= table.colCount() || k.column == setup.picketColumn) {
            notes.push_back(where + ": в таблице нет такого столбца глубин — точка пропущена.");
            continue;
        }
        const std::optional<double> trace = registration.traceAt(k.picket);
        if (!trace || !(*trace >= 0 && *trace <= lastTrace)) {
            notes.push_back(where + ": пикет вне привязанной радарограммы — точка пропущена.");
            continue;
        }
        // The rows around the picket: the one at it, or the two it lies between.
        const auto after = std::lower_bound(index.begin(), index.end(), std::make_pair(k.picket, -1));
        std::optional<double> picked;
        if (after != index.end() && after->first == k.picket) {
            picked = DepthAt(table, k.column, after->second);
        } else if (after != index.end() && after != index.begin()) {
            const auto before = after - 1;
            const std::optional<double> a = DepthAt(table, k.column, before->second);
            const std::optional<double> b = DepthAt(table, k.column, after->second);
            if (a && b)
                picked = *a + (*b - *a) * (k.picket - before->first) / (after->first - before->first);
        } else {
            notes.push_back(where + ": пикет вне рабочего диапазона таблицы — точка пропущена.");
            continue;
        }
        if (!picked) {
            notes.push_back(where + ": в таблице нет глубины этой границы у пикета — точка пропущена.");
            continue;
        }
        points.push_back({i, *picked, *k.depthCm, where});
    }
    CalibrationResult result = FitPermittivity(*model, points);
    notes.insert(notes.end(), result.notes.begin(), result.notes.end());
    result.notes = std::move(notes);
    return result;
}

std::vector<std::string> DescribeCalibration(const CalibrationResult& result)
{
    std::vector<std::string> lines;
    const std::size_t count = result.layers.size();
    for (std::size_t i = 0; i < count; ++i) {
        const CalibratedLayer& l = result.layers[i];
        std::string line = count == 1 ? std::string("Профиль") : "Слой " + std::to_string(i + 1);
        line += ": ε " + NumberToText(RoundTo(l.before, 2));
        if (l.fitted)
            line += " → " + NumberToText(RoundTo(l.eps, 2)) + " ± " + NumberToText(RoundTo(l.epsError, 2));
        else
            line += " оставлена";
        line += " (точек " + std::to_string(l.points);
        if (l.points > 0)
            line += ", СКО невязки " + NumberToText(RoundTo(l.rmsMisfitCm, 1)) + " см";
        lines.push_back(line + ")");
    }
    lines.insert(lines.end(), result.notes.begin(), result.notes.end());
    return lines;
}

std::vector<KnownDepth> KnownDepthsFromBoreholes(const Grid& boreholes, std::span<const int> columns)
{
    std::vector<KnownDepth> known;
    for (int row = 2; row < boreholes.rowCount(); ++row) {
        const std::optional<double> picket = TryReadStrict(boreholes.cellView(1, row));
        if (!picket || !std::isfinite(*picket))
            continue;
        const std::string name(boreholes.cellView(2, row));
        std::string source = name;
        if (name.starts_with("Скв") || name.starts_with("скв"))
            source = "скважина";
        else if (name.starts_with("Шурф") || name.starts_with("шурф"))
            source = "шурф";
        for (const int column : columns)
            known.push_back({*picket, column, std::nullopt, source});
    }
    return known;
}

} // namespace trassel
