#pragma once
// The cell grid behind both tables (depth table and borehole table).
//
// A rectangle of ColCount x RowCount text cells addressed (column, row) from 0. Row 0 and
// column 0 normally hold the numbering; rows 1..fixedRows-1 are header rows.
//
// Storage is sized for survey tables of ten million rows: a row is a record of 16 bytes (where
// its text is, how long it is, column 0), and the bytes of an imported file are used in place
// (the file buffer becomes a text chunk of the grid), so a loaded table costs little more than
// its file. A row of up to 64 short cells is found by its separators; only a wider or longer
// row, or one whose cells hold the separator, keeps where each cell ends. Column 0 holds mostly
// row numbers, so it is kept as a number per row and only spelled out when read. Writing a
// cell copies that row's bytes into an edit chunk; dead bytes are compacted away when they
// outweigh the live ones.
#include "base/progress.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trassel {

class Grid {
public:
    Grid(int colCount, int rowCount);
    Grid(const Grid&) = delete;
    Grid& operator=(const Grid&) = delete;
    ~Grid();

    int colCount() const { return colCount_; }
    int rowCount() const { return static_cast<int>(rows_.size()); }
    // Grows or shrinks the rectangle. Cells that fall outside are discarded, so cells that
    // come back into it later are empty. Negative counts are treated as 0; a column count past
    // kMaxColumns is refused with an Error before anything changes.
    void setColCount(int count);
    void setRowCount(int count);

    // Fixed rows do not scroll. 1 <= count < rowCount, otherwise Error
    // "Fixed row count must be less than row count" and nothing changes.
    int fixedRows() const { return fixedRows_; }
    void setFixedRows(int count);
    int fixedCols() const { return fixedCols_; }
    void setFixedCols(int count);
    // Puts back fixed counts the grid had before (an undo), without the checks.
    void restoreFixed(int rows, int cols)
    {
        fixedRows_ = rows;
        fixedCols_ = cols;
    }

    // The text of a cell; empty outside the rectangle. The view stays valid until the grid is
    // next changed. Column 0 numbers are spelled into a small ring of four buffers, so at most
    // four column-0 views may be held at once; use cell() to keep one longer.
    std::string_view cellView(int col, int row) const;
    std::string cell(int col, int row) const { return std::string(cellView(col, row)); }

    // Stores the text unchanged. Writes outside the rectangle are ignored.
    void setCell(int col, int row, std::string_view text);
    // Writes texts[i] into cell (firstCol + i, row) in one row rewrite; texts past the
    // column count are ignored.
    void setCells(int row, int firstCol, const std::string_view* texts, std::size_t count);

    // The stored cells 1..cells of a row as one block of bytes, joined by `separator`; the
    // cells after them are empty. Lets bulk writers copy a row at once.
    std::string_view rowBlock(int row, char& separator, int& cells) const;
    // The stored cells 1.. of a row, in order, into `cells` (emptied first); the cells after
    // them are empty. Reading a whole row this way costs one pass over its bytes. The views
    // stay valid until the grid is next changed.
    void rowCells(int row, std::vector<std::string_view>& cells) const;
    // The same for the cells 1..lastCol only: a reader of a few columns near the start of a
    // wide row stops scanning there.
    void rowCells(int row, int lastCol, std::vector<std::string_view>& cells) const;
    // The stored text of a row whose cells 1.. are exactly the pieces between `separator`
    // bytes, the cells after them empty: a reader of a few numbers per row parses each cell as
    // it finds its end. False, nothing set, for a row that keeps where its cells end (a cell
    // there may hold the separator): read that one by rowCells.
    bool plainRowText(int row, std::string_view& text, char& separator) const;

    // Moves a whole row (column 0 included) from one index to another, shifting the rows in
    // between; the same for columns (row 0 included).
    void moveRow(int from, int to);
    void moveColumn(int from, int to);

    // An empty row at index `at` (0 <= at <= rowCount); the rows from `at` on move down one,
    // column 0 included. Fixed rows stay as they are.
    void insertRow(int at);
    // Removes row `at`; the rows below move up one. The grid keeps at least one row (Error
    // otherwise, nothing changed); fixed rows shrink when they would reach the row count.
    void removeRow(int at);
    // An empty column at index `at` (0 <= at <= colCount); row 0 moves with its columns.
    // Error, nothing changed, when the grid already has kMaxColumns columns.
    void insertColumn(int at);
    // Removes column `at`; at least one column stays (Error otherwise, nothing changed).
    void removeColumn(int at);

    // Exchanges the whole contents of two grids: cells, sizes and fixed counts. Lets an edit
    // keep a former table aside without copying it.
    void swap(Grid& other) noexcept;

    // The widest table a row's cell count can describe.
    static constexpr int kMaxColumns = 65536;

    // Column 0 as a row number, the common case, without spelling it (-1 when it is text).
    // Numbers past 2^31 - 1 are kept as their text.
    long long rowLabelNumber(int row) const;
    void setRowLabelNumber(int row, long long number);

    // Reads a delimited text that the grid takes over (see LoadGridFromTextFile). `bytes`
    // holds `size` bytes of Windows-1251 text; returns the number of lines read. Refused with
    // an Error as soon as a line passes 65,535 fields, and before any work when the rows and
    // fields would take more memory than the file itself and 64 MB (a file of empty lines).
    // A cancelled read leaves the grid partly filled: read into a grid of its own.
    std::size_t loadDelimited(std::unique_ptr<char[]> bytes, std::size_t size, char delimiter,
                              const Progress& progress = {});

    // Bytes held for the cells (text chunks and per-row records), for benchmarks.
    std::size_t memoryBytes() const;
    // What the records of `rows` rows holding `fields` cells in all take beside the cells' bytes,
    // at most (a row of short cells keeps no cell ends): a reader checks it against its limit
    // before it makes the grid.
    static std::size_t recordBytes(std::size_t rows, std::size_t fields);

    // Empties every cell (c, r) with c >= firstCol and r >= firstRow; the size stays.
    void clearRange(int firstCol, int firstRow);

    // Drops the bytes no cell refers to any more.
    void compact();

    // Moves on with every change of a cell, the size or the order of rows and columns, and
    // is never the same for two grids: what was read from a grid at one revision (a section's
    // numbers) is still true while the revision stays. A swap gives both grids new ones.
    std::uint64_t revision() const { return revision_; }
    // The cell a single write of one cell changed, when that write is all that changed since
    // `revision`: a picture built at `revision` may then mend that one cell's part of itself.
    struct CellAt {
        int col = 0;
        int row = 0;
    };
    std::optional<CellAt> onlyCellWrittenSince(std::uint64_t revision) const
    {
        if (lastWrite_.after == revision_ && lastWrite_.before == revision)
            return CellAt{lastWrite_.col, lastWrite_.row};
        return std::nullopt;
    }

private:
    // One row: its stored cells are columns 1..n. A plain row keeps only where its text is and
    // how long it is: its cells are the pieces between separator bytes (no cell holds one).
    // An ended row points to an Ended record that knows where each cell ends.
    struct Row {
        std::uintptr_t ref = 0;  // plain: the text's address; ended: index into ended_
        std::uint32_t info = 0;  // kEnded, kFileSeparator and, for a plain row, its size
        std::int32_t label = -1; // column 0: >= 0 the number; -1 empty; <= -2 labelTexts_[-label-2]
    };
    // An ended row: cell i spans [start, end) of `text` where end = ends[i] and start =
    // previous end + 1 (a separator byte sits between cells).
    struct Ended {
        const char* text = nullptr;
        std::uint32_t size = 0;   // bytes of text
        std::uint32_t endsAt = 0; // index of the first end in ends16_ or ends32_
        std::uint16_t count = 0;  // stored cells (columns 1..count)
        std::uint8_t wide = 0;    // ends kept in ends32_ (a row longer than 65535 bytes)
    };
    struct Chunk {
        std::unique_ptr<char[]> bytes;
        std::size_t size = 0;
        std::size_t used = 0;
    };
    static constexpr std::uint32_t kEnded = 1u << 31;
    static constexpr std::uint32_t kFileSeparator = 1u << 30; // separator is fileSeparator_, not tab
    static constexpr std::uint32_t kSizeMask = kFileSeparator - 1;
    // The most cells and bytes a plain row holds: finding a cell by its separators stays cheap.
    static constexpr std::size_t kPlainCells = 64;
    static constexpr std::size_t kPlainBytes = 0xFFFF;

    static bool isEnded(const Row& row) { return (row.info & kEnded) != 0; }
    const Ended& ended(const Row& row) const { return ended_[row.ref]; }
    char separatorOf(const Row& row) const { return (row.info & kFileSeparator) != 0 ? fileSeparator_ : '\t'; }
    std::string_view textOf(const Row& row) const;
    std::size_t cellCountOf(const Row& row) const;
    std::size_t endOf(const Row& row, std::size_t i) const; // ended rows: end of cell i (0-based)
    void setPlain(Row& row, const char* text, std::size_t size, bool fileSeparator);
    void setEnded(Row& row, const char* text, std::size_t size, const std::vector<std::size_t>& ends,
                  bool fileSeparator);
    // The row's stored cells, at most `most` of them.
    void splitRow(const Row& row, std::vector<std::string_view>& cells,
                  std::size_t most = std::numeric_limits<std::size_t>::max()) const;
    // Keeps the first `keep` cells of a row; the rest stop being referenced.
    void truncateRow(Row& row, std::size_t keep);
    void rewriteRow(int row, int firstCol, const std::string_view* texts, std::size_t count);
    bool splicePlain(Row& row, std::size_t a, const std::string_view* texts, std::size_t fit);
    bool spliceEnded(Row& row, std::size_t a, const std::string_view* texts, std::size_t fit);
    // Rebuilds one row from its cells 0..n (label first) after `change` edited that list.
    template <class Change>
    void rebuildRow(std::size_t row, Change&& change);
    void storeRow(Row& row, const std::vector<std::string_view>& cells);
    char* allocText(std::size_t bytes);
    std::string_view storedCell(const Row& row, int col) const;
    std::size_t rowBytes(const Row& row) const;
    void markDead(const Row& row);
    void maybeCompact();
    void touch() { revision_ = NextRevision(); }
    static std::uint64_t NextRevision();
    void storeLabel(Row& row, std::string_view text);

    int colCount_ = 0;
    int fixedRows_ = 1;
    int fixedCols_ = 1;

    char fileSeparator_ = 0; // the delimiter of the file whose rows kFileSeparator marks
    std::vector<Row> rows_;
    std::vector<Ended> ended_;
    std::vector<std::uint16_t> ends16_;
    std::vector<std::uint32_t> ends32_;
    std::vector<Chunk> chunks_;
    std::vector<std::string> labelTexts_;
    std::vector<std::string_view> scratchCells_; // reused by row rewrites: no allocation per cell write
    std::vector<std::size_t> scratchEnds_;
    std::size_t liveBytes_ = 0;
    std::size_t deadBytes_ = 0;
    std::uint64_t revision_ = NextRevision();
    struct Write {
        std::uint64_t before = 0;
        std::uint64_t after = 0; // 0: none (no revision is 0)
        int col = 0;
        int row = 0;
    } lastWrite_;
    std::size_t nextChunk_ = 4096; // edit chunks start small (a short edit of a small table) and grow
    mutable char labelRing_[4][24] = {};
    mutable unsigned labelRingNext_ = 0;
};

// Rewrites row 0 and column 0 as the numbering: "0/0" in the corner, 1.. down and across.
void NumberGridHeaders(Grid& grid);
// Empties every cell (c, r) with c >= firstCol and r >= firstRow; the size stays.
void ClearGridCells(Grid& grid, int firstCol, int firstRow);

} // namespace trassel
