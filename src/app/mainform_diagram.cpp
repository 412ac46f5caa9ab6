// The main window's diagram: the page "Диаграммы", its parameter page, the layer manager, and
// the commands and events that build and correct the interpretation diagram.
#include "app/mainform.h"

#include "base/error.h"
#include "app/qt_text.h"
#include "app/ribbon.h"
#include "app/style_controls.h"
#include "app/ui_services.h"
#include "diagram/chart_view.h"
#include "layers/layer_manager_view.h"
#include "table/string_grid_view.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace trassel {
namespace {

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setChecked(true);
    return box;
}

} // namespace

QWidget* TFmMainForm::buildDiagramProperties()
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    chkDinamicDiapazonAxes = checkBox(content, "chkDinamicDiapazonAxes", QStringLiteral("Динамические оси"));
    layout->addWidget(chkDinamicDiapazonAxes);
    auto* form = new QFormLayout;
    seChtOverviewChartHeight = makeSpinEdit(content, "seChtOverviewChartHeight", 200);
    seChtOverviewChartWidth = makeSpinEdit(content, "seChtOverviewChartWidth", 2);
    form->addRow(QStringLiteral("кол-во по вертик"), seChtOverviewChartHeight);
    form->addRow(QStringLiteral("кол-во по гориз"), seChtOverviewChartWidth);
    layout->addLayout(form);
    chkSeriesMarksVisible = checkBox(content, "chkSeriesMarksVisible", QStringLiteral("Показывать подписи"));
    layout->addWidget(chkSeriesMarksVisible);
    auto* marksForm = new QFormLayout;
    seSeriesFrequencyMarks = makeSpinEdit(content, "seSeriesFrequencyMarks", 10);
    marksForm->addRow(QStringLiteral("Частота подписей"), seSeriesFrequencyMarks);
    layout->addLayout(marksForm);

    auto* cursor = new QGroupBox(QStringLiteral("Курсор"), content);
    auto* cursorLayout = new QVBoxLayout(cursor);
    auto* stepForm = new QFormLayout;
    ltxtVertIncrementDecrement = new QLineEdit(QStringLiteral("1"), cursor);
    ltxtVertIncrementDecrement->setObjectName(QStringLiteral("ltxtVertIncrementDecrement"));
    stepForm->addRow(QStringLiteral("Шаг кооректировки по верт."), ltxtVertIncrementDecrement);
    cursorLayout->addLayout(stepForm);
    auto* marks = new QGroupBox(QStringLiteral("Подпись курсора"), cursor);
    auto* marksLayout = new QHBoxLayout(marks);
    chkCursorHorizMarkVisible = checkBox(marks, "chkCursorHorizMarkVisible", QStringLiteral("абциссы"));
    chkCursorVertMarkVisible = checkBox(marks, "chkCursorVertMarkVisible", QStringLiteral("ординаты"));
    marksLayout->addWidget(chkCursorHorizMarkVisible);
    marksLayout->addWidget(chkCursorVertMarkVisible);
    cursorLayout->addWidget(marks);
    auto* size = new QGroupBox(QStringLiteral("Размер курсора"), cursor);
    auto* sizeForm = new QFormLayout(size);
    seCursorHorzSize = makeSpinEdit(size, "seCursorHorzSize", 10);
    seCursorVertSize = makeSpinEdit(size, "seCursorVertSize", 10);
    sizeForm->addRow(QStringLiteral("горизонтальный"), seCursorHorzSize);
    sizeForm->addRow(QStringLiteral("вертикальный"), seCursorVertSize);
    cursorLayout->addWidget(size);
    layout->addWidget(cursor);
    layout->addStretch(1);
    return content;
}

void TFmMainForm::buildDiagram()
{
    // PicketSeries, SkvSeries and the cursor were made with the document.
    chtOverviewChart = new ChartView(ChartData, pageDiagram);
    chtOverviewChart->setObjectName(QStringLiteral("chtOverviewChart"));
    pageDiagram->layout()->addWidget(chtOverviewChart);
    connect(chtOverviewChart, &ChartView::keyDown, this, [this](int vk) { chtOverviewChartKeyDown(vk); });
    connect(chtOverviewChart, &ChartView::clickSeries, this, [this](int series, int index, Qt::MouseButton button) {
        runGuarded([=, this] { chtOverviewChartClickSeries(series, index, button); });
    });

    PopupMenuSgSkv = new QMenu(this);
    PopupMenuSgSkv->setObjectName(QStringLiteral("PopupMenuSgSkv"));

    PopupMenuLV = new QMenu(this);
    PopupMenuLV->setObjectName(QStringLiteral("PopupMenuLV"));
    PopupMenuLV->addAction(acnLayerDelete);
    lwLayerManager->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lwLayerManager, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenuLV->popup(lwLayerManager->viewport()->mapToGlobal(pos)); });
}

void TFmMainForm::pushDiagramParams() { Document.setDiagramParams(diagramParams()); }

DiagramParams TFmMainForm::diagramParams() const
{
    DiagramParams p;
    p.ColX = toStdString(cmbX->currentText());
    p.FirstDataRow = FirstDataRow();
    p.LastDataRow = LastDataRow();
    p.SeriesMarksVisible = chkSeriesMarksVisible->isChecked();
    p.SeriesFrequencyMarks = seSeriesFrequencyMarks->value();
    p.CursorHorizMarkVisible = chkCursorHorizMarkVisible->isChecked();
    p.CursorVertMarkVisible = chkCursorVertMarkVisible->isChecked();
    p.CursorHorzSize = seCursorHorzSize->value();
    p.CursorVertSize = seCursorVertSize->value();
    p.DinamicDiapazonAxes = chkDinamicDiapazonAxes->isChecked();
    p.WindowWidth = seChtOverviewChartWidth->value();
    p.WindowHeight = seChtOverviewChartHeight->value();
    p.VertIncrement = toStdString(ltxtVertIncrementDecrement->text());
    return p;
}

void TFmMainForm::acnBuildChartExecute()
{
    pushDiagramParams();
    Document.buildChart();
}

void TFmMainForm::acnPrintOverviewChartExecute()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    if (!services_->printerSetup(this, printer))
        return;
    chtOverviewChart->syncFromModel();
    QCPPainter painter;
    if (!painter.begin(&printer))
        throw Error("Не удалось начать печать диаграммы");
    // The diagram as shown, scaled to fill the page but keeping its proportions.
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale = std::min(page.width() / chtOverviewChart->width(), page.height() / chtOverviewChart->height());
    painter.scale(scale, scale);
    chtOverviewChart->toPainter(&painter, chtOverviewChart->width(), chtOverviewChart->height());
    painter.end();
}

void TFmMainForm::acnLayerAddExecute()
{
    Document.addLayer();
}

void TFmMainForm::acnLayerDeleteExecute()
{
    Document.deleteSelectedLayer();
}

void TFmMainForm::chtOverviewChartKeyDown(int key)
{
    // The key handler reports nothing: a cell that is not a number simply stops it.
    pushDiagramParams();
    Document.chartKeyDown(key);
}

void TFmMainForm::chtOverviewChartClickSeries(int series, int index, Qt::MouseButton button)
{
    if (index < 0)
        return;
    pushDiagramParams();
    Document.chartClickSeries(static_cast<SeriesId>(series), static_cast<std::size_t>(index), ChartView::buttonFor(button));
}

} // namespace trassel
