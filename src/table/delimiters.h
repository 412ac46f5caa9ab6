#pragma once
// The delimiter choices of the depth table's import: the names the user picks from, in the
// order of their items, and the character each item stands for.
#include <string_view>

namespace trassel {

// How many named delimiters there are (items 0 .. kDelimiterCount - 1).
inline constexpr int kDelimiterCount = 4;

// The name of item `itemIndex`: "табуляция", "точка с запятой", "запятая", "пробел"; empty for
// any other index (no item, or a text typed instead).
std::string_view DelimiterName(int itemIndex);

// The delimiter of the "Разделитель исходного файла" item: 0 tab, 1 ";", 2 ",", 3 blank;
// no item selected (-1, or a typed text) gives tab.
char SelectedDelimiter(int itemIndex);

// The item a choice stands for: `itemIndex` while the field shows that item's name, and no
// item (-1) once another text was typed over it, even if an item was chosen before.
int ChosenDelimiterItem(int itemIndex, std::string_view shownText);

} // namespace trassel
