#pragma once
// The main window: owns the working state of a run (the two tables, the selection, the layers,
// the diagram series and cursor, the section bitmap's width) and maps every command of the
// ribbon, the menus and the parameter controls to its handler. Handlers stay thin: they read
// the controls, call the core, and let errors reach one reporter.
#include "chart/chart_model.h"
#include "diagram/diagram.h"
#include "document/survey_document.h"
#include "layers/layers.h"
#include "section/section_renderer.h"
#include "table/grid.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QCheckBox;
class QComboBox;
class QMenu;
class QCommandLinkButton;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QToolButton;
class QUndoStack;

namespace trassel {

class BrushStyleBox;
class ChartView;
class ColorBox;
class ImageCanvas;
class SectionImage;
class SectionView;
class LayerManagerView;
class Ribbon;
class StringGridView;
class UiServices;
class UndoBridge;

class TFmMainForm : public QMainWindow {
    Q_OBJECT
public:
    // `services` answers the dialogs; the real dialogs when null.
    explicit TFmMainForm(UiServices* services = nullptr, QWidget* parent = nullptr);
    ~TFmMainForm() override;

    // The windows the commands show; created after the main window, in the start-up order.
    void setSecondaryWindows(QWidget* options, QWidget* list, QWidget* skv, QWidget* about);

    // Runs a handler; an error it raises is shown by the one top-level reporter and the
    // program goes on. Returns false when the handler failed.
    bool runGuarded(const std::function<void()>& handler);

    // ---- working state ----
    // The survey document owns the data of the interpretation; the names below are the
    // window's handles on its parts.
    SurveyDocument Document;
    std::string CompileDate;
    int SectionWidth = 200;
    Grid& SourceData = Document.depthTable();     // the depth table behind sgSourceData
    Grid& SkvData = Document.boreholeTable();     // the borehole table behind sgSkv
    ChartModel& ChartData = Document.chart();     // what chtOverviewChart shows
    LayerManager& LayerData = Document.layers();  // Layers, LayerCount and the entries of lwLayerManager
    std::unique_ptr<ImageCanvas> SectionCanvas;   // the section bitmap and its canvas
    SectionState& SectionSizes = Document.sectionState();  // SectionWidth's partner: the image control's size
    QUndoStack* UndoStack = nullptr;

    int SelCol() const { return Document.selCol(); }
    int SelRow() const { return Document.selRow(); }
    int HeaderRowCount() const;
    int FirstDataRow() const;
    int LastDataRow() const;
    UndoBridge* undoBridge() const { return undoBridge_; }

    // ---- controls ----
    Ribbon* Ribbon1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QSplitter* Splitter2 = nullptr;
    QWidget* pnlRadarogramma = nullptr;
    QScrollArea* scrbxRadarogramma = nullptr;
    QLabel* imgRadarogramma = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QTabWidget* PageControl2 = nullptr;
    QWidget* pageDepthTable = nullptr;
    QWidget* pageSkv = nullptr;
    QWidget* pageIsso = nullptr;
    QWidget* pageDiagram = nullptr;
    QWidget* pageSection = nullptr;
    QWidget* pagePropTable = nullptr;
    QWidget* pagePropDiagram = nullptr;
    QWidget* pagePropSection = nullptr;
    QLineEdit* txtTargetText = nullptr;
    QPushButton* btnFindTarget = nullptr;
    StringGridView* sgSourceData = nullptr;
    StringGridView* sgSkv = nullptr;
    QLabel* lblDateCompilation1 = nullptr;
    QComboBox* cmbX = nullptr;
    QSpinBox* seNumberOfHeaderRows = nullptr;
    QComboBox* cmbDelimiter = nullptr;
    QCommandLinkButton* btnAutoSizeCol = nullptr;
    QSpinBox* seFirstRow = nullptr;
    QSpinBox* seLastRow = nullptr;
    QWidget* ScrollBox3 = nullptr;
    QGroupBox* grbLayerProperties = nullptr;
    QMenu* PopupMenuSgSourceData = nullptr;
    QMenu* PopupMenuLV = nullptr;
    QMenu* PopupMenuSgSkv = nullptr;
    ChartView* chtOverviewChart = nullptr;
    LayerManagerView* lwLayerManager = nullptr;
    QCheckBox* chkDinamicDiapazonAxes = nullptr;
    QSpinBox* seChtOverviewChartHeight = nullptr;
    QSpinBox* seChtOverviewChartWidth = nullptr;
    QCheckBox* chkSeriesMarksVisible = nullptr;
    QSpinBox* seSeriesFrequencyMarks = nullptr;
    QLineEdit* ltxtVertIncrementDecrement = nullptr;
    QCheckBox* chkCursorHorizMarkVisible = nullptr;
    QCheckBox* chkCursorVertMarkVisible = nullptr;
    QSpinBox* seCursorHorzSize = nullptr;
    QSpinBox* seCursorVertSize = nullptr;
    SectionView* scrbxTrassel = nullptr;
    SectionImage* imgSection = nullptr;
    QSpinBox* seScaleX = nullptr;
    QSpinBox* seScaleY = nullptr;
    QSpinBox* seMaxDepth = nullptr;
    QSpinBox* seDHL = nullptr;
    QSpinBox* seISSO = nullptr;
    QSpinBox* sedH = nullptr;
    QSpinBox* sedLleft = nullptr;
    QSpinBox* sedLright = nullptr;
    QSpinBox* seLineWidth = nullptr;
    ColorBox* clbLineColor = nullptr;
    BrushStyleBox* cmbBrushStyle = nullptr;
    ColorBox* clbBrushColor = nullptr;
    ColorBox* clbColorOfSeriesPoint = nullptr;

    // ---- actions ----
    QAction* acnImportTable = nullptr;
    QAction* acnExportTable = nullptr;
    QAction* acnReCalcPK = nullptr;
    QAction* acnAbout = nullptr;
    QAction* acnBuildChart = nullptr;
    QAction* acnPrintOverviewChart = nullptr;
    QAction* acnLayerAdd = nullptr;
    QAction* acnLayerDelete = nullptr;
    QAction* acnPlotRazrezLine = nullptr;
    QAction* acnPlotRazrezPoligon = nullptr;
    QAction* acnExportDiagrammToJpg = nullptr;
    QAction* acnPrintImage = nullptr;
    QAction* acnCopySG = nullptr;
    QAction* acnPasteToSG = nullptr;
    QAction* acnClearRange = nullptr;
    QAction* acnMadeRowFirst = nullptr;
    QAction* acnMadeRowLast = nullptr;
    QAction* acnUndo = nullptr;
    QAction* acnRedo = nullptr;
    // Items of the depth table's menu that are not actions of the command map.
    QAction* J1 = nullptr;
    QAction* N5 = nullptr;
    QAction* N6 = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;

    // ---- handlers ----
    void acnImportTableExecute();
    void acnExportTableExecute();
    void acnReCalcPKExecute();
    void acnAboutExecute();
    void sgSourceDataSelectCell(int col, int row);
    void seNumberOfHeaderRowsChange();
    void seFirstRowChange();
    void seLastRowChange();
    void btnAutoSizeColClick();
    void J1Click();
    void acnCopySGExecute();
    void acnPasteToSGExecute();
    void acnClearRangeExecute();
    void N5Click();
    void N6Click();
    void N1Click();
    void N2Click();
    void btnFindTargetClick();
    void acnMadeRowFirstExecute();
    void acnMadeRowLastExecute();
    void acnUndoExecute();
    void acnRedoExecute();
    // The spreadsheet keys of the depth table: the selected rectangle copied, text pasted
    // at the current cell, the selected cells cleared.
    void sgSourceDataCopyCells();
    void sgSourceDataPasteCells();
    void sgSourceDataDeleteCells();
    void PageControl1Change(int index);
    void PageControl2Change(int index);
    void FormDestroy();
    void acnBuildChartExecute();
    void acnPrintOverviewChartExecute();
    void acnLayerAddExecute();
    void acnLayerDeleteExecute();
    void chtOverviewChartKeyDown(int key);
    void chtOverviewChartClickSeries(int series, int index, Qt::MouseButton button);

    void acnPlotRazrezLineExecute();
    void acnPlotRazrezPoligonExecute();
    void acnExportDiagrammToJpgExecute();
    void acnPrintImageExecute();
    void lwLayerManagerSelectItem(int entry);
    void seLineWidthChange();
    void clbLineColorChange();
    void cmbBrushStyleChange();
    void clbBrushColorChange();
    void clbColorOfSeriesPointChange();

    // The diagram settings as the controls hold them now.
    DiagramParams diagramParams() const;
    // The section settings as the controls hold them now.
    SectionParams sectionParams() const;

    // Switches a page from program code: unlike a user's switch it is not mirrored.
    void showPageByCommand(QWidget* page);

    // Tells the table views that the grids changed.
    void refreshTables();
    // Writes the controls' values into the document's parameters.
    void pushDiagramParams();
    void pushSectionParams();

private:
    // The page of the other page control that goes with `page`, or null.
    QWidget* partnerPage(QWidget* page) const;
    void buildActions();
    void buildRibbon();
    QWidget* buildRadargramPanel();
    QWidget* buildWorkPages();
    QWidget* buildRightPanel();
    QWidget* buildTableProperties();
    QWidget* buildDiagramProperties();
    void buildDiagram();
    QWidget* buildSectionProperties();
    void buildLayerProperties();
    void buildSection();
    void buildUndo();
    void buildTablePopup();
    // Brings the views and controls in step with a change of the document.
    void onDocumentChange(const DocumentChange& change);
    // Redraws what an undone or redone edit asks for.
    void followEdit(Follow follow);
    void updateUndoActions();

    std::unique_ptr<UiServices> ownServices_;
    UiServices* services_ = nullptr;
    QPointer<QWidget> fmOptions_;
    QPointer<QWidget> fmList_;
    QPointer<QWidget> fmSkv_;
    QPointer<QWidget> fmAbout_;
    QString lastOpenName_;
    bool programPageSwitch_ = false;
    UndoBridge* undoBridge_ = nullptr;
    int documentSubscription_ = 0;
};

// The filter of the table import's open dialog, in Qt's form.
QString importTableFilter();
// The filter of the table export's save dialog, in Qt's form.
QString exportTableFilter();

} // namespace trassel
