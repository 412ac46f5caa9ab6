// The report as a PDF: its pages (title, contents, the text parts, one sheet a kilometre), the
// contents listing the parts at the pages they begin on, the numbers at the pages' feet, and a
// cancel that leaves the former file.
#include "sheets/qt/report_pdf.h"

#include "base/error.h"
#include "base/progress.h"
#include "document/survey_document.h"
#include "sheets/report.h"

#include "support/pdf_pages.h"
#include "support/qt_app.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace trassel {
namespace {

[[maybe_unused]] auto* const kApp = ::testing::AddGlobalTestEnvironment(new testing::QtAppEnvironment<QGuiApplication>);

// `km` kilometres at 10 m from km 1: ballast bottom in column 3 (thin every 700 m), sand in 4.
void MakeSurvey(SurveyDocument& doc, int km)
{
    std::string text = "ПК\tПК+\tБалласт\tПесок\r\n";
    const int rows = km * 100;
    for (int i = 0; i <= rows; ++i) {
        const int metres = 1000 + 10 * i;
        text += std::to_string(metres / 100) + "." + (metres % 100 < 10 ? "0" : "") + std::to_string(metres % 100) +
                "\t\t" + (i % 70 < 3 ? "25" : "45") + "\t70\r\n";
    }
    ASSERT_TRUE(doc.pasteTable(text));
    doc.setRange(2, rows + 2);
    doc.select(3, 2);
    doc.addLayer();
    doc.select(4, 2);
    doc.addLayer();
    DesignNorms n;
    n.stretches = {{0, 1e6, 1, Sleeper::Wooden}};
    doc.setNorms(n);
    ProjectForm form;
    form.organisation = "ООО «Трасса»";
    form.object = "Ремонт пути";
    doc.setProjectForm(form);
}

TEST(ReportPdf, PagesContentsAndNumbers)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SurveyDocument doc;
    MakeSurvey(doc, 3);
    const QString path = dir.filePath(QStringLiteral("Отчёт.pdf"));
    long long told = 0;
    WriteReportPdf(doc, path, "линия.trassel", [&](long long done, long long total) {
        EXPECT_LE(done, total);
        told = done;
    });
    const int pages = test::PdfPageCount(path);
    // Title, contents, at least one page of each text part, and the three sheets.
    EXPECT_GE(pages, 2 + 3 + 3);
    EXPECT_GT(told, 0);

    const auto texts = test::PdfPageTexts(path);
    if (!texts)
        GTEST_SKIP() << "pdftotext is not installed: the pages' texts are not read back";
    ASSERT_EQ(texts->size(), pages);
    EXPECT_TRUE((*texts)[0].contains(QStringLiteral("Отчёт")));
    EXPECT_TRUE((*texts)[0].contains(QStringLiteral("Ремонт пути")));
    EXPECT_TRUE((*texts)[0].contains(QStringLiteral("линия.trassel")));
    // The contents name each part with the page it begins on, and that page begins with it.
    const QString& contents = (*texts)[1];
    EXPECT_TRUE(contents.contains(QStringLiteral("Содержание")));
    for (const char* part : {kReportNormsTitle, kReportSummaryTitle, kReportStretchesTitle, kReportSheetsTitle}) {
        const QString title = QString::fromUtf8(part);
        const qsizetype at = contents.indexOf(title);
        ASSERT_GE(at, 0) << part;
        const QString line = contents.mid(at, contents.indexOf(u'\n', at) - at);
        bool ok = false;
        const int page = line.section(QLatin1Char(' '), -1).toInt(&ok);
        ASSERT_TRUE(ok) << line.toStdString();
        ASSERT_LE(page, pages);
        if (title != QString::fromUtf8(kReportSheetsTitle))
            EXPECT_TRUE((*texts)[page - 1].contains(title)) << part << " on page " << page;
        else
            EXPECT_TRUE((*texts)[page - 1].contains(QStringLiteral("Лист 1"))) << "the first sheet on page " << page;
    }
    // Every page but the title says its number of all.
    for (int i = 1; i < pages; ++i)
        EXPECT_TRUE((*texts)[i].contains(QStringLiteral("Стр. %1 из %2").arg(i + 1).arg(pages))) << i + 1;
    EXPECT_TRUE(texts->back().contains(QStringLiteral("Листов 3")));
    EXPECT_TRUE(texts->back().contains(QStringLiteral("отклонение от нормы")));
}

TEST(ReportPdf, ACancelLeavesTheFormerFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SurveyDocument doc;
    MakeSurvey(doc, 2);
    const QString path = dir.filePath(QStringLiteral("r.pdf"));
    {
        QFile former(path);
        ASSERT_TRUE(former.open(QIODevice::WriteOnly));
        former.write("former");
    }
    EXPECT_THROW(WriteReportPdf(doc, path, "",
                                [](long long done, long long) {
                                    if (done >= 4)
                                        throw Cancelled();
                                }),
                 Cancelled);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("former"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

} // namespace
} // namespace trassel
