#pragma once
// The main window: the layout of the ribbon, the panels and the two page controls, their
// coupling, the one reporter of errors, and the survey document with its undo history. The
// pages own their controls and bind them to the document; the commands are made from the
// command table and run by the ActionHandler.
#include "document/survey_document.h"
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
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;
class QUndoStack;

namespace trassel {

class ActionHandler;
class BoreholePage;
class DiagramPage;
class DiagramPropertiesPage;
class LayerPanel;
class RadargramPage;
class RadargramPanel;
class Ribbon;
class SectionPage;
class SectionPropertiesPage;
class StretchesPage;
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

    // The survey document: the data of the interpretation and its working state.
    SurveyDocument& document() { return Document; }
    // The history of the document's edits, and the bridge that feeds it.
    QUndoStack* undoStack() const { return UndoStack; }
    UndoBridge* undoBridge() const { return undoBridge_; }
    // The commands of the ribbon and the menus.
    ActionHandler& handler() const { return *handler_; }

    // ---- workspaces ----
    // Writes the whole interpretation to `path`; the work counts as saved from then on.
    void saveProject(const QString& path, ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);
    // Asks first about unsaved work, then replaces the work by the project's; a file that
    // cannot be read leaves everything as it was.
    void openProject(const QString& path);
    // A dropped file: a project is opened, anything else imported as the depth table.
    void openDroppedFile(const QString& path);
    // True when there is nothing unsaved or the user chose to save (and it was saved) or to
    // let it go; false when the user cancelled.
    bool confirmDiscard();
    const QString& projectPath() const { return projectPath_; }

    // Switches a page from program code: unlike a user's switch it is not mirrored.
    void showPageByCommand(QWidget* page);
    // Says in the status bar what a command did; `page`, when given and not in front, gets a
    // mark on its tab until the user looks at it, so a result on another page is not missed.
    void report(const QString& text, QWidget* page = nullptr);
    // Gives the radargram panel room for the whole height of its picture, as far as the
    // working pages keep half.
    void showWholeRadargram();
    // Tells the table views that the grids changed.
    void refreshTables();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildProjectState();
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
    void buildUndo();
    void buildRibbon();
    QToolBar* buildToolBar();
    QWidget* buildWorkPages();
    QWidget* buildRightPanel();
    // A press on the section with "Подписи" down: the soil chosen in the soil list, or a message.
    void imgSectionSoilLabel(QPoint at);
    void PageControl1Change(int index);
    void PageControl2Change(int index);

    // ---- working state ----
    SurveyDocument Document;
    std::string CompileDate;
    QUndoStack* UndoStack = nullptr;
    UndoBridge* undoBridge_ = nullptr;
    ActionHandler* handler_ = nullptr;
    // The command the window's coupling starts exactly as the user would (the handler owns it).
    QAction* acnLoadPicture = nullptr;

    // ---- layout ----
    Ribbon* Ribbon1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QSplitter* Splitter2 = nullptr;
    RadargramPanel* pnlRadarogramma = nullptr; // the radargram, its scroll box and SpeedButton1
    QTabWidget* PageControl1 = nullptr;
    QTabWidget* PageControl2 = nullptr;
    QLabel* lblDateCompilation1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolButton* tbtnCursor = nullptr;
    QToolButton* tbtnWriteGround = nullptr;
    QToolButton* tbtnPen = nullptr;
    QToolButton* tbtnLastik = nullptr;
    QMenu* mnuRecentProjects = nullptr;
    QLabel* lblProject = nullptr; // the status bar's word on the project and unsaved changes

    // ---- pages ----
    TablePage* tablePage = nullptr;
    BoreholePage* boreholePage = nullptr;
    DiagramPage* diagramPage = nullptr;
    SectionPage* sectionPage = nullptr;
    LayerPanel* layerPanel = nullptr;
    TablePropertiesPage* tableProperties = nullptr;
    DiagramPropertiesPage* diagramProperties = nullptr;
    SectionPropertiesPage* sectionProperties = nullptr;
    // The pages as the page controls hold them (the parameter pages inside their scroll boxes).
    QWidget* pageDepthTable = nullptr;
    QWidget* pageDiagram = nullptr;
    QWidget* pageSection = nullptr;
    // "Радарограмма": the instrument file of the document, its display and its ties.
    RadargramPage* radargramPage = nullptr;
    // "Участки": the failing stretches; a click shows the place on the diagram and section.
    StretchesPage* stretchesPage = nullptr;
    QWidget* pagePropTable = nullptr;
    QWidget* pagePropDiagram = nullptr;
    QWidget* pagePropSection = nullptr;

    std::unique_ptr<UiServices> ownServices_;
    UiServices* services_ = nullptr;
    QPointer<QWidget> fmList_;
    QPointer<QWidget> fmSkv_;
    bool programPageSwitch_ = false;
    QString projectPath_;
};

// The report of running out of memory while doing `what` (a command's caption, or empty).
QString OutOfMemoryText(const QString& what);

} // namespace trassel
