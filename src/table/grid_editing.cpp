#include "table/grid_editing.h"

#include "base/error.h"
#include "base/cp1251.h"
#include "table/cell_changes.h"
#include "table/grid_io.h"
#include "base/numbers.h"

#include <algorithm>
#include <limits>

namespace trassel {
namespace {

void SplitFields(std::string_view line, std::vector<std::string_view>& fields)
{
    fields.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return;
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

void CheckWidth(long long cols)
{
    if (cols > Grid::kMaxColumns)
        throw Error("Слишком много столбцов: " + IntToText(cols) + " (не больше " + IntToText(Grid::kMaxColumns) + ")");
}

} // namespace

std::string CopyGridText(const Grid& grid)
{
    std::string text;
    if (grid.colCount() >= 2) {
        // Rows joined the way the export joins them: the same text, built the fast way.
        text = GridExportText(grid);
    } else {
        // Without a data column each row is empty, and removing "the TAB after the last cell"
        // takes the last character written so far.
        for (int r = 1; r < grid.rowCount(); ++r) {
            if (!text.empty())
                text.pop_back();
            text += "\r\n";
        }
    }
    std::string utf8;
    utf8.reserve(text.size());
    DecodeCp1251(text, utf8);
    return utf8;
}

std::vector<std::string_view> SplitPasteLines(std::string_view text, bool lfToo)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        std::size_t next = text.size();
        for (;;) {
            const std::size_t lf = text.find('\n', end);
            if (lf == std::string_view::npos) {
                end = text.size();
                break;
            }
            if (lf > start && text[lf - 1] == '\r') {
                end = lf - 1;
                next = lf + 1;
                break;
            }
            if (lfToo) {
                end = lf;
                next = lf + 1;
                break;
            }
            end = lf + 1;
        }
        lines.push_back(text.substr(start, end - start));
        start = next;
    }
    return lines;
}

int WidestLine(const std::vector<std::string_view>& lines)
{
    std::size_t widest = 0;
    for (const std::string_view line : lines)
        widest = std::max<std::size_t>(widest,
                                       static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t')) + 1);
    return static_cast<int>(std::min<std::size_t>(widest, static_cast<std::size_t>(Grid::kMaxColumns) + 1));
}

void PasteGridText(Grid& grid, const std::vector<std::string_view>& lines, const Progress& progress,
                   CellChanges* changes)
{
    const int fields = WidestLine(lines);
    CheckWidth(static_cast<long long>(fields) + 1);
    if (lines.size() + 1 > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw Error("Слишком много строк");
    const int rows = static_cast<int>(lines.size()) + 1;
    if (grid.rowCount() < rows)
        grid.setRowCount(rows);
    if (grid.colCount() < fields + 1)
        grid.setColCount(fields + 1);
    std::vector<std::string_view> cells;
    std::vector<std::string_view> current;
    ProgressMeter meter(progress, static_cast<long long>(lines.size()));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        meter.at(static_cast<long long>(i));
        SplitFields(lines[i], cells);
        const int row = static_cast<int>(i) + 1;
        // Only the cells from the first to the last that differ are written (and recorded): a
        // table pasted back over itself with a few corrections costs those few.
        grid.rowCells(row, current);
        if (current.size() < cells.size())
            current.resize(cells.size());
        std::size_t first = 0;
        while (first < cells.size() && cells[first] == current[first])
            ++first;
        if (first == cells.size())
            continue;
        std::size_t last = cells.size() - 1;
        while (last > first && cells[last] == current[last])
            --last;
        const std::size_t count = last - first + 1;
        if (changes != nullptr)
            changes->record(row, static_cast<int>(first) + 1, current.data() + first, cells.data() + first, count);
        grid.setCells(row, static_cast<int>(first) + 1, cells.data() + first, count);
    }
    meter.finish();
}

std::string RectText(const Grid& grid, const CellRect& rect)
{
    std::string text;
    for (int r = rect.top; r <= rect.bottom; ++r) {
        for (int c = rect.left; c <= rect.right; ++c) {
            if (c > rect.left)
                text += '\t';
            text.append(grid.cellView(c, r));
        }
        text += "\r\n";
    }
    return text;
}

CellRect PasteTextAt(Grid& grid, int col, int row, const std::vector<std::string_view>& lines)
{
    col = std::max(col, 1);
    row = std::max(row, 1);
    const int fields = WidestLine(lines);
    CheckWidth(static_cast<long long>(col) + fields);
    const CellRect rect{col, row, col + fields - 1, row + static_cast<int>(lines.size()) - 1};
    if (lines.empty())
        return rect;
    if (grid.rowCount() <= rect.bottom)
        grid.setRowCount(rect.bottom + 1);
    if (grid.colCount() <= rect.right)
        grid.setColCount(rect.right + 1);
    std::vector<std::string_view> cells;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SplitFields(lines[i], cells);
        grid.setCells(row + static_cast<int>(i), col, cells.data(), cells.size());
    }
    return rect;
}

int FindInPicketColumn(const Grid& grid, std::string_view text, int selRow)
{
    if (text.empty())
        return -1;
    for (long long r = std::max(selRow + 1LL, 0LL); r < grid.rowCount(); ++r)
        if (grid.cellView(1, static_cast<int>(r)).find(text) != std::string_view::npos)
            return static_cast<int>(r);
    return -1;
}

} // namespace trassel
