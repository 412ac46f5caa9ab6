#include "table/delimiters.h"

namespace trassel {
namespace {

constexpr std::string_view kNames[kDelimiterCount] = {"табуляция", "точка с запятой", "запятая", "пробел"};
constexpr char kCharacters[kDelimiterCount] = {'\t', ';', ',', ' '};

bool IsItem(int itemIndex) { return itemIndex >= 0 && itemIndex < kDelimiterCount; }

} // namespace

std::string_view DelimiterName(int itemIndex) { return IsItem(itemIndex) ? kNames[itemIndex] : std::string_view(); }

char SelectedDelimiter(int itemIndex) { return IsItem(itemIndex) ? kCharacters[itemIndex] : '\t'; }

int ChosenDelimiterItem(int itemIndex, std::string_view shownText)
{
    return IsItem(itemIndex) && kNames[itemIndex] == shownText ? itemIndex : -1;
}

} // namespace trassel
