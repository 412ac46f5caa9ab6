#include "settings/options_file.h"

#include "base/numbers.h"

namespace trassel {
namespace {

constexpr const char* kSourceTable = "SourceTable";
constexpr const char* kCursor = "Cursor";
// The vertical step has a section of its own whose first letter is the Cyrillic Es, not the
// Latin C of "Cursor": files the program wrote have it under that name.
constexpr const char* kCyrillicCursor = "\xD0\xA1ursor";

} // namespace

void SaveOptions(IniFile& file, const OptionValues& values)
{
    file.writeInteger(kSourceTable, "Delimiter", values.delimiterIndex);
    file.writeInteger(kSourceTable, "NamberColX", ReadInteger(values.picketColumnText));
    file.writeInteger(kCursor, "HorizSize", values.cursorHorzSize);
    file.writeInteger(kCursor, "VertSize", values.cursorVertSize);
    file.writeBool(kCursor, "HorizMarkVisible", values.cursorHorizMarkVisible);
    file.writeBool(kCursor, "VertMarkVisible", values.cursorVertMarkVisible);
    file.write(kCyrillicCursor, "VertIncrementDecrement", values.vertIncrement);
}

OptionValues LoadOptions(const IniFile& file)
{
    OptionValues v;
    v.delimiterIndex = file.readInteger(kSourceTable, "Delimiter", 0);
    v.picketColumnText = IntToText(file.readInteger(kSourceTable, "NamberColX", 1));
    v.cursorHorzSize = file.readInteger(kCursor, "HorizSize", 20);
    v.cursorVertSize = file.readInteger(kCursor, "VertSize", 20);
    v.cursorHorizMarkVisible = file.readBool(kCursor, "HorizMarkVisible", true);
    v.cursorVertMarkVisible = file.readBool(kCursor, "VertMarkVisible", true);
    v.vertIncrement = file.readString(kCyrillicCursor, "VertIncrementDecrement", "100");
    return v;
}

} // namespace trassel
