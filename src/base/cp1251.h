#pragma once
// Windows-1251, the single-byte code page of the tables on disk. Cells hold UTF-8 in memory.
#include <cstddef>
#include <string>
#include <string_view>

namespace trassel {

// True when every byte is below 0x80: such text is the same in both encodings.
bool IsAscii(std::string_view bytes) noexcept;

// Appends the UTF-8 form of Windows-1251 bytes to `out`. The one unassigned byte (0x98)
// becomes U+0098 so that it survives a round trip.
void DecodeCp1251(std::string_view bytes, std::string& out);
std::string DecodeCp1251(std::string_view bytes);

// Appends the Windows-1251 form of UTF-8 text to `out`; a character the code page lacks,
// or a malformed UTF-8 sequence, becomes "?".
void EncodeCp1251(std::string_view utf8, std::string& out);
std::string EncodeCp1251(std::string_view utf8);

} // namespace trassel
