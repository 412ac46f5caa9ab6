#include "cli/qt/section_source.h"

#include "base/numbers.h"
#include "table/pickets.h"

namespace trassel {

SectionSource LoadTableSource(const RenderOptions& options)
{
    SectionSource source;
    // The smallest table an import can grow from: the file alone decides its size.
    source.ownDepth = std::make_shared<Grid>(2, 2);
    LoadDepthTable(*source.ownDepth, ReadWholeFile(options.table), options.delimiter, options.headerRows);
    if (options.recalcPickets)
        RecalcPickets(*source.ownDepth, options.headerRows);
    source.depth = source.ownDepth.get();
    if (!options.boreholes.empty()) {
        source.ownBoreholes = std::make_shared<Grid>(2, 2);
        LoadBoreholeTable(*source.ownBoreholes, ReadWholeFile(options.boreholes), options.delimiter);
        source.boreholes = source.ownBoreholes.get();
    }
    source.layers = options.layers;
    source.params = SectionParams{};
    source.picketColumn = options.picketColumn;
    source.picketColumnText = IntToText(options.picketColumn);
    source.dataRows = {options.headerRows + 1, source.depth->rowCount() - 1};
    source.workingRange = source.dataRows;
    return source;
}

} // namespace trassel
