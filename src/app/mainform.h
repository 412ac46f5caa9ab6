#pragma once
// The main window: the layout of the ribbon, the panels and the two page controls, their
// coupling, the commands of the ribbon and the menus (every action is made here, each with a
// one-line handler), the one reporter of errors, and the survey document with its undo
// history. The pages own their controls and bind them to the document.
#include "document/survey_document.h"
#include "base/atomic_file.h"
#include "document/workspace.h"

#include <QMainWindow>
#include <QPoint>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;
class QUndoStack;

namespace trassel {

class BoreholePage;
class DiagramPage;
class DiagramPropertiesPage;
class LayerPanel;
class RadargramPanel;
class Ribbon;
class RibbonGroup;
class SectionPage;
class SectionPropertiesPage;
class TablePage;
class TablePropertiesPage;
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
    // program goes on. Running out of memory is told in words, naming `what` was being done
    // (a command's caption). Returns false when the handler failed.
    bool runGuarded(const std::function<void()>& handler, const QString& what = QString());

    // ---- working state ----
    // The survey document owns the data of the interpretation; the names below are the
    // window's handles on its parts.
    SurveyDocument Document;
    std::string CompileDate;
    Grid& SourceData = Document.depthTable();     // the depth table behind sgSourceData
    Grid& SkvData = Document.boreholeTable();     // the borehole table behind sgSkv
    ChartModel& ChartData = Document.chart();     // what chtOverviewChart shows
    LayerManager& LayerData = Document.layers();  // Layers, LayerCount and the entries of lwLayerManager
    QUndoStack* UndoStack = nullptr;

    int SelCol() const { return Document.selCol(); }
    int SelRow() const { return Document.selRow(); }
    int SectionWidth() const { return Document.sectionWidth(); }
    int HeaderRowCount() const { return Document.settings().headerRowCount; }
    int FirstDataRow() const { return Document.firstDataRow(); }
    int LastDataRow() const { return Document.lastDataRow(); }
    UndoBridge* undoBridge() const { return undoBridge_; }

    // ---- layout ----
    Ribbon* Ribbon1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QSplitter* Splitter2 = nullptr;
    RadargramPanel* pnlRadarogramma = nullptr;  // the radargram, its scroll box and SpeedButton1
    QTabWidget* PageControl1 = nullptr;
    QTabWidget* PageControl2 = nullptr;
    QLabel* lblDateCompilation1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolButton* tbtnCursor = nullptr;
    QToolButton* tbtnWriteGround = nullptr;
    QToolButton* tbtnPen = nullptr;
    QToolButton* tbtnLastik = nullptr;

    // ---- pages ----
    TablePage* tablePage = nullptr;
    BoreholePage* boreholePage = nullptr;
    QWidget* pageIsso = nullptr;
    DiagramPage* diagramPage = nullptr;
    SectionPage* sectionPage = nullptr;
    LayerPanel* layerPanel = nullptr;
    TablePropertiesPage* tableProperties = nullptr;
    DiagramPropertiesPage* diagramProperties = nullptr;
    SectionPropertiesPage* sectionProperties = nullptr;
    // The pages as the page controls hold them (the parameter pages inside their scroll boxes).
    QWidget* pageDepthTable = nullptr;
    QWidget* pageSkv = nullptr;
    QWidget* pageDiagram = nullptr;
    QWidget* pageSection = nullptr;
    QWidget* pagePropTable = nullptr;
    QWidget* pagePropDiagram = nullptr;
    QWidget* pagePropSection = nullptr;

    // ---- actions ----
    QAction* acnImportTable = nullptr;
    QAction* acnExportTable = nullptr;
    QAction* acnReCalcPK = nullptr;
    QAction* acnAbout = nullptr;
    QAction* acnBuildChart = nullptr;
    QAction* acnPrintOverviewChart = nullptr;
    QAction* acnExportChart = nullptr;
    QAction* acnOpenProject = nullptr;
    QAction* acnSaveProject = nullptr;
    QAction* acnSaveProjectAs = nullptr;
    QAction* acnRecentProjects = nullptr;
    QMenu* mnuRecentProjects = nullptr;
    QLabel* lblProject = nullptr;  // the status bar's word on the project and unsaved changes
    QAction* acnLayerAdd = nullptr;
    QAction* acnLayerDelete = nullptr;
    QAction* acnPlotRazrezLine = nullptr;
    QAction* acnPlotRazrezPoligon = nullptr;
    QAction* acnExportDiagrammToJpg = nullptr;
    QAction* acnPrintImage = nullptr;
    QAction* acnLoadPicture = nullptr;
    QAction* acnShowOptions = nullptr;
    QAction* acnSaveOptions = nullptr;
    QAction* acnLoadOptions = nullptr;
    QAction* acnApplyOptions = nullptr;
    QAction* acnShowList = nullptr;
    QAction* acnImportSkv = nullptr;
    QAction* acnBuildSkv = nullptr;
    QAction* acnPlotSkv = nullptr;
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

    // ---- handlers of the actions ----
    void acnImportTableExecute();
    void acnExportTableExecute();
    void acnImportSkvExecute();
    void acnLoadPictureExecute();
    void acnShowOptionsExecute();
    void tbtnWriteGroundClick();
    // A press on the section with "Подписи" down: the soil chosen in the soil list, or a message.
    void imgSectionSoilLabel(QPoint at);
    void acnShowListExecute();
    void acnApplyOptionsExecute();
    void acnSaveOptionsExecute();
    void acnLoadOptionsExecute();
    // The settings file the save and load commands use ("TrasselOptions.ini" beside the program).
    void setOptionsFile(const std::string& path) { optionsPath_ = path; }
    // The settings file the commands use: the one set, else the place the rule above chooses.
    std::string optionsFile() const;
    void acnBuildSkvExecute();
    void acnPlotSkvExecute();
    void acnReCalcPKExecute();
    void acnAboutExecute();
    void acnBuildChartExecute();
    void acnPrintOverviewChartExecute();
    void acnExportChartExecute();
    void acnOpenProjectExecute();
    void acnSaveProjectExecute();
    void acnSaveProjectAsExecute();

    // ---- workspaces ----
    // Writes the whole interpretation to `path`; the work counts as saved from then on.
    void saveProject(const QString& path);
    // Asks first about unsaved work, then replaces the work by the project's; a file that
    // cannot be read leaves everything as it was.
    void openProject(const QString& path);
    // A dropped file: a project is opened, anything else imported as the depth table.
    void openDroppedFile(const QString& path);
    // The depth-table import of a chosen file.
    void importTableFile(const QString& path);
    // True for a file that looks like text, or when the user wants it imported anyway.
    bool looksLikeTable(const FileBytes& bytes);
    // True when there is nothing unsaved or the user chose to save (and it was saved) or to
    // let it go; false when the user cancelled.
    bool confirmDiscard();
    const QString& projectPath() const { return projectPath_; }
    void acnLayerAddExecute();
    void acnLayerDeleteExecute();
    void acnPlotRazrezLineExecute();
    void acnPlotRazrezPoligonExecute();
    void acnExportDiagrammToJpgExecute();
    void acnPrintImageExecute();
    void acnCopySGExecute();
    void acnPasteToSGExecute();
    void acnClearRangeExecute();
    void acnMadeRowFirstExecute();
    void acnMadeRowLastExecute();
    void acnUndoExecute();
    void acnRedoExecute();
    void J1Click();
    void N5Click();
    void N6Click();
    void N1Click();
    void N2Click();
    void PageControl1Change(int index);
    void PageControl2Change(int index);
    void FormDestroy();

    // Switches a page from program code: unlike a user's switch it is not mirrored.
    void showPageByCommand(QWidget* page);
    // Tells the table views that the grids changed.
    void refreshTables();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildProjectCommands();
    void addProjectCommandsTo(RibbonGroup* group);
    void showProjectState();
    void rememberProject(const QString& path);
    void fillRecentMenu();
    // The pages in front belong to the interpretation: a project reopens on them.
    void rememberPages();
    // The radargram the document names, after an open: shown, or the panel emptied with a word
    // when the picture cannot be read.
    void showDocumentRadargram();
    // The page of the other page control that goes with `page`, or null.
    QWidget* partnerPage(QWidget* page) const;
    void buildActions();
    void buildRibbon();
    void buildUndo();
    void buildMenus();
    QToolBar* buildToolBar();
    QWidget* buildWorkPages();
    QWidget* buildRightPanel();
    void updateUndoActions();
    // The shared open dialog; the name chosen, empty when cancelled.
    QString askOpenName();
    // Shows a secondary window without blocking, bringing an open one forward.
    void showWindow(QWidget* window, bool centred);

    std::unique_ptr<UiServices> ownServices_;
    UiServices* services_ = nullptr;
    QPointer<QWidget> fmOptions_;
    QPointer<QWidget> fmList_;
    QPointer<QWidget> fmSkv_;
    QPointer<QWidget> fmAbout_;
    QString lastOpenName_;
    QString lastOpenFilter_;
    std::string optionsPath_;  // set by tests; empty: chosen when a settings command runs
    bool programPageSwitch_ = false;
    UndoBridge* undoBridge_ = nullptr;
    QString projectPath_;
};

// The report of running out of memory while doing `what` (a command's caption, or empty).
QString OutOfMemoryText(const QString& what);

// The filter of the table import's open dialog, in Qt's form.
QString importTableFilter();
// The filter of the table export's save dialog, in Qt's form.
QString exportTableFilter();

} // namespace trassel
