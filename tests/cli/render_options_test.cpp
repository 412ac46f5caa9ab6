#include "cli/render_options.h"

#include "base/error.h"
#include "document/survey_document.h"
#include "base/cp1251.h"
#include "table/grid.h"
#include "base/numbers.h"
#include "layers/layers.h"
#include "table/pickets.h"

#include "support/error_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace trassel {
namespace {

RenderOptions Parse(std::initializer_list<const char*> args)
{
    std::vector<std::string> list(args.begin(), args.end());
    return ParseRenderOptions(list);
}

std::string ParseError(std::initializer_list<const char*> args)
{
    return errorText([&] { Parse(args); });
}

FileBytes BytesOf(const std::string& text)
{
    FileBytes bytes;
    bytes.size = text.size();
    bytes.data = std::make_unique<char[]>(text.size());
    std::memcpy(bytes.data.get(), text.data(), text.size());
    return bytes;
}

// A depth table file of one title row and the given picket cells in column 1 (rows 2..),
// depths in 2, read as a file on disk is: Windows-1251.
void FillPickets(Grid& grid, const std::vector<std::string>& pickets)
{
    std::string text = "ПК\tГлубина\r\n";
    for (const std::string& p : pickets)
        text += p + "\t100\r\n";
    LoadDepthTable(grid, BytesOf(EncodeCp1251(text)), '\t', 1);
}

TEST(RenderOptions, TheExampleCommandLineGivesLayersInSlotOrderWithTheirStyles)
{
    const RenderOptions o = Parse({"--table", "examples/survey_depths.txt", "--recalc-pickets", "--layer", "3",
                                   "--layer", "4:fill=4:color=2060A0", "--layer=5:width=1:line=FF0000", "-o",
                                   "section.png"});
    EXPECT_FALSE(o.help);
    EXPECT_EQ(o.table, "examples/survey_depths.txt");
    EXPECT_TRUE(o.recalcPickets);
    EXPECT_EQ(o.output, "section.png");
    EXPECT_EQ(o.headerRows, 1);
    EXPECT_EQ(o.delimiter, '\t');
    ASSERT_EQ(o.layers.size(), 3U);
    // A layer nobody styled looks like a layer the window has just added.
    const SectionLayer plain = o.layers[0];
    EXPECT_EQ(plain.depthColumn, 3);
    EXPECT_EQ(plain.picketColumn, 1);
    EXPECT_EQ(plain.lineWidth, 3);
    EXPECT_EQ(plain.lineColor, 0U);
    EXPECT_EQ(plain.brushColor, 0xFFFFFFU);
    EXPECT_EQ(plain.brushStyle, 0);
    EXPECT_TRUE(plain.checked);
    // RRGGBB on the command line, 0x00BBGGRR in the program.
    EXPECT_EQ(o.layers[1].depthColumn, 4);
    EXPECT_EQ(o.layers[1].brushStyle, 4);
    EXPECT_EQ(o.layers[1].brushColor, 0xA06020U);
    EXPECT_EQ(o.layers[2].depthColumn, 5);
    EXPECT_EQ(o.layers[2].lineWidth, 1);
    EXPECT_EQ(o.layers[2].lineColor, 0x0000FFU);
}

TEST(RenderOptions, SettingsReachTheirFieldsWhateverTheirOrder)
{
    const RenderOptions o = Parse({"--layer",
                                   "7",
                                   "--picket-column",
                                   "2",
                                   "--delimiter",
                                   "semicolon",
                                   "--header-rows=3",
                                   "--table",
                                   "t.csv",
                                   "--boreholes",
                                   "b.txt",
                                   "--scale-x",
                                   "200",
                                   "--scale-y",
                                   "1.5",
                                   "--max-depth",
                                   "400",
                                   "--depth-step",
                                   "25",
                                   "--surface",
                                   "80",
                                   "--left",
                                   "40",
                                   "--right",
                                   "60",
                                   "--range",
                                   "pk:125..131.5",
                                   "--sheet",
                                   "10",
                                   "--output",
                                   "out/s.PDF"});
    // The picket column given after a layer still is that layer's.
    ASSERT_EQ(o.layers.size(), 1U);
    EXPECT_EQ(o.layers[0].picketColumn, 2);
    EXPECT_EQ(o.picketColumn, 2);
    EXPECT_EQ(o.delimiter, ';');
    EXPECT_EQ(o.headerRows, 3);
    EXPECT_EQ(o.boreholes, "b.txt");
    EXPECT_EQ(o.range, (RangeOption{RangeOption::Kind::Pickets, 125, 131.5}));
    EXPECT_EQ(o.sheetPickets, 10);
    EXPECT_EQ(OutputFormat(o.output), "pdf");

    const SectionParams p = ApplyParamOptions(SectionParams{}, o.params);
    EXPECT_EQ(p.SX, 200);
    EXPECT_FLOAT_EQ(p.SY, 1.5F);
    EXPECT_EQ(p.Dmax, 400);
    EXPECT_EQ(p.step, 25);
    EXPECT_EQ(p.H, 80);
    EXPECT_EQ(p.Lleft, 40);
    EXPECT_EQ(p.R, 60);
    // What the command line leaves alone keeps the base's value.
    SectionParams base;
    base.ISSO = 123;
    base.SX = 17;
    const SectionParams kept = ApplyParamOptions(base, Parse({"--table", "t", "--layer", "3", "-o", "a.png"}).params);
    EXPECT_EQ(kept.SX, 17);
    EXPECT_EQ(kept.ISSO, 123);
    EXPECT_FALSE(Parse({"--table", "t", "--layer", "3", "-o", "a.png"}).params.any());

    EXPECT_EQ(Parse({"--table", "t", "--layer", "3", "--delimiter", "comma", "-o", "a.bmp"}).delimiter, ',');
    EXPECT_EQ(Parse({"--table", "t", "--layer", "3", "--delimiter", "space", "-o", "a.bmp"}).delimiter, ' ');
    EXPECT_EQ(Parse({"--table", "t", "--layer", "3", "--delimiter", "|", "-o", "a.bmp"}).delimiter, '|');
    EXPECT_EQ(Parse({"--table", "t", "--layer", "3", "--range", "5..9", "-o", "a.svg"}).range,
              (RangeOption{RangeOption::Kind::Rows, 5, 9}));
    const RenderOptions ws = Parse({"--workspace", "line.trassel", "--sheet", "5", "-o", "a.jpeg"});
    EXPECT_EQ(ws.workspace, "line.trassel");
    EXPECT_TRUE(ws.layers.empty());
}

TEST(RenderOptions, HelpAndDiagramNeedNothingElse)
{
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_TRUE(Parse({"--layer", "x", "-h", "--bogus"}).help);
    EXPECT_TRUE(Parse({"--diagram"}).diagram);
    // Every option the parser takes is described in the help with an example.
    const std::string usage = RenderUsage();
    for (const char* option : {"--table",          "--workspace",  "--header-rows", "--delimiter", "--picket-column",
                               "--recalc-pickets", "--layer",      "--boreholes",   "--scale-x",   "--scale-y",
                               "--max-depth",      "--depth-step", "--surface",     "--left",      "--right",
                               "--range",          "--sheet",      "--output",      "--diagram",   "--help"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

TEST(RenderOptions, MalformedCommandLinesAreRefusedWithOneLineNamingTheOption)
{
    const auto table = [](std::initializer_list<const char*> extra) {
        std::vector<std::string> args{"--table", "t.txt", "--layer", "3", "-o", "a.png"};
        args.insert(args.end(), extra.begin(), extra.end());
        return errorText([&] { ParseRenderOptions(args); });
    };
    EXPECT_EQ(ParseError({"--bogus"}), "Неизвестный параметр \"--bogus\" (параметры см. trassel-render --help)");
    EXPECT_EQ(ParseError({"stray"}), "Лишний аргумент \"stray\" (параметры см. trassel-render --help)");
    EXPECT_EQ(ParseError({"--table"}), "Параметр --table: не задано значение");
    EXPECT_EQ(ParseError({"--recalc-pickets=1"}), "Параметр --recalc-pickets: у этого параметра нет значения");
    // Numbers are read as the window reads them, and its text is what the user sees.
    EXPECT_EQ(table({"--scale-x", "abc"}), "Параметр --scale-x: 'abc' is not a valid integer value");
    EXPECT_EQ(table({"--scale-y", "1,5"}), "Параметр --scale-y: '1,5' is not a valid floating point value");
    EXPECT_EQ(table({"--layer", "x"}), "Параметр --layer: 'x' is not a valid integer value");
    EXPECT_EQ(table({"--layer", "0"}), "Параметр --layer: номер столбца глубин должен быть не меньше 1, а не \"0\"");
    EXPECT_EQ(table({"--layer", "3:fill=17"}),
              "Параметр --layer fill: заливка задаётся числом от 0 до 16, а не \"17\"");
    EXPECT_EQ(ParseLayerOption("3:fill=15", 1).brushStyle, 15); // the fill ground's hatch
    EXPECT_EQ(table({"--layer", "3:color=12345"}),
              "Параметр --layer color: цвет \"12345\" нужно задать шестью шестнадцатеричными цифрами RRGGBB");
    EXPECT_EQ(table({"--layer", "3:line=GG0000"}),
              "Параметр --layer line: цвет \"GG0000\" нужно задать шестью шестнадцатеричными цифрами RRGGBB");
    EXPECT_EQ(table({"--layer", "3:width=0"}), "Параметр --layer width: толщина линии должна быть не меньше 1");
    EXPECT_EQ(table({"--layer", "3:hatch=2"}),
              "Параметр --layer: неизвестное свойство \"hatch\" (width, line, fill, color)");
    EXPECT_EQ(table({"--layer", "3:fill"}), "Параметр --layer: ожидается свойство=значение, а не \"fill\"");
    EXPECT_EQ(table({"--delimiter", "pipe"}),
              "Параметр --delimiter: ожидается tab, comma, semicolon, space или один символ, а не \"pipe\"");
    EXPECT_EQ(table({"--range", "5-9"}),
              "Параметр --range: ожидается A..B (строки) или pk:A..B (пикеты), а не \"5-9\"");
    EXPECT_EQ(table({"--range", "9..5"}), "Параметр --range: начало \"9\" стоит после конца \"5\"");
    EXPECT_EQ(table({"--range", "pk:1..x"}), "Параметр --range: 'x' is not a valid floating point value");
    EXPECT_EQ(table({"--sheet", "0"}), "Параметр --sheet: длина листа в пикетах должна быть больше нуля");
    EXPECT_EQ(table({"--header-rows", "-1"}),
              "Параметр --header-rows: число строк заголовка не может быть отрицательным");
    EXPECT_EQ(table({"--picket-column", "0"}),
              "Параметр --picket-column: номер столбца пикетов должен быть не меньше 1");
    EXPECT_EQ(table({"--depth-step", "0"}), "Параметр --depth-step: шаг шкалы глубин должен быть не меньше 1");
    EXPECT_EQ(table({"-o", "a.gif"}),
              "Параметр --output: формат файла \"a.gif\" определяется расширением: png, jpg, jpeg, bmp, pdf или svg");
    EXPECT_EQ(table({"-o", "dir.png/section"}), "Параметр --output: формат файла \"dir.png/section\" определяется "
                                                "расширением: png, jpg, jpeg, bmp, pdf или svg");

    const std::string noInput = "Задайте что рисовать: --table ФАЙЛ со слоями --layer или --workspace ФАЙЛ.trassel";
    EXPECT_EQ(ParseError({"-o", "a.png"}), noInput);
    EXPECT_EQ(ParseError({"--table", "t", "--workspace", "w", "-o", "a.png"}), noInput);
    EXPECT_EQ(ParseError({"--table", "t", "--layer", "3"}),
              "Не задан файл результата: -o ФАЙЛ (png, jpg, bmp, pdf или svg)");
    EXPECT_EQ(ParseError({"--table", "t", "-o", "a.png"}),
              "Не задано ни одного слоя: --layer СТОЛБЕЦ (например, --layer 3)");
    EXPECT_EQ(ParseError({"--workspace", "w", "--layer", "3", "-o", "a.png"}),
              "Параметр --layer: относится к таблице (--table); рабочий файл несёт свои таблицы, настройки и слои");
    EXPECT_EQ(
        ParseError({"--workspace", "w", "--recalc-pickets", "-o", "a.png"}),
        "Параметр --recalc-pickets: относится к таблице (--table); рабочий файл несёт свои таблицы, настройки и слои");
}

TEST(RenderOptions, ValuesBeyondWhatTheWindowHoldsAreRefusedInOneLine)
{
    const auto table = [](std::initializer_list<const char*> extra) {
        std::vector<std::string> args{"--table", "t.txt", "--layer", "3", "-o", "a.png"};
        args.insert(args.end(), extra.begin(), extra.end());
        return errorText([&] { ParseRenderOptions(args); });
    };
    // Sheets from a metre to a hundred thousand kilometres: their numbers and names stay exact.
    EXPECT_EQ(table({"--sheet", "1e17"}), "Параметр --sheet: длина листа в пикетах должна быть не больше 1000000");
    EXPECT_EQ(table({"--sheet", "1e-300"}), "Параметр --sheet: длина листа в пикетах должна быть не меньше 0.01");
    EXPECT_EQ(table({"--sheet", "-1e-300"}), "Параметр --sheet: длина листа в пикетах должна быть больше нуля");
    EXPECT_EQ(table({"--sheet", "0.01"}), "(no error)");
    EXPECT_EQ(table({"--sheet", "1000000"}), "(no error)");
    // "Количество заголовочных строк" runs 0..10.
    EXPECT_EQ(table({"--header-rows", "2147483647"}),
              "Параметр --header-rows: число строк заголовка не может быть больше 10");
    EXPECT_EQ(table({"--header-rows", "11"}), "Параметр --header-rows: число строк заголовка не может быть больше 10");
    EXPECT_EQ(table({"--header-rows", "10"}), "(no error)");
    // A table holds columns 1..65535 after its label column.
    EXPECT_EQ(table({"--layer", "65536"}),
              "Параметр --layer: номер столбца глубин должен быть не больше 65535, а не \"65536\"");
    EXPECT_EQ(table({"--layer", "65535"}), "(no error)");
    EXPECT_EQ(table({"--picket-column", "1000000000"}),
              "Параметр --picket-column: номер столбца пикетов должен быть не больше 65535");
    // "толщина" runs 1..100.
    EXPECT_EQ(table({"--layer", "3:width=101"}), "Параметр --layer width: толщина линии должна быть не больше 100");
    EXPECT_EQ(table({"--layer", "3:width=100"}), "(no error)");
    // The scales: at least a pixel a picket; a depth scale above zero that a float holds.
    EXPECT_EQ(table({"--scale-x", "0"}), "Параметр --scale-x: масштаб X должен быть не меньше 1");
    EXPECT_EQ(table({"--scale-x", "-1"}), "Параметр --scale-x: масштаб X должен быть не меньше 1");
    EXPECT_EQ(table({"--scale-x", "1"}), "(no error)");
    EXPECT_EQ(table({"--scale-y", "0"}), "Параметр --scale-y: масштаб Y должен быть больше нуля");
    EXPECT_EQ(table({"--scale-y", "-1.5"}), "Параметр --scale-y: масштаб Y должен быть больше нуля");
    EXPECT_EQ(table({"--scale-y", "1e300"}), "Параметр --scale-y: масштаб Y должен быть не больше 2147483647");
    EXPECT_EQ(table({"--scale-y", "0.5"}), "(no error)");
    // "Глубина поверхности" runs 25..150.
    EXPECT_EQ(table({"--surface", "24"}),
              "Параметр --surface: глубина поверхности задаётся числом от 25 до 150, а не \"24\"");
    EXPECT_EQ(table({"--surface", "2147483647"}),
              "Параметр --surface: глубина поверхности задаётся числом от 25 до 150, а не \"2147483647\"");
    EXPECT_EQ(table({"--surface", "150"}), "(no error)");

    // As many layers as the window's layer list holds, and not one more.
    std::vector<std::string> args{"--table", "t.txt", "-o", "a.png"};
    for (int i = 0; i < LayerManager::kLayerSlots; ++i) {
        args.push_back("--layer");
        args.push_back("3");
    }
    EXPECT_EQ(ParseRenderOptions(args).layers.size(), static_cast<std::size_t>(LayerManager::kLayerSlots));
    args.push_back("--layer=4");
    EXPECT_EQ(errorText([&] { ParseRenderOptions(args); }), "Параметр --layer: слоёв не может быть больше 61");
}

TEST(RenderTable, LoadingGivesTheTableTheWindowsImportGives)
{
    const std::string path = TRASSEL_SOURCE_DIR "/examples/survey_depths.txt";
    for (int headerRows : {1, 2}) {
        SurveyDocument doc;
        doc.setHeaderRowCount(headerRows);
        FileBytes forDoc = ReadWholeFile(path);
        ASSERT_TRUE(doc.importTable(std::move(forDoc.data), forDoc.size));
        doc.recalcPickets();

        Grid grid(2, 2);
        LoadDepthTable(grid, ReadWholeFile(path), '\t', headerRows);
        RecalcPickets(grid, headerRows);
        const Grid& expected = doc.depthTable();
        // The window's table starts larger (10 × 20); the file's part is what the section reads.
        EXPECT_EQ(grid.rowCount(), expected.rowCount());
        EXPECT_EQ(grid.fixedRows(), expected.fixedRows()) << headerRows;
        ASSERT_GE(grid.colCount(), 6);
        for (int r = 0; r < expected.rowCount(); ++r)
            for (int c = 0; c < grid.colCount(); ++c)
                ASSERT_EQ(grid.cellView(c, r), expected.cellView(c, r)) << c << ", " << r;
    }
    Grid grid(2, 2);
    LoadDepthTable(grid, BytesOf("a;b;c\r\n1;2;3\r\n"), ';', 1);
    EXPECT_EQ(grid.cell(3, 2), "3");
    EXPECT_EQ(grid.cell(0, 2), "2"); // numbered
    EXPECT_EQ(errorText([] {
                  Grid g(2, 2);
                  LoadDepthTable(g, FileBytes{}, '\t', 1);
              }),
              "Файл пустой!");
    // Only title rows: the grid refuses them as the window's import does.
    EXPECT_EQ(errorText([] {
                  Grid g(2, 2);
                  LoadDepthTable(g, BytesOf("ПК\r\n"), '\t', 1);
              }),
              "Fixed row count must be less than row count");
}

TEST(RenderRange, RowsAndPicketsChooseTheRowsToDraw)
{
    Grid grid(2, 2);
    FillPickets(grid, {"10", "10.5", "11", "11.25", "12", "13"}); // rows 2..7
    const RowSpan whole{2, 7};
    EXPECT_EQ(ResolveRange(grid, 1, RangeOption{}, whole), whole);
    EXPECT_EQ(ResolveRange(grid, 1, {RangeOption::Kind::Rows, 3, 5}, whole), (RowSpan{3, 5}));
    // Both ends included; a picket off by rounding still counts.
    EXPECT_EQ(ResolveRange(grid, 1, {RangeOption::Kind::Pickets, 10.5, 12}, whole), (RowSpan{3, 6}));
    EXPECT_EQ(ResolveRange(grid, 1, {RangeOption::Kind::Pickets, 10.4, 11.3}, whole), (RowSpan{3, 5}));
    EXPECT_EQ(ResolveRange(grid, 1, {RangeOption::Kind::Pickets, 0.1 * 3 * 40, 13}, whole), (RowSpan{6, 7}));
    EXPECT_EQ(ResolveRange(grid, 1, {RangeOption::Kind::Pickets, 12.5, 13}, whole), (RowSpan{7, 7}));
    EXPECT_EQ(ResolveRange(grid, 1, {RangeOption::Kind::Pickets, 0, 100}, whole), whole);
    EXPECT_EQ(errorText([&] {
                  ResolveRange(grid, 1, {RangeOption::Kind::Pickets, 13.5, 20}, whole);
              }),
              "В диапазоне пикетов 13.5..20 нет ни одной строки таблицы");
    EXPECT_EQ(errorText([&] {
                  ResolveRange(grid, 1, {RangeOption::Kind::Pickets, 11.5, 11.9}, whole);
              }),
              "В диапазоне пикетов 11.5..11.9 нет ни одной строки таблицы");
    EXPECT_EQ(errorText([&] {
                  ResolveRange(grid, 1, {RangeOption::Kind::Rows, 1, 5}, whole);
              }),
              "Диапазон строк 1..5 выходит за строки данных таблицы 2..7");
    EXPECT_EQ(errorText([&] {
                  ResolveRange(grid, 1, {RangeOption::Kind::Rows, 5, 8}, whole);
              }),
              "Диапазон строк 5..8 выходит за строки данных таблицы 2..7");
    EXPECT_EQ(errorText([&] {
                  ResolveRange(grid, 1, RangeOption{}, RowSpan{2, 1});
              }),
              "В таблице нет строк данных (строки 2..1)");

    Grid bad(2, 2);
    FillPickets(bad, {"10", "1O.5", "11"});
    EXPECT_EQ(errorText([&] {
                  ResolveRange(bad, 1, {RangeOption::Kind::Pickets, 10.2, 11}, {2, 4});
              }),
              errorText([] { ReadStrict("1O.5"); }));
}

TEST(RenderSheets, TheExampleLineIsCutIntoKilometresNamedByTheirRange)
{
    Grid grid(2, 2);
    LoadDepthTable(grid, ReadWholeFile(TRASSEL_SOURCE_DIR "/examples/survey_depths.txt"), '\t', 1);
    RecalcPickets(grid, 1);
    ASSERT_EQ(grid.cell(1, 2), "123");
    ASSERT_EQ(grid.cell(1, 402), "143");
    const std::vector<Sheet> sheets = PlanSheets(grid, 1, {2, 402}, 10, "out/section.pdf");
    ASSERT_EQ(sheets.size(), 2U);
    // 5 m spacing: 200 rows a kilometre; picket 133 opens the second sheet. A sheet names the
    // pickets of its own rows, not the kilometre it was cut from. The one row at picket 143 would
    // make a third sheet of nothing: it ends the second one.
    EXPECT_EQ(sheets[0], (Sheet{1, {2, 201}, 123, 132.95, "out/section-01_km12.300-13.295.pdf"}));
    EXPECT_EQ(sheets[1], (Sheet{2, {202, 402}, 133, 143, "out/section-02_km13.300-14.300.pdf"}));
    // A range starts the sheets at its own first picket; a last sheet of 98 % stays its own.
    const std::vector<Sheet> half = PlanSheets(grid, 1, {12, 111}, 2.5, "s.png");
    ASSERT_EQ(half.size(), 2U);
    EXPECT_EQ(half[0], (Sheet{1, {12, 61}, 123.5, 125.95, "s-01_km12.350-12.595.png"}));
    EXPECT_EQ(half[1], (Sheet{2, {62, 111}, 126, 128.45, "s-02_km12.600-12.845.png"}));
    // A last sheet just under a tenth of a sheet long joins the one before; one just over stays.
    const std::vector<Sheet> shortEnd = PlanSheets(grid, 1, {2, 221}, 10, "e.png"); // ..133.95
    ASSERT_EQ(shortEnd.size(), 1U);
    EXPECT_EQ(shortEnd[0], (Sheet{1, {2, 221}, 123, 133.95, "e-01_km12.300-13.395.png"}));
    const std::vector<Sheet> longerEnd = PlanSheets(grid, 1, {2, 223}, 10, "e.png"); // ..134.05
    ASSERT_EQ(longerEnd.size(), 2U);
    EXPECT_EQ(longerEnd[1].rows, (RowSpan{202, 223}));
    // One sheet stays one sheet, however short.
    EXPECT_EQ(PlanSheets(grid, 1, {2, 2}, 10, "e.png"),
              (std::vector<Sheet>{{1, {2, 2}, 123, 123, "e-01_km12.300-12.300.png"}}));
}

TEST(RenderSheets, GapsAreLeftOutAndPicketsThatFallOrAreNoNumbersRefused)
{
    Grid grid(2, 2);
    FillPickets(grid, {"0.05", "0.95", "1.05", "3.5", "3.5", "4.05"}); // rows 2..7
    const std::vector<Sheet> sheets = PlanSheets(grid, 1, {2, 7}, 1, "a.png");
    ASSERT_EQ(sheets.size(), 3U);
    EXPECT_EQ(sheets[0].rows, (RowSpan{2, 3}));
    // 1.05 - 0.05 is not exactly 1 in binary: the boundary picket still opens sheet 2.
    EXPECT_EQ(sheets[1].number, 2);
    EXPECT_EQ(sheets[1].rows, (RowSpan{4, 4}));
    // Sheet 3 (2.05..3.05) has no rows; the next keep their place's number. Sheet 5 would hold
    // the one row at 4.05 alone: sheet 4 takes it.
    EXPECT_EQ(sheets[2].number, 4);
    EXPECT_EQ(sheets[2].rows, (RowSpan{5, 7}));
    EXPECT_EQ(sheets[2].path, "a-04_km0.350-0.405.png");

    Grid falling(2, 2);
    FillPickets(falling, {"10", "11", "10.5"});
    EXPECT_EQ(errorText([&] {
                  PlanSheets(falling, 1, {2, 4}, 10, "a.png");
              }),
              "Пикеты убывают (строка 3: 11, строка 4: 10.5); листы не нарезаны");
    Grid text(2, 2);
    FillPickets(text, {"10", "ПК11"});
    EXPECT_EQ(errorText([&] { PlanSheets(text, 1, {2, 3}, 10, "a.png"); }), errorText([] { ReadStrict("ПК11"); }));

    // A hundred sheets and more: every number has the digits of the last one.
    Grid longLine(2, 2);
    std::vector<std::string> pickets;
    for (int p = 0; p <= 1000; ++p)
        pickets.push_back(IntToText(p));
    FillPickets(longLine, pickets);
    const std::vector<Sheet> many = PlanSheets(longLine, 1, {2, 1002}, 10, "l.svg");
    ASSERT_EQ(many.size(), 100U);
    EXPECT_EQ(many[0].path, "l-001_km0.000-0.900.svg");
    EXPECT_EQ(many[99].path, "l-100_km99.000-100.000.svg");
    EXPECT_EQ(many[99].rows, (RowSpan{992, 1002}));
}

TEST(RenderSheets, PicketsFarFromTheFirstAreRefusedAndHugeOnesNamedWithoutOverflow)
{
    // A picket a sheet number cannot reach: refused before any sheet is planned.
    Grid far(2, 2);
    FillPickets(far, {"10", "11", "1e300"});
    EXPECT_EQ(errorText([&] {
                  PlanSheets(far, 1, {2, 4}, 10, "a.png");
              }),
              "Пикет " + NumberToText(1e300) +
                  " (строка 4) лежит дальше 1000000 листов от начала диапазона; листы не нарезаны");
    Grid tiny(2, 2);
    FillPickets(tiny, {"0", "20000"});
    EXPECT_EQ(errorText([&] {
                  PlanSheets(tiny, 1, {2, 3}, 0.01, "a.png");
              }),
              "Пикет 20000 (строка 3) лежит дальше 1000000 листов от начала диапазона; листы не нарезаны");
    // A line of pickets too large for metres in a long integer still gets its sheet and a name.
    Grid huge(2, 2);
    FillPickets(huge, {"1e300", "1e300"});
    const std::vector<Sheet> sheets = PlanSheets(huge, 1, {2, 3}, 1000000, "a.png");
    ASSERT_EQ(sheets.size(), 1U);
    EXPECT_EQ(sheets[0].rows, (RowSpan{2, 3}));
    EXPECT_EQ(sheets[0].path, "a-01_km" + NumberToText(1e300 / 10) + "-" + NumberToText(1e300 / 10) + ".png");
    EXPECT_EQ(KilometreText(-1e17), NumberToText(-1e16));
    EXPECT_EQ(KilometreText(9e12), "900000000000.000");
}

TEST(RenderSheets, FileNamesKeepTheFolderAndTheExtension)
{
    EXPECT_EQ(KilometreText(123), "12.300");
    EXPECT_EQ(KilometreText(123.05), "12.305");
    EXPECT_EQ(KilometreText(0.07), "0.007");
    EXPECT_EQ(KilometreText(-1.5), "-0.150");
    EXPECT_EQ(SheetFileName("section.pdf", 1, 9, 123, 133), "section-01_km12.300-13.300.pdf");
    EXPECT_EQ(SheetFileName("runs.2026/line.v2.svg", 7, 12, 0, 5), "runs.2026/line.v2-07_km0.000-0.500.svg");
    EXPECT_EQ(SheetFileName("runs.2026/line", 3, 1000, 0, 5), "runs.2026/line-0003_km0.000-0.500");
}

TEST(RenderOptions, RadargramInfoStandsAlone)
{
    const RenderOptions o = Parse({"--radargram", "line.dzt", "--info"});
    EXPECT_EQ(o.radargram, "line.dzt");
    EXPECT_TRUE(o.info);
    EXPECT_EQ(Parse({"--info", "--radargram=line.sgy"}).radargram, "line.sgy");
    EXPECT_EQ(ParseError({"--info"}), "Параметр --info: описывает файл радарограммы: --radargram ФАЙЛ --info");
    EXPECT_EQ(ParseError({"--radargram", "line.dzt", "--info", "-o", "a.png"}),
              "Параметр --output: не относится к --radargram ФАЙЛ --info");
    EXPECT_EQ(ParseError({"--radargram", "line.dzt", "--info=1"}), "Параметр --info: у этого параметра нет значения");
    EXPECT_EQ(ParseError({"--radargram"}), "Параметр --radargram: не задано значение");
    EXPECT_NE(RenderUsage().find("--radargram ФАЙЛ --info"), std::string::npos);

    // Drawn: the file and the output, registered from a workspace when one is named.
    const RenderOptions drawn = Parse({"--radargram", "line.dzt", "-o", "r.png"});
    EXPECT_EQ(drawn.radargram, "line.dzt");
    EXPECT_EQ(drawn.output, "r.png");
    EXPECT_FALSE(drawn.info);
    EXPECT_TRUE(drawn.workspace.empty());
    EXPECT_EQ(Parse({"--workspace", "a.trassel", "--radargram", "line.dzt", "-o", "r.pdf"}).workspace, "a.trassel");
    EXPECT_EQ(ParseError({"--radargram", "line.dzt"}),
              "Не задан файл результата: -o ФАЙЛ (png, jpg, bmp, pdf или svg)");
    EXPECT_EQ(ParseError({"--radargram", "line.dzt", "-o", "r.gif"}),
              "Параметр --output: формат файла \"r.gif\" определяется расширением: png, jpg, jpeg, bmp, pdf или svg");
    EXPECT_EQ(ParseError({"--radargram", "line.dzt", "-o", "r.png", "--layer", "3"}),
              "Параметр --layer: не относится к радарограмме (--radargram ФАЙЛ [--workspace ФАЙЛ.trassel] -o ФАЙЛ)");
    EXPECT_EQ(ParseError({"--radargram", "line.dzt", "-o", "r.png", "--sheet", "10"}),
              "Параметр --sheet: не относится к радарограмме (--radargram ФАЙЛ [--workspace ФАЙЛ.trassel] -o ФАЙЛ)");
}

TEST(RenderOptions, RadargramSheetsComeFromAWorkspaceByKilometreUnlessToldOtherwise)
{
    const RenderOptions o = Parse({"--workspace", "a.trassel", "--radargram-sheets", "листы"});
    EXPECT_EQ(o.radargramSheets, "листы");
    EXPECT_EQ(o.sheetPickets, 10);
    EXPECT_EQ(Parse({"--radargram-sheets=л", "--workspace", "a.trassel", "--sheet", "5"}).sheetPickets, 5);
    EXPECT_EQ(ParseError({"--radargram-sheets", "листы"}),
              "Параметр --radargram-sheets: листы радарограммы рисуются по рабочему файлу: --workspace ФАЙЛ.trassel");
    EXPECT_EQ(ParseError({"--workspace", "a.trassel", "--radargram-sheets", "л", "-o", "a.png"}),
              "Параметр --output: не относится к листам радарограммы (--workspace ФАЙЛ.trassel --radargram-sheets "
              "ПАПКА [--sheet N] [--radargram ФАЙЛ])");
    EXPECT_EQ(ParseError({"--workspace", "a.trassel", "--radargram-sheets", ""}),
              "Параметр --radargram-sheets: не задана папка листов");
    // A folder gets PNG sheets named "radargram"; a picture's name gives the name and the format.
    EXPECT_EQ(RadargramSheetsBase("листы"), "листы/radargram.png");
    EXPECT_EQ(RadargramSheetsBase("листы/"), "листы/radargram.png");
    EXPECT_EQ(RadargramSheetsBase("листы/r.PDF"), "листы/r.PDF");
    EXPECT_NE(RenderUsage().find("--radargram-sheets ПАПКА"), std::string::npos);
}

} // namespace
} // namespace trassel

namespace trassel {
namespace {

TEST(RenderOptions, TheReportTakesNormsAndRefusesPictureOptions)
{
    const RenderOptions o = Parse({"--table",
                                   "t.txt",
                                   "--layer",
                                   "3",
                                   "--layer",
                                   "4",
                                   "--norm-stretch",
                                   "0..100+00:class=1:sleeper=concrete",
                                   "--norm-stretch",
                                   "12км000..14 км 300 м:class=4:sleeper=wooden",
                                   "--layer-norm",
                                   "4=20",
                                   "--tolerance",
                                   "2",
                                   "--min-length=10",
                                   "--join-gap",
                                   "5",
                                   "--prism-width",
                                   "3.2",
                                   "--sleeper-base",
                                   "-2",
                                   "--report",
                                   "отчёт"});
    EXPECT_EQ(o.reportDir, "отчёт");
    ASSERT_EQ(o.norms.stretches.size(), 2u);
    EXPECT_EQ(o.norms.stretches[0], (DesignStretch{0, 10000, 1, Sleeper::Concrete}));
    EXPECT_EQ(o.norms.stretches[1].trackClass, 4);
    EXPECT_EQ(o.norms.stretches[1].sleeper, Sleeper::Wooden);
    EXPECT_EQ(o.norms.stretches[1].fromM, 12000);
    EXPECT_EQ(o.norms.stretches[1].toM, 14300);
    const DesignNorms n = ApplyNormOptions(DesignNorms{}, o.norms);
    EXPECT_EQ(n.layers, (std::vector<LayerNorm>{{4, "", 20.0}}));
    EXPECT_EQ(n.toleranceCm, 2);
    EXPECT_EQ(n.minLengthM, 10);
    EXPECT_EQ(n.joinGapM, 5);
    EXPECT_EQ(n.prismWidthM, 3.2);
    EXPECT_EQ(n.sleeperBaseCm, -2);

    // Given norms replace a workspace's stretches and put layer norms over its own.
    DesignNorms base;
    base.stretches = {{0, 10, 3, Sleeper::Wooden}};
    base.layers = {{4, "Подушка", 15.0}, {5, "", 30.0}};
    base.toleranceCm = 1;
    const DesignNorms over = ApplyNormOptions(base, o.norms);
    EXPECT_EQ(over.stretches, o.norms.stretches);
    EXPECT_EQ(over.layers, (std::vector<LayerNorm>{{4, "Подушка", 20.0}, {5, "", 30.0}}));
    NormOptions none;
    EXPECT_TRUE(ApplyNormOptions(base, none) == base);

    EXPECT_EQ(ParseError({"--table", "t", "--layer", "3", "--report", "d", "-o", "a.png"}),
              "Параметр --output: относится к рисунку разреза, а --report пишет ведомость толщин");
    EXPECT_EQ(ParseError({"--workspace", "w.trassel", "--radargram", "r.dzt", "--report", "d"}),
              "Параметр --radargram: относится к радарограмме, а --report пишет ведомость толщин");
    EXPECT_EQ(ParseError({"--table", "t", "--layer", "3", "--tolerance", "2", "-o", "a.png"}),
              "Параметр --tolerance: относится к ведомости толщин: задайте --report ПАПКА");
    EXPECT_EQ(ParseError({"--table", "t", "--layer", "3", "--tolerance", "-2", "--report", "d"}),
              "Параметр --tolerance: значение не может быть отрицательным");
    EXPECT_EQ(ParseError({"--table", "t", "--report", "d"}),
              "Не задано ни одного слоя: --layer СТОЛБЕЦ (например, --layer 3)");
    EXPECT_EQ(ParseError({"--report", "d"}),
              "Задайте, для чего ведомость: --table ФАЙЛ со слоями --layer или --workspace ФАЙЛ.trassel");
    EXPECT_EQ(ParseError({"--workspace", "w.trassel", "--layer", "3", "--report", "d"}),
              "Параметр --layer: относится к таблице (--table); рабочий файл несёт свои таблицы, настройки и слои");
    EXPECT_EQ(ParseError(
                  {"--table", "t", "--layer", "3", "--norm-stretch", "0..100:class=6:sleeper=wooden", "--report", "d"}),
              "Параметр --norm-stretch: класс пути задаётся числом от 1 до 5, а не \"6\"");
    EXPECT_EQ(ParseError({"--table", "t", "--layer", "3", "--norm-stretch", "0..100:class=1", "--report", "d"}),
              "Параметр --norm-stretch: у участка \"0..100:class=1\" нужно задать class=N и sleeper=wooden|concrete");
    EXPECT_EQ(ParseError(
                  {"--table", "t", "--layer", "3", "--norm-stretch", "a..100:class=1:sleeper=wooden", "--report", "d"}),
              "Параметр --norm-stretch: положение \"a\" нужно задать пикетом (123+45, 123.45) или км и м (12км345)");
    // Stretches out of order are refused before any file is read, naming the stretch.
    EXPECT_EQ(ParseError({"--table", "t", "--layer", "3", "--norm-stretch", "2..3:class=1:sleeper=wooden",
                          "--norm-stretch", "1..2:class=1:sleeper=wooden", "--report", "d"}),
              "Поле «участок норм 2»: участок начинается (100 м) раньше конца предыдущего (300 м).");
    EXPECT_EQ(ParseError({"--table", "t", "--layer", "3", "--layer-norm", "4", "--report", "d"}),
              "Параметр --layer-norm: ожидается СТОЛБЕЦ=СМ (например, 4=20), а не \"4\"");
}

} // namespace
} // namespace trassel
