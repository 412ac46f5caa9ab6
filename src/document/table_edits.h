#pragma once
// The edits of the two tables: cells written in blocks, rows and columns inserted, removed
// and moved, and a whole table exchanged for another.
#include "document/edit.h"
#include "document/survey_document.h"
#include "table/cell_block.h"
#include "table/cell_changes.h"
#include "table/packed_texts.h"

#include <memory>
#include <optional>
#include <vector>

namespace trassel {

// A table's shape outside its cells, with the working range that some commands set too.
struct TableShape {
    int cols = 0;
    int rows = 0;
    int fixedRows = 1;
    int fixedCols = 1;
    int firstDataRow = 0;
    int lastDataRow = 0;
    bool operator==(const TableShape&) const = default;
};
TableShape CaptureShape(const SurveyDocument& doc, TableId id);

// Cells of some rectangles before and after a command, the scattered cells it changed
// elsewhere (each before and after), and the table's shape around it. Applying sets the shape
// after and writes the cells after; reverting sets the shape before (which drops rows and
// columns the command added) and writes the cells before.
class CellsEdit : public Edit {
public:
    CellsEdit(std::string text, TableId id, TableShape before, std::vector<CellBlock> cellsBefore, TableShape after,
              std::vector<CellBlock> cellsAfter, std::optional<DocumentChange::What> also, int mergeKey,
              CellChanges changes = {});
    void apply(SurveyDocument& doc) override;
    void revert(SurveyDocument& doc) override;
    std::size_t bytes() const override;
    int mergeKey() const override { return mergeKey_; }
    // Absorbs a later edit of the same key over the same rectangles and the same shape.
    bool mergeWith(const Edit& next) override;

private:
    // Puts `shape`'s parts that the edit changed (those that differ from `other`); the rest,
    // such as a range or header rows the user set since, stays as it is now.
    void put(SurveyDocument& doc, const TableShape& shape, const TableShape& other, const std::vector<CellBlock>& cells,
             bool after);

    TableId id_;
    TableShape before_;
    std::vector<CellBlock> cellsBefore_;
    TableShape after_;
    std::vector<CellBlock> cellsAfter_;
    CellChanges changes_;
    std::optional<DocumentChange::What> also_; // told after the cells (a correction on the diagram)
    int mergeKey_;
};

// "Пересчет в ПК" over the rows first .. last of the depth table: only the kilometres and metres
// it replaced are kept, packed (a survey's columns pack to a few bits a row); the pickets are
// computed again on a redo from the very texts the undo put back.
class PicketsEdit : public Edit {
public:
    PicketsEdit(std::string text, int first, int last, PackedTexts kilometres, PackedTexts metres);
    void apply(SurveyDocument& doc) override;
    void revert(SurveyDocument& doc) override;
    std::size_t bytes() const override;

    // Writes the kept texts back into columns 1 and 2 of rows first .. last; cells that hold
    // them already are left alone.
    static void Restore(Grid& grid, int first, int last, const PackedTexts& kilometres, const PackedTexts& metres);

private:
    int first_;
    int last_;
    PackedTexts kilometres_;
    PackedTexts metres_;
};

// A whole table exchanged for another (an import, "Очистить"): the other table is moved
// aside, never copied, so undo and redo are one swap each. The working range and the fixed
// rows change only as far as the command changed them: a range or header rows set since stay.
class ReplaceTableEdit : public Edit {
public:
    // `other` is the table to put in place; the range becomes (first, last) and the fixed rows
    // those `other` holds.
    ReplaceTableEdit(std::string text, TableId id, std::unique_ptr<Grid> other, int first, int last);
    void apply(SurveyDocument& doc) override { swap(doc, applied_); }
    void revert(SurveyDocument& doc) override { swap(doc, reverted_); }
    std::size_t bytes() const override;

private:
    struct Side {
        int first = 0;
        int last = 0;
        int fixedRows = 0;
    };
    void swap(SurveyDocument& doc, const Side& target);

    TableId id_;
    std::unique_ptr<Grid> other_;
    Side applied_;  // what the command set
    Side reverted_; // what there was before it
};

// A row or a column inserted (empty) or removed at an index; a removal keeps the cells it
// took away, label included, and the fixed counts that the removal may have lowered.
class LineEdit : public Edit {
public:
    enum class Kind { InsertRow, RemoveRow, InsertColumn, RemoveColumn };
    // `fixedRows`/`fixedCols`: the counts before the edit, put back only when the removal lowered them.
    LineEdit(std::string text, TableId id, Kind kind, int at, CellBlock removed, int fixedRows, int fixedCols);
    void apply(SurveyDocument& doc) override;
    void revert(SurveyDocument& doc) override;
    std::size_t bytes() const override { return sizeof(*this) + removed_.bytes(); }

private:
    void insert(Grid& grid) const;
    void remove(Grid& grid) const;

    TableId id_;
    Kind kind_;
    int at_;
    CellBlock removed_;
    int fixedRows_;
    int fixedCols_;
    int fixedRowsAfter_ = -1;
    int fixedColsAfter_ = -1;
};

// A row or a column dragged by its header cell from one index to another.
class MoveLineEdit : public Edit {
public:
    MoveLineEdit(std::string text, TableId id, bool row, int from, int to);
    void apply(SurveyDocument& doc) override { move(doc, from_, to_); }
    void revert(SurveyDocument& doc) override { move(doc, to_, from_); }
    std::size_t bytes() const override { return sizeof(*this); }

private:
    void move(SurveyDocument& doc, int from, int to);

    TableId id_;
    bool row_;
    int from_;
    int to_;
};

} // namespace trassel
