#pragma once
// A first look at a file chosen for import: a picture, an archive or a program put into the
// table by mistake would fill it with garbage, so such a file is asked about first.
#include <string_view>

namespace trassel {

// How many leading bytes are looked at.
inline constexpr std::size_t kSniffBytes = 4096;

// True when the start of the file is plainly not text: a NUL byte among the first kilobytes,
// or the signature of a common binary format (pictures, archives, office documents, PDF,
// executables). Windows-1251 and UTF-8 text never are.
bool LooksBinary(std::string_view head);

} // namespace trassel
