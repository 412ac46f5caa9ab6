#pragma once
// PDF output for print tests: a printer that writes A4 landscape pages with 10 mm margins to a
// file, and the number of pages such a file holds.
#include <QFile>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QRegularExpression>
#include <QString>

#include <optional>

namespace trassel::test {

inline int PdfPageCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    return static_cast<int>(QString::fromLatin1(file.readAll()).count(page));
}

// The text of each page of a PDF as poppler's pdftotext reads it; nothing when the tool is not
// installed (the callers then check what they can without it).
inline std::optional<QStringList> PdfPageTexts(const QString& path)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return std::nullopt;
    QProcess run;
    run.start(tool, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!run.waitForFinished(60000) || run.exitCode() != 0)
        return QStringList{};
    QStringList pages = QString::fromUtf8(run.readAllStandardOutput()).split(QChar(u'\f'));
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

inline void SetUpPdf(QPrinter& printer, const QString& path)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                      QPageLayout::Millimeter));
    printer.setOutputFileName(path);
}

} // namespace trassel::test
