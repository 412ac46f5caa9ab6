#pragma once
// Owns the actions of the command table and runs the commands: each slot hands its command to
// the document, a page or the window, and every error reaches the window's one reporter.
#include "base/atomic_file.h"
#include "base/signal.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <string>

class QAction;
class QMenu;
class QUndoStack;

namespace trassel {

class DiagramPage;
class RadargramPage;
class RadargramPanel;
class Ribbon;
class SectionPage;
class SurveyDocument;
class TFmMainForm;
class TablePage;
class UiServices;
class UndoBridge;
struct CommandRow;

// The pages the commands work on.
struct CommandPages {
    TablePage* table = nullptr;
    DiagramPage* diagram = nullptr;
    SectionPage* section = nullptr;
    RadargramPanel* radargram = nullptr;
    RadargramPage* instrumentRadargram = nullptr;
};

class ActionHandler : public QObject {
    Q_OBJECT
public:
    // Makes an action for every row of the command table; the window answers the keys of those
    // that have keys. The undo and redo commands follow `history`.
    ActionHandler(TFmMainForm& window, SurveyDocument& document, UiServices& services, UndoBridge& history,
                  QUndoStack& stack);

    // The pages, once the window has made them.
    void setPages(const CommandPages& pages) { pages_ = pages; }
    // The secondary windows the commands show; the options window's buttons run the settings commands.
    void setSecondaryWindows(QWidget* options, QWidget* list, QWidget* about);
    // Places the commands on the ribbon and in the popup menus (by object name), as the table says.
    void placeCommands(Ribbon& ribbon, const QHash<QString, QMenu*>& menus);
    // The menu the recent-projects command opens.
    void setRecentProjectsMenu(QMenu* menu);
    // The action of a command, for the window's coupling, which starts some commands exactly as
    // the user would; null for a name that is not in the table.
    QAction* action(const char* name) const;

    // The settings file the save and load commands use ("TrasselOptions.ini" beside the program).
    void setOptionsFile(const std::string& path) { optionsPath_ = path; }
    // The settings file the commands use: the one set, else the place the rule above chooses.
    std::string optionsFile() const;

    // The depth-table import of a chosen file, after the question about unsaved work.
    void importTableFile(const QString& path);

    // ---- the commands ----
    void acnImportTableExecute();
    void acnExportTableExecute();
    void acnReCalcPKExecute();
    void acnImportSkvExecute();
    void acnLoadPictureExecute();
    void acnOpenRadargramExecute();
    void acnOpenProjectExecute();
    void acnSaveProjectExecute();
    void acnSaveProjectAsExecute();
    void acnBuildChartExecute();
    void acnBuildSkvExecute();
    void acnPrintOverviewChartExecute();
    void acnExportChartExecute();
    void acnPlotRazrezLineExecute();
    void acnPlotRazrezPoligonExecute();
    void acnExportDiagrammToJpgExecute();
    void acnPlotSkvExecute();
    void acnPrintImageExecute();
    void acnShowListExecute();
    void acnShowOptionsExecute();
    void acnSaveOptionsExecute();
    void acnLoadOptionsExecute();
    void acnApplyOptionsExecute();
    void acnAboutExecute();
    void acnUndoExecute();
    void acnRedoExecute();
    void acnCopySGExecute();
    void acnPasteToSGExecute();
    void acnClearRangeExecute();
    void acnLayerAddExecute();
    void acnLayerDeleteExecute();
    void acnMadeRowFirstExecute();
    void acnMadeRowLastExecute();
    void acnExportReportExecute();
    void acnEditNormsExecute();
    void acnCalibrationExecute();
    void acnProjectFormExecute();
    void acnReportExecute();
    void acnRadargramOverSectionExecute();
    void J1Click();
    void N5Click();
    void N6Click();
    void N1Click();
    void N2Click();
    // "Подписи" pressed in the section's tools: the soil list comes up.
    void tbtnWriteGroundClick();

private:
    QAction* makeAction(const CommandRow& row);
    void updateUndoActions();
    // The switches follow the document: "Радарограмма над разрезом" only with a registered radargram.
    void updateViewActions();
    // The shared open dialog; the name chosen, empty when cancelled.
    QString askOpenName();
    // True for a file that looks like text, or when the user wants it imported anyway.
    bool looksLikeTable(const FileBytes& bytes);
    // Shows a secondary window without blocking, bringing an open one forward.
    void showWindow(QWidget* window, bool centred);

    TFmMainForm& window_;
    SurveyDocument& document_;
    UiServices& services_;
    UndoBridge& history_;
    QUndoStack& stack_;
    CommandPages pages_;
    QHash<QString, QAction*> actions_;
    QAction* acnUndo = nullptr;
    QAction* acnRedo = nullptr;
    QPointer<QWidget> fmOptions_;
    QPointer<QWidget> fmList_;
    QPointer<QWidget> fmAbout_;
    QString lastRadargramName_;
    QString lastOpenName_;
    QString lastOpenFilter_;
    std::string optionsPath_; // set by tests; empty: chosen when a settings command runs
    Subscription subscription_;
};

// The filter of the table import's open dialog, in Qt's form.
QString importTableFilter();
// The filter of the table export's save dialog, in Qt's form.
QString exportTableFilter();

} // namespace trassel
