#pragma once
// The soil list file: one soil name per line, in UTF-8 or UTF-16 when a byte-order mark says
// so and in Windows-1251 otherwise.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace trassel {

// What one entry of the list costs beside its characters: the document's string and the soil
// window's list entry. A file of empty lines costs far more than its bytes.
inline constexpr std::size_t kSoilEntryBytes = 256;
// The memory a soil list may take beyond the size of its file.
inline constexpr std::size_t kSoilListSlack = std::size_t{100} << 20;

// The lines of a soil list file as UTF-8, in file order. Lines end at CR LF, LF or CR; a line
// end after the last line adds no line, an empty line in between gives an empty line, and
// every line is kept as it stands, blanks included. Bytes that are not text in the marked
// encoding (a malformed UTF-8 sequence, a lone UTF-16 surrogate, an odd last byte of UTF-16)
// each become "?", so that the result is always valid UTF-8.
// A file whose lines would take more than its own size and `slack` as entries is refused with
// an Error, counted before anything is decoded or made.
std::vector<std::string> ReadSoilList(std::string_view bytes, std::size_t slack = kSoilListSlack);

} // namespace trassel
