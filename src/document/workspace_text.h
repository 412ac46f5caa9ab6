#pragma once
// How texts of any bytes are kept in the workspace's JSON, which must be UTF-8: the cell escapes
// of the table texts and the hexadecimal form of a text that is not UTF-8.
#include "document/workspace_json.h"

#include <string>
#include <string_view>

namespace trassel::workspace {

// A cell in the table text: the tab and line feed that separate cells and rows and the
// backslash that escapes are written as \t, \n and \\; a byte that is not part of well-formed
// UTF-8 as \xHH. Everything else is copied.
void AppendEscaped(std::string& out, std::string_view cell);
// The inverse of AppendEscaped; false for an escape it never writes.
bool AppendUnescaped(std::string& out, std::string_view text);

// A short text (a caption, a font name, a path): a JSON string when it is UTF-8, else
// {"bytes": "<hexadecimal>"}, so that no byte is lost and the file stays valid JSON.
OutJson TextJson(std::string_view text);
// The length of the well-formed UTF-8 sequence at `p` (RFC 3629: no overlong forms, no
// surrogates, nothing past U+10FFFF), 0 when the byte starts none; `left` >= 1 bytes are there.
std::size_t Utf8SequenceAt(const unsigned char* p, std::size_t left);
// The value of a hexadecimal digit, -1 for any other character.
int HexValue(char c);

// The bytes of the hexadecimal form; false when it is not one.
bool BytesFromHex(std::string_view hex, std::string& out);

} // namespace trassel::workspace
