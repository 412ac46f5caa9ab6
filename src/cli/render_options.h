#pragma once
// The batch renderer's rules, free of any toolkit: reading its command line, loading a depth
// table the way "Импорт таблицы" does, choosing the rows to draw and cutting the line into
// sheets with their file names. The executable only draws what these decide.
#include "base/atomic_file.h"
#include "drawing/print_pages.h"
#include "section/section_renderer.h"
#include "thickness/norms.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trassel {

class Grid;

// A range of the depth table as the command line gives it: rows, or pickets (both ends included).
struct RangeOption {
    enum class Kind { Whole, Rows, Pickets };
    Kind kind = Kind::Whole;
    double from = 0;
    double to = 0;
    bool operator==(const RangeOption&) const = default;
};

// The section parameters the command line may set; unset ones keep the base's value.
struct ParamOptions {
    std::optional<int> scaleX, maxDepth, depthStep, surface, left, right;
    std::optional<float> scaleY;
    bool any() const { return scaleX || maxDepth || depthStep || surface || left || right || scaleY; }
};

// The design norms the command line gives for --report; unset ones keep the base's value, and
// stretches or layer norms given replace the base's.
struct NormOptions {
    std::vector<DesignStretch> stretches;
    std::vector<LayerNorm> layers;
    std::optional<double> sleeperBaseCm, toleranceCm, minLengthM, joinGapM, prismWidthM;
};

// Everything the command line says, checked for form (files are not opened here).
struct RenderOptions {
    bool help = false;
    bool diagram = false;
    std::string radargram; // --radargram FILE: an instrument file to describe (--info) or draw (-o)
    bool info = false;     // --info: print what the radargram file says of itself
    // --radargram-sheets DIR: the workspace's registered radargram with its boundaries, in sheets
    // of `sheetPickets` (10 when not given) written as DIR/radargram-NN_km….png, or by the name
    // and format DIR gives when it ends in a picture's extension.
    std::string radargramSheets;
    std::string table;
    std::string workspace;
    std::string boreholes;
    std::string output;
    int headerRows = 1;
    char delimiter = '\t';
    int picketColumn = 1;
    bool recalcPickets = false;
    // In slot order: slot 0 is drawn last, on top. Their picket column is `picketColumn`.
    std::vector<SectionLayer> layers;
    ParamOptions params;
    RangeOption range;
    double sheetPickets = 0; // 0: one picture of the whole range
    std::string reportDir;   // --report DIR: the thickness report instead of a picture
    NormOptions norms;
};

// One --norm-stretch value: "FROM..TO:class=N:sleeper=wooden|concrete", FROM and TO as pickets
// ("123+45", "123.45") or kilometres and metres ("12км345").
DesignStretch ParseNormStretch(std::string_view text);

// The base norms with the command line's put over them, checked as the document checks them.
DesignNorms ApplyNormOptions(DesignNorms base, const NormOptions& options);

// The length of a sheet, in pickets: from a metre (pickets are drawn to two decimals) to a
// hundred thousand kilometres, longer than any line.
inline constexpr double kMinSheetPickets = 0.01;
inline constexpr double kMaxSheetPickets = 1'000'000;
// The most sheets a range is cut into, counted from its first picket (gaps included).
inline constexpr long long kMaxSheetNumber = 1'000'000;

// The file name the sheets of --radargram-sheets VALUE are named after: VALUE itself when it
// ends in a picture's extension, otherwise VALUE/radargram.png.
std::string RadargramSheetsBase(const std::string& value);

// Reads the arguments after the program's name. Throws Error with one line naming the option
// for anything malformed, unknown or missing (no input, no output, a table without layers).
RenderOptions ParseRenderOptions(std::span<const std::string> args);

// The text of --help: every option with an example.
std::string RenderUsage();

// One --layer value: "COL[:width=N][:line=RRGGBB][:fill=0..16][:color=RRGGBB]" (fill: the eight
// styles, then the soil hatches).
SectionLayer ParseLayerOption(std::string_view text, int picketColumn);

// The output's format by its extension (lower case: "png", "jpg", "jpeg", "bmp", "pdf", "svg");
// Error for any other.
std::string OutputFormat(std::string_view path);

// The base parameters with the command line's settings put over them.
SectionParams ApplyParamOptions(SectionParams base, const ParamOptions& options);

// Reads a depth table file into `grid` as "Импорт таблицы" does: the fields by `delimiter`,
// the numbering, `headerRows` + 1 fixed rows. Error "Файл пустой!" for an empty file.
void LoadDepthTable(Grid& grid, FileBytes bytes, char delimiter, int headerRows);
// Reads a borehole table as "Импорт выработок" does (one title row).
void LoadBoreholeTable(Grid& grid, FileBytes bytes, char delimiter);

// Rows `first` .. `last` of the depth table, both included.
struct RowSpan {
    int first = 0;
    int last = 0;
    bool operator==(const RowSpan&) const = default;
};

// The rows to draw: `whole` for Kind::Whole, the given rows (which must lie inside `whole`), or
// the rows of `whole` whose pickets (column `picketColumn`, read strictly) lie between the two
// pickets. Error for an empty or reversed range and for a picket that is not a number.
RowSpan ResolveRange(const Grid& grid, int picketColumn, const RangeOption& range, RowSpan whole);

// One sheet: its rows, the pickets of its first and last rows, and the file it is written to.
struct Sheet {
    int number = 0; // 1 for the sheet starting at the range's first picket, counted along the line
    RowSpan rows;
    double fromPicket = 0;
    double toPicket = 0;
    std::string path;
    bool operator==(const Sheet&) const = default;
};

// Cuts `rows` into sheets of `sheetPickets` pickets from the first row's picket on. Sheets
// without rows (a gap in the survey) are left out; the others keep their place's number. A
// sheet's pickets, in its file name too, are those of its first and last rows, so no sheet
// claims line the survey does not reach; a tiny last sheet (kTinySheetFraction) joins the one
// before it.
// Error for a picket that is not a number, pickets that decrease, or a picket that would lie on a
// sheet numbered beyond kMaxSheetNumber.
std::vector<Sheet> PlanSheets(const Grid& grid, int picketColumn, RowSpan rows, double sheetPickets,
                              const std::string& output);

// "dir/section.pdf", sheet 1 of 12, pickets 123..133 -> "dir/section-01_km12.300-13.300.pdf"; the
// number has as many digits as the last sheet's, at least two.
std::string SheetFileName(const std::string& output, int number, int lastNumber, double fromPicket, double toPicket);

// A picket as kilometres with three decimals: 123.05 -> "12.305"; a picket whose metres no
// integer holds exactly (1e13 pickets and more) as the number of kilometres.
std::string KilometreText(double picket);

} // namespace trassel
