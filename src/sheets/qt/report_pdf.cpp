#include "sheets/qt/report_pdf.h"

#include "base/error.h"
#include "document/survey_document.h"
#include "platform/atomic_file_device.h"
#include "platform/qt_canvas.h"
#include "platform/qt_convert.h"
#include "sheets/report.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include <algorithm>
#include <memory>
#include <vector>

namespace trassel {
namespace {

constexpr int kResolution = 300;
constexpr double kFooterPoints = 8;

// A part of text laid out on the page's text area.
std::unique_ptr<QTextDocument> LaidOut(const std::string& html, QPdfWriter& pdf, const QSizeF& area)
{
    auto text = std::make_unique<QTextDocument>();
    text->documentLayout()->setPaintDevice(&pdf);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    text->setDefaultFont(font);
    text->setDefaultStyleSheet(
        QStringLiteral("h2 { font-size: 14pt; } h3 { font-size: 11pt; } th { background: #e8e8e8; }"));
    text->setHtml(toQString(html));
    text->setPageSize(area);
    return text;
}

void DrawTextPage(QPainter& painter, QTextDocument& text, int page, const QSizeF& area)
{
    painter.save();
    painter.translate(0, -page * area.height());
    text.drawContents(&painter, QRectF(0, page * area.height(), area.width(), area.height()));
    painter.restore();
}

class ReportWriter {
public:
    ReportWriter(QPdfWriter& pdf, QPainter& painter, const ProjectForm& form, int pages)
        : pdf_(pdf), painter_(painter), form_(form), pages_(pages)
    {
    }

    // Starts the next page (the first is open from the start) and says its number at its foot.
    void next()
    {
        if (page_ > 0 && !pdf_.newPage())
            throw Error("Не удалось начать новую страницу отчёта.");
        ++page_;
        if (page_ == 1)
            return;
        const QRect area = pdf_.pageLayout().paintRectPixels(pdf_.resolution());
        const QRectF foot(0, area.height() - footer(), area.width(), footer());
        painter_.save();
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(kFooterPoints);
        painter_.setFont(font);
        painter_.setPen(Qt::black);
        painter_.drawText(foot, Qt::AlignLeft | Qt::AlignBottom, toQString(form_.object));
        painter_.drawText(foot, Qt::AlignRight | Qt::AlignBottom,
                          QStringLiteral("Стр. %1 из %2").arg(page_).arg(pages_));
        painter_.restore();
    }

    double footer() const { return 6.0 * pdf_.resolution() / 25.4; }
    int page() const { return page_; }

private:
    QPdfWriter& pdf_;
    QPainter& painter_;
    const ProjectForm& form_;
    int pages_;
    int page_ = 0;
};

} // namespace

void WriteReportPdf(SurveyDocument& doc, const QString& path, const std::string& source, const Progress& progress,
                    ReadOnlyTarget readOnly)
{
    // Everything that may be refused is refused before the file is touched.
    const Compliance& compliance = doc.compliance();
    const std::vector<Sheet> sheets = ReportSheets(doc);

    AtomicFileDevice file(path, readOnly);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(toStdString(file.failure()));
    QPdfWriter pdf(&file);
    pdf.setResolution(kResolution);
    pdf.setTitle(QStringLiteral("Отчёт"));
    pdf.setCreator(QStringLiteral("Trassel"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(15, 10, 10, 10),
                                  QPageLayout::Millimeter));
    const QRect area = pdf.pageLayout().paintRectPixels(pdf.resolution());

    QPainter painter;
    if (!painter.begin(&pdf))
        throw Error("Не удалось начать запись отчёта в «" + toStdString(path) + "».");
    const double footer = 6.0 * pdf.resolution() / 25.4;
    const QSizeF textArea(area.width(), area.height() - footer * 1.5);
    const ProjectForm& form = doc.projectForm();

    // The text parts are laid out first: the contents need their page numbers.
    const auto title = LaidOut(TitlePageHtml(form, compliance, source), pdf, QSizeF(area.size()));
    std::vector<std::unique_ptr<QTextDocument>> texts;
    texts.push_back(LaidOut(NormsHtml(doc.norms(), compliance), pdf, textArea));
    texts.push_back(LaidOut(SummaryHtml(compliance, doc.norms()), pdf, textArea));
    texts.push_back(LaidOut(StretchesHtml(compliance), pdf, textArea));
    std::vector<ReportPart> parts = {{kReportNormsTitle, texts[0]->pageCount()},
                                     {kReportSummaryTitle, texts[1]->pageCount()},
                                     {kReportStretchesTitle, texts[2]->pageCount()}};
    if (!sheets.empty())
        parts.push_back({kReportSheetsTitle, static_cast<int>(sheets.size())});
    const int pages = NumberReportPages(parts);
    const auto contents = LaidOut(ContentsHtml(parts), pdf, textArea);

    ReportWriter writer(pdf, painter, form, pages);
    const long long total = static_cast<long long>(sheets.size()) + 3;
    const auto tell = [&](long long done) {
        if (progress)
            progress(done, total);
    };
    tell(0);
    writer.next();
    // The title page: its text in the middle of the sheet.
    {
        painter.save();
        const double top = std::max(0.0, (area.height() - title->size().height()) / 2);
        painter.translate(0, top);
        title->drawContents(&painter, QRectF(QPointF(0, 0), QSizeF(area.size())));
        painter.restore();
    }
    writer.next();
    DrawTextPage(painter, *contents, 0, textArea);
    for (std::size_t t = 0; t < texts.size(); ++t) {
        for (int page = 0; page < texts[t]->pageCount(); ++page) {
            writer.next();
            DrawTextPage(painter, *texts[t], page, textArea);
        }
        tell(static_cast<long long>(t) + 1);
    }

    // The sheets, one at a time: drawn, painted whole on their page (proportions kept) and let go.
    // A kilometre fills the page's width at the section's own 1 : N (a sheet unit is 1/96 inch).
    QtCanvasServices services;
    const double unit = pdf.resolution() / kSheetUnitsPerInch;
    const int pixelsPerPicket = ReportPixelsPerPicket(doc.sectionParams(), static_cast<int>(area.width() / unit) - 1);
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const DrawingRecord record = DrawReportSheet(doc, sheets[i], static_cast<int>(i) + 1,
                                                     static_cast<int>(sheets.size()), services, pixelsPerPicket);
        writer.next();
        // At the written scale when the sheet fits the page (a deep section may not), else smaller.
        const double scale = std::min({unit, area.width() / static_cast<double>(record.width()),
                                       (area.height() - footer * 1.5) / static_cast<double>(record.height())});
        painter.save();
        painter.scale(scale, scale);
        PaintRecord(record, painter);
        painter.restore();
        tell(static_cast<long long>(i) + 4);
    }
    if (!painter.end() || !file.failure().isEmpty())
        throw Error(file.failure().isEmpty() ? "Не удалось дописать отчёт «" + toStdString(path) + "»."
                                             : toStdString(file.failure()));
    if (!file.commit())
        throw Error(toStdString(file.failure()));
}

} // namespace trassel
