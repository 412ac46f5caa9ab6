// Printing the section to PDF: one PDF page per planned sheet, each sheet painted through the
// section's painting with the transform and clip of its place, and the refusals in words.
#include "platform/qt_print_pages.h"

#include "base/error.h"
#include "drawing/hatches.h"
#include "support/qt_app.h"
#include "support/pdf_pages.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trassel {
namespace {

[[maybe_unused]] auto* const kApp = ::testing::AddGlobalTestEnvironment(new testing::QtAppEnvironment<QGuiApplication>);

using test::PdfPageCount;
using test::SetUpPdf;

// What the painting was asked for on one sheet, and the painter's state at that moment.
struct PaintCall {
    QRect sourceRect;
    QRectF mappedSource; // plan's exact source through the painter's transform, device px
    QRectF clip;         // the clip, device px
};

// A section of grey bands and picket lines that records every call of its painting.
SectionPrintSource SyntheticSection(int width, int height, std::vector<PaintCall>& calls,
                                    const std::vector<SectionPrintPage>* plan)
{
    SectionPrintSource source;
    source.width = width;
    source.height = height;
    source.firstPicket = 120;
    source.leftX = 85;
    source.pixelsPerPicket = 400;
    source.pixelsPerCm = 1;
    source.paint = [&calls, plan, width, height](QPainter& painter, const QRect& sourceRect) {
        PaintCall call;
        call.sourceRect = sourceRect;
        if (plan && calls.size() < plan->size()) {
            const PrintRectF& s = (*plan)[calls.size()].source;
            call.mappedSource = painter.transform().mapRect(QRectF(s.left, s.top, s.width, s.height));
        }
        call.clip = painter.transform().mapRect(painter.clipBoundingRect());
        calls.push_back(call);
        painter.fillRect(QRect(0, 55, width, height - 55), QColor(0x80, 0x80, 0x80));
        painter.setPen(QPen(Qt::black, 3));
        for (int x = 85; x < width; x += 400)
            painter.drawLine(x, 0, x, height);
    };
    return source;
}

void ExpectPaintedAsPlanned(const std::vector<PaintCall>& calls, const SectionPrintPlan& plan)
{
    ASSERT_EQ(calls.size(), plan.pages.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE("sheet " + std::to_string(i + 1));
        const SectionPrintPage& page = plan.pages[i];
        const PrintRect& px = page.sourcePixels;
        EXPECT_EQ(calls[i].sourceRect, QRect(px.left, px.top, px.width, px.height));
        const QRectF destination(page.destination.left, page.destination.top, page.destination.width,
                                 page.destination.height);
        EXPECT_NEAR(calls[i].mappedSource.left(), destination.left(), 1e-6);
        EXPECT_NEAR(calls[i].mappedSource.top(), destination.top(), 1e-6);
        EXPECT_NEAR(calls[i].mappedSource.right(), destination.right(), 1e-6);
        EXPECT_NEAR(calls[i].mappedSource.bottom(), destination.bottom(), 1e-6);
        EXPECT_NEAR(calls[i].clip.left(), destination.left(), 1e-6);
        EXPECT_NEAR(calls[i].clip.top(), destination.top(), 1e-6);
        EXPECT_NEAR(calls[i].clip.width(), destination.width(), 1e-6);
        EXPECT_NEAR(calls[i].clip.height(), destination.height(), 1e-6);
    }
}

TEST(PrintSection, EverySheetIsPaintedThroughTheSectionAtItsPlace)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QPrinter printer(QPrinter::ScreenResolution);

    // The 2 km section with its height on the sheet: the sheets run edge to edge over the width.
    const QString banner = dir.filePath(QStringLiteral("height.pdf"));
    SetUpPdf(printer, banner);
    const PrintSheet sheet = SheetOf(printer);
    EXPECT_EQ(sheet.dpiX, printer.resolution());
    // The band under the picture holds the legend and the 40 mm title block; with the deviation
    // plot and the stretches' bar it is 28 mm taller.
    const double mm = printer.resolution() / 25.4;
    EXPECT_NEAR(sheet.footerHeight, 43 * mm, 2 * mm);
    EXPECT_NEAR(SheetOf(printer, true).footerHeight - sheet.footerHeight, 28 * mm, 2 * mm);

    SectionPrintOptions options;
    std::vector<PaintCall> calls;
    SectionPrintPlan plan = PlanSectionPrint(GeometryOf(SyntheticSection(8185, 355, calls, nullptr)), sheet, options);
    ASSERT_GT(plan.pages.size(), 3U);
    PrintSection(printer, SyntheticSection(8185, 355, calls, &plan.pages), options);
    EXPECT_EQ(PdfPageCount(banner), static_cast<int>(plan.pages.size()));
    ExpectPaintedAsPlanned(calls, plan);
    // Together the sheets ask for every column once, ending at the section's edge.
    int next = 0;
    for (const PaintCall& call : calls) {
        EXPECT_LE(call.sourceRect.left(), next);
        EXPECT_GT(call.sourceRect.right() + 1, next);
        EXPECT_EQ(call.sourceRect.height(), 355);
        next = call.sourceRect.right() + 1;
    }
    EXPECT_EQ(next, 8185);

    // At a true scale the banner also goes down over rows of sheets.
    const QString rows = dir.filePath(QStringLiteral("scale.pdf"));
    printer.setOutputFileName(rows);
    options.fit = PrintFit::TrueScale;
    options.horizontalScale = 2000;
    options.verticalScale = 10;
    calls.clear();
    plan = PlanSectionPrint(GeometryOf(SyntheticSection(8185, 355, calls, nullptr)), SheetOf(printer), options);
    ASSERT_GT(plan.rows, 1);
    ASSERT_GT(plan.columns, 1);
    PrintSection(printer, SyntheticSection(8185, 355, calls, &plan.pages), options);
    EXPECT_EQ(PdfPageCount(rows), static_cast<int>(plan.pages.size()));
    ExpectPaintedAsPlanned(calls, plan);

    // The whole section on one sheet is one page, asked for whole.
    const QString whole = dir.filePath(QStringLiteral("whole.pdf"));
    printer.setOutputFileName(whole);
    options.fit = PrintFit::WholeOnOnePage;
    calls.clear();
    plan = PlanSectionPrint(GeometryOf(SyntheticSection(8185, 355, calls, nullptr)), SheetOf(printer), options);
    PrintSection(printer, SyntheticSection(8185, 355, calls, &plan.pages), options);
    EXPECT_EQ(PdfPageCount(whole), 1);
    ExpectPaintedAsPlanned(calls, plan);
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].sourceRect, QRect(0, 0, 8185, 355));

    // A section narrower than the sheet with its height fitted: one page, not two.
    const QString single = dir.filePath(QStringLiteral("single.pdf"));
    printer.setOutputFileName(single);
    calls.clear();
    PrintSection(printer, SyntheticSection(500, 355, calls, nullptr), SectionPrintOptions{});
    EXPECT_EQ(PdfPageCount(single), 1);
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].sourceRect, QRect(0, 0, 500, 355));
}

std::string ErrorOf(QPrinter& printer, const SectionPrintSource& source)
{
    try {
        PrintSection(printer, source, SectionPrintOptions{});
    } catch (const Error& e) {
        return e.what();
    }
    return {};
}

TEST(PrintSection, EverySheetIsFramedWithTheTitleBlockTheLegendAndTheDepthScale)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QPrinter printer(QPrinter::HighResolution);
    const QString path = dir.filePath(QStringLiteral("framed.pdf"));
    SetUpPdf(printer, path);
    std::vector<PaintCall> calls;
    SectionPrintSource source = SyntheticSection(8185, 355, calls, nullptr);
    source.lastPicket = 140;
    source.form.organisation = "ООО «Трасса»";
    source.form.developer = "Иванова";
    source.form.checker = "Петров";
    source.form.object = "Ремонт пути";
    source.legend = {{"Балласт", 0x00FFFF, 0, 0}, {"Песок", 0x2060A0, kFirstHatchOrdinal, 0}};
    const SectionPrintOptions options;
    const SectionPrintPlan plan = PlanPrint(printer, source, options);
    ASSERT_GT(plan.pages.size(), 2U);
    PrintSection(printer, source, options);
    EXPECT_EQ(PdfPageCount(path), static_cast<int>(plan.pages.size()));
    // The scales written on the sheets are those the plan prints at.
    const SheetFacts facts = FactsOf(source, plan, SheetOf(printer), plan.pages[1]);
    EXPECT_NEAR(facts.horizontalScale * plan.scaleX * 400 / printer.resolution() * 25.4, 100000, 1e-6);
    EXPECT_NEAR(facts.verticalScale * plan.scaleY / printer.resolution() * 25.4, 10, 1e-6);

    const auto pages = test::PdfPageTexts(path);
    if (!pages)
        GTEST_SKIP() << "pdftotext is not installed: the sheets' texts are not read back";
    ASSERT_EQ(pages->size(), static_cast<qsizetype>(plan.pages.size()));
    for (qsizetype i = 0; i < pages->size(); ++i) {
        const QString& page = (*pages)[i];
        SCOPED_TRACE("sheet " + std::to_string(i + 1));
        for (const char* text : {"Разработал", "Иванова", "Проверил", "Петров", "ООО «Трасса»", "Ремонт пути",
                                 "Условные обозначения", "Балласт", "Песок"})
            EXPECT_TRUE(page.contains(QString::fromUtf8(text))) << text;
        EXPECT_TRUE(page.contains(QStringLiteral("Лист %1").arg(i + 1)));
        EXPECT_TRUE(page.contains(QStringLiteral("Листов %1").arg(plan.pages.size())));
        EXPECT_TRUE(page.contains(QString::fromStdString("М гориз. " + ScaleText(facts.horizontalScale))));
        // The depth scale repeated on every sheet after the first (this section paints no scale
        // of its own; a real one has it on the first sheet, at the left margin).
        EXPECT_EQ(page.contains(QStringLiteral("250см")), i > 0);
    }
    EXPECT_TRUE((*pages)[0].contains(QStringLiteral("км 12,000")));
    EXPECT_TRUE(pages->back().contains(QStringLiteral("14,000")));
}

TEST(PrintSection, RefusalsAreSaidInWords)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QPrinter printer(QPrinter::ScreenResolution);
    const QString path = dir.filePath(QStringLiteral("refused.pdf"));
    SetUpPdf(printer, path);
    std::vector<PaintCall> calls;

    const std::string nothing = "Печатать нечего: разрез пуст или у страницы нет области печати.";
    EXPECT_EQ(ErrorOf(printer, SyntheticSection(0, 355, calls, nullptr)), nothing);
    EXPECT_EQ(ErrorOf(printer, SyntheticSection(8185, -3, calls, nullptr)), nothing);
    SectionPrintSource unpainted = SyntheticSection(8185, 355, calls, nullptr);
    unpainted.paint = nullptr;
    EXPECT_EQ(ErrorOf(printer, unpainted), nothing);
    EXPECT_TRUE(calls.empty());

    // Far too many sheets are refused before the printer starts.
    SectionPrintOptions tiny;
    tiny.fit = PrintFit::TrueScale;
    tiny.horizontalScale = 1;
    EXPECT_THROW(PrintSection(printer, SyntheticSection(8185, 355, calls, nullptr), tiny), Error);
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(QFile::exists(path));

    // A printer that cannot begin: the PDF's folder does not exist.
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/out.pdf"));
    printer.setOutputFileName(missing);
    EXPECT_EQ(ErrorOf(printer, SyntheticSection(8185, 355, calls, nullptr)),
              "Не удалось начать печать на «" + missing.toStdString() + "».");

    // A printer that stops taking sheets: here the job is ended under the first sheet's painting.
    printer.setOutputFileName(path);
    SectionPrintSource stopping = SyntheticSection(8185, 355, calls, nullptr);
    stopping.paint = [](QPainter& painter, const QRect&) { painter.end(); };
    EXPECT_EQ(ErrorOf(printer, stopping), "Принтер «" + path.toStdString() + "» не принял новую страницу.");

    // What the painting throws reaches the caller as it is.
    SectionPrintSource failing = SyntheticSection(8185, 355, calls, nullptr);
    failing.paint = [](QPainter&, const QRect&) { throw Error("Запись рисунка повреждена."); };
    EXPECT_EQ(ErrorOf(printer, failing), "Запись рисунка повреждена.");
}

} // namespace
} // namespace trassel
