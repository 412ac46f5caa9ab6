#pragma once
// What the radargram readers share while they parse a header: loads of either byte order (the
// caller has checked that the bytes are there), the messages of a damaged file, counting the
// whole traces a file holds, scanning every trace, the text headers and the sidecar files
// beside an instrument file.
#include "radargram/radargram_reader.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trassel::radargram {

inline std::uint16_t LoadU16(const std::uint8_t* p, bool big)
{
    return big ? static_cast<std::uint16_t>((p[0] << 8) | p[1]) : static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t LoadU32(const std::uint8_t* p, bool big)
{
    return big ? (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3]
               : (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}

inline std::uint64_t LoadU64(const std::uint8_t* p, bool big)
{
    const std::uint64_t a = LoadU32(p, big);
    const std::uint64_t b = LoadU32(p + 4, big);
    return big ? (a << 32) | b : (b << 32) | a;
}

inline float LoadF32(const std::uint8_t* p, bool big)
{
    const std::uint32_t bits = LoadU32(p, big);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline double LoadF64(const std::uint8_t* p, bool big)
{
    const std::uint64_t bits = LoadU64(p, big);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// An IBM System/360 single-precision float: sign, a base-16 exponent biased by 64 and a 24-bit
// fraction. Values beyond a float's range become infinities.
float IbmToFloat(std::uint32_t bits);

// A double narrowed to a float without undefined behaviour: beyond the range, an infinity.
float NarrowToFloat(double value);

// "Файл «name»: what".
std::string FileFault(const std::string& name, const std::string& what);
[[noreturn]] void Damaged(const std::string& name, const std::string& what);

// Refuses a file shorter than the `need` bytes of its header:
// "Файл «a.dzt»: заголовок обрезан (1000 байт из 1024)".
void RequireHeader(const RadargramSource& source, std::uint64_t need);

// Counts the whole traces of `traceBytes` each from `dataOffset` to the end of the file and
// puts them into info.traces. A file whose last trace is cut short keeps its whole traces: the
// cut one is dropped with a warning, since a recording stopped by a flat battery or a full card
// still holds the survey up to there. `declared` is the count the header gives, when it gives
// one: a file with fewer traces is read as far as it goes (dropped traces counted and told), a
// file with more is read whole, the header's count told as wrong. Refuses a file whose data
// would start beyond its end and one without a single whole trace.
void CountTraces(const RadargramSource& source, RadargramInfo& info, std::uint64_t dataOffset, std::uint64_t traceBytes,
                 std::optional<std::int64_t> declared, std::string_view declaredName);

// Calls visit(t, field) for every trace t of channel 0 in order, `field` being the
// `fieldBytes` bytes (at most 16) at `fieldOffset` from the trace's start. The file is read in
// blocks of whole traces with the system's reads rather than through the mapping: a scan of a
// gigabyte this way takes a fraction of the time, and leaves nothing resident. `progress`
// follows the traces (and may cancel by throwing Cancelled).
void ScanTraceFields(const RadargramSource& source, const TraceLayout& layout, std::int64_t traces,
                     std::uint64_t fieldOffset, std::size_t fieldBytes, const Progress& progress,
                     const std::function<void(std::int64_t, const std::uint8_t*)>& visit);

// A positive finite number, or nothing.
std::optional<double> Positive(double value);

// "KEY:value" or "KEY=value" lines of a text header (the RAD and HD files). Keys are compared
// without regard to case and blanks around them; the first line with a key wins.
class HeaderText {
public:
    explicit HeaderText(std::string_view text);
    std::optional<std::string_view> text(std::string_view key) const;
    // The number the value starts with ("500 MHz" gives 500); nothing when it has none.
    std::optional<double> number(std::string_view key) const;

private:
    std::vector<std::pair<std::string, std::string_view>> entries_;
};

// The sidecar of `path` with extension `ext` (given in lower case): the same name with the
// extension in the case of the file's own, in lower or in upper case, whichever exists first;
// nothing when none does.
std::optional<std::string> FindSidecar(const std::string& path, std::string_view ext);

// The file name of a path, for the sidecar named in a message.
std::string_view BaseName(std::string_view path);

} // namespace trassel::radargram
