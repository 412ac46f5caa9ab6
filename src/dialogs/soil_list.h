#pragma once
// The soil list file: one soil name per line, in UTF-8 or UTF-16 when a byte-order mark says
// so and in Windows-1251 otherwise.
#include <string>
#include <string_view>
#include <vector>

namespace trassel {

// The lines of a soil list file as UTF-8, in file order. Lines end at CR LF, LF or CR; a line
// end after the last line adds no line, an empty line in between gives an empty line, and
// every line is kept as it stands, blanks included. Bytes that are not text in the marked
// encoding (a malformed UTF-8 sequence, a lone UTF-16 surrogate, an odd last byte of UTF-16)
// each become "?", so that the result is always valid UTF-8.
std::vector<std::string> ReadSoilList(std::string_view bytes);

} // namespace trassel
