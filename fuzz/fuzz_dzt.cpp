// DZT files: any bytes are read as a DZT (with a DZX text when the first byte is odd) or refused
// with a message naming the file; an accepted file reads every block inside its bytes.
#include "fuzz_radargram.h"
#include "radargram/dzt_reader.h"

using namespace trassel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const bool withDzx = (data[0] & 1) != 0;
    const fuzz::Split split = fuzz::SplitSidecar(data + 1, size - 1);
    if (split.data == nullptr)
        return 0;
    try {
        const DztReader reader(fuzz::Source(split.data, split.size, "a.dzt"),
                               withDzx ? std::optional<std::string_view>(split.sidecar) : std::nullopt);
        fuzz::Exercise(reader, split.size);
    } catch (const Error& e) {
        fuzz::CheckRefusal(e);
    }
    return 0;
}
