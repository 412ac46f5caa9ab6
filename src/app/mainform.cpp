#include "app/mainform.h"

#include "app/ribbon.h"
#include "app/ui_services.h"
#include "app/undo_bridge.h"
#include "base/compile_date.h"
#include "base/error.h"
#include "boreholes/qt/borehole_page.h"
#include "dialogs/qt/about.h"
#include "dialogs/qt/list.h"
#include "platform/qt_canvas.h"
#include "section/qt/section_print_preview.h"
#include "diagram/qt/diagram_page.h"
#include "diagram/qt/diagram_properties_page.h"
#include "layers/qt/layer_panel.h"
#include "platform/image_export.h"
#include "platform/qt_text.h"
#include "radargram/qt/radargram_panel.h"
#include "section/qt/section_page.h"
#include "section/qt/section_properties_page.h"
#include "section/qt/section_view.h"
#include "settings/ini_file.h"
#include "settings/qt/options.h"
#include "settings/options_file.h"
#include "app/application.h"
#include "table/text_sniff.h"
#include "table/grid_io.h"
#include "table/qt/string_grid_view.h"
#include "table/qt/table_page.h"
#include "table/qt/table_properties_page.h"
#include "widgets/status_progress.h"

#include <QAbstractItemView>
#include <QAction>
#include <QStatusBar>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPrinter>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <clocale>
#include <exception>
#include <new>
#include <stdexcept>
#include <utility>

namespace trassel {
namespace {

// A page of parameters in a panel that may be narrow: the labels of its forms stand beside
// their fields while the page is wide enough for every row that way, and above them when it is
// not (all rows alike, so the fields stay in one column); whatever still does not fit scrolls.
// A field grows with the page only as far as its values can use.
class ParameterPage : public QScrollArea {
public:
    explicit ParameterPage(QWidget* content)
    {
        // Fields with unbounded ranges would ask for room for ten digits.
        for (QWidget* field : fields(content))
            if (field->minimumWidth() == 0)
                field->setMinimumWidth(64);
        setWidgetResizable(true);
        setFrameShape(QFrame::NoFrame);
        setWidget(content);
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        arrange();
        QScrollArea::resizeEvent(event);
    }
    void changeEvent(QEvent* event) override
    {
        QScrollArea::changeEvent(event);
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            arrange();
    }

private:
    // The fields of the page's forms; the editor inside a spin box, a combo box or a list is
    // part of that control.
    static QList<QWidget*> fields(QWidget* content)
    {
        const auto holdsEditors = [](const QWidget* w) {
            return qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QComboBox*>(w) ||
                   qobject_cast<const QAbstractItemView*>(w);
        };
        QList<QWidget*> result;
        for (QWidget* w : content->findChildren<QWidget*>()) {
            const bool field = qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w);
            bool inner = false;
            for (QWidget* up = w->parentWidget(); up != nullptr && up != content; up = up->parentWidget())
                inner = inner || holdsEditors(up);
            if (field && !inner)
                result.append(w);
        }
        return result;
    }

    // The width the page needs with the rows wrapped as `policy` says. The group boxes' layouts
    // are brought up to date first, innermost first, so that each box reports its new rows.
    int widthWith(QFormLayout::RowWrapPolicy policy)
    {
        QWidget* content = widget();
        for (QFormLayout* form : content->findChildren<QFormLayout*>())
            form->setRowWrapPolicy(policy);
        QList<QWidget*> boxes = content->findChildren<QWidget*>();
        for (auto box = boxes.crbegin(); box != boxes.crend(); ++box)
            if ((*box)->layout() != nullptr)
                (*box)->layout()->activate();
        if (content->layout() != nullptr)
            content->layout()->activate();
        return content->minimumSizeHint().width();
    }

    void arrange()
    {
        QWidget* content = widget();
        if (content == nullptr || content->findChildren<QFormLayout*>().isEmpty())
            return;
        for (QWidget* field : fields(content))
            field->setMaximumWidth(std::max(field->sizeHint().width(), 24 * field->fontMetrics().averageCharWidth()));
        // Room for a vertical scroll bar is kept, so that showing one never forces a rewrap.
        const int room = width() - 2 * frameWidth() - verticalScrollBar()->sizeHint().width();
        if (widthWith(QFormLayout::DontWrapRows) > room)
            widthWith(QFormLayout::WrapAllRows);
    }
};

QWidget* scrollPage(QWidget* content)
{
    return new ParameterPage(content);
}

// Gives the right-hand panels of the splitter a width chosen from the splitter's: on a small
// screen what their controls need with the labels above the fields, on a large one no more than
// they can use, so the working pages keep the rest. It follows the window's size until the user
// moves the handle; from then on the splitter keeps what the user chose.
class PanelShare : public QObject {
public:
    explicit PanelShare(QSplitter* splitter) : QObject(splitter), splitter_(splitter)
    {
        splitter->installEventFilter(this);
        connect(splitter, &QSplitter::splitterMoved, this, [this] { splitter_->removeEventFilter(this); });
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == splitter_ && event->type() == QEvent::Resize && splitter_->count() == 2) {
            const int total = splitter_->width() - splitter_->handleWidth();
            const int em = splitter_->fontMetrics().averageCharWidth();
            const int right = std::min(std::clamp(total * 3 / 10, 75 * em, 100 * em), total * 9 / 20);
            if (right > 0)
                splitter_->setSizes({total - right, right});
        }
        return false;
    }

private:
    QSplitter* splitter_;
};

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
    buildUndo();
    buildProjectCommands();

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
    pnlRadarogramma = new RadargramPanel;
    Splitter2->addWidget(pnlRadarogramma);
    Splitter2->addWidget(buildWorkPages());
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setStretchFactor(1, 3);
    panel1Layout->addWidget(Splitter2);
    Splitter1->addWidget(panel1);
    Splitter1->addWidget(buildRightPanel());
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    new PanelShare(Splitter1);
    outer->addWidget(Splitter1, 1);
    setCentralWidget(central);
    buildRibbon();
    buildMenus();

    // 1. Numbers are converted with "." whatever the system locale says.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    // 2. Maximised, with hints on.
    setWindowState(windowState() | Qt::WindowMaximized);
    // 3.-5. The build date in the label and the caption.
    CompileDate = BuildDate();
    lblDateCompilation1->setText(QStringLiteral("Дата компиляции \n") + QString::fromLatin1(CompileDate.c_str()));
    setWindowTitle(QStringLiteral("Trassel_v2  ") + QString::fromLatin1(CompileDate.c_str()));
    // 6.-10. The numbering of both tables, SectionWidth 200, the diagram's series and cursor
    // and the empty layer list were made with the document.
    // 11. The working range ends at the last row.
    tableProperties->seLastRow->setValue(Document.lastDataRow());
    refreshTables();

    pnlRadarogramma->setDocument(&Document);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int i) { PageControl1Change(i); });
    // A click on the radargram puts the section image at the radargram's left position; a
    // picture dropped on the panel loads like the command.
    connect(pnlRadarogramma, &RadargramPanel::alignRequested, sectionPage->scrbxTrassel, &SectionView::setImageLeft);
    connect(pnlRadarogramma, &RadargramPanel::fileDropped, this, [this](const QString& name) {
        runGuarded([this, name] { pnlRadarogramma->loadFile(name); }, acnLoadPicture->text());
    });
    connect(PageControl2, &QTabWidget::currentChanged, this, [this](int i) { PageControl2Change(i); });
    sectionPage->setParameterEditors({sectionProperties, layerPanel});
    connect(sectionPage, &SectionPage::soilLabelRequested, this, [this](QPoint at) { runGuarded([this, at] { imgSectionSoilLabel(at); }); });
}

TFmMainForm::~TFmMainForm()
{
    // The history holds edits of the document; it goes before the document does.
    delete undoBridge_;
    undoBridge_ = nullptr;
    delete UndoStack;
    UndoStack = nullptr;
    // The pages watch the document; they go first, then the data they showed.
    delete takeCentralWidget();
    FormDestroy();
}

void TFmMainForm::FormDestroy()
{
    // The layer records, the cursor and the picket and borehole series go with the document.
}

void TFmMainForm::setSecondaryWindows(QWidget* options, QWidget* list, QWidget* skv, QWidget* about)
{
    // The options window's buttons run the same actions as the ribbon.
    if (auto* window = qobject_cast<TFmOptions*>(options))
        window->bindActions(acnSaveOptions, acnLoadOptions);
    // The soil list reports through the one reporter, and its font is the section canvas's.
    if (auto* soils = qobject_cast<TFmList*>(list)) {
        soils->guard = [this](const std::function<void()>& command) { return runGuarded(command); };
        connect(soils, &TFmList::fontChosen, this, [this](const FontState& font) { Document.section().canvas().setFont(font); });
        soils->bindDocument(Document);
    }
    fmOptions_ = options;
    fmList_ = list;
    fmSkv_ = skv;
    fmAbout_ = about;
}

QString OutOfMemoryText(const QString& what)
{
    if (what.isEmpty())
        return QStringLiteral("Недостаточно памяти: действие не выполнено до конца.");
    return QStringLiteral("Недостаточно памяти: команда «") + what + QStringLiteral("» не выполнена до конца.");
}

bool TFmMainForm::runGuarded(const std::function<void()>& handler, const QString& what)
{
    try {
        handler();
        return true;
    } catch (const Cancelled&) {
        // Stopped by the user, who knows it: a word in the status bar, no message box.
        statusBar()->showMessage(QStringLiteral("Отменено: ") + what, 5000);
    } catch (const std::bad_alloc&) {
        // The library's own text ("std::bad_alloc") tells the user nothing.
        services_->error(this, OutOfMemoryText(what));
    } catch (const std::length_error&) {
        services_->error(this, OutOfMemoryText(what));
    } catch (const std::exception& e) {
        services_->error(this, QString::fromUtf8(e.what()));
    } catch (...) {
        services_->error(this, QString());
    }
    return false;
}

void TFmMainForm::buildActions()
{
    auto make = [this](const char* name, const QString& caption, const char* category,
                       void (TFmMainForm::*handler)()) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        action->setProperty("category", QString::fromUtf8(category));
        connect(action, &QAction::triggered, this, [this, handler, action] {
            runGuarded([this, handler] { (this->*handler)(); }, action->text().remove(QLatin1Char('&')));
        });
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
    acnExportChart = make("acnExportChart", QStringLiteral("Экспорт диаграммы"), "Диаграмма", &TFmMainForm::acnExportChartExecute);
    acnExportChart->setIcon(ribbonIcon(RibbonGlyph::ExportImage));
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
    acnShowOptions = make("acnShowOptions", QStringLiteral("Параметры"), "Настройки", &TFmMainForm::acnShowOptionsExecute);
    acnShowOptions->setIcon(ribbonIcon(RibbonGlyph::ShowOptions));
    acnSaveOptions = make("acnSaveOptions", QStringLiteral("Сохранить настройки"), "Настройки", &TFmMainForm::acnSaveOptionsExecute);
    acnSaveOptions->setIcon(ribbonIcon(RibbonGlyph::SaveOptions));
    acnLoadOptions = make("acnLoadOptions", QStringLiteral("Загрузить настройки"), "Настройки", &TFmMainForm::acnLoadOptionsExecute);
    acnLoadOptions->setIcon(ribbonIcon(RibbonGlyph::LoadOptions));
    // Not placed: they exist with their handlers and tips for whatever starts them.
    acnApplyOptions = make("acnApplyOptions", QStringLiteral("Применить настройки"), "Настройки",
                           &TFmMainForm::acnApplyOptionsExecute);
    acnShowList = make("acnShowList", QStringLiteral("Список грунтов"), "Разрез", &TFmMainForm::acnShowListExecute);
    acnLoadPicture = make("acnLoadPicture", QStringLiteral("Открыть изображение"), "", &TFmMainForm::acnLoadPictureExecute);
    acnLoadPicture->setIcon(ribbonIcon(RibbonGlyph::OpenPicture));
    acnImportSkv = make("acnImportSkv", QStringLiteral("Импорт выработок"), "Таблица", &TFmMainForm::acnImportSkvExecute);
    acnImportSkv->setIcon(ribbonIcon(RibbonGlyph::ImportTable));
    acnBuildSkv = make("acnBuildSkv", QStringLiteral("Построить скв"), "Диаграмма", &TFmMainForm::acnBuildSkvExecute);
    acnBuildSkv->setIcon(ribbonIcon(RibbonGlyph::BuildBoreholes));
    acnPlotSkv = make("acnPlotSkv", QStringLiteral("Выработки"), "Разрез", &TFmMainForm::acnPlotSkvExecute);
    acnPlotSkv->setIcon(ribbonIcon(RibbonGlyph::PlotBoreholes));
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
    RibbonGroup* fileGroup = Ribbon1->addTab(QStringLiteral("Файл"))->addGroup(QStringLiteral("Файл"));
    fileGroup->addAction(acnLoadPicture);
    addProjectCommandsTo(fileGroup);
    RibbonTab* tables = Ribbon1->addTab(QStringLiteral("Таблицы"));
    RibbonGroup* model = tables->addGroup(QStringLiteral("Цифровая модель"));
    model->addAction(acnImportTable);
    model->addAction(acnExportTable);
    model->addAction(acnReCalcPK);
    tables->addGroup(QStringLiteral("Скважины"))->addAction(acnImportSkv);
    RibbonTab* diagram = Ribbon1->addTab(QStringLiteral("Диаграмма"));
    RibbonGroup* diagramGroup = diagram->addGroup(QStringLiteral("Диаграмма"));
    diagramGroup->addAction(acnBuildChart);
    diagramGroup->addAction(acnBuildSkv);
    RibbonGroup* chartOutput = diagram->addGroup(QStringLiteral("Радарограмма"));
    chartOutput->addAction(acnPrintOverviewChart);
    chartOutput->addAction(acnExportChart);
    RibbonTab* section = Ribbon1->addTab(QStringLiteral("Разрез"));
    RibbonGroup* sectionGroup = section->addGroup(QStringLiteral("Разрез"));
    sectionGroup->addAction(acnPlotRazrezLine);
    sectionGroup->addAction(acnPlotRazrezPoligon);
    sectionGroup->addAction(acnExportDiagrammToJpg);
    sectionGroup->addAction(acnPlotSkv);
    section->addGroup(QStringLiteral("Инструменты"))->addWidget(buildToolBar());
    RibbonTab* params = Ribbon1->addTab(QStringLiteral("Параметры"));
    lblDateCompilation1 = new QLabel;
    lblDateCompilation1->setObjectName(QStringLiteral("lblDateCompilation1"));
    lblDateCompilation1->setAlignment(Qt::AlignCenter);
    params->addGroup(QStringLiteral("Дата компиляции"))->addWidget(lblDateCompilation1);
    RibbonGroup* options = params->addGroup(QStringLiteral("Параметры"));
    options->addAction(acnShowOptions);
    options->addAction(acnSaveOptions);
    options->addAction(acnLoadOptions);
    Ribbon1->addTab(QStringLiteral("Справка"))->addGroup(QStringLiteral("Сведения"))->addAction(acnAbout);

    Ribbon1->addQuickAccess(acnImportTable);
    Ribbon1->addQuickAccess(acnExportTable);
    Ribbon1->addQuickAccess(acnReCalcPK);
    Ribbon1->addQuickAccess(acnLoadPicture);
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
    Ribbon1->setScreenTip(acnExportChart, QStringLiteral("Экспорт диаграммы"),
                          QStringLiteral("Сохранить интерпретационную диаграмму рисунком PNG или документом PDF"));
    Ribbon1->setScreenTip(acnPlotRazrezPoligon, QStringLiteral("Построить разрез полигонами"),
                          QStringLiteral("Построить разрез слоями. Границы отстраиваются по данным из колонок, "
                                         "отмеченных галочками в диспетчере слоев"));
    Ribbon1->setScreenTip(acnExportDiagrammToJpg, QStringLiteral("Экспорт графики"),
                          QStringLiteral("Экспорт диаграммы в растровое изображение."));
    Ribbon1->setScreenTip(acnPlotRazrezLine, QStringLiteral("Построить разрез"),
                          QStringLiteral("Построить разрез линиями. Границы отстраиваются по данным из колонок, "
                                         "отмеченных галочками в диспетчере слоев"));
    Ribbon1->setScreenTip(acnPrintImage, QStringLiteral("Печать"), QString());
    Ribbon1->setScreenTip(acnShowOptions, QStringLiteral("Параметры"), QString());
    Ribbon1->setScreenTip(acnSaveOptions, QStringLiteral("Сохранить настройки"), QString());
    Ribbon1->setScreenTip(acnLoadOptions, QStringLiteral("Загрузить настройки"), QString());
    Ribbon1->setScreenTip(acnApplyOptions, QStringLiteral("Применить настройки"), QString());
    Ribbon1->setScreenTip(acnShowList, QStringLiteral("Список грунтов"), QString());
    Ribbon1->setScreenTip(acnLoadPicture, QStringLiteral("Открыть изображение"),
                          QStringLiteral("Загрузить изображение радарограммы в растровом формате"), false);
    Ribbon1->setScreenTip(acnImportSkv, QStringLiteral("Импорт скважин"), QStringLiteral("Импорт цифровой модели скважин"));
    Ribbon1->setCurrentIndex(1);
}

QWidget* TFmMainForm::buildWorkPages()
{
    const CommandGuard guard = [this](const std::function<void()>& handler) { return runGuarded(handler); };
    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setTabPosition(QTabWidget::South);
    tablePage = new TablePage(Document, guard);
    pageDepthTable = tablePage;
    PageControl1->addTab(tablePage, QStringLiteral("Таблица глубин"));
    boreholePage = new BoreholePage(Document, guard);
    pageSkv = boreholePage;
    PageControl1->addTab(boreholePage, QStringLiteral("Выработки"));
    pageIsso = new QWidget;
    pageIsso->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(pageIsso, QStringLiteral("ИССО"));
    diagramPage = new DiagramPage(Document, guard);
    connect(diagramPage, &DiagramPage::corrected, this, [this](const QString& text) { statusBar()->showMessage(text); });
    pageDiagram = diagramPage;
    PageControl1->addTab(diagramPage, QStringLiteral("Диаграммы"));
    sectionPage = new SectionPage(Document);
    pageSection = sectionPage;
    PageControl1->addTab(sectionPage, QStringLiteral("Разрез"));

    auto* holder = new QWidget;
    holder->setObjectName(QStringLiteral("pnlPageControl"));
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl1);
    return holder;
}

QWidget* TFmMainForm::buildRightPanel()
{
    const CommandGuard guard = [this](const std::function<void()>& handler) { return runGuarded(handler); };
    auto* panel2 = new QWidget;
    panel2->setObjectName(QStringLiteral("Panel2"));
    auto* layout = new QHBoxLayout(panel2);
    layout->setContentsMargins(2, 2, 2, 2);
    layerPanel = new LayerPanel(Document, guard);
    // The parameter pages have the longer labels; the layer panel does with less.
    layout->addWidget(scrollPage(layerPanel), 2);

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
    tableProperties = new TablePropertiesPage(Document, guard);
    tableProperties->setAutoSizedGrids(tablePage->sgSourceData, boreholePage->sgSkv);
    pagePropTable = scrollPage(tableProperties);
    pagePropTable->setObjectName(QStringLiteral("scrbxPropertiesTable"));
    PageControl2->addTab(pagePropTable, QStringLiteral("Таблица"));
    diagramProperties = new DiagramPropertiesPage(Document);
    pagePropDiagram = scrollPage(diagramProperties);
    pagePropDiagram->setObjectName(QStringLiteral("scrbxPropertiesDiagramma"));
    PageControl2->addTab(pagePropDiagram, QStringLiteral("Диаграмма"));
    sectionProperties = new SectionPropertiesPage(Document, guard);
    pagePropSection = scrollPage(sectionProperties);
    pagePropSection->setObjectName(QStringLiteral("scrbxPropertiesTrassel"));
    PageControl2->addTab(pagePropSection, QStringLiteral("Разрез"));
    right->addWidget(PageControl2, 1);
    layout->addWidget(properties, 3);
    return panel2;
}

QToolBar* TFmMainForm::buildToolBar()
{
    ToolBar1 = new QToolBar;
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    auto button = [this](const char* name, const QString& hint, RibbonGlyph glyph) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(QLatin1String(name));
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setIcon(ribbonIcon(glyph));
        b->setToolTip(hint);
        ToolBar1->addWidget(b);
        return b;
    };
    tbtnCursor = button("tbtnCursor", QStringLiteral("Курсор"), RibbonGlyph::Cursor);
    tbtnWriteGround = button("tbtnWriteGround", QStringLiteral("Подписи"), RibbonGlyph::Labels);
    tbtnPen = button("tbtnPen", QString(), RibbonGlyph::Pen);
    tbtnLastik = button("tbtnLastik", QStringLiteral("Ластик"), RibbonGlyph::Eraser);
    tbtnCursor->setChecked(true);
    // One group: pressing a button raises the one that was down; only the eraser may be raised
    // again, leaving none down.
    for (QToolButton* b : {tbtnCursor, tbtnWriteGround, tbtnPen, tbtnLastik}) {
        connect(b, &QToolButton::clicked, this, [this, b](bool checked) {
            if (!checked && b != tbtnLastik)
                b->setChecked(true);
            if (b->isChecked())
                for (QToolButton* other : {tbtnCursor, tbtnWriteGround, tbtnPen, tbtnLastik})
                    if (other != b)
                        other->setChecked(false);
            sectionPage->setTool(!b->isChecked()        ? SectionTool::None
                                 : b == tbtnWriteGround ? SectionTool::WriteGround
                                 : b == tbtnPen         ? SectionTool::Pen
                                 : b == tbtnLastik      ? SectionTool::Lastik
                                                        : SectionTool::Cursor);
            if (b == tbtnWriteGround)
                runGuarded([this] { tbtnWriteGroundClick(); });
        });
    }
    return ToolBar1;
}

void TFmMainForm::tbtnWriteGroundClick() { showWindow(fmList_, false); }

void TFmMainForm::imgSectionSoilLabel(QPoint at)
{
    // The brush is solid white whether a soil is written or not.
    sectionPage->canvas().setBrushStyle(BrushStyle::Solid);
    sectionPage->canvas().setBrushColor(kWhite);
    auto* soils = qobject_cast<TFmList*>(fmList_.data());
    if (soils == nullptr || !soils->soilSelected()) {
        services_->information(this, QStringLiteral("Подпись грунтов"), QStringLiteral("Выберете название грунта из списка"));
        return;
    }
    sectionPage->writeSoil(at, toStdString(soils->selectedSoil()));
}

void TFmMainForm::buildMenus()
{
    QMenu* table = tablePage->PopupMenuSgSourceData;
    auto separator = [table](const char* name) { table->addSeparator()->setObjectName(QLatin1String(name)); };
    table->addAction(J1);
    separator("N9");
    table->addAction(acnCopySG);
    table->addAction(acnPasteToSG);
    table->addAction(acnClearRange);
    separator("N7");
    table->addAction(N5);
    table->addAction(N6);
    separator("N8");
    table->addAction(N1);
    table->addAction(N2);
    separator("N11");
    table->addAction(acnLayerAdd);
    table->addAction(acnMadeRowFirst);
    table->addAction(acnMadeRowLast);
    layerPanel->PopupMenuLV->addAction(acnLayerDelete);
}

void TFmMainForm::buildUndo()
{
    UndoStack = new QUndoStack;
    // An undo or a redo redraws what the edit's changes ask for; a redraw that fails there is
    // reported like any command's failure.
    undoBridge_ = new UndoBridge(Document, UndoStack, [this](const std::exception_ptr& failure) {
        runGuarded([&failure] { std::rethrow_exception(failure); });
    });
    connect(undoBridge_, &UndoBridge::changed, this, [this] { updateUndoActions(); });
    updateUndoActions();
}

void TFmMainForm::updateUndoActions()
{
    const bool canUndo = undoBridge_->canUndo();
    acnUndo->setEnabled(canUndo);
    acnUndo->setText(canUndo ? QStringLiteral("Отменить: ") + UndoStack->undoText() : QStringLiteral("Отменить"));
    const bool canRedo = undoBridge_->canRedo();
    acnRedo->setEnabled(canRedo);
    acnRedo->setText(canRedo ? QStringLiteral("Повторить: ") + UndoStack->redoText() : QStringLiteral("Повторить"));
}

void TFmMainForm::refreshTables()
{
    tablePage->sgSourceData->setFixedRows(SourceData.fixedRows());
    tablePage->sgSourceData->refresh();
    boreholePage->sgSkv->setFixedRows(SkvData.fixedRows());
    boreholePage->sgSkv->refresh();
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
    rememberPages();
    if (QWidget* partner = partnerPage(PageControl1->widget(index)); partner != nullptr && !programPageSwitch_)
        showPageByCommand(partner);
}

void TFmMainForm::PageControl2Change(int index)
{
    rememberPages();
    if (QWidget* partner = partnerPage(PageControl2->widget(index)); partner != nullptr && !programPageSwitch_)
        showPageByCommand(partner);
}

void TFmMainForm::rememberPages()
{
    PageChoice pages = Document.pages();
    pages.left = PageControl1->currentIndex();
    pages.right = PageControl2->currentIndex();
    Document.setPages(pages);
}

// ---- the commands ----

QString TFmMainForm::askOpenName()
{
    // The open dialog is shared: it keeps the filter and the name the last command left in it.
    const QString name = services_->openFileName(this, lastOpenFilter_, lastOpenName_);
    if (!name.isEmpty())
        lastOpenName_ = name;
    return name;
}

void TFmMainForm::acnImportTableExecute()
{
    lastOpenFilter_ = importTableFilter();
    const QString name = askOpenName();
    if (!name.isEmpty())
        importTableFile(name);
}

void TFmMainForm::importTableFile(const QString& name)
{
    if (!confirmDiscard())
        return;
    // The whole file is read before the table is touched, and the document swaps the new
    // table in only once it is complete: a file that cannot be read leaves the table as it was.
    FileBytes bytes = ReadWholeFile(toLocalPath(name));
    if (!looksLikeTable(bytes))
        return;
    StatusProgress progress(this, QStringLiteral("Импорт таблицы"));
    if (!Document.importTable(std::move(bytes.data), bytes.size, progress.report()))
        services_->message(this, QStringLiteral("Файл пустой!"));
}

bool TFmMainForm::looksLikeTable(const FileBytes& bytes)
{
    // A picture or an archive chosen by mistake would fill the table with garbage.
    if (!LooksBinary(std::string_view(bytes.data.get(), std::min(bytes.size, kSniffBytes))))
        return true;
    return services_->confirm(this, QStringLiteral("Файл не похож на текстовую таблицу. Импортировать всё равно?"));
}

void TFmMainForm::acnImportSkvExecute()
{
    // No filter of its own: the dialog shows the one another command left, or none.
    const QString name = askOpenName();
    if (name.isEmpty())
        return;
    FileBytes bytes = ReadWholeFile(toLocalPath(name));
    if (!looksLikeTable(bytes))
        return;
    StatusProgress progress(this, QStringLiteral("Импорт выработок"));
    if (!Document.importBoreholes(std::move(bytes.data), bytes.size, progress.report()))
        services_->message(this, QStringLiteral("Файл пустой!"));
}

void TFmMainForm::acnLoadPictureExecute()
{
    // The shared open dialog, with the filter and the name the imports left: no filter of its own.
    const QString name = askOpenName();
    if (name.isEmpty())
        return;
    pnlRadarogramma->loadFile(name);  // a file that fails leaves the former picture
    // Room for the whole height of the picture, as far as the working pages keep half.
    QList<int> sizes = Splitter2->sizes();
    const int wanted = pnlRadarogramma->picture().height() + 60;
    if (sizes.size() == 2 && sizes[0] < wanted) {
        const int total = sizes[0] + sizes[1];
        sizes[0] = std::min(wanted, total / 2);
        sizes[1] = total - sizes[0];
        Splitter2->setSizes(sizes);
    }
}

void TFmMainForm::showWindow(QWidget* window, bool centred)
{
    if (window == nullptr)
        return;
    if (centred && !window->isVisible())
        window->move(geometry().center() - window->rect().center());
    window->show();
    window->raise();
    window->activateWindow();
}

void TFmMainForm::acnShowOptionsExecute() { showWindow(fmOptions_, true); }

void TFmMainForm::acnShowListExecute() { showWindow(fmList_, false); }

void TFmMainForm::acnApplyOptionsExecute() { acnBuildChartExecute(); }

std::string TFmMainForm::optionsFile() const
{
    return optionsPath_.empty() ? OptionsFilePath() : optionsPath_;
}

void TFmMainForm::acnSaveOptionsExecute()
{
    const DiagramParams diagram = Document.diagramParams();
    OptionValues values;
    values.delimiterIndex = Document.settings().delimiterIndex;
    values.picketColumnText = Document.settings().picketColumnText;
    values.cursorHorzSize = diagram.CursorHorzSize;
    values.cursorVertSize = diagram.CursorVertSize;
    values.cursorHorizMarkVisible = diagram.CursorHorizMarkVisible;
    values.cursorVertMarkVisible = diagram.CursorVertMarkVisible;
    values.vertIncrement = diagram.VertIncrement;
    const std::string path = optionsFile();
    // The user's configuration folder may not exist yet on a fresh account; a file named by
    // hand is written where it was named, or the failure is reported.
    if (optionsPath_.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    }
    IniFile file(path);
    SaveOptions(file, values);
}

void TFmMainForm::acnLoadOptionsExecute()
{
    // Loading sets the controls (through the document they show) and nothing else: no table is
    // read again and nothing is drawn; each value counts at the next command that reads it.
    const OptionValues values = LoadOptions(IniFile(optionsFile()));
    const int item = values.delimiterIndex >= 0 && values.delimiterIndex <= 3 ? values.delimiterIndex : -1;
    static const char* const kDelimiters[] = {"табуляция", "точка с запятой", "запятая", "пробел"};
    Document.setDelimiter(item, item >= 0 ? kDelimiters[item] : "");
    Document.setPicketColumnText(values.picketColumnText);
    DiagramParams diagram = Document.diagramParams();
    diagram.CursorHorzSize = values.cursorHorzSize;
    diagram.CursorVertSize = values.cursorVertSize;
    diagram.CursorHorizMarkVisible = values.cursorHorizMarkVisible;
    diagram.CursorVertMarkVisible = values.cursorVertMarkVisible;
    diagram.VertIncrement = values.vertIncrement;
    Document.setDiagramParams(diagram);
}

void TFmMainForm::acnBuildSkvExecute() { Document.buildSkv(); }

void TFmMainForm::acnPlotSkvExecute() { sectionPage->plotSkv(); }

void TFmMainForm::acnExportTableExecute()
{
    const QString name = services_->saveFileName(this, QStringLiteral("ЦифроваяМодель.txt"), exportTableFilter(),
                                                  QStringLiteral("txt"));
    if (name.isEmpty())
        return;
    {
        StatusProgress progress(this, QStringLiteral("Экспорт таблицы"));
        ExportGridToTextFile(SourceData, toLocalPath(name), progress.report());
    }
    services_->information(this, QStringLiteral("Экспорт таблицы"), QStringLiteral("Таблица успешно экспортирована"));
}

void TFmMainForm::acnReCalcPKExecute()
{
    StatusProgress progress(this, QStringLiteral("Пересчет в ПК"));
    Document.recalcPickets(progress.report());
}

void TFmMainForm::acnAboutExecute() { showWindow(fmAbout_, false); }

void TFmMainForm::acnBuildChartExecute() { Document.buildChart(); }

void TFmMainForm::acnPrintOverviewChartExecute()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    if (services_->printerSetup(this, printer))
        diagramPage->print(printer);
}

void TFmMainForm::acnExportChartExecute()
{
    const QString name = services_->saveFileName(this, QStringLiteral("Диаграмма.png"),
                                                  QStringLiteral("PNG (*.png);;PDF (*.pdf)"), QStringLiteral("png"));
    if (!name.isEmpty())
        diagramPage->exportImage(name);
}

void TFmMainForm::acnLayerAddExecute() { Document.addLayer(); }

void TFmMainForm::acnLayerDeleteExecute() { Document.deleteSelectedLayer(); }

void TFmMainForm::acnPlotRazrezPoligonExecute() { sectionPage->plotPolygons(); }

void TFmMainForm::acnPlotRazrezLineExecute()
{
    showPageByCommand(pageSection);
    sectionPage->applyWidth();
}

void TFmMainForm::acnExportDiagrammToJpgExecute()
{
    const QString name = services_->saveFileName(this, QStringLiteral("ГеологическаяМодель.jpg"), SectionImageFilter(),
                                                  QStringLiteral("jpg"));
    if (!name.isEmpty())
        sectionPage->exportImage(name);
}

void TFmMainForm::acnPrintImageExecute()
{
    QPrinter printer(QPrinter::HighResolution);
    // A section is a long band: sideways sheets take more of it each.
    printer.setPageOrientation(QPageLayout::Landscape);
    SectionPrintPreview preview(sectionPage->printSource(), this);
    preview.setOptions(sectionPage->printOptions());
    services_->printPreview(this, preview, printer);
    sectionPage->setPrintOptions(preview.options());
}

void TFmMainForm::acnCopySGExecute()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(QString::fromStdString(Document.copyTable()));
}

void TFmMainForm::acnPasteToSGExecute()
{
    StatusProgress progress(this, QStringLiteral("Вставить"));
    if (!Document.pasteTable(QGuiApplication::clipboard()->text().toStdString(), progress.report()))
        services_->message(this, QStringLiteral("Необходимо скопировать данные!"));
}

void TFmMainForm::acnClearRangeExecute() { tablePage->clearSelectedCells(); }

void TFmMainForm::acnMadeRowFirstExecute() { Document.madeRowFirst(); }

void TFmMainForm::acnMadeRowLastExecute() { Document.madeRowLast(); }

void TFmMainForm::acnUndoExecute()
{
    if (undoBridge_->canUndo())
        UndoStack->undo();
}

void TFmMainForm::acnRedoExecute()
{
    if (undoBridge_->canRedo())
        UndoStack->redo();
}

void TFmMainForm::J1Click() { Document.clearTable(); }

void TFmMainForm::N5Click() { Document.insertRow(); }

void TFmMainForm::N6Click() { Document.deleteRow(); }

void TFmMainForm::N1Click() { Document.insertColumn(); }

void TFmMainForm::N2Click() { Document.deleteColumn(); }

} // namespace trassel
