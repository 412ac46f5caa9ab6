#include "app/mainform.h"

#include "base/compile_date.h"
#include "base/error.h"
#include "app/qt_text.h"
#include "app/ribbon.h"
#include "app/style_controls.h"
#include "app/ui_services.h"
#include "app/undo_bridge.h"
#include "dialogs/about.h"
#include "diagram/chart_view.h"
#include "platform/qt_canvas.h"
#include "layers/layer_manager_view.h"
#include "table/grid_io.h"
#include "table/pickets.h"
#include "table/string_grid_view.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCommandLinkButton>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <clocale>
#include <exception>
#include <utility>

namespace trassel {
namespace {

// The busy cursor for the length of a long command, restored however the command ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QWidget* scrollPage(QWidget* content)
{
    // Fields with unbounded ranges would ask for room for ten digits; let the page be narrow
    // and let long labels wrap above their fields instead of pushing the fields off the page.
    for (QWidget* field : content->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractSpinBox*>(field) || qobject_cast<QComboBox*>(field) || qobject_cast<QLineEdit*>(field))
            if (field->minimumWidth() == 0)
                field->setMinimumWidth(64);
    }
    for (QFormLayout* form : content->findChildren<QFormLayout*>())
        form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    auto* area = new QScrollArea;
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(content);
    return area;
}

} // namespace

QString importTableFilter()
{
    return QStringLiteral("Все файлы(*.*);;Текстовые файлы(*.txt)");
}

QString exportTableFilter()
{
    return QStringLiteral("Текстовые файлы(с разделителями табуляции)(*.txt);;Все файлы (*.*)");
}

TFmMainForm::TFmMainForm(UiServices* services, QWidget* parent) : QMainWindow(parent)
{
    if (services == nullptr) {
        ownServices_ = std::make_unique<DialogServices>();
        services = ownServices_.get();
    }
    services_ = services;
    setObjectName(QStringLiteral("FmMainForm"));
    setFont(windowFont(8));

    buildActions();

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    Ribbon1 = new Ribbon(QStringLiteral("Trassel"), central);
    outer->addWidget(Ribbon1);

    Splitter1 = new QSplitter(Qt::Horizontal, central);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    auto* panel1 = new QWidget(Splitter1);
    panel1->setObjectName(QStringLiteral("Panel1"));
    auto* panel1Layout = new QVBoxLayout(panel1);
    panel1Layout->setContentsMargins(0, 0, 0, 0);
    Splitter2 = new QSplitter(Qt::Vertical, panel1);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->addWidget(buildRadargramPanel());
    Splitter2->addWidget(buildWorkPages());
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setStretchFactor(1, 3);
    panel1Layout->addWidget(Splitter2);
    Splitter1->addWidget(panel1);
    Splitter1->addWidget(buildRightPanel());
    Splitter1->setStretchFactor(0, 3);
    Splitter1->setStretchFactor(1, 2);
    Splitter1->setSizes({900, 600});
    outer->addWidget(Splitter1, 1);
    setCentralWidget(central);
    buildUndo();
    buildRibbon();
    buildDiagram();
    buildSection();
    buildTablePopup();

    // 1. Numbers are converted with "." whatever the system locale says.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    // 2. Maximised, with hints on.
    setWindowState(windowState() | Qt::WindowMaximized);
    // 3.-5. The build date in the label and the caption.
    CompileDate = BuildDate();
    lblDateCompilation1->setText(QStringLiteral("Дата компиляции \n") + QString::fromLatin1(CompileDate.c_str()));
    setWindowTitle(QStringLiteral("Trassel_v2  ") + QString::fromLatin1(CompileDate.c_str()));
    // 6. The numbering of the depth table (the document numbers both tables when it is made).
    // 7. The section starts 200 pixels wide.
    SectionWidth = 200;
    // 11. The working range ends at the last row.
    seLastRow->setValue(Document.lastDataRow());
    refreshTables();
    pushDiagramParams();
    pushSectionParams();

    documentSubscription_ = Document.subscribe([this](const DocumentChange& change) { onDocumentChange(change); });
    connect(seNumberOfHeaderRows, &QSpinBox::valueChanged, this, [this] { runGuarded([this] { seNumberOfHeaderRowsChange(); }); });
    connect(seFirstRow, &QSpinBox::valueChanged, this, [this] { runGuarded([this] { seFirstRowChange(); }); });
    connect(seLastRow, &QSpinBox::valueChanged, this, [this] { runGuarded([this] { seLastRowChange(); }); });
    connect(cmbX, &QComboBox::editTextChanged, this,
            [this](const QString& text) { Document.setPicketColumnText(toStdString(text)); });
    auto delimiterChanged = [this] { Document.setDelimiter(cmbDelimiter->currentIndex(), toStdString(cmbDelimiter->currentText())); };
    connect(cmbDelimiter, &QComboBox::currentIndexChanged, this, delimiterChanged);
    connect(cmbDelimiter, &QComboBox::editTextChanged, this, delimiterChanged);
    connect(btnAutoSizeCol, &QPushButton::clicked, this, [this] { runGuarded([this] { btnAutoSizeColClick(); }); });
    connect(btnFindTarget, &QPushButton::clicked, this, [this] { runGuarded([this] { btnFindTargetClick(); }); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int i) { PageControl1Change(i); });
    connect(PageControl2, &QTabWidget::currentChanged, this, [this](int i) { PageControl2Change(i); });
    connect(sgSourceData, &StringGridView::cellSelected, this, [this](int c, int r) { sgSourceDataSelectCell(c, r); });
    // Both tables write the one selection the editing commands read.
    connect(sgSkv, &StringGridView::cellSelected, this, [this](int c, int r) { Document.select(c, r); });
    connect(sgSourceData, &StringGridView::copyRequested, this, [this] { runGuarded([this] { sgSourceDataCopyCells(); }); });
    connect(sgSourceData, &StringGridView::pasteRequested, this, [this] { runGuarded([this] { sgSourceDataPasteCells(); }); });
    connect(sgSourceData, &StringGridView::deleteRequested, this, [this] { runGuarded([this] { sgSourceDataDeleteCells(); }); });
    // Typing and dragging go through the document, so that they can be undone.
    sgSourceData->setCellWriter([this](int c, int r, const std::string& text) {
        runGuarded([&] { Document.writeCell(TableId::Depth, c, r, text); });
    });
    sgSourceData->setLineMover([this](bool row, int from, int to) {
        runGuarded([&] { row ? Document.moveRow(TableId::Depth, from, to) : Document.moveColumn(TableId::Depth, from, to); });
    });
    sgSkv->setCellWriter([this](int c, int r, const std::string& text) {
        runGuarded([&] { Document.writeCell(TableId::Boreholes, c, r, text); });
    });
    sgSkv->setLineMover([this](bool row, int from, int to) {
        runGuarded([&] { row ? Document.moveRow(TableId::Boreholes, from, to) : Document.moveColumn(TableId::Boreholes, from, to); });
    });
    lwLayerManager->setCheckHandler([this](EntryId id, bool checked) {
        runGuarded([&] { Document.setLayerChecked(id, checked); });
    });
}

TFmMainForm::~TFmMainForm()
{
    Document.unsubscribe(documentSubscription_);
    // The history holds edits of the document; it goes before the document does.
    delete undoBridge_;
    undoBridge_ = nullptr;
    delete UndoStack;
    UndoStack = nullptr;
    // The views watch the models below; they go first, then the data they showed.
    delete takeCentralWidget();
    FormDestroy();
}

void TFmMainForm::FormDestroy()
{
    // The layer records, the cursor and the picket and borehole series go with the document.
    SectionCanvas.reset();
}

void TFmMainForm::setSecondaryWindows(QWidget* options, QWidget* list, QWidget* skv, QWidget* about)
{
    fmOptions_ = options;
    fmList_ = list;
    fmSkv_ = skv;
    fmAbout_ = about;
}

bool TFmMainForm::runGuarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        services_->error(this, QString::fromUtf8(e.what()));
    } catch (...) {
        services_->error(this, QString());
    }
    return false;
}

int TFmMainForm::HeaderRowCount() const { return Document.settings().headerRowCount; }
int TFmMainForm::FirstDataRow() const { return Document.firstDataRow(); }
int TFmMainForm::LastDataRow() const { return Document.lastDataRow(); }

void TFmMainForm::buildActions()
{
    auto make = [this](const char* name, const QString& caption, const char* category,
                       void (TFmMainForm::*handler)()) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        action->setProperty("category", QString::fromUtf8(category));
        connect(action, &QAction::triggered, this, [this, handler] { runGuarded([this, handler] { (this->*handler)(); }); });
        return action;
    };
    acnImportTable = make("acnImportTable", QStringLiteral("Импорт таблицы"), "Таблица", &TFmMainForm::acnImportTableExecute);
    acnImportTable->setIcon(ribbonIcon(RibbonGlyph::ImportTable));
    acnExportTable = make("acnExportTable", QStringLiteral("Экспорт таблицы"), "Таблица", &TFmMainForm::acnExportTableExecute);
    acnExportTable->setIcon(ribbonIcon(RibbonGlyph::ExportTable));
    acnReCalcPK = make("acnReCalcPK", QStringLiteral("Пересчет в ПК"), "Таблица", &TFmMainForm::acnReCalcPKExecute);
    acnReCalcPK->setIcon(ribbonIcon(RibbonGlyph::RecalcPickets));
    acnAbout = make("acnAbout", QStringLiteral("О прогамме"), "Справка", &TFmMainForm::acnAboutExecute);
    acnAbout->setIcon(ribbonIcon(RibbonGlyph::About));
    acnBuildChart = make("acnBuildChart", QStringLiteral("Построить диаграмму"), "Диаграмма", &TFmMainForm::acnBuildChartExecute);
    acnBuildChart->setIcon(ribbonIcon(RibbonGlyph::BuildChart));
    acnPrintOverviewChart = make("acnPrintOverviewChart", QStringLiteral("Печать диаграммы"), "Диаграмма",
                                 &TFmMainForm::acnPrintOverviewChartExecute);
    acnPrintOverviewChart->setIcon(ribbonIcon(RibbonGlyph::PrintChart));
    acnLayerAdd = make("acnLayerAdd", QStringLiteral("Добавить слой"), "Таблица", &TFmMainForm::acnLayerAddExecute);
    acnLayerDelete = make("acnLayerDelete", QStringLiteral("Удалить слой"), "Таблица", &TFmMainForm::acnLayerDeleteExecute);
    acnPlotRazrezLine = make("acnPlotRazrezLine", QStringLiteral("Построить разрез"), "Разрез", &TFmMainForm::acnPlotRazrezLineExecute);
    acnPlotRazrezLine->setIcon(ribbonIcon(RibbonGlyph::PlotSectionLines));
    acnPlotRazrezPoligon = make("acnPlotRazrezPoligon", QStringLiteral("Построить разрез полигонами"), "Разрез",
                                &TFmMainForm::acnPlotRazrezPoligonExecute);
    acnPlotRazrezPoligon->setIcon(ribbonIcon(RibbonGlyph::PlotSectionPolygons));
    acnExportDiagrammToJpg = make("acnExportDiagrammToJpg", QStringLiteral("Экспорт в &JPG"), "Разрез",
                                  &TFmMainForm::acnExportDiagrammToJpgExecute);
    acnExportDiagrammToJpg->setIcon(ribbonIcon(RibbonGlyph::ExportImage));
    acnPrintImage = make("acnPrintImage", QStringLiteral("Печать"), "Разрез", &TFmMainForm::acnPrintImageExecute);
    acnCopySG = make("acnCopySG", QStringLiteral("Копировать"), "Таблица", &TFmMainForm::acnCopySGExecute);
    acnPasteToSG = make("acnPasteToSG", QStringLiteral("Вставить"), "Таблица", &TFmMainForm::acnPasteToSGExecute);
    acnClearRange = make("acnClearRange", QStringLiteral("Очистить ячейки"), "Таблица", &TFmMainForm::acnClearRangeExecute);
    acnMadeRowFirst = make("acnMadeRowFirst", QStringLiteral("Сделать строку начальной"), "Таблица",
                           &TFmMainForm::acnMadeRowFirstExecute);
    acnMadeRowLast = make("acnMadeRowLast", QStringLiteral("Сделать строку последней"), "Таблица",
                          &TFmMainForm::acnMadeRowLastExecute);
    acnUndo = make("acnUndo", QStringLiteral("Отменить"), "Правка", &TFmMainForm::acnUndoExecute);
    acnUndo->setShortcut(QKeySequence::Undo);
    acnUndo->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    acnUndo->setEnabled(false);
    addAction(acnUndo);
    acnRedo = make("acnRedo", QStringLiteral("Повторить"), "Правка", &TFmMainForm::acnRedoExecute);
    acnRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    acnRedo->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    acnRedo->setEnabled(false);
    addAction(acnRedo);
    // The items of the depth table's menu that only the menu starts.
    J1 = make("J1", QStringLiteral("Очистить"), "Таблица", &TFmMainForm::J1Click);
    N5 = make("N5", QStringLiteral("Вставить строку"), "Таблица", &TFmMainForm::N5Click);
    N6 = make("N6", QStringLiteral("Удалить строку"), "Таблица", &TFmMainForm::N6Click);
    N1 = make("N1", QStringLiteral("Вставить столбец"), "Таблица", &TFmMainForm::N1Click);
    N2 = make("N2", QStringLiteral("Удалить столбец"), "Таблица", &TFmMainForm::N2Click);
    // No button or menu starts the section print; its shortcut does.
    acnPrintImage->setShortcut(QKeySequence::Print);
    addAction(acnPrintImage);
}

void TFmMainForm::buildRibbon()
{
    Ribbon1->addTab(QStringLiteral("Файл"))->addGroup(QStringLiteral("Файл"));
    RibbonTab* tables = Ribbon1->addTab(QStringLiteral("Таблицы"));
    RibbonGroup* model = tables->addGroup(QStringLiteral("Цифровая модель"));
    model->addAction(acnImportTable);
    model->addAction(acnExportTable);
    model->addAction(acnReCalcPK);
    tables->addGroup(QStringLiteral("Скважины"));
    RibbonTab* diagram = Ribbon1->addTab(QStringLiteral("Диаграмма"));
    diagram->addGroup(QStringLiteral("Диаграмма"))->addAction(acnBuildChart);
    diagram->addGroup(QStringLiteral("Радарограмма"))->addAction(acnPrintOverviewChart);
    RibbonTab* section = Ribbon1->addTab(QStringLiteral("Разрез"));
    RibbonGroup* sectionGroup = section->addGroup(QStringLiteral("Разрез"));
    sectionGroup->addAction(acnPlotRazrezLine);
    sectionGroup->addAction(acnPlotRazrezPoligon);
    sectionGroup->addAction(acnExportDiagrammToJpg);
    section->addGroup(QStringLiteral("Инструменты"));
    RibbonTab* params = Ribbon1->addTab(QStringLiteral("Параметры"));
    lblDateCompilation1 = new QLabel;
    lblDateCompilation1->setObjectName(QStringLiteral("lblDateCompilation1"));
    lblDateCompilation1->setAlignment(Qt::AlignCenter);
    params->addGroup(QStringLiteral("Дата компиляции"))->addWidget(lblDateCompilation1);
    params->addGroup(QStringLiteral("Параметры"));
    Ribbon1->addTab(QStringLiteral("Справка"))->addGroup(QStringLiteral("Сведения"))->addAction(acnAbout);

    Ribbon1->addQuickAccess(acnImportTable);
    Ribbon1->addQuickAccess(acnExportTable);
    Ribbon1->addQuickAccess(acnReCalcPK);
    Ribbon1->addQuickAccess(acnBuildChart);
    Ribbon1->addQuickAccess(acnPrintOverviewChart);
    Ribbon1->addQuickAccess(acnPlotRazrezPoligon);
    Ribbon1->addQuickAccess(acnExportDiagrammToJpg);
    Ribbon1->addQuickAccess(acnUndo);
    Ribbon1->addQuickAccess(acnRedo);

    Ribbon1->setScreenTip(acnImportTable, QStringLiteral("Импорт таблицы"),
                          QStringLiteral("Импорт таблицы, содержащей цифровую модель среды ПК/глубина"));
    Ribbon1->setScreenTip(acnExportTable, QStringLiteral("Экспорт таблицы"),
                          QStringLiteral("Экспорт таблицы, содержащей цифровую модель среды ПК/глубина,  в текстовый файл"));
    Ribbon1->setScreenTip(acnReCalcPK, QStringLiteral("Пересчет в ПК"),
                          QStringLiteral("Пересчет пикетов производится для файлов, содержащих колонку \"км\"  и \"м\". "
                                         "При этом данные в колонке \"км\" заменяются на линейную координату по 100-метровой базе"));
    Ribbon1->setScreenTip(acnBuildChart, QStringLiteral("Построить диаграмму"),
                          QStringLiteral("Границы отстраиваются по данным из колонок, отмеченных галочками в диспетчере слоев"));
    Ribbon1->setScreenTip(acnPrintOverviewChart, QStringLiteral("Печать диаграммы"),
                          QStringLiteral("Печать интерпретационной диаграммы в том виде, в каком она показана"));
    Ribbon1->setScreenTip(acnPlotRazrezPoligon, QStringLiteral("Построить разрез полигонами"),
                          QStringLiteral("Построить разрез слоями. Границы отстраиваются по данным из колонок, "
                                         "отмеченных галочками в диспетчере слоев"));
    Ribbon1->setScreenTip(acnExportDiagrammToJpg, QStringLiteral("Экспорт графики"),
                          QStringLiteral("Экспорт диаграммы в растровое изображение."));
    Ribbon1->setScreenTip(acnPlotRazrezLine, QStringLiteral("Построить разрез"),
                          QStringLiteral("Построить разрез линиями. Границы отстраиваются по данным из колонок, "
                                         "отмеченных галочками в диспетчере слоев"));
    Ribbon1->setScreenTip(acnPrintImage, QStringLiteral("Печать"), QString());
    Ribbon1->setCurrentIndex(1);
}

QWidget* TFmMainForm::buildRadargramPanel()
{
    pnlRadarogramma = new QWidget;
    pnlRadarogramma->setObjectName(QStringLiteral("pnlRadarogramma"));
    auto* layout = new QVBoxLayout(pnlRadarogramma);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto* title = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("Радарограмма"));
    caption->setStyleSheet(QStringLiteral("font-weight: bold; color: #3b4a63;"));
    title->addWidget(caption);
    title->addStretch(1);
    SpeedButton1 = new QToolButton;
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFixedWidth(16);
    SpeedButton1->setAutoRaise(true);
    title->addWidget(SpeedButton1);
    layout->addLayout(title);
    scrbxRadarogramma = new QScrollArea;
    scrbxRadarogramma->setObjectName(QStringLiteral("scrbxRadarogramma"));
    imgRadarogramma = new QLabel;
    imgRadarogramma->setObjectName(QStringLiteral("imgRadarogramma"));
    imgRadarogramma->setScaledContents(true);
    scrbxRadarogramma->setWidget(imgRadarogramma);
    layout->addWidget(scrbxRadarogramma, 1);
    return pnlRadarogramma;
}

QWidget* TFmMainForm::buildWorkPages()
{
    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setTabPosition(QTabWidget::South);

    pageDepthTable = new QWidget;
    pageDepthTable->setObjectName(QStringLiteral("ТаблицаГлубин"));
    auto* tableLayout = new QVBoxLayout(pageDepthTable);
    tableLayout->setContentsMargins(2, 2, 2, 2);
    auto* find = new QHBoxLayout;
    txtTargetText = new QLineEdit;
    txtTargetText->setObjectName(QStringLiteral("txtTargetText"));
    txtTargetText->setMaximumWidth(200);
    btnFindTarget = new QPushButton(QStringLiteral("Найти"));
    btnFindTarget->setObjectName(QStringLiteral("btnFindTarget"));
    find->addWidget(txtTargetText);
    find->addWidget(btnFindTarget);
    find->addStretch(1);
    tableLayout->addLayout(find);
    sgSourceData = new StringGridView(&SourceData);
    sgSourceData->setObjectName(QStringLiteral("sgSourceData"));
    tableLayout->addWidget(sgSourceData, 1);
    PageControl1->addTab(pageDepthTable, QStringLiteral("Таблица глубин"));

    pageSkv = new QWidget;
    pageSkv->setObjectName(QStringLiteral("TabSheet1"));
    auto* skvLayout = new QVBoxLayout(pageSkv);
    skvLayout->setContentsMargins(2, 2, 2, 2);
    sgSkv = new StringGridView(&SkvData);
    sgSkv->setObjectName(QStringLiteral("sgSkv"));
    sgSkv->setBlackBackground(true);
    sgSkv->setAlwaysEditable(true);
    sgSkv->setTabNavigation(false);
    sgSkv->setLiveScrolling(false);
    skvLayout->addWidget(sgSkv);
    PageControl1->addTab(pageSkv, QStringLiteral("Выработки"));

    pageIsso = new QWidget;
    pageIsso->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(pageIsso, QStringLiteral("ИССО"));

    pageDiagram = new QWidget;
    pageDiagram->setObjectName(QStringLiteral("Диаграммы"));
    auto* diagramLayout = new QVBoxLayout(pageDiagram);
    diagramLayout->setContentsMargins(0, 0, 0, 0);
    PageControl1->addTab(pageDiagram, QStringLiteral("Диаграммы"));

    pageSection = new QWidget;
    pageSection->setObjectName(QStringLiteral("Разрез"));
    auto* sectionLayout = new QVBoxLayout(pageSection);
    sectionLayout->setContentsMargins(0, 0, 0, 0);
    PageControl1->addTab(pageSection, QStringLiteral("Разрез"));

    auto* holder = new QWidget;
    holder->setObjectName(QStringLiteral("pnlPageControl"));
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl1);
    return holder;
}

QWidget* TFmMainForm::buildTableProperties()
{
    auto* content = new QWidget;
    auto* form = new QFormLayout(content);
    seNumberOfHeaderRows = makeSpinEdit(content, "seNumberOfHeaderRows", 1, 1, 0, 10);
    form->addRow(QStringLiteral("Количество заголовочных строк"), seNumberOfHeaderRows);
    cmbDelimiter = new QComboBox(content);
    cmbDelimiter->setObjectName(QStringLiteral("cmbDelimiter"));
    cmbDelimiter->setEditable(true);
    cmbDelimiter->setInsertPolicy(QComboBox::NoInsert);
    cmbDelimiter->addItems({QStringLiteral("табуляция"), QStringLiteral("точка с запятой"), QStringLiteral("запятая"),
                            QStringLiteral("пробел")});
    cmbDelimiter->setCurrentIndex(-1);
    cmbDelimiter->setEditText(QStringLiteral("табуляция"));
    form->addRow(QStringLiteral("Разделитель исходного файла"), cmbDelimiter);
    btnAutoSizeCol = new QCommandLinkButton(QStringLiteral("Авторазмер ширины колонок"), content);
    btnAutoSizeCol->setObjectName(QStringLiteral("btnAutoSizeCol"));
    form->addRow(btnAutoSizeCol);
    auto* range = new QGroupBox(QStringLiteral("Диапазон"), content);
    auto* rangeForm = new QFormLayout(range);
    seFirstRow = makeSpinEdit(range, "seFirstRow", 2);
    seLastRow = makeSpinEdit(range, "seLastRow", 3);
    rangeForm->addRow(QStringLiteral("Начальная строка"), seFirstRow);
    rangeForm->addRow(QStringLiteral("Конечная строка"), seLastRow);
    form->addRow(range);
    return content;
}

QWidget* TFmMainForm::buildRightPanel()
{
    auto* panel2 = new QWidget;
    panel2->setObjectName(QStringLiteral("Panel2"));
    auto* layout = new QHBoxLayout(panel2);
    layout->setContentsMargins(2, 2, 2, 2);

    ScrollBox3 = new QWidget;
    ScrollBox3->setObjectName(QStringLiteral("ScrollBox3"));
    auto* left = new QVBoxLayout(ScrollBox3);
    left->addWidget(new QLabel(QStringLiteral("Колонка пикетов")));
    cmbX = new QComboBox;
    cmbX->setObjectName(QStringLiteral("cmbX"));
    cmbX->setEditable(true);
    cmbX->setInsertPolicy(QComboBox::NoInsert);
    cmbX->setEditText(QStringLiteral("1"));
    left->addWidget(cmbX);
    lwLayerManager = new LayerManagerView(LayerData);
    lwLayerManager->setObjectName(QStringLiteral("lwLayerManager"));
    left->addWidget(lwLayerManager, 1);
    grbLayerProperties = new QGroupBox(QStringLiteral("Свойства слоя"));
    grbLayerProperties->setObjectName(QStringLiteral("grbLayerProperties"));
    left->addWidget(grbLayerProperties);
    layout->addWidget(scrollPage(ScrollBox3), 1);

    auto* properties = new QWidget;
    properties->setObjectName(QStringLiteral("pnlProperties"));
    auto* right = new QVBoxLayout(properties);
    right->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(QStringLiteral("СВОЙСТВА"));
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(QStringLiteral("font-weight: bold; color: #3b4a63; padding: 3px;"));
    right->addWidget(title);
    PageControl2 = new QTabWidget;
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    pagePropTable = scrollPage(buildTableProperties());
    pagePropTable->setObjectName(QStringLiteral("scrbxPropertiesTable"));
    PageControl2->addTab(pagePropTable, QStringLiteral("Таблица"));
    pagePropDiagram = scrollPage(buildDiagramProperties());
    pagePropDiagram->setObjectName(QStringLiteral("scrbxPropertiesDiagramma"));
    PageControl2->addTab(pagePropDiagram, QStringLiteral("Диаграмма"));
    pagePropSection = scrollPage(buildSectionProperties());
    pagePropSection->setObjectName(QStringLiteral("scrbxPropertiesTrassel"));
    PageControl2->addTab(pagePropSection, QStringLiteral("Разрез"));
    right->addWidget(PageControl2, 1);
    layout->addWidget(properties, 1);
    return panel2;
}

void TFmMainForm::refreshTables()
{
    sgSourceData->setFixedRows(SourceData.fixedRows());
    sgSourceData->refresh();
    sgSkv->setFixedRows(SkvData.fixedRows());
    sgSkv->refresh();
}

void TFmMainForm::showPageByCommand(QWidget* page)
{
    programPageSwitch_ = true;
    if (PageControl1->indexOf(page) >= 0)
        PageControl1->setCurrentWidget(page);
    else if (PageControl2->indexOf(page) >= 0)
        PageControl2->setCurrentWidget(page);
    programPageSwitch_ = false;
}

QWidget* TFmMainForm::partnerPage(QWidget* page) const
{
    // The working pages and their parameter pages; "Выработки" and "ИССО" have no partner.
    const std::pair<QWidget*, QWidget*> partners[] = {
        {pageDepthTable, pagePropTable}, {pageDiagram, pagePropDiagram}, {pageSection, pagePropSection}};
    for (const auto& [work, properties] : partners) {
        if (page == work)
            return properties;
        if (page == properties)
            return work;
    }
    return nullptr;
}

void TFmMainForm::PageControl1Change(int index)
{
    if (QWidget* partner = partnerPage(PageControl1->widget(index)); partner != nullptr && !programPageSwitch_)
        showPageByCommand(partner);
}

void TFmMainForm::PageControl2Change(int index)
{
    if (QWidget* partner = partnerPage(PageControl2->widget(index)); partner != nullptr && !programPageSwitch_)
        showPageByCommand(partner);
}

void TFmMainForm::acnImportTableExecute()
{
    const QString name = services_->openFileName(this, importTableFilter(), lastOpenName_);
    if (name.isEmpty())
        return;
    lastOpenName_ = name;
    // The whole file is read before the table is touched, and the document swaps the new
    // table in only once it is complete: a file that cannot be read leaves the table as it was.
    FileBytes bytes = ReadWholeFile(toLocalPath(name));
    const WaitCursor wait;
    if (!Document.importTable(std::move(bytes.data), bytes.size))
        services_->message(this, QStringLiteral("Файл пустой!"));
}

void TFmMainForm::acnExportTableExecute()
{
    const QString name = services_->saveFileName(this, QStringLiteral("ЦифроваяМодель.txt"), exportTableFilter(),
                                                  QStringLiteral("txt"));
    if (name.isEmpty())
        return;
    ExportGridToTextFile(SourceData, toLocalPath(name));
    services_->information(this, QStringLiteral("Экспорт таблицы"), QStringLiteral("Таблица успешно экспортирована"));
}

void TFmMainForm::acnReCalcPKExecute()
{
    const WaitCursor wait;
    Document.recalcPickets();
}

void TFmMainForm::acnAboutExecute()
{
    if (fmAbout_ == nullptr)
        return;
    fmAbout_->show();
    fmAbout_->raise();
    fmAbout_->activateWindow();
}

} // namespace trassel
