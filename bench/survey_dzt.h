#pragma once
// The survey DZT the radargram benchmarks read: a 100 km line at 0.1 m, 1,000,000 traces x 512
// samples x 16 bits (about 1 GB), written once per run into a folder of the run's own and
// removed at the end, with a mark flagged in every thousandth trace and no DZX.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>

namespace bench {

constexpr std::int64_t kSurveyTraces = 1'000'000;
constexpr int kSurveySamples = 512;
// The survey file in a folder of the run's own, removed when the run ends.
class SurveyDzt {
public:
    SurveyDzt()
    {
        folder_ = std::filesystem::temp_directory_path() / ("trassel-bench-dzt-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        path_ = (folder_ / "survey.dzt").string();
        std::ofstream out(path_, std::ios::binary);
        std::vector<char> header(1024, 0);
        const auto put16 = [&](std::size_t at, std::uint16_t v) { std::memcpy(header.data() + at, &v, 2); };
        const auto putF = [&](std::size_t at, float v) { std::memcpy(header.data() + at, &v, 4); };
        put16(0, 0x00FF);
        put16(2, 1024);
        put16(4, kSurveySamples);
        put16(6, 16);
        put16(8, 0x8000);
        putF(14, 10.0f); // 10 scans a metre
        putF(26, 60.0f); // 60 ns
        put16(52, 1);
        putF(54, 5.0f);
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        // Traces in blocks of a thousand: bands that wander along the line.
        constexpr int kBlock = 1000;
        std::vector<std::uint16_t> block(static_cast<std::size_t>(kBlock) * kSurveySamples);
        for (std::int64_t first = 0; first < kSurveyTraces; first += kBlock) {
            for (int t = 0; t < kBlock; ++t) {
                std::uint16_t* trace = block.data() + static_cast<std::size_t>(t) * kSurveySamples;
                const double shift = 6.0 * std::sin(static_cast<double>(first + t) / 900.0);
                for (int s = 0; s < kSurveySamples; ++s)
                    trace[s] = static_cast<std::uint16_t>(32768 +
                                                          9000.0 * std::sin((s + shift) / 4.0) * std::exp(-s / 300.0));
                trace[0] = 0x7FFF;
                trace[1] = t == 0 ? 0xE800 : 0x0000; // a mark in the first trace of each block
            }
            out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 2));
        }
        if (!out)
            std::abort();
    }
    ~SurveyDzt()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::filesystem::path folder_;
    std::string path_;
};

inline const std::string& SurveyDztPath()
{
    static const SurveyDzt file;
    return file.path();
}

} // namespace bench
