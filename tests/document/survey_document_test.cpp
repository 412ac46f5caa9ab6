#include "document/survey_document.h"

#include "base/error.h"
#include "base/cp1251.h"
#include "table/grid_io.h"

#include "document/document_state.h"
#include "support/error_text.h"
#include "support/numbered_grid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trassel {
namespace {

using Style = SurveyDocument::Style;

std::vector<std::string> column0(const SurveyDocument& doc)
{
    std::vector<std::string> out;
    for (int r = 0; r < doc.depthTable().rowCount(); ++r)
        out.push_back(doc.depthTable().cell(0, r));
    return out;
}

std::vector<std::string> row0(const SurveyDocument& doc)
{
    std::vector<std::string> out;
    for (int c = 0; c < doc.depthTable().colCount(); ++c)
        out.push_back(doc.depthTable().cell(c, 0));
    return out;
}

std::vector<std::string> numbers(int from, int to)
{
    std::vector<std::string> out;
    for (int i = from; i <= to; ++i)
        out.push_back(std::to_string(i));
    return out;
}

// The depth table cut down to `cols` x `rows` and numbered, for texts short enough to spell out.
void resize(SurveyDocument& doc, int cols, int rows)
{
    doc.depthTable().setColCount(cols);
    doc.depthTable().setRowCount(rows);
    NumberGridHeaders(doc.depthTable());
}

TEST(DocumentCopy, TheTextIsTheBodyJoinedByTabsAndCrLfThroughWindows1251)
{
    SurveyDocument doc;
    resize(doc, 4, 4);
    doc.writeCell(TableId::Depth, 1, 1, "Км");
    doc.writeCell(TableId::Depth, 2, 1, "м");
    doc.writeCell(TableId::Depth, 1, 2, "12");
    doc.writeCell(TableId::Depth, 2, 2, " 345.6 ");
    doc.writeCell(TableId::Depth, 3, 2, "✓ ок");
    doc.writeCell(TableId::Depth, 3, 3, "€ 日");
    // The numbering stays out, the header row goes in, every row ends with CR LF, blanks stay,
    // and what Windows-1251 lacks arrives as "?" (the euro sign it has).
    EXPECT_EQ(doc.copyTable(), "Км\tм\t\r\n12\t 345.6 \t? ок\r\n\t\t€ ?\r\n");
    // The copy reads the table and leaves it alone.
    EXPECT_EQ(doc.depthTable().cell(3, 2), "✓ ок");

    // Without a data column each row is empty; removing "the TAB after the last cell" then
    // takes the LF written for the row before.
    doc.depthTable().setColCount(1);
    EXPECT_EQ(doc.copyTable(), "\r\r\r\n");
}

TEST(DocumentCopy, CopyThenPasteOnTheSameTablePutsBackEveryCell)
{
    SurveyDocument doc;
    FillWithPositions(doc.depthTable());
    doc.writeCell(TableId::Depth, 1, 1, "Пикет");
    doc.writeCell(TableId::Depth, 2, 1, "Глубина, см");
    doc.writeCell(TableId::Depth, 3, 4, "  ёлка ");
    doc.writeCell(TableId::Depth, 9, 19, "");
    doc.writeCell(TableId::Depth, 9, 7, "12,5");
    doc.clearCells(TableId::Depth, {1, 15, 9, 19}); // empty trailing rows must come back empty
    doc.writeCell(TableId::Depth, 4, 17, "№ 3");
    const TableState copied = CaptureTable(doc);
    const std::string text = doc.copyTable();

    // Scribble over the table, then paste the copy back.
    doc.writeCell(TableId::Depth, 1, 1, "other");
    doc.writeCell(TableId::Depth, 9, 19, "filled");
    doc.writeCell(TableId::Depth, 3, 4, "");
    doc.clearCells(TableId::Depth, {5, 2, 8, 10});
    EXPECT_TRUE(doc.pasteTable(text));

    TableState pasted = CaptureTable(doc);
    // The paste applies the fixed rows of the header-row count.
    EXPECT_EQ(pasted.fixedRows, 2);
    pasted.fixedRows = copied.fixedRows;
    EXPECT_EQ(Difference(copied, pasted), "");
    EXPECT_EQ(doc.copyTable(), text);
}

TEST(DocumentPaste, LinesGoToRowsFromOneAndTheTableOnlyGrows)
{
    SurveyDocument doc;
    doc.writeCell(TableId::Depth, 2, 2, "old");
    doc.writeCell(TableId::Depth, 1, 3, "below");
    EXPECT_TRUE(doc.pasteTable("a\tb\r\nc"));
    const Grid& t = doc.depthTable();
    EXPECT_EQ(t.cell(1, 1), "a");
    EXPECT_EQ(t.cell(2, 1), "b");
    EXPECT_EQ(t.cell(1, 2), "c");   // the last line has no CR LF and is pasted all the same
    EXPECT_EQ(t.cell(2, 2), "old"); // outside the pasted block
    EXPECT_EQ(t.cell(1, 3), "below");
    EXPECT_EQ(t.colCount(), 10);
    EXPECT_EQ(t.rowCount(), 20);

    // A final CR LF ends the last line; it does not add an empty one.
    EXPECT_TRUE(doc.pasteTable("x\r\ny\r\n"));
    EXPECT_EQ(t.cell(1, 2), "y");
    EXPECT_EQ(t.cell(1, 3), "below");

    // Thirty lines make the table 31 rows long, numbered, with the range ending at the last.
    std::string lines;
    for (int i = 1; i <= 30; ++i)
        lines += "p" + std::to_string(i) + "\r\n";
    doc.setLastDataRow(7);
    EXPECT_TRUE(doc.pasteTable(lines));
    EXPECT_EQ(t.rowCount(), 31);
    EXPECT_EQ(t.cell(1, 30), "p30");
    EXPECT_EQ(t.cell(2, 1), "b");
    EXPECT_EQ(doc.lastDataRow(), 30);
    EXPECT_EQ(t.cell(0, 25), "25");
    EXPECT_EQ(t.cell(0, 30), "30");

    // Wider lines add columns, numbered too.
    EXPECT_TRUE(doc.pasteTable("1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11"));
    EXPECT_EQ(t.colCount(), 12);
    EXPECT_EQ(t.cell(11, 1), "11");
    EXPECT_EQ(t.cell(11, 0), "11");
}

TEST(DocumentPaste, AnEmptyTextPastesNothingButStillNumbersAndSetsRowsAndRange)
{
    SurveyDocument doc;
    EditRecorder sink;
    FillWithPositions(doc.depthTable());
    doc.setHeaderRowCount(2);
    doc.clearTable(); // one fixed row while two header rows are set
    doc.moveRow(TableId::Depth, 3, 7);
    doc.setLastDataRow(5);
    const TableState before = CaptureTable(doc);
    ASSERT_EQ(before.fixedRows, 1);
    ASSERT_EQ(doc.depthTable().cell(0, 7), "3");

    doc.setEditSink(&sink);
    EXPECT_FALSE(doc.pasteTable(""));
    std::vector<std::string> expected{"0/0"};
    for (const std::string& n : numbers(1, 19))
        expected.push_back(n);
    EXPECT_EQ(column0(doc), expected);
    EXPECT_EQ(doc.depthTable().fixedRows(), 3);
    EXPECT_EQ(doc.lastDataRow(), 19);
    EXPECT_EQ(doc.depthTable().cell(1, 1), "");

    // One step, and taking it back gives the moved numbering, the fixed row and the range back.
    ASSERT_EQ(sink.size(), 1u);
    sink.last().revert(doc);
    EXPECT_EQ(Difference(before, CaptureTable(doc)), "");
}

TEST(DocumentRowsAndColumns, BeforeAnySelectionTheyActAtRowAndColumnZero)
{
    {
        SurveyDocument doc;
        FillWithPositions(doc.depthTable());
        doc.insertRow();
        const Grid& t = doc.depthTable();
        EXPECT_EQ(t.rowCount(), 21);
        EXPECT_EQ(t.cell(0, 0), "0/0");
        for (int c = 0; c < t.colCount(); ++c)
            EXPECT_EQ(t.cell(c, 1), "") << c;
        EXPECT_EQ(t.cell(0, 2), "1");
        EXPECT_EQ(t.cell(3, 2), "3:1");
    }
    {
        SurveyDocument doc;
        FillWithPositions(doc.depthTable());
        doc.deleteRow();
        const Grid& t = doc.depthTable();
        EXPECT_EQ(t.rowCount(), 19);
        EXPECT_EQ(t.cell(0, 0), "1"); // row 0 itself went
        EXPECT_EQ(t.cell(2, 0), "2:1");
    }
    {
        SurveyDocument doc;
        FillWithPositions(doc.depthTable());
        doc.insertColumn();
        EXPECT_EQ(doc.depthTable().colCount(), 11);
        EXPECT_EQ(doc.depthTable().cell(1, 0), "");
        EXPECT_EQ(doc.depthTable().cell(1, 5), "");
        EXPECT_EQ(doc.depthTable().cell(2, 5), "1:5");
        doc.deleteColumn();
        EXPECT_EQ(doc.depthTable().colCount(), 10);
        EXPECT_EQ(doc.depthTable().cell(0, 0), ""); // column 0 went, the inserted one took its place
        EXPECT_EQ(doc.depthTable().cell(1, 3), "1:3");
    }
}

TEST(DocumentRowsAndColumns, NumbersMoveWithTheirLinesAndTheNewLineHasNone)
{
    SurveyDocument doc;
    EditRecorder sink;
    FillWithPositions(doc.depthTable());
    const TableState start = CaptureTable(doc);
    doc.setEditSink(&sink);

    doc.select(3, 5);
    doc.insertRow();
    std::vector<std::string> expected{"0/0"};
    for (const std::string& n : numbers(1, 5))
        expected.push_back(n);
    expected.push_back("");
    for (const std::string& n : numbers(6, 19))
        expected.push_back(n);
    EXPECT_EQ(column0(doc), expected);
    EXPECT_EQ(doc.depthTable().cell(3, 6), "");
    EXPECT_EQ(doc.depthTable().cell(3, 7), "3:6");
    // Neither the range nor the selection follows the rows.
    EXPECT_EQ(doc.firstDataRow(), 2);
    EXPECT_EQ(doc.lastDataRow(), 19);

    doc.select(4, 2);
    doc.insertColumn();
    EXPECT_EQ(row0(doc), (std::vector<std::string>{"0/0", "1", "2", "3", "4", "", "5", "6", "7", "8", "9"}));
    for (int r = 0; r < doc.depthTable().rowCount(); ++r)
        EXPECT_EQ(doc.depthTable().cell(5, r), "") << r;
    EXPECT_EQ(doc.depthTable().cell(6, 1), "5:1");

    doc.deleteColumn(); // column 4 itself
    EXPECT_EQ(row0(doc), (std::vector<std::string>{"0/0", "1", "2", "3", "", "5", "6", "7", "8", "9"}));
    doc.select(3, 7);
    doc.deleteRow(); // the row that was 6
    EXPECT_EQ(doc.depthTable().cell(0, 7), "7");
    EXPECT_EQ(doc.depthTable().cell(1, 7), "1:7");

    // A selection made in the borehole table is the same pair: the depth table acts on row 7.
    doc.select(3, 7);
    doc.deleteRow();
    EXPECT_EQ(doc.depthTable().cell(0, 7), "8");

    ASSERT_EQ(sink.size(), 5u);
    sink.revertAll(doc);
    EXPECT_EQ(Difference(start, CaptureTable(doc)), "");
}

TEST(DocumentFind, SearchesColumnOneBelowTheSelectionWithoutWrapping)
{
    SurveyDocument doc;
    doc.writeCell(TableId::Depth, 1, 3, "112.5");
    doc.writeCell(TableId::Depth, 2, 4, "12"); // another column: never found
    doc.writeCell(TableId::Depth, 1, 5, "12");
    doc.writeCell(TableId::Depth, 1, 8, "ПК12+50");
    doc.writeCell(TableId::Depth, 1, 10, "Км");

    EXPECT_EQ(doc.find(""), -1);
    EXPECT_EQ(doc.find("12"), 3); // nothing selected yet: from row 1 on
    EXPECT_EQ(doc.selRow(), 0);   // finding does not select; the view does
    doc.select(1, 3);
    EXPECT_EQ(doc.find("12"), 5);
    doc.select(1, 5);
    EXPECT_EQ(doc.find("12"), 8);
    doc.select(1, 8);
    EXPECT_EQ(doc.find("12"), -1); // row 3 above matches, but there is no wrap-around
    doc.select(1, 0);
    EXPECT_EQ(doc.find("км"), -1); // case-sensitive
    EXPECT_EQ(doc.find("Км"), 10);
    EXPECT_EQ(doc.find("12+"), 8);
}

TEST(DocumentRange, FirstRowNotBelowTheLastMovesTheLastAndTheCommandsUseSelRow)
{
    SurveyDocument doc;
    ASSERT_EQ(doc.firstDataRow(), 2);
    ASSERT_EQ(doc.lastDataRow(), 19);
    doc.setFirstDataRow(19);
    EXPECT_EQ(doc.firstDataRow(), 19);
    EXPECT_EQ(doc.lastDataRow(), 20);
    doc.setLastDataRow(3); // below the first row: accepted as it is
    EXPECT_EQ(doc.firstDataRow(), 19);
    EXPECT_EQ(doc.lastDataRow(), 3);
    doc.setFirstDataRow(2);
    EXPECT_EQ(doc.lastDataRow(), 3);
    doc.setFirstDataRow(3);
    EXPECT_EQ(doc.lastDataRow(), 4);

    doc.select(2, 7);
    doc.madeRowFirst();
    EXPECT_EQ(doc.firstDataRow(), 7);
    EXPECT_EQ(doc.lastDataRow(), 8); // the first-row rule holds for the command too
    doc.select(1, 12);               // as the borehole table selects
    doc.madeRowLast();
    EXPECT_EQ(doc.lastDataRow(), 12);
    doc.madeRowFirst();
    EXPECT_EQ(doc.firstDataRow(), 12);
    EXPECT_EQ(doc.lastDataRow(), 13);
    doc.select(4, 30); // past the table: not bounded
    doc.madeRowLast();
    EXPECT_EQ(doc.lastDataRow(), 30);
}

TEST(DocumentHeaderRows, ClearingKeepsOneFixedRowAndTheCountBringsThemBack)
{
    SurveyDocument doc;
    EditRecorder sink;
    FillWithPositions(doc.depthTable());
    doc.moveColumn(TableId::Depth, 2, 5);
    doc.writeCell(TableId::Depth, 0, 6, "ПК 5"); // a label that is no number
    doc.setHeaderRowCount(2);
    EXPECT_EQ(doc.depthTable().fixedRows(), 3);
    doc.setLastDataRow(11);
    const TableState before = CaptureTable(doc);
    const std::vector<std::string> labels = row0(doc);

    doc.setEditSink(&sink);
    doc.clearTable();
    const Grid& t = doc.depthTable();
    EXPECT_EQ(t.fixedRows(), 1);
    EXPECT_EQ(t.fixedCols(), 1);
    EXPECT_EQ(doc.settings().headerRowCount, 2);
    EXPECT_EQ(t.colCount(), 10);
    EXPECT_EQ(t.rowCount(), 20);
    for (int r = 1; r < t.rowCount(); ++r)
        for (int c = 1; c < t.colCount(); ++c)
            ASSERT_EQ(t.cell(c, r), "") << c << "," << r;
    EXPECT_EQ(row0(doc), labels); // the numbering survives as it was, moved column included
    EXPECT_EQ(t.cell(0, 6), "ПК 5");
    EXPECT_EQ(t.cell(0, 19), "19");
    EXPECT_EQ(doc.lastDataRow(), 11);

    ASSERT_EQ(sink.size(), 1u);
    sink.last().revert(doc);
    EXPECT_EQ(Difference(before, CaptureTable(doc)), "");
    sink.last().apply(doc);
    EXPECT_EQ(t.fixedRows(), 1);
    EXPECT_EQ(t.cell(1, 1), "");

    doc.setHeaderRowCount(2); // the same count again still restores the fixed rows
    EXPECT_EQ(t.fixedRows(), 3);
    doc.setHeaderRowCount(0);
    EXPECT_EQ(t.fixedRows(), 1);
    doc.setHeaderRowCount(10);
    EXPECT_EQ(t.fixedRows(), 11);

    // Fixed rows that would reach the row count are refused and stay as they were.
    for (int i = 0; i < 8; ++i)
        doc.deleteRow();
    ASSERT_EQ(t.rowCount(), 12);
    EXPECT_EQ(errorText([&] { doc.setHeaderRowCount(11); }), "Fixed row count must be less than row count");
    EXPECT_EQ(t.fixedRows(), 11);
    EXPECT_EQ(errorText([&] { doc.setHeaderRowCount(10); }), "(no error)");
}

TEST(DocumentClearCells, EmptiesExactlyTheRectangle)
{
    SurveyDocument doc;
    EditRecorder sink;
    FillWithPositions(doc.depthTable());
    const TableState before = CaptureTable(doc);
    doc.setEditSink(&sink);

    doc.clearCells(TableId::Depth, {2, 3, 4, 6});
    const Grid& t = doc.depthTable();
    for (int r = 0; r < t.rowCount(); ++r) {
        for (int c = 0; c < t.colCount(); ++c) {
            const bool inside = c >= 2 && c <= 4 && r >= 3 && r <= 6;
            EXPECT_EQ(t.cell(c, r), inside ? std::string() : before.cells[static_cast<std::size_t>(r * 10 + c)])
                << c << "," << r;
        }
    }
    ASSERT_EQ(sink.size(), 1u);

    // A rectangle reaching past the table is cut at its edge; the table does not grow.
    doc.clearCells(TableId::Depth, {8, 18, 15, 30});
    EXPECT_EQ(t.colCount(), 10);
    EXPECT_EQ(t.rowCount(), 20);
    EXPECT_EQ(t.cell(9, 19), "");
    EXPECT_EQ(t.cell(7, 19), "7:19");
    EXPECT_EQ(t.cell(9, 17), "9:17");

    // Clearing cells that are empty already is no step.
    doc.clearCells(TableId::Depth, {2, 3, 4, 6});
    EXPECT_EQ(sink.size(), 2u);
    sink.revertAll(doc);
    EXPECT_EQ(Difference(before, CaptureTable(doc)), "");
}

TEST(DocumentImport, AFailingFileLeavesTheTableExactlyAsItWas)
{
    SurveyDocument doc;
    EditRecorder sink;
    FillWithPositions(doc.depthTable());
    doc.writeCell(TableId::Depth, 2, 3, "Глубина");
    doc.moveRow(TableId::Depth, 2, 9);
    doc.setHeaderRowCount(2);
    doc.setRange(4, 9);
    const TableState before = CaptureTable(doc);
    doc.setEditSink(&sink);

    // Line 2 has one field more than a row of the grid can hold.
    const std::string file = "a\tb\r\n" + std::string(0xFFFF, '\t') + "\r\nc\r\n";
    EXPECT_EQ(errorText([&] { Import(doc, file); }), "Слишком много полей в строке 2");
    EXPECT_EQ(Difference(before, CaptureTable(doc)), "");
    EXPECT_EQ(GridExportText(doc.depthTable()), before.exportText);
    EXPECT_EQ(sink.size(), 0u);
}

TEST(DocumentImport, TheWidestLineAGridHoldsImportsLikeItPastes)
{
    // A row holds 65535 cells besides its number, so a line of 65535 fields fits: the paste
    // takes it, and the import of the same line must too.
    std::string line(0xFFFE, '\t');
    line.insert(0, "first");
    line += "last";
    SurveyDocument pasted;
    ASSERT_TRUE(pasted.pasteTable(line));
    EXPECT_EQ(pasted.depthTable().colCount(), Grid::kMaxColumns);
    EXPECT_EQ(pasted.depthTable().cell(Grid::kMaxColumns - 1, 1), "last");

    SurveyDocument imported;
    EXPECT_EQ(errorText([&] { Import(imported, line); }), "(no error)");
    EXPECT_EQ(imported.depthTable().colCount(), Grid::kMaxColumns);
    EXPECT_EQ(imported.depthTable().cell(Grid::kMaxColumns - 1, 1), "last");
    EXPECT_EQ(imported.depthTable().cell(1, 1), "first");
}

TEST(DocumentImport, UndoingAnImportGivesTheFormerTableAndRangeBack)
{
    SurveyDocument doc;
    EditRecorder sink;
    FillWithPositions(doc.depthTable());
    doc.writeCell(TableId::Depth, 4, 4, "ёж");
    doc.moveColumn(TableId::Depth, 1, 3);
    doc.setRange(3, 7);
    doc.setHeaderRowCount(2);
    doc.clearTable();
    doc.writeCell(TableId::Depth, 5, 5, "kept");
    const TableState before = CaptureTable(doc);
    doc.setEditSink(&sink);

    std::string file = EncodeCp1251("Участок\r\nкм\tм\tглубина\r\n");
    for (int i = 0; i < 24; ++i)
        file += std::to_string(i) + "\t" + std::to_string(i * 10) + "\t" + std::to_string(100 + i) + "\r\n";
    EXPECT_TRUE(Import(doc, file));
    const Grid& t = doc.depthTable();
    EXPECT_EQ(t.rowCount(), 27);
    EXPECT_EQ(t.colCount(), 10);
    EXPECT_EQ(t.cell(1, 1), "Участок");
    EXPECT_EQ(t.cell(3, 2), "глубина");
    EXPECT_EQ(t.cell(3, 26), "123");
    EXPECT_EQ(t.cell(5, 5), ""); // the import starts from an empty body
    EXPECT_EQ(t.cell(0, 26), "26");
    EXPECT_EQ(t.cell(1, 0), "1");
    EXPECT_EQ(t.fixedRows(), 3);
    EXPECT_EQ(doc.firstDataRow(), 3);
    EXPECT_EQ(doc.lastDataRow(), 26);
    const TableState imported = CaptureTable(doc);

    ASSERT_EQ(sink.size(), 1u);
    sink.last().revert(doc);
    EXPECT_EQ(Difference(before, CaptureTable(doc)), "");
    sink.last().apply(doc);
    EXPECT_EQ(Difference(imported, CaptureTable(doc)), "");

    // An empty file reads nothing but renumbers and sets the range.
    doc.writeCell(TableId::Depth, 0, 4, "метка");
    doc.writeCell(TableId::Depth, 7, 0, "");
    doc.setLastDataRow(9);
    sink.edits.clear();
    EXPECT_FALSE(Import(doc, ""));
    EXPECT_EQ(Difference(imported, CaptureTable(doc)), "");
    ASSERT_EQ(sink.size(), 1u);
    sink.last().revert(doc);
    EXPECT_EQ(t.cell(0, 4), "метка");
    EXPECT_EQ(t.cell(7, 0), "");
    EXPECT_EQ(doc.lastDataRow(), 9);
}

TEST(DocumentHalfDone, ACommandRefusedHalfWayLeavesOneStepThatTakesItBack)
{
    SurveyDocument doc;
    FillWithPositions(doc.depthTable());
    doc.select(0, 1);
    for (int i = 0; i < 12; ++i)
        doc.deleteRow();
    ASSERT_EQ(doc.depthTable().rowCount(), 8);
    ASSERT_EQ(doc.depthTable().cell(0, 1), "13");
    EXPECT_EQ(errorText([&] { doc.setHeaderRowCount(10); }), "Fixed row count must be less than row count");
    const TableState before = CaptureTable(doc);

    {
        SCOPED_TRACE("paste");
        EditRecorder sink;
        doc.setEditSink(&sink);
        EXPECT_EQ(errorText([&] { doc.pasteTable("p\tq\r\nr"); }), "Fixed row count must be less than row count");
        // Pasted and numbered before the refusal; the range comes after it and is not reached.
        EXPECT_EQ(doc.depthTable().cell(1, 1), "p");
        EXPECT_EQ(doc.depthTable().cell(1, 2), "r");
        EXPECT_EQ(doc.depthTable().cell(0, 1), "1");
        EXPECT_EQ(doc.depthTable().fixedRows(), 1);
        EXPECT_EQ(doc.lastDataRow(), 19);
        ASSERT_EQ(sink.size(), 1u);
        sink.last().revert(doc);
        EXPECT_EQ(Difference(before, CaptureTable(doc)), "");
        doc.setEditSink(nullptr);
    }
    {
        SCOPED_TRACE("import");
        EditRecorder sink;
        doc.setEditSink(&sink);
        EXPECT_EQ(errorText([&] { Import(doc, "a\tb\r\nc\r\n"); }), "Fixed row count must be less than row count");
        EXPECT_EQ(doc.depthTable().cell(1, 1), "a");
        EXPECT_EQ(doc.depthTable().cell(2, 3), "");
        EXPECT_EQ(doc.depthTable().cell(0, 1), "1");
        EXPECT_EQ(doc.lastDataRow(), 19);
        const TableState half = CaptureTable(doc);
        ASSERT_EQ(sink.size(), 1u);
        sink.last().revert(doc);
        EXPECT_EQ(Difference(before, CaptureTable(doc)), "");
        sink.last().apply(doc);
        EXPECT_EQ(Difference(half, CaptureTable(doc)), "");
        doc.setEditSink(nullptr);
    }
}

TEST(DocumentPickets, RecalculationRewritesColumnsOneAndTwoAndTakesBackExactly)
{
    SurveyDocument doc;
    EditRecorder sink;
    const char* rows[][3] = {
        {"км", "м", "h"},     {"12", "345.6", "100"}, {"12", "300", "110"},
        {"7", "1250", "120"}, {"-1", "50", "130"},    {"12,5", "40", "140"},
        {"", "", "150"},      {"abc", "5", "160"},    {"12.3", " 45 ", "170"},
    };
    for (int i = 0; i < 9; ++i)
        for (int c = 0; c < 3; ++c)
            doc.writeCell(TableId::Depth, c + 1, i + 1, rows[i][c]);
    const TableState before = CaptureTable(doc);
    doc.setEditSink(&sink);

    doc.recalcPickets();
    const Grid& t = doc.depthTable();
    EXPECT_EQ(t.cell(1, 1), "км"); // the header row stays
    EXPECT_EQ(t.cell(2, 1), "м");
    EXPECT_EQ(t.cell(1, 2), "123.46");
    EXPECT_EQ(t.cell(2, 2), "123+46");
    EXPECT_EQ(t.cell(1, 3), "123");
    EXPECT_EQ(t.cell(2, 3), "123");
    EXPECT_EQ(t.cell(1, 4), "82.5");
    EXPECT_EQ(t.cell(2, 5), "-9+5");
    EXPECT_EQ(t.cell(1, 6), "120.4");
    EXPECT_EQ(t.cell(1, 7), "0");
    EXPECT_EQ(t.cell(1, 8), "0.05"); // a text that is no number reads 0 and does not stop the rows after it
    EXPECT_EQ(t.cell(2, 9), "123+45");
    EXPECT_EQ(t.cell(1, 19), "0"); // rows past the data too
    EXPECT_EQ(t.cell(3, 5), "130");
    const TableState after = CaptureTable(doc);

    ASSERT_EQ(sink.size(), 1u);
    sink.last().revert(doc);
    EXPECT_EQ(Difference(before, CaptureTable(doc)), "");
    sink.last().apply(doc);
    EXPECT_EQ(Difference(after, CaptureTable(doc)), "");
}

// A small survey for the diagram: pickets in column 1, depths in columns 2 and 3.
void fillSurvey(SurveyDocument& doc)
{
    doc.writeCell(TableId::Depth, 1, 1, "ПК");
    doc.writeCell(TableId::Depth, 3, 1, "Граница");
    for (int r = 2; r < 20; ++r) {
        doc.writeCell(TableId::Depth, 1, r, std::to_string(100 + r) + ".5");
        doc.writeCell(TableId::Depth, 2, r, std::to_string(50 + r));
        doc.writeCell(TableId::Depth, 3, r, std::to_string(100 + 10 * (r - 2)));
    }
}

TEST(DocumentDiagram, KeysCorrectTheCellUnderTheCursorAndRunsOfOneCellAreOneStep)
{
    SurveyDocument doc;
    EditRecorder sink;
    fillSurvey(doc);
    doc.select(3, 4);
    doc.addLayer();
    doc.layers().select(doc.layers().Layers(0).Item); // the cursor follows the selected layer's column
    doc.buildChart();
    const TableState before = CaptureTable(doc);
    doc.setEditSink(&sink);
    const Grid& t = doc.depthTable();

    // Each correction says what it did, for the status bar.
    EXPECT_EQ(doc.chartKeyDown(DiagramKey::Up), (Correction{3, 2, "100", "99"}));
    doc.chartKeyDown(DiagramKey::Up);
    EXPECT_EQ(doc.chartKeyDown(DiagramKey::Down), (Correction{3, 2, "98", "99"}));
    EXPECT_EQ(t.cell(3, 2), "99");
    EXPECT_EQ(doc.diagram().cursor().Col, 3);
    EXPECT_DOUBLE_EQ(doc.diagram().cursor().Y, 99.0); // rebuilt after each key
    ASSERT_EQ(sink.size(), 1u);

    EXPECT_EQ(doc.chartKeyDown(DiagramKey::Right), std::nullopt); // moves the cursor, changes no cell
    EXPECT_EQ(sink.size(), 1u);
    doc.chartKeyDown(DiagramKey::Down);
    EXPECT_EQ(t.cell(3, 3), "111");
    ASSERT_EQ(sink.size(), 2u); // another cell: another step, though the key is the same
    doc.chartKeyDown(DiagramKey::Left);
    EXPECT_EQ(doc.chartKeyDown(DiagramKey::Delete), (Correction{3, 2, "99", ""}));
    EXPECT_EQ(t.cell(3, 2), "");
    ASSERT_EQ(sink.size(), 3u);                                // Delete is a step of its own
    EXPECT_EQ(doc.chartKeyDown(DiagramKey::Up), std::nullopt); // an empty cell has no depth to correct
    EXPECT_EQ(sink.size(), 3u);

    sink.edits[2]->revert(doc);
    EXPECT_EQ(t.cell(3, 2), "99");
    sink.edits[1]->revert(doc);
    EXPECT_EQ(t.cell(3, 3), "110");
    sink.edits[0]->revert(doc);
    EXPECT_EQ(t.cell(3, 2), "100");
    EXPECT_EQ(Difference(before, CaptureTable(doc)), "");
    sink.applyAll(doc);
    EXPECT_EQ(t.cell(3, 2), "");
    EXPECT_EQ(t.cell(3, 3), "111");
}

TEST(DocumentLayers, ADeletedLayerComesBackInItsSlotWithEverythingItHad)
{
    SurveyDocument doc;
    doc.setPicturesFollow(false); // the edits alone: this table has nothing to draw
    EditRecorder sink;
    LayerManager& layers = doc.layers();
    doc.setPicketColumnText("2");
    for (int col : {3, 5, 4}) {
        doc.select(col, 5);
        doc.addLayer();
    }
    const EntryId middle = layers.Layers(1).Item;
    layers.select(middle);
    doc.setSelectedLayerStyle(Style::LineWidth, 5);
    doc.setSelectedLayerStyle(Style::LineColor, 0x123456);
    doc.setSelectedLayerStyle(Style::BrushStyle, 4);
    doc.setSelectedLayerStyle(Style::BrushColor, 0x00FF00);
    doc.setSelectedLayerStyle(Style::PointColor, 0x0000AA);
    doc.setLayerChecked(middle, false);
    const TLayer kept = layers.Layers(1);
    const int position = layers.positionOf(middle);
    const LayerEntry entry = layers.entryAt(position);
    const std::string seriesName = doc.chart().series(kept.Series).name();
    const int drawnAt = doc.chart().attachedPosition(kept.Series);
    ASSERT_EQ(seriesName, "Series1");
    ASSERT_GE(drawnAt, 0);

    doc.setEditSink(&sink);
    ASSERT_TRUE(doc.deleteSelectedLayer());
    ASSERT_EQ(sink.size(), 1u);
    ASSERT_EQ(layers.LayerCount(), 2);
    EXPECT_EQ(layers.Layers(1).DepthColumn, 4);
    EXPECT_EQ(layers.positionOf(middle), -1);

    sink.last().revert(doc);
    ASSERT_EQ(layers.LayerCount(), 3);
    const TLayer& back = layers.Layers(1);
    EXPECT_EQ(back.Item, middle);
    EXPECT_EQ(back.DepthColumn, 5);
    EXPECT_EQ(back.PicketColumn, 2);
    EXPECT_EQ(back.PointColor, 0x0000AAu);
    EXPECT_EQ(back.LineWidth, 5);
    EXPECT_EQ(back.LineColor, 0x123456u);
    EXPECT_EQ(back.BrushStyle, 4);
    EXPECT_EQ(back.BrushColor, 0x00FF00u);
    EXPECT_EQ(layers.Layers(0).DepthColumn, 3);
    EXPECT_EQ(layers.Layers(2).DepthColumn, 4);
    EXPECT_EQ(layers.positionOf(middle), position);
    EXPECT_EQ(layers.entryAt(position).caption, entry.caption);
    EXPECT_FALSE(layers.isChecked(middle));
    ASSERT_TRUE(doc.chart().exists(back.Series));
    EXPECT_EQ(doc.chart().series(back.Series).name(), seriesName);
    EXPECT_EQ(doc.chart().attachedPosition(back.Series), drawnAt);

    sink.last().apply(doc);
    EXPECT_EQ(layers.LayerCount(), 2);
    EXPECT_EQ(layers.positionOf(middle), -1);
    EXPECT_FALSE(doc.deleteSelectedLayer()); // nothing is selected any more
    EXPECT_EQ(sink.size(), 1u);
}

TEST(DocumentLayers, UndoingAnAddedLayerGivesBackItsColour)
{
    SurveyDocument doc;
    EditRecorder sink;
    doc.setEditSink(&sink);
    LayerManager& layers = doc.layers();
    doc.select(2, 2);
    doc.addLayer();
    const Color first = layers.Layers(0).PointColor;
    ASSERT_EQ(sink.size(), 1u);

    sink.last().revert(doc);
    EXPECT_EQ(layers.LayerCount(), 0);
    sink.last().apply(doc);
    ASSERT_EQ(layers.LayerCount(), 1);
    EXPECT_EQ(layers.Layers(0).PointColor, first);
    EXPECT_TRUE(doc.chart().isAttached(layers.Layers(0).Series));
    doc.addLayer();
    EXPECT_EQ(layers.Layers(1).PointColor, 0x11885Au); // the generator went on from the redone layer

    // Undone, the colours are drawn again from where they were before.
    sink.edits[1]->revert(doc);
    sink.edits[0]->revert(doc);
    doc.addLayer();
    EXPECT_EQ(layers.Layers(0).PointColor, first);
}

TEST(DocumentLayers, CheckAndStyleChangesRevertExactlyAndStepsOfOneStyleMerge)
{
    SurveyDocument doc;
    doc.setPicturesFollow(false); // the edits alone: this table has nothing to draw
    EditRecorder sink;
    LayerManager& layers = doc.layers();
    doc.select(3, 2);
    doc.addLayer();
    doc.select(4, 2);
    doc.addLayer();
    const EntryId a = layers.Layers(0).Item;
    const EntryId b = layers.Layers(1).Item;
    const Color pointColor = layers.Layers(0).PointColor;
    doc.setEditSink(&sink);

    doc.setLayerChecked(a, false);
    ASSERT_EQ(sink.size(), 1u);
    doc.setLayerChecked(a, false); // no change, no step
    EXPECT_EQ(sink.size(), 1u);
    sink.last().revert(doc);
    EXPECT_TRUE(layers.isChecked(a));
    sink.last().apply(doc);
    EXPECT_FALSE(layers.isChecked(a));
    EXPECT_TRUE(layers.isChecked(b));
    sink.edits.clear();

    doc.setSelectedLayerStyle(Style::LineWidth, 9); // nothing selected: nothing to restyle
    EXPECT_EQ(sink.size(), 0u);
    layers.select(a);
    doc.setSelectedLayerStyle(Style::LineWidth, 4);
    doc.setSelectedLayerStyle(Style::LineWidth, 6);
    doc.setSelectedLayerStyle(Style::LineWidth, 9);
    ASSERT_EQ(sink.size(), 1u);
    EXPECT_EQ(layers.Layers(0).LineWidth, 9);
    doc.setSelectedLayerStyle(Style::LineColor, 0xFF);
    doc.setSelectedLayerStyle(Style::BrushStyle, 6);
    doc.setSelectedLayerStyle(Style::PointColor, 0xABCDEF);
    ASSERT_EQ(sink.size(), 4u); // a different style is a different step
    layers.select(b);
    doc.setSelectedLayerStyle(Style::PointColor, 0x111111);
    ASSERT_EQ(sink.size(), 5u); // the same style of another layer too
    EXPECT_EQ(layers.Layers(0).PointColor, 0xABCDEFu);

    sink.revertAll(doc);
    const TLayer& la = layers.Layers(0);
    EXPECT_EQ(la.LineWidth, 3);
    EXPECT_EQ(la.LineColor, 0u);
    EXPECT_EQ(la.BrushStyle, 0);
    EXPECT_EQ(la.PointColor, pointColor);
    EXPECT_EQ(layers.Layers(1).PointColor, 0x11885Au);
    sink.applyAll(doc);
    EXPECT_EQ(layers.Layers(0).LineWidth, 9);
    EXPECT_EQ(layers.Layers(0).LineColor, 0xFFu);
    EXPECT_EQ(layers.Layers(0).BrushStyle, 6);
    EXPECT_EQ(layers.Layers(0).PointColor, 0xABCDEFu);
    EXPECT_EQ(layers.Layers(1).PointColor, 0x111111u);
}

TEST(DocumentCellBlocks, CopiedRectanglesAreTabbedLinesAndPastesPastTheEndGrowNumbered)
{
    SurveyDocument doc;
    EditRecorder sink;
    FillWithPositions(doc.depthTable());
    EXPECT_EQ(doc.copyCells(TableId::Depth, {2, 3, 4, 5}), "2:3\t3:3\t4:3\r\n2:4\t3:4\t4:4\r\n2:5\t3:5\t4:5\r\n");
    const TableState before = CaptureTable(doc);
    doc.setEditSink(&sink);

    const CellRect written = doc.pasteCellsAt(TableId::Depth, 8, 18, "a\tb\tc\r\nd\te\tf\r\ng\th\ti");
    EXPECT_EQ(written, (CellRect{8, 18, 10, 20}));
    const Grid& t = doc.depthTable();
    EXPECT_EQ(t.colCount(), 11);
    EXPECT_EQ(t.rowCount(), 21);
    EXPECT_EQ(t.cell(8, 18), "a");
    EXPECT_EQ(t.cell(10, 18), "c");
    EXPECT_EQ(t.cell(10, 20), "i");
    EXPECT_EQ(t.cell(0, 20), "20"); // the new row and column are numbered
    EXPECT_EQ(t.cell(10, 0), "10");
    EXPECT_EQ(t.cell(7, 18), "7:18");
    EXPECT_EQ(t.cell(10, 5), "");
    EXPECT_EQ(t.cell(3, 20), "");
    const TableState after = CaptureTable(doc);
    ASSERT_EQ(sink.size(), 1u);
    sink.last().revert(doc);
    EXPECT_EQ(Difference(before, CaptureTable(doc)), "");
    sink.last().apply(doc);
    EXPECT_EQ(Difference(after, CaptureTable(doc)), "");

    // A block copied and pasted elsewhere arrives as it was; lone LFs end lines here too.
    const CellRect moved = doc.pasteCellsAt(TableId::Depth, 5, 10, doc.copyCells(TableId::Depth, {2, 3, 4, 5}));
    EXPECT_EQ(moved, (CellRect{5, 10, 7, 12}));
    EXPECT_EQ(doc.copyCells(TableId::Depth, moved), doc.copyCells(TableId::Depth, {2, 3, 4, 5}));
    doc.pasteCellsAt(TableId::Depth, 0, 0, "x\ny"); // the numbering is not pasted over
    EXPECT_EQ(t.cell(1, 1), "x");
    EXPECT_EQ(t.cell(1, 2), "y");
    EXPECT_EQ(t.cell(0, 1), "1");
}

TEST(DocumentUndo, TakingBackAStepKeepsTheRangeAndHeaderRowsSetSince)
{
    // Typing a cell, inserting a row and clearing the table change neither the working range
    // nor the fixed rows; taking them back must not undo what the user set afterwards.
    {
        SCOPED_TRACE("typed cell");
        SurveyDocument doc;
        EditRecorder sink;
        doc.setEditSink(&sink);
        doc.writeCell(TableId::Depth, 1, 5, "x");
        doc.setFirstDataRow(4);
        doc.setLastDataRow(10);
        doc.setHeaderRowCount(2);
        sink.last().revert(doc);
        EXPECT_EQ(doc.depthTable().cell(1, 5), "");
        EXPECT_EQ(doc.firstDataRow(), 4);
        EXPECT_EQ(doc.lastDataRow(), 10);
        EXPECT_EQ(doc.depthTable().fixedRows(), 3);
    }
    {
        SCOPED_TRACE("inserted row");
        SurveyDocument doc;
        EditRecorder sink;
        doc.setEditSink(&sink);
        doc.insertRow();
        doc.setHeaderRowCount(2);
        sink.last().revert(doc);
        EXPECT_EQ(doc.depthTable().rowCount(), 20);
        EXPECT_EQ(doc.depthTable().fixedRows(), 3);
    }
    {
        SCOPED_TRACE("cleared table");
        SurveyDocument doc;
        EditRecorder sink;
        doc.setEditSink(&sink);
        doc.writeCell(TableId::Depth, 1, 5, "x");
        doc.clearTable();
        doc.setFirstDataRow(4);
        doc.setLastDataRow(10);
        sink.last().revert(doc);
        EXPECT_EQ(doc.depthTable().cell(1, 5), "x");
        EXPECT_EQ(doc.firstDataRow(), 4);
        EXPECT_EQ(doc.lastDataRow(), 10);
    }
}

TEST(CorrectionText, NamesTheLayerTheRowAndWhatChanged)
{
    SurveyDocument doc;
    doc.depthTable().setCell(3, 2, "10");
    doc.select(3, 2);
    doc.addLayer();
    EXPECT_EQ(DescribeCorrection(doc.layers(), {3, 57, "54", "52"}), "Слой по К№3, строка 57: 54 → 52");
    EXPECT_EQ(DescribeCorrection(doc.layers(), {3, 8, "", "1"}), "Слой по К№3, строка 8: (пусто) → 1");
    EXPECT_EQ(DescribeCorrection(doc.layers(), {3, 9, "40", ""}),
              "Слой по К№3, строка 9: значение 40 удалено, ячейка пуста. Стрелки правят снова после щелчка по точке "
              "диаграммы.");
    // A column no layer shows is named as a column.
    EXPECT_EQ(DescribeCorrection(doc.layers(), {6, 2, "1", "2"}), "Столбец 6, строка 2: 1 → 2");
}

TEST(DocumentDiagram, TheCursorMovedToARowIsDrawnThereOnceTheDiagramIsBuilt)
{
    SurveyDocument doc;
    EditRecorder sink;
    fillSurvey(doc);
    doc.select(3, 4);
    doc.addLayer();
    doc.setEditSink(&sink);
    // Before a build the row is only kept: nothing is drawn and no step recorded.
    doc.moveChartCursor(7);
    EXPECT_EQ(doc.diagram().cursor().Row, 7);
    EXPECT_FALSE(doc.diagramBuilt());
    doc.buildChart();
    EXPECT_DOUBLE_EQ(doc.diagram().cursor().X, 107.5);
    // Once built, the cross moves with the row at once.
    doc.moveChartCursor(12);
    EXPECT_EQ(doc.diagram().cursor().Row, 12);
    EXPECT_DOUBLE_EQ(doc.diagram().cursor().X, 112.5);
    EXPECT_DOUBLE_EQ(doc.diagram().cursor().Y, 200.0);
    EXPECT_EQ(sink.size(), 0u) << "the cursor is no data";
}

} // namespace
} // namespace trassel
