#include "thickness/report_files.h"

#include "base/error.h"
#include "base/file_path.h"
#include "base/numbers.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <random>

namespace trassel {
namespace {

ReportCell Num(double v, int decimals = 1, bool red = false)
{
    ReportCell c;
    if (!std::isnan(v))
        c.value = v;
    c.red = red && !std::isnan(v);
    c.decimals = decimals;
    return c;
}

ReportCell Text(std::string t)
{
    ReportCell c;
    c.value = std::move(t);
    return c;
}

// Below the norm as the stretches judge it.
bool Below(double value, double norm, double tolerance) { return Fails(value, norm, tolerance); }

std::string SegmentName(long long index, double segmentM)
{
    if (segmentM == kKilometre)
        return "км " + IntToText(index);
    return "ПК" + IntToText(index);
}

ReportTable Segments(const Compliance& c, const DesignNorms& n, const std::string& source, double segmentM)
{
    const bool km = segmentM == kKilometre;
    ReportTable t;
    t.sheet = km ? "По км" : "По 100 м";
    t.file = km ? "Толщины по км.csv" : "Толщины по 100 м.csv";
    t.title = std::string(km ? "Толщина слоёв по километрам" : "Толщина слоёв по 100 м (от пикета до пикета)") +
              (source.empty() ? "" : ": " + source);
    t.header = {"Слой",
                km ? "Километр" : "Пикет",
                "Начало, м",
                "Конец, м",
                "С данными, м",
                "Норма, см",
                "Мин. толщина, см",
                "Сред. толщина, см",
                "Макс. толщина, см",
                "Ниже нормы, м",
                "Доля ниже нормы, %",
                "Участков ниже нормы",
                "Объём дефицита, м³",
                "Состояние"};
    for (const LayerCompliance& l : c.layers)
        for (const SegmentSummary& s : km ? l.perKm : l.per100m) {
            const double tol = n.toleranceCm;
            t.rows.push_back(
                {Text(l.line.name), Text(SegmentName(s.index, segmentM)), Num(s.fromM, 0), Num(s.toM, 0),
                 Num(s.dataM, 2), Num(s.normCm), Num(s.minCm, 1, Below(s.minCm, s.normCm, tol)),
                 Num(s.meanCm, 1, Below(s.meanCm, s.normCm, tol)), Num(s.maxCm, 1, Below(s.maxCm, s.normCm, tol)),
                 Num(s.belowM, 2), Num(s.sharePercent, 1, s.sharePercent > 0), Num(s.stretches, 0), Num(s.volumeM3, 3),
                 s.condition >= 0 ? Text(n.classes[static_cast<std::size_t>(s.condition)].name) : ReportCell{}});
        }
    return t;
}

ReportTable Stretches(const Compliance& c, const DesignNorms& n, const std::string& source)
{
    ReportTable t;
    t.sheet = "Участки ниже нормы";
    t.file = "Участки ниже нормы.csv";
    t.title = "Участки, где слой тоньше нормы" + (source.empty() ? std::string() : ": " + source);
    t.header = {"Слой",
                "№",
                "Начало (ПК)",
                "Конец (ПК)",
                "Начало, м",
                "Конец, м",
                "Длина, м",
                "Наим. толщина, см",
                "Норма там же, см",
                "Средний дефицит, см",
                "Объём дефицита, м³"};
    for (const LayerCompliance& l : c.layers)
        for (std::size_t i = 0; i < l.stretches.size(); ++i) {
            const FailingStretch& s = l.stretches[i];
            // The norm at the thinnest point, against which the least thickness is read.
            double norm = kNoValue;
            for (std::size_t p = s.first; p <= s.last; ++p)
                if (l.line.thicknessCm[p] == s.leastCm) {
                    norm = l.line.normAt(p);
                    break;
                }
            t.rows.push_back({Text(l.line.name), Num(static_cast<double>(i + 1), 0), Text(PicketText(s.fromM)),
                              Text(PicketText(s.toM)), Num(s.fromM, 2), Num(s.toM, 2), Num(s.lengthM, 2),
                              Num(s.leastCm, 1, true), Num(norm), Num(s.meanDeficitCm, 2), Num(s.volumeM3, 3)});
        }
    static_cast<void>(n);
    return t;
}

ReportTable NormsTable(const Compliance& c, const DesignNorms& n)
{
    ReportTable t;
    t.sheet = "Нормы";
    t.file = "Нормы.csv";
    t.title = "Нормы и параметры расчёта";
    t.header = {"Параметр", "Значение", "Пояснение"};
    const auto row = [&](std::string name, ReportCell value, std::string note = {}) {
        t.rows.push_back(
            {Text(std::move(name)), std::move(value), note.empty() ? ReportCell{} : Text(std::move(note))});
    };
    row("Глубина подошвы шпалы, см", Num(n.sleeperBaseCm, 1), "верхняя граница первого слоя (балласта)");
    row("Допуск, см", Num(n.toleranceCm, 1), "слой ниже нормы, если он тоньше нормы минус допуск");
    row("Наименьшая длина участка, м", Num(n.minLengthM, 2), "более короткие участки не показываются");
    row("Объединяющий разрыв, м", Num(n.joinGapM, 2), "участки ближе друг к другу считаются одним");
    row("Ширина призмы, м", Num(n.prismWidthM, 2), "объём дефицита = дефицит × длина × ширина");
    for (int k = 1; k <= kTrackClasses; ++k)
        for (const Sleeper s : {Sleeper::Wooden, Sleeper::Concrete}) {
            const std::optional<double> v = n.ballast.at(k, s);
            row("Балласт под шпалой, класс " + IntToText(k) + ", " + std::string(SleeperName(s)) + ", см",
                v ? Num(*v) : ReportCell{}, v ? "" : "не задано");
        }
    for (std::size_t i = 0; i < n.stretches.size(); ++i) {
        const DesignStretch& s = n.stretches[i];
        row("Участок норм " + IntToText(static_cast<long long>(i + 1)),
            Text(PicketText(s.fromM) + " – " + PicketText(s.toM)),
            "класс " + IntToText(s.trackClass) + ", " + std::string(SleeperName(s.sleeper)));
    }
    for (const LayerCompliance& l : c.layers) {
        const LayerNorm* own = n.layer(l.line.column);
        row("Слой «" + l.line.name + "» (колонка " + IntToText(l.line.column) + "), норма, см",
            own != nullptr && own->normCm ? Num(*own->normCm) : ReportCell{},
            &l == &c.layers.front() ? "балласт: норма по участкам, где они её дают" : "");
    }
    double previous = 0;
    for (const ConditionClass& k : n.classes) {
        row("Состояние «" + k.name + "», доля ниже нормы до, %", Num(k.maxSharePercent, 1),
            previous == 0 && &k == &n.classes.front() ? "" : "больше " + NumberToText(previous) + " %");
        previous = k.maxSharePercent;
    }
    const char* notes[] = {
        "Положение строки: пикет × 100 м (123.45 и 123+45 — пикет 123 плюс 45 м).",
        "Доля строки: от середины до предыдущей строки до середины до следующей; первая и последняя строки "
        "диапазона начинаются и кончаются на своём пикете.",
        "Толщина слоя: глубина его нижней границы минус глубина верхней (у первого слоя — подошвы шпалы); "
        "пустая или нечисловая ячейка — пропуск, не ноль.",
        "Участок ниже нормы: подряд идущие строки тоньше нормы минус допуск; начало — начало доли первой "
        "строки, конец — конец доли последней, длина — их разность.",
        "Сегмент 100 м: от целого пикета k (k × 100 м) до следующего, не включая его; километр — от k × 1000 м. "
        "Доля строки делится на границах сегментов, каждая часть считается в своём сегменте.",
        "Средняя толщина и доля ниже нормы — по длине частей с данными; дефицит строки = норма − толщина, "
        "если строка ниже нормы.",
    };
    for (const char* note : notes)
        row("Как считается", Text(note));
    return t;
}

std::string CsvField(const ReportCell& c)
{
    if (const double* v = std::get_if<double>(&c.value)) {
        std::string text = NumberToText(RoundTo(*v, std::max(c.decimals, 3)));
        for (char& ch : text)
            if (ch == '.')
                ch = ',';
        return text;
    }
    if (const std::string* s = std::get_if<std::string>(&c.value)) {
        if (s->find_first_of(";\"\r\n") == std::string::npos)
            return *s;
        std::string quoted = "\"";
        for (const char ch : *s) {
            if (ch == '"')
                quoted += '"';
            quoted += ch;
        }
        return quoted + "\"";
    }
    return {};
}

std::string CsvLine(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ';';
        ReportCell c;
        c.value = fields[i];
        line += CsvField(c);
    }
    return line + "\r\n";
}

// A temporary file of the workbook library's own, removed when done.
struct TempPath {
    std::filesystem::path path;
    ~TempPath()
    {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

} // namespace

std::vector<ReportTable> ReportTables(const Compliance& c, const DesignNorms& n, const std::string& source)
{
    return {Segments(c, n, source, kHundredMetres), Segments(c, n, source, kKilometre), Stretches(c, n, source),
            NormsTable(c, n)};
}

std::string CsvText(const ReportTable& t)
{
    std::string out = "\xEF\xBB\xBF";
    std::vector<std::string> header = t.header;
    out += CsvLine(header);
    for (const auto& row : t.rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                out += ';';
            out += CsvField(row[i]);
        }
        out += "\r\n";
    }
    return out;
}

std::string WorkbookBytes(const std::vector<ReportTable>& tables)
{
    // The library writes to a file of its own naming; it is made in the temporary folder under
    // a plain name and read back, so the target's name (any letters) and its atomic replacement
    // stay ours.
    static std::atomic<unsigned> counter{0};
    std::random_device seed;
    TempPath temp{std::filesystem::temp_directory_path() /
                  ("trassel-" + std::to_string(seed()) + "-" + std::to_string(counter++) + ".xlsx")};
    const std::string tempName = PathToUtf8(temp.path);
    lxw_workbook* wb = workbook_new(tempName.c_str());
    if (wb == nullptr)
        throw Error("Не удалось начать книгу Excel во временной папке «" + PathToUtf8(temp.path.parent_path()) + "».");
    lxw_format* head = workbook_add_format(wb);
    format_set_bold(head);
    format_set_text_wrap(head);
    format_set_align(head, LXW_ALIGN_VERTICAL_TOP);
    format_set_bottom(head, LXW_BORDER_THIN);
    lxw_format* title = workbook_add_format(wb);
    format_set_bold(title);
    format_set_font_size(title, 12);
    // One number format per count of decimals, plain and red.
    lxw_format* numbers[2][4];
    const char* patterns[4] = {"0", "0.0", "0.00", "0.000"};
    for (int red = 0; red < 2; ++red)
        for (int d = 0; d < 4; ++d) {
            numbers[red][d] = workbook_add_format(wb);
            format_set_num_format(numbers[red][d], patterns[d]);
            if (red == 1)
                format_set_font_color(numbers[red][d], LXW_COLOR_RED);
        }
    for (const ReportTable& t : tables) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, t.sheet.c_str());
        if (ws == nullptr) {
            workbook_close(wb);
            throw Error("Не удалось добавить лист «" + t.sheet + "» в книгу Excel.");
        }
        worksheet_write_string(ws, 0, 0, t.title.c_str(), title);
        for (std::size_t col = 0; col < t.header.size(); ++col) {
            worksheet_write_string(ws, 1, static_cast<lxw_col_t>(col), t.header[col].c_str(), head);
            worksheet_set_column(ws, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col), col == 0 ? 22 : 14,
                                 nullptr);
        }
        worksheet_freeze_panes(ws, 2, 0);
        for (std::size_t r = 0; r < t.rows.size(); ++r) {
            const lxw_row_t row = static_cast<lxw_row_t>(r + 2);
            for (std::size_t col = 0; col < t.rows[r].size(); ++col) {
                const ReportCell& cell = t.rows[r][col];
                const lxw_col_t cc = static_cast<lxw_col_t>(col);
                if (const double* v = std::get_if<double>(&cell.value))
                    worksheet_write_number(ws, row, cc, *v, numbers[cell.red ? 1 : 0][std::clamp(cell.decimals, 0, 3)]);
                else if (const std::string* s = std::get_if<std::string>(&cell.value))
                    worksheet_write_string(ws, row, cc, s->c_str(), nullptr);
            }
        }
    }
    const lxw_error err = workbook_close(wb);
    if (err != LXW_NO_ERROR)
        throw Error("Не удалось записать книгу Excel: " + std::string(lxw_strerror(err)) + ".");
    const FileBytes bytes = ReadWholeFile(tempName);
    return std::string(bytes.data.get(), bytes.size);
}

std::vector<std::string> WriteReport(const std::string& dir, const Compliance& compliance, const DesignNorms& norms,
                                     const std::string& source, ReadOnlyTarget readOnly)
{
    const std::vector<ReportTable> tables = ReportTables(compliance, norms, source);
    // Everything made before the first file is written: a failure leaves the folder as it was.
    std::vector<std::pair<std::string, std::string>> files;
    const std::filesystem::path folder = PathFromUtf8(dir);
    files.emplace_back(PathToUtf8(folder / PathFromUtf8(kWorkbookName)), WorkbookBytes(tables));
    for (const ReportTable& t : tables)
        files.emplace_back(PathToUtf8(folder / PathFromUtf8(t.file)), CsvText(t));
    std::vector<std::string> written;
    for (const auto& [path, bytes] : files) {
        CreateFoldersFor(path);
        WriteFileAtomically(path, bytes, readOnly);
        written.push_back(path);
    }
    return written;
}

} // namespace trassel
