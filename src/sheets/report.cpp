#include "sheets/report.h"

#include "base/numbers.h"
#include "document/section_scene.h"
#include "drawing/print_pages.h"
#include "thickness/thickness.h"

#include <algorithm>
#include <cmath>

namespace trassel {
namespace {

// A number with `decimals` decimals and a decimal comma; "—" for none.
std::string Num(double v, int decimals = 1)
{
    if (!std::isfinite(v))
        return "—";
    std::string text = NumberToText(RoundTo(v, decimals));
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

std::string Cell(const std::string& text, bool head = false)
{
    return head ? "<th>" + text + "</th>" : "<td>" + text + "</td>";
}

const char* kTableStart = "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">";

} // namespace

int NumberReportPages(std::vector<ReportPart>& parts, int contentsPages)
{
    int page = 1 + std::max(0, contentsPages);
    for (ReportPart& part : parts) {
        part.firstPage = page + 1;
        page += std::max(0, part.pages);
    }
    return page;
}

std::string HtmlEscaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string LinePositionText(double metres)
{
    if (!std::isfinite(metres))
        return "—";
    const double rounded = RoundTo(metres, 1);
    const double km = std::floor(rounded / 1000);
    std::string m = Num(rounded - km * 1000, 1);
    if (rounded - km * 1000 < 100)
        m.insert(0, rounded - km * 1000 < 10 ? "00" : "0");
    return "км " + NumberToText(km) + "+" + m;
}

std::string TitlePageHtml(const ProjectForm& form, const Compliance& compliance, const std::string& source)
{
    std::string html = "<div align=\"center\">";
    html += "<p style=\"font-size:14pt\">" + HtmlEscaped(form.organisation) + "</p><br/><br/><br/>";
    html += "<p style=\"font-size:22pt\"><b>Отчёт</b></p>";
    html += "<p style=\"font-size:14pt\">о толщине слоёв балластной призмы и земляного полотна по данным "
            "георадиолокационного обследования</p><br/>";
    html += "<p style=\"font-size:16pt\"><b>" + HtmlEscaped(form.object) + "</b></p>";
    std::string line = HtmlEscaped(form.line);
    if (!form.track.empty())
        line += (line.empty() ? "" : ", ") + std::string("путь ") + HtmlEscaped(form.track);
    if (!line.empty())
        html += "<p style=\"font-size:13pt\">" + line + "</p>";
    if (compliance.points.size() > 0)
        html += "<p style=\"font-size:13pt\">" + LinePositionText(compliance.points.posM.front()) + " – " +
                LinePositionText(compliance.points.posM.back()) + "</p>";
    html += "<br/><br/><br/><table align=\"center\" cellpadding=\"4\">";
    html += "<tr><td>Разработал</td><td>" + HtmlEscaped(form.developer) + "</td></tr>";
    html += "<tr><td>Проверил</td><td>" + HtmlEscaped(form.checker) + "</td></tr>";
    if (!source.empty())
        html += "<tr><td>Проект</td><td>" + HtmlEscaped(source) + "</td></tr>";
    html += "</table><br/><p>" + HtmlEscaped(form.date) + "</p></div>";
    return html;
}

std::string NormsHtml(const DesignNorms& norms, const Compliance& compliance)
{
    std::string html = "<h2>" + std::string(kReportNormsTitle) + "</h2>";
    html += "<p>Толщина слоя — разность глубин его подошвы и кровли; у верхнего слоя кровля — подошва шпалы. "
            "Участок ниже нормы — отрезок пути, где толщина слоя меньше нормы за вычетом допуска.</p>";
    html += kTableStart;
    html += "<tr>" + Cell("Параметр", true) + Cell("Значение", true) + "</tr>";
    const auto row = [&](const char* name, const std::string& value) {
        html += "<tr>" + Cell(name) + Cell(value) + "</tr>";
    };
    row("Подошва шпалы ниже нуля отсчёта, см", Num(norms.sleeperBaseCm));
    row("Допуск, см", Num(norms.toleranceCm));
    row("Кратчайший участок ниже нормы, м", Num(norms.minLengthM));
    row("Промежуток, объединяющий участки, м", Num(norms.joinGapM));
    row("Ширина призмы для объёмов, м", Num(norms.prismWidthM, 2));
    html += "</table>";

    html += "<h3>Балласт под шпалой по классам пути, см</h3>";
    html += kTableStart;
    html += "<tr>" + Cell("Класс пути", true) + Cell("Деревянные шпалы", true) + Cell("Железобетонные шпалы", true) +
            "</tr>";
    for (int c = 1; c <= kTrackClasses; ++c) {
        const auto wood = norms.ballast.at(c, Sleeper::Wooden);
        const auto concrete = norms.ballast.at(c, Sleeper::Concrete);
        html += "<tr>" + Cell(IntToText(c)) + Cell(wood ? Num(*wood) : "—") + Cell(concrete ? Num(*concrete) : "—") +
                "</tr>";
    }
    html += "</table>";
    if (!norms.stretches.empty()) {
        html += "<h3>Участки проекта</h3>";
        html += kTableStart;
        html += "<tr>" + Cell("Начало", true) + Cell("Конец", true) + Cell("Класс пути", true) + Cell("Шпалы", true) +
                "</tr>";
        for (const DesignStretch& s : norms.stretches)
            html += "<tr>" + Cell(LinePositionText(s.fromM)) + Cell(LinePositionText(s.toM)) +
                    Cell(IntToText(s.trackClass)) + Cell(std::string(SleeperName(s.sleeper))) + "</tr>";
        html += "</table>";
    }
    html += "<h3>Слои</h3>";
    html += kTableStart;
    html += "<tr>" + Cell("Слой", true) + Cell("Норма, см", true) + "</tr>";
    for (std::size_t i = 0; i < compliance.layers.size(); ++i) {
        const LayerLine& line = compliance.layers[i].line;
        const LayerNorm* own = norms.layer(line.column);
        std::string norm = i == 0 ? "по участкам проекта" : "—";
        if (own != nullptr && own->normCm)
            norm = Num(*own->normCm);
        html += "<tr>" + Cell(HtmlEscaped(line.name)) + Cell(norm) + "</tr>";
    }
    html += "</table>";
    if (!norms.classes.empty()) {
        html += "<h3>Классы состояния</h3>";
        html += kTableStart;
        html += "<tr>" + Cell("Класс", true) + Cell("Доля длины ниже нормы до, %", true) + "</tr>";
        for (const ConditionClass& c : norms.classes)
            html += "<tr>" + Cell(HtmlEscaped(c.name)) + Cell(Num(c.maxSharePercent)) + "</tr>";
        html += "</table>";
    }
    return html;
}

std::string SummaryHtml(const Compliance& compliance, const DesignNorms& norms)
{
    std::string html = "<h2>" + std::string(kReportSummaryTitle) + "</h2>";
    for (const LayerCompliance& layer : compliance.layers) {
        html += "<h3>" + HtmlEscaped(layer.line.name) + "</h3>";
        html += kTableStart;
        html += "<tr>" + Cell("Км", true) + Cell("Мин., см", true) + Cell("Сред., см", true) + Cell("Макс., см", true) +
                Cell("Норма, см", true) + Cell("Ниже нормы, м", true) + Cell("Доля, %", true) + Cell("Участков", true) +
                Cell("Объём, м³", true) + Cell("Состояние", true) + "</tr>";
        for (const SegmentSummary& s : layer.perKm) {
            const std::string condition = s.condition >= 0 &&
                                                  static_cast<std::size_t>(s.condition) < norms.classes.size()
                                              ? HtmlEscaped(norms.classes[static_cast<std::size_t>(s.condition)].name)
                                              : "—";
            html += "<tr>" + Cell(IntToText(s.index)) + Cell(Num(s.minCm)) + Cell(Num(s.meanCm)) + Cell(Num(s.maxCm)) +
                    Cell(Num(s.normCm)) + Cell(Num(s.belowM)) + Cell(Num(s.sharePercent)) +
                    Cell(IntToText(s.stretches)) + Cell(Num(s.volumeM3, 2)) + Cell(condition) + "</tr>";
        }
        html += "</table>";
    }
    return html;
}

std::string StretchesHtml(const Compliance& compliance)
{
    std::string html = "<h2>" + std::string(kReportStretchesTitle) + "</h2>";
    for (const LayerCompliance& layer : compliance.layers) {
        html += "<h3>" + HtmlEscaped(layer.line.name) + "</h3>";
        if (layer.stretches.empty()) {
            html += "<p>Участков ниже нормы нет.</p>";
            continue;
        }
        html += kTableStart;
        html += "<tr>" + Cell("№", true) + Cell("Начало", true) + Cell("Конец", true) + Cell("Длина, м", true) +
                Cell("Наименьшая толщина, см", true) + Cell("Средний недостаток, см", true) + Cell("Объём, м³", true) +
                "</tr>";
        for (std::size_t i = 0; i < layer.stretches.size(); ++i) {
            const FailingStretch& s = layer.stretches[i];
            html += "<tr>" + Cell(IntToText(static_cast<long long>(i) + 1)) + Cell(LinePositionText(s.fromM)) +
                    Cell(LinePositionText(s.toM)) + Cell(Num(s.lengthM)) + Cell(Num(s.leastCm)) +
                    Cell(Num(s.meanDeficitCm)) + Cell(Num(s.volumeM3, 2)) + "</tr>";
        }
        html += "</table>";
    }
    return html;
}

std::string ContentsHtml(const std::vector<ReportPart>& parts)
{
    std::string html = "<h2>Содержание</h2><table width=\"100%\" cellpadding=\"4\">";
    for (const ReportPart& part : parts)
        html += "<tr><td>" + HtmlEscaped(part.title) + "</td><td align=\"right\">" + IntToText(part.firstPage) +
                "</td></tr>";
    html += "</table>";
    return html;
}

std::vector<Sheet> ReportSheets(const SurveyDocument& doc)
{
    const LayerManager& layers = doc.layers();
    if (layers.LayerCount() == 0)
        return {};
    const int picketColumn = layers.Layers(0).PicketColumn;
    const RowSpan rows{doc.firstDataRow(), doc.lastDataRow()};
    if (rows.last < rows.first)
        return {};
    return PlanSheets(doc.depthTable(), picketColumn, rows, kReportSheetPickets, "");
}

int ReportPixelsPerPicket(const SectionParams& params, int widthUnits)
{
    const long long line = static_cast<long long>(widthUnits) - params.Lleft - 60 - params.R;
    return static_cast<int>(std::clamp<long long>(line / static_cast<long long>(kReportSheetPickets), 1, 100000));
}

DrawingRecord DrawReportSheet(SurveyDocument& doc, const Sheet& sheet, int number, int count, CanvasServices& services,
                              int pixelsPerPicket)
{
    SectionParams params = doc.sectionParams();
    if (pixelsPerPicket > 0)
        params.SX = pixelsPerPicket;
    params.FirstDataRow = sheet.rows.first;
    params.LastDataRow = sheet.rows.last;
    const SectionState start = doc.sectionState();
    // A scene of its own, so the window's section and its annotations stay as they are; each
    // sheet starts from the section as the document left it.
    SectionScene scene(doc);
    scene.setServices(&services);
    SectionScene::Saved over = doc.section().saved();
    over.drawn = true;
    over.annotations.clear();
    scene.restore(std::move(over));
    scene.draw(params, SectionLayersOf(doc.layers()));
    doc.sectionState() = start;

    SheetFrame frame;
    frame.form = doc.projectForm();
    frame.form.deviationPlot = true; // the report's sheets always carry the plot
    frame.legend = LegendOf(doc);
    frame.compliance = &doc.compliance();
    frame.facts.number = number;
    frame.facts.count = count;
    frame.facts.kmText = FormatKmRange(sheet.fromPicket / 10, sheet.toPicket / 10);
    frame.facts.horizontalScale = DefaultHorizontalScale(params.SX);
    frame.facts.verticalScale = DefaultVerticalScale(params.SY);
    frame.axis.firstPicket = sheet.fromPicket;
    frame.axis.pixelsPerPicket = params.SX;
    frame.axis.leftX = SectionPixel(static_cast<long double>(params.Lleft) + 60);

    DrawingRecord record = std::move(scene.record());
    RecordingCanvas canvas(record, services);
    const int right = SectionPixel(static_cast<long double>(record.width()) - params.R);
    FrameDrawnSheet(canvas, frame, static_cast<int>(frame.axis.leftX), right);
    return record;
}

} // namespace trassel
