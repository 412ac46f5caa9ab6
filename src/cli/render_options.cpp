#include "cli/render_options.h"

#include "base/error.h"
#include "table/grid.h"
#include "table/grid_io.h"
#include "base/numbers.h"
#include "drawing/hatches.h"
#include "layers/layers.h"
#include "thickness/thickness.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace trassel {

namespace {

// Pickets read from text differ from their sheet boundaries by rounding only; a picket this
// close to a boundary belongs to the sheet that starts there.
constexpr double kPicketTolerance = 1e-9;

// The last column a table has: its columns after the label column.
constexpr int kLastColumn = Grid::kMaxColumns - 1;

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

[[noreturn]] void Refuse(std::string_view option, const std::string& why)
{
    throw Error("Параметр " + std::string(option) + ": " + why);
}

int IntegerOf(std::string_view option, std::string_view text)
{
    try {
        return ReadInteger(text);
    } catch (const Error& e) {
        Refuse(option, e.what());
    }
}

double NumberOf(std::string_view option, std::string_view text)
{
    try {
        return ReadStrict(text);
    } catch (const Error& e) {
        Refuse(option, e.what());
    }
}

// "RRGGBB" as the command line writes colours, into the program's 0x00BBGGRR.
Color ColorOf(std::string_view option, std::string_view text)
{
    const bool hex = text.size() == 6 && std::all_of(text.begin(), text.end(), [](char c) {
                         return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
                     });
    if (!hex)
        Refuse(option, "цвет " + Quoted(text) + " нужно задать шестью шестнадцатеричными цифрами RRGGBB");
    const auto rgb = static_cast<Color>(std::strtoul(std::string(text).c_str(), nullptr, 16));
    return ((rgb >> 16) & 0xFFU) | (rgb & 0xFF00U) | ((rgb & 0xFFU) << 16);
}

char DelimiterOf(std::string_view text)
{
    if (text == "tab")
        return '\t';
    if (text == "comma")
        return ',';
    if (text == "semicolon")
        return ';';
    if (text == "space")
        return ' ';
    if (text.size() == 1)
        return text[0];
    Refuse("--delimiter", "ожидается tab, comma, semicolon, space или один символ, а не " + Quoted(text));
}

RangeOption RangeOf(std::string_view text)
{
    RangeOption range;
    std::string_view body = text;
    range.kind = RangeOption::Kind::Rows;
    if (body.starts_with("pk:")) {
        range.kind = RangeOption::Kind::Pickets;
        body.remove_prefix(3);
    }
    const std::size_t dots = body.find("..");
    if (dots == std::string_view::npos)
        Refuse("--range", "ожидается A..B (строки) или pk:A..B (пикеты), а не " + Quoted(text));
    const std::string_view a = body.substr(0, dots);
    const std::string_view b = body.substr(dots + 2);
    if (range.kind == RangeOption::Kind::Rows) {
        range.from = IntegerOf("--range", a);
        range.to = IntegerOf("--range", b);
    } else {
        range.from = NumberOf("--range", a);
        range.to = NumberOf("--range", b);
    }
    if (range.from > range.to)
        Refuse("--range", "начало " + Quoted(a) + " стоит после конца " + Quoted(b));
    return range;
}

std::string LowerExtension(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos)
        return {};
    std::string ext(name.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return ext;
}

// The options that only a table on the command line reads; a workspace brings its own.
constexpr std::string_view kTableOnly[] = {"--header-rows",    "--delimiter", "--picket-column",
                                           "--recalc-pickets", "--layer",     "--boreholes"};

// The options that only the thickness report reads, and the section's that it does not.
constexpr std::string_view kReportOnly[] = {"--norm-stretch", "--layer-norm", "--sleeper-base", "--tolerance",
                                            "--min-length",   "--join-gap",   "--prism-width"};
constexpr std::string_view kPictureOnly[] = {"--output",  "--scale-x", "--scale-y", "--max-depth", "--depth-step",
                                             "--surface", "--left",    "--right",   "--sheet",     "--boreholes"};

double PositionOf(std::string_view option, std::string_view text)
{
    const std::optional<double> m = LinePositionMetres(text);
    if (!m)
        Refuse(option, "положение " + Quoted(text) + " нужно задать пикетом (123+45, 123.45) или км и м (12км345)");
    return *m;
}

double NonNegative(std::string_view option, std::string_view text)
{
    const double v = NumberOf(option, text);
    if (!(v >= 0))
        Refuse(option, "значение не может быть отрицательным");
    return v;
}

} // namespace

DesignStretch ParseNormStretch(std::string_view text)
{
    constexpr std::string_view option = "--norm-stretch";
    DesignStretch s;
    std::size_t colon = text.find(':');
    const std::string_view range = text.substr(0, colon);
    const std::size_t dots = range.find("..");
    if (dots == std::string_view::npos)
        Refuse(option, "ожидается ОТ..ДО:class=N:sleeper=wooden|concrete, а не " + Quoted(text));
    s.fromM = PositionOf(option, range.substr(0, dots));
    s.toM = PositionOf(option, range.substr(dots + 2));
    bool hasClass = false;
    bool hasSleeper = false;
    while (colon != std::string_view::npos) {
        const std::size_t next = text.find(':', colon + 1);
        const std::string_view item = text.substr(colon + 1, next == std::string_view::npos ? std::string_view::npos
                                                                                            : next - colon - 1);
        colon = next;
        const std::size_t eq = item.find('=');
        const std::string_view key = item.substr(0, eq);
        const std::string_view value = eq == std::string_view::npos ? std::string_view{} : item.substr(eq + 1);
        if (key == "class") {
            s.trackClass = IntegerOf(option, value);
            if (s.trackClass < 1 || s.trackClass > kTrackClasses)
                Refuse(option,
                       "класс пути задаётся числом от 1 до " + IntToText(kTrackClasses) + ", а не " + Quoted(value));
            hasClass = true;
        } else if (key == "sleeper") {
            if (value == "wooden")
                s.sleeper = Sleeper::Wooden;
            else if (value == "concrete")
                s.sleeper = Sleeper::Concrete;
            else
                Refuse(option, "шпалы задаются словом wooden или concrete, а не " + Quoted(value));
            hasSleeper = true;
        } else {
            Refuse(option, "неизвестная часть " + Quoted(item) + " (есть class=N и sleeper=wooden|concrete)");
        }
    }
    if (!hasClass || !hasSleeper)
        Refuse(option, "у участка " + Quoted(text) + " нужно задать class=N и sleeper=wooden|concrete");
    return s;
}

DesignNorms ApplyNormOptions(DesignNorms base, const NormOptions& o)
{
    if (!o.stretches.empty())
        base.stretches = o.stretches;
    for (const LayerNorm& given : o.layers) {
        auto it = std::find_if(base.layers.begin(), base.layers.end(),
                               [&](const LayerNorm& l) { return l.column == given.column; });
        if (it == base.layers.end())
            base.layers.push_back(given);
        else
            it->normCm = given.normCm;
    }
    for (const auto& [value, field] :
         {std::pair{o.sleeperBaseCm, &base.sleeperBaseCm}, std::pair{o.toleranceCm, &base.toleranceCm},
          std::pair{o.minLengthM, &base.minLengthM}, std::pair{o.joinGapM, &base.joinGapM},
          std::pair{o.prismWidthM, &base.prismWidthM}})
        if (value)
            *field = *value;
    CheckNorms(base);
    return base;
}

SectionLayer ParseLayerOption(std::string_view text, int picketColumn)
{
    SectionLayer layer;
    layer.picketColumn = picketColumn;
    std::size_t colon = text.find(':');
    layer.depthColumn = IntegerOf("--layer", text.substr(0, colon));
    if (layer.depthColumn < 1)
        Refuse("--layer", "номер столбца глубин должен быть не меньше 1, а не " + Quoted(text.substr(0, colon)));
    if (layer.depthColumn > kLastColumn)
        Refuse("--layer", "номер столбца глубин должен быть не больше " + IntToText(kLastColumn) + ", а не " +
                              Quoted(text.substr(0, colon)));
    while (colon != std::string_view::npos) {
        const std::size_t next = text.find(':', colon + 1);
        const std::string_view item = text.substr(colon + 1, next == std::string_view::npos ? std::string_view::npos
                                                                                            : next - colon - 1);
        colon = next;
        const std::size_t eq = item.find('=');
        const std::string_view key = item.substr(0, eq);
        const std::string_view value = eq == std::string_view::npos ? std::string_view{} : item.substr(eq + 1);
        if (eq == std::string_view::npos)
            Refuse("--layer", "ожидается свойство=значение, а не " + Quoted(item));
        if (key == "width") {
            layer.lineWidth = IntegerOf("--layer width", value);
            if (layer.lineWidth < kMinLineWidth)
                Refuse("--layer width", "толщина линии должна быть не меньше " + IntToText(kMinLineWidth));
            if (layer.lineWidth > kMaxLineWidth)
                Refuse("--layer width", "толщина линии должна быть не больше " + IntToText(kMaxLineWidth));
        } else if (key == "line") {
            layer.lineColor = ColorOf("--layer line", value);
        } else if (key == "fill") {
            layer.brushStyle = IntegerOf("--layer fill", value);
            if (layer.brushStyle < 0 || layer.brushStyle >= FillOrdinalCount())
                Refuse("--layer fill", "заливка задаётся числом от 0 до " + IntToText(FillOrdinalCount() - 1) +
                                           ", а не " + Quoted(value));
        } else if (key == "color") {
            layer.brushColor = ColorOf("--layer color", value);
        } else {
            Refuse("--layer", "неизвестное свойство " + Quoted(key) + " (width, line, fill, color)");
        }
    }
    return layer;
}

std::string OutputFormat(std::string_view path)
{
    const std::string ext = LowerExtension(path);
    for (const char* known : {"png", "jpg", "jpeg", "bmp", "pdf", "svg"})
        if (ext == known)
            return ext;
    Refuse("--output", "формат файла " + Quoted(path) + " определяется расширением: png, jpg, jpeg, bmp, pdf или svg");
}

std::string RadargramSheetsBase(const std::string& value)
{
    const std::string ext = LowerExtension(value);
    for (const char* known : {"png", "jpg", "jpeg", "bmp", "pdf", "svg"})
        if (ext == known)
            return value;
    return value + (value.ends_with('/') || value.ends_with('\\') ? "" : "/") + "radargram.png";
}

RenderOptions ParseRenderOptions(std::span<const std::string> args)
{
    RenderOptions o;
    std::vector<std::string> layerTexts;
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (name.starts_with("--")) {
            const std::size_t eq = name.find('=');
            if (eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                name.resize(eq);
            }
        }
        if (name == "-h" || name == "--help") {
            o.help = true;
            return o;
        }
        if (name == "-o")
            name = "--output";
        if (!name.starts_with("-"))
            throw Error("Лишний аргумент " + Quoted(name) + " (параметры см. trassel-render --help)");
        seen.push_back(name);
        const auto flag = [&] {
            if (inlineValue)
                Refuse(name, "у этого параметра нет значения");
        };
        const auto value = [&]() -> std::string {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= args.size())
                Refuse(name, "не задано значение");
            return args[++i];
        };
        if (name == "--recalc-pickets") {
            flag();
            o.recalcPickets = true;
        } else if (name == "--diagram") {
            flag();
            o.diagram = true;
        } else if (name == "--info") {
            flag();
            o.info = true;
        } else if (name == "--radargram") {
            o.radargram = value();
        } else if (name == "--radargram-sheets") {
            o.radargramSheets = value();
            if (o.radargramSheets.empty())
                Refuse(name, "не задана папка листов");
        } else if (name == "--table") {
            o.table = value();
        } else if (name == "--workspace") {
            o.workspace = value();
        } else if (name == "--boreholes") {
            o.boreholes = value();
        } else if (name == "--output") {
            o.output = value();
        } else if (name == "--header-rows") {
            o.headerRows = IntegerOf(name, value());
            if (o.headerRows < 0)
                Refuse(name, "число строк заголовка не может быть отрицательным");
            if (o.headerRows > kMaxHeaderRows)
                Refuse(name, "число строк заголовка не может быть больше " + IntToText(kMaxHeaderRows));
        } else if (name == "--delimiter") {
            o.delimiter = DelimiterOf(value());
        } else if (name == "--picket-column") {
            o.picketColumn = IntegerOf(name, value());
            if (o.picketColumn < 1)
                Refuse(name, "номер столбца пикетов должен быть не меньше 1");
            if (o.picketColumn > kLastColumn)
                Refuse(name, "номер столбца пикетов должен быть не больше " + IntToText(kLastColumn));
        } else if (name == "--layer") {
            layerTexts.push_back(value());
            // The window's layer list holds no more; each layer is a drawing of the whole range.
            if (layerTexts.size() > static_cast<std::size_t>(LayerManager::kLayerSlots))
                Refuse(name, "слоёв не может быть больше " + IntToText(LayerManager::kLayerSlots));
        } else if (name == "--scale-x") {
            o.params.scaleX = IntegerOf(name, value());
            if (*o.params.scaleX < 1)
                Refuse(name, "масштаб X должен быть не меньше 1");
        } else if (name == "--scale-y") {
            const double scale = NumberOf(name, value());
            if (!(scale > 0))
                Refuse(name, "масштаб Y должен быть больше нуля");
            // The most the window's "Масштаб Y" holds; a float holds it too.
            if (scale > INT_MAX)
                Refuse(name, "масштаб Y должен быть не больше " + IntToText(INT_MAX));
            o.params.scaleY = static_cast<float>(scale);
        } else if (name == "--max-depth") {
            o.params.maxDepth = IntegerOf(name, value());
        } else if (name == "--depth-step") {
            o.params.depthStep = IntegerOf(name, value());
            if (*o.params.depthStep < 1)
                Refuse(name, "шаг шкалы глубин должен быть не меньше 1");
        } else if (name == "--surface") {
            const std::string text = value();
            o.params.surface = IntegerOf(name, text);
            if (*o.params.surface < kMinSurface || *o.params.surface > kMaxSurface)
                Refuse(name, "глубина поверхности задаётся числом от " + IntToText(kMinSurface) + " до " +
                                 IntToText(kMaxSurface) + ", а не " + Quoted(text));
        } else if (name == "--left") {
            o.params.left = IntegerOf(name, value());
        } else if (name == "--right") {
            o.params.right = IntegerOf(name, value());
        } else if (name == "--range") {
            o.range = RangeOf(value());
        } else if (name == "--sheet") {
            o.sheetPickets = NumberOf(name, value());
            if (!(o.sheetPickets > 0))
                Refuse(name, "длина листа в пикетах должна быть больше нуля");
            if (o.sheetPickets < kMinSheetPickets)
                Refuse(name, "длина листа в пикетах должна быть не меньше " + NumberToText(kMinSheetPickets));
            if (o.sheetPickets > kMaxSheetPickets)
                Refuse(name, "длина листа в пикетах должна быть не больше " + NumberToText(kMaxSheetPickets));
        } else if (name == "--report") {
            o.reportDir = value();
        } else if (name == "--norm-stretch") {
            o.norms.stretches.push_back(ParseNormStretch(value()));
            if (o.norms.stretches.size() > kMaxDesignStretches)
                Refuse(name, "участков не может быть больше " + IntToText(kMaxDesignStretches));
        } else if (name == "--layer-norm") {
            const std::string text = value();
            const std::size_t eq = text.find('=');
            if (eq == std::string::npos)
                Refuse(name, "ожидается СТОЛБЕЦ=СМ (например, 4=20), а не " + Quoted(text));
            LayerNorm l;
            l.column = IntegerOf(name, std::string_view(text).substr(0, eq));
            if (l.column < 1 || l.column > kLastColumn)
                Refuse(name, "номер столбца должен быть от 1 до " + IntToText(kLastColumn));
            l.normCm = NonNegative(name, std::string_view(text).substr(eq + 1));
            o.norms.layers.push_back(l);
        } else if (name == "--sleeper-base") {
            o.norms.sleeperBaseCm = NumberOf(name, value());
        } else if (name == "--tolerance") {
            o.norms.toleranceCm = NonNegative(name, value());
        } else if (name == "--min-length") {
            o.norms.minLengthM = NonNegative(name, value());
        } else if (name == "--join-gap") {
            o.norms.joinGapM = NonNegative(name, value());
        } else if (name == "--prism-width") {
            o.norms.prismWidthM = NonNegative(name, value());
        } else {
            throw Error("Неизвестный параметр " + Quoted(name) + " (параметры см. trassel-render --help)");
        }
    }
    if (o.diagram)
        return o;
    // A workspace brings its own table, settings and layers; a table needs its layers named.
    // True for a table, whose layers are then read.
    const auto takeSource = [&] {
        if (!o.workspace.empty()) {
            for (const std::string& s : seen)
                if (std::find(std::begin(kTableOnly), std::end(kTableOnly), s) != std::end(kTableOnly))
                    Refuse(s, "относится к таблице (--table); рабочий файл несёт свои таблицы, настройки и слои");
            return false;
        }
        if (layerTexts.empty())
            throw Error("Не задано ни одного слоя: --layer СТОЛБЕЦ (например, --layer 3)");
        for (const std::string& text : layerTexts)
            o.layers.push_back(ParseLayerOption(text, o.picketColumn));
        return true;
    };
    if (o.reportDir.empty()) {
        for (const std::string& s : seen)
            if (std::find(std::begin(kReportOnly), std::end(kReportOnly), s) != std::end(kReportOnly))
                Refuse(s, "относится к ведомости толщин: задайте --report ПАПКА");
    } else {
        for (const std::string& s : seen)
            if (std::find(std::begin(kPictureOnly), std::end(kPictureOnly), s) != std::end(kPictureOnly))
                Refuse(s, "относится к рисунку разреза, а --report пишет ведомость толщин");
        if (!o.radargram.empty() || o.info)
            Refuse(o.info ? "--info" : "--radargram", "относится к радарограмме, а --report пишет ведомость толщин");
        if (!o.radargramSheets.empty())
            Refuse("--radargram-sheets", "относится к радарограмме, а --report пишет ведомость толщин");
        if (o.table.empty() == o.workspace.empty())
            throw Error("Задайте, для чего ведомость: --table ФАЙЛ со слоями --layer или --workspace ФАЙЛ.trassel");
        if (takeSource())
            // The check the document makes, before any file is read.
            ApplyNormOptions(DesignNorms{}, o.norms);
        return o;
    }
    if (!o.radargramSheets.empty()) {
        // The workspace brings the radargram, its registration, depth model and layers.
        for (const std::string& s : seen)
            if (s != "--radargram-sheets" && s != "--workspace" && s != "--sheet" && s != "--radargram")
                Refuse(s, "не относится к листам радарограммы (--workspace ФАЙЛ.trassel --radargram-sheets ПАПКА "
                          "[--sheet N] [--radargram ФАЙЛ])");
        if (o.workspace.empty())
            Refuse("--radargram-sheets", "листы радарограммы рисуются по рабочему файлу: --workspace ФАЙЛ.trassel");
        if (o.info)
            Refuse("--info", "не относится к листам радарограммы");
        if (o.sheetPickets == 0)
            o.sheetPickets = 10;
        return o;
    }
    if (!o.radargram.empty() || o.info) {
        if (o.radargram.empty())
            Refuse("--info", "описывает файл радарограммы: --radargram ФАЙЛ --info");
        if (o.info) {
            for (const std::string& s : seen)
                if (s != "--radargram" && s != "--info")
                    Refuse(s, "не относится к --radargram ФАЙЛ --info");
            return o;
        }
        // The picture of the radargram: the file, the output, and a workspace that registers it.
        for (const std::string& s : seen)
            if (s != "--radargram" && s != "--output" && s != "--workspace")
                Refuse(s, "не относится к радарограмме (--radargram ФАЙЛ [--workspace ФАЙЛ.trassel] -o ФАЙЛ)");
        if (o.output.empty())
            throw Error("Не задан файл результата: -o ФАЙЛ (png, jpg, bmp, pdf или svg)");
        OutputFormat(o.output);
        return o;
    }
    if (o.table.empty() == o.workspace.empty())
        throw Error("Задайте что рисовать: --table ФАЙЛ со слоями --layer или --workspace ФАЙЛ.trassel");
    if (o.output.empty())
        throw Error("Не задан файл результата: -o ФАЙЛ (png, jpg, bmp, pdf или svg)");
    OutputFormat(o.output);
    takeSource();
    return o;
}

std::string RenderUsage()
{
    return R"(trassel-render: геологический разрез в файл, без окна.

Использование:
  trassel-render --table ФАЙЛ --layer СТОЛБЕЦ[...] [параметры] -o ФАЙЛ
  trassel-render --workspace ФАЙЛ.trassel [параметры] -o ФАЙЛ
  trassel-render --table ФАЙЛ --layer СТОЛБЕЦ[...] [нормы] --report ПАПКА
  trassel-render --workspace ФАЙЛ.trassel [нормы] --report ПАПКА
  trassel-render --radargram ФАЙЛ [--workspace ФАЙЛ.trassel] -o ФАЙЛ
  trassel-render --radargram ФАЙЛ --info
  trassel-render --workspace ФАЙЛ.trassel --radargram-sheets ПАПКА [--sheet N]

Что рисовать (одно из двух):
  --table ФАЙЛ           таблица глубин (текст Windows-1251)      --table examples/survey_depths.txt
  --workspace ФАЙЛ       рабочий файл окна: таблицы, слои, параметры, подписи
                                                                  --workspace line.trassel
Таблица (только с --table):
  --header-rows N        строк заголовка, по умолчанию 1          --header-rows 2
  --delimiter D          tab, comma, semicolon, space или символ; по умолчанию tab
                                                                  --delimiter semicolon
  --picket-column N      столбец пикетов, по умолчанию 1          --picket-column 1
  --recalc-pickets       км и м в столбцах 1 и 2 пересчитать в пикеты ("Пересчет в ПК")
  --layer COL[:width=N][:line=RRGGBB][:fill=0..16][:color=RRGGBB]
                         слой по столбцу глубин COL; повторяется, в порядке слотов
                         (первый рисуется последним, поверх остальных); fill: 0 сплошная,
                         1 нет, 2 горизонтальная, 3 вертикальная, 4 и 5 диагональные,
                         6 клетка, 7 косая клетка; штриховки грунтов по цвету color:
                         8 песок, 9 супесь, 10 суглинок, 11 глина, 12 гравий, 13 щебень,
                         14 торф, 15 насыпной грунт, 16 скальный грунт;
                         по умолчанию width=3:line=000000:fill=0:color=FFFFFF
                                                                  --layer 4:fill=4:color=2060A0
  --boreholes ФАЙЛ       таблица выработок, нарисовать их поверх разреза
                                                                  --boreholes examples/boreholes.txt
Параметры разреза (по умолчанию как в окне):
  --scale-x N            пикселей на пикет, 400                   --scale-x 200
  --scale-y X            пикселей на сантиметр глубины, 1         --scale-y 1.5
  --max-depth N          глубина нижнего края, см, 300            --max-depth 400
  --depth-step N         шаг шкалы глубин, см, 50                 --depth-step 25
  --surface N            y линии поверхности, 55                  --surface 80
  --left N               левый отступ, 25                         --left 40
  --right N              правый отступ, 100                       --right 60
Диапазон и листы:
  --range A..B           строки таблицы A..B                      --range 2..120
  --range pk:A..B        строки с пикетами от A до B              --range pk:125..131.5
  --sheet N              разрезать на листы по N пикетов (10 пикетов = 1 км), каждый в
                         свой файл: section.pdf -> section-01_km12.300-13.295.pdf, ...
                                                                  --sheet 10
Радарограмма:
  --radargram ФАЙЛ --info
                         что файл прибора говорит о себе, по строке «ключ: значение»:
                         format, channels, traces, samples, time_window_ns, sample_bits,
                         step_m (если задан), marks (число меток), permittivity (если задана);
                         читаются .dzt, .sgy/.segy, .dt1 (+ .hd), .rd3/.rd7 (+ .rad), .gpr2
                                                                  --radargram line01.dzt --info
  --radargram ФАЙЛ -o ФАЙЛ
                         радарограмма рисунком: все трассы по длине, всё окно времени
                         по высоте, шкалы пикетов, времени (нс) и глубины (см); пикеты
                         по шагу из заголовка файла, без усиления
                                                                  --radargram line01.dzt -o line01.png
  --workspace ФАЙЛ       с --radargram: привязка к пикетам, время ноль, ε, канал и
                         показ (усиление, контраст, палитра) из проекта
                                                                  --radargram line01.dzt --workspace line.trassel -o r.pdf
  --radargram-sheets ПАПКА
                         с --workspace: радарограмма проекта по его привязке, с границами
                         отмеченных слоёв (цветом их точек на диаграмме) по модели глубин
                         и выработками до их глубины, листами по --sheet N пикетов (по умолчанию 10 = 1 км) от первого
                         пикета рабочего диапазона, как листы разреза; PNG:
                         ПАПКА/radargram-01_km12.300-13.300.png, ...; ПАПКА/имя.pdf — PDF;
                         --radargram ФАЙЛ — файл прибора вместо записанного в проекте
                                                                  --workspace line.trassel --radargram-sheets листы
Результат:
  -o, --output ФАЙЛ      формат по расширению: png, jpg, jpeg, bmp (растр), pdf, svg (вектор);
                         недостающие папки пути создаются         -o листы/section.png
  --diagram              диаграмма строится только в окне Trassel: сообщение и выход с ошибкой
  -h, --help             эта справка

Пример:
  trassel-render --table examples/survey_depths.txt --recalc-pickets --layer 3 \
    --layer 4:fill=4:color=2060A0 --layer 5 -o section.png

Ведомость толщин (вместо рисунка):
  --report ПАПКА         пишет в папку "Ведомость толщин.xlsx" и те же таблицы в CSV
                         (по 100 м, по км, участки ниже нормы, нормы)  --report отчёт
  --norm-stretch ОТ..ДО:class=N:sleeper=wooden|concrete
                         участок норм (пикеты или км и м); повторяется; норма балласта
                         из таблицы по классу пути и шпалам  --norm-stretch 0+00..250+00:class=1:sleeper=concrete
  --layer-norm СТОЛБЕЦ=СМ  норма слоя по столбцу глубин     --layer-norm 4=20
  --sleeper-base СМ      глубина подошвы шпалы               --sleeper-base 0
  --tolerance СМ         допуск                              --tolerance 2
  --min-length М         наименьшая длина участка ниже нормы --min-length 5
  --join-gap М           разрыв, объединяющий участки        --join-gap 2
  --prism-width М        ширина призмы для объёма дефицита   --prism-width 3.4
  Первый слой (--layer) — балласт под шпалой; с --workspace нормы берутся из рабочего
  файла, а заданные здесь заменяют их.
  trassel-render --table examples/survey_depths.txt --recalc-pickets --layer 3 --layer 4 \
    --norm-stretch 0..300+00:class=1:sleeper=concrete --layer-norm 4=20 --report отчёт

Код выхода 0 при успехе; при ошибке не 0 и одна строка в stderr.
)";
}

SectionParams ApplyParamOptions(SectionParams base, const ParamOptions& options)
{
    base.SX = options.scaleX.value_or(base.SX);
    base.SY = options.scaleY.value_or(base.SY);
    base.Dmax = options.maxDepth.value_or(base.Dmax);
    base.step = options.depthStep.value_or(base.step);
    base.H = options.surface.value_or(base.H);
    base.Lleft = options.left.value_or(base.Lleft);
    base.R = options.right.value_or(base.R);
    return base;
}

void LoadDepthTable(Grid& grid, FileBytes bytes, char delimiter, int headerRows)
{
    std::string refusal;
    if (ImportTableFile(grid, std::move(bytes), delimiter, headerRows, refusal) == LoadResult::Empty)
        throw Error("Файл пустой!");
    if (!refusal.empty())
        throw Error(refusal);
}

void LoadBoreholeTable(Grid& grid, FileBytes bytes, char delimiter)
{
    LoadDepthTable(grid, std::move(bytes), delimiter, 1);
}

RowSpan ResolveRange(const Grid& grid, int picketColumn, const RangeOption& range, RowSpan whole)
{
    const auto rowsText = [](double a, double b) { return NumberToText(a) + ".." + NumberToText(b); };
    if (whole.first > whole.last)
        throw Error("В таблице нет строк данных (строки " + IntToText(whole.first) + ".." + IntToText(whole.last) +
                    ")");
    switch (range.kind) {
    case RangeOption::Kind::Whole: return whole;
    case RangeOption::Kind::Rows: {
        const RowSpan rows{static_cast<int>(range.from), static_cast<int>(range.to)};
        if (rows.first < whole.first || rows.last > whole.last)
            throw Error("Диапазон строк " + rowsText(range.from, range.to) + " выходит за строки данных таблицы " +
                        IntToText(whole.first) + ".." + IntToText(whole.last));
        return rows;
    }
    case RangeOption::Kind::Pickets: break;
    }
    RowSpan rows{0, -1};
    for (int row = whole.first; row <= whole.last; ++row) {
        const double p = ReadStrict(grid.cellView(picketColumn, row));
        if (p > range.to + kPicketTolerance)
            break;
        if (p >= range.from - kPicketTolerance) {
            if (rows.first == 0)
                rows.first = row;
            rows.last = row;
        }
    }
    if (rows.first == 0)
        throw Error("В диапазоне пикетов " + rowsText(range.from, range.to) + " нет ни одной строки таблицы");
    return rows;
}

std::vector<Sheet> PlanSheets(const Grid& grid, int picketColumn, RowSpan rows, double sheetPickets,
                              const std::string& output)
{
    std::vector<Sheet> sheets;
    const double start = ReadStrict(grid.cellView(picketColumn, rows.first));
    double previous = start;
    for (int row = rows.first; row <= rows.last; ++row) {
        const double p = ReadStrict(grid.cellView(picketColumn, row));
        if (p < previous)
            throw Error("Пикеты убывают (строка " + IntToText(row - 1) + ": " + NumberToText(previous) + ", строка " +
                        IntToText(row) + ": " + NumberToText(p) + "); листы не нарезаны");
        previous = p;
        // Checked before it becomes an integer: a picket far along the line, or a sheet too short
        // for the line, gives more sheets than any number names.
        const double place = std::floor((p - start) / sheetPickets + kPicketTolerance);
        if (!(place < static_cast<double>(kMaxSheetNumber)))
            throw Error("Пикет " + NumberToText(p) + " (строка " + IntToText(row) + ") лежит дальше " +
                        IntToText(kMaxSheetNumber) + " листов от начала диапазона; листы не нарезаны");
        const auto index = static_cast<long long>(place);
        const int number = static_cast<int>(index + 1);
        if (sheets.empty() || sheets.back().number != number) {
            Sheet sheet;
            sheet.number = number;
            sheet.rows = {row, row};
            sheet.fromPicket = p;
            sheets.push_back(sheet);
        }
        sheets.back().rows.last = row;
        sheets.back().toPicket = p;
    }
    if (sheets.size() >= 2) {
        const Sheet& last = sheets.back();
        if (last.toPicket - last.fromPicket < kTinySheetFraction * sheetPickets) {
            Sheet& before = sheets[sheets.size() - 2];
            before.rows.last = last.rows.last;
            before.toPicket = last.toPicket;
            sheets.pop_back();
        }
    }
    for (Sheet& sheet : sheets)
        sheet.path = SheetFileName(output, sheet.number, sheets.back().number, sheet.fromPicket, sheet.toPicket);
    return sheets;
}

std::string KilometreText(double picket)
{
    // Metres of 1e15 and more are no longer exact in a double, nor far from a long long's end.
    if (!(std::fabs(picket) < 1e13))
        return NumberToText(picket / 10);
    const long long metres = std::llround(picket * 100.0);
    const long long whole = std::llabs(metres);
    std::string rest = IntToText(whole % 1000);
    rest.insert(0, 3 - rest.size(), '0');
    return (metres < 0 ? "-" : "") + IntToText(whole / 1000) + "." + rest;
}

std::string SheetFileName(const std::string& output, int number, int lastNumber, double fromPicket, double toPicket)
{
    const std::size_t slash = output.find_last_of('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = output.find_last_of('.');
    if (dot == std::string::npos || dot < nameAt)
        dot = output.size();
    std::string digits = IntToText(number);
    const std::size_t width = std::max<std::size_t>(2, IntToText(lastNumber).size());
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    return output.substr(0, dot) + "-" + digits + "_km" + KilometreText(fromPicket) + "-" + KilometreText(toPicket) +
           output.substr(dot);
}

} // namespace trassel
