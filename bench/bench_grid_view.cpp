// The table view at survey scale: a 1,000,000-row x 12-column grid shown, scrolled and sized.
//
// BM_ShowAndJumpToEnd builds the view over a loaded grid, shows it, jumps to the last row and
// paints (what the user waits for after an import); BM_ScrollPage paints one page further down;
// BM_AutoSizeColumns is the "Авторазмер ширины колонок" command over the whole grid; BM_Refresh
// is what every editing command costs the view afterwards. cells_read counts the cells the
// view asked the grid for: it stays at a screenful, whatever the row count.
#include "table/grid.h"
#include "table/qt/grid_table_model.h"
#include "table/qt/string_grid_view.h"

#include "reference_table.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

using namespace trassel;

namespace {

constexpr int kRows = 1'000'000;

std::unique_ptr<Grid> makeGrid()
{
    const std::string text = bench::ReferenceTableText(kRows);
    auto bytes = std::make_unique<char[]>(text.size());
    std::memcpy(bytes.get(), text.data(), text.size());
    auto grid = std::make_unique<Grid>(13, 1);
    grid->loadDelimited(std::move(bytes), text.size(), '\t');
    NumberGridHeaders(*grid);
    return grid;
}

Grid& sharedGrid()
{
    static const std::unique_ptr<Grid> grid = makeGrid();
    return *grid;
}

void jumpToEnd(QTableView* body)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(body, &press);
}

void BM_ShowAndJumpToEnd(benchmark::State& state)
{
    Grid& grid = sharedGrid();
    long long reads = 0;
    for (auto _ : state) {
        StringGridView view(&grid);
        view.resize(1000, 700);
        view.show();
        QApplication::processEvents();
        view.bodyModel()->resetReadStats();
        jumpToEnd(view.bodyView());
        benchmark::DoNotOptimize(view.grab());
        reads = view.bodyModel()->readStats().reads;
    }
    state.counters["cells_read"] = static_cast<double>(reads);
}
BENCHMARK(BM_ShowAndJumpToEnd)->Unit(benchmark::kMillisecond);

void BM_ScrollPage(benchmark::State& state)
{
    Grid& grid = sharedGrid();
    StringGridView view(&grid);
    view.resize(1000, 700);
    view.show();
    QApplication::processEvents();
    QScrollBar* bar = view.bodyView()->verticalScrollBar();
    const int page = bar->pageStep();
    long long reads = 0;
    for (auto _ : state) {
        bar->setValue(bar->value() + page > bar->maximum() ? 0 : bar->value() + page);
        view.bodyModel()->resetReadStats();
        view.bodyView()->viewport()->repaint();
        reads = view.bodyModel()->readStats().reads;
    }
    state.counters["cells_read"] = static_cast<double>(reads);
}
BENCHMARK(BM_ScrollPage)->Unit(benchmark::kMicrosecond);

void BM_AutoSizeColumns(benchmark::State& state)
{
    Grid& grid = sharedGrid();
    StringGridView view(&grid);
    for (auto _ : state)
        view.autoSizeColumns();
    state.counters["cells"] = static_cast<double>(grid.rowCount()) * grid.colCount();
}
BENCHMARK(BM_AutoSizeColumns)->Unit(benchmark::kMillisecond);

void BM_Refresh(benchmark::State& state)
{
    Grid& grid = sharedGrid();
    StringGridView view(&grid);
    view.resize(1000, 700);
    view.show();
    QApplication::processEvents();
    for (auto _ : state) {
        view.refresh();
        view.bodyView()->viewport()->repaint();
    }
}
BENCHMARK(BM_Refresh)->Unit(benchmark::kMillisecond);

} // namespace
