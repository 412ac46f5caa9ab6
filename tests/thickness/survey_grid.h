#pragma once
// A depth table written row by row for the thickness tests: row 1 holds the titles, the rows
// after it the cells given.
#include "table/grid.h"
#include "thickness/thickness.h"

#include <memory>
#include <string>
#include <vector>

namespace trassel::test {

inline std::unique_ptr<Grid> SurveyGrid(const std::vector<std::string>& titles,
                                        const std::vector<std::vector<std::string>>& rows)
{
    std::size_t cols = titles.size();
    for (const auto& r : rows)
        cols = std::max(cols, r.size());
    auto grid = std::make_unique<Grid>(static_cast<int>(cols) + 1, static_cast<int>(rows.size()) + 2);
    for (std::size_t c = 0; c < titles.size(); ++c)
        grid->setCell(static_cast<int>(c) + 1, 1, titles[c]);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            grid->setCell(static_cast<int>(c) + 1, static_cast<int>(r) + 2, rows[r][c]);
    return grid;
}

// Where each point's share begins (or, with `ends`, ends).
inline std::vector<double> Shares(const LinePoints& p, bool ends = false)
{
    std::vector<double> out;
    for (std::size_t i = 0; i < p.size(); ++i)
        out.push_back(ends ? p.toM(i) : p.fromM(i));
    return out;
}

} // namespace trassel::test
