// The workspace file: a whole interpretation written and read back exactly, every damaged file
// refused with its message and nothing changed, the hand-over to the window's document, the
// section's annotations and the radargram's path.
#include "document/workspace.h"

#include "base/error.h"
#include "base/file_path.h"
#include "document/section_scene.h"
#include "document/survey_document.h"
#include "drawing/drawing_record.h"
#include "section/annotation_tools.h"
#include "table/grid_io.h"

#include "document/document_state.h"
#include "support/error_text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include "support/test_process.h"
#include <vector>

namespace trassel {
namespace {

namespace fs = std::filesystem;
using Style = SurveyDocument::Style;

// A folder of its own for each test, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        static int counter = 0;
        path_ = fs::temp_directory_path() /
                ("trassel-workspace-" + std::to_string(test::ProcessId()) + "-" + std::to_string(++counter));
        fs::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    // Names are UTF-8, as the core takes them.
    std::string file(const std::string& name) const { return PathToUtf8(path_ / PathFromUtf8(name)); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, std::string_view bytes)
{
    std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Text metrics that depend on the font and the text, so that a mark drawn in another state
// would land elsewhere.
class FixedServices : public CanvasServices {
public:
    int textWidth(const FontState& font, std::string_view utf8) override
    {
        return static_cast<int>(utf8.size()) * (font.size + (font.bold ? 1 : 0));
    }
    int textHeight(const FontState& font) override { return font.size * 2; }
    Picture resourceBitmap(std::string_view) override { return {1, 1, {kBlack}}; }
};

// Every cell of a grid exactly, its shape, and its export bytes.
struct GridPicture {
    int cols = 0;
    int rows = 0;
    int fixedRows = 0;
    int fixedCols = 0;
    std::vector<std::string> cells;
    std::string exportText;
    bool operator==(const GridPicture&) const = default;
};

GridPicture PictureOf(const Grid& grid)
{
    GridPicture p;
    p.cols = grid.colCount();
    p.rows = grid.rowCount();
    p.fixedRows = grid.fixedRows();
    p.fixedCols = grid.fixedCols();
    for (int r = 0; r < p.rows; ++r)
        for (int c = 0; c < p.cols; ++c)
            p.cells.push_back(grid.cell(c, r));
    p.exportText = GridExportText(grid);
    return p;
}

std::string FirstDifference(const GridPicture& want, const GridPicture& got)
{
    if (want.cols != got.cols || want.rows != got.rows)
        return "size " + std::to_string(want.cols) + "x" + std::to_string(want.rows) + " against " +
               std::to_string(got.cols) + "x" + std::to_string(got.rows);
    if (want.fixedRows != got.fixedRows || want.fixedCols != got.fixedCols)
        return "fixed counts differ";
    for (std::size_t i = 0; i < want.cells.size(); ++i)
        if (want.cells[i] != got.cells[i])
            return "cell (" + std::to_string(i % static_cast<std::size_t>(want.cols)) + ", " +
                   std::to_string(i / static_cast<std::size_t>(want.cols)) + ")";
    if (want.exportText != got.exportText)
        return "export text";
    return {};
}

// What a layer is to the user and to the diagram, slot by slot.
struct LayerPicture {
    std::string caption;
    bool checked = false;
    bool selected = false;
    int listPosition = 0;
    int picketColumn = 0;
    int depthColumn = 0;
    int lineWidth = 0;
    Color lineColor = 0;
    Color brushColor = 0;
    int brushStyle = 0;
    Color pointColor = 0;
    std::string seriesName;
    bool drawn = false;
    bool operator==(const LayerPicture&) const = default;
};

std::vector<LayerPicture> LayersOf(SurveyDocument& doc)
{
    std::vector<LayerPicture> out;
    LayerManager& layers = doc.layers();
    for (int slot = 0; slot < layers.LayerCount(); ++slot) {
        const TLayer& l = layers.Layers(slot);
        LayerPicture p;
        const int position = layers.positionOf(l.Item);
        p.caption = layers.entryAt(position).caption;
        p.checked = layers.isChecked(l.Item);
        p.selected = layers.isSelected(l.Item);
        p.listPosition = position;
        p.picketColumn = l.PicketColumn;
        p.depthColumn = l.DepthColumn;
        p.lineWidth = l.LineWidth;
        p.lineColor = l.LineColor;
        p.brushColor = l.BrushColor;
        p.brushStyle = l.BrushStyle;
        p.pointColor = l.PointColor;
        p.seriesName = doc.chart().series(l.Series).name();
        p.drawn = doc.chart().isAttached(l.Series);
        out.push_back(p);
    }
    return out;
}

// The layers' series in the chart's drawing order, by series name.
std::vector<std::string> DrawnLayerSeries(SurveyDocument& doc)
{
    std::vector<std::string> out;
    for (const SeriesId id : doc.chart().attached())
        for (int slot = 0; slot < doc.layers().LayerCount(); ++slot)
            if (doc.layers().Layers(slot).Series == id)
                out.push_back(doc.chart().series(id).name() + "@" + std::to_string(slot));
    return out;
}

void ExpectSameDiagramParams(const DiagramParams& a, const DiagramParams& b)
{
    EXPECT_EQ(a.ColX, b.ColX);
    EXPECT_EQ(a.FirstDataRow, b.FirstDataRow);
    EXPECT_EQ(a.LastDataRow, b.LastDataRow);
    EXPECT_EQ(a.SeriesMarksVisible, b.SeriesMarksVisible);
    EXPECT_EQ(a.SeriesFrequencyMarks, b.SeriesFrequencyMarks);
    EXPECT_EQ(a.CursorHorizMarkVisible, b.CursorHorizMarkVisible);
    EXPECT_EQ(a.CursorVertMarkVisible, b.CursorVertMarkVisible);
    EXPECT_EQ(a.CursorHorzSize, b.CursorHorzSize);
    EXPECT_EQ(a.CursorVertSize, b.CursorVertSize);
    EXPECT_EQ(a.DinamicDiapazonAxes, b.DinamicDiapazonAxes);
    EXPECT_EQ(a.WindowWidth, b.WindowWidth);
    EXPECT_EQ(a.WindowHeight, b.WindowHeight);
    EXPECT_EQ(a.VertIncrement, b.VertIncrement);
}

void ExpectSameSectionParams(const SectionParams& a, const SectionParams& b)
{
    EXPECT_EQ(a.H, b.H);
    EXPECT_EQ(a.Lleft, b.Lleft);
    EXPECT_EQ(a.R, b.R);
    EXPECT_EQ(a.SX, b.SX);
    EXPECT_EQ(a.SY, b.SY);
    EXPECT_EQ(a.Dmax, b.Dmax);
    EXPECT_EQ(a.step, b.step);
    EXPECT_EQ(a.ISSO, b.ISSO);
    EXPECT_EQ(a.FirstDataRow, b.FirstDataRow);
    EXPECT_EQ(a.LastDataRow, b.LastDataRow);
}

// The cells no ordinary table has: every separator and escape character of the file's table
// text, bytes that are not UTF-8, and texts that look like escapes.
const std::vector<std::string> kOddCells = {
    "a\tb\nc\\d",
    std::string("\xff\xfe\x80 end", 7),
    "\\x41\\t\\",
    "\r\n",
    std::string("nul\0byte", 8),
    "Суглинок ПК12+00",
    std::string("\xd0", 1),         // a cut two-byte sequence
    std::string("\xed\xa0\x80", 3), // a surrogate, not UTF-8
    std::string("\xc0\xaf", 2),     // an overlong slash
    "\t",
    "\\",
};

// A document using every part a workspace keeps.
void BuildSample(SurveyDocument& doc)
{
    doc.setDelimiter(1, ";");
    // Rows read with ';' between cells, one of them holding a tab.
    Import(doc, "км;м;Балласт;Песок;Суглинок\r\n"
                "1;0;30;60;90\r\n"
                "1.05;5;31;61;91\r\n"
                "1.1;10;32;;92\r\n"
                "1.15;15;33;63;93\r\n"
                "1.2;20;34;64;94\r\n"
                "1.25;25;a\tb;65;95\r\n"
                "1.3;30;36;66;96\r\n"
                "1.35;35;37;67;97\r\n"
                "1.4;40;38;68;98\r\n"
                "1.45;45;39;69;99\r\n"
                "1.5;50;;;\r\n");
    for (std::size_t i = 0; i < kOddCells.size(); ++i)
        doc.writeCell(TableId::Depth, 1 + static_cast<int>(i % 5), 12 + static_cast<int>(i / 5), kOddCells[i]);
    doc.writeCell(TableId::Depth, 2, 3, "5;6"); // the row's own separator inside a cell
    doc.writeCell(TableId::Depth, 0, 13, "X");  // labels that are not their rows' numbers
    doc.writeCell(TableId::Depth, 0, 14, "");
    doc.writeCell(TableId::Depth, 0, 15, "007");
    doc.writeCell(TableId::Depth, 0, 16, std::string("\xfe\\", 2));
    doc.moveRow(TableId::Depth, 17, 18);
    doc.select(6, 1);
    doc.insertColumn(); // an empty column among the others

    auto boreholes = FileOf("ПК;Скв;Название;;Глубина\r\n"
                            "1.1;1;Скв. 1;;250\r\n"
                            "1.3;2;\xd0;;300\r\n");
    doc.importBoreholes(std::move(boreholes.first), boreholes.second);
    doc.writeCell(TableId::Boreholes, 3, 2, "a\tb\\n");

    doc.setRange(2, 9);

    for (const int col : {3, 4, 5, 3}) {
        doc.select(col, 2);
        doc.addLayer();
    }
    // Delete the second layer: the series names of the slots are no longer their numbers, and
    // the next layer repeats a name.
    doc.layers().select(doc.layers().Layers(1).Item);
    doc.deleteSelectedLayer();
    doc.select(5, 2);
    doc.addLayer();
    doc.setLayerChecked(doc.layers().Layers(2).Item, false);
    doc.layers().select(doc.layers().Layers(0).Item);
    doc.setSelectedLayerStyle(Style::LineWidth, 5);
    doc.setSelectedLayerStyle(Style::LineColor, 0x123456);
    doc.setSelectedLayerStyle(Style::BrushColor, 0x00FFEE);
    doc.setSelectedLayerStyle(Style::BrushStyle, 4);
    doc.setSelectedLayerStyle(Style::PointColor, 0xABCDEF);

    DiagramParams p = doc.diagramParams();
    p.SeriesMarksVisible = false;
    p.SeriesFrequencyMarks = 3;
    p.CursorHorizMarkVisible = false;
    p.CursorVertMarkVisible = true;
    p.CursorHorzSize = 14;
    p.CursorVertSize = 17;
    p.DinamicDiapazonAxes = false;
    p.WindowWidth = 6;
    p.WindowHeight = 350;
    p.VertIncrement = "2,5";
    doc.setDiagramParams(p);
    doc.diagram().cursor().Col = 4;
    doc.diagram().cursor().Row = 5;
    doc.buildChart();
    doc.buildSkv();

    SectionParams s = doc.sectionParams();
    s.H = 61;
    s.Lleft = 33;
    s.R = 120;
    s.SX = 250;
    s.SY = 1.7F;
    s.Dmax = 420;
    s.step = 25;
    s.ISSO = 310;
    doc.setSectionParams(s);
    doc.setSectionWidth(2345);

    doc.select(4, 6);
}

// Annotation steps drawn the way the tools draw them, over a drawing of group 0.
void DrawSampleAnnotations(RecordingCanvas& canvas)
{
    canvas.setSize(400, 300);
    canvas.whiteFill(0, 0, 400, 300);
    canvas.setBrushColor(0x00FF00);
    const Point triangle[] = {{10, 100}, {90, 120}, {40, 180}};
    canvas.polygon(triangle);

    canvas.setGroup(1);
    canvas.setFontSize(12);
    canvas.setFontStyle(true, false);
    WriteSoilLabel(canvas, 30, 40, "Песок");
    canvas.setGroup(2);
    canvas.setPenWidth(2);
    canvas.setPenStyle(PenStyle::Dashed);
    canvas.moveTo(5, 5);
    PenStroke(canvas, 20, 30);
    PenStroke(canvas, 35, 31);
    canvas.setGroup(3);
    EraserStroke(canvas, 100, 100);
    EraserStroke(canvas, 104, 101);
    canvas.setGroup(4); // undone: not kept
    WriteSoilLabel(canvas, 200, 200, "Глина");
    canvas.record().setGroupHidden(4, true);
    canvas.setGroup(5);
    canvas.moveTo(300, 10);
    PenStroke(canvas, 310, 20);
    canvas.setGroup(0);
}

// What the sample's window would have made beside the tables: the soil list, a drawn section
// with its boreholes, font and annotation steps, the radargram in a folder beside the project
// `path`, and the pages in front.
struct SampleExtras {
    std::vector<std::string> soils{"Песок", "Суглинок тугопластичный", std::string("\xff bad", 5), ""};
    SectionScene::Saved section;
    std::string radargram;
    PageChoice pages{2, 1, 3, true};
};

SampleExtras PutSampleExtras(SurveyDocument& doc, const std::string& path)
{
    FixedServices services;
    DrawingRecord record(100, 100);
    RecordingCanvas canvas(record, services);
    DrawSampleAnnotations(canvas);

    SampleExtras e;
    e.section.drawn = true;
    e.section.boreholesDrawn = true;
    e.section.soilFont = {"Liberation Serif", 13, true, true, 0x0000AA};
    e.section.annotations = AnnotationsOf(record);
    // In the form the reader gives back: the system's separators.
    e.radargram = PathToUtf8(
        PathFromUtf8(PathToUtf8(PathFromUtf8(path).parent_path()) + "/pictures/радарограмма.png").lexically_normal());
    doc.setSoils(e.soils);
    doc.section().restore(e.section);
    doc.setRadargramPath(e.radargram);
    doc.setPages(e.pages);
    return e;
}

TEST(Workspace, RoundTripRestoresTheWholeInterpretation)
{
    TempDir dir;
    const std::string path = dir.file("проект.trassel");
    SurveyDocument doc;
    BuildSample(doc);
    const SampleExtras extras = PutSampleExtras(doc, path);
    ASSERT_EQ(extras.section.annotations.size(), 4U);
    SaveWorkspace(path, doc);
    // Stored beside the project, the radargram's path is kept relative to it.
    EXPECT_NE(ReadBytes(path).find("\"pictures/радарограмма.png\""), std::string::npos);

    LoadedWorkspace loaded = LoadWorkspace(path);
    ASSERT_NE(loaded.document, nullptr);
    SurveyDocument& back = *loaded.document;

    EXPECT_EQ(FirstDifference(PictureOf(doc.depthTable()), PictureOf(back.depthTable())), "");
    EXPECT_EQ(FirstDifference(PictureOf(doc.boreholeTable()), PictureOf(back.boreholeTable())), "");
    EXPECT_TRUE(PictureOf(doc.depthTable()) == PictureOf(back.depthTable()));
    EXPECT_EQ(back.depthTable().cell(1, 12), kOddCells[0]);
    EXPECT_EQ(back.depthTable().cell(0, 15), "007");

    EXPECT_EQ(back.settings(), doc.settings());
    EXPECT_EQ(back.delimiter(), ';');
    EXPECT_EQ(back.firstDataRow(), 2);
    EXPECT_EQ(back.lastDataRow(), 9);
    EXPECT_EQ(back.selCol(), 4);
    EXPECT_EQ(back.selRow(), 6);

    const std::vector<LayerPicture> want = LayersOf(doc);
    const std::vector<LayerPicture> got = LayersOf(back);
    ASSERT_EQ(got.size(), 4U);
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(got[i], want[i]) << "slot " << i << " (" << want[i].caption << ")";
    EXPECT_FALSE(got[2].checked);
    EXPECT_TRUE(got[0].selected);
    EXPECT_EQ(got[0].brushStyle, 4);
    EXPECT_EQ(DrawnLayerSeries(back), DrawnLayerSeries(doc));
    EXPECT_EQ(back.layers().colorState(), doc.layers().colorState());
    // The next layer gets the colour it would have had, and an entry of its own.
    doc.select(2, 2);
    doc.addLayer();
    back.select(2, 2);
    back.addLayer();
    EXPECT_EQ(back.layers().Layers(4).PointColor, doc.layers().Layers(4).PointColor);
    std::set<EntryId> ids;
    for (int slot = 0; slot < back.layers().LayerCount(); ++slot)
        ids.insert(back.layers().Layers(slot).Item);
    EXPECT_EQ(ids.size(), 5U);

    ExpectSameDiagramParams(back.diagramParams(), doc.diagramParams());
    EXPECT_EQ(back.diagram().cursor().Col, doc.diagram().cursor().Col);
    EXPECT_EQ(back.diagram().cursor().Row, 5);
    EXPECT_EQ(back.diagram().cursor().X, doc.diagram().cursor().X);
    EXPECT_EQ(back.diagram().cursor().Y, doc.diagram().cursor().Y);
    ExpectSameSectionParams(back.sectionParams(), doc.sectionParams());
    EXPECT_EQ(back.sectionWidth(), 2345);
    EXPECT_EQ(back.sectionState().imageHeight, doc.sectionState().imageHeight);

    EXPECT_EQ(back.soils(), extras.soils);
    const SectionScene::Saved section = back.section().saved();
    EXPECT_TRUE(section.drawn);
    EXPECT_TRUE(section.boreholesDrawn);
    EXPECT_EQ(section.soilFont, extras.section.soilFont);
    EXPECT_EQ(section.annotations, extras.section.annotations);
    EXPECT_EQ(back.radargramPath(), extras.radargram);
    EXPECT_EQ(back.pages(), extras.pages);
    EXPECT_TRUE(back.diagramBuilt()); // as the sample's document shows it
    EXPECT_TRUE(back.diagramBoreholesShown());

    // The same document written twice gives the same bytes, and a reloaded one the same again.
    const std::string first = ReadBytes(path);
    SaveWorkspace(path, doc);
    SurveyDocument again;
    BuildSample(again);
    PutSampleExtras(again, path);
    SaveWorkspace(dir.file("again.trassel"), again);
    EXPECT_EQ(ReadBytes(dir.file("again.trassel")), first);
}

TEST(Workspace, TablesOfRandomBytesComeBackCellForCell)
{
    TempDir dir;
    std::mt19937 rnd(11);
    const char alphabet[] = {'\t', '\n', '\r', '\\', 'x', '0', 'a', ';', '\0', '"'};
    SurveyDocument doc;
    // A table text of hundreds of kilobytes.
    Grid grid(9, 3000);
    for (int r = 0; r < grid.rowCount(); ++r) {
        for (int c = 0; c < grid.colCount(); ++c) {
            std::string cell;
            const int length = static_cast<int>(rnd() % 6);
            for (int i = 0; i < length; ++i) {
                const unsigned pick = rnd() % 4;
                if (pick == 0)
                    cell += static_cast<char>(rnd() % 256);
                else if (pick == 1)
                    cell += "Ж";
                else
                    cell += alphabet[rnd() % sizeof alphabet];
            }
            if (rnd() % 5 != 0)
                grid.setCell(c, r, cell);
        }
    }
    grid.restoreFixed(3, 1);
    doc.depthTable().swap(grid);
    const GridPicture want = PictureOf(doc.depthTable());
    SaveWorkspace(dir.file("random.trassel"), doc);
    const LoadedWorkspace loaded = LoadWorkspace(dir.file("random.trassel"));
    EXPECT_EQ(FirstDifference(want, PictureOf(loaded.document->depthTable())), "");

    // Cut inside that text or after it, the file is refused all the same.
    const std::string bytes = ReadBytes(dir.file("random.trassel"));
    ASSERT_GT(bytes.size(), 100'000U);
    const std::string cut = dir.file("cut.trassel");
    for (const std::size_t size : {bytes.size() / 2, bytes.size() - 300, bytes.size() - 3}) {
        WriteBytes(cut, std::string_view(bytes).substr(0, size));
        EXPECT_EQ(errorText([&] { LoadWorkspace(cut); }), "Файл проекта «" + cut + "» повреждён: файл обрывается.")
            << size;
    }
    // A raw control character inside the long text is no JSON.
    std::string raw = bytes;
    raw[bytes.size() / 2] = '\x01';
    EXPECT_EQ(errorText([&] {
                  ReadWorkspace(raw, "r");
              }).rfind("Файл проекта «r» повреждён: ошибка в записи около байта ", 0),
              0U);
}

// A text of exactly `length` bytes from pieces that test the writer and the reader: every
// character JSON escapes, the cell separators, two-, three- and four-byte UTF-8, and (unless
// `utf8`) bytes that are not UTF-8 at all, one of them at least.
std::string GeneratedText(std::mt19937& rnd, std::size_t length, bool utf8)
{
    static const std::vector<std::string> kPieces = {"a",     "7",      " ",  "\"", "\\",
                                                     "/",     "\t",     "\n", "\r", std::string(1, '\0'),
                                                     "\x01",  "\x1f",   "Ж",  "€",  "\xf0\x9f\x98\x80",
                                                     "\\x41", "\\u0041"};
    std::string text;
    text.reserve(length);
    while (text.size() < length) {
        std::string piece = !utf8 && rnd() % 4 == 0 ? std::string(1, static_cast<char>(0x80 + rnd() % 0x80))
                                                    : kPieces[rnd() % kPieces.size()];
        if (piece.size() > length - text.size())
            piece = "z";
        text += piece;
    }
    if (!utf8 && length > 0)
        text[rnd() % length] = '\xff';
    return text;
}

// Every text a workspace keeps, each of the given length, valid UTF-8 or not, in a document
// that uses every place a text can be: settings, table cells and row labels, layer captions
// and series names, the diagram's step, the soil list and font, annotations, the radargram.
struct TextsSample {
    SurveyDocument doc;
    std::vector<std::string> soils;
    SectionScene::Saved section;
    std::string radargram;

    TextsSample(std::size_t length, std::uint32_t seed)
    {
        std::mt19937 rnd(seed);
        bool utf8 = false;
        auto next = [&] {
            utf8 = !utf8; // the fields take valid and invalid texts in turn
            return GeneratedText(rnd, length, utf8);
        };
        TableSettings settings;
        settings.delimiterText = next();
        settings.picketColumnText = next();
        doc.setSettings(settings);

        Grid grid(4, 3);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c)
                grid.setCell(c, r, r == 1 && c == 2 ? std::string() : next());
        grid.restoreFixed(1, 1);
        doc.depthTable().swap(grid);
        Grid boreholes(3, 2);
        boreholes.setCell(2, 1, next());
        doc.boreholeTable().swap(boreholes);

        std::vector<LayerSnapshot> layers(2);
        for (std::size_t i = 0; i < layers.size(); ++i) {
            layers[i].slot = static_cast<int>(i);
            layers[i].entry.caption = next();
            layers[i].seriesName = next();
            layers[i].record.DepthColumn = 2;
            layers[i].attachedAt = static_cast<int>(i);
        }
        doc.replaceLayers(layers, 7);

        DiagramParams p = doc.diagramParams();
        p.VertIncrement = next();
        doc.setDiagramParams(p);

        soils = {next(), next(), next()};
        section.soilFont.name = next();
        WorkspaceMark text;
        text.kind = WorkspaceMark::Kind::Text;
        text.text = next();
        text.font.name = next();
        WorkspaceMark line;
        line.b = {3, 4};
        section.drawn = true; // annotation steps are kept with a drawn section only
        section.annotations = {{next(), {text, line}}, {next(), {line}}};
        // An absolute path comes back as it was given; its folder separators are left out so that
        // nothing in it is a "." or ".." to normalise.
#ifdef _WIN32
        // Windows names files in UTF-16: a path is UTF-8 text, under a drive.
        radargram = "C:\\" + GeneratedText(rnd, length, true);
        std::replace_if(
            radargram.begin() + 3, radargram.end(), [](char c) { return c == '/' || c == '\\' || c == ':'; }, '_');
#else
        radargram = "/" + next();
        std::replace(radargram.begin() + 1, radargram.end(), '/', '_');
#endif
        doc.setSoils(soils);
        doc.section().restore(section);
        doc.setRadargramPath(radargram);
    }
};

TEST(Workspace, TextsOfAnyLengthAndBytesComeBackByteForByte)
{
    // Around the lengths where a reader could switch its way of reading strings (32 KiB of
    // bytes written as 64 KiB of hexadecimal, 64 KiB), and far beyond them.
    std::uint32_t seed = 1;
    for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{32'767}, std::size_t{32'768},
                                     std::size_t{65'535}, std::size_t{65'536}, std::size_t{200'000}}) {
        SCOPED_TRACE("texts of " + std::to_string(length) + " bytes");
        TextsSample sample(length, seed++);
        SurveyDocument& doc = sample.doc;
        const std::string text = WorkspaceText(doc, "p");
        LoadedWorkspace loaded;
        ASSERT_EQ(errorText([&] { loaded = ReadWorkspace(text, "p"); }), "(no error)");
        SurveyDocument& back = *loaded.document;

        EXPECT_EQ(back.settings(), doc.settings());
        EXPECT_EQ(FirstDifference(PictureOf(doc.depthTable()), PictureOf(back.depthTable())), "");
        EXPECT_EQ(FirstDifference(PictureOf(doc.boreholeTable()), PictureOf(back.boreholeTable())), "");
        const std::vector<LayerPicture> layers = LayersOf(back);
        ASSERT_EQ(layers.size(), 2U);
        for (int slot = 0; slot < 2; ++slot) {
            EXPECT_EQ(layers[slot].caption,
                      doc.layers().entryAt(doc.layers().positionOf(doc.layers().Layers(slot).Item)).caption);
            EXPECT_EQ(layers[slot].seriesName, doc.chart().series(doc.layers().Layers(slot).Series).name());
        }
        EXPECT_EQ(back.diagramParams().VertIncrement, doc.diagramParams().VertIncrement);
        EXPECT_TRUE(back.soils() == sample.soils);
        const SectionScene::Saved section = back.section().saved();
        EXPECT_EQ(section.soilFont, sample.section.soilFont);
        EXPECT_TRUE(section.annotations == sample.section.annotations);
        EXPECT_TRUE(back.radargramPath() == sample.radargram);
        // Written again, the same bytes: nothing was lost or changed on the way.
        EXPECT_TRUE(WorkspaceText(back, "p") == text);
    }
}

TEST(Workspace, AMemberGivenTwiceIsRefusedByName)
{
    SurveyDocument doc;
    BuildSample(doc);
    PutSampleExtras(doc, "p");
    const std::string bytes = WorkspaceText(doc, "p");
    const std::string damaged = "Файл проекта «p» повреждён: ";
    auto read = [](const std::string& content) { return errorText([&] { ReadWorkspace(content, "p"); }); };
    auto insertedAfter = [&](const std::string& where, const std::string& what) {
        std::string changed = bytes;
        const std::size_t at = changed.find(where);
        EXPECT_NE(at, std::string::npos) << where;
        return changed.insert(at + where.size(), what);
    };

    // An empty table set before the real one: a reader that kept either would open a different
    // project from the one whoever wrote the file meant.
    EXPECT_EQ(read(insertedAfter("{", "\"tables\": {},")), damaged + "поле «tables» повторяется.");
    EXPECT_EQ(read(insertedAfter("\"tables\": {", "\"depth\": 0,")), damaged + "поле «tables.depth» повторяется.");
    EXPECT_EQ(read(insertedAfter("\"items\": [\n\t\t\t{", "\"caption\": \"x\",")),
              damaged + "поле «layers.items[0].caption» повторяется.");
    EXPECT_EQ(read(insertedAfter("\"marks\": [\n\t\t\t\t\t\t{", "\"state\": 0,")),
              damaged + "поле «extras.annotations.steps[0].marks[0].state» повторяется.");
    // The first repeated member is named, whatever follows.
    EXPECT_EQ(read(insertedAfter("\"range\": {", "\"last\": 1, \"last\": 2,")),
              damaged + "поле «range.last» повторяется.");
    // The same name in different objects is no repetition.
    EXPECT_EQ(read(bytes), "(no error)");
    // Other JSON with a member twice is still no project; a later version is told as such.
    EXPECT_EQ(read(R"({"a": 1, "a": 2})"), "Файл «p» не является проектом Trassel.");
    EXPECT_EQ(read(R"({"format": "trassel-workspace", "version": 9, "x": 1, "x": 2})"),
              "Файл проекта «p» записан более новой версией программы (версия 9).");
}

TEST(Workspace, DamagedFilesAreRefusedWithTheirMessageAndChangeNothing)
{
    TempDir dir;
    const std::string good = dir.file("good.trassel");
    SurveyDocument source;
    BuildSample(source);
    PutSampleExtras(source, good);
    SaveWorkspace(good, source);
    const std::string bytes = ReadBytes(good);

    // The window's document, holding a project opened before.
    SurveyDocument window;
    window.takeOver(*LoadWorkspace(good).document);
    const GridPicture tableBefore = PictureOf(window.depthTable());
    const std::vector<LayerPicture> layersBefore = LayersOf(window);
    const TableSettings settingsBefore = window.settings();

    const std::string bad = dir.file("bad.trassel");
    auto open = [&](std::string_view content) {
        WriteBytes(bad, content);
        return errorText([&] { window.takeOver(*LoadWorkspace(bad).document); });
    };
    const std::string damaged = "Файл проекта «" + bad + "» повреждён: ";
    const std::string notProject = "Файл «" + bad + "» не является проектом Trassel.";

    // Cut anywhere: in the header, among the settings, in the middle of the table text, before
    // the last brace.
    const std::size_t cells = bytes.find("\"cells\"");
    ASSERT_NE(cells, std::string::npos);
    for (const std::size_t size : {std::size_t{40}, bytes.size() / 3, cells + 30, bytes.size() - 2}) {
        EXPECT_EQ(open(std::string_view(bytes).substr(0, size)), damaged + "файл обрывается.") << "cut at " << size;
    }
    EXPECT_EQ(open(""), notProject);
    EXPECT_EQ(open("Балласт\tПесок\r\n1\t2\r\n"), notProject);
    EXPECT_EQ(open("[1, 2, 3]"), notProject);
    EXPECT_EQ(open(R"({"format": "something-else", "version": 1})"), notProject);
    EXPECT_EQ(open(R"({"version": 1})"), notProject);

    auto edited = [&](const std::function<void(nlohmann::json&)>& change) {
        nlohmann::json j = nlohmann::json::parse(bytes);
        change(j);
        return j.dump();
    };
    EXPECT_EQ(open(edited([](nlohmann::json& j) { j["version"] = 7; })),
              "Файл проекта «" + bad + "» записан более новой версией программы (версия 7).");
    // A number no field can hold is refused as damage, not thrown past the reader.
    {
        std::string huge = edited([](nlohmann::json& j) { j["range"]["first"] = 123456; });
        huge.replace(huge.find("123456"), 6, "33e59393392");
        EXPECT_EQ(open(huge), damaged + "число вне допустимых пределов.");
    }
    EXPECT_EQ(open(edited([](nlohmann::json& j) { j["version"] = "1"; })),
              damaged + "поле «version» должно быть целым числом.");
    EXPECT_EQ(open(edited([](nlohmann::json& j) { j["range"]["first"] = "3"; })),
              damaged + "поле «range.first» должно быть целым числом.");
    EXPECT_EQ(open(edited([](nlohmann::json& j) { j["layers"]["items"][1]["checked"] = 1; })),
              damaged + "поле «layers.items[1].checked» должно быть логическим значением.");
    EXPECT_EQ(open(edited([](nlohmann::json& j) { j["extras"].erase("soilFont"); })),
              damaged + "нет поля «extras.soilFont».");
    EXPECT_EQ(open(edited([](nlohmann::json& j) { j["tables"]["depth"]["cols"] = 70000; })),
              damaged + "значение поля «tables.depth.cols» вне допустимых пределов (0…65536).");
    EXPECT_EQ(open(edited([](nlohmann::json& j) { j["tables"]["depth"]["rows"] = -1; })),
              damaged + "значение поля «tables.depth.rows» вне допустимых пределов (0…2147483647).");
    // A table text cut short, or with one row too many, though the JSON is whole.
    const std::string cutTable = edited([](nlohmann::json& j) {
        std::string& t = j["tables"]["depth"]["cells"].get_ref<std::string&>();
        t.resize(t.size() / 2);
    });
    EXPECT_EQ(open(cutTable), damaged + "текст таблицы «tables.depth» обрывается или не совпадает с её размером (" +
                                  std::to_string(source.depthTable().rowCount()) + " строк).");
    const std::string longTable = edited(
        [](nlohmann::json& j) { j["tables"]["boreholes"]["cells"].get_ref<std::string&>() += "\n"; });
    EXPECT_EQ(open(longTable), damaged +
                                   "текст таблицы «tables.boreholes» обрывается или не совпадает с её размером (" +
                                   std::to_string(source.boreholeTable().rowCount()) + " строк).");
    EXPECT_EQ(open(edited(
                  [](nlohmann::json& j) { j["tables"]["depth"]["cells"].get_ref<std::string&>().insert(0, "\\q"); })),
              damaged + "неверная escape-последовательность в строке 0 таблицы «tables.depth».");
    EXPECT_EQ(open(edited([](nlohmann::json& j) { j["tables"]["depth"]["cols"] = 2; })),
              damaged + "в строке 0 таблицы «tables.depth» больше ячеек, чем столбцов (2).");
    EXPECT_EQ(open(edited([](nlohmann::json& j) { j["tables"]["depth"]["labels"] = "99\tX\n"; })),
              damaged + "список подписей строк таблицы «tables.depth» повреждён.");
    EXPECT_EQ(open(edited([](nlohmann::json& j) {
                  j["extras"]["annotations"]["steps"][0]["marks"][0]["state"] = 99;
              })).rfind(damaged, 0),
              0U);
    // A file that cannot be written is reported by the writer, and the former file stays.
    const std::string unwritable = dir.file("no-such-folder/p.trassel");
    EXPECT_EQ(errorText([&] {
                  SaveWorkspace(unwritable, source);
              }).rfind("Не удалось записать файл \"" + unwritable + "\": ", 0),
              0U);
    if (test::PermissionBitsRefuse()) { // root writes into any folder, Windows ignores the bits
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        const std::string refused = errorText([&] { SaveWorkspace(good, window); });
        fs::permissions(dir.path(), fs::perms::owner_all);
        EXPECT_EQ(refused.rfind("Не удалось записать файл \"" + good + "\": ", 0), 0U) << refused;
        EXPECT_EQ(ReadBytes(good), bytes);
    }

    // Not a file at all.
    const std::string folderError = errorText([&] { LoadWorkspace(PathToUtf8(dir.path())); });
    EXPECT_NE(folderError.find(PathToUtf8(dir.path())), std::string::npos) << folderError;
    EXPECT_NE(folderError, "(no error)");

    EXPECT_TRUE(PictureOf(window.depthTable()) == tableBefore);
    EXPECT_EQ(LayersOf(window), layersBefore);
    EXPECT_EQ(window.settings(), settingsBefore);
    // The good file still opens: the refusals above were of the files, not of the reader.
    EXPECT_EQ(errorText([&] { LoadWorkspace(good); }), "(no error)");
}

TEST(Workspace, TakeOverReplacesEverythingAndTellsEveryPage)
{
    TempDir dir;
    SurveyDocument source;
    BuildSample(source);
    PutSampleExtras(source, dir.file("p.trassel"));
    SaveWorkspace(dir.file("p.trassel"), source);

    // The window's document has work of its own: layers, a built diagram, listeners.
    SurveyDocument window;
    Import(window, "1\t10\t20\r\n2\t11\t21\r\n3\t12\t22\r\n");
    window.setRange(1, 3);
    window.select(2, 1);
    window.addLayer();
    window.select(3, 1);
    window.addLayer();
    window.addLayer();
    window.buildChart();
    ASSERT_TRUE(window.chart().isAttached(window.diagram().cursor().VertSeries));
    std::vector<DocumentChange> changes;
    const Subscription listening = window.subscribe([&](const DocumentChange& c) { changes.push_back(c); });
    int layerSignals = 0;
    const Subscription layersListening = window.layers().subscribe([&] { ++layerSignals; });

    LoadedWorkspace loaded = LoadWorkspace(dir.file("p.trassel"));
    const GridPicture depth = PictureOf(loaded.document->depthTable());
    const GridPicture boreholes = PictureOf(loaded.document->boreholeTable());
    // What moves over, apart from the pictures that follow it (another test).
    window.setPicturesFollow(false);
    window.takeOver(*loaded.document);

    using What = DocumentChange::What;
    auto told = [&](What what, TableId table) {
        return std::any_of(changes.begin(), changes.end(),
                           [&](const DocumentChange& c) { return c.what == what && c.table == table; });
    };
    EXPECT_TRUE(told(What::TableReplaced, TableId::Depth));
    EXPECT_TRUE(told(What::TableReplaced, TableId::Boreholes));
    for (const What what :
         {What::Settings, What::Range, What::Selection, What::Layers, What::DiagramParams, What::SectionParams})
        EXPECT_TRUE(told(what, TableId::Depth)) << static_cast<int>(what);
    EXPECT_GT(layerSignals, 0);

    EXPECT_TRUE(PictureOf(window.depthTable()) == depth);
    EXPECT_TRUE(PictureOf(window.boreholeTable()) == boreholes);
    EXPECT_TRUE(PictureOf(window.depthTable()) == PictureOf(source.depthTable()));
    EXPECT_EQ(window.settings(), source.settings());
    EXPECT_EQ(window.selCol(), 4);
    EXPECT_EQ(window.selRow(), 6);
    EXPECT_EQ(LayersOf(window), LayersOf(source));
    ExpectSameDiagramParams(window.diagramParams(), source.diagramParams());
    ExpectSameSectionParams(window.sectionParams(), source.sectionParams());
    EXPECT_EQ(window.sectionWidth(), 2345);
    EXPECT_EQ(window.diagram().cursor().Row, 5);
    EXPECT_EQ(window.diagram().cursor().X, source.diagram().cursor().X);
    EXPECT_EQ(window.diagram().cursor().Y, source.diagram().cursor().Y);

    // The diagram no longer shows the former table, and the chart holds no series of the former
    // layers: the picket line, the boreholes and the new layers are all that is drawn.
    ChartModel& chart = window.chart();
    EXPECT_EQ(chart.series(window.diagram().PicketSeries()).count(), 0U);
    EXPECT_FALSE(chart.isAttached(window.diagram().cursor().VertSeries));
    std::set<SeriesId> expected{window.diagram().PicketSeries(), window.diagram().SkvSeries()};
    for (int slot = 0; slot < window.layers().LayerCount(); ++slot)
        expected.insert(window.layers().Layers(slot).Series);
    EXPECT_EQ(std::set<SeriesId>(chart.attached().begin(), chart.attached().end()), expected);
    EXPECT_EQ(chart.attached().size(), 6U);

    // Built again, it shows the new table: a point per row of the range on each checked layer.
    window.buildChart();
    EXPECT_TRUE(chart.isAttached(window.diagram().cursor().VertSeries));
    EXPECT_EQ(chart.series(window.diagram().PicketSeries()).count(), 8U);
    EXPECT_EQ(chart.series(window.layers().Layers(0).Series).count(), 8U);
    EXPECT_EQ(chart.series(window.layers().Layers(2).Series).count(), 0U); // unchecked
    EXPECT_EQ(window.diagram().cursor().Y, source.diagram().cursor().Y);

    // The next layer gets a fresh entry and the colour the source would have given it.
    window.select(2, 2);
    window.addLayer();
    source.select(2, 2);
    source.addLayer();
    EXPECT_EQ(window.layers().Layers(4).PointColor, source.layers().Layers(4).PointColor);
    std::set<EntryId> ids;
    for (int position = 0; position < window.layers().entryCount(); ++position)
        ids.insert(window.layers().entryAt(position).id);
    EXPECT_EQ(ids.size(), 5U);
}

TEST(Workspace, AnnotationsComeBackAsTheSameOperations)
{
    FixedServices services;
    DrawingRecord original(100, 100);
    RecordingCanvas canvas(original, services);
    DrawSampleAnnotations(canvas);

    const std::vector<WorkspaceAnnotation> annotations = AnnotationsOf(original);
    ASSERT_EQ(annotations.size(), 4U);
    EXPECT_EQ(annotations[0].name, "Подпись грунта");
    EXPECT_EQ(annotations[1].name, "Карандаш");
    EXPECT_EQ(annotations[2].name, "Ластик");
    EXPECT_EQ(annotations[3].name, "Карандаш");
    ASSERT_EQ(annotations[0].marks.size(), 1U);
    EXPECT_EQ(annotations[0].marks[0].text, "Песок");
    EXPECT_EQ(annotations[1].marks.size(), 2U);
    EXPECT_EQ(annotations[1].marks[1].pen.style, PenStyle::Dashed);

    // Drawn back onto a fresh section after its own drawing, numbered from 7.
    DrawingRecord fresh(100, 100);
    RecordingCanvas target(fresh, services);
    target.setSize(400, 300);
    target.whiteFill(0, 0, 400, 300);
    const FontState soilFont{"DejaVu Serif", 15, false, true, 0x112233};
    target.setFont(soilFont);
    target.moveTo(3, 4);
    const std::size_t before = fresh.ops().size();
    DrawAnnotations(annotations, target, 7);
    EXPECT_EQ(target.group(), 0U);
    EXPECT_EQ(target.font(), soilFont);
    EXPECT_EQ(target.penPos(), (Point{3, 4}));

    std::vector<const DrawOp*> want;
    for (const DrawOp& op : original.ops())
        if (op.group != 0 && !original.groupHidden(op.group))
            want.push_back(&op);
    const std::span<const DrawOp> got = fresh.ops().subspan(before);
    ASSERT_EQ(got.size(), want.size());
    const std::uint32_t groups[] = {1, 2, 3, 5};
    for (std::size_t i = 0; i < got.size(); ++i) {
        const DrawOp& w = *want[i];
        const DrawOp& g = got[i];
        EXPECT_EQ(g.kind, w.kind) << i;
        EXPECT_EQ(g.a, w.a) << i;
        EXPECT_EQ(g.b, w.b) << i;
        EXPECT_TRUE(fresh.state(g) == original.state(w)) << i;
        EXPECT_EQ(fresh.text(g), original.text(w)) << i;
        const auto step = static_cast<std::uint32_t>(std::find(std::begin(groups), std::end(groups), w.group) -
                                                     std::begin(groups));
        EXPECT_EQ(g.group, 7U + step) << i;
    }
    // And read off the fresh record they are the same steps.
    EXPECT_EQ(AnnotationsOf(fresh), annotations);
}

TEST(Workspace, PicturePathIsRelativeInsideTheWorkspaceFolderOnly)
{
    // Absolute paths start at a drive on Windows; a path is given back in the system's separators.
#ifdef _WIN32
    const std::string root = "C:";
#else
    const std::string root;
#endif
    const auto native = [](const std::string& p) { return PathToUtf8(PathFromUtf8(p).make_preferred()); };
    const std::string ws = root + "/data/surveys/line 7/work.trassel";
    EXPECT_EQ(StoredPicturePath(ws, root + "/data/surveys/line 7/radar.png"), "radar.png");
    EXPECT_EQ(StoredPicturePath(ws, root + "/data/surveys/line 7/pics/../pics/r.png"), "pics/r.png");
    EXPECT_EQ(StoredPicturePath(ws, root + "/data/surveys/line 8/r.png"), native(root + "/data/surveys/line 8/r.png"));
    EXPECT_EQ(StoredPicturePath(ws, root + "/other/r.png"), native(root + "/other/r.png"));
    EXPECT_EQ(StoredPicturePath(ws, ""), "");
    EXPECT_EQ(ResolvedPicturePath(ws, "pics/r.png"), native(root + "/data/surveys/line 7/pics/r.png"));
    EXPECT_EQ(ResolvedPicturePath(ws, root + "/other/r.png"), native(root + "/other/r.png"));
    EXPECT_EQ(ResolvedPicturePath(ws, ""), "");
    // Names in Cyrillic with spaces: UTF-8 in the file, whole on every system.
    const std::string russian = root + "/Обследования 2026/линия 7/работа.trassel";
    EXPECT_EQ(StoredPicturePath(russian, root + "/Обследования 2026/линия 7/снимки/радарограмма 1.png"),
              "снимки/радарограмма 1.png");
    EXPECT_EQ(ResolvedPicturePath(russian, "снимки/радарограмма 1.png"),
              native(root + "/Обследования 2026/линия 7/снимки/радарограмма 1.png"));
    // A relative workspace path is taken from the working folder.
    const std::string cwd = PathToUtf8(fs::current_path());
    EXPECT_EQ(StoredPicturePath("w.trassel", cwd + "/sub/r.png"), "sub/r.png");
    EXPECT_EQ(ResolvedPicturePath("w.trassel", "sub/r.png"),
              PathToUtf8((fs::current_path() / "sub/r.png").lexically_normal()));
}

} // namespace
} // namespace trassel
