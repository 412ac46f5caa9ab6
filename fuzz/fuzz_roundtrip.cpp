// Load, export, load again: the same cells. With the tab delimiter for any bytes; with the
// others when the text has no tab (a tab inside a cell would split it on the way back).
#include "fuzz_support.h"
#include "table/grid_io.h"

#include <cstdint>

using namespace trassel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static constexpr char kDelimiters[] = {'\t', ';', ',', ' '};
    const char delimiter = kDelimiters[data[0] % 4];
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (delimiter != '\t' && text.find('\t') != std::string_view::npos)
        return 0;
    const auto first = fuzz::Load(text, delimiter);
    if (!first)
        return 0;
    const std::string exported = GridExportText(*first);
    const auto second = fuzz::Load(exported, '\t');
    fuzz::Check(second != nullptr, "an exported table reads back");
    fuzz::Check(second->rowCount() == first->rowCount(), "same rows");
    fuzz::Check(second->colCount() == first->colCount(), "same columns");
    for (int r = 1; r < first->rowCount(); ++r)
        for (int c = 1; c < first->colCount(); ++c)
            fuzz::Check(first->cellView(c, r) == second->cellView(c, r), "same cell");
    fuzz::Check(GridExportText(*second) == exported, "the same text again");
    return 0;
}
