#pragma once
// The reference survey table of the benchmarks: 1,000,000 rows x 12 numeric fields,
// tab-separated with CR LF (about 66 MB), the same text on every run.
#include <cstdio>
#include <random>
#include <string>

namespace trassel::bench {

inline std::string ReferenceTableText(int rows = 1'000'000)
{
    std::mt19937 rnd(7);
    std::string text;
    text.reserve(static_cast<std::size_t>(rows) * 70);
    char buf[32];
    for (int r = 0; r < rows; ++r) {
        const int n1 = std::snprintf(buf, sizeof buf, "%d\t%d", 100 + r / 200, (r % 200) * 5);
        text.append(buf, static_cast<std::size_t>(n1));
        for (int c = 2; c < 12; ++c) {
            const int n = std::snprintf(buf, sizeof buf, "\t%.1f", 20.0 + (rnd() % 30000) / 100.0);
            text.append(buf, static_cast<std::size_t>(n));
        }
        text += "\r\n";
    }
    return text;
}

} // namespace trassel::bench
