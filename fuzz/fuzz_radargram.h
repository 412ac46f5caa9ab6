#pragma once
// What the radargram readers' fuzz targets share: the bytes as an instrument file in memory,
// a refusal that must be one of the readers' own messages, and a reader that, once it accepted
// a file, reads every block a viewer may ask for inside the bytes it was given.
#include "base/error.h"
#include "fuzz_support.h"
#include "radargram/radargram_reader.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace trassel::fuzz {

inline RadargramSource Source(const std::uint8_t* data, std::size_t size, std::string name)
{
    return RadargramSource::Memory(std::span<const std::uint8_t>(data, size), std::move(name));
}

// A refusal names the file (or its sidecar) first.
inline void CheckRefusal(const Error& e)
{
    const std::string message = e.what();
    Check(message.rfind("Файл «", 0) == 0, "a refusal names the file");
}

// The facts hold together and every trace lies inside the bytes: reading the first, the last
// and a middle block (all traces when they are few) touches nothing outside, which the
// sanitizers check.
inline void Exercise(const RadargramReader& reader, std::size_t size)
{
    const RadargramInfo& info = reader.info();
    Check(info.traces >= 1 && info.samples >= 1 && info.channels >= 1, "a file accepted has traces");
    const TraceLayout& layout = reader.layout();
    const std::uint64_t traceEnd = static_cast<std::uint64_t>(info.samples) * SampleBytes(layout.type);
    Check(reader.traceOffset(info.channels - 1, info.traces - 1) + layout.sampleOffset + traceEnd <= size,
          "the last trace lies inside the file");
    Check(std::is_sorted(info.marks.begin(), info.marks.end()), "marks ascending");
    for (const std::int64_t mark : info.marks)
        Check(mark >= 0 && mark < info.traces, "a mark is a trace");
    const std::int64_t block = std::min<std::int64_t>(info.traces, std::max<std::int64_t>(1, 4096 / info.samples));
    for (int c = 0; c < info.channels && c < 4; ++c) {
        for (const std::int64_t first : {std::int64_t{0}, info.traces - block, (info.traces - block) / 2}) {
            const std::vector<float> samples = reader.readTraces(c, first, block);
            Check(samples.size() == static_cast<std::size_t>(block) * static_cast<std::size_t>(info.samples),
                  "a block of the size asked");
        }
    }
    bool refused = false;
    try {
        reader.readTraces(0, info.traces, 1);
    } catch (const Error&) {
        refused = true;
    }
    Check(refused, "a block beyond the last trace is refused");
}

// The first two bytes of the input give the length of a sidecar text that follows them; the
// rest is the instrument file.
struct Split {
    std::string_view sidecar;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

inline Split SplitSidecar(const std::uint8_t* data, std::size_t size)
{
    Split split;
    if (size < 2)
        return split;
    const std::size_t length = std::min<std::size_t>(size - 2, data[0] | (data[1] << 8));
    split.sidecar = std::string_view(reinterpret_cast<const char*>(data + 2), length);
    split.data = data + 2 + length;
    split.size = size - 2 - length;
    return split;
}

} // namespace trassel::fuzz
