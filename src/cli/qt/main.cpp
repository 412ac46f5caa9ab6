// trassel-render: the geological section of a survey drawn into files without a window, with
// the same calls the window makes, so that a picture is the window's section pixel for pixel.
#include "base/error.h"
#include "base/file_path.h"
#include "boreholes/boreholes.h"
#include "cli/render_options.h"
#include "cli/qt/section_source.h"
#include "drawing/drawing_record.h"
#include "platform/image_export.h"
#include "platform/qt_canvas.h"

#include <QGuiApplication>

#include <iostream>
#include <new>
#include <string>
#include <vector>

namespace trassel {
namespace {

// One picture: the section over params' rows as "Построить разрез полигонами" draws it on a
// fresh section page, then "Выработки" and the annotations, written by the file's extension.
void DrawSection(const SectionSource& source, const SectionParams& params, bool annotate, CanvasServices& services,
                 const std::string& path)
{
    DrawingRecord record(kSectionStartWidth, kSectionStartHeight);
    RecordingCanvas canvas(record, services);
    if (source.startFont)
        canvas.setFont(*source.startFont);
    SectionState state = source.startState;
    canvas.setGroup(0);
    PlotRazrezPoligon(canvas, state, *source.depth, params, source.layers);
    record.compact();
    if (source.boreholes != nullptr)
        PlotSkv(canvas, *source.depth, *source.boreholes, params, source.picketColumnText);
    if (annotate && source.annotate)
        source.annotate(canvas);
    ExportSectionRecord(record, QString::fromStdString(path));
    std::cout << path << '\n';
}

void Render(const RenderOptions& options)
{
    const SectionSource source = options.workspace.empty() ? LoadTableSource(options) : LoadWorkspaceSource(options.workspace);
    const RowSpan rows = options.range.kind == RangeOption::Kind::Whole
                             ? ResolveRange(*source.depth, source.picketColumn, options.range, source.workingRange)
                             : ResolveRange(*source.depth, source.picketColumn, options.range, source.dataRows);
    QtCanvasServices services;
    SectionParams params = ApplyParamOptions(source.params, options.params);
    if (options.sheetPickets > 0) {
        // Annotations stand at pixels of the window's whole picture; a sheet has other pixels.
        for (const Sheet& sheet : PlanSheets(*source.depth, source.picketColumn, rows, options.sheetPickets, options.output)) {
            params.FirstDataRow = sheet.rows.first;
            params.LastDataRow = sheet.rows.last;
            DrawSection(source, params, false, services, sheet.path);
        }
        return;
    }
    params.FirstDataRow = rows.first;
    params.LastDataRow = rows.last;
    const bool windowsPicture = options.range.kind == RangeOption::Kind::Whole && !options.params.any();
    DrawSection(source, params, windowsPicture, services, options.output);
}

// The one line an error gets on stderr.
std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

// Qt's notes about its surroundings (no runtime directory, no screen) are not the tool's
// messages: stderr keeps the one line of an error. Critical and fatal messages still go out.
void QuietQtNotes(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << OneLine(message.toStdString()) << '\n';
}

} // namespace
} // namespace trassel

int main(int argc, char** argv)
{
    using namespace trassel;
    // Qt's own arguments are not ours: take the command line before the application sees it.
    const std::vector<std::string> args = CommandLineArguments(argc, argv);
    UseUtf8Console();
    try {
        const RenderOptions options = ParseRenderOptions(args);
        if (options.help) {
            std::cout << RenderUsage();
            return 0;
        }
        if (options.diagram)
            throw Error("Диаграмма строится только в окне Trassel (Диаграмма → Экспорт диаграммы); trassel-render рисует разрез");
        // Fonts and painters need a GUI application; no screen is ever needed.
        qInstallMessageHandler(QuietQtNotes);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        Render(options);
        return 0;
    } catch (const std::bad_alloc&) {
        std::cerr << "Недостаточно памяти для построения разреза\n";
    } catch (const std::exception& e) {
        std::cerr << OneLine(e.what()) << '\n';
    }
    return 1;
}
