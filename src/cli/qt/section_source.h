#pragma once
// What the batch renderer draws: the depth and borehole tables, the layers in slot order, the
// parameters and the rows, read either from a table and the command line or from a workspace.
#include "cli/render_options.h"
#include "table/grid.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace trassel {

class RecordingCanvas;
class SurveyDocument;

struct SectionSource {
    std::shared_ptr<SurveyDocument> document;  // a workspace's document, which owns its tables
    std::shared_ptr<Grid> ownDepth;
    std::shared_ptr<Grid> ownBoreholes;
    const Grid* depth = nullptr;
    const Grid* boreholes = nullptr;  // null: no boreholes drawn
    std::vector<SectionLayer> layers;
    SectionParams params;            // the window's parameters; the command line's go over them
    std::string picketColumnText;    // as the borehole drawing reads it
    int picketColumn = 1;            // the column the range and the sheets are read from
    RowSpan dataRows;                // the rows a range may name
    RowSpan workingRange;            // the rows drawn when no range is given
    // What the section page holds before it draws: its size state and, for a workspace, the
    // soil font the window puts on the canvas before redrawing.
    SectionState startState;
    std::optional<FontState> startFont;
    // Draws the workspace's annotation steps; empty for a table.
    std::function<void(RecordingCanvas&)> annotate;
};

// A depth table (and boreholes) as the command line describes them.
SectionSource LoadTableSource(const RenderOptions& options);

// A workspace file as the window left it.
SectionSource LoadWorkspaceSource(const std::string& path);

} // namespace trassel
