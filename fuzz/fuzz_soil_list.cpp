// The soil list reader: any bytes read without a crash into lines of valid UTF-8 that hold no
// line end, and those lines, written back as UTF-8 with a byte-order mark and LF, read again
// as the same lines; under a small memory limit the same bytes are refused exactly when their
// lines would pass it.
#include "dialogs/soil_list.h"
#include "fuzz_support.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace trassel;

namespace {

bool validUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        std::size_t length = b0 < 0x80                  ? 1
                             : b0 >= 0xC2 && b0 <= 0xDF ? 2
                             : b0 >= 0xE0 && b0 <= 0xEF ? 3
                             : b0 >= 0xF0 && b0 <= 0xF4 ? 4
                                                        : 0;
        if (length == 0 || i + length > s.size())
            return false;
        char32_t cp = length == 1 ? b0 : static_cast<char32_t>(b0 & (0x7F >> length));
        for (std::size_t k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if ((b & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = ReadSoilList(bytes);

    std::string again = "\xEF\xBB\xBF";
    for (const std::string& line : lines) {
        fuzz::Check(line.find_first_of("\r\n") == std::string::npos, "no line holds a line end");
        fuzz::Check(validUtf8(line), "every line is valid UTF-8");
        again += line;
        again += '\n';
    }
    fuzz::Check(ReadSoilList(again) == lines, "written as UTF-8 and read again, the same lines");

    // Under a small memory limit: refused exactly when the lines would pass it, read the same
    // otherwise.
    const std::size_t slack = 2048;
    const bool past = lines.size() * kSoilEntryBytes > size + slack;
    try {
        fuzz::Check(ReadSoilList(bytes, slack) == lines, "a limit changes no line");
        fuzz::Check(!past, "lines past the limit are refused");
    } catch (const Error& e) {
        fuzz::Check(past, "refused only past the limit");
        fuzz::Check(std::string(e.what()).rfind("Недостаточно памяти для списка грунтов из этого файла: ", 0) == 0,
                    "the refusal says why");
    }

    // Text without a mark is Windows-1251: one line per line end, but for a last one.
    if (bytes.substr(0, 2) != "\xFF\xFE" && bytes.substr(0, 2) != "\xFE\xFF" && bytes.substr(0, 3) != "\xEF\xBB\xBF") {
        std::size_t ends = 0;
        for (std::size_t i = 0; i < size; ++i)
            if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == size || bytes[i + 1] != '\n')))
                ++ends;
        const bool openLast = size > 0 && bytes.back() != '\n' && bytes.back() != '\r';
        fuzz::Check(lines.size() == ends + (openLast ? 1 : 0), "one line per line end");
    }
    return 0;
}
