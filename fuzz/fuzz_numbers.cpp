// Number reading and writing: the lenient reading never fails; whatever the strict reading
// accepts is written to a text that reads back to a value written the same way; the same for
// any double spelled by the input's first eight bytes.
#include "fuzz_support.h"
#include "base/numbers.h"

#include <cmath>
#include <cstdint>
#include <cstring>

using namespace trassel;

namespace {

void CheckWritten(double value)
{
    if (!std::isfinite(value))
        return;
    const std::string text = NumberToText(value);
    double back = 0;
    try {
        back = ReadStrict(text);
    } catch (const Error&) {
        fuzz::Fail("a written number reads back");
    }
    fuzz::Check(NumberToText(back) == text, "it is written the same way again");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double lenient = ReadLenient(text);
    CheckWritten(lenient);
    try {
        CheckWritten(ReadStrict(text));
    } catch (const Error& e) {
        // The message quotes the text; a NUL in it ends the C string early.
        fuzz::Check(text.find('\0') != std::string_view::npos ||
                        std::string(e.what()).find("is not a valid floating point value") != std::string::npos,
                    "the strict reading's own message");
    }
    try {
        static_cast<void>(ReadInteger(text));
    } catch (const Error&) {
    }
    if (size >= 8) {
        double bits = 0;
        std::memcpy(&bits, data, 8);
        CheckWritten(bits);
        CheckWritten(RoundTo(bits, static_cast<int>(data[size - 1] % 8)));
    }
    return 0;
}
