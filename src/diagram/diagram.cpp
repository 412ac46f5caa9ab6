#include "diagram/diagram.h"

#include "base/error.h"
#include "layers/layers.h"
#include "table/grid.h"
#include "base/numbers.h"

#include <algorithm>
#include <utility>

namespace trassel {
namespace {

constexpr Color kRed = 255;

// The rows of the working range the table has, to reserve for: the range's spin edits take any
// integer, and rows beyond the table stop the filling anyway.
std::size_t rangeSize(const DiagramParams& params, const Grid& grid)
{
    const long long first = std::max<long long>(params.FirstDataRow, 0);
    const long long last = std::min<long long>(params.LastDataRow, static_cast<long long>(grid.rowCount()) - 1);
    return last >= first ? static_cast<std::size_t>(last - first + 1) : 0;
}

MarkFont boldFont(const ChartSeries& series, int size)
{
    MarkFont font = series.marks().font;
    font.bold = true;
    font.size = size;
    return font;
}

} // namespace

Diagram::Diagram(ChartModel& chart, LayerManager& layers, int firstDataRow) : chart_(&chart), layers_(&layers)
{
    picketSeries_ = chart.createSeries(SeriesKind::Line);
    chart.attach(picketSeries_);
    skvSeries_ = chart.createSeries(SeriesKind::Point);
    chart.attach(skvSeries_);
    cursor_.VertSeries = chart.createSeries(SeriesKind::Point);
    cursor_.HorzSeries = chart.createSeries(SeriesKind::Point);
    cursor_.Row = firstDataRow;
}

Diagram::~Diagram()
{
    chart_->destroySeries(cursor_.VertSeries);
    chart_->destroySeries(cursor_.HorzSeries);
    chart_->destroySeries(picketSeries_);
    chart_->destroySeries(skvSeries_);
}

void Diagram::FillPicketSeries(SeriesId id, int picketColumn, const Grid& grid, const DiagramParams& params)
{
    ChartSeries& series = chart_->series(id);
    series.clear();
    series.reserve(rangeSize(params, grid));
    // The pickets in row order serve the layers that read the same column: a text that
    // passes strict reading reads the same leniently. Valid only once every row has passed.
    picketCacheColumn_ = -1;
    picketCache_.clear();
    picketCache_.reserve(rangeSize(params, grid));
    series.setMarksVisible(true);
    series.setMarksDrawEvery(20);
    series.setMarksStyle(MarkStyle::XValue);
    series.setMarksArrowLength(20);
    series.setMarksFont(boldFont(series, 14));
    series.setColor(kRed);
    series.setPenWidth(3);
    for (long long r = params.FirstDataRow; r <= params.LastDataRow; ++r) {
        const double x = RoundTo(ReadStrict(grid.cellView(picketColumn, static_cast<int>(r))), 2);
        picketCache_.push_back(x);
        series.addXY(x, 0.0, static_cast<int>(r));
    }
    picketCacheColumn_ = picketColumn;
}

void Diagram::FillLayerSeries(SeriesId id, int picketColumn, int depthColumn, const Grid& grid,
                              const DiagramParams& params)
{
    fillLayerSeries(chart_->series(id), picketColumn, depthColumn, grid, params, nullptr);
}

void Diagram::fillLayerSeries(ChartSeries& series, int picketColumn, int depthColumn, const Grid& grid,
                              const DiagramParams& params, const std::vector<double>* pickets)
{
    series.clear();
    series.reserve(rangeSize(params, grid));
    std::size_t i = 0;
    for (long long r = params.FirstDataRow; r <= params.LastDataRow; ++r, ++i) {
        const int row = static_cast<int>(r);
        const double x = pickets ? (*pickets)[i] : RoundTo(ReadLenient(grid.cellView(picketColumn, row)), 2);
        const double y = RoundTo(ReadLenient(grid.cellView(depthColumn, row)), 0);
        series.addXY(x, y, row);
    }
    series.setMarksVisible(params.SeriesMarksVisible);
    series.setMarksDrawEvery(params.SeriesFrequencyMarks);
}

void Diagram::UpdateCursorSeries(const DiagramParams& params)
{
    ChartSeries& horz = chart_->series(cursor_.HorzSeries);
    ChartSeries& vert = chart_->series(cursor_.VertSeries);
    horz.clear();
    vert.clear();
    // The cursor's points stand for no row of their own: a click on them leaves the cursor.
    horz.addXY(cursor_.X, cursor_.Y);
    vert.addXY(cursor_.X, cursor_.Y);

    horz.setMarksVisible(params.CursorHorizMarkVisible);
    horz.setMarksStyle(MarkStyle::Value);
    horz.setMarksArrowLength(30);
    vert.setMarksVisible(params.CursorVertMarkVisible);
    vert.setMarksStyle(MarkStyle::XValue);
    vert.setMarksArrowLength(-90);
    vert.setMarksAngle(90);
    horz.setMarksFont(boldFont(horz, 14));
    vert.setMarksFont(boldFont(vert, 14));
}

void Diagram::setAxisWindow(ChartAxis& axis, double minimum, double maximum)
{
    // Each bound is checked against the other's current value, so the bound on the side the
    // window moves to goes first; a window of non-negative size is then always accepted.
    if (maximum >= axis.minimum()) {
        axis.setMaximum(maximum);
        axis.setMinimum(minimum);
    } else {
        axis.setMinimum(minimum);
        axis.setMaximum(maximum);
    }
}

std::vector<Diagram::LayerStamp> Diagram::layerStamps() const
{
    std::vector<LayerStamp> out;
    out.reserve(static_cast<std::size_t>(layers_->LayerCount()));
    for (int slot = 0; slot < layers_->LayerCount(); ++slot) {
        const TLayer& layer = layers_->Layers(slot);
        out.push_back({layer.Series, layer.Item, layers_->isChecked(layer.Item), layer.PicketColumn, layer.DepthColumn,
                       layer.PointColor, chart_->series(layer.Series).dataRevision()});
    }
    return out;
}

bool Diagram::mendChart(const Grid& grid, const DiagramParams& params)
{
    if (!stamp_.valid || stamp_.grid != &grid || !(stamp_.params == params))
        return false;
    if (chart_->series(picketSeries_).dataRevision() != stamp_.picketRevision || layerStamps() != stamp_.layers)
        return false;
    // Nothing written since (a move of the cursor): the points stand as they are.
    if (grid.revision() == stamp_.gridRevision)
        return true;
    const std::optional<Grid::CellAt> cell = grid.onlyCellWrittenSince(stamp_.gridRevision);
    if (!cell)
        return false;
    // A picket moves points along the line and may reorder them: that is a build.
    if (cell->col == ReadInteger(params.ColX))
        return false;
    const bool inRange = cell->row >= params.FirstDataRow && cell->row <= params.LastDataRow;
    std::vector<std::pair<ChartSeries*, std::size_t>> mended;
    for (const LayerStamp& layer : stamp_.layers) {
        if (!layer.checked)
            continue;
        if (layer.picketColumn == cell->col)
            return false;
        if (layer.depthColumn != cell->col || !inRange)
            continue;
        ChartSeries& series = chart_->series(layer.series);
        // Points stand in picket order: in row order unless the pickets run backwards.
        const std::vector<int>& rows = series.rows();
        auto index = static_cast<std::size_t>(cell->row - params.FirstDataRow);
        if (index >= rows.size() || rows[index] != cell->row)
            index = static_cast<std::size_t>(std::find(rows.begin(), rows.end(), cell->row) - rows.begin());
        if (index >= rows.size())
            return false;
        mended.emplace_back(&series, index);
    }
    const double y = RoundTo(ReadLenient(grid.cellView(cell->col, cell->row)), 0);
    for (const auto& [series, index] : mended)
        series->setY(index, y);
    return true;
}

void Diagram::BuildChart(const Grid& grid, const DiagramParams& params)
{
    if (mendChart(grid, params)) {
        stamp_.valid = false; // made true again once the cursor is placed
        placeCursor(grid, params);
        stamp_.gridRevision = grid.revision();
        stamp_.layers = layerStamps();
        stamp_.valid = true;
        return;
    }
    stamp_.valid = false;
    FillPicketSeries(picketSeries_, ReadInteger(params.ColX), grid, params);

    for (int slot = layers_->LayerCount() - 1; slot >= 0; --slot) {
        const TLayer& layer = layers_->Layers(slot);
        ChartSeries& series = chart_->series(layer.Series);
        series.clear();
        if (!layers_->isChecked(layer.Item))
            continue;
        series.setColor(layer.PointColor);
        if (picketCacheColumn_ != layer.PicketColumn) {
            picketCache_.clear();
            picketCache_.reserve(rangeSize(params, grid));
            for (long long r = params.FirstDataRow; r <= params.LastDataRow; ++r)
                picketCache_.push_back(RoundTo(ReadLenient(grid.cellView(layer.PicketColumn, static_cast<int>(r))), 2));
            picketCacheColumn_ = layer.PicketColumn;
        }
        fillLayerSeries(series, layer.PicketColumn, layer.DepthColumn, grid, params, &picketCache_);
    }

    placeCursor(grid, params);
    stamp_.grid = &grid;
    stamp_.gridRevision = grid.revision();
    stamp_.params = params;
    stamp_.picketRevision = chart_->series(picketSeries_).dataRevision();
    stamp_.layers = layerStamps();
    stamp_.valid = true;
}

void Diagram::placeCursor(const Grid& grid, const DiagramParams& params)
{
    if (!cursor_.ColChosen) {
        int chosen = -1;
        for (int slot = 0; slot < layers_->LayerCount() && chosen < 0; ++slot)
            if (layers_->isSelected(layers_->Layers(slot).Item))
                chosen = layers_->Layers(slot).DepthColumn;
        for (int slot = 0; slot < layers_->LayerCount() && chosen < 0; ++slot)
            if (layers_->isChecked(layers_->Layers(slot).Item))
                chosen = layers_->Layers(slot).DepthColumn;
        if (chosen >= 0) {
            cursor_.Col = chosen;
            cursor_.ColChosen = true;
        }
    }
    const int picketColumn = ReadInteger(params.ColX);
    const double x = RoundTo(ReadStrict(grid.cellView(picketColumn, cursor_.Row)), 2);
    const double y = RoundTo(ReadStrict(grid.cellView(cursor_.Col, cursor_.Row)), 0);
    cursor_.X = x;
    cursor_.Y = y;

    UpdateCursorSeries(params);

    ChartSeries& horz = chart_->series(cursor_.HorzSeries);
    ChartSeries& vert = chart_->series(cursor_.VertSeries);
    horz.setPointerColor(kRed);
    vert.setPointerColor(kRed);
    vert.setPointerSize(2, params.CursorVertSize);
    horz.setPointerSize(params.CursorHorzSize, 2);

    if (params.DinamicDiapazonAxes) {
        const int halfWidth = params.WindowWidth / 2; // integer halves, truncated toward zero
        const int halfHeight = params.WindowHeight / 2;
        setAxisWindow(chart_->bottomAxis(), cursor_.X - halfWidth, cursor_.X + halfWidth);
        setAxisWindow(chart_->leftAxis(), cursor_.Y - halfHeight, cursor_.Y + halfHeight);
    }

    chart_->attach(cursor_.HorzSeries);
    chart_->attach(cursor_.VertSeries);
}

void Diagram::ChartKeyDown(Grid& grid, DiagramKey key, const DiagramParams& params)
{
    bool wrote = false;
    ChartKeyDown(grid, key, params, [&](int col, int row, const std::string& text) {
        grid.setCell(col, row, text);
        wrote = true;
    });
    if (wrote) {
        try {
            BuildChart(grid, params);
        } catch (const Error&) {
        }
    }
}

void Diagram::ChartKeyDown(const Grid& grid, DiagramKey key, const DiagramParams& params, const CellWriter& write)
{
    for (int slot = layers_->LayerCount() - 1; slot >= 0; --slot) {
        const TLayer& layer = layers_->Layers(slot);
        if (layers_->isSelected(layer.Item)) {
            cursor_.Col = layer.DepthColumn;
            cursor_.ColChosen = true;
        }
    }
    try {
        const double v = RoundTo(ReadStrict(grid.cellView(cursor_.Col, cursor_.Row)), 0);
        const double step = ReadStrict(params.VertIncrement);
        switch (key) {
        case DiagramKey::Up: write(cursor_.Col, cursor_.Row, NumberToText(v - step)); return;
        case DiagramKey::Down: write(cursor_.Col, cursor_.Row, NumberToText(v + step)); return;
        case DiagramKey::Left:
            if (params.FirstDataRow < cursor_.Row)
                --cursor_.Row;
            break;
        case DiagramKey::Right:
            if (cursor_.Row < params.LastDataRow)
                ++cursor_.Row;
            break;
        case DiagramKey::Delete: write(cursor_.Col, cursor_.Row, std::string()); return;
        case DiagramKey::Other: break;
        }
        BuildChart(grid, params);
    } catch (const Error&) {
        // Keys on the diagram never interrupt the user with a message: a bad cell or step
        // simply leaves the diagram as it is.
    }
}

void Diagram::ChartClickSeries(const Grid& grid, SeriesId id, std::size_t index, ChartButton button,
                               const DiagramParams& params)
{
    if (!chart_->exists(id))
        return;
    ChartSeries& series = chart_->series(id);
    if (index >= series.count())
        return;
    switch (button) {
    case ChartButton::Left: {
        // The row the point was built from, not its rank: the rank matches a row only while
        // the pickets increase down the table and the range starts at the first data row.
        const int row = series.rows()[index];
        if (row >= 0)
            cursor_.Row = row;
        BuildChart(grid, params);
        break;
    }
    case ChartButton::Right: series.remove(index); break;
    case ChartButton::Other: break;
    }
}

} // namespace trassel
