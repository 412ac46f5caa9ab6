#pragma once
// Reading delimited text files into a grid and writing the table back out.
#include "base/atomic_file.h"
#include "base/progress.h"
#include "table/delimiters.h"
#include "table/grid.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace trassel {

enum class LoadResult { Loaded, Empty };

// The most title lines a table import takes: the range of "Количество заголовочных строк".
inline constexpr int kMaxHeaderRows = 10;

// Line n of the text (lines end with CR LF only) goes to row n, field m to column m; the grid
// only grows. The grid takes over the bytes. An empty text changes nothing and gives Empty.
// A cancelled read leaves `grid` partly filled: read into a grid of its own.
LoadResult LoadGridFromTextFile(Grid& grid, FileBytes bytes, char delimiter, const Progress& progress = {});

// The import of a table file, as the window and the batch renderer both do it: the file read
// into `fresh` (a grid of its own, whose size is the least the table gets), numbered, with
// `titleRows` title lines plus the numbering fixed at the top. A fixed-row count the grid
// refuses leaves the table in place and its message in `refusal` (empty when accepted).
LoadResult ImportTableFile(Grid& fresh, FileBytes bytes, char delimiter, int titleRows, std::string& refusal,
                           const Progress& progress = {});

// The export text: rows 1.. and columns 1.. joined by tabs, every line ended by CR LF, in
// Windows-1251 ("?" for characters it lacks).
std::string GridExportText(const Grid& grid);
// The same text handed to `sink` in pieces of about a megabyte, so that a table whose text
// would be gigabytes (tens of thousands of empty columns) is written with bounded memory.
void WriteGridExport(const Grid& grid, const std::function<void(std::string_view)>& sink,
                     const Progress& progress = {});

// Streams the export text into `path` through an AtomicFileWriter: a failed or cancelled
// export leaves a former file of that name as it was. A read-only file is replaced only with
// ReadOnlyTarget::Overwrite (the user agreed).
void ExportGridToTextFile(const Grid& grid, const std::string& path, const Progress& progress = {},
                          ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

} // namespace trassel
