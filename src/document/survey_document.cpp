#include "document/survey_document.h"

#include "base/error.h"
#include "boreholes/boreholes.h"
#include "document/layer_edits.h"
#include "document/norms_edits.h"
#include "document/project_form_edit.h"
#include "document/radargram_edits.h"
#include "document/section_scene.h"
#include "document/table_edits.h"
#include "table/grid_io.h"
#include "base/numbers.h"
#include "table/pickets.h"
#include "radargram/radargram_reader.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

namespace trassel {
namespace {

// Merge key of the diagram's Up/Down corrections: consecutive ones of one cell are one step.
constexpr int kCorrectionMergeKey = 1;

// The parts of row 0 and column 0 that NumberGridHeaders will rewrite on a table of
// `cols` x `rows`: only the labels that differ from their numbers, so that a small paste
// into a large numbered table keeps a small edit.
std::vector<CellRect> NumberingRects(const Grid& grid, int cols, int rows)
{
    std::vector<CellRect> rects;
    int lo = -1;
    int hi = -1;
    for (int r = 1; r < rows; ++r) {
        if (r >= grid.rowCount() || grid.rowLabelNumber(r) != r) {
            if (lo < 0)
                lo = r;
            hi = r;
        }
    }
    if (lo >= 0)
        rects.push_back({0, lo, 0, hi});
    // Row 0 is short (one cell per column): keep it whole, corner included.
    rects.push_back({0, 0, std::max(cols, 1) - 1, 0});
    return rects;
}

} // namespace

SurveyDocument::SurveyDocument()
{
    // The borehole table starts with every cell empty: its numbering comes with its first import.
    NumberGridHeaders(depth_);
    lastDataRow_ = depth_.rowCount() - 1;
    diagram_ = std::make_unique<Diagram>(chart_, layers_, firstDataRow_);
    section_ = std::make_unique<SectionScene>(*this);
}

SurveyDocument::~SurveyDocument()
{
    // The cursor and the picket and borehole series go before the layers and the chart.
    diagram_.reset();
}

void SurveyDocument::notify(const DocumentChange& change)
{
    // Before the listeners hear of it: one may ask for the analysis at once.
    markStale(change);
    changed_.send(change);
    if (picturesFollow_)
        pending_ |= RedrawsFor(change);
}

void SurveyDocument::redrawPending()
{
    // A redraw may let the window take input (a long section shows its progress), and a change
    // typed meanwhile asks again: the running loop takes it up instead of a nested one.
    if (redrawing_ || !picturesFollow_)
        return;
    redrawing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{redrawing_};
    std::exception_ptr failure;
    while (pending_.any()) {
        const Redraws now = std::exchange(pending_, Redraws{});
        try {
            if (now.section)
                section_->redraw();
        } catch (const Cancelled&) {
            // Stopped by the user: the former section stays, and so does the rest of the work.
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
        try {
            if (now.diagram)
                buildChart();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

void SurveyDocument::undo(Edit& edit)
{
    edit.revert(*this);
    redrawPending();
}

void SurveyDocument::redo(Edit& edit)
{
    edit.apply(*this);
    redrawPending();
}

void SurveyDocument::commit(std::unique_ptr<Edit> edit)
{
    if (sink_ != nullptr && edit != nullptr)
        sink_->push(std::move(edit));
    redrawPending();
}

// ---- settings, range, selection ----

void SurveyDocument::setHeaderRowCount(int count)
{
    if (settings_.headerRowCount != count) {
        settings_.headerRowCount = count;
        notify({DocumentChange::What::Settings, TableId::Depth, {}});
    }
    depth_.setFixedRows(count + 1);
    notify({DocumentChange::What::TableShape, TableId::Depth, {}});
}

void SurveyDocument::setDelimiter(int itemIndex, std::string_view text)
{
    if (settings_.delimiterIndex == itemIndex && settings_.delimiterText == text)
        return;
    settings_.delimiterIndex = itemIndex;
    settings_.delimiterText = std::string(text);
    notify({DocumentChange::What::Settings, TableId::Depth, {}});
}

void SurveyDocument::setPicketColumnText(std::string_view text)
{
    if (settings_.picketColumnText == text)
        return;
    settings_.picketColumnText = std::string(text);
    notify({DocumentChange::What::Settings, TableId::Depth, {}});
}

char SurveyDocument::delimiter() const { return SelectedDelimiter(settings_.delimiterIndex); }

void SurveyDocument::setSettings(const TableSettings& settings)
{
    if (settings_ == settings)
        return;
    settings_ = settings;
    notify({DocumentChange::What::Settings, TableId::Depth, {}});
}

void SurveyDocument::setFirstDataRow(int row)
{
    int last = lastDataRow_;
    if (row >= last)
        last = row + 1;
    setRange(row, last);
}

void SurveyDocument::setLastDataRow(int row) { setRange(firstDataRow_, row); }

void SurveyDocument::setRange(int first, int last)
{
    if (first == firstDataRow_ && last == lastDataRow_)
        return;
    firstDataRow_ = first;
    lastDataRow_ = last;
    notify({DocumentChange::What::Range, TableId::Depth, {}});
}

void SurveyDocument::select(int col, int row)
{
    selCol_ = col;
    selRow_ = row;
    notify({DocumentChange::What::Selection, TableId::Depth, {col, row, col, row}});
}

// ---- parameters ----

DiagramParams SurveyDocument::diagramParams() const
{
    DiagramParams p = diagramParams_;
    p.ColX = settings_.picketColumnText;
    p.FirstDataRow = firstDataRow_;
    p.LastDataRow = lastDataRow_;
    return p;
}

void SurveyDocument::setDiagramParams(const DiagramParams& params)
{
    diagramParams_ = params;
    notify({DocumentChange::What::DiagramParams, TableId::Depth, {}});
}

SectionParams SurveyDocument::sectionParams() const
{
    SectionParams p = sectionParams_;
    p.FirstDataRow = firstDataRow_;
    p.LastDataRow = lastDataRow_;
    return p;
}

void SurveyDocument::setSectionParams(const SectionParams& params)
{
    // The range comes from the document, not from the parameters.
    SectionParams wanted = params;
    wanted.FirstDataRow = sectionParams_.FirstDataRow;
    wanted.LastDataRow = sectionParams_.LastDataRow;
    if (wanted == sectionParams_)
        return;
    SectionParams drawnPart = wanted;
    drawnPart.ISSO = sectionParams_.ISSO; // the boreholes' label line is drawn only by "Выработки"
    const bool redraws = !(drawnPart == sectionParams_);
    sectionParams_ = wanted;
    notify({DocumentChange::What::SectionParams, TableId::Depth, {}, redraws});
    redrawPending();
}

void SurveyDocument::setSoils(std::vector<std::string> soils)
{
    if (soils == soils_)
        return;
    soils_ = std::move(soils);
    notify({DocumentChange::What::Soils, TableId::Depth, {}});
}

void SurveyDocument::setRadargramPath(std::string path)
{
    if (path == radargramPath_)
        return;
    radargramPath_ = std::move(path);
    notify({DocumentChange::What::Radargram, TableId::Depth, {}});
}

void SurveyDocument::putRadargramModel(RadargramModel model)
{
    radargramModel_ = std::move(model);
    notify({DocumentChange::What::RadargramModel, TableId::Depth, {}});
}

void SurveyDocument::putNorms(DesignNorms norms)
{
    norms_ = std::move(norms);
    notify({DocumentChange::What::Norms, TableId::Depth, {}});
}

void SurveyDocument::setNorms(DesignNorms norms)
{
    if (norms == norms_)
        return;
    CheckNorms(norms);
    auto edit = std::make_unique<NormsEdit>("Нормы проектирования", norms_, std::move(norms));
    edit->apply(*this);
    commit(std::move(edit));
}

void SurveyDocument::putProjectForm(ProjectForm form)
{
    projectForm_ = std::move(form);
    notify({DocumentChange::What::ProjectForm, TableId::Depth, {}});
}

void SurveyDocument::setProjectForm(ProjectForm form)
{
    if (form == projectForm_)
        return;
    auto edit = std::make_unique<ProjectFormEdit>("Основная надпись", projectForm_, std::move(form));
    edit->apply(*this);
    commit(std::move(edit));
}

ComplianceSetup SurveyDocument::complianceSetup() const
{
    ComplianceSetup setup;
    setup.firstRow = firstDataRow_;
    setup.lastRow = lastDataRow_;
    setup.titleRow = settings_.headerRowCount >= 1 ? 1 : 0;
    for (int slot = 0; slot < layers_.LayerCount(); ++slot) {
        const TLayer& layer = layers_.Layers(slot);
        if (slot == 0)
            setup.picketColumn = layer.PicketColumn;
        setup.columns.push_back(layer.DepthColumn);
    }
    setup.norms = norms_;
    return setup;
}

void SurveyDocument::markStale(const DocumentChange& change)
{
    using W = DocumentChange::What;
    if (stale_ == Stale::Whole)
        return;
    switch (change.what) {
    case W::Cells:
    case W::Corrected:
        if (change.table != TableId::Depth)
            return;
        // A title names a layer; anything but the body of the range is read whole again.
        if (change.rect.top <= 1 || change.rect.left <= 0) {
            stale_ = Stale::Whole;
            return;
        }
        if (stale_ == Stale::Norms) {
            stale_ = Stale::Whole;
        } else if (stale_ == Stale::No) {
            stale_ = Stale::Rows;
            staleFirst_ = change.rect.top;
            staleLast_ = change.rect.bottom;
        } else {
            staleFirst_ = std::min(staleFirst_, change.rect.top);
            staleLast_ = std::max(staleLast_, change.rect.bottom);
        }
        return;
    case W::TableShape:
    case W::TableReplaced:
        if (change.table == TableId::Depth)
            stale_ = Stale::Whole;
        return;
    case W::Norms:
        // The rows need not be read again for new norms, unless cells changed too.
        stale_ = stale_ == Stale::No || stale_ == Stale::Norms ? Stale::Norms : Stale::Whole;
        return;
    case W::Settings:
    case W::Range:
    case W::Layers: stale_ = Stale::Whole; return;
    default: return;
    }
}

const Compliance& SurveyDocument::compliance()
{
    if (!thickness_)
        thickness_ = std::make_unique<ThicknessAnalysis>();
    if (stale_ == Stale::Whole || !thickness_->valid()) {
        // Marked fresh only once made: a refusal is met again on the next call.
        thickness_->compute(depth_, complianceSetup());
        stale_ = Stale::No;
    } else if (stale_ == Stale::Rows) {
        thickness_->rowsChanged(depth_, staleFirst_, staleLast_);
        stale_ = Stale::No;
    } else if (stale_ == Stale::Norms) {
        thickness_->normsChanged(depth_, complianceSetup());
        stale_ = Stale::No;
    }
    return thickness_->result();
}

void SurveyDocument::changeRadargram(std::string text, RadargramModel model)
{
    if (model == radargramModel_)
        return;
    CheckModel(model);
    auto edit = std::make_unique<RadargramEdit>(std::move(text), radargramModel_, std::move(model));
    edit->apply(*this);
    commit(std::move(edit));
}

void SurveyDocument::openRadargramFile(const std::string& path, const Progress& progress)
{
    // Read whole before anything changes: a file refused half-way leaves the former one.
    const std::unique_ptr<RadargramReader> reader = OpenRadargram(path, progress);
    RadargramModel model = ModelOfFile(path, reader->info(), MeanTrace(*reader, 0), radargramModel_.display);
    model.snapToReflection = radargramModel_.snapToReflection;
    changeRadargram("Открыть радарограмму", std::move(model));
}

void SurveyDocument::closeRadargramFile()
{
    RadargramModel model;
    model.display = radargramModel_.display;
    model.snapToReflection = radargramModel_.snapToReflection;
    changeRadargram("Закрыть радарограмму", std::move(model));
}

void SurveyDocument::setRadargramChannel(int channel)
{
    RadargramModel model = radargramModel_;
    model.channel = channel;
    changeRadargram("Канал радарограммы", std::move(model));
}

void SurveyDocument::setRadargramTies(std::vector<TraceTie> ties)
{
    RadargramModel model = radargramModel_;
    model.ties = std::move(ties);
    changeRadargram("Привязка радарограммы", std::move(model));
}

void SurveyDocument::addRadargramTie(const TraceTie& tie)
{
    RadargramModel model = radargramModel_;
    model.ties.push_back(tie);
    changeRadargram("Привязать трассу", std::move(model));
}

bool SurveyDocument::removeRadargramTie(std::int64_t trace)
{
    RadargramModel model = radargramModel_;
    const auto gone = std::erase_if(model.ties, [&](const TraceTie& tie) { return tie.trace == trace; });
    if (gone == 0)
        return false;
    changeRadargram("Удалить привязку трассы", std::move(model));
    return true;
}

void SurveyDocument::setRadargramTimeZero(double ns)
{
    RadargramModel model = radargramModel_;
    model.timeZeroNs = ns;
    changeRadargram("Нулевое время", std::move(model));
}

void SurveyDocument::setRadargramPermittivity(double eps) { setRadargramPermittivity(Permittivity{{}, {eps}}); }

void SurveyDocument::setRadargramPermittivity(Permittivity permittivity)
{
    RadargramModel model = radargramModel_;
    model.permittivity = std::move(permittivity);
    changeRadargram("Диэлектрическая проницаемость", std::move(model));
}

void SurveyDocument::putKnownDepths(std::vector<KnownDepth> known)
{
    knownDepths_ = std::move(known);
    notify({DocumentChange::What::KnownDepths, TableId::Depth, {}});
}

void SurveyDocument::setKnownDepths(std::vector<KnownDepth> known)
{
    if (known == knownDepths_)
        return;
    if (known.size() > kMaxKnownDepths)
        throw Error("Известных глубин не может быть больше " + std::to_string(kMaxKnownDepths) + ".");
    for (std::size_t i = 0; i < known.size(); ++i) {
        const KnownDepth& k = known[i];
        const std::string row = "Известная глубина " + std::to_string(i + 1);
        if (!std::isfinite(k.picket))
            throw Error(row + ": пикет должен быть конечным числом.");
        if (k.column < 1)
            throw Error(row + ": номер столбца слоя должен быть не меньше 1.");
        if (k.depthCm && !(std::isfinite(*k.depthCm) && *k.depthCm > 0))
            throw Error(row + ": глубина должна быть больше 0 см.");
    }
    auto edit = std::make_unique<KnownDepthsEdit>("Известные глубины", knownDepths_, std::move(known));
    edit->apply(*this);
    commit(std::move(edit));
}

CalibrationResult SurveyDocument::calibrate(std::span<const KnownDepth> known) const
{
    CalibrationSetup setup;
    setup.table = &depth_;
    setup.picketColumn = TryReadInteger(settings_.picketColumnText).value_or(1);
    setup.firstRow = firstDataRow_;
    setup.lastRow = lastDataRow_;
    setup.model = &radargramModel_;
    return Calibrate(setup, known);
}

void SurveyDocument::applyCalibration(const CalibrationResult& result)
{
    if (!result.anyFitted())
        throw Error("Калибровка не подобрала ни одной ε: применять нечего.");
    if (result.permittivity.boundariesCm != radargramModel_.permittivity.boundariesCm)
        throw Error("Калибровка сделана для других слоёв модели глубин: повторите её.");
    RadargramModel model = radargramModel_;
    model.permittivity = result.permittivity;
    changeRadargram("Калибровка ε", std::move(model));
}

void SurveyDocument::setRadargramDisplay(const RadargramDisplay& display)
{
    RadargramModel model = radargramModel_;
    model.display = display;
    changeRadargram("Отображение радарограммы", std::move(model));
}

void SurveyDocument::setRadargramSnap(bool snap)
{
    RadargramModel model = radargramModel_;
    model.snapToReflection = snap;
    changeRadargram("Притягивать к отражению", std::move(model));
}

void SurveyDocument::setPages(const PageChoice& pages)
{
    if (pages == pages_)
        return;
    pages_ = pages;
    notify({DocumentChange::What::Pages, TableId::Depth, {}});
}

// ---- recording ----

template <class Change>
void SurveyDocument::recordCells(TableId id, std::string text, const std::vector<CellRect>& rects, Change&& change,
                                 std::optional<DocumentChange::What> also, int mergeKey, CellChanges* changes)
{
    CellChanges none;
    CellChanges& changed = changes != nullptr ? *changes : none;
    Grid& grid = table(id);
    const TableShape before = CaptureShape(*this, id);
    std::vector<CellBlock> cellsBefore;
    cellsBefore.reserve(rects.size());
    for (const CellRect& r : rects)
        cellsBefore.push_back(CellBlock::capture(grid, r.left, r.top, r.cols(), r.rows()));
    auto finish = [&] {
        const TableShape after = CaptureShape(*this, id);
        std::vector<CellBlock> cellsAfter;
        cellsAfter.reserve(rects.size());
        for (const CellRect& r : rects)
            cellsAfter.push_back(CellBlock::capture(grid, r.left, r.top, r.cols(), r.rows()));
        if (after == before && cellsAfter == cellsBefore && changed.empty())
            return; // nothing changed: no step in the history
        if (after.cols != before.cols || after.rows != before.rows || after.fixedRows != before.fixedRows ||
            after.fixedCols != before.fixedCols) {
            notify({DocumentChange::What::TableShape, id, {}});
        } else {
            for (const CellRect& r : rects)
                notify({DocumentChange::What::Cells, id, r});
            if (!changed.empty())
                notify({DocumentChange::What::Cells, id, changed.bounds()});
        }
        if (also && !rects.empty())
            notify({*also, id, rects.front()});
        commit(std::make_unique<CellsEdit>(std::move(text), id, before, std::move(cellsBefore), after,
                                           std::move(cellsAfter), also, mergeKey, std::move(changed)));
    };
    try {
        change();
    } catch (const Cancelled&) {
        // Stopped by the user: what the command did so far is undone at once, shape and
        // cells, the views told, and no step is recorded.
        CellsEdit undo(text, id, before, std::move(cellsBefore), CaptureShape(*this, id), {}, also, mergeKey,
                       std::move(changed));
        undo.revert(*this);
        throw;
    } catch (...) {
        // What the command did before it failed stays, as one step that can be undone.
        finish();
        throw;
    }
    finish();
}

// ---- table commands ----

void SurveyDocument::writeCell(TableId id, int col, int row, std::string_view text)
{
    Grid& grid = table(id);
    if (col < 0 || row < 0 || col >= grid.colCount() || row >= grid.rowCount())
        return;
    recordCells(id, "Ввод в ячейку", {{col, row, col, row}}, [&] { grid.setCell(col, row, text); });
}

void SurveyDocument::clearTable()
{
    // The former table goes aside whole; the new one keeps its size and its numbering.
    auto fresh = std::make_unique<Grid>(depth_.colCount(), depth_.rowCount());
    std::vector<std::string> top;
    for (int c = 0; c < depth_.colCount(); ++c)
        top.emplace_back(depth_.cellView(c, 0));
    std::vector<std::string_view> topViews(top.begin(), top.end());
    if (!topViews.empty())
        fresh->setCells(0, 0, topViews.data(), topViews.size());
    for (int r = 1; r < depth_.rowCount(); ++r) {
        const long long number = depth_.rowLabelNumber(r);
        if (number >= 0)
            fresh->setRowLabelNumber(r, number);
        else
            fresh->setCell(0, r, depth_.cellView(0, r));
    }
    fresh->restoreFixed(depth_.fixedRows(), depth_.fixedCols());
    std::string refusal;
    try {
        fresh->setFixedRows(1);
        fresh->setFixedCols(1);
    } catch (const Error& e) {
        refusal = e.what();
    }
    auto edit = std::make_unique<ReplaceTableEdit>("Очистить", TableId::Depth, std::move(fresh), firstDataRow_,
                                                   lastDataRow_);
    edit->apply(*this);
    commit(std::move(edit));
    if (!refusal.empty())
        throw Error(refusal);
}

std::string SurveyDocument::copyTable() const { return CopyGridText(depth_); }

bool SurveyDocument::pasteTable(std::string_view text, const Progress& progress)
{
    const std::vector<std::string_view> lines = SplitPasteLines(text, false);
    const bool any = !text.empty();
    int cols = depth_.colCount();
    int rows = depth_.rowCount();
    if (any) {
        const int fields = WidestLine(lines);
        if (fields + 1 > Grid::kMaxColumns)
            PasteGridText(depth_, lines); // refuses with its message, nothing changed
        cols = std::max(cols, fields + 1);
        rows = std::max(rows, static_cast<int>(lines.size()) + 1);
    }
    // The pasted block is recorded cell by cell as it is written, only where it changes a cell:
    // the table pasted back with a correction keeps that correction, not the table twice.
    CellChanges pasted;
    recordCells(
        TableId::Depth, "Вставить", NumberingRects(depth_, cols, rows),
        [&] {
            if (any)
                PasteGridText(depth_, lines, progress, &pasted);
            NumberGridHeaders(depth_);
            depth_.setFixedRows(settings_.headerRowCount + 1);
            setLastDataRow(depth_.rowCount() - 1);
        },
        std::nullopt, -1, &pasted);
    return any;
}

void SurveyDocument::clearCells(TableId id, const CellRect& rect)
{
    Grid& grid = table(id);
    const CellRect r{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, grid.colCount() - 1),
                     std::min(rect.bottom, grid.rowCount() - 1)};
    if (r.right < r.left || r.bottom < r.top)
        return;
    recordCells(id, "Очистить ячейки", {r}, [&] {
        const std::vector<std::string_view> empties(static_cast<std::size_t>(r.cols()));
        for (int row = r.top; row <= r.bottom; ++row)
            grid.setCells(row, r.left, empties.data(), empties.size());
    });
}

std::string SurveyDocument::copyCells(TableId id, const CellRect& rect) const { return RectText(table(id), rect); }

CellRect SurveyDocument::pasteCellsAt(TableId id, int col, int row, std::string_view text)
{
    Grid& grid = table(id);
    const std::vector<std::string_view> lines = SplitPasteLines(text, true);
    if (lines.empty())
        return {col, row, col - 1, row - 1};
    col = std::max(col, 1);
    row = std::max(row, 1);
    const int fields = WidestLine(lines);
    if (static_cast<long long>(col) + fields > Grid::kMaxColumns)
        PasteTextAt(grid, col, row, lines); // refuses with its message, nothing changed
    const CellRect rect{col, row, col + fields - 1, row + static_cast<int>(lines.size()) - 1};
    const int oldCols = grid.colCount();
    const int oldRows = grid.rowCount();
    std::vector<CellRect> rects{rect};
    // Rows and columns the paste adds get their numbers.
    if (rect.bottom >= oldRows)
        rects.push_back({0, oldRows, 0, rect.bottom});
    if (rect.right >= oldCols)
        rects.push_back({oldCols, 0, rect.right, 0});
    recordCells(id, "Вставить ячейки", rects, [&] {
        PasteTextAt(grid, col, row, lines);
        for (int r = oldRows; r < grid.rowCount(); ++r)
            grid.setRowLabelNumber(r, r);
        for (int c = oldCols; c < grid.colCount(); ++c)
            grid.setCell(c, 0, IntToText(c));
    });
    return rect;
}

void SurveyDocument::insertRow()
{
    // The selection may stand on any row a project gave it, INT_MAX too.
    const int at = static_cast<int>(std::clamp(selRow_ + 1LL, 0LL, static_cast<long long>(depth_.rowCount())));
    auto edit = std::make_unique<LineEdit>("Вставить строку", TableId::Depth, LineEdit::Kind::InsertRow, at,
                                           CellBlock(), depth_.fixedRows(), depth_.fixedCols());
    try {
        edit->apply(*this);
    } catch (const Error&) {
        return; // the grid's refusal is swallowed
    }
    commit(std::move(edit));
}

void SurveyDocument::deleteRow()
{
    if (depth_.rowCount() <= 1)
        return; // the grid keeps one row; its refusal is swallowed
    const int at = std::clamp(selRow_, 0, depth_.rowCount() - 1);
    auto edit = std::make_unique<LineEdit>("Удалить строку", TableId::Depth, LineEdit::Kind::RemoveRow, at,
                                           CellBlock::capture(depth_, 0, at, depth_.colCount(), 1), depth_.fixedRows(),
                                           depth_.fixedCols());
    edit->apply(*this);
    commit(std::move(edit));
}

void SurveyDocument::insertColumn()
{
    if (depth_.colCount() >= Grid::kMaxColumns)
        return;
    const int at = std::clamp(selCol_ + 1, 0, depth_.colCount());
    auto edit = std::make_unique<LineEdit>("Вставить столбец", TableId::Depth, LineEdit::Kind::InsertColumn, at,
                                           CellBlock(), depth_.fixedRows(), depth_.fixedCols());
    edit->apply(*this);
    commit(std::move(edit));
}

void SurveyDocument::deleteColumn()
{
    if (depth_.colCount() <= 1)
        return;
    const int at = std::clamp(selCol_, 0, depth_.colCount() - 1);
    auto edit = std::make_unique<LineEdit>("Удалить столбец", TableId::Depth, LineEdit::Kind::RemoveColumn, at,
                                           CellBlock::capture(depth_, at, 0, 1, depth_.rowCount()), depth_.fixedRows(),
                                           depth_.fixedCols());
    edit->apply(*this);
    commit(std::move(edit));
}

void SurveyDocument::moveRow(TableId id, int from, int to)
{
    const Grid& grid = table(id);
    if (from == to || from < 0 || to < 0 || from >= grid.rowCount() || to >= grid.rowCount())
        return;
    auto edit = std::make_unique<MoveLineEdit>("Переместить строку", id, true, from, to);
    edit->apply(*this);
    commit(std::move(edit));
}

void SurveyDocument::moveColumn(TableId id, int from, int to)
{
    const Grid& grid = table(id);
    if (from == to || from < 0 || to < 0 || from >= grid.colCount() || to >= grid.colCount())
        return;
    auto edit = std::make_unique<MoveLineEdit>("Переместить столбец", id, false, from, to);
    edit->apply(*this);
    commit(std::move(edit));
}

int SurveyDocument::find(std::string_view text) const { return FindInPicketColumn(depth_, text, selRow_); }

void SurveyDocument::recalcPickets(const Progress& progress)
{
    const int first = std::max(settings_.headerRowCount + 1, 1);
    const int last = depth_.rowCount() - 1;
    if (first > last)
        return;
    // The kilometres and metres are kept packed as they are read, before each row is
    // rewritten; the pickets need no keeping, a redo computes them again.
    PackedTexts kilometres;
    PackedTexts metres;
    const CellRect rect{1, first, 2, last};
    int reached = first; // where a failure stopped: the rows read, kept above, say the same
    bool changed = false;
    try {
        changed = RecalcPicketRows(depth_, first, last, reached, progress, &kilometres, &metres);
    } catch (const Cancelled&) {
        // Stopped by the user: every row read so far goes back at once, and no step is recorded.
        PicketsEdit::Restore(depth_, first, first + static_cast<int>(kilometres.size()) - 1, kilometres, metres);
        notify({DocumentChange::What::Cells, TableId::Depth, rect});
        throw;
    } catch (...) {
        // The rows rewritten before the failure stay, as one step that can be undone.
        notify({DocumentChange::What::Cells, TableId::Depth, rect});
        const int read = static_cast<int>(kilometres.size());
        if (read > 0)
            commit(std::make_unique<PicketsEdit>("Пересчет в ПК", first, first + read - 1, std::move(kilometres),
                                                 std::move(metres)));
        throw;
    }
    if (!changed)
        return;
    notify({DocumentChange::What::Cells, TableId::Depth, rect});
    commit(std::make_unique<PicketsEdit>("Пересчет в ПК", first, last, std::move(kilometres), std::move(metres)));
}

void SurveyDocument::numberAfterLoad(std::string text)
{
    recordCells(TableId::Depth, std::move(text), NumberingRects(depth_, depth_.colCount(), depth_.rowCount()), [&] {
        NumberGridHeaders(depth_);
        depth_.setFixedRows(settings_.headerRowCount + 1);
        setLastDataRow(depth_.rowCount() - 1);
    });
}

bool SurveyDocument::importTable(std::unique_ptr<char[]> bytes, std::size_t size, const Progress& progress)
{
    if (size == 0) {
        numberAfterLoad("Импорт таблицы");
        return false;
    }
    // The file is read into a table of its own; the user's table is exchanged for it only
    // once the whole file has been read, so a file that fails changes nothing.
    auto fresh = std::make_unique<Grid>(depth_.colCount(), depth_.rowCount());
    fresh->restoreFixed(depth_.fixedRows(), depth_.fixedCols());
    FileBytes file;
    file.data = std::move(bytes);
    file.size = size;
    std::string refusal;
    ImportTableFile(*fresh, std::move(file), delimiter(), settings_.headerRowCount, refusal, progress);
    const int last = refusal.empty() ? fresh->rowCount() - 1 : lastDataRow_;
    auto edit = std::make_unique<ReplaceTableEdit>("Импорт таблицы", TableId::Depth, std::move(fresh), firstDataRow_,
                                                   last);
    edit->apply(*this);
    commit(std::move(edit));
    if (!refusal.empty())
        throw Error(refusal);
    return true;
}

bool SurveyDocument::importBoreholes(std::unique_ptr<char[]> bytes, std::size_t size, const Progress& progress)
{
    // Read aside like the depth table: a file that fails leaves the borehole table as it was.
    auto fresh = std::make_unique<Grid>(boreholes_.colCount(), boreholes_.rowCount());
    fresh->restoreFixed(boreholes_.fixedRows(), boreholes_.fixedCols());
    const bool any = size > 0;
    FileBytes file;
    if (any) {
        file.data = std::move(bytes);
        file.size = size;
    } else {
        // Nothing to read: the cells stay, the numbering and the fixed rows are redone.
        const CellBlock cells = CellBlock::capture(boreholes_, 1, 1, boreholes_.colCount() - 1,
                                                   boreholes_.rowCount() - 1);
        cells.restore(*fresh);
    }
    // A borehole file always has exactly one title line, whatever the depth table's setting.
    std::string refusal;
    ImportTableFile(*fresh, std::move(file), delimiter(), 1, refusal, progress);
    auto edit = std::make_unique<ReplaceTableEdit>("Импорт выработок", TableId::Boreholes, std::move(fresh),
                                                   firstDataRow_, lastDataRow_);
    edit->apply(*this);
    commit(std::move(edit));
    if (!refusal.empty())
        throw Error(refusal);
    return any;
}

// ---- layers and diagram ----

void SurveyDocument::addLayer()
{
    const std::uint32_t colorsBefore = layers_.colorState();
    const int slot = layers_.addLayer(settings_.picketColumnText, selCol_);
    LayerSnapshot snapshot = layers_.snapshotOf(layers_.Layers(slot).Item);
    commit(std::make_unique<LayerPresenceEdit>("Добавить слой", std::move(snapshot), true, colorsBefore,
                                               layers_.colorState()));
    notify({DocumentChange::What::Layers, TableId::Depth, {}});
}

bool SurveyDocument::deleteSelectedLayer()
{
    const std::optional<EntryId> selected = layers_.selectedEntry();
    if (!selected)
        return false;
    const std::uint32_t colors = layers_.colorState();
    auto edit = std::make_unique<LayerPresenceEdit>("Удалить слой", layers_.snapshotOf(*selected), false, colors,
                                                    colors);
    edit->apply(*this);
    commit(std::move(edit));
    return true;
}

void SurveyDocument::setLayerChecked(EntryId id, bool checked)
{
    if (layers_.positionOf(id) < 0 || layers_.isChecked(id) == checked)
        return;
    auto edit = std::make_unique<LayerCheckEdit>(id, checked);
    edit->apply(*this);
    commit(std::move(edit));
}

void SurveyDocument::setSelectedLayerStyle(Style style, std::uint32_t value)
{
    // A style control redraws its pictures whether or not a layer took the value.
    if (picturesFollow_)
        pending_ |= RedrawsFor(
            {style == Style::PointColor ? DocumentChange::What::PointColor : DocumentChange::What::LayerStyle});
    for (int slot = layers_.LayerCount() - 1; slot >= 0; --slot) {
        const TLayer& layer = layers_.Layers(slot);
        if (!layers_.isSelected(layer.Item))
            continue;
        const std::uint32_t before = LayerStyleEdit::read(layer, style);
        if (before == value)
            continue;
        auto edit = std::make_unique<LayerStyleEdit>(layer.Item, style, before, value);
        edit->apply(*this);
        commit(std::move(edit));
    }
    redrawPending();
}

void SurveyDocument::replaceLayers(const std::vector<LayerSnapshot>& layers, std::uint32_t colorState)
{
    if (layers.size() > static_cast<std::size_t>(LayerManager::kLayerSlots))
        throw Error("Нельзя добавить больше 61 слоя");
    while (layers_.LayerCount() > 0)
        layers_.removeLayer(layers_.Layers(layers_.LayerCount() - 1).Item);
    std::vector<std::pair<int, SeriesId>> drawn;
    for (const LayerSnapshot& wanted : layers) {
        // A layer added the ordinary way takes a fresh entry id from the manager, so that the
        // ids of later layers never meet the restored ones; it is then exchanged for the
        // wanted layer under that id.
        const int slot = layers_.addLayer("0", 0);
        const EntryId id = layers_.Layers(slot).Item;
        layers_.removeLayer(id);
        LayerSnapshot snapshot = wanted;
        snapshot.slot = slot;
        snapshot.record.Item = id;
        snapshot.entry.id = id;
        snapshot.attachedAt = -1;
        layers_.restoreLayer(snapshot);
        if (wanted.attachedAt >= 0)
            drawn.emplace_back(wanted.attachedAt, layers_.Layers(slot).Series);
    }
    std::stable_sort(drawn.begin(), drawn.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& entry : drawn)
        chart_.attach(entry.second);
    layers_.setColorState(colorState);
    notify({DocumentChange::What::Layers, TableId::Depth, {}});
}

void SurveyDocument::takeOver(SurveyDocument& loaded)
{
    // The grids are exchanged, never copied: a million-row table changes hands at once.
    depth_.swap(loaded.depth_);
    boreholes_.swap(loaded.boreholes_);
    settings_ = loaded.settings_;
    firstDataRow_ = loaded.firstDataRow_;
    lastDataRow_ = loaded.lastDataRow_;
    selCol_ = loaded.selCol_;
    selRow_ = loaded.selRow_;
    diagramParams_ = loaded.diagramParams_;
    sectionParams_ = loaded.sectionParams_;
    sectionState_ = loaded.sectionState_;
    soils_ = loaded.soils_;
    radargramPath_ = loaded.radargramPath_;
    radargramModel_ = std::move(loaded.radargramModel_);
    norms_ = std::move(loaded.norms_);
    knownDepths_ = std::move(loaded.knownDepths_);
    projectForm_ = std::move(loaded.projectForm_);
    pages_ = loaded.pages_;
    diagramBuilt_ = loaded.diagramBuilt_;
    diagramBoreholes_ = loaded.diagramBoreholes_;
    section_->restore(loaded.section_->saved());

    // The diagram shows the former table until it is built again: its lines are emptied and
    // the cursor taken off, as in a document that was never built.
    for (const SeriesId id : {diagram_->PicketSeries(), diagram_->SkvSeries()})
        chart_.series(id).clear();
    ChartCursor& cursor = diagram_->cursor();
    for (const SeriesId id : {cursor.HorzSeries, cursor.VertSeries}) {
        chart_.series(id).clear();
        chart_.detach(id);
    }
    const ChartCursor& from = loaded.diagram_->cursor();
    cursor.Col = from.Col;
    cursor.Row = from.Row;
    cursor.X = from.X;
    cursor.Y = from.Y;
    cursor.ColChosen = from.ColChosen;
    chart_.bottomAxis().setRange(loaded.chart_.bottomAxis().minimum(), loaded.chart_.bottomAxis().maximum());
    chart_.leftAxis().setRange(loaded.chart_.leftAxis().minimum(), loaded.chart_.leftAxis().maximum());

    // The layers come over by their snapshots; their series are made anew in this chart, which
    // the views are bound to.
    std::vector<LayerSnapshot> layers;
    for (int slot = 0; slot < loaded.layers_.LayerCount(); ++slot)
        layers.push_back(loaded.layers_.snapshotOf(loaded.layers_.Layers(slot).Item));
    replaceLayers(layers, loaded.layers_.colorState());

    // The views learn the new state; the pictures follow below as the project had them, not
    // by the rules of each single change.
    for (const DocumentChange::What what :
         {DocumentChange::What::TableReplaced, DocumentChange::What::Settings, DocumentChange::What::Range,
          DocumentChange::What::DiagramParams, DocumentChange::What::SectionParams, DocumentChange::What::Soils,
          DocumentChange::What::Radargram, DocumentChange::What::RadargramModel, DocumentChange::What::Norms,
          DocumentChange::What::KnownDepths, DocumentChange::What::ProjectForm, DocumentChange::What::Pages})
        notify({what, TableId::Depth, {}, false});
    notify({DocumentChange::What::TableReplaced, TableId::Boreholes, {}, false});
    notify({DocumentChange::What::Selection, TableId::Depth, {selCol_, selRow_, selCol_, selRow_}, false});

    // The section of a project is drawn again with its boreholes and annotation steps, and its
    // diagram built, as the project had them; a failure of either is reported after both were
    // tried, and the project stays open.
    std::exception_ptr failure;
    pending_ = Redraws{section_->redrawAfterOpen(), false};
    try {
        redrawPending();
    } catch (...) {
        failure = std::current_exception();
    }
    if (diagramBuilt_ && picturesFollow_) {
        try {
            buildChart();
            if (diagramBoreholes_)
                buildSkv();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

void SurveyDocument::buildChart()
{
    diagram_->BuildChart(depth_, diagramParams());
    diagramBuilt_ = true;
    notify({DocumentChange::What::DiagramBuilt, TableId::Depth, {}});
}

void SurveyDocument::buildSkv()
{
    BuildSkv(chart_, diagram_->SkvSeries(), boreholes_);
    diagramBoreholes_ = true;
}

void SurveyDocument::setDiagramBuilt(bool built, bool boreholes)
{
    diagramBuilt_ = built;
    diagramBoreholes_ = boreholes;
}

std::string DescribeCorrection(const LayerManager& layers, const Correction& correction)
{
    const int col = correction.col;
    const int row = correction.row;
    const std::string& before = correction.before;
    const std::string& after = correction.after;
    std::string layer = "Столбец " + std::to_string(col);
    for (int slot = 0; slot < layers.LayerCount(); ++slot) {
        const TLayer& record = layers.Layers(slot);
        if (record.DepthColumn != col)
            continue;
        const int position = layers.positionOf(record.Item);
        if (position >= 0)
            layer = layers.entryAt(position).caption;
        break;
    }
    const std::string where = layer + ", строка " + std::to_string(row) + ": ";
    if (after.empty())
        return where + "значение " + (before.empty() ? std::string("(пусто)") : before) +
               " удалено, ячейка пуста. Стрелки правят снова после щелчка по точке диаграммы.";
    return where + (before.empty() ? std::string("(пусто)") : before) + " → " + after;
}

std::optional<Correction> SurveyDocument::chartKeyDown(DiagramKey key)
{
    const int cursorRow = diagram_->cursor().Row;
    struct Told {
        SurveyDocument& doc;
        int row;
        ~Told() { doc.cursorMovedFrom(row); }
    } told{*this, cursorRow};
    std::optional<Correction> done;
    const int mergeKey = key == DiagramKey::Up || key == DiagramKey::Down ? kCorrectionMergeKey : -1;
    const char* text = key == DiagramKey::Delete ? "Удалить значение" : "Корректировка глубины";
    diagram_->ChartKeyDown(depth_, key, diagramParams(), [&](int col, int row, const std::string& value) {
        if (col < 0 || row < 0 || col >= depth_.colCount() || row >= depth_.rowCount())
            return;
        // Said before it is recorded: the rebuild the correction asks for may fail, the
        // correction stays done.
        done = Correction{col, row, depth_.cell(col, row), value};
        recordCells(
            TableId::Depth, text, {{col, row, col, row}}, [&] { depth_.setCell(col, row, value); },
            DocumentChange::What::Corrected, mergeKey);
    });
    return done;
}

void SurveyDocument::moveChartCursor(int row)
{
    const int before = diagram_->cursor().Row;
    diagram_->cursor().Row = row;
    cursorMovedFrom(before);
    if (diagramBuilt_)
        diagram_->BuildChart(depth_, diagramParams());
}

void SurveyDocument::chartClickSeries(SeriesId series, std::size_t index, ChartButton button)
{
    const int before = diagram_->cursor().Row;
    struct Told {
        SurveyDocument& doc;
        int row;
        ~Told() { doc.cursorMovedFrom(row); }
    } told{*this, before};
    diagram_->ChartClickSeries(depth_, series, index, button, diagramParams());
}

void SurveyDocument::cursorMovedFrom(int before)
{
    if (diagram_->cursor().Row != before)
        notify({DocumentChange::What::Cursor, TableId::Depth, {}, false});
}

int SurveyDocument::picketColumn() const
{
    const std::optional<int> col = TryReadInteger(settings_.picketColumnText);
    return col && *col >= 0 && *col < depth_.colCount() ? *col : 1;
}

std::optional<Correction> SurveyDocument::setDepthAt(int row, double depthCm)
{
    if (row < firstDataRow_ || row > lastDataRow_ || row < 0 || row >= depth_.rowCount() || !std::isfinite(depthCm))
        return std::nullopt;
    int col = diagram_->cursor().Col;
    for (int slot = layers_.LayerCount() - 1; slot >= 0; --slot)
        if (layers_.isSelected(layers_.Layers(slot).Item))
            col = layers_.Layers(slot).DepthColumn;
    if (col < 0 || col >= depth_.colCount())
        return std::nullopt;
    // The cursor goes first, so that the diagram rebuilt after the correction is around it.
    const int before = diagram_->cursor().Row;
    diagram_->cursor().Row = row;
    diagram_->cursor().Col = col;
    diagram_->cursor().ColChosen = true;
    cursorMovedFrom(before);
    const std::string value = NumberToText(RoundTo(depthCm, 0));
    if (depth_.cellView(col, row) == value) {
        if (diagramBuilt_ && before != row)
            diagram_->BuildChart(depth_, diagramParams());
        return std::nullopt;
    }
    Correction done{col, row, depth_.cell(col, row), value};
    recordCells(
        TableId::Depth, "Корректировка глубины", {{col, row, col, row}}, [&] { depth_.setCell(col, row, value); },
        DocumentChange::What::Corrected);
    return done;
}

} // namespace trassel
