// DT1 files with their HD text: any bytes (the HD first, its length in two bytes) are read or
// refused with a message naming the file or the HD; an accepted file reads every block inside
// its bytes.
#include "fuzz_radargram.h"
#include "radargram/dt1_reader.h"

using namespace trassel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::Split split = fuzz::SplitSidecar(data, size);
    if (split.data == nullptr)
        return 0;
    try {
        const Dt1Reader reader(fuzz::Source(split.data, split.size, "a.dt1"), split.sidecar, "a.hd");
        fuzz::Exercise(reader, split.size);
    } catch (const Error& e) {
        fuzz::CheckRefusal(e);
    }
    return 0;
}
