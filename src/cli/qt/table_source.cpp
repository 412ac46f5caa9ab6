#include "cli/qt/section_source.h"

#include "base/numbers.h"
#include "table/pickets.h"

namespace trassel {

SectionSource LoadTableSource(const RenderOptions& options)
{
    SectionSource source;
    source.document = std::make_unique<SurveyDocument>();
    SurveyDocument& doc = *source.document;
    // The smallest table an import can grow from: the file alone decides its size.
    Grid depth(2, 2);
    LoadDepthTable(depth, ReadWholeFile(options.table), options.delimiter, options.headerRows);
    if (options.recalcPickets)
        RecalcPickets(depth, options.headerRows);
    doc.depthTable().swap(depth);
    if (!options.boreholes.empty()) {
        Grid boreholes(2, 2);
        LoadBoreholeTable(boreholes, ReadWholeFile(options.boreholes), options.delimiter);
        doc.boreholeTable().swap(boreholes);
        source.boreholes = true;
    }
    doc.setPicketColumnText(IntToText(options.picketColumn));
    source.layers = options.layers;
    source.picketColumn = options.picketColumn;
    source.dataRows = {options.headerRows + 1, doc.depthTable().rowCount() - 1};
    source.workingRange = source.dataRows;
    return source;
}

} // namespace trassel
