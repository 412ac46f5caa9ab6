#pragma once
// What the document tells its listeners after a change, and the one set of rules that says
// which pictures a change redraws: a correction on the diagram and a layer's point colour
// rebuild the diagram, a layer's line or fill redraws the section and then the diagram, a
// section parameter the section shows redraws it, and plain table edits wait for the next
// build. Every road to a change (the command, its undo and redo, an open) meets these rules.
#include "table/grid_editing.h"

namespace trassel {

enum class TableId { Depth, Boreholes };

// What a change event says changed.
struct DocumentChange {
    enum class What {
        Cells,         // cells of `rect` were written
        TableShape,    // rows or columns inserted, removed or moved, the size or fixed rows changed
        TableReplaced, // the whole table was exchanged (an import, "Очистить", an open)
        Settings,      // header-row count, delimiter, picket column text
        Range,         // FirstDataRow / LastDataRow
        Selection,     // SelCol / SelRow
        Layers,        // layers added, removed, checked or restyled
        DiagramParams,
        SectionParams,
        SectionPicture, // the section's record changed: drawn, widened, boreholes, annotations
        Corrected,      // a depth corrected on the diagram (told after its Cells)
        LayerStyle,     // a layer's line or fill (told after Layers)
        PointColor,     // a layer's point colour (told after Layers)
        Soils,          // the soil list
        Radargram,      // the radargram's file
        RadargramModel, // the instrument radargram: file, channel, ties, time zero, permittivity, display
        Pages,          // the pages in front
        DiagramBuilt,   // the diagram was built again from the table
        Norms,          // the design norms the layers' thickness is judged against
        Cursor,         // the diagram cursor moved to another row
        KnownDepths,    // the table of depths known from boreholes and pits
        ProjectForm,    // the texts of the title block (sheets and the report, made when asked)
    };
    What what = What::Cells;
    TableId table = TableId::Depth;
    CellRect rect;
    // False for a change no picture shows (the boreholes' label offset) or one whose pictures
    // follow otherwise (an open draws what the project had drawn).
    bool redraws = true;
};

// The pictures a change asks to be drawn again.
struct Redraws {
    bool section = false;
    bool diagram = false;
    bool any() const { return section || diagram; }
    Redraws& operator|=(const Redraws& other)
    {
        section = section || other.section;
        diagram = diagram || other.diagram;
        return *this;
    }
    bool operator==(const Redraws&) const = default;
};

inline Redraws RedrawsFor(const DocumentChange& change)
{
    if (!change.redraws)
        return {};
    switch (change.what) {
    case DocumentChange::What::Corrected:
    case DocumentChange::What::PointColor: return {false, true};
    case DocumentChange::What::LayerStyle: return {true, true};
    case DocumentChange::What::SectionParams: return {true, false};
    default: return {};
    }
}

// Whether a change can change the thickness analysis (its stretches and summaries): the depth
// table's cells, shape or whole, its settings and range, the layers or the norms.
inline bool ChangesCompliance(const DocumentChange& change)
{
    using W = DocumentChange::What;
    switch (change.what) {
    case W::Cells:
    case W::TableShape:
    case W::TableReplaced: return change.table == TableId::Depth;
    case W::Settings:
    case W::Range:
    case W::Layers:
    case W::Norms: return true;
    default: return false;
    }
}

} // namespace trassel
