#pragma once
// The colour type every layer shares.
#include <cstdint>

namespace trassel {

// 0x00BBGGRR: red in the low byte, then green, then blue (0 black, 255 red, 0xFF0000 blue).
using Color = std::uint32_t;

} // namespace trassel
