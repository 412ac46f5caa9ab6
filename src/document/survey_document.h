#pragma once
// The survey document: the whole interpretation, free of any toolkit. It owns the depth table
// and the borehole table, the table settings, the working range, the selection, the layers,
// the diagram with its cursor and parameters, the section with its parameters, drawing record
// and annotation steps, the soil list, the radargram's file and the pages in front. Every
// change goes through a method of the document, which tells its listeners what changed; every
// change of the user's data is an Edit handed to the document's EditSink, so that it can be
// undone and redone. The pictures follow the changes by one set of rules (redraw_rules.h),
// whichever road a change took: a command, an undo, a redo or an open.
#include "base/signal.h"
#include "chart/chart_model.h"
#include "diagram/diagram.h"
#include "document/edit.h"
#include "document/redraw_rules.h"
#include "layers/layers.h"
#include "radargram/calibration.h"
#include "radargram/radargram_model.h"
#include "section/section_renderer.h"
#include "sheets/project_form.h"
#include "table/grid.h"
#include "table/grid_editing.h"
#include "thickness/analysis.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trassel {

class CellChanges;
class SectionScene;

// The table settings the import and the layers read.
struct TableSettings {
    int headerRowCount = 1;                  // seNumberOfHeaderRows
    int delimiterIndex = -1;                 // item of cmbDelimiter, -1 when a text was typed
    std::string delimiterText = "табуляция"; // the text cmbDelimiter shows
    std::string picketColumnText = "1";      // cmbX
    bool operator==(const TableSettings&) const = default;
};

// What a correction on the diagram did: the cell of the depth table and its text before and after.
struct Correction {
    int col = 0;
    int row = 0;
    std::string before;
    std::string after;
    bool operator==(const Correction&) const = default;
};

// The status line of a correction ("Слой по К№3, строка 57: 54 → 52"), named by the layer that
// shows that column.
std::string DescribeCorrection(const LayerManager& layers, const Correction& correction);

// The pages in front of the two page controls and the properties page, as the user left them,
// and what the page "Разрез" shows beside the section.
struct PageChoice {
    int left = 0;
    int right = 0;
    int properties = 0;
    // "Радарограмма над разрезом": the instrument radargram above the section on its axis.
    bool radargramAboveSection = false;
    bool operator==(const PageChoice&) const = default;
};

class SurveyDocument {
public:
    SurveyDocument();
    SurveyDocument(const SurveyDocument&) = delete;
    SurveyDocument& operator=(const SurveyDocument&) = delete;
    ~SurveyDocument();

    // ---- the parts ----
    Grid& table(TableId id) { return id == TableId::Depth ? depth_ : boreholes_; }
    const Grid& table(TableId id) const { return id == TableId::Depth ? depth_ : boreholes_; }
    Grid& depthTable() { return depth_; }
    const Grid& depthTable() const { return depth_; }
    Grid& boreholeTable() { return boreholes_; }
    ChartModel& chart() { return chart_; }
    const ChartModel& chart() const { return chart_; }
    LayerManager& layers() { return layers_; }
    const LayerManager& layers() const { return layers_; }
    Diagram& diagram() { return *diagram_; }
    const Diagram& diagram() const { return *diagram_; }

    SectionScene& section() { return *section_; }
    const SectionScene& section() const { return *section_; }

    // ---- listeners and history ----
    // Every change, as it happens; the subscription ends with the token.
    [[nodiscard]] Subscription subscribe(std::function<void(const DocumentChange&)> listener)
    {
        return changed_.subscribe(std::move(listener));
    }
    // Tells the listeners and notes what the change asks the pictures to redraw.
    void notify(const DocumentChange& change);
    // Edits go to `sink` once applied; without a sink they are applied and dropped.
    void setEditSink(EditSink* sink) { sink_ = sink; }
    // Hands an applied edit to the sink, then redraws what its changes ask for.
    void commit(std::unique_ptr<Edit> edit);
    // The road of an undo and a redo: the edit reverted or applied, then the same redraws as
    // after the command itself. A redraw that fails is reported by the exception; the edit
    // stays done.
    void undo(Edit& edit);
    void redo(Edit& edit);
    // Runs the redraws the changes since the last time asked for: the section first, then the
    // diagram. Each is tried; the first failure is rethrown after the others ran.
    void redrawPending();
    // Whether the pictures follow the changes at all; a document read from a file is a store
    // until it is put in place, and draws nothing meanwhile.
    void setPicturesFollow(bool follow) { picturesFollow_ = follow; }

    // ---- settings, range, selection (state, not edits) ----
    const TableSettings& settings() const { return settings_; }
    // Sets the header-row count; the depth table's fixed rows become count + 1, which the
    // grid may refuse ("Fixed row count must be less than row count", fixed rows unchanged).
    void setHeaderRowCount(int count);
    void setDelimiter(int itemIndex, std::string_view text);
    void setPicketColumnText(std::string_view text);
    char delimiter() const;
    // All settings at once, without the fixed-row rule (a workspace putting back its own).
    void setSettings(const TableSettings& settings);

    int firstDataRow() const { return firstDataRow_; }
    int lastDataRow() const { return lastDataRow_; }
    // Not bounded; a first row not below the last moves the last to first + 1.
    void setFirstDataRow(int row);
    void setLastDataRow(int row);
    // Both at once, without the rule (an edit putting back its range).
    void setRange(int first, int last);

    int selCol() const { return selCol_; }
    int selRow() const { return selRow_; }
    // A cell of either table became current.
    void select(int col, int row);

    // ---- diagram and section parameters ----
    // The diagram's settings with the picket column text and working range filled in.
    DiagramParams diagramParams() const;
    void setDiagramParams(const DiagramParams& params);
    SectionParams sectionParams() const;
    // A change of a parameter the section shows redraws it.
    void setSectionParams(const SectionParams& params);
    SectionState& sectionState() { return sectionState_; }
    const SectionState& sectionState() const { return sectionState_; }
    int sectionWidth() const { return sectionState_.sectionWidth; }
    void setSectionWidth(int width) { sectionState_.sectionWidth = width; }

    // ---- the soil list, the radargram, the pages ----
    const std::vector<std::string>& soils() const { return soils_; }
    void setSoils(std::vector<std::string> soils);
    // The radargram's file (absolute, UTF-8); empty when none is shown.
    const std::string& radargramPath() const { return radargramPath_; }
    void setRadargramPath(std::string path);
    const PageChoice& pages() const { return pages_; }
    void setPages(const PageChoice& pages);

    // ---- the instrument radargram: its file, registration, depth scale and display ----
    // Each change below is one undoable step, checked first: a refusal (an Error in Russian)
    // leaves the model as it was.
    const RadargramModel& radargramModel() const { return radargramModel_; }
    // Opens an instrument file (its header, and the averaged trace of a few traces for time
    // zero when the header gives none) in place of the former one: channel 0, no ties, the
    // header's permittivity, the display kept. A file that cannot be read changes nothing and
    // its reader's Error goes to the caller.
    void openRadargramFile(const std::string& path, const Progress& progress = {});
    void closeRadargramFile();
    void setRadargramChannel(int channel);
    void setRadargramTies(std::vector<TraceTie> ties);
    // A trace tied to a picket; a trace already tied is refused (remove its tie first).
    void addRadargramTie(const TraceTie& tie);
    // False when `trace` was not tied.
    bool removeRadargramTie(std::int64_t trace);
    void setRadargramTimeZero(double ns);
    // One permittivity for the whole profile, or one per layer.
    void setRadargramPermittivity(double eps);
    void setRadargramPermittivity(Permittivity permittivity);
    void setRadargramDisplay(const RadargramDisplay& display);
    // "Притягивать к отражению", kept with the display through opening another file.
    void setRadargramSnap(bool snap);
    // Puts `model` in place as it is, without an edit (an edit's own road, an open project).
    void putRadargramModel(RadargramModel model);

    // ---- calibration of the permittivity by known depths ----
    const std::vector<KnownDepth>& knownDepths() const { return knownDepths_; }
    // The table of known depths as one undoable step "Известные глубины", checked first (a
    // picket or depth not finite, a column below 1, more than kMaxKnownDepths rows: an Error).
    void setKnownDepths(std::vector<KnownDepth> known);
    // Puts `known` in place as it is, without an edit (an edit's own road, an open project).
    void putKnownDepths(std::vector<KnownDepth> known);
    // The fit of the known depths against the depth table's working range and the radargram's
    // depth model as they are now (see Calibrate).
    CalibrationResult calibrate() const { return calibrate(knownDepths_); }
    // The same fit of another table (one being typed).
    CalibrationResult calibrate(std::span<const KnownDepth> known) const;
    // The fitted permittivity put in force as one undoable step "Калибровка ε".
    void applyCalibration(const CalibrationResult& result);

    // ---- thickness against the design ----
    const DesignNorms& norms() const { return norms_; }
    // The norms as one undoable step "Нормы проектирования", checked first: a refusal (an Error
    // naming the field) leaves them as they were.
    void setNorms(DesignNorms norms);
    // Puts `norms` in place as they are, without an edit (an edit's own road, an open project).
    void putNorms(DesignNorms norms);
    // What the analysis reads now: the working range, the first layer's picket column, the
    // layers' depth columns in slot order (the first layer lies under the sleeper), the title row
    // (row 1 when the table has a header row) and the norms.
    ComplianceSetup complianceSetup() const;
    // The thickness of every layer against the norms, its failing stretches and summaries, as
    // the document is now: made again on the first call after a change, reading only the changed
    // rows after a correction of cells. Error (the pickets out of order) when it cannot be made.
    const Compliance& compliance();

    // ---- the project form of the sheets and the report ----
    const ProjectForm& projectForm() const { return projectForm_; }
    // The form as one undoable step "Основная надпись"; nothing when it is unchanged.
    void setProjectForm(ProjectForm form);
    // Puts `form` in place as it is, without an edit (an edit's own road, an open project).
    void putProjectForm(ProjectForm form);

    // ---- table commands (each one undoable step) ----
    // Typing into a cell.
    void writeCell(TableId id, int col, int row, std::string_view text);
    // "Очистить": every cell but the numbering emptied, one fixed row and one fixed column.
    void clearTable();
    // "Копировать": the whole body as clipboard text.
    std::string copyTable() const;
    // "Вставить": false (nothing pasted) for an empty text; either way the numbering, the
    // fixed rows and LastDataRow are then applied. Cancelled through `progress`, the table
    // goes back as it was, shape and all, and nothing is recorded.
    bool pasteTable(std::string_view text, const Progress& progress = {});
    // "Очистить ячейки" and the Delete key: every cell of `rect` emptied.
    void clearCells(TableId id, const CellRect& rect);
    // Ctrl+C: the cells of `rect`. Ctrl+V: the text written from (col, row) on.
    std::string copyCells(TableId id, const CellRect& rect) const;
    CellRect pasteCellsAt(TableId id, int col, int row, std::string_view text);
    // The four row and column commands at SelRow / SelCol; a refusal of the grid is
    // swallowed and changes nothing.
    void insertRow();
    void deleteRow();
    void insertColumn();
    void deleteColumn();
    // A row or column dragged by its header cell.
    void moveRow(TableId id, int from, int to);
    void moveColumn(TableId id, int from, int to);
    // "Найти": the row found below SelRow, or -1 (the view makes it current, which selects it).
    int find(std::string_view text) const;
    // "Сделать строку начальной" / "Сделать строку последней".
    void madeRowFirst() { setFirstDataRow(selRow_); }
    void madeRowLast() { setLastDataRow(selRow_); }
    // "Пересчет в ПК". Cancelled through `progress`, it puts every cell back and records nothing.
    void recalcPickets(const Progress& progress = {});
    // "Импорт таблицы" of `bytes` (the whole file, Windows-1251). An empty file changes no cell
    // and gives false (the caller says "Файл пустой!"); either way the numbering, the fixed
    // rows and LastDataRow are then applied. A file that cannot be read, or a read cancelled
    // through `progress`, changes nothing.
    bool importTable(std::unique_ptr<char[]> bytes, std::size_t size, const Progress& progress = {});
    // "Импорт выработок" of `bytes` into the borehole table: read aside and put in place whole,
    // numbered, with two fixed rows (the grid refuses them when it has only two rows: the
    // table is in place, the refusal reported). An empty file changes no cell and gives false.
    bool importBoreholes(std::unique_ptr<char[]> bytes, std::size_t size, const Progress& progress = {});

    // ---- layers and diagram ----
    // "Добавить слой" for SelCol; "Удалить слой" for the selected entry (false when none).
    void addLayer();
    bool deleteSelectedLayer();
    void setLayerChecked(EntryId id, bool checked);
    // A style of the selected layer (there is at most one), changed by a style control.
    enum class Style { LineWidth, LineColor, BrushStyle, BrushColor, PointColor };
    void setSelectedLayerStyle(Style style, std::uint32_t value);
    // "Построить диаграмму".
    void buildChart();
    // "Построить скв": the boreholes into the diagram's borehole series.
    void buildSkv();
    // Whether "Построить диаграмму" and "Построить скв" have been run on this interpretation.
    bool diagramBuilt() const { return diagramBuilt_; }
    bool diagramBoreholesShown() const { return diagramBoreholes_; }
    // What a project says of its diagram: built, with boreholes; an open builds it again.
    void setDiagramBuilt(bool built, bool boreholes);
    // A key on the diagram; Up, Down and Delete change the cell under the cursor and say what
    // they did; other keys, and a key that changed nothing, give nothing.
    std::optional<Correction> chartKeyDown(DiagramKey key);
    void chartClickSeries(SeriesId series, std::size_t index, ChartButton button);
    // Puts the diagram's cursor on table row `row` (a place chosen in another page) and, when
    // the diagram is built, builds it again around the cursor as a click on a point does.
    void moveChartCursor(int row);
    // Sets the depth of the layer the arrow keys correct (the selected one, else the cursor's
    // column) at `row` of the working range to `depthCm`, rounded to whole centimetres as a
    // correction writes it, and puts the cursor there: one undoable step that the pictures
    // follow as after a correction by key. Nothing for a row outside the range or a depth that
    // is not finite; the cursor still moves when the cell already holds that depth.
    std::optional<Correction> setDepthAt(int row, double depthCm);
    // The column of the depth table the diagram reads its pickets from (cmbX), 1 when its text
    // is not a column number.
    int picketColumn() const;

    // ---- whole documents ----
    // Puts `layers` (in slot order) in place of every layer, without an edit: each comes back
    // with its record, caption, check and selection, and series name; `attachedAt` only orders
    // the layers' series among themselves on the diagram (-1: not drawn). The colour generator
    // is set to `colorState`, so the next "Добавить слой" gets the colour it would have had.
    void replaceLayers(const std::vector<LayerSnapshot>& layers, std::uint32_t colorState);
    // Moves the whole interpretation of `loaded` (an opened workspace) into this document:
    // both tables, settings, range, selection, layers, diagram parameters and cursor, section
    // parameters and size. The diagram is emptied, to be built again by the caller if the
    // workspace says it was built. Not an edit: the caller clears its history. Listeners,
    // the edit sink and the section canvas stay; `loaded` is left with this document's
    // former tables and is only fit to be destroyed.
    // The pictures then follow as the project had them: the diagram built again if it was
    // built, the section drawn with its boreholes and annotation steps if it was drawn.
    void takeOver(SurveyDocument& loaded);

    // The bytes the depth table's cells hold.
    std::size_t memoryBytes() const { return depth_.memoryBytes() + boreholes_.memoryBytes(); }

private:
    // Records the cells of `rects` and the table's shape around `change`, and commits the
    // difference as one edit, also when `change` fails half-way (then rethrows).
    // Cells the command records itself as it changes them go into `changes`.
    template <class Change>
    void recordCells(TableId id, std::string text, const std::vector<CellRect>& rects, Change&& change,
                     std::optional<DocumentChange::What> also = std::nullopt, int mergeKey = -1,
                     CellChanges* changes = nullptr);
    // Checks `model` and commits the change to it as one step named `text`.
    void changeRadargram(std::string text, RadargramModel model);
    // The numbering, fixed rows and LastDataRow an import redoes, as one step named `text`.
    void numberAfterLoad(std::string text);
    // Tells the listeners when the diagram cursor left row `before`.
    void cursorMovedFrom(int before);

    Grid depth_{10, 20};
    Grid boreholes_{5, 2};
    ChartModel chart_;
    LayerManager layers_{chart_};
    std::unique_ptr<Diagram> diagram_;
    TableSettings settings_;
    int firstDataRow_ = 2;
    int lastDataRow_ = 19;
    int selCol_ = 0;
    int selRow_ = 0;
    DiagramParams diagramParams_;
    SectionParams sectionParams_;
    SectionState sectionState_;
    EditSink* sink_ = nullptr;
    std::unique_ptr<SectionScene> section_;
    std::vector<std::string> soils_;
    std::string radargramPath_;
    RadargramModel radargramModel_;
    std::vector<KnownDepth> knownDepths_;
    DesignNorms norms_;
    ProjectForm projectForm_;
    // The analysis and what changed since it was made: nothing, rows of cells, or more.
    std::unique_ptr<ThicknessAnalysis> thickness_;
    enum class Stale { No, Rows, Norms, Whole } stale_ = Stale::Whole;
    int staleFirst_ = 0;
    int staleLast_ = 0;
    void markStale(const DocumentChange& change);
    PageChoice pages_;
    bool diagramBuilt_ = false;
    bool diagramBoreholes_ = false;
    bool picturesFollow_ = true;
    bool redrawing_ = false;
    Redraws pending_;
    Signal<const DocumentChange&> changed_;
};

} // namespace trassel
