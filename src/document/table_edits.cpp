#include "document/table_edits.h"

#include "table/pickets.h"

#include <algorithm>

namespace trassel {
namespace {

CellRect Bounds(const std::vector<CellBlock>& cells)
{
    CellRect rect{0, 0, -1, -1};
    bool first = true;
    for (const CellBlock& b : cells) {
        if (b.empty())
            continue;
        const CellRect r{b.left(), b.top(), b.left() + b.cols() - 1, b.top() + b.rows() - 1};
        if (first) {
            rect = r;
            first = false;
        } else {
            rect = {std::min(rect.left, r.left), std::min(rect.top, r.top), std::max(rect.right, r.right),
                    std::max(rect.bottom, r.bottom)};
        }
    }
    return rect;
}

} // namespace

TableShape CaptureShape(const SurveyDocument& doc, TableId id)
{
    const Grid& grid = doc.table(id);
    return TableShape{grid.colCount(),  grid.rowCount(),    grid.fixedRows(),
                      grid.fixedCols(), doc.firstDataRow(), doc.lastDataRow()};
}

CellsEdit::CellsEdit(std::string text, TableId id, TableShape before, std::vector<CellBlock> cellsBefore,
                     TableShape after, std::vector<CellBlock> cellsAfter, std::optional<DocumentChange::What> also,
                     int mergeKey, CellChanges changes)
    : Edit(std::move(text)), id_(id), before_(before), cellsBefore_(std::move(cellsBefore)), after_(after),
      cellsAfter_(std::move(cellsAfter)), changes_(std::move(changes)), also_(also), mergeKey_(mergeKey)
{
    changes_.shrink();
}

void CellsEdit::put(SurveyDocument& doc, const TableShape& shape, const TableShape& other,
                    const std::vector<CellBlock>& cells, bool after)
{
    Grid& grid = doc.table(id_);
    const int cols = grid.colCount();
    const int rows = grid.rowCount();
    const int fixedRows = grid.fixedRows();
    const int fixedCols = grid.fixedCols();
    if (shape.cols != other.cols)
        grid.setColCount(shape.cols);
    if (shape.rows != other.rows)
        grid.setRowCount(shape.rows);
    for (const CellBlock& block : cells)
        block.restore(grid);
    changes_.restore(grid, after);
    // Fixed counts the command did not change keep what they are now, as far as the grid's
    // size allows.
    const int wantRows = shape.fixedRows != other.fixedRows ? shape.fixedRows : fixedRows;
    const int wantCols = shape.fixedCols != other.fixedCols ? shape.fixedCols : fixedCols;
    grid.restoreFixed(std::min(wantRows, std::max(grid.rowCount() - 1, 0)),
                      std::min(wantCols, std::max(grid.colCount() - 1, 0)));
    const bool reshaped = grid.colCount() != cols || grid.rowCount() != rows || grid.fixedRows() != fixedRows ||
                          grid.fixedCols() != fixedCols;
    if (reshaped) {
        doc.notify({DocumentChange::What::TableShape, id_, {}});
    } else {
        if (!cells.empty() || changes_.empty())
            doc.notify({DocumentChange::What::Cells, id_, Bounds(cells)});
        if (!changes_.empty())
            doc.notify({DocumentChange::What::Cells, id_, changes_.bounds()});
    }
    if (id_ == TableId::Depth) {
        const int first = shape.firstDataRow != other.firstDataRow ? shape.firstDataRow : doc.firstDataRow();
        const int last = shape.lastDataRow != other.lastDataRow ? shape.lastDataRow : doc.lastDataRow();
        doc.setRange(first, last);
    }
    if (also_)
        doc.notify({*also_, id_, Bounds(cells)});
}

void CellsEdit::apply(SurveyDocument& doc) { put(doc, after_, before_, cellsAfter_, true); }

void CellsEdit::revert(SurveyDocument& doc) { put(doc, before_, after_, cellsBefore_, false); }

std::size_t CellsEdit::bytes() const
{
    std::size_t n = sizeof(*this) + text().capacity() + changes_.bytes() - sizeof(changes_);
    for (const CellBlock& b : cellsBefore_)
        n += b.bytes();
    for (const CellBlock& b : cellsAfter_)
        n += b.bytes();
    return n;
}

bool CellsEdit::mergeWith(const Edit& next)
{
    const auto* other = dynamic_cast<const CellsEdit*>(&next);
    if (other == nullptr || other->mergeKey_ != mergeKey_ || mergeKey_ < 0 || other->id_ != id_ ||
        other->before_ != after_ || other->cellsBefore_.size() != cellsAfter_.size() || !changes_.empty() ||
        !other->changes_.empty())
        return false;
    for (std::size_t i = 0; i < cellsAfter_.size(); ++i) {
        const CellBlock& mine = cellsAfter_[i];
        const CellBlock& theirs = other->cellsBefore_[i];
        if (mine.left() != theirs.left() || mine.top() != theirs.top() || mine.cols() != theirs.cols() ||
            mine.rows() != theirs.rows())
            return false;
    }
    after_ = other->after_;
    cellsAfter_ = other->cellsAfter_;
    return true;
}

PicketsEdit::PicketsEdit(std::string text, int first, int last, PackedTexts kilometres, PackedTexts metres)
    : Edit(std::move(text)), first_(first), last_(last), kilometres_(std::move(kilometres)), metres_(std::move(metres))
{
    kilometres_.shrinkToFit();
    metres_.shrinkToFit();
}

void PicketsEdit::apply(SurveyDocument& doc)
{
    int reached = first_;
    RecalcPicketRows(doc.depthTable(), first_, last_, reached);
    doc.notify({DocumentChange::What::Cells, TableId::Depth, {1, first_, 2, last_}});
}

void PicketsEdit::revert(SurveyDocument& doc)
{
    Restore(doc.depthTable(), first_, last_, kilometres_, metres_);
    doc.notify({DocumentChange::What::Cells, TableId::Depth, {1, first_, 2, last_}});
}

void PicketsEdit::Restore(Grid& grid, int first, int last, const PackedTexts& kilometres, const PackedTexts& metres)
{
    PackedTexts::Reader km(kilometres);
    PackedTexts::Reader m(metres);
    for (int r = first; r <= last && r < grid.rowCount(); ++r) {
        const std::string_view texts[2] = {km.next(), m.next()};
        if (grid.cellView(1, r) != texts[0] || grid.cellView(2, r) != texts[1])
            grid.setCells(r, 1, texts, 2);
    }
}

std::size_t PicketsEdit::bytes() const
{
    return sizeof(*this) + text().capacity() + kilometres_.bytes() + metres_.bytes() - sizeof(kilometres_) -
           sizeof(metres_);
}

ReplaceTableEdit::ReplaceTableEdit(std::string text, TableId id, std::unique_ptr<Grid> other, int first, int last)
    : Edit(std::move(text)), id_(id), other_(std::move(other))
{
    applied_ = {first, last, other_->fixedRows()};
}

void ReplaceTableEdit::swap(SurveyDocument& doc, const Side& target)
{
    Grid& grid = doc.table(id_);
    const Side now{doc.firstDataRow(), doc.lastDataRow(), grid.fixedRows()};
    if (&target == &applied_)
        reverted_ = now; // the state the command meets is what an undo puts back
    const Side& source = &target == &applied_ ? reverted_ : applied_;
    grid.swap(*other_);
    // A part the user changed since (a range, header rows) keeps the user's value.
    const int fixedRows = now.fixedRows == source.fixedRows ? target.fixedRows : now.fixedRows;
    if (fixedRows < grid.rowCount())
        grid.restoreFixed(fixedRows, grid.fixedCols());
    doc.notify({DocumentChange::What::TableReplaced, id_, {}});
    if (id_ == TableId::Depth) {
        const int first = now.first == source.first ? target.first : now.first;
        const int last = now.last == source.last ? target.last : now.last;
        doc.setRange(first, last);
    }
}

std::size_t ReplaceTableEdit::bytes() const { return sizeof(*this) + other_->memoryBytes(); }

LineEdit::LineEdit(std::string text, TableId id, Kind kind, int at, CellBlock removed, int fixedRows, int fixedCols)
    : Edit(std::move(text)), id_(id), kind_(kind), at_(at), removed_(std::move(removed)), fixedRows_(fixedRows),
      fixedCols_(fixedCols)
{
}

void LineEdit::insert(Grid& grid) const
{
    if (kind_ == Kind::InsertRow || kind_ == Kind::RemoveRow)
        grid.insertRow(at_);
    else
        grid.insertColumn(at_);
}

void LineEdit::remove(Grid& grid) const
{
    if (kind_ == Kind::InsertRow || kind_ == Kind::RemoveRow)
        grid.removeRow(at_);
    else
        grid.removeColumn(at_);
}

void LineEdit::apply(SurveyDocument& doc)
{
    Grid& grid = doc.table(id_);
    if (kind_ == Kind::InsertRow || kind_ == Kind::InsertColumn)
        insert(grid);
    else
        remove(grid);
    fixedRowsAfter_ = grid.fixedRows();
    fixedColsAfter_ = grid.fixedCols();
    doc.notify({DocumentChange::What::TableShape, id_, {}});
}

void LineEdit::revert(SurveyDocument& doc)
{
    Grid& grid = doc.table(id_);
    if (kind_ == Kind::InsertRow || kind_ == Kind::InsertColumn) {
        remove(grid);
    } else {
        insert(grid);
        removed_.restore(grid);
    }
    // Only counts the removal itself lowered come back; header rows set since stay.
    const bool rowsLowered = fixedRowsAfter_ < fixedRows_ && grid.fixedRows() == fixedRowsAfter_;
    const bool colsLowered = fixedColsAfter_ < fixedCols_ && grid.fixedCols() == fixedColsAfter_;
    grid.restoreFixed(rowsLowered ? fixedRows_ : grid.fixedRows(), colsLowered ? fixedCols_ : grid.fixedCols());
    doc.notify({DocumentChange::What::TableShape, id_, {}});
}

MoveLineEdit::MoveLineEdit(std::string text, TableId id, bool row, int from, int to)
    : Edit(std::move(text)), id_(id), row_(row), from_(from), to_(to)
{
}

void MoveLineEdit::move(SurveyDocument& doc, int from, int to)
{
    Grid& grid = doc.table(id_);
    if (row_)
        grid.moveRow(from, to);
    else
        grid.moveColumn(from, to);
    doc.notify({DocumentChange::What::TableShape, id_, {}});
}

} // namespace trassel
