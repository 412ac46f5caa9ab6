#pragma once
// The dialogs and message boxes the commands use, behind one small interface so that the
// GUI tests can answer them without a person at the screen.
#include "base/atomic_file.h"

#include <QString>
#include <QStringList>

#include <optional>

class QPrinter;
class QWidget;

namespace trassel {

class CalibrationDialog;
class NormsDialog;
class ProjectFormDialog;
class SectionPrintPreview;

class UiServices {
public:
    virtual ~UiServices() = default;
    // An open dialog; `filter` uses Qt's "Name (*.x);;Other (*.y)" form. Empty when cancelled.
    virtual QString openFileName(QWidget* parent, const QString& filter, const QString& lastName) = 0;
    // A save dialog proposing `proposedName`. Empty when cancelled.
    virtual QString saveFileName(QWidget* parent, const QString& proposedName, const QString& filter,
                                 const QString& defaultSuffix) = 0;
    // A folder chosen to write into (made in the dialog if the user wants). Empty when cancelled.
    virtual QString folderName(QWidget* parent, const QString& caption) = 0;
    // A plain message box with an OK button.
    virtual void message(QWidget* parent, const QString& text) = 0;
    // A message box with a caption and the information icon.
    virtual void information(QWidget* parent, const QString& caption, const QString& text) = 0;
    // The top-level error report: the error's text in a message box.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // The printer dialog; false when cancelled.
    virtual bool printerSetup(QWidget* parent, QPrinter& printer) = 0;
    // The section's print preview, printing from it when the user asks; false when closed.
    virtual bool printPreview(QWidget* parent, SectionPrintPreview& preview, QPrinter& printer) = 0;
    // "Нормы проектирования" shown until the user closes it; true for OK.
    virtual bool editNorms(QWidget* parent, NormsDialog& dialog) = 0;
    // "Калибровка": true when the user chose to apply the fitted permittivity.
    virtual bool editCalibration(QWidget* parent, CalibrationDialog& dialog) = 0;
    // "Основная надпись" shown until the user closes it; true for OK.
    virtual bool editProjectForm(QWidget* parent, ProjectFormDialog& dialog) = 0;
    // A yes-or-no question; true for yes.
    virtual bool confirm(QWidget* parent, const QString& text) = 0;
    // Asks whether to save unsaved work before it would be replaced.
    enum class SaveAnswer { Save, Discard, Cancel };
    virtual SaveAnswer askSave(QWidget* parent, const QString& text) = 0;
    // The recently used workspaces, newest first, kept in the user's settings.
    virtual QStringList recentProjects() = 0;
    virtual void setRecentProjects(const QStringList& paths) = 0;
};

// Before a save to `path`: a read-only file of the user's there is replaced only if the user
// says yes to the question; nothing when the user says no (the save does not happen). Any
// other target needs no question (a file that is not the user's is refused by the writer).
std::optional<ReadOnlyTarget> AskOverwriteReadOnly(UiServices& services, QWidget* parent, const QString& path);

// The real dialogs.
class DialogServices : public UiServices {
public:
    QString openFileName(QWidget* parent, const QString& filter, const QString& lastName) override;
    QString saveFileName(QWidget* parent, const QString& proposedName, const QString& filter,
                         const QString& defaultSuffix) override;
    QString folderName(QWidget* parent, const QString& caption) override;
    void message(QWidget* parent, const QString& text) override;
    void information(QWidget* parent, const QString& caption, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    bool printerSetup(QWidget* parent, QPrinter& printer) override;
    bool printPreview(QWidget* parent, SectionPrintPreview& preview, QPrinter& printer) override;
    bool editNorms(QWidget* parent, NormsDialog& dialog) override;
    bool editCalibration(QWidget* parent, CalibrationDialog& dialog) override;
    bool editProjectForm(QWidget* parent, ProjectFormDialog& dialog) override;
    bool confirm(QWidget* parent, const QString& text) override;
    SaveAnswer askSave(QWidget* parent, const QString& text) override;
    QStringList recentProjects() override;
    void setRecentProjects(const QStringList& paths) override;
};

} // namespace trassel
