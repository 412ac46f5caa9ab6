#include "document/workspace.h"

#include "base/utf8.h"

#include "base/atomic_file.h"
#include "base/error.h"
#include "base/file_path.h"
#include "base/progress.h"
#include "document/section_scene.h"
#include "document/survey_document.h"
#include "drawing/drawing_record.h"
#include "table/grid.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <system_error>
#include <utility>

namespace trassel {
namespace {

using Json = nlohmann::json;
// Written in the order below, so that the file opens with what it is and its small parts.
using OutJson = nlohmann::ordered_json;

constexpr const char* kFormat = "trassel-workspace";

// The shares of the progress of a save and an open: the tables' rows are most of the work.
constexpr double kDepthWritten = 0.55;
constexpr double kTextMade = 0.6;
constexpr double kParsed = 0.3;
constexpr double kDepthRead = 0.97;

// ---- bytes and text ----

// The length of the well-formed UTF-8 sequence at `p` (RFC 3629: no overlong forms, no
// surrogates, nothing past U+10FFFF), 0 when the byte starts none.
std::size_t Utf8SequenceAt(const unsigned char* p, std::size_t left)
{
    const unsigned c = p[0];
    if (c < 0x80)
        return 1;
    auto cont = [&](std::size_t i, unsigned lo = 0x80, unsigned hi = 0xBF) { return p[i] >= lo && p[i] <= hi; };
    if (c < 0xC2)
        return 0;
    if (c < 0xE0)
        return left >= 2 && cont(1) ? 2 : 0;
    if (c < 0xF0) {
        const unsigned lo = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned hi = c == 0xED ? 0x9F : 0xBF;
        return left >= 3 && cont(1, lo, hi) && cont(2) ? 3 : 0;
    }
    if (c < 0xF5) {
        const unsigned lo = c == 0xF0 ? 0x90 : 0x80;
        const unsigned hi = c == 0xF4 ? 0x8F : 0xBF;
        return left >= 4 && cont(1, lo, hi) && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
}

bool IsUtf8(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t n = Utf8SequenceAt(p + i, text.size() - i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

constexpr char kHex[] = "0123456789abcdef";

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A cell in the table text: the tab and line feed that separate cells and rows and the
// backslash that escapes are written as \t, \n and \\; a byte that is not part of well-formed
// UTF-8 (a JSON string must be UTF-8) as \xHH. Everything else is copied.
void AppendEscaped(std::string& out, std::string_view cell)
{
    const auto* p = reinterpret_cast<const unsigned char*>(cell.data());
    std::size_t i = 0;
    while (i < cell.size()) {
        const unsigned char c = p[i];
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            const std::size_t n = Utf8SequenceAt(p + i, cell.size() - i);
            if (n == 0) {
                out += "\\x";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else {
                out.append(cell.data() + i, n);
                i += n;
                continue;
            }
        }
        ++i;
    }
}

// The inverse of AppendEscaped; false for an escape it never writes.
bool AppendUnescaped(std::string& out, std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size())
            return false;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'x': {
            if (i + 2 >= text.size())
                return false;
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

// A short text (a caption, a font name, a path): a JSON string when it is UTF-8, else its
// bytes in hexadecimal, so that no byte is lost and the file stays valid JSON.
OutJson TextJson(std::string_view text)
{
    if (IsUtf8(text))
        return std::string(text);
    std::string hex;
    hex.reserve(text.size() * 2);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        hex += kHex[c >> 4];
        hex += kHex[c & 15];
    }
    return OutJson{{"bytes", hex}};
}

std::string NumberText(long long n)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, n);
    return std::string(buf, res.ptr);
}

// A double as JSON: a number when finite, else the words a reader can take back (JSON has
// no infinities).
OutJson DoubleJson(double v)
{
    if (std::isfinite(v))
        return v;
    if (std::isnan(v))
        return "nan";
    return v > 0 ? "inf" : "-inf";
}

// ---- writing ----

// One table: its size and fixed counts; column 0 as the rows whose label is not their own
// number (the common numbered table has none of those but the corner); and the cells
// 1.. of every row as one text, cells joined by tabs, each row ended by a line feed. One string
// for the whole table keeps the file about the size of the table's own text and lets it be
// written and read in one pass.
OutJson TableJson(const Grid& grid, ProgressMeter& meter)
{
    const int rows = grid.rowCount();
    std::size_t estimate = 0;
    for (int r = 0; r < rows; ++r) {
        char separator = '\t';
        int cells = 0;
        estimate += grid.rowBlock(r, separator, cells).size() + 1;
    }
    std::string cellsText;
    cellsText.reserve(estimate + estimate / 16 + 64);
    std::string labels;
    std::vector<std::string_view> scratch;
    for (int r = 0; r < rows; ++r) {
        meter.at(r);
        if (grid.rowLabelNumber(r) != r) {
            const std::string_view label = grid.cellView(0, r);
            if (label != NumberText(r)) {
                labels += NumberText(r);
                labels += '\t';
                AppendEscaped(labels, label);
                labels += '\n';
            }
        }
        char separator = '\t';
        int cells = 0;
        const std::string_view block = grid.rowBlock(r, separator, cells);
        // Most rows are plain ASCII numbers: the row's bytes go over as they are. The grid
        // knows its cells by their ends, not by the separator byte, so a cell may hold that
        // byte too: the row is plain only when every separator byte is a cell boundary.
        bool plain = true;
        int separators = 0;
        for (const char ch : block) {
            const auto c = static_cast<unsigned char>(ch);
            separators += ch == separator ? 1 : 0;
            if (c == '\\' || c == '\n' || c >= 0x80 || (c == '\t' && separator != '\t')) {
                plain = false;
                break;
            }
        }
        plain = plain && separators == std::max(cells - 1, 0);
        if (plain) {
            const std::size_t at = cellsText.size();
            cellsText += block;
            if (separator != '\t')
                std::replace(cellsText.begin() + static_cast<std::ptrdiff_t>(at), cellsText.end(), separator, '\t');
        } else {
            for (int c = 1; c <= cells; ++c) {
                if (c > 1)
                    cellsText += '\t';
                AppendEscaped(cellsText, grid.cellView(c, r));
            }
        }
        cellsText += '\n';
    }
    OutJson t;
    t["cols"] = grid.colCount();
    t["rows"] = rows;
    t["fixedRows"] = grid.fixedRows();
    t["fixedCols"] = grid.fixedCols();
    t["labels"] = std::move(labels);
    t["cells"] = std::move(cellsText);
    meter.finish();
    return t;
}

OutJson PenJson(const PenState& pen)
{
    return {{"width", pen.width}, {"color", pen.color}, {"style", static_cast<int>(pen.style)}};
}

OutJson BrushJson(const BrushState& brush)
{
    return {{"color", brush.color}, {"style", static_cast<int>(brush.style)}};
}

OutJson FontJson(const FontState& font)
{
    return {{"name", TextJson(font.name)},
            {"size", font.size},
            {"bold", font.bold},
            {"underline", font.underline},
            {"color", font.color}};
}

OutJson LayersJson(const SurveyDocument& doc)
{
    const LayerManager& layers = doc.layers();
    std::vector<LayerSnapshot> snapshots;
    for (int slot = 0; slot < layers.LayerCount(); ++slot)
        snapshots.push_back(layers.snapshotOf(layers.Layers(slot).Item));
    // The drawing order among the layers only, by rank: the positions of the chart's other
    // series are the diagram's business.
    std::vector<int> drawn;
    for (const LayerSnapshot& s : snapshots)
        if (s.attachedAt >= 0)
            drawn.push_back(s.attachedAt);
    std::sort(drawn.begin(), drawn.end());
    OutJson items = OutJson::array();
    for (const LayerSnapshot& s : snapshots) {
        const int order = s.attachedAt < 0
                              ? -1
                              : static_cast<int>(std::lower_bound(drawn.begin(), drawn.end(), s.attachedAt) - drawn.begin());
        const TLayer& l = s.record;
        items.push_back({{"caption", TextJson(s.entry.caption)},
                         {"checked", s.entry.checked},
                         {"selected", s.entry.selected},
                         {"picketColumn", l.PicketColumn},
                         {"depthColumn", l.DepthColumn},
                         {"lineWidth", l.LineWidth},
                         {"lineColor", l.LineColor},
                         {"brushColor", l.BrushColor},
                         {"brushStyle", l.BrushStyle},
                         {"pointColor", l.PointColor},
                         {"seriesName", TextJson(s.seriesName)},
                         {"drawOrder", order}});
    }
    return {{"colorState", layers.colorState()}, {"items", std::move(items)}};
}

OutJson AnnotationsJson(const std::vector<WorkspaceAnnotation>& annotations)
{
    // A stroke is hundreds of short lines in one state: the states are listed once.
    std::vector<DrawState> states;
    auto stateOf = [&](const WorkspaceMark& m) {
        const DrawState s{m.pen, m.brush, m.font};
        const auto it = std::find(states.begin(), states.end(), s);
        if (it != states.end())
            return static_cast<int>(it - states.begin());
        states.push_back(s);
        return static_cast<int>(states.size() - 1);
    };
    OutJson steps = OutJson::array();
    for (const WorkspaceAnnotation& a : annotations) {
        OutJson marks = OutJson::array();
        for (const WorkspaceMark& m : a.marks) {
            const char* kind = m.kind == WorkspaceMark::Kind::Line ? "line"
                               : m.kind == WorkspaceMark::Kind::Text ? "text"
                                                                     : "fillRect";
            OutJson mark{{"kind", kind},
                         {"state", stateOf(m)},
                         {"a", {m.a.x, m.a.y}},
                         {"b", {m.b.x, m.b.y}}};
            if (m.kind == WorkspaceMark::Kind::Text)
                mark["text"] = TextJson(m.text);
            marks.push_back(std::move(mark));
        }
        steps.push_back({{"name", TextJson(a.name)}, {"marks", std::move(marks)}});
    }
    OutJson stateList = OutJson::array();
    for (const DrawState& s : states)
        stateList.push_back({{"pen", PenJson(s.pen)}, {"brush", BrushJson(s.brush)}, {"font", FontJson(s.font)}});
    return {{"states", std::move(stateList)}, {"steps", std::move(steps)}};
}

// ---- reading ----

// A string of the file this long (a table's text) is decoded here rather than by the JSON
// parser, which would take it byte by byte through two growing buffers and then copy it: that
// is most of the time of opening a large table. In the text handed to the parser it stands as
// a short mark that no string of ours begins with.
constexpr std::size_t kLongString = std::size_t{1} << 16;
constexpr std::string_view kLongMark = "\x01\x02long:";

bool ReadHex4(std::string_view s, std::size_t at, std::uint32_t& value)
{
    if (at + 4 > s.size())
        return false;
    value = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        const int h = HexValue(s[at + k]);
        if (h < 0)
            return false;
        value = value * 16 + static_cast<std::uint32_t>(h);
    }
    return true;
}

// The body of a JSON string (between its quotes) decoded by the rules of RFC 8259, with its
// bytes checked to be UTF-8; false where a JSON parser would refuse it.
bool DecodeJsonString(std::string_view body, std::string& out)
{
    out.clear();
    out.reserve(body.size());
    const auto* u = reinterpret_cast<const unsigned char*>(body.data());
    std::size_t i = 0;
    while (i < body.size()) {
        // Runs of plain ASCII are copied at once.
        std::size_t j = i;
        while (j < body.size() && u[j] >= 0x20 && u[j] < 0x80 && u[j] != '\\')
            ++j;
        out.append(body.data() + i, j - i);
        i = j;
        if (i >= body.size())
            break;
        const unsigned char c = u[i];
        if (c < 0x20)
            return false;
        if (c >= 0x80) {
            const std::size_t n = Utf8SequenceAt(u + i, body.size() - i);
            if (n == 0)
                return false;
            out.append(body.data() + i, n);
            i += n;
            continue;
        }
        if (i + 1 >= body.size())
            return false;
        const char e = body[i + 1];
        i += 2;
        switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
            std::uint32_t cp = 0;
            if (!ReadHex4(body, i, cp))
                return false;
            i += 4;
            if (cp >= 0xDC00 && cp <= 0xDFFF)
                return false;
            if (cp >= 0xD800 && cp <= 0xDBFF) {
                std::uint32_t low = 0;
                if (i + 1 >= body.size() || body[i] != '\\' || body[i + 1] != 'u' || !ReadHex4(body, i + 2, low) ||
                    low < 0xDC00 || low > 0xDFFF)
                    return false;
                i += 6;
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            }
            AppendUtf8(out, static_cast<char32_t>(cp));
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

// Reads the parsed file; every fault is an Error naming the file and what is wrong where.
class Reader {
public:
    Reader(std::string file, const Progress& report) : progress(report), file_(std::move(file)) {}

    const Progress& progress;

    // The long strings taken out of the text before parsing (see ParseWorkspace).
    std::vector<std::string> longStrings;

    [[noreturn]] void damaged(const std::string& why) const
    {
        throw Error("Файл проекта «" + file_ + "» повреждён: " + why + ".");
    }

    const Json& member(const Json& object, const char* key, const std::string& at) const
    {
        const std::string where = at.empty() ? std::string(key) : at + "." + key;
        if (!object.is_object())
            damaged("«" + (at.empty() ? std::string("(корень)") : at) + "» должно быть объектом");
        const auto it = object.find(key);
        if (it == object.end())
            damaged("нет поля «" + where + "»");
        return *it;
    }

    const Json& object(const Json& o, const char* key, const std::string& at) const
    {
        const Json& v = member(o, key, at);
        if (!v.is_object())
            damaged("поле «" + join(at, key) + "» должно быть объектом");
        return v;
    }

    const Json& array(const Json& o, const char* key, const std::string& at) const
    {
        const Json& v = member(o, key, at);
        if (!v.is_array())
            damaged("поле «" + join(at, key) + "» должно быть массивом");
        return v;
    }

    long long integer(const Json& v, const std::string& where, long long lo, long long hi) const
    {
        if (!v.is_number_integer())
            damaged("поле «" + where + "» должно быть целым числом");
        long long n = 0;
        if (v.is_number_unsigned()) {
            const auto u = v.get<std::uint64_t>();
            if (u > static_cast<std::uint64_t>(std::numeric_limits<long long>::max()))
                outOfRange(where, lo, hi);
            n = static_cast<long long>(u);
        } else {
            n = v.get<std::int64_t>();
        }
        if (n < lo || n > hi)
            outOfRange(where, lo, hi);
        return n;
    }

    int integer(const Json& o, const char* key, const std::string& at, long long lo = INT_MIN, long long hi = INT_MAX) const
    {
        return static_cast<int>(integer(member(o, key, at), join(at, key), lo, hi));
    }

    std::uint32_t color(const Json& o, const char* key, const std::string& at) const
    {
        return static_cast<std::uint32_t>(integer(member(o, key, at), join(at, key), 0, 0xFFFFFFFFLL));
    }

    bool boolean(const Json& o, const char* key, const std::string& at) const
    {
        const Json& v = member(o, key, at);
        if (!v.is_boolean())
            damaged("поле «" + join(at, key) + "» должно быть логическим значением");
        return v.get<bool>();
    }

    double number(const Json& o, const char* key, const std::string& at) const
    {
        const Json& v = member(o, key, at);
        if (v.is_number())
            return v.get<double>();
        if (v.is_string()) {
            const auto& s = v.get_ref<const std::string&>();
            if (s == "inf")
                return std::numeric_limits<double>::infinity();
            if (s == "-inf")
                return -std::numeric_limits<double>::infinity();
            if (s == "nan")
                return std::numeric_limits<double>::quiet_NaN();
        }
        damaged("поле «" + join(at, key) + "» должно быть числом");
    }

    // A raw JSON string (the table texts).
    const std::string& string(const Json& o, const char* key, const std::string& at) const
    {
        const Json& v = member(o, key, at);
        if (!v.is_string())
            damaged("поле «" + join(at, key) + "» должно быть строкой");
        const auto& text = v.get_ref<const std::string&>();
        if (text.size() > kLongMark.size() && text.compare(0, kLongMark.size(), kLongMark) == 0) {
            std::size_t index = 0;
            const auto res = std::from_chars(text.data() + kLongMark.size(), text.data() + text.size(), index);
            if (res.ec == std::errc() && res.ptr == text.data() + text.size() && index < longStrings.size())
                return longStrings[index];
        }
        return text;
    }

    // A text written by TextJson.
    std::string text(const Json& v, const std::string& where) const
    {
        if (v.is_string())
            return v.get<std::string>();
        if (v.is_object() && v.size() == 1 && v.contains("bytes") && v["bytes"].is_string()) {
            const auto& hex = v["bytes"].get_ref<const std::string&>();
            std::string out;
            if (hex.size() % 2 != 0)
                damaged("поле «" + where + "» содержит неверную запись байтов");
            for (std::size_t i = 0; i < hex.size(); i += 2) {
                const int hi = HexValue(hex[i]);
                const int lo = HexValue(hex[i + 1]);
                if (hi < 0 || lo < 0)
                    damaged("поле «" + where + "» содержит неверную запись байтов");
                out += static_cast<char>(hi * 16 + lo);
            }
            return out;
        }
        damaged("поле «" + where + "» должно быть строкой");
    }

    std::string text(const Json& o, const char* key, const std::string& at) const
    {
        return text(member(o, key, at), join(at, key));
    }

    static std::string join(const std::string& at, const char* key) { return at.empty() ? std::string(key) : at + "." + key; }
    static std::string index(const std::string& at, std::size_t i) { return at + "[" + std::to_string(i) + "]"; }

private:
    [[noreturn]] void outOfRange(const std::string& where, long long lo, long long hi) const
    {
        damaged("значение поля «" + where + "» вне допустимых пределов (" + std::to_string(lo) + "…" + std::to_string(hi) + ")");
    }

    std::string file_;
};

void ReadTable(const Reader& in, const Json& root, const char* key, Grid& out, double shareFrom, double shareTo)
{
    const std::string at = std::string("tables.") + key;
    const Json& t = in.object(in.object(root, "tables", ""), key, "tables");
    const int cols = in.integer(t, "cols", at, 0, Grid::kMaxColumns);
    const int rows = in.integer(t, "rows", at, 0, INT_MAX);
    const int fixedRows = in.integer(t, "fixedRows", at, 0, std::max(rows, 1));
    const int fixedCols = in.integer(t, "fixedCols", at, 0, std::max(cols, 1));
    const std::string& labels = in.string(t, "labels", at);
    const std::string& cells = in.string(t, "cells", at);

    // Every row ends with a line feed: a text cut short or padded is caught before any row
    // is made, and the rows' memory follows from the file, not from a number in it.
    const auto lines = static_cast<std::size_t>(std::count(cells.begin(), cells.end(), '\n'));
    if (lines != static_cast<std::size_t>(rows) || (!cells.empty() && cells.back() != '\n'))
        in.damaged("текст таблицы «" + at + "» обрывается или не совпадает с её размером (" + std::to_string(rows) +
                   " строк)");

    Grid grid(cols, rows);
    std::vector<std::string_view> fields;
    std::string decoded;
    std::vector<std::size_t> bounds;
    const char* p = cells.data();
    const char* const end = p + cells.size();
    ProgressMeter meter(in.progress, rows, shareFrom, shareTo);
    for (int r = 0; r < rows; ++r) {
        meter.at(r);
        const auto* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const std::string_view line(p, static_cast<std::size_t>(nl - p));
        p = nl + 1;
        if (line.empty())
            continue;
        fields.clear();
        const bool escaped = line.find('\\') != std::string_view::npos;
        if (!escaped) {
            std::size_t start = 0;
            for (;;) {
                const std::size_t tab = line.find('\t', start);
                fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
                if (tab == std::string_view::npos)
                    break;
                start = tab + 1;
            }
        } else {
            // The decoded cells go into one buffer first and are viewed after it stops growing.
            decoded.clear();
            bounds.clear();
            std::size_t start = 0;
            for (;;) {
                const std::size_t tab = line.find('\t', start);
                const std::string_view raw =
                    line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
                if (!AppendUnescaped(decoded, raw))
                    in.damaged("неверная escape-последовательность в строке " + std::to_string(r) + " таблицы «" + at + "»");
                bounds.push_back(decoded.size());
                if (tab == std::string_view::npos)
                    break;
                start = tab + 1;
            }
            std::size_t from = 0;
            for (const std::size_t to : bounds) {
                fields.emplace_back(decoded.data() + from, to - from);
                from = to;
            }
        }
        if (fields.size() + 1 > static_cast<std::size_t>(cols))
            in.damaged("в строке " + std::to_string(r) + " таблицы «" + at + "» больше ячеек, чем столбцов (" +
                       std::to_string(cols) + ")");
        grid.setCells(r, 1, fields.data(), fields.size());
    }
    meter.finish();

    if (cols > 0) {
        for (int r = 0; r < rows; ++r)
            grid.setRowLabelNumber(r, r);
        std::size_t pos = 0;
        std::string label;
        while (pos < labels.size()) {
            const std::size_t nl = labels.find('\n', pos);
            const std::size_t tab = labels.find('\t', pos);
            if (nl == std::string::npos || tab == std::string::npos || tab > nl)
                in.damaged("список подписей строк таблицы «" + at + "» повреждён");
            long long row = -1;
            const auto res = std::from_chars(labels.data() + pos, labels.data() + tab, row);
            label.clear();
            if (res.ec != std::errc() || res.ptr != labels.data() + tab || row < 0 || row >= rows ||
                !AppendUnescaped(label, std::string_view(labels).substr(tab + 1, nl - tab - 1)))
                in.damaged("список подписей строк таблицы «" + at + "» повреждён");
            grid.setCell(0, static_cast<int>(row), label);
            pos = nl + 1;
        }
    } else if (!labels.empty()) {
        in.damaged("список подписей строк таблицы «" + at + "» повреждён");
    }
    grid.restoreFixed(fixedRows, fixedCols);
    out.swap(grid);
}

PenState ReadPen(const Reader& in, const Json& o, const std::string& at)
{
    PenState pen;
    pen.width = in.integer(o, "width", at);
    pen.color = in.color(o, "color", at);
    pen.style = static_cast<PenStyle>(in.integer(o, "style", at, 0, static_cast<int>(PenStyle::Dashed)));
    return pen;
}

BrushState ReadBrush(const Reader& in, const Json& o, const std::string& at)
{
    BrushState brush;
    brush.color = in.color(o, "color", at);
    brush.style = static_cast<BrushStyle>(in.integer(o, "style", at, 0, static_cast<int>(BrushStyle::DiagCross)));
    return brush;
}

FontState ReadFont(const Reader& in, const Json& o, const std::string& at)
{
    FontState font;
    font.name = in.text(o, "name", at);
    font.size = in.integer(o, "size", at);
    font.bold = in.boolean(o, "bold", at);
    font.underline = in.boolean(o, "underline", at);
    font.color = in.color(o, "color", at);
    return font;
}

Point ReadPoint(const Reader& in, const Json& o, const char* key, const std::string& at)
{
    const Json& v = in.member(o, key, at);
    const std::string where = Reader::join(at, key);
    if (!v.is_array() || v.size() != 2)
        in.damaged("поле «" + where + "» должно быть парой чисел");
    return {static_cast<int>(in.integer(v[0], where, INT_MIN, INT_MAX)),
            static_cast<int>(in.integer(v[1], where, INT_MIN, INT_MAX))};
}

std::vector<WorkspaceAnnotation> ReadAnnotations(const Reader& in, const Json& o, const std::string& at)
{
    std::vector<DrawState> states;
    const Json& stateList = in.array(o, "states", at);
    for (std::size_t i = 0; i < stateList.size(); ++i) {
        const std::string where = Reader::index(at + ".states", i);
        const Json& s = stateList[i];
        states.push_back({ReadPen(in, in.object(s, "pen", where), where + ".pen"),
                          ReadBrush(in, in.object(s, "brush", where), where + ".brush"),
                          ReadFont(in, in.object(s, "font", where), where + ".font")});
    }
    std::vector<WorkspaceAnnotation> out;
    const Json& steps = in.array(o, "steps", at);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::string where = Reader::index(at + ".steps", i);
        WorkspaceAnnotation a;
        a.name = in.text(steps[i], "name", where);
        const Json& marks = in.array(steps[i], "marks", where);
        for (std::size_t k = 0; k < marks.size(); ++k) {
            const std::string mat = Reader::index(where + ".marks", k);
            const Json& mj = marks[k];
            WorkspaceMark m;
            const std::string kind = in.text(mj, "kind", mat);
            if (kind == "line")
                m.kind = WorkspaceMark::Kind::Line;
            else if (kind == "text")
                m.kind = WorkspaceMark::Kind::Text;
            else if (kind == "fillRect")
                m.kind = WorkspaceMark::Kind::FillRect;
            else
                in.damaged("неизвестный вид пометки «" + kind + "» в «" + mat + "»");
            const int state = in.integer(mj, "state", mat, 0, static_cast<long long>(states.size()) - 1);
            m.pen = states[static_cast<std::size_t>(state)].pen;
            m.brush = states[static_cast<std::size_t>(state)].brush;
            m.font = states[static_cast<std::size_t>(state)].font;
            m.a = ReadPoint(in, mj, "a", mat);
            m.b = ReadPoint(in, mj, "b", mat);
            if (m.kind == WorkspaceMark::Kind::Text)
                m.text = in.text(mj, "text", mat);
            a.marks.push_back(std::move(m));
        }
        out.push_back(std::move(a));
    }
    return out;
}

// Whether bytes that failed to parse still start like a workspace: then the file is a damaged
// or cut project, not some other file.
bool LooksLikeWorkspace(const char* data, std::size_t size)
{
    std::size_t i = 0;
    while (i < size && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    if (i >= size || data[i] != '{')
        return false;
    const std::string_view head(data + i, std::min<std::size_t>(size - i, 4096));
    return head.find(std::string("\"") + kFormat + "\"") != std::string_view::npos;
}

void ReadDocument(const Reader& in, const Json& root, SurveyDocument& doc, const std::string& path)
{
    ReadTable(in, root, "depth", doc.depthTable(), kParsed, kDepthRead);
    ReadTable(in, root, "boreholes", doc.boreholeTable(), kDepthRead, 1.0);

    const Json& s = in.object(root, "settings", "");
    TableSettings settings;
    settings.headerRowCount = in.integer(s, "headerRowCount", "settings");
    settings.delimiterIndex = in.integer(s, "delimiterIndex", "settings");
    settings.delimiterText = in.text(s, "delimiterText", "settings");
    settings.picketColumnText = in.text(s, "picketColumnText", "settings");
    doc.setSettings(settings);

    const Json& range = in.object(root, "range", "");
    doc.setRange(in.integer(range, "first", "range"), in.integer(range, "last", "range"));
    const Json& sel = in.object(root, "selection", "");
    doc.select(in.integer(sel, "col", "selection"), in.integer(sel, "row", "selection"));

    const Json& layers = in.object(root, "layers", "");
    const Json& items = in.array(layers, "items", "layers");
    if (items.size() > static_cast<std::size_t>(LayerManager::kLayerSlots))
        in.damaged("слоёв больше " + std::to_string(LayerManager::kLayerSlots));
    std::vector<LayerSnapshot> snapshots;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string at = Reader::index("layers.items", i);
        const Json& l = items[i];
        LayerSnapshot snap;
        snap.slot = static_cast<int>(i);
        snap.entry.caption = in.text(l, "caption", at);
        snap.entry.checked = in.boolean(l, "checked", at);
        snap.entry.selected = in.boolean(l, "selected", at);
        snap.record.PicketColumn = in.integer(l, "picketColumn", at);
        snap.record.DepthColumn = in.integer(l, "depthColumn", at);
        snap.record.LineWidth = in.integer(l, "lineWidth", at);
        snap.record.LineColor = in.color(l, "lineColor", at);
        snap.record.BrushColor = in.color(l, "brushColor", at);
        snap.record.BrushStyle = static_cast<std::uint8_t>(in.integer(l, "brushStyle", at, 0, 255));
        snap.record.PointColor = in.color(l, "pointColor", at);
        snap.seriesName = in.text(l, "seriesName", at);
        snap.attachedAt = in.integer(l, "drawOrder", at, -1, LayerManager::kLayerSlots);
        snapshots.push_back(std::move(snap));
    }
    if (std::count_if(snapshots.begin(), snapshots.end(), [](const LayerSnapshot& l) { return l.entry.selected; }) > 1)
        in.damaged("выбрано больше одного слоя");
    doc.replaceLayers(snapshots, in.color(layers, "colorState", "layers"));

    const Json& d = in.object(root, "diagram", "");
    DiagramParams p = doc.diagramParams();
    p.SeriesMarksVisible = in.boolean(d, "seriesMarksVisible", "diagram");
    p.SeriesFrequencyMarks = in.integer(d, "seriesFrequencyMarks", "diagram");
    p.CursorHorizMarkVisible = in.boolean(d, "cursorHorizMarkVisible", "diagram");
    p.CursorVertMarkVisible = in.boolean(d, "cursorVertMarkVisible", "diagram");
    p.CursorHorzSize = in.integer(d, "cursorHorzSize", "diagram");
    p.CursorVertSize = in.integer(d, "cursorVertSize", "diagram");
    p.DinamicDiapazonAxes = in.boolean(d, "dinamicDiapazonAxes", "diagram");
    p.WindowWidth = in.integer(d, "windowWidth", "diagram");
    p.WindowHeight = in.integer(d, "windowHeight", "diagram");
    p.VertIncrement = in.text(d, "vertIncrement", "diagram");
    doc.setDiagramParams(p);
    const bool diagramBuilt = in.boolean(d, "built", "diagram");
    doc.setDiagramBuilt(diagramBuilt, in.boolean(d, "boreholesShown", "diagram"));
    const Json& c = in.object(d, "cursor", "diagram");
    ChartCursor& cursor = doc.diagram().cursor();
    cursor.Col = in.integer(c, "col", "diagram.cursor");
    cursor.Row = in.integer(c, "row", "diagram.cursor");
    cursor.X = in.number(c, "x", "diagram.cursor");
    cursor.Y = in.number(c, "y", "diagram.cursor");
    // The column a built diagram's cursor stood on was chosen; a default one waits for the build.
    cursor.ColChosen = diagramBuilt;

    const Json& sj = in.object(root, "section", "");
    SectionParams sp = doc.sectionParams();
    sp.H = in.integer(sj, "H", "section");
    sp.Lleft = in.integer(sj, "Lleft", "section");
    sp.R = in.integer(sj, "R", "section");
    sp.SX = in.integer(sj, "SX", "section");
    sp.SY = static_cast<float>(in.number(sj, "SY", "section"));
    sp.Dmax = in.integer(sj, "Dmax", "section");
    sp.step = in.integer(sj, "step", "section");
    sp.ISSO = in.integer(sj, "ISSO", "section");
    doc.setSectionParams(sp);
    SectionState& state = doc.sectionState();
    state.sectionWidth = in.integer(sj, "sectionWidth", "section");
    state.imageWidth = in.integer(sj, "imageWidth", "section");
    state.imageHeight = in.integer(sj, "imageHeight", "section");

    // The section, the soil list, the radargram and the pages (the file calls them "extras").
    const Json& e = in.object(root, "extras", "");
    const Json& soils = in.array(e, "soils", "extras");
    std::vector<std::string> soilList;
    for (std::size_t i = 0; i < soils.size(); ++i)
        soilList.push_back(in.text(soils[i], Reader::index("extras.soils", i)));
    doc.setSoils(std::move(soilList));
    SectionScene::Saved section;
    section.soilFont = ReadFont(in, in.object(e, "soilFont", "extras"), "extras.soilFont");
    section.drawn = in.boolean(e, "sectionDrawn", "extras");
    section.boreholesDrawn = in.boolean(e, "boreholesDrawn", "extras");
    const std::string radargram = in.text(e, "radargramPath", "extras");
    doc.setRadargramPath(radargram.empty() ? std::string() : ResolvedPicturePath(path, radargram));
    const Json& pages = in.object(e, "pages", "extras");
    PageChoice choice;
    choice.left = in.integer(pages, "left", "extras.pages");
    choice.right = in.integer(pages, "right", "extras.pages");
    choice.properties = in.integer(pages, "properties", "extras.pages");
    doc.setPages(choice);
    section.annotations = ReadAnnotations(in, in.object(e, "annotations", "extras"), "extras.annotations");
    doc.section().restore(std::move(section));
}

} // namespace

// ---- the file ----

std::string WorkspaceText(const SurveyDocument& doc, const std::string& path, const Progress& progress)
{
    OutJson root;
    root["format"] = kFormat;
    root["version"] = kWorkspaceVersion;

    const TableSettings& s = doc.settings();
    root["settings"] = {{"headerRowCount", s.headerRowCount},
                        {"delimiterIndex", s.delimiterIndex},
                        {"delimiterText", TextJson(s.delimiterText)},
                        {"picketColumnText", TextJson(s.picketColumnText)}};
    root["range"] = {{"first", doc.firstDataRow()}, {"last", doc.lastDataRow()}};
    root["selection"] = {{"col", doc.selCol()}, {"row", doc.selRow()}};
    root["layers"] = LayersJson(doc);

    const DiagramParams p = doc.diagramParams();
    const Diagram& diagram = doc.diagram();
    const ChartCursor& cursor = diagram.cursor();
    // What has been built, also of a project read and not yet shown.
    const bool built = doc.diagramBuilt();
    const bool boreholes = doc.diagramBoreholesShown();
    root["diagram"] = {{"seriesMarksVisible", p.SeriesMarksVisible},
                       {"seriesFrequencyMarks", p.SeriesFrequencyMarks},
                       {"cursorHorizMarkVisible", p.CursorHorizMarkVisible},
                       {"cursorVertMarkVisible", p.CursorVertMarkVisible},
                       {"cursorHorzSize", p.CursorHorzSize},
                       {"cursorVertSize", p.CursorVertSize},
                       {"dinamicDiapazonAxes", p.DinamicDiapazonAxes},
                       {"windowWidth", p.WindowWidth},
                       {"windowHeight", p.WindowHeight},
                       {"vertIncrement", TextJson(p.VertIncrement)},
                       {"built", built},
                       {"boreholesShown", boreholes},
                       {"cursor", {{"col", cursor.Col}, {"row", cursor.Row}, {"x", DoubleJson(cursor.X)}, {"y", DoubleJson(cursor.Y)}}}};

    const SectionParams sp = doc.sectionParams();
    const SectionState& state = doc.sectionState();
    root["section"] = {{"H", sp.H},
                       {"Lleft", sp.Lleft},
                       {"R", sp.R},
                       {"SX", sp.SX},
                       {"SY", DoubleJson(static_cast<double>(sp.SY))},
                       {"Dmax", sp.Dmax},
                       {"step", sp.step},
                       {"ISSO", sp.ISSO},
                       {"sectionWidth", state.sectionWidth},
                       {"imageWidth", state.imageWidth},
                       {"imageHeight", state.imageHeight}};

    OutJson soils = OutJson::array();
    for (const std::string& soil : doc.soils())
        soils.push_back(TextJson(soil));
    const SectionScene::Saved section = doc.section().saved();
    const PageChoice& pages = doc.pages();
    const std::string radargram = doc.radargramPath().empty() ? std::string() : StoredPicturePath(path, doc.radargramPath());
    root["extras"] = {{"soils", std::move(soils)},
                      {"soilFont", FontJson(section.soilFont)},
                      {"sectionDrawn", section.drawn},
                      {"boreholesDrawn", section.boreholesDrawn},
                      {"radargramPath", TextJson(radargram)},
                      {"pages", {{"left", pages.left}, {"right", pages.right}, {"properties", pages.properties}}},
                      {"annotations", AnnotationsJson(section.annotations)}};

    // The tables last: the rest of the file stays readable at its top.
    {
        ProgressMeter depth(progress, doc.depthTable().rowCount(), 0.0, kDepthWritten);
        root["tables"]["depth"] = TableJson(doc.depthTable(), depth);
        const Grid& skv = doc.table(TableId::Boreholes);
        ProgressMeter rest(progress, skv.rowCount(), kDepthWritten, kTextMade);
        root["tables"]["boreholes"] = TableJson(skv, rest);
    }

    std::string text = root.dump(1, '\t');
    text += '\n';
    return text;
}

void SaveWorkspace(const std::string& path, const SurveyDocument& doc, const Progress& progress)
{
    // The text is made first and written in pieces, each a step of the progress; a cancel
    // between them leaves the temporary file to the writer, which removes it.
    const std::string text = WorkspaceText(doc, path, progress);
    AtomicFileWriter writer(path);
    constexpr std::size_t kPiece = std::size_t{4} << 20;
    ProgressMeter meter(progress, static_cast<long long>(text.size()), kTextMade, 1.0, 1);
    for (std::size_t at = 0; at < text.size(); at += kPiece) {
        meter.at(static_cast<long long>(at));
        writer.write(std::string_view(text).substr(at, kPiece));
    }
    writer.commit();
    meter.finish();
}

namespace {

// The text with every long string replaced by its mark, the strings decoded into
// `longStrings`; false (the text is parsed as it is) when there is none or one is not valid
// JSON, so that the parser reports the fault where it is.
bool TakeLongStrings(std::string_view bytes, std::string& rest, std::vector<std::string>& longStrings)
{
    std::size_t copied = 0;
    std::size_t i = 0;
    bool any = false;
    while (i < bytes.size()) {
        const auto* quote = static_cast<const char*>(std::memchr(bytes.data() + i, '"', bytes.size() - i));
        if (quote == nullptr)
            break;
        // Outside a string of valid JSON a quote opens one; its closing quote is the first not escaped.
        const std::size_t open = static_cast<std::size_t>(quote - bytes.data());
        std::size_t close = open + 1;
        for (;;) {
            const auto* q = static_cast<const char*>(std::memchr(bytes.data() + close, '"', bytes.size() - close));
            if (q == nullptr)
                return false;
            close = static_cast<std::size_t>(q - bytes.data());
            std::size_t backslashes = 0;
            while (close - backslashes > open + 1 && bytes[close - backslashes - 1] == '\\')
                ++backslashes;
            if (backslashes % 2 == 0)
                break;
            ++close;
        }
        if (close - open - 1 >= kLongString) {
            longStrings.emplace_back();
            if (!DecodeJsonString(bytes.substr(open + 1, close - open - 1), longStrings.back()))
                return false;
            rest.append(bytes.data() + copied, open - copied);
            rest += "\"\\u0001\\u0002long:";
            rest += std::to_string(longStrings.size() - 1);
            rest += '"';
            copied = close + 1;
            any = true;
        }
        i = close + 1;
    }
    if (any)
        rest.append(bytes.data() + copied, bytes.size() - copied);
    return any;
}

// The JSON of a workspace file, refused as not a project or as damaged when it is no JSON.
Json ParseWorkspace(std::string_view bytes, Reader& in, const std::string& notProject)
{
    try {
        std::string rest;
        if (TakeLongStrings(bytes, rest, in.longStrings)) {
            try {
                return Json::parse(rest);
            } catch (const Json::exception&) {
                // Told again from the whole text, so that the fault's place is the file's.
            }
        }
        in.longStrings.clear();
        return Json::parse(bytes.begin(), bytes.end());
    } catch (const Json::parse_error& e) {
        if (!LooksLikeWorkspace(bytes.data(), bytes.size()))
            throw Error(notProject);
        if (e.byte >= bytes.size())
            in.damaged("файл обрывается");
        in.damaged("ошибка в записи около байта " + std::to_string(e.byte));
    } catch (const Json::exception&) {
        // A number too large for any field, and the like: the text is JSON, its content is not.
        if (!LooksLikeWorkspace(bytes.data(), bytes.size()))
            throw Error(notProject);
        in.damaged("число вне допустимых пределов");
    }
}

LoadedWorkspace InterpretWorkspace(const Json& root, const Reader& in, const std::string& path,
                                   const std::string& notProject)
{
    if (!root.is_object())
        throw Error(notProject);
    const auto format = root.find("format");
    if (format == root.end() || !format->is_string() || format->get_ref<const std::string&>() != kFormat)
        throw Error(notProject);
    // The version first: a later file may be built differently from here on.
    const int version = in.integer(root, "version", "", 1, INT_MAX);
    if (version > kWorkspaceVersion)
        throw Error("Файл проекта «" + path + "» записан более новой версией программы (версия " + std::to_string(version) +
                    ").");

    LoadedWorkspace loaded;
    loaded.document = std::make_unique<SurveyDocument>();
    // A store until it is put in place: nothing is drawn while it is read.
    loaded.document->setPicturesFollow(false);
    try {
        ReadDocument(in, root, *loaded.document, path);
    } catch (const Json::exception& e) {
        in.damaged(e.what());
    }
    return loaded;
}

std::string NotProject(const std::string& path) { return "Файл «" + path + "» не является проектом Trassel."; }

} // namespace

LoadedWorkspace LoadWorkspace(const std::string& path, const Progress& progress)
{
    Reader in(path, progress);
    Json root;
    {
        // The file's bytes go as soon as they are parsed: a large table is then held twice, not three times.
        ProgressMeter meter(progress, 2, 0.0, kParsed, 1);
        const FileBytes bytes = ReadWholeFile(path);
        meter.at(1);
        root = ParseWorkspace(std::string_view(bytes.data.get(), bytes.size), in, NotProject(path));
        meter.finish();
    }
    return InterpretWorkspace(root, in, path, NotProject(path));
}

LoadedWorkspace ReadWorkspace(std::string_view bytes, const std::string& fileName, const Progress& progress)
{
    Reader in(fileName, progress);
    const Json root = ParseWorkspace(bytes, in, NotProject(fileName));
    return InterpretWorkspace(root, in, fileName, NotProject(fileName));
}

// ---- annotations ----

std::vector<WorkspaceAnnotation> AnnotationsOf(const DrawingRecord& record)
{
    std::vector<WorkspaceAnnotation> out;
    std::map<std::uint32_t, std::size_t> byGroup;  // group -> index in `out`, in order of first appearance
    for (const DrawOp& op : record.ops()) {
        if (op.group == 0 || record.groupHidden(op.group))
            continue;
        WorkspaceMark mark;
        switch (op.kind) {
        case DrawOpKind::Line:
            mark.kind = WorkspaceMark::Kind::Line;
            break;
        case DrawOpKind::Text:
            mark.kind = WorkspaceMark::Kind::Text;
            mark.text = std::string(record.text(op));
            break;
        case DrawOpKind::FillRect:
            mark.kind = WorkspaceMark::Kind::FillRect;
            break;
        default:
            continue;  // the annotation tools make no other operation
        }
        const DrawState& state = record.state(op);
        mark.pen = state.pen;
        mark.brush = state.brush;
        mark.font = state.font;
        mark.a = op.a;
        mark.b = op.b;
        const auto [it, added] = byGroup.emplace(op.group, out.size());
        if (added)
            out.emplace_back();
        out[it->second].marks.push_back(std::move(mark));
    }
    // The step's name is kept by the history, not by the record: it is told by the marks' look.
    for (WorkspaceAnnotation& a : out) {
        const auto has = [&](auto&& pred) { return std::any_of(a.marks.begin(), a.marks.end(), pred); };
        if (has([](const WorkspaceMark& m) { return m.kind == WorkspaceMark::Kind::Text; }))
            a.name = "Подпись грунта";
        else if (has([](const WorkspaceMark& m) {
                     return m.kind == WorkspaceMark::Kind::FillRect && m.brush.color == kWhite;
                 }))
            a.name = "Ластик";
        else
            a.name = "Карандаш";
    }
    return out;
}

void DrawAnnotations(const std::vector<WorkspaceAnnotation>& annotations, RecordingCanvas& canvas, std::uint32_t firstGroup)
{
    // The canvas's own state (the soil font above all) is put back afterwards.
    const PenState pen = canvas.pen();
    const BrushState brush = canvas.brush();
    const FontState font = canvas.font();
    const Point pos = canvas.penPos();
    auto setState = [&](const PenState& p, const BrushState& b, const FontState& f) {
        canvas.setPenWidth(p.width);
        canvas.setPenColor(p.color);
        canvas.setPenStyle(p.style);
        // A colour turns the no-fill brush solid, so the style goes second.
        canvas.setBrushColor(b.color);
        canvas.setBrushStyle(b.style);
        canvas.setFont(f);
    };
    for (std::size_t i = 0; i < annotations.size(); ++i) {
        canvas.setGroup(firstGroup + static_cast<std::uint32_t>(i));
        for (const WorkspaceMark& m : annotations[i].marks) {
            setState(m.pen, m.brush, m.font);
            switch (m.kind) {
            case WorkspaceMark::Kind::Line:
                canvas.moveTo(m.a.x, m.a.y);
                canvas.lineTo(m.b.x, m.b.y);
                break;
            case WorkspaceMark::Kind::Text:
                canvas.textOut(m.a.x, m.a.y, m.text);
                break;
            case WorkspaceMark::Kind::FillRect:
                canvas.fillRect(m.a.x, m.a.y, m.b.x, m.b.y);
                break;
            }
        }
    }
    canvas.setGroup(0);
    setState(pen, brush, font);
    canvas.moveTo(pos.x, pos.y);
}

// ---- the radargram's path ----

namespace {

std::filesystem::path AbsoluteNormal(const std::filesystem::path& p)
{
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(p, ec);
    if (ec)
        abs = p;
    return abs.lexically_normal();
}

} // namespace

std::string StoredPicturePath(const std::string& workspacePath, const std::string& picturePath)
{
    if (picturePath.empty())
        return {};
    const std::filesystem::path folder = AbsoluteNormal(PathFromUtf8(workspacePath)).parent_path();
    const std::filesystem::path picture = AbsoluteNormal(PathFromUtf8(picturePath));
    const std::filesystem::path relative = picture.lexically_relative(folder);
    // Inside the workspace's folder tree the path moves with the folder; elsewhere it is kept
    // whole.
    if (!relative.empty() && *relative.begin() != ".." && relative.is_relative())
        return GenericPathToUtf8(relative);
    return PathToUtf8(picture);
}

std::string ResolvedPicturePath(const std::string& workspacePath, const std::string& storedPath)
{
    if (storedPath.empty())
        return {};
    const std::filesystem::path stored = PathFromUtf8(storedPath);
    if (stored.is_absolute())
        return PathToUtf8(stored.lexically_normal());
    return PathToUtf8((AbsoluteNormal(PathFromUtf8(workspacePath)).parent_path() / stored).lexically_normal());
}

} // namespace trassel
