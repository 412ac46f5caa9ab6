#include "cli/qt/section_source.h"

#include "document/survey_document.h"
#include "document/workspace.h"
#include "drawing/drawing_record.h"
#include "base/numbers.h"

namespace trassel {

SectionSource LoadWorkspaceSource(const std::string& path)
{
    // What the window's "open" does before it redraws: the document, the soil font on the canvas,
    // then the section, the boreholes when they had been drawn, and the annotation steps.
    LoadedWorkspace loaded = LoadWorkspace(path);
    SectionSource source;
    source.document = std::shared_ptr<SurveyDocument>(std::move(loaded.document));
    SurveyDocument& doc = *source.document;
    source.depth = &doc.depthTable();
    if (loaded.extras.boreholesDrawn)
        source.boreholes = &doc.boreholeTable();
    // The layers exactly as the section page hands them to the renderer.
    const LayerManager& layers = doc.layers();
    for (int slot = 0; slot < layers.LayerCount(); ++slot) {
        const TLayer& layer = layers.Layers(slot);
        source.layers.push_back(SectionLayer{layer.PicketColumn, layer.DepthColumn, layer.LineWidth, layer.LineColor,
                                             layer.BrushColor, layer.BrushStyle, layers.isChecked(layer.Item)});
    }
    source.params = doc.sectionParams();
    source.picketColumnText = doc.settings().picketColumnText;
    source.picketColumn = ReadInteger(source.picketColumnText);
    source.dataRows = {doc.settings().headerRowCount + 1, source.depth->rowCount() - 1};
    source.workingRange = {doc.firstDataRow(), doc.lastDataRow()};
    source.startState = doc.sectionState();
    source.startFont = loaded.extras.soilFont;
    source.annotate = [annotations = std::move(loaded.extras.annotations)](RecordingCanvas& canvas) {
        DrawAnnotations(annotations, canvas, 1);
        canvas.setGroup(0);
    };
    return source;
}

} // namespace trassel
