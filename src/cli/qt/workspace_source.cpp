#include "cli/qt/section_source.h"

#include "base/numbers.h"
#include "document/section_scene.h"
#include "document/workspace.h"

namespace trassel {

SectionSource LoadWorkspaceSource(const std::string& path)
{
    SectionSource source;
    source.document = std::move(LoadWorkspace(path).document);
    SurveyDocument& doc = *source.document;
    source.layers = SectionLayersOf(doc.layers());
    source.boreholes = doc.section().saved().boreholesDrawn;
    source.annotations = true;
    source.picketColumn = ReadInteger(doc.settings().picketColumnText);
    source.dataRows = {doc.settings().headerRowCount + 1, doc.depthTable().rowCount() - 1};
    source.workingRange = {doc.firstDataRow(), doc.lastDataRow()};
    return source;
}

} // namespace trassel
