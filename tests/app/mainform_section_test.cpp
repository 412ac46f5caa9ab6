#include "app/mainform.h"
#include "base/error.h"
#include "section/qt/section_page.h"
#include "support/controls.h"
#include "widgets/style_controls.h"
#include "example_survey.h"
#include "layers/qt/layer_manager_view.h"
#include "platform/qt_canvas.h"
#include "section/qt/section_view.h"
#include "table/qt/string_grid_view.h"

#include <algorithm>
#include <string>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace trassel;

namespace {

class SectionFormTest : public test::ExampleSurveyTest {
protected:
    QByteArray head(const QString& path, int n)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.read(n) : QByteArray();
    }
};

} // namespace

TEST_F(SectionFormTest, PolygonsSizeTheSectionFromTheRangeAndParametersRedraw)
{
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    // Pickets 123 .. 143 at 400 px a picket, with the margins L = 85 and R = 100.
    EXPECT_EQ(form->document().sectionWidth(), 20 * 400 + 85 + 100);
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->image().width(), form->document().sectionWidth());
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->image().height(), 355);
    EXPECT_EQ(test::Control<SectionImage>(form.get(), "imgSection")->width(), form->document().sectionWidth());
    EXPECT_EQ(test::Control<SectionImage>(form.get(), "imgSection")->height(), 355);
    // The command itself does not switch pages.
    EXPECT_EQ(test::Control<QTabWidget>(form.get(), "PageControl1")->currentWidget(),
              test::Control(form.get(), "ТаблицаГлубин"));
    // Left of the first picket the section stays white (the fill opens at the first picket).
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->image().pixel(40, 200) & 0xFFFFFF, 0xFFFFFFu);

    test::Control<QSpinBox>(form.get(), "sedH")->stepUp();
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "sedH")->value(), 60);
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->image().height(), 360);
    test::Control<QSpinBox>(form.get(), "seISSO")
        ->setValue(300); // not a section parameter of the drawing: nothing redraws
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->image().height(), 360);
    test::Control<QSpinBox>(form.get(), "sedH")->setValue(500);
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "sedH")->value(), 150);
}

TEST_F(SectionFormTest, LineCommandShowsTheSectionPageWithoutMovingTheParameters)
{
    test::Action(form.get(), "acnPlotRazrezLine")->trigger();
    EXPECT_EQ(test::Control<QTabWidget>(form.get(), "PageControl1")->currentWidget(),
              test::Control(form.get(), "Разрез"));
    EXPECT_EQ(test::Control<QTabWidget>(form.get(), "PageControl2")->currentWidget(),
              test::Control(form.get(), "scrbxPropertiesTable"));
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->image().width(), 200);
    EXPECT_EQ(test::Control<SectionImage>(form.get(), "imgSection")->width(), 200);
}

TEST_F(SectionFormTest, StyleControlsWriteTheSelectedLayerOnly)
{
    selectLayerOfColumn(4);
    EXPECT_EQ(test::Control<QGroupBox>(form.get(), "grbLayerProperties")->title(), QStringLiteral("Свойства (Слой 1)"));
    const EntryId sand = test::Control<LayerManagerView>(form.get(), "lwLayerManager")->entryAtRow(1);
    test::Control<QSpinBox>(form.get(), "seLineWidth")->setValue(5);
    EXPECT_EQ(form->document().layers().recordOf(sand)->LineWidth, 5);
    for (int slot = 0; slot < 3; ++slot) {
        if (form->document().layers().Layers(slot).Item != sand) {
            EXPECT_EQ(form->document().layers().Layers(slot).LineWidth, 3);
        }
    }
    test::Control<BrushStyleBox>(form.get(), "cmbBrushStyle")->setCurrentIndex(1); // "нет заливки"
    EXPECT_EQ(form->document().layers().recordOf(sand)->BrushStyle, 1);
    test::Control<ColorBox>(form.get(), "clbBrushColor")->setColor(0x00FFFF);
    EXPECT_EQ(form->document().layers().recordOf(sand)->BrushColor, 0x00FFFFu);
    // Each of these redrew the section.
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->image().width(), form->document().sectionWidth());
    EXPECT_GT(form->document().sectionWidth(), 1000);

    // The diagram colour rebuilds the diagram only; the other styles redraw the section, then the diagram.
    // What the document's rules redrew, in order: 's' the section, 'd' the diagram.
    std::string redrawn;
    const Subscription counting = form->document().subscribe([&](const DocumentChange& c) {
        if (c.what == DocumentChange::What::SectionPicture)
            redrawn += 's';
        if (c.what == DocumentChange::What::DiagramBuilt)
            redrawn += 'd';
    });
    const auto sections = [&] { return std::count(redrawn.begin(), redrawn.end(), 's'); };
    const auto diagrams = [&] { return std::count(redrawn.begin(), redrawn.end(), 'd'); };
    test::Control<ColorBox>(form.get(), "clbLineColor")->setColor(0x0000FF);
    EXPECT_EQ(redrawn, "sd");
    test::Control<ColorBox>(form.get(), "clbColorOfSeriesPoint")->setColor(0x0000FF);
    EXPECT_EQ(sections(), 1);
    EXPECT_EQ(diagrams(), 2);
    EXPECT_EQ(form->document().layers().recordOf(sand)->PointColor, 0x0000FFu);
    EXPECT_EQ(form->document().chart().series(form->document().layers().recordOf(sand)->Series).color(), 0x0000FFu);

    // Selecting another layer shows its values and changes nothing, nor draws anything.
    selectLayerOfColumn(3);
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "seLineWidth")->value(), 3);
    EXPECT_EQ(form->document().layers().recordOf(sand)->LineWidth, 5);
    EXPECT_EQ(sections(), 1);

    // With no entry selected a style change writes no layer but still redraws.
    test::Control<LayerManagerView>(form.get(), "lwLayerManager")->clearSelection();
    test::Control<QSpinBox>(form.get(), "seLineWidth")->setValue(9);
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_NE(form->document().layers().Layers(slot).LineWidth, 9);
    EXPECT_EQ(sections(), 2);
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

TEST_F(SectionFormTest, ExportWritesTheFormatTheNameAsksFor)
{
    QTemporaryDir dir;
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    struct Case {
        const char* name;
        QByteArray magic;
    };
    const Case cases[] = {{"s.jpg", QByteArray("\xFF\xD8", 2)},
                          {"s.png", QByteArray("\x89PNG", 4)},
                          {"s.bmp", QByteArray("BM", 2)},
                          {"s.pdf", QByteArray("%PDF", 4)},
                          {"s.svg", QByteArray("<?xml", 5)}};
    for (const Case& c : cases) {
        services.nextSaveName = dir.filePath(QLatin1String(c.name));
        test::Action(form.get(), "acnExportDiagrammToJpg")->trigger();
        EXPECT_EQ(head(services.nextSaveName, c.magic.size()), c.magic) << c.name;
    }
    EXPECT_EQ(services.lastProposedName, QStringLiteral("ГеологическаяМодель.jpg"));
    // A 24-bit BMP: 24 bits per pixel at offset 28.
    const QByteArray bmp = head(dir.filePath(QStringLiteral("s.bmp")), 30);
    EXPECT_EQ(static_cast<unsigned char>(bmp[28]), 24);
    // The vector files are as large as the section and keep its texts as texts.
    const QByteArray svg = head(dir.filePath(QStringLiteral("s.svg")), 1 << 24);
    EXPECT_TRUE(svg.contains(QStringLiteral("viewBox=\"0 0 %1 355\"").arg(form->document().sectionWidth()).toUtf8()));
    EXPECT_TRUE(svg.contains(QStringLiteral("ПК").toUtf8()));
    const QByteArray pdf = head(dir.filePath(QStringLiteral("s.pdf")), 1 << 24);
    EXPECT_TRUE(pdf.contains("/FontDescriptor"));
    EXPECT_EQ(pdf.count("/Type /Page\n"), 1);
    services.nextSaveName = dir.filePath(QStringLiteral("no/such/dir/s.png"));
    test::Action(form.get(), "acnExportDiagrammToJpg")->trigger();
    EXPECT_EQ(services.errors.size(), 1);
}

TEST_F(SectionFormTest, PrintsTheWholeSection)
{
    QTemporaryDir dir;
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    services.printFile = dir.filePath(QStringLiteral("section.pdf"));
    test::Action(form.get(), "acnPrintImage")->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(head(services.printFile, 4), QByteArray("%PDF"));
    QFile pdf(services.printFile);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    // At the height of the page the 2 km section runs over many pages; the whole-on-one-page
    // choice of the preview gives one, and the preview keeps the choice for the next time.
    EXPECT_GT(pdf.readAll().count("/Type /Page\n") + 0, 1);
    EXPECT_EQ(services.previews, 1);
    SectionPrintOptions whole;
    whole.fit = PrintFit::WholeOnOnePage;
    services.previewOptions = whole;
    services.printFile = dir.filePath(QStringLiteral("one.pdf"));
    test::Action(form.get(), "acnPrintImage")->trigger();
    EXPECT_EQ(head(services.printFile, 1 << 24).count("/Type /Page\n"), 1);
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->printOptions().fit, PrintFit::WholeOnOnePage);
}

TEST_F(SectionFormTest, ACancelledDrawingLeavesTheFormerSectionAndItsAnnotations)
{
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    test::Control<SectionPage>(form.get(), "Разрез")->writeSoil(QPoint(120, 200), "песок");
    const QImage before = test::Control<SectionPage>(form.get(), "Разрез")->image();
    const int width = form->document().sectionWidth();
    const RecordingCanvas::Snapshot state = test::Control<SectionPage>(form.get(), "Разрез")->canvas().snapshot();

    // A wider section, cancelled half-way through its first layer (set without the redraw the
    // document would run at once, so that the drawing below is the one stopped).
    SectionParams params = form->document().sectionParams();
    params.SX = 800;
    form->document().setPicturesFollow(false);
    form->document().setSectionParams(params);
    form->document().setPicturesFollow(true);
    int calls = 0;
    test::Control<SectionPage>(form.get(), "Разрез")->plotPolygons([&](long long, long long) {
        if (++calls == 1)
            return;
        throw Cancelled();
    });
    EXPECT_EQ(calls, 2); // the second layer's start reported the cancel
    EXPECT_EQ(form->document().sectionWidth(), width);
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->image(), before);
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->canvas().pen(), state.state.pen);
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->canvas().brush(), state.state.brush);
    EXPECT_EQ(test::Control<SectionPage>(form.get(), "Разрез")->record().ops().size(), state.ops);
    // The soil label still belongs to the section shown: undoing it takes it away.
    test::Action(form.get(), "acnUndo")->trigger();
    EXPECT_NE(test::Control<SectionPage>(form.get(), "Разрез")->image(), before);
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

TEST_F(SectionFormTest, AnUnreadablePicketStopsTheDrawingWithItsMessage)
{
    form->document().depthTable().setCell(1, 10, "12+5");
    test::Action(form.get(), "acnPlotRazrezPoligon")->trigger();
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_EQ(services.errors[0], QStringLiteral("'12+5' is not a valid floating point value"));
}
