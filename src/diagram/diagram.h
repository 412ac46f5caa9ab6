#pragma once
// The interpretation diagram's logic: building the picket line, the layer series and the
// cursor from the depth table, and correcting depths from the keyboard and the mouse.
#include "chart/chart_model.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace trassel {

class Grid;
class LayerManager;

// The diagram settings as the controls hold them when a command runs.
struct DiagramParams {
    std::string ColX = "1"; // the picket column as typed
    int FirstDataRow = 2;   // working range of the depth table, inclusive
    int LastDataRow = 19;
    bool SeriesMarksVisible = true;     // marks of the layer series
    int SeriesFrequencyMarks = 10;      // a mark on every n-th layer point
    bool CursorHorizMarkVisible = true; // the depth mark of the cursor
    bool CursorVertMarkVisible = true;  // the picket mark of the cursor
    int CursorHorzSize = 10;            // pixels, width of the horizontal bar
    int CursorVertSize = 10;            // pixels, height of the vertical bar
    bool DinamicDiapazonAxes = true;    // the axes follow the cursor
    int WindowWidth = 2;                // visible window, in pickets
    int WindowHeight = 200;             // visible window, in depth units
    std::string VertIncrement = "1";    // step of a depth correction, as typed
    bool operator==(const DiagramParams&) const = default;
};

// The cell being edited and its cross on the diagram.
struct ChartCursor {
    SeriesId VertSeries = 0; // vertical bar; its mark shows the picket
    SeriesId HorzSeries = 0; // horizontal bar; its mark shows the depth
    int Col = 2;
    int Row = 2;
    // Until a key or a project chooses the column, a build puts the cursor on a layer's depths
    // (the selected layer's, else the first checked one's), never on the pickets.
    bool ColChosen = false;
    double X = 0.0; // picket of Row, from the last build
    double Y = 0.0; // depth of (Col, Row), from the last build
};

// The keys the diagram reacts to; the window maps its toolkit's keys to these.
enum class DiagramKey { Left, Up, Right, Down, Delete, Other };

enum class ChartButton { Left, Right, Other };

// Owns the picket line, the borehole series and the cursor of the diagram and rebuilds the
// diagram from the table and the layers. Every failure is a trassel::Error; what was done
// before it stays.
class Diagram {
public:
    // Creates the picket line and the borehole series (attached, in that order) and the
    // cursor's two series (attached by the first build); the cursor starts at `firstDataRow`.
    Diagram(ChartModel& chart, LayerManager& layers, int firstDataRow);
    Diagram(const Diagram&) = delete;
    Diagram& operator=(const Diagram&) = delete;
    ~Diagram();

    SeriesId PicketSeries() const { return picketSeries_; }
    SeriesId SkvSeries() const { return skvSeries_; }
    ChartCursor& cursor() { return cursor_; }
    const ChartCursor& cursor() const { return cursor_; }
    ChartModel& chart() { return *chart_; }

    // The whole build: picket line, layers from the last slot down, cursor, axis window.
    void BuildChart(const Grid& grid, const DiagramParams& params);

    // The build's steps.
    void FillPicketSeries(SeriesId series, int picketColumn, const Grid& grid, const DiagramParams& params);
    void FillLayerSeries(SeriesId series, int picketColumn, int depthColumn, const Grid& grid,
                         const DiagramParams& params);
    void UpdateCursorSeries(const DiagramParams& params);

    // A key pressed on the diagram: the arrows move the cursor along the rows or change the
    // depth under it by the step, Delete empties it; then the diagram is rebuilt. Never
    // fails: an error leaves the handler silently where it arose.
    void ChartKeyDown(Grid& grid, DiagramKey key, const DiagramParams& params);
    // The same, with the cell written through `write` (the document makes it an edit, whose
    // rules rebuild the diagram); only a move of the cursor rebuilds it here.
    using CellWriter = std::function<void(int col, int row, const std::string& text)>;
    void ChartKeyDown(const Grid& grid, DiagramKey key, const DiagramParams& params, const CellWriter& write);

    // A press on point `index` of `series`. Left: the cursor goes to the table row the point
    // was built from (points of no row leave it) and the diagram is rebuilt, its errors
    // propagating. Right: the point leaves its series until the next build.
    void ChartClickSeries(const Grid& grid, SeriesId series, std::size_t index, ChartButton button,
                          const DiagramParams& params);

private:
    // What a build read and made: while all of it stays, a change of one depth cell (a
    // correction, its undo) mends the one point it moves instead of building everything again.
    struct LayerStamp {
        SeriesId series = 0;
        int item = 0; // the layer's entry in the manager's list
        bool checked = false;
        int picketColumn = 0;
        int depthColumn = 0;
        Color pointColor = 0;
        std::uint64_t dataRevision = 0;
        bool operator==(const LayerStamp&) const = default;
    };
    struct BuildStamp {
        bool valid = false;
        const Grid* grid = nullptr;
        std::uint64_t gridRevision = 0;
        DiagramParams params;
        std::uint64_t picketRevision = 0;
        std::vector<LayerStamp> layers;
    };
    std::vector<LayerStamp> layerStamps() const;
    // Mends the points of the one cell written since the last build; false when anything else
    // changed, and then nothing was touched.
    bool mendChart(const Grid& grid, const DiagramParams& params);
    // The cursor and the axis window, the last part of every build.
    void placeCursor(const Grid& grid, const DiagramParams& params);
    void fillLayerSeries(ChartSeries& series, int picketColumn, int depthColumn, const Grid& grid,
                         const DiagramParams& params, const std::vector<double>* pickets);
    void setAxisWindow(ChartAxis& axis, double minimum, double maximum);

    ChartModel* chart_;
    LayerManager* layers_;
    SeriesId picketSeries_;
    SeriesId skvSeries_;
    ChartCursor cursor_;
    // Rounded pickets of one column over the working range, in row order, shared by the
    // picket line and the layers of one build that read the same column.
    int picketCacheColumn_ = -1;
    std::vector<double> picketCache_;
    BuildStamp stamp_;
};

} // namespace trassel
