// GPR2 files: any bytes are read as GPR2 or refused with a message naming the file; an
// accepted file reads every block inside its bytes.
#include "fuzz_radargram.h"
#include "radargram/gpr2_reader.h"

using namespace trassel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const Gpr2Reader reader(fuzz::Source(data, size, "a.gpr2"));
        fuzz::Exercise(reader, size);
    } catch (const Error& e) {
        fuzz::CheckRefusal(e);
    }
    return 0;
}
