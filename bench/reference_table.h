#pragma once
// The reference survey table of the benchmarks: 1,000,000 rows x 12 numeric fields,
// tab-separated with CR LF (about 66 MB), the same text on every run; its first rows are the
// first rows of the 10,000,000-row table too.
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

namespace trassel::bench {

// Appends rows first .. first + count - 1 of the table; `rnd` carries on from the rows before.
inline void AppendReferenceRows(std::string& text, std::mt19937& rnd, int first, int count)
{
    char buf[32];
    for (int r = first; r < first + count; ++r) {
        const int n1 = std::snprintf(buf, sizeof buf, "%d\t%d", 100 + r / 200, (r % 200) * 5);
        text.append(buf, static_cast<std::size_t>(n1));
        for (int c = 2; c < 12; ++c) {
            const int n = std::snprintf(buf, sizeof buf, "\t%.1f", 20.0 + (rnd() % 30000) / 100.0);
            text.append(buf, static_cast<std::size_t>(n));
        }
        text += "\r\n";
    }
}

inline std::string ReferenceTableText(int rows = 1'000'000)
{
    std::mt19937 rnd(7);
    std::string text;
    text.reserve(static_cast<std::size_t>(rows) * 70);
    AppendReferenceRows(text, rnd, 0, rows);
    return text;
}

// The same text written to `path` a piece at a time, for tables too large to build in memory
// first (10^7 rows are about 670 MB). False when the file could not be written.
inline bool WriteReferenceTable(const std::string& path, int rows)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return false;
    std::mt19937 rnd(7);
    std::string piece;
    bool written = true;
    for (int r = 0; r < rows && written; r += 100'000) {
        piece.clear();
        AppendReferenceRows(piece, rnd, r, std::min(100'000, rows - r));
        written = std::fwrite(piece.data(), 1, piece.size(), out) == piece.size();
    }
    return std::fclose(out) == 0 && written;
}

} // namespace trassel::bench
