#pragma once
// What the document tests share: a sink that keeps edits the way the window's undo stack
// does, a picture of the depth table exact to the byte, and file bytes for importTable.
#include "document/edit.h"
#include "document/survey_document.h"
#include "table/grid_io.h"

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace trassel {

// Keeps every edit handed over; a new edit with the same non-negative merge key as the newest
// one is offered to it first and dropped when it was absorbed.
class EditRecorder : public EditSink {
public:
    void push(std::unique_ptr<Edit> applied) override
    {
        if (!edits.empty() && applied->mergeKey() >= 0 && applied->mergeKey() == edits.back()->mergeKey() &&
            edits.back()->mergeWith(*applied))
            return;
        edits.push_back(std::move(applied));
    }
    std::size_t size() const { return edits.size(); }
    Edit& last() { return *edits.back(); }
    void revertAll(SurveyDocument& doc)
    {
        for (auto it = edits.rbegin(); it != edits.rend(); ++it)
            (*it)->revert(doc);
    }
    void applyAll(SurveyDocument& doc)
    {
        for (const auto& edit : edits)
            edit->apply(doc);
    }

    std::vector<std::unique_ptr<Edit>> edits;
};

// The depth table as the user could ever observe it: the export bytes, every cell (row 0 and
// column 0 included), the size, the fixed rows and columns and the working range.
struct TableState {
    std::string exportText;
    std::vector<std::string> cells; // row by row
    int cols = 0;
    int rows = 0;
    int fixedRows = 0;
    int fixedCols = 0;
    int firstDataRow = 0;
    int lastDataRow = 0;
    bool operator==(const TableState&) const = default;
};

inline TableState CaptureTable(const SurveyDocument& doc)
{
    const Grid& grid = doc.depthTable();
    TableState s;
    s.exportText = GridExportText(grid);
    s.cols = grid.colCount();
    s.rows = grid.rowCount();
    s.fixedRows = grid.fixedRows();
    s.fixedCols = grid.fixedCols();
    s.firstDataRow = doc.firstDataRow();
    s.lastDataRow = doc.lastDataRow();
    s.cells.reserve(static_cast<std::size_t>(s.cols) * static_cast<std::size_t>(s.rows));
    for (int r = 0; r < s.rows; ++r)
        for (int c = 0; c < s.cols; ++c)
            s.cells.push_back(grid.cell(c, r));
    return s;
}

// The first way two table states differ, empty when they are the same; compared with "" so
// that a failure says where instead of dumping both tables.
inline std::string Difference(const TableState& want, const TableState& got)
{
    auto pair = [](const char* what, long long a, long long b) {
        return std::string(what) + ": want " + std::to_string(a) + ", got " + std::to_string(b);
    };
    if (want.cols != got.cols)
        return pair("columns", want.cols, got.cols);
    if (want.rows != got.rows)
        return pair("rows", want.rows, got.rows);
    if (want.fixedRows != got.fixedRows)
        return pair("fixed rows", want.fixedRows, got.fixedRows);
    if (want.fixedCols != got.fixedCols)
        return pair("fixed columns", want.fixedCols, got.fixedCols);
    if (want.firstDataRow != got.firstDataRow)
        return pair("first data row", want.firstDataRow, got.firstDataRow);
    if (want.lastDataRow != got.lastDataRow)
        return pair("last data row", want.lastDataRow, got.lastDataRow);
    for (std::size_t i = 0; i < want.cells.size() && i < got.cells.size(); ++i) {
        if (want.cells[i] != got.cells[i]) {
            const auto cols = static_cast<std::size_t>(want.cols);
            return "cell (" + std::to_string(i % cols) + ", " + std::to_string(i / cols) + "): want \"" +
                   want.cells[i] + "\", got \"" + got.cells[i] + "\"";
        }
    }
    if (want.exportText != got.exportText)
        return "export text differs (" + std::to_string(want.exportText.size()) + " against " +
               std::to_string(got.exportText.size()) + " bytes)";
    return {};
}

// A whole file as importTable takes it.
inline std::pair<std::unique_ptr<char[]>, std::size_t> FileOf(std::string_view bytes)
{
    auto data = std::make_unique<char[]>(bytes.size() + 1);
    if (!bytes.empty())
        std::memcpy(data.get(), bytes.data(), bytes.size());
    return {std::move(data), bytes.size()};
}

inline bool Import(SurveyDocument& doc, std::string_view bytes)
{
    auto file = FileOf(bytes);
    return doc.importTable(std::move(file.first), file.second);
}

} // namespace trassel
