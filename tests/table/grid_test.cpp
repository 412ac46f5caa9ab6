#include "base/error.h"
#include "table/grid.h"

#include "support/numbered_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using namespace trassel;

TEST(Grid, NumberingAndClearingKeepTheHeaders)
{
    Grid g(3, 4);
    NumberGridHeaders(g);
    EXPECT_EQ(g.cell(0, 0), "0/0");
    EXPECT_EQ(g.cell(1, 0), "1");
    EXPECT_EQ(g.cell(2, 0), "2");
    EXPECT_EQ(g.cell(0, 1), "1");
    EXPECT_EQ(g.cell(0, 3), "3");
    g.setCell(1, 1, "a");
    g.setCell(2, 3, "b");
    ClearGridCells(g, 1, 1);
    EXPECT_EQ(g.cell(1, 1), "");
    EXPECT_EQ(g.cell(2, 3), "");
    EXPECT_EQ(g.cell(2, 0), "2");
    EXPECT_EQ(g.cell(0, 3), "3");
    EXPECT_EQ(g.colCount(), 3);
    EXPECT_EQ(g.rowCount(), 4);
}

TEST(Grid, CellsOutsideTheRectangleAreEmptyAndWritesThereAreIgnored)
{
    Grid g(10, 20);
    g.setCell(12, 1, "x");
    g.setCell(1, 25, "x");
    g.setCell(-1, 1, "x");
    EXPECT_EQ(g.cell(12, 1), "");
    EXPECT_EQ(g.cell(-3, -3), "");
    EXPECT_EQ(g.colCount(), 10);
    EXPECT_EQ(g.rowCount(), 20);
}

TEST(Grid, ShrinkingDiscardsCellsForGood)
{
    Grid g(10, 20);
    for (int r = 1; r < 20; ++r)
        for (int c = 1; c < 10; ++c)
            g.setCell(c, r, std::to_string(c * 100 + r));
    g.setRowCount(5);
    g.setRowCount(20);
    for (int r = 5; r < 20; ++r)
        EXPECT_EQ(g.cell(1, r), "") << r;
    EXPECT_EQ(g.cell(9, 4), "904");
    g.setColCount(3);
    g.setColCount(10);
    EXPECT_EQ(g.cell(2, 4), "204");
    EXPECT_EQ(g.cell(3, 4), "");
    EXPECT_EQ(g.cell(9, 1), "");
}

TEST(Grid, FixedRowsMustStayBelowTheRowCount)
{
    Grid g(10, 20);
    EXPECT_EQ(g.fixedRows(), 1);
    g.setFixedRows(11);
    EXPECT_EQ(g.fixedRows(), 11);
    try {
        g.setFixedRows(20);
        FAIL() << "accepted";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Fixed row count must be less than row count");
    }
    EXPECT_EQ(g.fixedRows(), 11);
}

TEST(Grid, TextIsStoredExactlyAndRewritesKeepTheNeighbours)
{
    Grid g(6, 3);
    g.setCell(2, 1, "  12.5 ");
    g.setCell(4, 1, "Песок\tс\r\nгравием");
    g.setCell(1, 1, "first");
    EXPECT_EQ(g.cell(2, 1), "  12.5 ");
    EXPECT_EQ(g.cell(4, 1), "Песок\tс\r\nгравием");
    EXPECT_EQ(g.cell(1, 1), "first");
    EXPECT_EQ(g.cell(3, 1), "");
    g.setCell(4, 1, "");
    EXPECT_EQ(g.cell(2, 1), "  12.5 ");
    g.setCell(2, 1, std::string_view{}); // a null view empties the cell like ""
    EXPECT_EQ(g.cell(2, 1), "");
    g.setCell(2, 1, "  12.5 ");
    EXPECT_EQ(g.cell(4, 1), "");
    // A cell may be written with a view of another cell of the same grid.
    g.setCell(5, 1, g.cellView(2, 1));
    EXPECT_EQ(g.cell(5, 1), "  12.5 ");
}

TEST(Grid, ColumnZeroKeepsNumbersAndTexts)
{
    Grid g(3, 5);
    g.setCell(0, 1, "7");
    g.setCell(0, 2, "007");
    g.setCell(0, 3, "ПК");
    g.setCell(0, 4, "");
    EXPECT_EQ(g.rowLabelNumber(1), 7);
    EXPECT_EQ(g.cell(0, 2), "007");
    EXPECT_EQ(g.cell(0, 3), "ПК");
    EXPECT_EQ(g.cell(0, 4), "");
    // Several number views may be held at once.
    const auto a = g.cellView(0, 1);
    g.setCell(0, 4, "12");
    const auto b = g.cellView(0, 4);
    EXPECT_EQ(a, "7");
    EXPECT_EQ(b, "12");
}

TEST(Grid, MovingRowsAndColumnsCarriesTheirHeaderCells)
{
    Grid g(4, 5);
    FillWithPositions(g);
    g.moveRow(1, 3);
    EXPECT_EQ(g.cell(0, 3), "1");
    EXPECT_EQ(g.cell(1, 3), "1:1");
    EXPECT_EQ(g.cell(1, 1), "1:2");
    EXPECT_EQ(g.cell(0, 1), "2");
    g.moveColumn(3, 1);
    EXPECT_EQ(g.cell(1, 0), "3");
    EXPECT_EQ(g.cell(1, 1), "3:2");
    EXPECT_EQ(g.cell(2, 1), "1:2");
    EXPECT_EQ(g.cell(3, 0), "2");
    EXPECT_EQ(g.cell(0, 1), "2"); // column 0 untouched by a data column move
}

TEST(Grid, ManyRewritesCompactWithoutLosingCells)
{
    Grid g(4, 2001);
    const std::string longText(200, 'x');
    std::size_t most = 0;
    for (int round = 0; round < 40; ++round) {
        for (int r = 1; r < 2001; ++r)
            g.setCell(1 + round % 3, r, longText + std::to_string(round * 10000 + r));
        most = std::max(most, g.memoryBytes());
    }
    // Dead bytes from earlier rounds are dropped once they pass 4 MB and outweigh the live
    // ones: at no time is more kept than the live cells, those 4 MB and the chunk being
    // filled, far less than 40 rounds' worth (16 MB).
    const std::size_t live = std::size_t{3} * 2000 * (longText.size() + 6);
    EXPECT_LT(most, live + (std::size_t{6} << 20));
    EXPECT_EQ(g.cell(1, 7), longText + std::to_string(39 * 10000 + 7));
    EXPECT_EQ(g.cell(3, 2000), longText + std::to_string(38 * 10000 + 2000));
    EXPECT_EQ(g.cell(2, 1), longText + std::to_string(37 * 10000 + 1));
}

TEST(Grid, RowsLongerThanSixtyFourKilobytes)
{
    Grid g(4, 3);
    const std::string big(70000, 'a');
    g.setCell(1, 1, big);
    g.setCell(3, 1, "tail");
    EXPECT_EQ(g.cell(1, 1), big);
    EXPECT_EQ(g.cell(3, 1), "tail");
    g.compact();
    EXPECT_EQ(g.cell(1, 1), big);
    EXPECT_EQ(g.cell(3, 1), "tail");
}

TEST(Grid, EveryChangeMovesTheRevisionAndNoTwoGridsShareOne)
{
    Grid grid(4, 5);
    Grid other(4, 5);
    EXPECT_NE(grid.revision(), other.revision());
    const auto moves = [&](const char* what, auto&& change) {
        const auto before = grid.revision();
        change();
        EXPECT_NE(grid.revision(), before) << what;
    };
    moves("a cell", [&] { grid.setCell(1, 1, "7"); });
    moves("a row label", [&] { grid.setCell(0, 2, "x"); });
    moves("cells of a row", [&] {
        const std::string_view texts[] = {"1", "2"};
        grid.setCells(2, 1, texts, 2);
    });
    moves("a row inserted", [&] { grid.insertRow(1); });
    moves("a row removed", [&] { grid.removeRow(1); });
    moves("a row moved", [&] { grid.moveRow(1, 3); });
    moves("a column inserted", [&] { grid.insertColumn(1); });
    moves("a column removed", [&] { grid.removeColumn(1); });
    moves("a column moved", [&] { grid.moveColumn(1, 2); });
    moves("the row count", [&] { grid.setRowCount(8); });
    moves("the column count", [&] { grid.setColCount(6); });
    moves("cleared", [&] { grid.clearRange(1, 1); });
    const auto mine = grid.revision();
    const auto theirs = other.revision();
    grid.swap(other);
    EXPECT_NE(grid.revision(), mine);
    EXPECT_NE(grid.revision(), theirs);
    EXPECT_NE(other.revision(), mine);
    EXPECT_NE(other.revision(), theirs);
    // Reading changes nothing.
    const auto now = grid.revision();
    (void)grid.cellView(1, 1);
    grid.compact();
    EXPECT_EQ(grid.revision(), now);
}

namespace {

// The grid's cells as plain strings, row by row (column 0 and row 0 included): what every
// operation of the grid must amount to, however the grid stores its rows.
struct Model {
    std::vector<std::vector<std::string>> cells;
    int cols = 0;

    Model(int c, int r)
        : cells(static_cast<std::size_t>(r), std::vector<std::string>(static_cast<std::size_t>(c))), cols(c)
    {
    }
    int rows() const { return static_cast<int>(cells.size()); }
    void set(int c, int r, const std::string& t)
    {
        if (c >= 0 && r >= 0 && c < cols && r < rows())
            cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = t;
    }
};

std::string Join(const std::vector<std::string_view>& cells, std::size_t n, char separator)
{
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0)
            out += separator;
        out.append(cells[i]);
    }
    return out;
}

// "" when the grid shows exactly the model's cells, and its row reads agree with its cells.
std::string Mismatch(const Grid& g, const Model& m)
{
    if (g.colCount() != m.cols || g.rowCount() != m.rows())
        return "size " + std::to_string(g.colCount()) + "x" + std::to_string(g.rowCount());
    std::vector<std::string_view> row;
    std::vector<std::string_view> part;
    for (int r = 0; r < m.rows(); ++r) {
        for (int c = 0; c < m.cols; ++c)
            if (g.cellView(c, r) != m.cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)])
                return "cell " + std::to_string(c) + "," + std::to_string(r) + ": \"" + g.cell(c, r) + "\"";
        g.rowCells(r, row);
        for (int c = 1; c < m.cols; ++c) {
            const std::string_view read = static_cast<std::size_t>(c - 1) < row.size()
                                              ? row[static_cast<std::size_t>(c - 1)]
                                              : std::string_view();
            if (read != m.cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)])
                return "rowCells " + std::to_string(c) + "," + std::to_string(r);
        }
        // Reading only the first cells of the row stops there and reads the same.
        for (const int lastCol : {0, 1, 2, m.cols / 2, m.cols - 1, m.cols + 3}) {
            g.rowCells(r, lastCol, part);
            const std::size_t want = std::min(row.size(), static_cast<std::size_t>(std::max(lastCol, 0)));
            if (part.size() != want || !std::equal(part.begin(), part.end(), row.begin()))
                return "rowCells up to " + std::to_string(lastCol) + " of row " + std::to_string(r);
        }
        // A row given as plain text splits at its separators into the very cells of the row.
        std::string_view text;
        char plainSeparator = 0;
        if (g.plainRowText(r, text, plainSeparator)) {
            std::vector<std::string_view> pieces;
            for (std::size_t start = 0; !text.empty();) {
                const std::size_t at = text.find(plainSeparator, start);
                pieces.push_back(
                    text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
                if (at == std::string_view::npos)
                    break;
                start = at + 1;
            }
            if (pieces.size() < row.size() || !std::equal(row.begin(), row.end(), pieces.begin()))
                return "plainRowText " + std::to_string(r);
            for (std::size_t i = row.size(); i < pieces.size(); ++i)
                if (!pieces[i].empty())
                    return "plainRowText holds more than row " + std::to_string(r);
        }
        char separator = 0;
        int n = 0;
        const std::string_view block = g.rowBlock(r, separator, n);
        if (static_cast<std::size_t>(n) > row.size() || block != Join(row, static_cast<std::size_t>(n), separator))
            return "rowBlock " + std::to_string(r);
        for (std::size_t i = static_cast<std::size_t>(n); i < row.size(); ++i)
            if (!row[i].empty())
                return "rowBlock leaves out cell " + std::to_string(i + 1) + " of row " + std::to_string(r);
    }
    return "";
}

} // namespace

TEST(Grid, EveryEditReadsBackAsAPlainTableWouldWhateverTheRowsHold)
{
    // Short rows that are found by their separators and rows that keep their cell ends (wider
    // than 64 cells, longer than 64 KB, cells holding a tab) through every kind of edit.
    std::mt19937 rnd(17);
    const auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rnd() % static_cast<unsigned>(hi - lo + 1)); };
    const std::vector<std::string> pool = {"",    "1",      "12.5",  "12,5",       " 7",         "abc",       "x\ty",
                                           "a;b", "Песок",  "007",   "3000000000", "\t",         "\r\n",      "0",
                                           "-1",  "ПК1+00", "a b c", "1E-6",       "2147483647", "2147483648"};
    const auto text = [&]() -> std::string {
        const int kind = pick(0, 40);
        if (kind == 0)
            return std::string(static_cast<std::size_t>(pick(30'000, 70'000)), 'w');
        if (kind < 4)
            return std::string(static_cast<std::size_t>(pick(1, 300)), static_cast<char>('a' + pick(0, 25)));
        return pool[static_cast<std::size_t>(pick(0, static_cast<int>(pool.size()) - 1))];
    };
    Grid g(8, 12);
    Model m(8, 12);
    for (int step = 0; step < 3000; ++step) {
        const int op = pick(0, 15);
        const int c = pick(0, m.cols + 1);
        const int r = pick(0, m.rows() + 1);
        if (op <= 5) {
            const std::string t = text();
            g.setCell(c, r, t);
            m.set(c, r, t);
        } else if (op <= 7) {
            // A run of cells in one row, sometimes wide enough for a row of 70 cells or more.
            std::vector<std::string> texts(static_cast<std::size_t>(pick(1, pick(0, 5) == 0 ? 90 : 6)));
            for (std::string& t : texts)
                t = text();
            if (c + static_cast<int>(texts.size()) > m.cols && m.cols < 120) {
                const int cols = std::min(120, c + static_cast<int>(texts.size()));
                g.setColCount(cols);
                for (auto& row : m.cells)
                    row.resize(static_cast<std::size_t>(cols));
                m.cols = cols;
            }
            const std::vector<std::string_view> views(texts.begin(), texts.end());
            g.setCells(r, c, views.data(), views.size());
            for (std::size_t i = 0; i < texts.size(); ++i)
                m.set(c + static_cast<int>(i), r, texts[i]);
        } else if (op == 8) {
            const int at = std::min(r, m.rows());
            g.insertRow(at);
            m.cells.insert(m.cells.begin() + at, std::vector<std::string>(static_cast<std::size_t>(m.cols)));
        } else if (op == 9 && m.rows() > 1 && r < m.rows()) {
            g.removeRow(r);
            m.cells.erase(m.cells.begin() + r);
        } else if (op == 10 && m.cols < 120) {
            const int at = std::min(c, m.cols);
            g.insertColumn(at);
            for (auto& row : m.cells)
                row.insert(row.begin() + at, std::string());
            ++m.cols;
        } else if (op == 11 && m.cols > 1 && c < m.cols) {
            g.removeColumn(c);
            for (auto& row : m.cells)
                row.erase(row.begin() + c);
            --m.cols;
        } else if (op == 12 && r < m.rows()) {
            const int to = pick(0, m.rows() - 1);
            g.moveRow(r, to);
            auto first = m.cells.begin();
            if (r < to)
                std::rotate(first + r, first + r + 1, first + to + 1);
            else if (to < r)
                std::rotate(first + to, first + r, first + r + 1);
        } else if (op == 13 && c < m.cols) {
            const int to = pick(0, m.cols - 1);
            g.moveColumn(c, to);
            for (auto& row : m.cells) {
                auto first = row.begin();
                if (c < to)
                    std::rotate(first + c, first + c + 1, first + to + 1);
                else if (to < c)
                    std::rotate(first + to, first + c, first + c + 1);
            }
        } else if (op == 14) {
            const int cols = pick(1, m.cols + 2);
            const int rows = pick(1, m.rows() + 2);
            g.setColCount(cols);
            g.setRowCount(rows);
            for (auto& row : m.cells)
                row.resize(static_cast<std::size_t>(cols));
            m.cols = cols;
            m.cells.resize(static_cast<std::size_t>(rows), std::vector<std::string>(static_cast<std::size_t>(cols)));
        } else if (op == 15) {
            if (pick(0, 3) == 0) {
                g.compact();
            } else {
                const int fc = pick(0, m.cols);
                const int fr = pick(0, m.rows());
                g.clearRange(fc, fr);
                for (int rr = fr; rr < m.rows(); ++rr)
                    for (int cc = fc; cc < m.cols; ++cc)
                        m.set(cc, rr, "");
            }
        }
        if (step % 25 == 0 || step > 2950) {
            ASSERT_EQ(Mismatch(g, m), "") << "after step " << step << " (operation " << op << ")";
        }
    }
}

TEST(Grid, ReadRowsAreTheFileWhateverTheirKind)
{
    // A file of short rows, a row of 100 fields, a row past 64 KB, a Windows-1251 row and an
    // empty line, split at ";" with tabs inside the fields; then edits in each kind of row.
    std::string text = "1;2;3\r\n";
    std::vector<std::vector<std::string>> want = {{"1", "2", "3"}};
    std::vector<std::string> wide;
    for (int i = 0; i < 100; ++i)
        wide.push_back(i % 7 == 0 ? "" : "w" + std::to_string(i));
    want.push_back(wide);
    want.push_back({std::string(70'000, 'L'), "tail"});
    want.push_back({"a\tb", "", "\t"});
    want.push_back({""});
    want.push_back({"Песок", "x"});
    std::string body;
    for (std::size_t r = 1; r < want.size(); ++r) {
        for (std::size_t i = 0; i < want[r].size(); ++i)
            body += (i > 0 ? ";" : "") + (r == 5 && i == 0 ? std::string("\xcf\xe5\xf1\xee\xea") : want[r][i]);
        body += "\r\n";
    }
    text += body;
    auto bytes = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), bytes.get());
    Grid g(2, 2);
    EXPECT_EQ(g.loadDelimited(std::move(bytes), text.size(), ';'), want.size());
    EXPECT_EQ(g.colCount(), 101);
    Model m(101, static_cast<int>(want.size()) + 1);
    for (std::size_t r = 0; r < want.size(); ++r)
        for (std::size_t i = 0; i < want[r].size(); ++i)
            m.set(static_cast<int>(i) + 1, static_cast<int>(r) + 1, want[r][i]);
    EXPECT_EQ(Mismatch(g, m), "");
    // The file's rows hold ";" between cells; a write keeps the rest of the row as it was.
    for (int r = 1; r <= static_cast<int>(want.size()); ++r) {
        g.setCell(2, r, "new;cell");
        m.set(2, r, "new;cell");
        g.setCell(1, r, "\t");
        m.set(1, r, "\t");
    }
    EXPECT_EQ(Mismatch(g, m), "");
    g.compact();
    EXPECT_EQ(Mismatch(g, m), "");
}

TEST(Grid, RowNumbersPastTwoBillionAreKeptAsTheirText)
{
    Grid g(3, 4);
    g.setCell(0, 1, "2147483647");
    g.setCell(0, 2, "2147483648");
    g.setRowLabelNumber(3, 5'000'000'000LL);
    EXPECT_EQ(g.rowLabelNumber(1), 2147483647);
    EXPECT_EQ(g.cell(0, 2), "2147483648");
    EXPECT_EQ(g.rowLabelNumber(2), -1);
    EXPECT_EQ(g.cell(0, 3), "5000000000");
    g.setRowLabelNumber(3, 3);
    EXPECT_EQ(g.cell(0, 3), "3");
}
