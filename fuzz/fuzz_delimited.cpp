// The delimited reader against a plain reading of the same bytes, cell by cell, with each of
// the four delimiters (chosen by the first byte).
#include "fuzz_support.h"

#include <cstdint>

using namespace trassel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static constexpr char kDelimiters[] = {'\t', ';', ',', ' '};
    const char delimiter = kDelimiters[data[0] % 4];
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto grid = fuzz::Load(text, delimiter);
    if (!grid)
        return 0;
    const auto rows = fuzz::NaiveSplit(text, delimiter);
    fuzz::Check(grid->rowCount() == std::max<int>(2, static_cast<int>(rows.size()) + 1), "one row per line");
    std::size_t widest = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        widest = std::max(widest, rows[i].size());
        for (std::size_t j = 0; j < rows[i].size(); ++j)
            fuzz::Check(grid->cellView(static_cast<int>(j) + 1, static_cast<int>(i) + 1) == rows[i][j],
                        "cell as split");
        fuzz::Check(grid->cellView(static_cast<int>(rows[i].size()) + 1, static_cast<int>(i) + 1).empty(),
                    "nothing after the last field");
    }
    fuzz::Check(grid->colCount() == std::max<int>(2, static_cast<int>(widest) + 1), "one column per field");
    return 0;
}
