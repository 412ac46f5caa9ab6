#pragma once
// Reading delimited text files into a grid and writing the table back out.
#include "table/grid.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace trassel {

// The bytes of a whole file, read before anything is changed.
struct FileBytes {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
};

// Reads the whole file. Throws Error naming the file and the system's reason when it cannot
// be opened or read.
FileBytes ReadWholeFile(const std::string& path);

// Writes `bytes` to a temporary file beside `path` and renames it into place, so that a
// failure half-way leaves the old file as it was. Throws Error naming the file and the reason.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// The delimiter of the "Разделитель исходного файла" item: 0 tab, 1 ";", 2 ",", 3 blank;
// no item selected (-1, or a typed text) gives tab.
char SelectedDelimiter(int itemIndex);

enum class LoadResult { Loaded, Empty };

// Line n of the text (lines end with CR LF only) goes to row n, field m to column m; the grid
// only grows. The grid takes over the bytes. An empty text changes nothing and gives Empty.
LoadResult LoadGridFromTextFile(Grid& grid, FileBytes bytes, char delimiter);

// The export text: rows 1.. and columns 1.. joined by tabs, every line ended by CR LF, in
// Windows-1251 ("?" for characters it lacks).
std::string GridExportText(const Grid& grid);

// Writes GridExportText to `path` through WriteFileAtomically.
void ExportGridToTextFile(const Grid& grid, const std::string& path);

} // namespace trassel
