// The Windows-1251 codec both ways: every byte string decodes and encodes back to itself;
// any text encodes to at most its own length, never to a NUL it did not hold, and stably.
#include "fuzz_support.h"

#include <algorithm>
#include <cstdint>

using namespace trassel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    fuzz::Check(EncodeCp1251(DecodeCp1251(bytes)) == bytes, "decode then encode gives the bytes");
    const std::string encoded = EncodeCp1251(bytes);
    fuzz::Check(encoded.size() <= bytes.size(), "no longer than the text");
    fuzz::Check(std::count(encoded.begin(), encoded.end(), '\0') <= std::count(bytes.begin(), bytes.end(), '\0'),
                "no NUL out of nothing");
    fuzz::Check(EncodeCp1251(DecodeCp1251(encoded)) == encoded, "stable");
    fuzz::Check(IsAscii(bytes) == (DecodeCp1251(bytes) == bytes), "ASCII passes unchanged");
    return 0;
}
