#pragma once
// What the batch renderer draws: a survey document, read from a workspace or made of a table
// (and boreholes) the command line names, with the layers to draw and the rows a range may name.
#include "cli/render_options.h"
#include "document/survey_document.h"

#include <memory>
#include <string>
#include <vector>

namespace trassel {

struct SectionSource {
    std::unique_ptr<SurveyDocument> document;
    std::vector<SectionLayer> layers;
    bool boreholes = false;   // "Выработки" drawn over the section
    bool annotations = false; // the workspace's annotation steps, over the window's picture
    int picketColumn = 1;     // the column the range and the sheets are read from
    RowSpan dataRows;         // the rows a range may name
    RowSpan workingRange;     // the rows drawn when no range is given
};

// A depth table (and boreholes) as the command line describes them.
SectionSource LoadTableSource(const RenderOptions& options);

// A workspace file as the window left it.
SectionSource LoadWorkspaceSource(const std::string& path);

} // namespace trassel
