#pragma once
// The thickness report as files: the workbook (XLSX) with the per-100 m and per-km summaries,
// the failing stretches and the norms used, and the same tables as CSV for any spreadsheet
// (UTF-8 with a byte-order mark, ";" between fields, "," for the decimal point).
#include "base/atomic_file.h"
#include "thickness/analysis.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace trassel {

// One cell of a report table: nothing, a number (with a red mark for a value below the norm)
// or a text.
struct ReportCell {
    std::variant<std::monostate, double, std::string> value;
    bool red = false;
    int decimals = 1; // shown in the workbook with this many decimals
};

struct ReportTable {
    std::string sheet;               // the workbook's sheet name
    std::string file;                // the CSV file's name
    std::string title;               // the line above the header
    std::vector<std::string> header; // units in the captions
    std::vector<std::vector<ReportCell>> rows;
};

// The tables of the report: per 100 m, per km, the failing stretches, the norms and how the
// numbers were made. `source` names the survey in the titles.
std::vector<ReportTable> ReportTables(const Compliance& compliance, const DesignNorms& norms,
                                      const std::string& source);

// The CSV text of a table.
std::string CsvText(const ReportTable& table);

// The workbook's bytes. Error when the library fails.
std::string WorkbookBytes(const std::vector<ReportTable>& tables);

// The workbook's and the CSVs' names in a folder.
inline constexpr const char* kWorkbookName = "Ведомость толщин.xlsx";

// Writes the workbook (when available) and the CSVs into the folder `dir` (made when missing),
// each file complete or not at all. Returns the paths written.
std::vector<std::string> WriteReport(const std::string& dir, const Compliance& compliance, const DesignNorms& norms,
                                     const std::string& source, ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

} // namespace trassel
