#include "table/grid_io.h"

#include "base/error.h"
#include "table/cp1251.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace trassel {
namespace {

std::string reason(int err)
{
    return std::strerror(err);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

} // namespace

FileBytes ReadWholeFile(const std::string& path)
{
    errno = 0;
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw Error("Не удалось открыть файл \"" + path + "\": " + reason(errno));
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw Error("Не удалось открыть файл \"" + path + "\": " + reason(EISDIR));
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        throw Error("Не удалось прочитать файл \"" + path + "\": " + ec.message());

    FileBytes out;
    // Not zero-filled: every byte is overwritten by the read.
    out.data = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size) + 1);
    std::size_t got = 0;
    while (got < size) {
        const std::size_t n = std::fread(out.data.get() + got, 1, static_cast<std::size_t>(size) - got, file.get());
        if (n == 0) {
            if (std::ferror(file.get()))
                throw Error("Не удалось прочитать файл \"" + path + "\": " + reason(errno));
            break; // the file shrank while we read it
        }
        got += n;
    }
    out.size = got;
    return out;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    static std::atomic<unsigned> counter{0};
    const std::string temp = path + ".~" + std::to_string(++counter) + ".tmp";
    errno = 0;
    FilePtr file(std::fopen(temp.c_str(), "wb"));
    if (!file)
        throw Error("Не удалось записать файл \"" + path + "\": " + reason(errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const int writeErr = errno;
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) {
        const int err = written ? errno : writeErr;
        std::remove(temp.c_str());
        throw Error("Не удалось записать файл \"" + path + "\": " + reason(err));
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        std::remove(temp.c_str());
        throw Error("Не удалось записать файл \"" + path + "\": " + reason(err));
    }
}

char SelectedDelimiter(int itemIndex)
{
    switch (itemIndex) {
    case 1: return ';';
    case 2: return ',';
    case 3: return ' ';
    default: return '\t';
    }
}

LoadResult LoadGridFromTextFile(Grid& grid, FileBytes bytes, char delimiter)
{
    if (bytes.size == 0)
        return LoadResult::Empty;
    grid.loadDelimited(std::move(bytes.data), bytes.size, delimiter);
    return LoadResult::Loaded;
}

std::string GridExportText(const Grid& grid)
{
    std::string out;
    out.reserve(grid.memoryBytes());
    for (int r = 1; r < grid.rowCount(); ++r) {
        // Most rows are stored already joined by tabs and in plain ASCII: copy them whole.
        char separator = 0;
        int cells = 0;
        const std::string_view block = grid.rowBlock(r, separator, cells);
        if (separator == '\t' && IsAscii(block)) {
            out.append(block);
            if (grid.colCount() > 1)
                out.append(static_cast<std::size_t>(grid.colCount() - 1 - std::max(cells, 1)), '\t');
            out += "\r\n";
            continue;
        }
        for (int c = 1; c < grid.colCount(); ++c) {
            if (c > 1)
                out += '\t';
            const std::string_view cell = grid.cellView(c, r);
            if (IsAscii(cell))
                out.append(cell);
            else
                EncodeCp1251(cell, out);
        }
        out += "\r\n";
    }
    return out;
}

void ExportGridToTextFile(const Grid& grid, const std::string& path)
{
    WriteFileAtomically(path, GridExportText(grid));
}

} // namespace trassel
