#pragma once
// The seven settings the user saves and loads: the delimiter and the picket column of the
// depth table and five settings of the diagram cursor, each a key of the settings file.
#include "settings/ini_file.h"

#include <string>

namespace trassel {

struct OptionValues {
    int delimiterIndex = 0;             // item of cmbDelimiter, -1 for none
    std::string picketColumnText = "1"; // cmbX
    int cursorHorzSize = 20;
    int cursorVertSize = 20;
    bool cursorHorizMarkVisible = true;
    bool cursorVertMarkVisible = true;
    std::string vertIncrement = "100"; // ltxtVertIncrementDecrement, as typed
};

// Writes the keys in their order, each as a write of its own. The picket column is read as an
// integer after "Delimiter" has been written: its conversion error leaves the other keys as
// they were. "Unable to write to <path>" at the first write that fails; nothing after it.
void SaveOptions(IniFile& file, const OptionValues& values);

// Reads the keys in the same order; whatever is missing or unreadable gives its default.
OptionValues LoadOptions(const IniFile& file);

} // namespace trassel
