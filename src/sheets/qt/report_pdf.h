#pragma once
// "Отчёт": the client's PDF report written with Qt's own PDF writer and text layout: the title
// page, the contents, the norms and parameters, the per-km summary, the failing stretches and
// the sheets of the section with their deviation plots, every page but the title numbered.
#include "base/atomic_file.h"
#include "base/progress.h"

#include <QString>

#include <string>

namespace trassel {

class SurveyDocument;

// The report's file name beside the workbook in a folder (`trassel-render --report`).
inline constexpr const char* kReportPdfName = "Отчёт.pdf";

// Writes the report of `doc` (its analysis, norms, form and section) to `path`; `source` names
// the project on the title page (empty: not named). The sheets are drawn one at a time, each
// framed, so memory holds one sheet however long the line. The file is written aside and put in
// place at the end: a failure or a cancel through `progress` (Cancelled) leaves a former file as
// it was. Errors of the analysis (pickets out of order) and of the writing pass as Error.
void WriteReportPdf(SurveyDocument& doc, const QString& path, const std::string& source, const Progress& progress = {},
                    ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

} // namespace trassel
