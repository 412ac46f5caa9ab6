// trassel-render: the geological section of a survey drawn into files without a window, with
// the same calls the window makes, so that a picture is the window's section pixel for pixel.
#include "base/atomic_file.h"
#include "base/error.h"
#include "base/file_path.h"
#include "base/numbers.h"
#include "cli/render_options.h"
#include "cli/qt/section_source.h"
#include "document/section_scene.h"
#include "platform/image_export.h"
#include "platform/qt_canvas.h"
#include "radargram/radargram_reader.h"
#include "thickness/report_files.h"
#include "radargram/radargram_scene.h"
#include "radargram/radargram_sheets.h"
#include "platform/qt_convert.h"
#include "sheets/qt/report_pdf.h"
#include "sheets/sheet_frame.h"

#include <QGuiApplication>

#include <algorithm>
#include <cmath>

#include <iostream>
#include <new>
#include <string>
#include <vector>

namespace trassel {
namespace {

// One picture: the section over params' rows drawn by a section scene of the document, as the
// window's scene draws it after an open (the boreholes and, when asked, the annotation steps
// over it), written by the file's extension. Each picture starts from the section as the
// document left it, so sheets do not carry each other's drawing state.
void DrawSection(const SectionSource& source, const SectionParams& params, bool annotate, CanvasServices& services,
                 const std::string& path, const SheetFrame* frame = nullptr)
{
    SurveyDocument& doc = *source.document;
    const SectionState start = doc.sectionState();
    SectionScene scene(doc);
    scene.setServices(&services);
    SectionScene::Saved over = doc.section().saved();
    over.drawn = true;
    over.boreholesDrawn = source.boreholes;
    if (!annotate || !source.annotations)
        over.annotations.clear();
    scene.restore(std::move(over));
    scene.draw(params, source.layers);
    doc.sectionState() = start;
    if (frame != nullptr) {
        // The sheet is the picture with the frame under it; the picture's pixels stay the window's.
        DrawingRecord sheet = scene.record();
        RecordingCanvas canvas(sheet, services);
        const int right = SectionPixel(static_cast<long double>(sheet.width()) - params.R);
        FrameDrawnSheet(canvas, *frame, static_cast<int>(frame->axis.leftX), right);
        ExportSectionRecord(sheet, QString::fromStdString(path));
        std::cout << path << '\n';
        return;
    }
    ExportSectionRecord(scene.record(), QString::fromStdString(path));
    std::cout << path << '\n';
}

void Render(const RenderOptions& options)
{
    const SectionSource source = options.workspace.empty() ? LoadTableSource(options)
                                                           : LoadWorkspaceSource(options.workspace);
    const Grid& depth = source.document->depthTable();
    const RowSpan rows = options.range.kind == RangeOption::Kind::Whole
                             ? ResolveRange(depth, source.picketColumn, options.range, source.workingRange)
                             : ResolveRange(depth, source.picketColumn, options.range, source.dataRows);
    QtCanvasServices services;
    SectionParams params = ApplyParamOptions(source.document->sectionParams(), options.params);
    if (options.sheetPickets > 0) {
        // Annotations stand at pixels of the window's whole picture; a sheet has other pixels.
        const std::vector<Sheet> sheets = PlanSheets(depth, source.picketColumn, rows, options.sheetPickets,
                                                     options.output);
        CreateFoldersFor(options.output);
        SurveyDocument& doc = *source.document;
        SheetFrame frame;
        frame.form = doc.projectForm();
        frame.legend = LegendOf(doc, source.layers, options.workspace.empty() && options.headerRows < 1 ? 0 : 1);
        if (frame.form.deviationPlot)
            frame.compliance = &doc.compliance();
        frame.facts.count = static_cast<int>(sheets.size());
        frame.facts.horizontalScale = DefaultHorizontalScale(params.SX);
        frame.facts.verticalScale = DefaultVerticalScale(params.SY);
        frame.axis.pixelsPerPicket = params.SX;
        frame.axis.leftX = SectionPixel(static_cast<long double>(params.Lleft) + 60);
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            const Sheet& sheet = sheets[i];
            params.FirstDataRow = sheet.rows.first;
            params.LastDataRow = sheet.rows.last;
            frame.facts.number = static_cast<int>(i) + 1;
            frame.facts.kmText = FormatKmRange(sheet.fromPicket / 10, sheet.toPicket / 10);
            frame.axis.firstPicket = sheet.fromPicket;
            DrawSection(source, params, false, services, sheet.path, &frame);
        }
        return;
    }
    params.FirstDataRow = rows.first;
    params.LastDataRow = rows.last;
    const bool windowsPicture = options.range.kind == RangeOption::Kind::Whole && !options.params.any();
    // A batch writes where it is told: the folders of the output are made when missing.
    CreateFoldersFor(options.output);
    DrawSection(source, params, windowsPicture, services, options.output);
}

// The thickness report of the table or workspace: the layers in slot order (the first under the
// sleeper), over the working range, against the norms the workspace keeps with the command
// line's put over them.
void Report(const RenderOptions& options)
{
    const SectionSource source = options.workspace.empty() ? LoadTableSource(options)
                                                           : LoadWorkspaceSource(options.workspace);
    SurveyDocument& doc = *source.document;
    doc.putNorms(ApplyNormOptions(doc.norms(), options.norms));
    // A workspace is read as the window reads it; a table by the command line's columns.
    ComplianceSetup setup = doc.complianceSetup();
    if (options.workspace.empty()) {
        setup.picketColumn = source.picketColumn;
        setup.titleRow = options.headerRows >= 1 ? 1 : 0;
        setup.columns.clear();
        for (const SectionLayer& layer : source.layers)
            setup.columns.push_back(layer.depthColumn);
    }
    const RowSpan rows = ResolveRange(doc.depthTable(), setup.picketColumn, options.range,
                                      options.range.kind == RangeOption::Kind::Whole ? source.workingRange
                                                                                     : source.dataRows);
    setup.firstRow = rows.first;
    setup.lastRow = rows.last;
    ThicknessAnalysis analysis;
    analysis.compute(doc.depthTable(), setup);
    const std::string name = PathToUtf8(
        PathFromUtf8(options.workspace.empty() ? options.table : options.workspace).filename());
    for (const std::string& path : WriteReport(options.reportDir, analysis.result(), setup.norms, name))
        std::cout << path << '\n';
    // The PDF beside them, over the same rows and norms, with the sheets of a project's section
    // (a table's layers are those of the command line).
    doc.setRange(rows.first, rows.last);
    if (options.workspace.empty()) {
        // The table's layers become the document's, in slot order, as "Добавить слой" makes them.
        for (const SectionLayer& layer : source.layers) {
            doc.select(layer.depthColumn, rows.first);
            doc.addLayer();
        }
    }
    const std::string pdf = PathToUtf8(PathFromUtf8(options.reportDir) / PathFromUtf8(kReportPdfName));
    WriteReportPdf(doc, toQString(pdf), name);
    std::cout << pdf << '\n';
}

// What a radargram file says of itself: the facts on stdout only once the whole file was read,
// so that a file that cannot be read leaves stdout empty; what was tolerated goes to stderr.
void DescribeRadargram(const std::string& path)
{
    const std::unique_ptr<RadargramReader> reader = OpenRadargram(path);
    const std::string text = RadargramInfoText(reader->info());
    for (const std::string& warning : reader->info().warnings)
        std::cerr << "Предупреждение: " << warning << '\n';
    std::cout << text;
}

// The picture of a radargram file through the window's scene: every trace across (one a pixel
// up to 3,000, averaged beyond), the whole time window down, with the scales. Placed by the
// header's step, or by a workspace's ties, time zero, permittivity, channel and display. The
// file is read whole before anything is written, so a file that cannot be read leaves no output.
void DrawRadargram(const RenderOptions& options)
{
    std::unique_ptr<RadargramReader> reader = OpenRadargram(options.radargram);
    for (const std::string& warning : reader->info().warnings)
        std::cerr << "Предупреждение: " << warning << '\n';
    RadargramModel model;
    if (options.workspace.empty()) {
        model = ModelOfFile(options.radargram, reader->info(), MeanTrace(*reader, 0), RadargramDisplay{});
    } else {
        const SectionSource source = LoadWorkspaceSource(options.workspace);
        model = source.document->radargramModel();
        if (!model.open())
            throw Error("В проекте «" + options.workspace + "» нет радарограммы прибора (Файл → Открыть радарограмму)");
        // The project's registration over the file named here, with that file's own facts.
        model.file = ModelOfFile(options.radargram, reader->info(), {}, model.display).file;
        CheckModel(model);
    }
    const RadargramInfo& info = reader->info();
    const auto across = static_cast<int>(std::clamp<std::int64_t>(info.traces, 400, 3000));
    const int down = std::clamp(info.samples, 300, 1000);
    RadargramScene scene;
    scene.setModel(model, std::move(reader));
    if (!scene.fault().empty())
        throw Error(scene.fault());
    scene.setSize(RadargramMargins::kLeft + across + RadargramMargins::kRight,
                  RadargramMargins::kTop + down + RadargramMargins::kBottom);
    QtCanvasServices services;
    DrawingRecord record(scene.width(), scene.height());
    RecordingCanvas canvas(record, services);
    scene.draw(canvas);
    CreateFoldersFor(options.output);
    ExportSectionRecord(record, QString::fromStdString(options.output), {}, ReadOnlyTarget::Refuse,
                        QStringLiteral("Радарограмма"));
    std::cout << options.output << '\n';
}

// The workspace's registered radargram with the checked layers' boundaries over it, in sheets
// along the line numbered and named as the section's sheets of the working range are. Every
// sheet has the same scale: the traces of a whole sheet across at most 3,000 pixels.
void DrawRadargramSheets(const RenderOptions& options)
{
    const SectionSource source = LoadWorkspaceSource(options.workspace);
    const SurveyDocument& doc = *source.document;
    RadargramModel model = doc.radargramModel();
    if (!model.open())
        throw Error("В проекте «" + options.workspace + "» нет радарограммы прибора (Файл → Открыть радарограмму)");
    const std::string file = options.radargram.empty() ? model.file->path : options.radargram;
    std::unique_ptr<RadargramReader> reader = OpenRadargram(file);
    for (const std::string& warning : reader->info().warnings)
        std::cerr << "Предупреждение: " << warning << '\n';
    model.file = ModelOfFile(file, reader->info(), {}, model.display).file;
    CheckModel(model);
    const RowSpan rows = source.workingRange;
    const Grid& depth = doc.depthTable();
    // The sheets start where the section's sheets of the same range start.
    const std::vector<Sheet> rowSheets = PlanSheets(depth, source.picketColumn, rows, options.sheetPickets, "x.png");
    if (rowSheets.empty())
        throw Error("В рабочем диапазоне таблицы нет пикетов");
    const double origin = rowSheets.front().fromPicket;
    const double end = ReadStrict(depth.cellView(source.picketColumn, rowSheets.back().rows.last));
    const std::vector<RadargramSheet> sheets = PlanRadargramSheets(model, origin, end, options.sheetPickets);
    const RadargramInfo& info = reader->info();
    const double perSheet = *model.registration().traceAt(origin + options.sheetPickets) -
                            *model.registration().traceAt(origin);
    const double tracesPerPixel = std::max(1.0, std::abs(perSheet) / 3000.0);
    const int down = std::clamp(info.samples, 300, 1000);
    const std::vector<OverlayLayer> boundaries = OverlayLayersOf(doc.layers());
    const std::vector<OverlayBorehole> boreholes = BoreholesOf(doc.table(TableId::Boreholes));
    const std::string base = RadargramSheetsBase(options.radargramSheets);
    RadargramScene scene;
    scene.setModel(model, std::move(reader));
    if (!scene.fault().empty())
        throw Error(scene.fault());
    CreateFoldersFor(base);
    QtCanvasServices services;
    for (const RadargramSheet& sheet : sheets) {
        const int across = std::max(1, static_cast<int>(std::lround(sheet.traceCount / tracesPerPixel)));
        scene.setSize(RadargramMargins::kLeft + across + RadargramMargins::kRight,
                      RadargramMargins::kTop + down + RadargramMargins::kBottom);
        scene.setView(
            {sheet.firstTrace, sheet.traceCount / across, 0, static_cast<double>(info.samples) / scene.plotHeight()});
        DrawingRecord record(scene.width(), scene.height());
        RecordingCanvas canvas(record, services);
        scene.draw(canvas);
        DrawRadargramBoundaries(canvas, scene, depth, rows.first, rows.last, boundaries);
        DrawBoreholes(canvas, PlacementOf(scene), boreholes);
        const std::string path = SheetFileName(base, sheet.number, sheets.back().number, sheet.fromPicket,
                                               sheet.toPicket);
        ExportSectionRecord(record, QString::fromStdString(path), {}, ReadOnlyTarget::Refuse,
                            QStringLiteral("Радарограмма"));
        std::cout << path << '\n';
    }
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
        if (!options.radargram.empty() && options.info) {
            DescribeRadargram(options.radargram);
            return 0;
        }
        if (options.diagram)
            throw Error("Диаграмма строится только в окне Trassel (Диаграмма → Экспорт диаграммы); trassel-render "
                        "рисует разрез");
        // Fonts and painters need a GUI application; no screen is ever needed.
        qInstallMessageHandler(QuietQtNotes);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        if (!options.reportDir.empty())
            Report(options);
        else if (!options.radargramSheets.empty())
            DrawRadargramSheets(options);
        else if (!options.radargram.empty())
            DrawRadargram(options);
        else
            Render(options);
        return 0;
    } catch (const std::bad_alloc&) {
        std::cerr << "Недостаточно памяти для построения разреза\n";
    } catch (const std::exception& e) {
        std::cerr << OneLine(e.what()) << '\n';
    }
    return 1;
}
