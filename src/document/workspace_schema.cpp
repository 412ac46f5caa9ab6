// The workspace's schema: the document to JSON and back, and the version rule.
#include "document/workspace_schema.h"

#include "base/error.h"
#include "dialogs/soil_list.h"
#include "document/section_scene.h"
#include "document/survey_document.h"
#include "document/workspace.h"
#include "document/workspace_annotations.h"
#include "document/workspace_norms.h"
#include "document/workspace_radargram.h"
#include "document/workspace_text.h"
#include "drawing/hatches.h"
#include "table/delimiters.h"
#include "table/grid.h"
#include "table/grid_io.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <utility>

namespace trassel::workspace {
namespace {

std::string NumberText(long long n)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, n);
    return std::string(buf, res.ptr);
}

// A double as JSON: a number when finite, else the words a reader can take back (JSON has
// no infinities).
OutJson DoubleJson(double v)
{
    if (std::isfinite(v))
        return v;
    if (std::isnan(v))
        return "nan";
    return v > 0 ? "inf" : "-inf";
}

// ---- writing ----

// One table: its size and fixed counts; column 0 as the rows whose label is not their own
// number (the common numbered table has none of those but the corner); and the cells
// 1.. of every row as one text, cells joined by tabs, each row ended by a line feed. One string
// for the whole table keeps the file about the size of the table's own text and lets it be
// written and read in one pass.
OutJson TableJson(const Grid& grid, ProgressMeter& meter)
{
    const int rows = grid.rowCount();
    std::size_t estimate = 0;
    for (int r = 0; r < rows; ++r) {
        char separator = '\t';
        int cells = 0;
        estimate += grid.rowBlock(r, separator, cells).size() + 1;
    }
    std::string cellsText;
    cellsText.reserve(estimate + estimate / 16 + 64);
    std::string labels;
    std::vector<std::string_view> scratch;
    for (int r = 0; r < rows; ++r) {
        meter.at(r);
        if (grid.rowLabelNumber(r) != r) {
            const std::string_view label = grid.cellView(0, r);
            if (label != NumberText(r)) {
                labels += NumberText(r);
                labels += '\t';
                AppendEscaped(labels, label);
                labels += '\n';
            }
        }
        char separator = '\t';
        int cells = 0;
        const std::string_view block = grid.rowBlock(r, separator, cells);
        // Most rows are plain ASCII numbers: the row's bytes go over as they are. The grid
        // knows its cells by their ends, not by the separator byte, so a cell may hold that
        // byte too: the row is plain only when every separator byte is a cell boundary.
        bool plain = true;
        int separators = 0;
        for (const char ch : block) {
            const auto c = static_cast<unsigned char>(ch);
            separators += ch == separator ? 1 : 0;
            if (c == '\\' || c == '\n' || c >= 0x80 || (c == '\t' && separator != '\t')) {
                plain = false;
                break;
            }
        }
        plain = plain && separators == std::max(cells - 1, 0);
        if (plain) {
            const std::size_t at = cellsText.size();
            cellsText += block;
            if (separator != '\t')
                std::replace(cellsText.begin() + static_cast<std::ptrdiff_t>(at), cellsText.end(), separator, '\t');
        } else {
            for (int c = 1; c <= cells; ++c) {
                if (c > 1)
                    cellsText += '\t';
                AppendEscaped(cellsText, grid.cellView(c, r));
            }
        }
        cellsText += '\n';
    }
    OutJson t;
    t["cols"] = grid.colCount();
    t["rows"] = rows;
    t["fixedRows"] = grid.fixedRows();
    t["fixedCols"] = grid.fixedCols();
    t["labels"] = std::move(labels);
    t["cells"] = std::move(cellsText);
    meter.finish();
    return t;
}

OutJson LayersJson(const SurveyDocument& doc)
{
    const LayerManager& layers = doc.layers();
    std::vector<LayerSnapshot> snapshots;
    for (int slot = 0; slot < layers.LayerCount(); ++slot)
        snapshots.push_back(layers.snapshotOf(layers.Layers(slot).Item));
    // The drawing order among the layers only, by rank: the positions of the chart's other
    // series are the diagram's business.
    std::vector<int> drawn;
    for (const LayerSnapshot& s : snapshots)
        if (s.attachedAt >= 0)
            drawn.push_back(s.attachedAt);
    std::sort(drawn.begin(), drawn.end());
    OutJson items = OutJson::array();
    for (const LayerSnapshot& s : snapshots) {
        const int order = s.attachedAt < 0
                              ? -1
                              : static_cast<int>(std::lower_bound(drawn.begin(), drawn.end(), s.attachedAt) -
                                                 drawn.begin());
        const TLayer& l = s.record;
        items.push_back({{"caption", TextJson(s.entry.caption)},
                         {"checked", s.entry.checked},
                         {"selected", s.entry.selected},
                         {"picketColumn", l.PicketColumn},
                         {"depthColumn", l.DepthColumn},
                         {"lineWidth", l.LineWidth},
                         {"lineColor", l.LineColor},
                         {"brushColor", l.BrushColor},
                         {"brushStyle", l.BrushStyle},
                         {"pointColor", l.PointColor},
                         {"seriesName", TextJson(s.seriesName)},
                         {"drawOrder", order}});
    }
    return {{"colorState", layers.colorState()}, {"items", std::move(items)}};
}

// ---- reading ----

void ReadTable(const Reader& in, const Json& root, const char* key, Grid& out, double shareFrom, double shareTo)
{
    const std::string at = std::string("tables.") + key;
    const Json& t = in.object(in.object(root, "tables", ""), key, "tables");
    const int cols = in.integer(t, "cols", at, 0, Grid::kMaxColumns);
    const int rows = in.integer(t, "rows", at, 0, INT_MAX);
    const int fixedRows = in.integer(t, "fixedRows", at, 0, std::max(rows, 1));
    const int fixedCols = in.integer(t, "fixedCols", at, 0, std::max(cols, 1));
    const std::string& labels = in.string(t, "labels", at);
    const std::string& cells = in.string(t, "cells", at);

    // Every row ends with a line feed: a text cut short or padded is caught before any row
    // is made, and the rows' memory follows from the file, not from a number in it.
    const auto lines = static_cast<std::size_t>(std::count(cells.begin(), cells.end(), '\n'));
    if (lines != static_cast<std::size_t>(rows) || (!cells.empty() && cells.back() != '\n'))
        in.damaged("текст таблицы «" + at + "» обрывается или не совпадает с её размером (" + std::to_string(rows) +
                   " строк)");
    // The rows' records cost more than their text when the rows are short (a table of empty
    // rows): refused, as the delimited reader refuses such a file, before any is made.
    {
        const auto tabs = static_cast<std::size_t>(std::count(cells.begin(), cells.end(), '\t'));
        const std::size_t need = Grid::recordBytes(lines + 1, tabs + lines);
        const std::size_t allowed = cells.size() + in.limits.slack;
        if (need > allowed) {
            constexpr std::size_t kMB = std::size_t{1} << 20;
            in.damaged("таблица «" + at + "» из " + std::to_string(rows) + " строк заняла бы в памяти " +
                       std::to_string((need + kMB - 1) / kMB) + " МБ, а допускается не больше " +
                       std::to_string(allowed / kMB) + " МБ (размер её текста и ещё " +
                       std::to_string(in.limits.slack / kMB) + " МБ)");
        }
    }

    Grid grid(cols, rows);
    std::vector<std::string_view> fields;
    std::string decoded;
    std::vector<std::size_t> bounds;
    const char* p = cells.data();
    const char* const end = p + cells.size();
    ProgressMeter meter(in.progress, rows, shareFrom, shareTo);
    for (int r = 0; r < rows; ++r) {
        meter.at(r);
        const auto* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const std::string_view line(p, static_cast<std::size_t>(nl - p));
        p = nl + 1;
        if (line.empty())
            continue;
        fields.clear();
        const bool escaped = line.find('\\') != std::string_view::npos;
        if (!escaped) {
            std::size_t start = 0;
            for (;;) {
                const std::size_t tab = line.find('\t', start);
                fields.push_back(
                    line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
                if (tab == std::string_view::npos)
                    break;
                start = tab + 1;
            }
        } else {
            // The decoded cells go into one buffer first and are viewed after it stops growing.
            decoded.clear();
            bounds.clear();
            std::size_t start = 0;
            for (;;) {
                const std::size_t tab = line.find('\t', start);
                const std::string_view raw = line.substr(start, tab == std::string_view::npos ? std::string_view::npos
                                                                                              : tab - start);
                if (!AppendUnescaped(decoded, raw))
                    in.damaged("неверная escape-последовательность в строке " + std::to_string(r) + " таблицы «" + at +
                               "»");
                bounds.push_back(decoded.size());
                if (tab == std::string_view::npos)
                    break;
                start = tab + 1;
            }
            std::size_t from = 0;
            for (const std::size_t to : bounds) {
                fields.emplace_back(decoded.data() + from, to - from);
                from = to;
            }
        }
        if (fields.size() + 1 > static_cast<std::size_t>(cols))
            in.damaged("в строке " + std::to_string(r) + " таблицы «" + at + "» больше ячеек, чем столбцов (" +
                       std::to_string(cols) + ")");
        grid.setCells(r, 1, fields.data(), fields.size());
    }
    meter.finish();

    if (cols > 0) {
        for (int r = 0; r < rows; ++r)
            grid.setRowLabelNumber(r, r);
        std::size_t pos = 0;
        std::string label;
        while (pos < labels.size()) {
            const std::size_t nl = labels.find('\n', pos);
            const std::size_t tab = labels.find('\t', pos);
            if (nl == std::string::npos || tab == std::string::npos || tab > nl)
                in.damaged("список подписей строк таблицы «" + at + "» повреждён");
            long long row = -1;
            const auto res = std::from_chars(labels.data() + pos, labels.data() + tab, row);
            label.clear();
            if (res.ec != std::errc() || res.ptr != labels.data() + tab || row < 0 || row >= rows ||
                !AppendUnescaped(label, std::string_view(labels).substr(tab + 1, nl - tab - 1)))
                in.damaged("список подписей строк таблицы «" + at + "» повреждён");
            grid.setCell(0, static_cast<int>(row), label);
            pos = nl + 1;
        }
    } else if (!labels.empty()) {
        in.damaged("список подписей строк таблицы «" + at + "» повреждён");
    }
    grid.restoreFixed(fixedRows, fixedCols);
    out.swap(grid);
}

void ReadDocument(const Reader& in, const Json& root, SurveyDocument& doc, MarkTaker* taken)
{
    ReadTable(in, root, "depth", doc.depthTable(), kParsed, kDepthRead);
    ReadTable(in, root, "boreholes", doc.boreholeTable(), kDepthRead, 1.0);

    const Json& s = in.object(root, "settings", "");
    TableSettings settings;
    settings.headerRowCount = in.integer(s, "headerRowCount", "settings", 0, kMaxHeaderRows);
    // An item of the delimiter list, or -1 for a typed text.
    settings.delimiterIndex = in.integer(s, "delimiterIndex", "settings", -1, kDelimiterCount - 1);
    settings.delimiterText = in.text(s, "delimiterText", "settings");
    settings.picketColumnText = in.text(s, "picketColumnText", "settings");
    doc.setSettings(settings);

    const Json& range = in.object(root, "range", "");
    doc.setRange(in.integer(range, "first", "range"), in.integer(range, "last", "range"));
    const Json& sel = in.object(root, "selection", "");
    doc.select(in.integer(sel, "col", "selection"), in.integer(sel, "row", "selection"));

    const Json& layers = in.object(root, "layers", "");
    const Json& items = in.array(layers, "items", "layers");
    if (items.size() > static_cast<std::size_t>(LayerManager::kLayerSlots))
        in.damaged("слоёв больше " + std::to_string(LayerManager::kLayerSlots));
    // A layer names a column a table can have. One the depth table has not (any more) is kept:
    // the window holds such a layer after "Удалить столбец", saves it, and must open it again.
    const int lastColumn = Grid::kMaxColumns - 1;
    std::vector<LayerSnapshot> snapshots;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string at = Reader::index("layers.items", i);
        const Json& l = items[i];
        LayerSnapshot snap;
        snap.slot = static_cast<int>(i);
        snap.entry.caption = in.text(l, "caption", at);
        snap.entry.checked = in.boolean(l, "checked", at);
        snap.entry.selected = in.boolean(l, "selected", at);
        snap.record.PicketColumn = in.integer(l, "picketColumn", at, 0, lastColumn);
        snap.record.DepthColumn = in.integer(l, "depthColumn", at, 0, lastColumn);
        snap.record.LineWidth = in.integer(l, "lineWidth", at, kMinLineWidth, kMaxLineWidth);
        snap.record.LineColor = in.color(l, "lineColor", at);
        snap.record.BrushColor = in.color(l, "brushColor", at);
        snap.record.BrushStyle = static_cast<std::uint8_t>(in.integer(l, "brushStyle", at, 0, FillOrdinalCount() - 1));
        snap.record.PointColor = in.color(l, "pointColor", at);
        snap.seriesName = in.text(l, "seriesName", at);
        snap.attachedAt = in.integer(l, "drawOrder", at, -1, LayerManager::kLayerSlots);
        snapshots.push_back(std::move(snap));
    }
    if (std::count_if(snapshots.begin(), snapshots.end(), [](const LayerSnapshot& l) { return l.entry.selected; }) > 1)
        in.damaged("выбрано больше одного слоя");
    doc.replaceLayers(snapshots, in.color(layers, "colorState", "layers"));

    const Json& d = in.object(root, "diagram", "");
    DiagramParams p = doc.diagramParams();
    p.SeriesMarksVisible = in.boolean(d, "seriesMarksVisible", "diagram");
    p.SeriesFrequencyMarks = in.integer(d, "seriesFrequencyMarks", "diagram");
    p.CursorHorizMarkVisible = in.boolean(d, "cursorHorizMarkVisible", "diagram");
    p.CursorVertMarkVisible = in.boolean(d, "cursorVertMarkVisible", "diagram");
    p.CursorHorzSize = in.integer(d, "cursorHorzSize", "diagram");
    p.CursorVertSize = in.integer(d, "cursorVertSize", "diagram");
    p.DinamicDiapazonAxes = in.boolean(d, "dinamicDiapazonAxes", "diagram");
    p.WindowWidth = in.integer(d, "windowWidth", "diagram");
    p.WindowHeight = in.integer(d, "windowHeight", "diagram");
    p.VertIncrement = in.text(d, "vertIncrement", "diagram");
    doc.setDiagramParams(p);
    const bool diagramBuilt = in.boolean(d, "built", "diagram");
    doc.setDiagramBuilt(diagramBuilt, in.boolean(d, "boreholesShown", "diagram"));
    const Json& c = in.object(d, "cursor", "diagram");
    ChartCursor& cursor = doc.diagram().cursor();
    cursor.Col = in.integer(c, "col", "diagram.cursor");
    cursor.Row = in.integer(c, "row", "diagram.cursor");
    cursor.X = in.number(c, "x", "diagram.cursor");
    cursor.Y = in.number(c, "y", "diagram.cursor");
    // The column a built diagram's cursor stood on was chosen; a default one waits for the build.
    cursor.ColChosen = diagramBuilt;

    const Json& sj = in.object(root, "section", "");
    SectionParams sp = doc.sectionParams();
    sp.H = in.integer(sj, "H", "section", kMinSurface, kMaxSurface);
    sp.Lleft = in.integer(sj, "Lleft", "section");
    sp.R = in.integer(sj, "R", "section");
    sp.SX = in.integer(sj, "SX", "section");
    // "Масштаб Y" holds an integer; a file may keep a fraction, never more than the control's range.
    sp.SY = static_cast<float>(in.number(sj, "SY", "section", INT_MIN, INT_MAX));
    sp.Dmax = in.integer(sj, "Dmax", "section");
    sp.step = in.integer(sj, "step", "section");
    sp.ISSO = in.integer(sj, "ISSO", "section");
    doc.setSectionParams(sp);
    SectionState& state = doc.sectionState();
    // Sizes of a bitmap the program made.
    state.sectionWidth = in.integer(sj, "sectionWidth", "section", 0, kMaxBitmapSide);
    state.imageWidth = in.integer(sj, "imageWidth", "section", 0, kMaxBitmapSide);
    state.imageHeight = in.integer(sj, "imageHeight", "section", 0, kMaxBitmapSide);

    // The section, the soil list, the radargram and the pages (the file calls them "extras").
    const Json& e = in.object(root, "extras", "");
    const Json& soils = in.array(e, "soils", "extras");
    // The soil window makes an entry of each: the same bound as a soil list file's.
    if (soils.size() > in.limits.slack / kSoilEntryBytes) {
        constexpr std::size_t kMB = std::size_t{1} << 20;
        in.damaged("список грунтов из " + std::to_string(soils.size()) + " строк занял бы в памяти больше " +
                   std::to_string(in.limits.slack / kMB) + " МБ");
    }
    std::vector<std::string> soilList;
    for (std::size_t i = 0; i < soils.size(); ++i)
        soilList.push_back(in.text(soils[i], Reader::index("extras.soils", i)));
    doc.setSoils(std::move(soilList));
    SectionScene::Saved section;
    section.soilFont = ReadFont(in, in.object(e, "soilFont", "extras"), "extras.soilFont");
    section.drawn = in.boolean(e, "sectionDrawn", "extras");
    section.boreholesDrawn = in.boolean(e, "boreholesDrawn", "extras");
    const std::string radargram = in.text(e, "radargramPath", "extras");
    doc.setRadargramPath(radargram.empty() ? std::string() : ResolvedPicturePath(in.file(), radargram));
    const Json& pages = in.object(e, "pages", "extras");
    PageChoice choice;
    choice.left = in.integer(pages, "left", "extras.pages");
    choice.right = in.integer(pages, "right", "extras.pages");
    choice.properties = in.integer(pages, "properties", "extras.pages");
    // Files written before the radargram could be shown above the section open without it.
    if (pages.contains("radargramAboveSection"))
        choice.radargramAboveSection = in.boolean(pages, "radargramAboveSection", "extras.pages");
    doc.setPages(choice);
    section.annotations = ReadAnnotations(in, in.object(e, "annotations", "extras"), "extras.annotations", taken);
    doc.section().restore(std::move(section));

    // Files written before the instrument radargram was kept, and projects without one, have none.
    if (root.contains("instrumentRadargram"))
        doc.putRadargramModel(
            ReadRadargramModel(in, in.member(root, "instrumentRadargram", ""), "instrumentRadargram"));
    // Files written before the known depths were kept open with an empty table.
    if (root.contains("knownDepths"))
        doc.putKnownDepths(ReadKnownDepths(in, in.member(root, "knownDepths", ""), "knownDepths"));
    // Files written before the design norms were kept open with the default norms.
    if (root.contains("designNorms"))
        doc.putNorms(ReadNorms(in, in.member(root, "designNorms", ""), "designNorms"));
    // Files written before the project form was kept open with an empty form.
    if (root.contains("projectForm")) {
        const Json& f = in.object(root, "projectForm", "");
        const std::string at = "projectForm";
        ProjectForm form;
        form.organisation = in.text(f, "organisation", at);
        form.object = in.text(f, "object", at);
        form.line = in.text(f, "line", at);
        form.track = in.text(f, "track", at);
        form.developer = in.text(f, "developer", at);
        form.checker = in.text(f, "checker", at);
        form.date = in.text(f, "date", at);
        form.deviationPlot = in.boolean(f, "deviationPlot", at);
        doc.putProjectForm(std::move(form));
    }
}

} // namespace

OutJson WorkspaceJson(const SurveyDocument& doc, const std::string& path, const Progress& progress)
{
    OutJson root;
    root["format"] = kFormat;
    bool hatched = false;
    for (int slot = 0; slot < doc.layers().LayerCount(); ++slot)
        hatched = hatched || HatchOfOrdinal(doc.layers().Layers(slot).BrushStyle) != 0;
    root["version"] = hatched ? kWorkspaceVersion : 1;

    const TableSettings& s = doc.settings();
    root["settings"] = {{"headerRowCount", s.headerRowCount},
                        {"delimiterIndex", s.delimiterIndex},
                        {"delimiterText", TextJson(s.delimiterText)},
                        {"picketColumnText", TextJson(s.picketColumnText)}};
    root["range"] = {{"first", doc.firstDataRow()}, {"last", doc.lastDataRow()}};
    root["selection"] = {{"col", doc.selCol()}, {"row", doc.selRow()}};
    root["layers"] = LayersJson(doc);

    const DiagramParams p = doc.diagramParams();
    const Diagram& diagram = doc.diagram();
    const ChartCursor& cursor = diagram.cursor();
    // What has been built, also of a project read and not yet shown.
    const bool built = doc.diagramBuilt();
    const bool boreholes = doc.diagramBoreholesShown();
    root["diagram"] = {
        {"seriesMarksVisible", p.SeriesMarksVisible},
        {"seriesFrequencyMarks", p.SeriesFrequencyMarks},
        {"cursorHorizMarkVisible", p.CursorHorizMarkVisible},
        {"cursorVertMarkVisible", p.CursorVertMarkVisible},
        {"cursorHorzSize", p.CursorHorzSize},
        {"cursorVertSize", p.CursorVertSize},
        {"dinamicDiapazonAxes", p.DinamicDiapazonAxes},
        {"windowWidth", p.WindowWidth},
        {"windowHeight", p.WindowHeight},
        {"vertIncrement", TextJson(p.VertIncrement)},
        {"built", built},
        {"boreholesShown", boreholes},
        {"cursor",
         {{"col", cursor.Col}, {"row", cursor.Row}, {"x", DoubleJson(cursor.X)}, {"y", DoubleJson(cursor.Y)}}}};

    const SectionParams sp = doc.sectionParams();
    const SectionState& state = doc.sectionState();
    root["section"] = {{"H", sp.H},
                       {"Lleft", sp.Lleft},
                       {"R", sp.R},
                       {"SX", sp.SX},
                       {"SY", DoubleJson(static_cast<double>(sp.SY))},
                       {"Dmax", sp.Dmax},
                       {"step", sp.step},
                       {"ISSO", sp.ISSO},
                       {"sectionWidth", state.sectionWidth},
                       {"imageWidth", state.imageWidth},
                       {"imageHeight", state.imageHeight}};

    OutJson soils = OutJson::array();
    for (const std::string& soil : doc.soils())
        soils.push_back(TextJson(soil));
    const SectionScene::Saved section = doc.section().saved();
    const PageChoice& pages = doc.pages();
    const std::string radargram = doc.radargramPath().empty() ? std::string()
                                                              : StoredPicturePath(path, doc.radargramPath());
    root["extras"] = {{"soils", std::move(soils)},
                      {"soilFont", FontJson(section.soilFont)},
                      {"sectionDrawn", section.drawn},
                      {"boreholesDrawn", section.boreholesDrawn},
                      {"radargramPath", TextJson(radargram)},
                      {"pages",
                       {{"left", pages.left},
                        {"right", pages.right},
                        {"properties", pages.properties},
                        {"radargramAboveSection", pages.radargramAboveSection}}},
                      {"annotations", AnnotationsJson(section.annotations)}};

    // Only when there is one to keep (a file, a tie or a choice made): a project without it is
    // written as before. A member of the root of its own, since its ties and marks lie a few
    // levels below it.
    if (!(doc.radargramModel() == RadargramModel{}))
        root["instrumentRadargram"] = RadargramModelJson(doc.radargramModel(), path);
    if (!doc.knownDepths().empty())
        root["knownDepths"] = KnownDepthsJson(doc.knownDepths());
    if (!(doc.norms() == DesignNorms{}))
        root["designNorms"] = NormsJson(doc.norms());
    // An optional member like the norms: an older program opens the file as it was and only
    // goes without the title block's texts.
    if (const ProjectForm& f = doc.projectForm(); !(f == ProjectForm{}))
        root["projectForm"] = {{"organisation", TextJson(f.organisation)},
                               {"object", TextJson(f.object)},
                               {"line", TextJson(f.line)},
                               {"track", TextJson(f.track)},
                               {"developer", TextJson(f.developer)},
                               {"checker", TextJson(f.checker)},
                               {"date", TextJson(f.date)},
                               {"deviationPlot", f.deviationPlot}};

    // The tables last: the rest of the file stays readable at its top.
    {
        ProgressMeter depth(progress, doc.depthTable().rowCount(), 0.0, kDepthWritten);
        root["tables"]["depth"] = TableJson(doc.depthTable(), depth);
        const Grid& skv = doc.table(TableId::Boreholes);
        ProgressMeter rest(progress, skv.rowCount(), kDepthWritten, kTextMade);
        root["tables"]["boreholes"] = TableJson(skv, rest);
    }

    return root;
}

LoadedWorkspace DocumentOf(const ParsedJson& parsed, const Reader& in, MarkTaker* taken)
{
    const Json& root = parsed.root;
    if (!root.is_object())
        throw Error(in.notProject());
    const auto format = root.find("format");
    if (format == root.end() || !format->is_string() || format->get_ref<const std::string&>() != kFormat)
        throw Error(in.notProject());
    // The version first: a later file may be built differently from here on.
    const int version = in.integer(root, "version", "", 1, INT_MAX);
    if (version > kWorkspaceVersion)
        throw Error("Файл проекта «" + in.file() + "» записан более новой версией программы (версия " +
                    std::to_string(version) + ").");
    // Whichever of two values a reader kept, it could open something the writer never meant.
    if (!parsed.repeated.empty())
        in.damaged("поле «" + parsed.repeated + "» повторяется");

    LoadedWorkspace loaded;
    loaded.document = std::make_unique<SurveyDocument>();
    // A store until it is put in place: nothing is drawn while it is read.
    loaded.document->setPicturesFollow(false);
    try {
        ReadDocument(in, root, *loaded.document, taken);
    } catch (const Json::exception& e) {
        in.damaged(e.what());
    }
    return loaded;
}

} // namespace trassel::workspace
