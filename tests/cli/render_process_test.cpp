// trassel-render run as the user runs it, its pictures compared with the section drawn in this
// process with the calls the window's section page makes.
#include "base/atomic_file.h"
#include "base/error.h"
#include "boreholes/boreholes.h"
#include "document/section_scene.h"
#include "document/survey_document.h"
#include "document/workspace.h"
#include "drawing/drawing_record.h"
#include "platform/qt_canvas.h"
#include "support/qt_app.h"
#include "section/section_renderer.h"
#include "base/numbers.h"

#include "support/error_text.h"
#include "radargram/radargram_reader.h"
#include "radargram/radargram_scene.h"
#include "radargram/radargram_sheets.h"
#include "radargram/radargram_writers.h"
#include "thickness/report_files.h"
#include "support/pdf_pages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace trassel {
namespace {

[[maybe_unused]] auto* const kApp = ::testing::AddGlobalTestEnvironment(new testing::QtAppEnvironment<QGuiApplication>);

const std::string kSurvey = TRASSEL_SOURCE_DIR "/examples/survey_depths.txt";
const std::string kBoreholes = TRASSEL_SOURCE_DIR "/examples/boreholes.txt";

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome RunRender(const QStringList& args, bool withPlatform = true)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (withPlatform)
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    else
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TRASSEL_RENDER_BINARY), args);
    EXPECT_TRUE(process.waitForFinished(300'000)) << "trassel-render did not finish";
    Outcome run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The example survey as the window holds it after "Импорт таблицы", "Пересчет в ПК" and "Импорт выработок".
struct ExampleSurvey {
    SurveyDocument doc;
    ExampleSurvey()
    {
        FileBytes table = ReadWholeFile(kSurvey);
        doc.importTable(std::move(table.data), table.size);
        doc.recalcPickets();
        FileBytes boreholes = ReadWholeFile(kBoreholes);
        doc.importBoreholes(std::move(boreholes.data), boreholes.size);
    }
};

// The section over `first` .. `last` as "Построить разрез полигонами" and "Выработки" draw it on a
// fresh section page, replayed into the bitmap the window shows and exports.
QImage WindowSection(SurveyDocument& doc, const std::vector<SectionLayer>& layers, SectionParams params, int first,
                     int last, bool boreholes)
{
    params.FirstDataRow = first;
    params.LastDataRow = last;
    DrawingRecord record(kSectionStartWidth, kSectionStartHeight);
    QtCanvasServices services;
    RecordingCanvas canvas(record, services);
    SectionState state;
    PlotRazrezPoligon(canvas, state, doc.depthTable(), params, layers);
    record.compact();
    if (boreholes)
        PlotSkv(canvas, doc.depthTable(), doc.boreholeTable(), params, "1");
    return RenderRecord(record).convertToFormat(QImage::Format_RGB32);
}

QImage FileImage(const QString& path) { return QImage(path).convertToFormat(QImage::Format_RGB32); }

QByteArray Head(const QString& path, int bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(bytes);
}

// Slot 0 on top: a plain layer over a hatched one over a thin striped one.
const QStringList kLayerArgs{QStringLiteral("--layer"), QStringLiteral("3"),
                             QStringLiteral("--layer"), QStringLiteral("4:fill=4:color=2060A0"),
                             QStringLiteral("--layer"), QStringLiteral("5:width=1:line=A02020:fill=2:color=E0C080")};
std::vector<SectionLayer> ExampleLayers()
{
    return {SectionLayer{1, 3, 3, 0, 0xFFFFFF, 0, true}, SectionLayer{1, 4, 3, 0, 0xA06020, 4, true},
            SectionLayer{1, 5, 1, 0x2020A0, 0x80C0E0, 2, true}};
}

TEST(RenderProcess, KilometreSheetsArePixelForPixelTheWindowsSectionOverTheirRows)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList args{QStringLiteral("--table"), Q(kSurvey), QStringLiteral("--recalc-pickets")};
    args << kLayerArgs << QStringList{QStringLiteral("--scale-x"),   QStringLiteral("150"),
                                      QStringLiteral("--max-depth"), QStringLiteral("350"),
                                      QStringLiteral("--sheet"),     QStringLiteral("10"),
                                      QStringLiteral("-o"),          dir.filePath(QStringLiteral("section.png"))};
    const Outcome run = RunRender(args);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

    // A sheet names the pickets of its rows; the last row alone joins the second sheet.
    const QStringList names{QStringLiteral("section-01_km12.300-13.295.png"),
                            QStringLiteral("section-02_km13.300-14.300.png")};
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name), names);
    EXPECT_EQ(run.out, dir.filePath(names[0]) + u'\n' + dir.filePath(names[1]) + u'\n');

    ExampleSurvey survey;
    SectionParams params;
    params.SX = 150;
    params.Dmax = 350;
    // Pickets 123 + 0.05 per row from row 2: 200 rows a kilometre. Each sheet is the window's
    // section over its rows with the frame (legend, title block) under it.
    const int rows[2][2] = {{2, 201}, {202, 402}};
    for (int i = 0; i < 2; ++i) {
        const QString path = dir.filePath(names[i]);
        EXPECT_EQ(Head(path, 8), QByteArray("\x89PNG\r\n\x1a\n", 8)) << i;
        const QImage expected = WindowSection(survey.doc, ExampleLayers(), params, rows[i][0], rows[i][1], false);
        const QImage actual = FileImage(path);
        ASSERT_EQ(actual.width(), expected.width()) << i;
        ASSERT_GT(actual.height(), expected.height()) << i;
        EXPECT_TRUE(actual.copy(0, 0, expected.width(), expected.height()) == expected)
            << "sheet " << i + 1 << " differs from the window's drawing";
    }
    // Every sheet has the same depth scale: the same height whatever its length.
    EXPECT_EQ(FileImage(dir.filePath(names[0])).height(), FileImage(dir.filePath(names[1])).height());
    EXPECT_LT(FileImage(dir.filePath(names[0])).width(), FileImage(dir.filePath(names[1])).width());
}

TEST(RenderProcess, APicketRangeWithBoreholesIsTheWindowsSectionOfThoseRows)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("range.png"));
    QStringList args{QStringLiteral("--table"),       Q(kSurvey),           QStringLiteral("--recalc-pickets"),
                     QStringLiteral("--boreholes"),   Q(kBoreholes),        QStringLiteral("--range"),
                     QStringLiteral("pk:125..131.5"), QStringLiteral("-o"), out};
    args << kLayerArgs;
    const Outcome run = RunRender(args);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    ExampleSurvey survey;
    // Picket 125 is row 42, 131.5 row 172.
    ASSERT_EQ(survey.doc.depthTable().cell(1, 42), "125");
    ASSERT_EQ(survey.doc.depthTable().cell(1, 172), "131.5");
    const QImage expected = WindowSection(survey.doc, ExampleLayers(), SectionParams{}, 42, 172, true);
    const QImage actual = FileImage(out);
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected);
    // The boreholes are really there: without them the picture differs.
    EXPECT_FALSE(actual == WindowSection(survey.doc, ExampleLayers(), SectionParams{}, 42, 172, false));
}

TEST(RenderProcess, BoreholesNoCoordinateHoldsAreLeftOffTheSheet)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The example's boreholes and two more: one at picket 1e300, one 1e300 cm deep.
    QFile example(Q(kBoreholes));
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    const QString far = dir.filePath(QStringLiteral("far.txt"));
    QFile farFile(far);
    ASSERT_TRUE(farFile.open(QIODevice::WriteOnly));
    farFile.write(example.readAll() + QByteArray("1e300\tfar\tX\t\t250\r\n127\tdeep\tX\t\t1e300\r\n"));
    farFile.close();
    const auto render = [&](const QString& boreholes, const QString& out) {
        QStringList args{QStringLiteral("--table"),
                         Q(kSurvey),
                         QStringLiteral("--recalc-pickets"),
                         QStringLiteral("--boreholes"),
                         boreholes,
                         QStringLiteral("--range"),
                         QStringLiteral("pk:125..131.5"),
                         QStringLiteral("-o"),
                         out};
        args << kLayerArgs;
        return RunRender(args);
    };
    const QString withFar = dir.filePath(QStringLiteral("far.png"));
    const Outcome run = render(far, withFar);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString plain = dir.filePath(QStringLiteral("plain.png"));
    ASSERT_EQ(render(Q(kBoreholes), plain).exitCode, 0);
    EXPECT_TRUE(FileImage(withFar) == FileImage(plain));
}

TEST(RenderProcess, TheExtensionChoosesTheFormatWithOrWithoutAPlatformGiven)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ExampleSurvey survey;
    const QImage expected = WindowSection(survey.doc, ExampleLayers(), SectionParams{}, 2, 402, false);
    struct Case {
        const char* name;
        QByteArray magic;
    };
    const Case cases[] = {{"s.pdf", QByteArray("%PDF-")},
                          {"s.svg", QByteArray("<?xml")},
                          {"s.JPG", QByteArray("\xFF\xD8\xFF", 3)},
                          {"s.bmp", QByteArray("BM")}};
    for (const Case& c : cases) {
        const QString out = dir.filePath(QString::fromLatin1(c.name));
        QStringList args{QStringLiteral("--table"), Q(kSurvey), QStringLiteral("--recalc-pickets"),
                         QStringLiteral("-o"), out};
        args << kLayerArgs;
        // The renderer picks the offscreen platform itself when none is set.
        const Outcome run = RunRender(args, false);
        ASSERT_EQ(run.exitCode, 0) << c.name << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        EXPECT_EQ(Head(out, static_cast<int>(c.magic.size())), c.magic) << c.name;
    }
    QFile svg(dir.filePath(QStringLiteral("s.svg")));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QByteArray svgText = svg.readAll();
    EXPECT_TRUE(svgText.contains("<svg"));
    EXPECT_TRUE(svgText.contains("ПК123+00")) << "texts stay texts";
    EXPECT_TRUE(FileImage(dir.filePath(QStringLiteral("s.bmp"))) == expected);
    EXPECT_EQ(FileImage(dir.filePath(QStringLiteral("s.JPG"))).size(), expected.size());
}

// A workspace as the window saves it after the tour: three layers, the middle one hatched, a
// narrower scale, the boreholes drawn and two annotation steps.
std::string SaveExampleWorkspace(const QTemporaryDir& dir)
{
    ExampleSurvey survey;
    SurveyDocument& doc = survey.doc;
    for (int col : {3, 4, 5}) {
        doc.select(col, 2);
        doc.addLayer();
    }
    doc.layers().select(doc.layers().Layers(1).Item);
    doc.setSelectedLayerStyle(SurveyDocument::Style::BrushStyle, 4);
    doc.setSelectedLayerStyle(SurveyDocument::Style::BrushColor, 0xA06020);
    SectionParams params = doc.sectionParams();
    params.SX = 120;
    params.Dmax = 320;
    doc.setSectionParams(params);
    SectionScene::Saved section;
    section.drawn = true;
    section.boreholesDrawn = true;
    section.soilFont = FontState{};
    section.soilFont.size = 14;
    WorkspaceMark label;
    label.kind = WorkspaceMark::Kind::Text;
    label.font = section.soilFont;
    label.a = {300, 140};
    label.text = "Песок";
    WorkspaceMark stroke;
    stroke.pen.width = 2;
    stroke.pen.color = 0x0000FF;
    stroke.a = {200, 120};
    stroke.b = {420, 200};
    section.annotations = {WorkspaceAnnotation{"Подпись грунта", {label}}, WorkspaceAnnotation{"Карандаш", {stroke}}};
    doc.section().restore(section);
    const std::string path = dir.filePath(QStringLiteral("line.trassel")).toStdString();
    SaveWorkspace(path, doc);
    return path;
}

// What the window's "open" shows for a workspace: the soil font on the canvas, the section over
// the workspace's range (or `first` .. `last`), the boreholes, the annotations (on the workspace's
// own picture only: not over other rows, not at another horizontal scale).
QImage WindowWorkspaceSection(const std::string& path, int first = 0, int last = 0, int scaleX = 0)
{
    LoadedWorkspace loaded = LoadWorkspace(path);
    SurveyDocument& doc = *loaded.document;
    std::vector<SectionLayer> layers;
    for (int slot = 0; slot < doc.layers().LayerCount(); ++slot) {
        const TLayer& l = doc.layers().Layers(slot);
        layers.push_back(SectionLayer{l.PicketColumn, l.DepthColumn, l.LineWidth, l.LineColor, l.BrushColor,
                                      l.BrushStyle, doc.layers().isChecked(l.Item)});
    }
    SectionParams params = doc.sectionParams();
    if (first != 0) {
        params.FirstDataRow = first;
        params.LastDataRow = last;
    }
    if (scaleX != 0)
        params.SX = scaleX;
    const bool whole = first == 0 && scaleX == 0;
    DrawingRecord record(kSectionStartWidth, kSectionStartHeight);
    QtCanvasServices services;
    RecordingCanvas canvas(record, services);
    const SectionScene::Saved saved = doc.section().saved();
    canvas.setFont(saved.soilFont);
    PlotRazrezPoligon(canvas, doc.sectionState(), doc.depthTable(), params, layers);
    record.compact();
    PlotSkv(canvas, doc.depthTable(), doc.boreholeTable(), params, doc.settings().picketColumnText);
    if (whole)
        DrawAnnotations(saved.annotations, canvas, 1);
    return RenderRecord(record).convertToFormat(QImage::Format_RGB32);
}

TEST(RenderProcess, AWorkspaceIsDrawnAsTheWindowOpensItAndCutIntoSheetsWithoutItsAnnotations)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string workspace = SaveExampleWorkspace(dir);
    const QString out = dir.filePath(QStringLiteral("whole.png"));
    const Outcome run = RunRender({QStringLiteral("--workspace"), Q(workspace), QStringLiteral("-o"), out});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage expected = WindowWorkspaceSection(workspace);
    const QImage actual = FileImage(out);
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected);
    // The annotations are part of it: the first sheet, drawn without them, differs there.
    EXPECT_EQ(expected.pixel(310, 160), QColor(Qt::red).rgb()) << "the pencil stroke";

    const Outcome sheets = RunRender({QStringLiteral("--workspace"), Q(workspace), QStringLiteral("--sheet"),
                                      QStringLiteral("10"), QStringLiteral("-o"),
                                      dir.filePath(QStringLiteral("ws.png"))});
    ASSERT_EQ(sheets.exitCode, 0) << sheets.err.toStdString();
    // The last row alone at km 14.300 joins the second sheet.
    EXPECT_EQ(sheets.out.count(u'\n'), 2);
    const QImage first = FileImage(dir.filePath(QStringLiteral("ws-01_km12.300-13.295.png")));
    const QImage expectedFirst = WindowWorkspaceSection(workspace, 2, 201);
    // The sheet is the window's section with the frame (legend, title block) under it.
    ASSERT_EQ(first.width(), expectedFirst.width());
    ASSERT_GT(first.height(), expectedFirst.height());
    EXPECT_TRUE(first.copy(0, 0, expectedFirst.width(), expectedFirst.height()) == expectedFirst);
    EXPECT_FALSE(first.copy(0, 0, 600, 300) == expected.copy(0, 0, 600, 300));

    // The command line's parameters go over the workspace's.
    const QString wide = dir.filePath(QStringLiteral("wide.png"));
    const Outcome scaled = RunRender({QStringLiteral("--workspace"), Q(workspace), QStringLiteral("--scale-x"),
                                      QStringLiteral("200"), QStringLiteral("-o"), wide});
    ASSERT_EQ(scaled.exitCode, 0) << scaled.err.toStdString();
    const QImage expectedWide = WindowWorkspaceSection(workspace, 0, 0, 200);
    ASSERT_EQ(FileImage(wide).size(), expectedWide.size());
    EXPECT_TRUE(FileImage(wide) == expectedWide);
    EXPECT_GT(expectedWide.width(), expected.width());

    // Table options do not apply to a workspace; a damaged workspace gives the reader's one line.
    const Outcome mixed = RunRender({QStringLiteral("--workspace"), Q(workspace), QStringLiteral("--layer"),
                                     QStringLiteral("3"), QStringLiteral("-o"), out});
    EXPECT_NE(mixed.exitCode, 0);
    EXPECT_EQ(mixed.err.count(u'\n'), 1);
    const QString damaged = dir.filePath(QStringLiteral("damaged.trassel"));
    {
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QFile whole(Q(workspace));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        file.write(whole.readAll().left(200));
    }
    const Outcome broken = RunRender({QStringLiteral("--workspace"), damaged, QStringLiteral("-o"), out});
    EXPECT_NE(broken.exitCode, 0);
    EXPECT_EQ(broken.err.toStdString(), errorText([&] { LoadWorkspace(damaged.toStdString()); }) + "\n");
}

TEST(RenderProcess, MissingOutputFoldersAreMade)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString single = dir.filePath(QStringLiteral("разрезы/2026/s.png"));
    Outcome run = RunRender({QStringLiteral("--table"), Q(kSurvey), QStringLiteral("--layer"), QStringLiteral("3"),
                             QStringLiteral("-o"), single});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(FileImage(single).width() > 0);
    const QString sheets = dir.filePath(QStringLiteral("листы/s.pdf"));
    run = RunRender({QStringLiteral("--table"), Q(kSurvey), QStringLiteral("--recalc-pickets"),
                     QStringLiteral("--layer"), QStringLiteral("3"), QStringLiteral("--sheet"), QStringLiteral("10"),
                     QStringLiteral("-o"), sheets});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_GE(QDir(dir.filePath(QStringLiteral("листы"))).entryList(QDir::Files).size(), 2);
}

TEST(RenderProcess, HelpListsEveryOptionAndEveryErrorIsOneLineAndNoFile)
{
    const Outcome help = RunRender({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.err.isEmpty());
    for (const char* option : {"--table", "--workspace", "--layer", "--sheet", "--range", "--output", "--boreholes"})
        EXPECT_TRUE(help.out.contains(QLatin1String(option))) << option;
    EXPECT_TRUE(help.out.contains(QStringLiteral("недостающие папки пути создаются")));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("s.png"));
    const QString notNumber = dir.filePath(QStringLiteral("bad.txt"));
    {
        QFile file(notNumber);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("PK\tD\r\n1\t20\r\nabc\t30\r\n");
    }
    const std::string missing = dir.filePath(QStringLiteral("missing.txt")).toStdString();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("kept")));
    const QString readOnly = dir.filePath(QStringLiteral("kept/sheet.png"));
    {
        QFile file(readOnly);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the old sheet");
    }
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
#ifndef _WIN32
    const QString fifo = dir.filePath(QStringLiteral("kept/pipe.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
#endif
    struct Case {
        QStringList args;
        std::string message;
    };
    const QString table = QStringLiteral("--table");
    const QString layer = QStringLiteral("--layer");
    const QString three = QStringLiteral("3");
    const QString o = QStringLiteral("-o");
    const std::vector<Case> cases = {
        // The system's reasons in Russian, whatever its language.
        {{table, Q(missing), layer, three, o, out},
         "Не удалось открыть файл \"" + missing + "\": нет такого файла или папки"},
        {{table, Q(dir.path().toStdString()), layer, three, o, out},
         "Не удалось открыть файл \"" + dir.path().toStdString() + "\": это папка, а не файл"},
        {{table, Q(kSurvey), layer, three, o, out, QStringLiteral("--frobnicate")},
         "Неизвестный параметр \"--frobnicate\" (параметры см. trassel-render --help)"},
        {{table, Q(kSurvey), QStringLiteral("--recalc-pickets"), layer, three, QStringLiteral("--range"),
          QStringLiteral("pk:500..600"), o, out},
         "В диапазоне пикетов 500..600 нет ни одной строки таблицы"},
        // The window's own text for a picket that is not a number.
        {{table, notNumber, layer, QStringLiteral("2"), o, out}, errorText([] { ReadStrict("abc"); })},
        {{QStringLiteral("--diagram")},
         "Диаграмма строится только в окне Trassel (Диаграмма → Экспорт диаграммы); trassel-render рисует разрез"},
        // A missing folder is made; a file where it should be is named.
        {{table, Q(kSurvey), layer, three, o, dir.filePath(QStringLiteral("bad.txt/sheets/s.png"))},
         "Не удалось создать папку \"" + dir.filePath(QStringLiteral("bad.txt/sheets")).toStdString() + "\": \"" +
             notNumber.toStdString() + "\" — это файл, а не папка"},
        // No one to ask: a read-only sheet stays as it was.
        {{table, Q(kSurvey), layer, three, o, readOnly}, "Файл защищён от записи: " + readOnly.toStdString()},
#ifndef _WIN32
        // Not a file to replace: the FIFO stays one (and a link to a device would name the device).
        {{table, Q(kSurvey), layer, three, o, fifo},
         "Не удалось записать файл \"" + fifo.toStdString() + "\": это не обычный файл"},
#endif
    };
    for (const Case& c : cases) {
        const Outcome run = RunRender(c.args);
        EXPECT_NE(run.exitCode, 0) << c.message;
        EXPECT_EQ(run.err.toStdString(), c.message + "\n");
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
    // Only the table written by the test: a failed run leaves nothing behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("bad.txt")});
    QFile kept(readOnly);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("the old sheet"));
    kept.close();
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#ifndef _WIN32
    EXPECT_EQ(QDir(dir.path() + QStringLiteral("/kept"))
                  .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)
                  .size(),
              2);
#endif
}

TEST(RenderProcess, RadargramInfoPrintsOneFactALineAndAFaultAsOneRussianLine)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    test::DztLayout layout;
    layout.channels = 2;
    layout.traces = 12;
    layout.samples = 32;
    layout.flagged = {3, 9};
    const QString dzt = dir.filePath(QStringLiteral("линия 1.dzt"));
    {
        QFile file(dzt);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const std::string bytes = test::WriteDzt(layout);
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    // No platform in the environment: describing a file needs no display.
    const Outcome info = RunRender({QStringLiteral("--radargram"), dzt, QStringLiteral("--info")}, false);
    EXPECT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_EQ(info.out.toStdString(), "format: DZT\nchannels: 2\ntraces: 12\nsamples: 32\ntime_window_ns: 50\n"
                                      "sample_bits: 16\nstep_m: 0.1\nmarks: 2\npermittivity: 6.25\n");
    EXPECT_TRUE(info.err.isEmpty()) << info.err.toStdString();

    // A file cut short: the whole traces are described, the cut one told on stderr.
    QFile::resize(dzt, QFileInfo(dzt).size() - 7);
    const Outcome cut = RunRender({QStringLiteral("--radargram"), dzt, QStringLiteral("--info")});
    EXPECT_EQ(cut.exitCode, 0);
    EXPECT_TRUE(cut.out.contains(QStringLiteral("traces: 11\n")));
    EXPECT_TRUE(cut.err.startsWith(QStringLiteral("Предупреждение: Файл «"))) << cut.err.toStdString();

    // A damaged file: status 1, nothing on stdout, one line naming the file.
    QFile::resize(dzt, 600);
    const Outcome damaged = RunRender({QStringLiteral("--radargram"), dzt, QStringLiteral("--info")});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_TRUE(damaged.out.isEmpty());
    EXPECT_EQ(damaged.err.toStdString(), "Файл «" + dzt.toStdString() + "»: заголовок обрезан (600 байт из 1024)\n");

    const Outcome missing = RunRender(
        {QStringLiteral("--radargram"), dir.filePath(QStringLiteral("нет.dzt")), QStringLiteral("--info")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_EQ(missing.err.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("нет.dzt"))) << missing.err.toStdString();
}

// The thickness report in batch is the document's: the same tables from a table with norms on
// the command line and from the project that keeps those norms.
TEST(RenderProcess, TheReportOfATableAndOfAProjectAreTheDocumentsTables)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ExampleSurvey survey;
    SurveyDocument& doc = survey.doc;
    for (const int col : {3, 4}) {
        doc.select(col, 2);
        doc.addLayer();
    }
    DesignNorms norms;
    norms.stretches = {{0, 13'500, 1, Sleeper::Concrete}, {13'500.001, 30'000, 3, Sleeper::Wooden}};
    norms.layers = {{4, "", 20.0}};
    norms.toleranceCm = 2;
    norms.minLengthM = 10;
    norms.joinGapM = 5;
    doc.setNorms(norms);
    const Compliance& c = doc.compliance();
    std::size_t stretches = 0;
    for (const LayerCompliance& l : c.layers)
        stretches += l.stretches.size();
    ASSERT_GT(stretches, 0u); // the example has thin ballast somewhere, or the check below is idle

    const QString fromTable = dir.filePath(QStringLiteral("из таблицы"));
    const Outcome run = RunRender({QStringLiteral("--table"),
                                   Q(kSurvey),
                                   QStringLiteral("--recalc-pickets"),
                                   QStringLiteral("--layer"),
                                   QStringLiteral("3"),
                                   QStringLiteral("--layer"),
                                   QStringLiteral("4"),
                                   QStringLiteral("--norm-stretch"),
                                   QStringLiteral("0..135+00:class=1:sleeper=concrete"),
                                   QStringLiteral("--norm-stretch"),
                                   QStringLiteral("135.00001..300+00:class=3:sleeper=wooden"),
                                   QStringLiteral("--layer-norm"),
                                   QStringLiteral("4=20"),
                                   QStringLiteral("--tolerance"),
                                   QStringLiteral("2"),
                                   QStringLiteral("--min-length"),
                                   QStringLiteral("10"),
                                   QStringLiteral("--join-gap"),
                                   QStringLiteral("5"),
                                   QStringLiteral("--report"),
                                   fromTable});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // The workbook, the four CSV files and the PDF beside them.
    EXPECT_EQ(run.out.count(QLatin1Char('\n')), 6) << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith(fromTable + QStringLiteral("/Отчёт.pdf\n"))) << run.out.toStdString();
    // Title, contents, the three text parts and the example's two kilometres.
    EXPECT_GE(test::PdfPageCount(fromTable + QStringLiteral("/Отчёт.pdf")), 7);
    for (const ReportTable& t : ReportTables(c, doc.norms(), "survey_depths.txt")) {
        const FileBytes bytes = ReadWholeFile((fromTable.toStdString() + "/" + t.file));
        EXPECT_EQ(std::string(bytes.data.get(), bytes.size), CsvText(t)) << t.file;
    }

    const std::string project = dir.filePath(QStringLiteral("линия.trassel")).toStdString();
    SaveWorkspace(project, doc);
    const QString fromProject = dir.filePath(QStringLiteral("из проекта"));
    const Outcome again = RunRender(
        {QStringLiteral("--workspace"), Q(project), QStringLiteral("--report"), fromProject});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(test::PdfPageCount(fromProject + QStringLiteral("/Отчёт.pdf")),
              test::PdfPageCount(fromTable + QStringLiteral("/Отчёт.pdf")));
    for (const ReportTable& t : ReportTables(c, doc.norms(), "линия.trassel")) {
        const FileBytes bytes = ReadWholeFile((fromProject.toStdString() + "/" + t.file));
        EXPECT_EQ(std::string(bytes.data.get(), bytes.size), CsvText(t)) << t.file;
    }

    // A refusal: status 1, one line, no folder made.
    const QString refused = dir.filePath(QStringLiteral("нет"));
    const Outcome bad = RunRender({QStringLiteral("--workspace"), Q(project), QStringLiteral("--tolerance"),
                                   QStringLiteral("-1"), QStringLiteral("--report"), refused});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.err.toStdString(), "Параметр --tolerance: значение не может быть отрицательным\n");
    EXPECT_FALSE(QFileInfo::exists(refused));
}

TEST(RenderProcess, ARadargramIsDrawnThroughTheWindowsSceneAndAFileThatCannotBeReadWritesNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    test::DztLayout layout;
    layout.traces = 500;
    layout.samples = 64;
    layout.flagged = {100, 400};
    const QString dzt = dir.filePath(QStringLiteral("линия 2.dzt"));
    {
        QFile file(dzt);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const std::string bytes = test::WriteDzt(layout);
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    const QString png = dir.filePath(QStringLiteral("листы/r.png"));
    const Outcome drawn = RunRender({QStringLiteral("--radargram"), dzt, QStringLiteral("-o"), png});
    ASSERT_EQ(drawn.exitCode, 0) << drawn.err.toStdString();
    EXPECT_EQ(drawn.out, png + QLatin1Char('\n'));
    const QImage picture(png);
    ASSERT_FALSE(picture.isNull());
    // All 500 traces across, the time window on at least 300 rows, the scales around them.
    using M = RadargramMargins;
    EXPECT_EQ(picture.size(), QSize(M::kLeft + 500 + M::kRight, M::kTop + 300 + M::kBottom));

    // The same scene drawn here, as the page draws it, gives the same pixels.
    const std::string path = dzt.toStdString();
    std::unique_ptr<RadargramReader> reader = OpenRadargram(path);
    const RadargramModel model = ModelOfFile(path, reader->info(), MeanTrace(*reader, 0), RadargramDisplay{});
    RadargramScene scene;
    scene.setModel(model, std::move(reader));
    scene.setSize(picture.width(), picture.height());
    ImageCanvas canvas(picture.width(), picture.height());
    scene.draw(canvas);
    EXPECT_EQ(canvas.image().convertToFormat(QImage::Format_RGB32), picture.convertToFormat(QImage::Format_RGB32));

    // Registered and shown as a project says: its ties, time zero, permittivity and display.
    SurveyDocument doc;
    doc.openRadargramFile(path);
    doc.addRadargramTie({100, 123});
    doc.addRadargramTie({400, 126});
    doc.setRadargramPermittivity(9.0);
    RadargramDisplay display;
    display.gain = GainKind::Exponential;
    display.gainValue = 0.5;
    display.colors = ColorMap::Diverging;
    doc.setRadargramDisplay(display);
    const QString project = dir.filePath(QStringLiteral("line.trassel"));
    SaveWorkspace(project.toStdString(), doc);
    const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
    const QString tiedPng = dir.filePath(QStringLiteral("tied.png"));
    for (const QString& out : {pdf, tiedPng}) {
        const Outcome tied = RunRender(
            {QStringLiteral("--radargram"), dzt, QStringLiteral("--workspace"), project, QStringLiteral("-o"), out});
        ASSERT_EQ(tied.exitCode, 0) << tied.err.toStdString();
    }
    EXPECT_TRUE(QFile(pdf).open(QIODevice::ReadOnly));
    RadargramScene tiedScene;
    tiedScene.setModel(doc.radargramModel());
    tiedScene.setSize(picture.width(), picture.height());
    ImageCanvas tiedCanvas(picture.width(), picture.height());
    tiedScene.draw(tiedCanvas);
    const QImage tiedPicture(tiedPng);
    EXPECT_EQ(tiedCanvas.image().convertToFormat(QImage::Format_RGB32),
              tiedPicture.convertToFormat(QImage::Format_RGB32));
    EXPECT_NE(tiedPicture.convertToFormat(QImage::Format_RGB32), picture.convertToFormat(QImage::Format_RGB32));
    // A project without a radargram has nothing to register it with.
    const QString empty = dir.filePath(QStringLiteral("empty.trassel"));
    SaveWorkspace(empty.toStdString(), SurveyDocument{});
    const Outcome bare = RunRender(
        {QStringLiteral("--radargram"), dzt, QStringLiteral("--workspace"), empty, QStringLiteral("-o"), tiedPng});
    EXPECT_EQ(bare.exitCode, 1);
    EXPECT_TRUE(bare.err.contains(QStringLiteral("нет радарограммы прибора"))) << bare.err.toStdString();

    // A damaged file and a missing one: status 1, one line naming the file, no picture.
    const QString broken = dir.filePath(QStringLiteral("broken.dzt"));
    QFile::copy(dzt, broken);
    QFile::resize(broken, 600);
    const QString none = dir.filePath(QStringLiteral("none.png"));
    for (const QString& input : {broken, dir.filePath(QStringLiteral("нет.dzt"))}) {
        SCOPED_TRACE(input.toStdString());
        const Outcome failed = RunRender({QStringLiteral("--radargram"), input, QStringLiteral("-o"), none});
        EXPECT_EQ(failed.exitCode, 1);
        EXPECT_TRUE(failed.out.isEmpty());
        EXPECT_EQ(failed.err.count(QLatin1Char('\n')), 1);
        EXPECT_TRUE(failed.err.contains(QFileInfo(input).fileName())) << failed.err.toStdString();
        EXPECT_FALSE(QFile::exists(none));
    }
}

TEST(RenderProcess, RadargramSheetsShowTheBoundariesPerKilometreAsTheCoreDrawsThem)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ExampleSurvey survey;
    SurveyDocument& doc = survey.doc;
    for (const int column : {3, 4, 5}) {
        doc.select(column, 2);
        doc.addLayer();
    }
    const std::string dzt = TRASSEL_SOURCE_DIR "/examples/survey_radargram.dzt";
    doc.openRadargramFile(dzt);
    doc.setRadargramTies({{20, 123}, {1980, 143}});
    const QString project = dir.filePath(QStringLiteral("line.trassel"));
    SaveWorkspace(project.toStdString(), doc);

    const QString folder = dir.filePath(QStringLiteral("листы"));
    const Outcome drawn = RunRender(
        {QStringLiteral("--workspace"), project, QStringLiteral("--radargram-sheets"), folder});
    ASSERT_EQ(drawn.exitCode, 0) << drawn.err.toStdString();
    // The file reaches from before picket 123 to 143: two kilometre sheets from the range's start.
    const QString first = folder + QStringLiteral("/radargram-01_km12.300-13.300.png");
    const QString second = folder + QStringLiteral("/radargram-02_km13.300-14.300.png");
    EXPECT_EQ(drawn.out, first + QLatin1Char('\n') + second + QLatin1Char('\n'));

    // The first sheet is the scene over its traces with the boundaries the core draws over it.
    const RadargramModel& model = doc.radargramModel();
    const std::vector<RadargramSheet> sheets = PlanRadargramSheets(model, 123, 143, 10);
    ASSERT_EQ(sheets.size(), 2u);
    const QImage sheet = FileImage(first);
    ASSERT_FALSE(sheet.isNull());
    RadargramScene scene;
    scene.setModel(model);
    scene.setSize(sheet.width(), sheet.height());
    const double across = scene.plotWidth();
    scene.setView({sheets[0].firstTrace, sheets[0].traceCount / across, 0, 256.0 / scene.plotHeight()});
    ImageCanvas canvas(sheet.width(), sheet.height());
    scene.draw(canvas);
    const QImage bare = canvas.image().convertToFormat(QImage::Format_RGB32);
    DrawRadargramBoundaries(canvas, scene, doc.depthTable(), doc.firstDataRow(), doc.lastDataRow(),
                            OverlayLayersOf(doc.layers()));
    const QImage withoutBoreholes = canvas.image().convertToFormat(QImage::Format_RGB32);
    DrawBoreholes(canvas, PlacementOf(scene), BoreholesOf(doc.boreholeTable()));
    EXPECT_EQ(canvas.image().convertToFormat(QImage::Format_RGB32), sheet);
    // The boreholes stand on the first kilometre's sheet (at pickets 123.6 … 131.2).
    EXPECT_NE(withoutBoreholes, sheet);
    // The boundaries are there: three lines across the sheet in colours the grey picture lacks.
    int coloured = 0;
    for (int y = 0; y < sheet.height(); ++y)
        for (int x = RadargramMargins::kLeft; x < sheet.width() - RadargramMargins::kRight; ++x) {
            const QRgb p = sheet.pixel(x, y);
            if (p != bare.pixel(x, y) && !(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)))
                ++coloured;
        }
    EXPECT_GT(coloured, 3 * static_cast<int>(across));

    // PDF by the name given; a project without a radargram is refused in one line.
    const QString pdfBase = dir.filePath(QStringLiteral("pdf/r.pdf"));
    const Outcome pdf = RunRender(
        {QStringLiteral("--workspace"), project, QStringLiteral("--radargram-sheets"), pdfBase});
    ASSERT_EQ(pdf.exitCode, 0) << pdf.err.toStdString();
    EXPECT_EQ(Head(dir.filePath(QStringLiteral("pdf/r-01_km12.300-13.300.pdf")), 4), QByteArray("%PDF"));
    const QString empty = dir.filePath(QStringLiteral("empty.trassel"));
    SaveWorkspace(empty.toStdString(), SurveyDocument{});
    const Outcome bare2 = RunRender(
        {QStringLiteral("--workspace"), empty, QStringLiteral("--radargram-sheets"), folder});
    EXPECT_EQ(bare2.exitCode, 1);
    EXPECT_TRUE(bare2.err.contains(QStringLiteral("нет радарограммы прибора"))) << bare2.err.toStdString();
}

} // namespace
} // namespace trassel
