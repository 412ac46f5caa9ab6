#pragma once
// What the fuzz targets share: loading bytes into a grid the way the import does, and an
// independent, plain reading of the same bytes to compare with.
#include "base/error.h"
#include "base/cp1251.h"
#include "table/grid.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trassel::fuzz {

// Stops the run with a message a person can read in the fuzzer's log.
[[noreturn]] inline void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void Check(bool ok, const char* what)
{
    if (!ok)
        Fail(what);
}

// A grid of the start size loaded with `text`; null when the reader refused it (then the
// refusal must be one of the reader's own messages).
inline std::unique_ptr<Grid> Load(std::string_view text, char delimiter)
{
    auto grid = std::make_unique<Grid>(2, 2);
    if (text.empty())
        return grid;
    auto bytes = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), bytes.get());
    try {
        grid->loadDelimited(std::move(bytes), text.size(), delimiter);
    } catch (const Error& e) {
        const std::string message = e.what();
        Check(message.rfind("Слишком много полей в строке ", 0) == 0 || message.rfind("Недостаточно памяти", 0) == 0,
              "the reader refused with a message of its own");
        return nullptr;
    }
    return grid;
}

// The plain reading: lines end at CR LF only, fields at the delimiter, each field decoded.
inline std::vector<std::vector<std::string>> NaiveSplit(std::string_view text, char delimiter)
{
    std::vector<std::vector<std::string>> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 2;
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        std::vector<std::string> fields;
        std::size_t f = 0;
        for (;;) {
            const std::size_t d = line.find(delimiter, f);
            fields.push_back(
                DecodeCp1251(line.substr(f, d == std::string_view::npos ? std::string_view::npos : d - f)));
            if (d == std::string_view::npos)
                break;
            f = d + 1;
        }
        rows.push_back(std::move(fields));
        start = next;
    }
    return rows;
}

} // namespace trassel::fuzz
