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
    form->acnPlotRazrezPoligon->trigger();
    ASSERT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
    // Pickets 123 .. 143 at 400 px a picket, with the margins L = 85 and R = 100.
    EXPECT_EQ(form->SectionWidth(), 20 * 400 + 85 + 100);
    EXPECT_EQ(form->sectionPage->image().width(), form->SectionWidth());
    EXPECT_EQ(form->sectionPage->image().height(), 355);
    EXPECT_EQ(test::Control<SectionImage>(form.get(), "imgSection")->width(), form->SectionWidth());
    EXPECT_EQ(test::Control<SectionImage>(form.get(), "imgSection")->height(), 355);
    // The command itself does not switch pages.
    EXPECT_EQ(form->PageControl1->currentWidget(), form->pageDepthTable);
    // Left of the first picket the section stays white (the fill opens at the first picket).
    EXPECT_EQ(form->sectionPage->image().pixel(40, 200) & 0xFFFFFF, 0xFFFFFFu);

    test::Control<QSpinBox>(form.get(), "sedH")->stepUp();
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "sedH")->value(), 60);
    EXPECT_EQ(form->sectionPage->image().height(), 360);
    test::Control<QSpinBox>(form.get(), "seISSO")->setValue(300); // not a section parameter of the drawing: nothing redraws
    EXPECT_EQ(form->sectionPage->image().height(), 360);
    test::Control<QSpinBox>(form.get(), "sedH")->setValue(500);
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "sedH")->value(), 150);
}

TEST_F(SectionFormTest, LineCommandShowsTheSectionPageWithoutMovingTheParameters)
{
    form->acnPlotRazrezLine->trigger();
    EXPECT_EQ(form->PageControl1->currentWidget(), form->pageSection);
    EXPECT_EQ(form->PageControl2->currentWidget(), form->pagePropTable);
    EXPECT_EQ(form->sectionPage->image().width(), 200);
    EXPECT_EQ(test::Control<SectionImage>(form.get(), "imgSection")->width(), 200);
}

TEST_F(SectionFormTest, StyleControlsWriteTheSelectedLayerOnly)
{
    selectLayerOfColumn(4);
    EXPECT_EQ(test::Control<QGroupBox>(form.get(), "grbLayerProperties")->title(), QStringLiteral("Свойства (Слой 1)"));
    const EntryId sand = test::Control<LayerManagerView>(form.get(), "lwLayerManager")->entryAtRow(1);
    test::Control<QSpinBox>(form.get(), "seLineWidth")->setValue(5);
    EXPECT_EQ(form->LayerData.recordOf(sand)->LineWidth, 5);
    for (int slot = 0; slot < 3; ++slot) {
        if (form->LayerData.Layers(slot).Item != sand) {
            EXPECT_EQ(form->LayerData.Layers(slot).LineWidth, 3);
        }
    }
    test::Control<BrushStyleBox>(form.get(), "cmbBrushStyle")->setCurrentIndex(1); // "нет заливки"
    EXPECT_EQ(form->LayerData.recordOf(sand)->BrushStyle, 1);
    test::Control<ColorBox>(form.get(), "clbBrushColor")->setColor(0x00FFFF);
    EXPECT_EQ(form->LayerData.recordOf(sand)->BrushColor, 0x00FFFFu);
    // Each of these redrew the section.
    EXPECT_EQ(form->sectionPage->image().width(), form->SectionWidth());
    EXPECT_GT(form->SectionWidth(), 1000);

    // The diagram colour rebuilds the diagram only; the other styles redraw the section, then the diagram.
    QSignalSpy sections(form->acnPlotRazrezPoligon, &QAction::triggered);
    QSignalSpy diagrams(form->acnBuildChart, &QAction::triggered);
    test::Control<ColorBox>(form.get(), "clbLineColor")->setColor(0x0000FF);
    EXPECT_EQ(sections.count(), 1);
    EXPECT_EQ(diagrams.count(), 1);
    test::Control<ColorBox>(form.get(), "clbColorOfSeriesPoint")->setColor(0x0000FF);
    EXPECT_EQ(sections.count(), 1);
    EXPECT_EQ(diagrams.count(), 2);
    EXPECT_EQ(form->LayerData.recordOf(sand)->PointColor, 0x0000FFu);
    EXPECT_EQ(form->ChartData.series(form->LayerData.recordOf(sand)->Series).color(), 0x0000FFu);

    // Selecting another layer shows its values and changes nothing, nor draws anything.
    selectLayerOfColumn(3);
    EXPECT_EQ(test::Control<QSpinBox>(form.get(), "seLineWidth")->value(), 3);
    EXPECT_EQ(form->LayerData.recordOf(sand)->LineWidth, 5);
    EXPECT_EQ(sections.count(), 1);

    // With no entry selected a style change writes no layer but still redraws.
    test::Control<LayerManagerView>(form.get(), "lwLayerManager")->clearSelection();
    test::Control<QSpinBox>(form.get(), "seLineWidth")->setValue(9);
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_NE(form->LayerData.Layers(slot).LineWidth, 9);
    EXPECT_EQ(sections.count(), 2);
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

TEST_F(SectionFormTest, ExportWritesTheFormatTheNameAsksFor)
{
    QTemporaryDir dir;
    form->acnPlotRazrezPoligon->trigger();
    struct Case { const char* name; QByteArray magic; };
    const Case cases[] = {{"s.jpg", QByteArray("\xFF\xD8", 2)}, {"s.png", QByteArray("\x89PNG", 4)}, {"s.bmp", QByteArray("BM", 2)},
                          {"s.pdf", QByteArray("%PDF", 4)}, {"s.svg", QByteArray("<?xml", 5)}};
    for (const Case& c : cases) {
        services.nextSaveName = dir.filePath(QLatin1String(c.name));
        form->acnExportDiagrammToJpg->trigger();
        EXPECT_EQ(head(services.nextSaveName, c.magic.size()), c.magic) << c.name;
    }
    EXPECT_EQ(services.lastProposedName, QStringLiteral("ГеологическаяМодель.jpg"));
    // A 24-bit BMP: 24 bits per pixel at offset 28.
    const QByteArray bmp = head(dir.filePath(QStringLiteral("s.bmp")), 30);
    EXPECT_EQ(static_cast<unsigned char>(bmp[28]), 24);
    // The vector files are as large as the section and keep its texts as texts.
    const QByteArray svg = head(dir.filePath(QStringLiteral("s.svg")), 1 << 24);
    EXPECT_TRUE(svg.contains(QStringLiteral("viewBox=\"0 0 %1 355\"").arg(form->SectionWidth()).toUtf8()));
    EXPECT_TRUE(svg.contains(QStringLiteral("ПК").toUtf8()));
    const QByteArray pdf = head(dir.filePath(QStringLiteral("s.pdf")), 1 << 24);
    EXPECT_TRUE(pdf.contains("/FontDescriptor"));
    EXPECT_EQ(pdf.count("/Type /Page\n"), 1);
    services.nextSaveName = dir.filePath(QStringLiteral("no/such/dir/s.png"));
    form->acnExportDiagrammToJpg->trigger();
    EXPECT_EQ(services.errors.size(), 1);
}

TEST_F(SectionFormTest, PrintsTheWholeSection)
{
    QTemporaryDir dir;
    form->acnPlotRazrezPoligon->trigger();
    services.printFile = dir.filePath(QStringLiteral("section.pdf"));
    form->acnPrintImage->trigger();
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
    form->acnPrintImage->trigger();
    EXPECT_EQ(head(services.printFile, 1 << 24).count("/Type /Page\n"), 1);
    EXPECT_EQ(form->sectionPage->printOptions().fit, PrintFit::WholeOnOnePage);
}

TEST_F(SectionFormTest, ACancelledDrawingLeavesTheFormerSectionAndItsAnnotations)
{
    form->acnPlotRazrezPoligon->trigger();
    form->sectionPage->writeSoil(QPoint(120, 200), "песок");
    const QImage before = form->sectionPage->image();
    const int width = form->SectionWidth();
    const RecordingCanvas::Snapshot state = form->sectionPage->canvas().snapshot();

    // A wider section, cancelled half-way through its first layer.
    SectionParams params = form->Document.sectionParams();
    params.SX = 800;
    form->Document.setSectionParams(params);
    int calls = 0;
    form->sectionPage->plotPolygons([&](long long, long long) {
        if (++calls == 1)
            return;
        throw Cancelled();
    });
    EXPECT_EQ(calls, 2);  // the second layer's start reported the cancel
    EXPECT_EQ(form->SectionWidth(), width);
    EXPECT_EQ(form->sectionPage->image(), before);
    EXPECT_EQ(form->sectionPage->canvas().pen(), state.state.pen);
    EXPECT_EQ(form->sectionPage->canvas().brush(), state.state.brush);
    EXPECT_EQ(form->sectionPage->record().ops().size(), state.ops);
    // The soil label still belongs to the section shown: undoing it takes it away.
    form->acnUndo->trigger();
    EXPECT_NE(form->sectionPage->image(), before);
    EXPECT_TRUE(services.errors.isEmpty()) << services.errors.join(QStringLiteral("\n")).toStdString();
}

TEST_F(SectionFormTest, AnUnreadablePicketStopsTheDrawingWithItsMessage)
{
    form->SourceData.setCell(1, 10, "12+5");
    form->acnPlotRazrezPoligon->trigger();
    ASSERT_EQ(services.errors.size(), 1);
    EXPECT_EQ(services.errors[0], QStringLiteral("'12+5' is not a valid floating point value"));
}
