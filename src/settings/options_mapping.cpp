#include "settings/options_mapping.h"

#include "document/survey_document.h"
#include "table/delimiters.h"

namespace trassel {

OptionValues OptionsOf(const SurveyDocument& document)
{
    const DiagramParams diagram = document.diagramParams();
    OptionValues values;
    values.delimiterIndex = document.settings().delimiterIndex;
    values.picketColumnText = document.settings().picketColumnText;
    values.cursorHorzSize = diagram.CursorHorzSize;
    values.cursorVertSize = diagram.CursorVertSize;
    values.cursorHorizMarkVisible = diagram.CursorHorizMarkVisible;
    values.cursorVertMarkVisible = diagram.CursorVertMarkVisible;
    values.vertIncrement = diagram.VertIncrement;
    return values;
}

void ApplyOptions(SurveyDocument& document, const OptionValues& values)
{
    const int item = values.delimiterIndex >= 0 && values.delimiterIndex < kDelimiterCount ? values.delimiterIndex : -1;
    document.setDelimiter(item, DelimiterName(item));
    document.setPicketColumnText(values.picketColumnText);
    DiagramParams diagram = document.diagramParams();
    diagram.CursorHorzSize = values.cursorHorzSize;
    diagram.CursorVertSize = values.cursorVertSize;
    diagram.CursorHorizMarkVisible = values.cursorHorizMarkVisible;
    diagram.CursorVertMarkVisible = values.cursorVertMarkVisible;
    diagram.VertIncrement = values.vertIncrement;
    document.setDiagramParams(diagram);
}

} // namespace trassel
