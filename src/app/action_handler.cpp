#include "app/action_handler.h"

#include "app/application.h"
#include "app/command_table.h"
#include "app/mainform.h"
#include "app/ui_services.h"
#include "app/undo_bridge.h"
#include "base/error.h"
#include "base/file_path.h"
#include "base/numbers.h"
#include "diagram/qt/diagram_page.h"
#include "document/section_scene.h"
#include "document/survey_document.h"
#include "platform/image_export.h"
#include "platform/qt_text.h"
#include "radargram/qt/calibration_dialog.h"
#include "radargram/qt/radargram_page.h"
#include "radargram/qt/radargram_panel.h"
#include "radargram/radargram_strip.h"
#include "section/qt/section_page.h"
#include "section/qt/section_print_preview.h"
#include "settings/ini_file.h"
#include "settings/options_file.h"
#include "settings/options_mapping.h"
#include "settings/qt/options.h"
#include "table/grid_io.h"
#include "table/qt/table_page.h"
#include "table/text_sniff.h"
#include "sheets/qt/project_form_dialog.h"
#include "sheets/qt/report_pdf.h"
#include "thickness/qt/norms_dialog.h"
#include "thickness/report_files.h"
#include "thickness/thickness.h"
#include "widgets/status_progress.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QPrinter>
#include <QToolButton>
#include <QUndoStack>

#include <algorithm>
#include <filesystem>

namespace trassel {
namespace {

// "ГеологическаяМодель.png, 2,6 МБ": the file a command wrote and its size, for the status bar.
QString SavedFileText(const QString& path)
{
    const QFileInfo file(path);
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const qint64 bytes = file.size();
    QString size;
    if (bytes < 1024)
        size = QString::number(bytes) + QStringLiteral(" байт");
    else if (bytes < 1024 * 1024)
        size = russian.toString(static_cast<double>(bytes) / 1024.0, 'f', 1) + QStringLiteral(" КБ");
    else
        size = russian.toString(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" МБ");
    return QDir::toNativeSeparators(file.absoluteFilePath()) + QStringLiteral(", ") + size;
}

QString ProjectFilter() { return QStringLiteral("Проект Trassel (*.trassel)"); }

QString RadargramFileFilter()
{
    return QStringLiteral("Файлы георадара (*.dzt *.DZT *.sgy *.SGY *.segy *.SEGY *.dt1 *.DT1 *.rd3 *.RD3 *.rd7 "
                          "*.RD7 *.gpr2 *.GPR2 *.gpr *.GPR);;Все файлы (*)");
}

} // namespace

QString importTableFilter() { return QStringLiteral("Все файлы(*.*);;Текстовые файлы(*.txt)"); }

QString exportTableFilter()
{
    return QStringLiteral("Текстовые файлы(с разделителями табуляции)(*.txt);;Все файлы (*.*)");
}

ActionHandler::ActionHandler(TFmMainForm& window, SurveyDocument& document, UiServices& services, UndoBridge& history,
                             QUndoStack& stack)
    : QObject(&window), window_(window), document_(document), services_(services), history_(history), stack_(stack)
{
    setObjectName(QStringLiteral("actionHandler"));
    for (const CommandRow& row : CommandTable())
        actions_.insert(QString::fromLatin1(row.name), makeAction(row));
    acnUndo = action("acnUndo");
    acnRedo = action("acnRedo");
    connect(&history_, &UndoBridge::changed, this, [this] { updateUndoActions(); });
    updateUndoActions();
    subscription_ = document_.subscribe([this](const DocumentChange& change) {
        if (change.what == DocumentChange::What::Pages || change.what == DocumentChange::What::RadargramModel)
            updateViewActions();
    });
    updateViewActions();
}

QAction* ActionHandler::makeAction(const CommandRow& row)
{
    auto* action = new QAction(QString::fromUtf8(row.caption), this);
    action->setObjectName(QLatin1String(row.name));
    action->setProperty("category", QString::fromUtf8(row.category));
    action->setIcon(IconOf(row, window_.style()));
    action->setCheckable(row.checkable);
    const QList<QKeySequence> keys = ShortcutsOf(row);
    if (!keys.isEmpty()) {
        action->setShortcuts(keys);
        // The keys work wherever the focus is, whether or not a button of the command is showing.
        window_.addAction(action);
    }
    if (row.slot != nullptr) {
        const CommandSlot slot = row.slot;
        connect(action, &QAction::triggered, this, [this, slot, action] {
            window_.runGuarded([this, slot] { (this->*slot)(); }, action->text().remove(QLatin1Char('&')));
        });
    }
    return action;
}

QAction* ActionHandler::action(const char* name) const { return actions_.value(QLatin1String(name)); }

void ActionHandler::placeCommands(Ribbon& ribbon, const QHash<QString, QMenu*>& menus)
{
    PlaceCommands(ribbon, menus, [this](const CommandRow& row) { return action(row.name); });
    // The radargram page offers the calibration of its depth scale beside the permittivity.
    if (pages_.instrumentRadargram)
        pages_.instrumentRadargram->btnCalibration->setDefaultAction(action("acnCalibration"));
}

void ActionHandler::setRecentProjectsMenu(QMenu* menu) { action("acnRecentProjects")->setMenu(menu); }

void ActionHandler::setSecondaryWindows(QWidget* options, QWidget* list, QWidget* about)
{
    if (auto* window = qobject_cast<TFmOptions*>(options))
        window->bindActions(action("acnSaveOptions"), action("acnLoadOptions"));
    fmOptions_ = options;
    fmList_ = list;
    fmAbout_ = about;
}

void ActionHandler::updateUndoActions()
{
    const bool canUndo = history_.canUndo();
    acnUndo->setEnabled(canUndo);
    acnUndo->setText(canUndo ? QStringLiteral("Отменить: ") + stack_.undoText() : QStringLiteral("Отменить"));
    const bool canRedo = history_.canRedo();
    acnRedo->setEnabled(canRedo);
    acnRedo->setText(canRedo ? QStringLiteral("Повторить: ") + stack_.redoText() : QStringLiteral("Повторить"));
}

void ActionHandler::updateViewActions()
{
    QAction* above = action("acnRadargramOverSection");
    above->setEnabled(RadargramRegistered(document_.radargramModel()));
    above->setChecked(document_.pages().radargramAboveSection);
}

void ActionHandler::showWindow(QWidget* window, bool centred)
{
    if (window == nullptr)
        return;
    if (centred && !window->isVisible())
        window->move(window_.geometry().center() - window->rect().center());
    window->show();
    window->raise();
    window->activateWindow();
}

QString ActionHandler::askOpenName()
{
    // The open dialog is shared: it keeps the filter and the name the last command left in it.
    const QString name = services_.openFileName(&window_, lastOpenFilter_, lastOpenName_);
    if (!name.isEmpty())
        lastOpenName_ = name;
    return name;
}

bool ActionHandler::looksLikeTable(const FileBytes& bytes)
{
    // A picture or an archive chosen by mistake would fill the table with garbage.
    if (!LooksBinary(std::string_view(bytes.data.get(), std::min(bytes.size, kSniffBytes))))
        return true;
    return services_.confirm(&window_, QStringLiteral("Файл не похож на текстовую таблицу. Импортировать всё равно?"));
}

std::string ActionHandler::optionsFile() const { return optionsPath_.empty() ? OptionsFilePath() : optionsPath_; }

// ---- the commands ----

void ActionHandler::acnImportTableExecute()
{
    lastOpenFilter_ = importTableFilter();
    const QString name = askOpenName();
    if (!name.isEmpty())
        importTableFile(name);
}

void ActionHandler::importTableFile(const QString& name)
{
    if (!window_.confirmDiscard())
        return;
    // The whole file is read before the table is touched, and the document swaps the new
    // table in only once it is complete: a file that cannot be read leaves the table as it was.
    FileBytes bytes = ReadWholeFile(toLocalPath(name));
    if (!looksLikeTable(bytes))
        return;
    // The reader's word comes first; the numbering and the fixed rows are redone after it, and
    // a header-row count the table cannot take is reported then.
    if (bytes.size == 0)
        services_.message(&window_, QStringLiteral("Файл пустой!"));
    StatusProgress progress(&window_, QStringLiteral("Импорт таблицы"));
    document_.importTable(std::move(bytes.data), bytes.size, progress.report());
}

void ActionHandler::acnExportTableExecute()
{
    const QString name = services_.saveFileName(&window_, QStringLiteral("ЦифроваяМодель.txt"), exportTableFilter(),
                                                QStringLiteral("txt"));
    if (name.isEmpty())
        return;
    const std::optional<ReadOnlyTarget> readOnly = AskOverwriteReadOnly(services_, &window_, name);
    if (!readOnly)
        return;
    {
        StatusProgress progress(&window_, QStringLiteral("Экспорт таблицы"));
        ExportGridToTextFile(document_.depthTable(), toLocalPath(name), progress.report(), *readOnly);
    }
    services_.information(&window_, QStringLiteral("Экспорт таблицы"),
                          QStringLiteral("Таблица успешно экспортирована"));
}

void ActionHandler::acnReCalcPKExecute()
{
    StatusProgress progress(&window_, QStringLiteral("Пересчет в ПК"));
    document_.recalcPickets(progress.report());
}

void ActionHandler::acnImportSkvExecute()
{
    // No filter of its own: the dialog shows the one another command left, or none.
    const QString name = askOpenName();
    if (name.isEmpty())
        return;
    FileBytes bytes = ReadWholeFile(toLocalPath(name));
    if (!looksLikeTable(bytes))
        return;
    // As for the depth table: "Файл пустой!" before the fixed rows, which a borehole table
    // of two rows refuses.
    if (bytes.size == 0)
        services_.message(&window_, QStringLiteral("Файл пустой!"));
    StatusProgress progress(&window_, QStringLiteral("Импорт выработок"));
    document_.importBoreholes(std::move(bytes.data), bytes.size, progress.report());
}

void ActionHandler::acnLoadPictureExecute()
{
    // The shared open dialog, with the filter and the name the imports left: no filter of its own.
    const QString name = askOpenName();
    if (name.isEmpty())
        return;
    pages_.radargram->loadFile(name); // a file that fails leaves the former picture
    window_.showWholeRadargram();
}

void ActionHandler::acnOpenRadargramExecute()
{
    const QString name = services_.openFileName(&window_, RadargramFileFilter(), lastRadargramName_);
    if (name.isEmpty())
        return;
    lastRadargramName_ = name;
    // A file that cannot be read changes nothing: the former radargram stays.
    StatusProgress progress(&window_, QStringLiteral("Открыть радарограмму"));
    document_.openRadargramFile(toLocalPath(name), progress.report());
    window_.showPageByCommand(pages_.instrumentRadargram);
}

void ActionHandler::acnOpenProjectExecute()
{
    const QString name = services_.openFileName(&window_, ProjectFilter(), window_.projectPath());
    if (!name.isEmpty())
        window_.openProject(name);
}

void ActionHandler::acnSaveProjectExecute()
{
    if (window_.projectPath().isEmpty()) {
        acnSaveProjectAsExecute();
        return;
    }
    if (const auto readOnly = AskOverwriteReadOnly(services_, &window_, window_.projectPath()))
        window_.saveProject(window_.projectPath(), *readOnly);
}

void ActionHandler::acnSaveProjectAsExecute()
{
    const QString proposed = window_.projectPath().isEmpty() ? QStringLiteral("Интерпретация.trassel")
                                                             : window_.projectPath();
    const QString name = services_.saveFileName(&window_, proposed, ProjectFilter(), QStringLiteral("trassel"));
    if (name.isEmpty())
        return;
    if (const auto readOnly = AskOverwriteReadOnly(services_, &window_, name))
        window_.saveProject(name, *readOnly);
}

void ActionHandler::acnBuildChartExecute()
{
    document_.buildChart();
    window_.report(QStringLiteral("Диаграмма построена"), pages_.diagram);
}

void ActionHandler::acnBuildSkvExecute() { document_.buildSkv(); }

void ActionHandler::acnPrintOverviewChartExecute()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    if (services_.printerSetup(&window_, printer)) {
        pages_.diagram->print(printer);
        window_.report(QStringLiteral("Диаграмма отправлена на печать"));
    }
}

void ActionHandler::acnExportChartExecute()
{
    const QString name = services_.saveFileName(&window_, QStringLiteral("Диаграмма.png"),
                                                QStringLiteral("PNG (*.png);;PDF (*.pdf)"), QStringLiteral("png"));
    if (name.isEmpty())
        return;
    if (const auto readOnly = AskOverwriteReadOnly(services_, &window_, name)) {
        pages_.diagram->exportImage(name, *readOnly);
        window_.report(QStringLiteral("Диаграмма сохранена: ") + SavedFileText(name));
    }
}

void ActionHandler::acnPlotRazrezLineExecute()
{
    window_.showPageByCommand(pages_.section);
    pages_.section->applyWidth();
}

void ActionHandler::acnPlotRazrezPoligonExecute()
{
    // A drawing the user stopped leaves the former section and says so itself.
    const std::uint64_t before = document_.section().drawing();
    pages_.section->plotPolygons();
    if (document_.section().drawing() != before && document_.section().drawn())
        window_.report(QStringLiteral("Разрез построен"), pages_.section);
}

void ActionHandler::acnExportDiagrammToJpgExecute()
{
    const QString name = services_.saveFileName(&window_, QStringLiteral("ГеологическаяМодель.jpg"),
                                                SectionImageFilter(), QStringLiteral("jpg"));
    if (name.isEmpty())
        return;
    if (const auto readOnly = AskOverwriteReadOnly(services_, &window_, name)) {
        pages_.section->exportImage(name, *readOnly);
        window_.report(QStringLiteral("Разрез сохранён: ") + SavedFileText(name));
    }
}

void ActionHandler::acnExportReportExecute()
{
    const QString folder = services_.folderName(&window_, QStringLiteral("Папка для ведомости"));
    if (folder.isEmpty())
        return;
    // The analysis is made (or refused) before the folder is touched; the files are all made
    // in memory and each written whole, so a failure leaves the folder as it was.
    const Compliance& compliance = document_.compliance();
    const QString project = window_.projectPath();
    const std::string source = project.isEmpty() ? std::string() : toStdString(QFileInfo(project).fileName());
    WriteReport(toLocalPath(folder), compliance, document_.norms(), source);
    window_.report(QStringLiteral("Ведомость сохранена: ") + QDir::toNativeSeparators(QDir(folder).absolutePath()));
}

void ActionHandler::acnEditNormsExecute()
{
    const ComplianceSetup setup = document_.complianceSetup();
    std::vector<NormsLayer> layers;
    for (const int column : setup.columns)
        layers.push_back({column, LayerName(document_.norms(), document_.depthTable(), column, setup.titleRow)});
    NormsDialog dialog(document_.norms(), std::move(layers), &window_);
    // A refusal keeps what the user typed: the dialog comes back after the message.
    while (services_.editNorms(&window_, dialog)) {
        try {
            document_.setNorms(dialog.norms());
            return;
        } catch (const Error& e) {
            services_.error(&window_, toQString(e.what()));
        }
    }
}

void ActionHandler::acnCalibrationExecute()
{
    // The rows of the boreholes for each checked layer, their depths left to be typed.
    const auto fromBoreholes = [this] {
        std::vector<int> columns;
        const LayerManager& layers = document_.layers();
        for (int slot = 0; slot < layers.LayerCount(); ++slot)
            if (layers.isChecked(layers.Layers(slot).Item))
                columns.push_back(layers.Layers(slot).DepthColumn);
        return KnownDepthsFromBoreholes(document_.table(TableId::Boreholes), columns);
    };
    std::vector<KnownDepth> start = document_.knownDepths();
    if (start.empty())
        start = fromBoreholes();
    CalibrationDialog dialog(
        start, [this](std::span<const KnownDepth> known) { return document_.calibrate(known); }, fromBoreholes,
        &window_);
    const bool apply = services_.editCalibration(&window_, dialog);
    // The table is kept whichever way the dialog closed: the depths typed are the user's data.
    document_.setKnownDepths(dialog.known());
    if (apply) {
        document_.applyCalibration(document_.calibrate());
        window_.report(QStringLiteral("Калибровка: ε ") +
                       toQString(NumberToText(RoundTo(document_.radargramModel().permittivity.eps.front(), 2))) +
                       (document_.radargramModel().permittivity.eps.size() > 1 ? QStringLiteral(" …") : QString()));
    }
}

void ActionHandler::acnProjectFormExecute()
{
    ProjectFormDialog dialog(document_.projectForm(), &window_);
    if (services_.editProjectForm(&window_, dialog))
        document_.setProjectForm(dialog.form());
}

void ActionHandler::acnRadargramOverSectionExecute()
{
    // A view setting: kept with the project, but no step of the history.
    PageChoice pages = document_.pages();
    pages.radargramAboveSection = action("acnRadargramOverSection")->isChecked();
    document_.setPages(pages);
}

void ActionHandler::acnReportExecute()
{
    const QString name = services_.saveFileName(&window_, QString::fromUtf8(kReportPdfName),
                                                QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf"));
    if (name.isEmpty())
        return;
    if (const auto readOnly = AskOverwriteReadOnly(services_, &window_, name)) {
        const QString project = window_.projectPath();
        const std::string source = project.isEmpty() ? std::string() : toStdString(QFileInfo(project).fileName());
        StatusProgress progress(&window_, QStringLiteral("Отчёт"));
        WriteReportPdf(document_, name, source, progress.report(), *readOnly);
        window_.report(QStringLiteral("Отчёт сохранён: ") + SavedFileText(name));
    }
}

void ActionHandler::acnPlotSkvExecute() { pages_.section->plotSkv(); }

void ActionHandler::acnPrintImageExecute()
{
    QPrinter printer(QPrinter::HighResolution);
    // A section is a long band: sideways sheets take more of it each.
    printer.setPageOrientation(QPageLayout::Landscape);
    SectionPrintPreview preview(pages_.section->printSource(), &window_);
    preview.setOptions(pages_.section->printOptions());
    const bool printed = services_.printPreview(&window_, preview, printer);
    pages_.section->setPrintOptions(preview.options());
    if (printed)
        window_.report(QStringLiteral("Разрез отправлен на печать"));
}

void ActionHandler::acnShowListExecute() { showWindow(fmList_, false); }

void ActionHandler::tbtnWriteGroundClick() { showWindow(fmList_, false); }

void ActionHandler::acnShowOptionsExecute() { showWindow(fmOptions_, true); }

void ActionHandler::acnSaveOptionsExecute()
{
    const std::string path = optionsFile();
    // The user's configuration folder may not exist yet on a fresh account; a file named by
    // hand is written where it was named, or the failure is reported.
    if (optionsPath_.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(PathFromUtf8(path).parent_path(), ec);
    }
    const std::optional<ReadOnlyTarget> readOnly = AskOverwriteReadOnly(services_, &window_, fromLocalPath(path));
    if (!readOnly)
        return;
    IniFile file(path, *readOnly);
    SaveOptions(file, OptionsOf(document_));
}

void ActionHandler::acnLoadOptionsExecute() { ApplyOptions(document_, LoadOptions(IniFile(optionsFile()))); }

void ActionHandler::acnApplyOptionsExecute() { acnBuildChartExecute(); }

void ActionHandler::acnAboutExecute() { showWindow(fmAbout_, false); }

void ActionHandler::acnUndoExecute()
{
    if (!history_.canUndo())
        return;
    // Said in place of the last command's words (a correction's "строка 14: 119 → 118"),
    // which no longer describe the table.
    const QString what = stack_.undoText();
    stack_.undo();
    window_.report(QStringLiteral("Отмена: ") + what);
}

void ActionHandler::acnRedoExecute()
{
    if (!history_.canRedo())
        return;
    const QString what = stack_.redoText();
    stack_.redo();
    window_.report(QStringLiteral("Повтор: ") + what);
}

void ActionHandler::acnCopySGExecute()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(QString::fromStdString(document_.copyTable()));
}

void ActionHandler::acnPasteToSGExecute()
{
    StatusProgress progress(&window_, QStringLiteral("Вставить"));
    if (!document_.pasteTable(QGuiApplication::clipboard()->text().toStdString(), progress.report()))
        services_.message(&window_, QStringLiteral("Необходимо скопировать данные!"));
}

void ActionHandler::acnClearRangeExecute() { pages_.table->clearSelectedCells(); }

void ActionHandler::acnLayerAddExecute() { document_.addLayer(); }

void ActionHandler::acnLayerDeleteExecute() { document_.deleteSelectedLayer(); }

void ActionHandler::acnMadeRowFirstExecute() { document_.madeRowFirst(); }

void ActionHandler::acnMadeRowLastExecute() { document_.madeRowLast(); }

void ActionHandler::J1Click() { document_.clearTable(); }

void ActionHandler::N5Click() { document_.insertRow(); }

void ActionHandler::N6Click() { document_.deleteRow(); }

void ActionHandler::N1Click() { document_.insertColumn(); }

void ActionHandler::N2Click() { document_.deleteColumn(); }

} // namespace trassel
