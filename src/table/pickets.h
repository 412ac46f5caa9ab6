#pragma once
// Positions along the line in pickets (one picket is 100 m; 123.46 is picket 123 plus 46 m).
#include "base/progress.h"
#include "table/grid.h"
#include "table/packed_texts.h"

#include <string>
#include <string_view>

namespace trassel {

// Rewrites columns 1 and 2 of the rows headerRowCount+1 .. last from kilometre and metre into
// the picket in decimal form (column 1) and plus form (column 2: "." replaced by "+").
// Header rows are never touched. A cancelled recalculation stops with the rows before it
// rewritten: the caller keeps what to put back.
void RecalcPickets(Grid& grid, int headerRowCount, const Progress& progress = {});

// The same for the rows first .. last. `reached` follows the row being rewritten, so that a
// caller learns how far a recalculation that failed got; returns whether any cell changed (a
// row whose cells already read as its picket is not written). The kilometres and metres each
// row held are appended to `kilometres` and `metres` when given, as the row is read.
bool RecalcPicketRows(Grid& grid, int first, int last, int& reached, const Progress& progress = {},
                      PackedTexts* kilometres = nullptr, PackedTexts* metres = nullptr);

// The picket of a kilometre/metre pair, rounded to 2 decimals.
double PicketFromKmM(double km, double m);

// The section label of a picket cell: "+46" for 123.46, "ПК123+00" for a whole picket
// (the cell text kept as written). Throws the strict-reading error for a non-number.
std::string PicketLabel(std::string_view cellText);

// The parts of that label for a picket value already read: whether it is a whole picket, and
// otherwise the metres after the picket (F × 100) the label "+<metres>" shows.
struct PicketParts {
    bool whole = false;
    double metres = 0.0;
};
PicketParts SplitPicket(double value);
// The same when the value rounded to 2 decimals is already at hand.
PicketParts SplitPicket(double value, double rounded);

} // namespace trassel
