#pragma once
// What the reader tests share: a folder of their own, files written into it, readers over
// bytes in memory, and the expected samples of the test writers' pattern.
#include "base/file_path.h"
#include "radargram/radargram_reader.h"
#include "radargram_writers.h"
#include "support/test_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <span>
#include <string>

namespace trassel::test {

// A folder of its own for each test, removed afterwards.
class ReaderDir {
public:
    ReaderDir()
    {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("trassel-radargram-" + std::to_string(ProcessId()) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(path_);
    }
    ~ReaderDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return PathToUtf8(path_ / PathFromUtf8(name)); }
    std::string write(const std::string& name, const std::string& bytes) const
    {
        const std::string path = file(name);
        std::ofstream(PathFromUtf8(path), std::ios::binary) << bytes;
        return path;
    }

private:
    std::filesystem::path path_;
};

inline RadargramSource MemorySource(const std::string& bytes, const std::string& name)
{
    return RadargramSource::Memory(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                                 bytes.size()),
                                   name);
}

// Whether traces [first, first + count) of `channel` read back as the pattern from sample
// `fromSample` on, scaled by `scale`; the first mismatch is reported.
inline ::testing::AssertionResult HoldsPattern(const RadargramReader& reader, int channel, std::int64_t first,
                                               std::int64_t count, int fromSample = 0, float scale = 1.0f)
{
    const std::vector<float> block = reader.readTraces(channel, first, count);
    const int samples = reader.info().samples;
    for (std::int64_t t = 0; t < count; ++t)
        for (int s = fromSample; s < samples; ++s) {
            const float got = block[static_cast<std::size_t>(t * samples + s)];
            const float want = static_cast<float>(Pattern(channel, first + t, s)) * scale;
            if (got != want)
                return ::testing::AssertionFailure() << "channel " << channel << " trace " << first + t << " sample "
                                                     << s << ": " << got << " instead of " << want;
        }
    return ::testing::AssertionSuccess();
}

} // namespace trassel::test
