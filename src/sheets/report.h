#pragma once
// The client's report on the track bed, free of any toolkit: the texts of its parts (the title
// page, the norms and parameters, the per-km summary, the failing stretches, the contents) as
// simple HTML a text layout engine paginates, the page numbers of the parts, and the drawing of
// each sheet of the section (one kilometre of line, framed) one at a time, so that a report of
// a hundred kilometres holds only one sheet's drawing in memory.
#include "cli/render_options.h"
#include "document/survey_document.h"
#include "drawing/drawing_record.h"
#include "sheets/sheet_frame.h"

#include <string>
#include <vector>

namespace trassel {

// The length of line on one sheet of the report, in pickets (one kilometre).
inline constexpr double kReportSheetPickets = 10;

// A part of the report as the contents list it.
struct ReportPart {
    std::string title;
    int pages = 0;     // how many pages it takes
    int firstPage = 0; // its first page's number (1: the title page)
    bool operator==(const ReportPart&) const = default;
};

// Numbers the parts' pages: the title page is page 1 and the contents page 2 (neither listed),
// the parts follow in order. Returns the total page count.
int NumberReportPages(std::vector<ReportPart>& parts, int contentsPages = 1);

// The parts' titles, in the report's order.
inline constexpr const char* kReportNormsTitle = "Нормы и параметры";
inline constexpr const char* kReportSummaryTitle = "Сводка по километрам";
inline constexpr const char* kReportStretchesTitle = "Участки ниже нормы";
inline constexpr const char* kReportSheetsTitle = "Листы разреза";

// "Отчёт" texts: `&`, `<`, `>` and `"` of the user's texts made safe for HTML.
std::string HtmlEscaped(std::string_view text);
std::string TitlePageHtml(const ProjectForm& form, const Compliance& compliance, const std::string& source);
std::string NormsHtml(const DesignNorms& norms, const Compliance& compliance);
std::string SummaryHtml(const Compliance& compliance, const DesignNorms& norms);
std::string StretchesHtml(const Compliance& compliance);
std::string ContentsHtml(const std::vector<ReportPart>& parts);

// A position along the line as "км 12+345,0" (the km and metres), the report's way.
std::string LinePositionText(double metres);

// The sheets of the report: one kilometre of line each (kReportSheetPickets), the tiny last one
// joined to the one before, over the document's working range. Empty when the document has no
// layers or no readable pickets. Errors of the pickets (out of order, not numbers) pass through.
std::vector<Sheet> ReportSheets(const SurveyDocument& doc);

// The pixels per picket that fit a kilometre of line and the section's margins into
// `widthUnits` sheet units (at least 1): the report's sheets keep the page's width at 1 : N.
int ReportPixelsPerPicket(const SectionParams& params, int widthUnits);

// One sheet of the report: the section over the sheet's rows drawn as the window draws it
// (with the boreholes when the window shows them) at `pixelsPerPicket` (0: the document's own),
// framed with the deviation plot of the first layer, the legend and the title block. `number`
// and `count` are its place among the sheets.
DrawingRecord DrawReportSheet(SurveyDocument& doc, const Sheet& sheet, int number, int count, CanvasServices& services,
                              int pixelsPerPicket = 0);

} // namespace trassel
