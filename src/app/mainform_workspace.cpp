// The workspace commands of the main window: saving and opening a whole interpretation, the
// question before unsaved work is replaced, the recent list, and files dropped on the window.
#include "app/mainform.h"
#include "widgets/status_progress.h"

#include "app/action_handler.h"
#include "app/ui_services.h"
#include "base/atomic_file.h"
#include "base/error.h"
#include "document/workspace.h"
#include "platform/qt_text.h"
#include "radargram/qt/radargram_panel.h"
#include "section/qt/section_page.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUndoStack>
#include <QUrl>

#include <exception>

namespace trassel {
namespace {

constexpr int kRecentCount = 8;

bool IsProjectFile(const QString& path)
{
    return QFileInfo(path).suffix().compare(QStringLiteral("trassel"), Qt::CaseInsensitive) == 0;
}

} // namespace

void TFmMainForm::buildProjectState()
{
    lblProject = new QLabel(this);
    lblProject->setObjectName(QStringLiteral("lblProject"));
    // On the right, so that the messages of the commands have the left of the bar.
    statusBar()->addPermanentWidget(lblProject);
    connect(UndoStack, &QUndoStack::cleanChanged, this, [this] { showProjectState(); });
    showProjectState();
    setAcceptDrops(true);
}

void TFmMainForm::showProjectState()
{
    QString text = projectPath_.isEmpty() ? QStringLiteral("Проект не сохранён")
                                          : QStringLiteral("Проект: ") + QFileInfo(projectPath_).fileName();
    if (!UndoStack->isClean())
        text += QStringLiteral(" — есть несохранённые изменения");
    lblProject->setText(text);
}

bool TFmMainForm::confirmDiscard()
{
    if (UndoStack->isClean())
        return true;
    switch (services_->askSave(this, QStringLiteral("В текущей работе есть несохранённые изменения. Сохранить их?"))) {
    case UiServices::SaveAnswer::Discard: return true;
    case UiServices::SaveAnswer::Cancel: return false;
    case UiServices::SaveAnswer::Save: break;
    }
    // A save that fails or is stopped is reported here and keeps the work open: the caller
    // (a close, an open, an import) goes on only over work that is safe.
    runGuarded([this] { handler_->acnSaveProjectExecute(); }, QStringLiteral("Сохранить проект"));
    return UndoStack->isClean();
}

void TFmMainForm::saveProject(const QString& path, ReadOnlyTarget readOnly)
{
    {
        StatusProgress progress(this, QStringLiteral("Сохранение проекта"));
        SaveWorkspace(toLocalPath(path), Document, progress.report(), readOnly);
    }
    UndoStack->setClean();
    projectPath_ = path;
    rememberProject(path);
    showProjectState();
}

void TFmMainForm::openProject(const QString& path)
{
    if (!confirmDiscard())
        return;
    // The whole file is read into a document of its own first: a damaged file, or an open
    // stopped while reading, changes nothing.
    StatusProgress progress(this, QStringLiteral("Открытие проекта"));
    LoadedWorkspace loaded = LoadWorkspace(toLocalPath(path), progress.report());
    // From here the project replaces the work: it is finished, not left half in place. The
    // document draws its pictures again as the project had them; a picture that fails is
    // reported once the project is in place and named.
    progress.setCancellable(false);
    std::exception_ptr redrawFailure;
    try {
        Document.takeOver(*loaded.document);
    } catch (...) {
        redrawFailure = std::current_exception();
    }
    UndoStack->clear();
    refreshTables();
    showDocumentRadargram();
    const PageChoice pages = Document.pages();
    if (pages.left >= 0 && pages.left < PageControl1->count())
        PageControl1->setCurrentIndex(pages.left);
    if (pages.right >= 0 && pages.right < PageControl2->count())
        PageControl2->setCurrentIndex(pages.right);
    UndoStack->setClean();
    projectPath_ = path;
    rememberProject(path);
    showProjectState();
    if (redrawFailure)
        std::rethrow_exception(redrawFailure);
}

void TFmMainForm::showDocumentRadargram()
{
    const std::string& stored = Document.radargramPath();
    if (stored.empty()) {
        pnlRadarogramma->clearPicture();
        return;
    }
    const QString picture = fromLocalPath(stored);
    if (picture == pnlRadarogramma->path())
        return;
    try {
        pnlRadarogramma->loadFile(picture);
        // The panel may have been pushed small since (another project without a picture):
        // the picture the project had open is shown as it was when it was loaded.
        showWholeRadargram();
    } catch (const Error& e) {
        // The interpretation is back and keeps naming its picture; only the picture is missing,
        // and the user is told. The former project's picture does not stay beside it.
        pnlRadarogramma->clearPicture();
        services_->message(this, QString::fromUtf8(e.what()));
    }
}

void TFmMainForm::rememberProject(const QString& path)
{
    QStringList recent = services_->recentProjects();
    const QString full = QFileInfo(path).absoluteFilePath();
    recent.removeAll(full);
    recent.prepend(full);
    while (recent.size() > kRecentCount)
        recent.removeLast();
    services_->setRecentProjects(recent);
}

void TFmMainForm::fillRecentMenu()
{
    mnuRecentProjects->clear();
    const QStringList recent = services_->recentProjects();
    if (recent.isEmpty()) {
        mnuRecentProjects->addAction(QStringLiteral("(нет недавних проектов)"))->setEnabled(false);
        return;
    }
    for (const QString& path : recent) {
        QAction* item = mnuRecentProjects->addAction(QFileInfo(path).fileName());
        item->setToolTip(path);
        item->setData(path);
        connect(item, &QAction::triggered, this,
                [this, path] { runGuarded([&] { openProject(path); }, QStringLiteral("Открыть проект")); });
    }
}

void TFmMainForm::openDroppedFile(const QString& path)
{
    if (IsProjectFile(path))
        openProject(path);
    else
        handler_->importTableFile(path);
}

void TFmMainForm::closeEvent(QCloseEvent* event)
{
    if (confirmDiscard())
        event->accept();
    else
        event->ignore();
}

void TFmMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TFmMainForm::dropEvent(QDropEvent* event)
{
    const QString path = DroppedLocalFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // After the drop has finished, so that a long import does not keep the dragging program waiting.
    QTimer::singleShot(0, this,
                       [this, path] { runGuarded([&] { openDroppedFile(path); }, QStringLiteral("Открыть файл")); });
}

} // namespace trassel
