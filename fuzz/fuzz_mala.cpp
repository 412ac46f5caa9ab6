// RD3 and RD7 files with their RAD text: the first byte chooses RD7 when odd, then the RAD
// (its length in two bytes) and the data. Read or refused with a message naming the file or
// the RAD; an accepted file reads every block inside its bytes.
#include "fuzz_radargram.h"
#include "radargram/mala_reader.h"

using namespace trassel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const bool rd7 = (data[0] & 1) != 0;
    const fuzz::Split split = fuzz::SplitSidecar(data + 1, size - 1);
    if (split.data == nullptr)
        return 0;
    try {
        const MalaReader reader(fuzz::Source(split.data, split.size, rd7 ? "a.rd7" : "a.rd3"), split.sidecar, "a.rad",
                                rd7);
        fuzz::Exercise(reader, split.size);
    } catch (const Error& e) {
        fuzz::CheckRefusal(e);
    }
    return 0;
}
