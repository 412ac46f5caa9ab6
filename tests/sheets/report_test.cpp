// The report's core: its page numbering, the texts of its parts (the user's texts made safe),
// its sheets of one kilometre each, and one sheet drawn with its frame.
#include "sheets/report.h"

#include "document/section_scene.h"
#include "support/probe_canvas.h"

#include <gtest/gtest.h>

#include <string>

namespace trassel {
namespace {

// Text metrics for recording without a toolkit.
class FixedServices : public CanvasServices {
public:
    int textWidth(const FontState&, std::string_view utf8) override { return testing::ProbeCanvas::widthOf(utf8); }
    int textHeight(const FontState&) override { return testing::ProbeCanvas::kTextHeight; }
    Picture resourceBitmap(std::string_view) override { return {8, 25, std::vector<Color>(200, kWhite)}; }
};

// 2.5 km at 10 m: ballast bottom in column 3 (thin at 1040..1060 m), sand bottom in column 4.
void MakeSurvey(SurveyDocument& doc)
{
    std::string text = "ПК\tПК+\tБалласт\tПесок\r\n";
    for (int i = 0; i <= 250; ++i) {
        const int metres = 1000 + 10 * i;
        text += std::to_string(metres / 100) + "." + (metres % 100 < 10 ? "0" : "") + std::to_string(metres % 100) +
                "\t\t" + (i >= 4 && i <= 6 ? "30" : "45") + "\t70\r\n";
    }
    ASSERT_TRUE(doc.pasteTable(text));
    doc.setRange(2, 252);
    doc.select(3, 2);
    doc.addLayer();
    doc.select(4, 2);
    doc.addLayer();
    DesignNorms n;
    n.stretches = {{0, 100000, 1, Sleeper::Wooden}}; // 35 cm of ballast
    n.layers = {{4, "", 20.0}};
    doc.setNorms(n);
}

std::string Collected(const DrawingRecord& record)
{
    std::string all;
    for (const DrawOp& op : record.ops())
        if (op.kind == DrawOpKind::Text)
            all += std::string(record.text(op)) + "\n";
    return all;
}

TEST(Report, PartsAreNumberedAfterTheTitleAndTheContents)
{
    std::vector<ReportPart> parts = {{"A", 2}, {"B", 1}, {"C", 0}, {"D", 5}};
    EXPECT_EQ(NumberReportPages(parts), 10);
    EXPECT_EQ(parts[0].firstPage, 3);
    EXPECT_EQ(parts[1].firstPage, 5);
    EXPECT_EQ(parts[2].firstPage, 6); // an empty part points at the next page
    EXPECT_EQ(parts[3].firstPage, 6);
    const std::string contents = ContentsHtml(parts);
    EXPECT_NE(contents.find("<td>D</td><td align=\"right\">6</td>"), std::string::npos);
    EXPECT_EQ(HtmlEscaped("a<b & \"c\">"), "a&lt;b &amp; &quot;c&quot;&gt;");
    EXPECT_EQ(LinePositionText(12345.04), "км 12+345");
    EXPECT_EQ(LinePositionText(12005.5), "км 12+005,5");
    EXPECT_EQ(LinePositionText(999.96), "км 1+000");
}

TEST(Report, TextsSayTheFormTheNormsTheSummaryAndTheStretches)
{
    SurveyDocument doc;
    MakeSurvey(doc);
    ProjectForm form;
    form.object = "Ремонт <пути>";
    form.developer = "Иванова";
    doc.setProjectForm(form);
    const Compliance& c = doc.compliance();
    ASSERT_EQ(c.layers.size(), 2U);
    ASSERT_EQ(c.layers[0].stretches.size(), 1U);

    const std::string title = TitlePageHtml(doc.projectForm(), c, "линия.trassel");
    EXPECT_NE(title.find("Ремонт &lt;пути&gt;"), std::string::npos);
    EXPECT_NE(title.find("Иванова"), std::string::npos);
    EXPECT_NE(title.find("км 1+000 – км 3+500"), std::string::npos);
    EXPECT_NE(title.find("линия.trassel"), std::string::npos);

    const std::string norms = NormsHtml(doc.norms(), c);
    EXPECT_NE(norms.find(kReportNormsTitle), std::string::npos);
    EXPECT_NE(norms.find("<td>Песок</td><td>20</td>"), std::string::npos);

    // Three kilometres are touched: 1, 2 and 3.
    const std::string summary = SummaryHtml(c, doc.norms());
    EXPECT_NE(summary.find("<tr><td>1</td>"), std::string::npos);
    EXPECT_NE(summary.find("<tr><td>3</td>"), std::string::npos);
    EXPECT_EQ(summary.find("<tr><td>4</td>"), std::string::npos);

    const std::string stretches = StretchesHtml(c);
    EXPECT_NE(stretches.find("<td>км 1+035</td><td>км 1+065</td>"), std::string::npos) << stretches;
    EXPECT_NE(stretches.find("Участков ниже нормы нет."), std::string::npos); // the sand
}

TEST(Report, SheetsAreKilometresDrawnWithTheirFrame)
{
    SurveyDocument doc;
    MakeSurvey(doc);
    ProjectForm form;
    form.organisation = "ООО «Трасса»";
    doc.setProjectForm(form);
    // 1000..3500 m: kilometres from the first row; the last half kilometre is a sheet of its own.
    const std::vector<Sheet> sheets = ReportSheets(doc);
    ASSERT_EQ(sheets.size(), 3U);
    EXPECT_EQ(sheets[0].rows, (RowSpan{2, 101}));
    EXPECT_EQ(sheets[2].toPicket, 35);

    FixedServices services;
    const DrawingRecord first = DrawReportSheet(doc, sheets[0], 1, 3, services);
    const std::string texts = Collected(first);
    for (const char* text : {"ООО «Трасса»", "Лист 1", "Листов 3", "км 1,000 – 1,990", "Балласт", "Песок",
                             "Балласт, отклонение от нормы, см", "0см", "50см"})
        EXPECT_NE(texts.find(text), std::string::npos) << text;
    // The window's section and its state are left as they were.
    EXPECT_FALSE(doc.section().drawn());
    const DrawingRecord last = DrawReportSheet(doc, sheets[2], 3, 3, services);
    EXPECT_NE(Collected(last).find("км 3,000 – 3,500"), std::string::npos);

    // The report's own scale: a kilometre and the margins in the width given.
    const SectionParams params = doc.sectionParams();
    EXPECT_EQ(ReportPixelsPerPicket(params, 1028), (1028 - params.Lleft - 60 - params.R) / 10);
    EXPECT_EQ(ReportPixelsPerPicket(params, 10), 1);
    const DrawingRecord fitted = DrawReportSheet(doc, sheets[0], 1, 3, services, 80);
    EXPECT_NEAR(fitted.width(), 99 * 80 / 10 + params.Lleft + 60 + params.R, 1); // rows 1000..1990 m
    EXPECT_NE(Collected(fitted).find("М гориз. " + ScaleText(DefaultHorizontalScale(80))), std::string::npos);

    // No layers: no sheets.
    SurveyDocument empty;
    EXPECT_TRUE(ReportSheets(empty).empty());
}

} // namespace
} // namespace trassel
