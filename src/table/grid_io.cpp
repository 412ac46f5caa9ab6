#include "table/grid_io.h"

#include "base/error.h"
#include "base/cp1251.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace trassel {

LoadResult ImportTableFile(Grid& fresh, FileBytes bytes, char delimiter, int titleRows, std::string& refusal,
                           const Progress& progress)
{
    refusal.clear();
    const LoadResult result = LoadGridFromTextFile(fresh, std::move(bytes), delimiter, progress);
    NumberGridHeaders(fresh);
    try {
        fresh.setFixedRows(titleRows + 1);
    } catch (const Error& e) {
        refusal = e.what();
    }
    return result;
}

LoadResult LoadGridFromTextFile(Grid& grid, FileBytes bytes, char delimiter, const Progress& progress)
{
    if (bytes.size == 0)
        return LoadResult::Empty;
    grid.loadDelimited(std::move(bytes.data), bytes.size, delimiter, progress);
    return LoadResult::Loaded;
}

void WriteGridExport(const Grid& grid, const std::function<void(std::string_view)>& sink, const Progress& progress)
{
    ProgressMeter meter(progress, grid.rowCount());
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    std::string out;
    out.reserve(kPiece + 4096);
    auto flush = [&] {
        sink(out);
        out.clear();
    };
    for (int r = 1; r < grid.rowCount(); ++r) {
        meter.at(r);
        // Most rows are stored already joined by tabs and in plain ASCII: copy them whole.
        char separator = 0;
        int cells = 0;
        const std::string_view block = grid.rowBlock(r, separator, cells);
        if (separator == '\t' && IsAscii(block)) {
            out.append(block);
            if (grid.colCount() > 1) {
                // The empty cells after the stored ones: tabs, in pieces for a very wide table.
                std::size_t tabs = static_cast<std::size_t>(grid.colCount() - 1 - std::max(cells, 1));
                while (tabs > 0) {
                    const std::size_t n = std::min(tabs, kPiece);
                    out.append(n, '\t');
                    tabs -= n;
                    if (out.size() >= kPiece)
                        flush();
                }
            }
            out += "\r\n";
        } else {
            for (int c = 1; c < grid.colCount(); ++c) {
                if (c > 1)
                    out += '\t';
                const std::string_view cell = grid.cellView(c, r);
                if (IsAscii(cell))
                    out.append(cell);
                else
                    EncodeCp1251(cell, out);
                if (out.size() >= kPiece)
                    flush();
            }
            out += "\r\n";
        }
        if (out.size() >= kPiece)
            flush();
    }
    if (!out.empty())
        flush();
    meter.finish();
}

std::string GridExportText(const Grid& grid)
{
    std::string text;
    text.reserve(grid.memoryBytes());
    WriteGridExport(grid, [&text](std::string_view piece) { text.append(piece); });
    return text;
}

void ExportGridToTextFile(const Grid& grid, const std::string& path, const Progress& progress, ReadOnlyTarget readOnly)
{
    AtomicFileWriter writer(path, readOnly);
    WriteGridExport(
        grid, [&writer](std::string_view piece) { writer.write(piece); }, progress);
    writer.commit();
}

} // namespace trassel
