// Walks through the example survey as a user would and saves a picture of the main window at
// each stage, for looking at what the program shows: trassel_tour OUTPUT_DIR [WIDTHxHEIGHT]
// (1600x1000 when no size is given; 1024x700 shows a small screen).
#include "app/mainform.h"
#include "radargram/qt/radargram_page.h"
#include "section/qt/section_page.h"
#include "section/qt/section_print_preview.h"
#include "diagram/qt/chart_view.h"
#include "fake_services.h"
#include "layers/qt/layer_manager_view.h"
#include "widgets/style_controls.h"
#include "platform/qt_canvas.h"
#include "table/qt/string_grid_view.h"
#include "sheets/project_form.h"
#include "thickness/norms.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPrinter>
#include <QTabWidget>
#include <QTimer>
#include <QWheelEvent>
#include <QTest>

using namespace trassel;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QSize size(1600, 1000);
    if (argc > 2) {
        const QStringList parts = QString::fromLocal8Bit(argv[2]).split(QLatin1Char('x'));
        if (parts.size() == 2 && parts[0].toInt() > 0 && parts[1].toInt() > 0)
            size = QSize(parts[0].toInt(), parts[1].toInt());
    }
    test::FakeServices services;
    TFmMainForm form(&services);
    form.resize(size);
    form.show();
    QTest::qWait(200);
    auto shot = [&](const char* name) {
        QTest::qWait(150);
        form.grab().save(out + QLatin1Char('/') + QLatin1String(name));
    };
    shot("01-start.png");
    services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/survey_depths.txt");
    form.findChild<QAction*>(QStringLiteral("acnImportTable"))->trigger();
    form.findChild<QAction*>(QStringLiteral("acnReCalcPK"))->trigger();
    shot("02-imported.png");
    services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/boreholes.txt");
    form.findChild<QAction*>(QStringLiteral("acnImportSkv"))->trigger();
    for (int col : {3, 4, 5}) {
        form.findChild<StringGridView*>(QStringLiteral("sgSourceData"))->setCurrentCell(col, 2);
        form.findChild<QAction*>(QStringLiteral("acnLayerAdd"))->trigger();
    }
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    pages->setCurrentWidget(form.findChild<QWidget*>(QStringLiteral("Диаграммы")));
    form.findChild<LayerManagerView*>(QStringLiteral("lwLayerManager"))
        ->setCurrentItem(form.findChild<LayerManagerView*>(QStringLiteral("lwLayerManager"))->topLevelItem(1));
    form.findChild<QAction*>(QStringLiteral("acnBuildChart"))->trigger();
    form.findChild<ChartView*>(QStringLiteral("chtOverviewChart"))->setFocus();
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(form.findChild<ChartView*>(QStringLiteral("chtOverviewChart")), Qt::Key_Right);
    for (int i = 0; i < 8; ++i)
        QTest::keyClick(form.findChild<ChartView*>(QStringLiteral("chtOverviewChart")), Qt::Key_Up);
    shot("03-diagram.png");
    // Three bands with their own fills: select each layer and pick a pattern and colours.
    // Crushed stone, sand and loam as the soil hatches of geological drawings draw them (colours
    // are stored blue-green-red).
    const int fills[] = {13, 8, 10};
    const std::uint32_t colours[] = {0x90B0C8, 0x90E0F0, 0x7090B0};
    for (int row = 0; row < 3; ++row) {
        form.findChild<LayerManagerView*>(QStringLiteral("lwLayerManager"))
            ->setCurrentItem(form.findChild<LayerManagerView*>(QStringLiteral("lwLayerManager"))->topLevelItem(row));
        form.findChild<BrushStyleBox*>(QStringLiteral("cmbBrushStyle"))->setCurrentIndex(fills[row]);
        form.findChild<ColorBox*>(QStringLiteral("clbBrushColor"))->setColor(colours[row]);
    }
    form.findChild<QAction*>(QStringLiteral("acnPlotRazrezPoligon"))->trigger();
    pages->setCurrentWidget(form.findChild<SectionPage*>(QStringLiteral("Разрез")));
    shot("04-section.png");
    // Every page of the properties, and the remaining working pages.
    auto* properties = form.findChild<QTabWidget*>(QStringLiteral("PageControl2"));
    for (int page = 0; page < properties->count(); ++page) {
        properties->setCurrentIndex(page);
        shot(qPrintable(QStringLiteral("06-properties-%1.png").arg(page + 1)));
    }
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        shot(qPrintable(QStringLiteral("07-page-%1.png").arg(page + 1)));
    }
    // The example radargram: opened, its first and last marks tied, an exponential gain, zoomed.
    services.nextOpenName = QStringLiteral(TRASSEL_SOURCE_DIR "/examples/survey_radargram.dzt");
    form.findChild<QAction*>(QStringLiteral("acnOpenRadargram"))->trigger();
    auto* radargram = form.findChild<RadargramPage*>(QStringLiteral("pageRadargram"));
    const auto& marks = form.document().radargramModel().file->marks;
    if (!marks.empty()) {
        form.document().addRadargramTie({marks.front(), 123});
        form.document().addRadargramTie({marks.back(), 143});
    }
    shot("08-radargram.png");
    radargram->cbGain->setCurrentIndex(2);
    radargram->seGainValue->setValue(0.6);
    const QPoint middle(radargram->imgRadargram->width() / 2, radargram->imgRadargram->height() / 2);
    QWheelEvent zoom(QPointF(middle), QPointF(radargram->imgRadargram->mapToGlobal(middle)), QPoint(), QPoint(0, 480),
                     Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(radargram->imgRadargram, &zoom);
    shot("09-radargram-gain-zoom.png");
    // Interpreting on it: a click puts the diagram cursor on the nearest row, three presses of
    // Down deepen the selected layer there, and the cursor is marked on the section and the diagram.
    QTest::mouseClick(radargram->imgRadargram, Qt::LeftButton, Qt::NoModifier, middle);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(radargram->imgRadargram, Qt::Key_Down);
    shot("10-radargram-correction.png");
    pages->setCurrentWidget(form.findChild<SectionPage*>(QStringLiteral("Разрез")));
    shot("11-section-cursor.png");
    pages->setCurrentWidget(form.findChild<QWidget*>(QStringLiteral("Диаграммы")));
    shot("12-diagram-cursor.png");
    // A ballast norm of 52.5 cm: the deviation plot under the section shows where it fails.
    DesignNorms norms = form.document().norms();
    norms.layers = {{.column = 3, .name = {}, .normCm = 52.5}};
    form.document().setNorms(norms);
    pages->setCurrentWidget(form.findChild<SectionPage*>(QStringLiteral("Разрез")));
    shot("13-section-deviation.png");
    // "Радарограмма над разрезом": the tied radargram above the section on its axis.
    form.findChild<QAction*>(QStringLiteral("acnRadargramOverSection"))->trigger();
    shot("13-section-radargram.png");
    // The title block filled in and the client's report written through "Отчёт".
    form.document().setProjectForm(
        {"ООО «Путеец»", "Перегон Лесная — Озёрная", "Главный путь", "1", "Иванов", "Петров", "10.12.2026", true});
    services.nextSaveName = out + QStringLiteral("/14-report.pdf");
    form.findChild<QAction*>(QStringLiteral("acnReport"))->trigger();
    shot("14-report-written.png");
    // The print preview as the user sees it after Ctrl+P (true scale, sheets with the title
    // block), closed, then the same sheets printed to a PDF file.
    pages->setCurrentWidget(form.findChild<SectionPage*>(QStringLiteral("Разрез")));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageOrientation(QPageLayout::Landscape);
        SectionPrintPreview preview(form.findChild<SectionPage*>(QStringLiteral("Разрез"))->printSource(), &form);
        preview.setOptions({.fit = PrintFit::TrueScale, .horizontalScale = 2000, .verticalScale = 20});
        QTimer::singleShot(1500, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                dialog->resize(1400, 900);
                QTest::qWait(300);
                dialog->grab().save(out + QStringLiteral("/15-print-preview.png"));
                dialog->close();
            }
        });
        preview.exec(printer);
    }
    services.printFile = out + QStringLiteral("/16-printed.pdf");
    services.previewOptions = SectionPrintOptions{.fit = PrintFit::TrueScale,
                                                  .horizontalScale = 2000,
                                                  .verticalScale = 20};
    form.findChild<QAction*>(QStringLiteral("acnPrintImage"))->trigger();
    // The whole interpretation as a project, for trassel-render's sheets of it and for starting
    // the real program on it.
    services.nextSaveName = out + QStringLiteral("/tour.trassel");
    form.findChild<QAction*>(QStringLiteral("acnSaveProjectAs"))->trigger();
    const QImage& section = form.findChild<SectionPage*>(QStringLiteral("Разрез"))->image();
    section.copy(0, 0, 1400, section.height()).save(out + QStringLiteral("/05-section-bitmap.png"));
    for (const QString& e : services.errors)
        qWarning("error: %s", qPrintable(e));
    return 0;
}
