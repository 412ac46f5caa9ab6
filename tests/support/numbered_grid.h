#pragma once
// A numbered grid whose body cells say where they are: "c:r".
#include "table/grid.h"

#include <string>

namespace trassel {

inline void FillWithPositions(Grid& grid)
{
    NumberGridHeaders(grid);
    for (int r = 1; r < grid.rowCount(); ++r)
        for (int c = 1; c < grid.colCount(); ++c)
            grid.setCell(c, r, std::to_string(c) + ":" + std::to_string(r));
}

} // namespace trassel
