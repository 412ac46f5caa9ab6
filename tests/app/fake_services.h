#pragma once
// Answers the main window's dialogs from the test and records every message it would show.
#include "app/ui_services.h"
#include "radargram/qt/calibration_dialog.h"
#include "section/qt/section_print_preview.h"
#include "sheets/qt/project_form_dialog.h"
#include "thickness/qt/norms_dialog.h"

#include <QPrinter>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace trassel::test {

class FakeServices : public UiServices {
public:
    QString nextOpenName;
    QString nextSaveName;
    bool acceptPrinter = true;
    QString printFile; // when set, the printer writes a PDF there
    QStringList messages;
    QStringList informations;
    QStringList errors;
    QStringList shown; // messages and errors in the order the user would see them
    QString lastFilter;
    QString lastProposedName;

    QString openFileName(QWidget*, const QString& filter, const QString&) override
    {
        lastFilter = filter;
        return nextOpenName;
    }
    QString saveFileName(QWidget*, const QString& proposedName, const QString& filter, const QString&) override
    {
        lastFilter = filter;
        lastProposedName = proposedName;
        return nextSaveName;
    }
    QString nextFolder; // the folder the next folder dialog "chooses"; empty: cancelled
    QStringList folderCaptions;
    QString folderName(QWidget*, const QString& caption) override
    {
        folderCaptions << caption;
        return nextFolder;
    }
    void message(QWidget*, const QString& text) override
    {
        messages << text;
        shown << text;
    }
    void information(QWidget*, const QString& caption, const QString& text) override
    {
        informations << caption + QStringLiteral("|") + text;
    }
    void error(QWidget*, const QString& text) override
    {
        errors << text;
        shown << text;
    }
    bool printerSetup(QWidget*, QPrinter& printer) override
    {
        if (!printFile.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printFile);
        }
        return acceptPrinter;
    }
    // Prints straight to `printFile` (when set) with the options the preview holds.
    bool printPreview(QWidget*, SectionPrintPreview& preview, QPrinter& printer) override
    {
        ++previews;
        if (!acceptPrinter)
            return false;
        if (!printFile.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printFile);
        }
        if (previewOptions)
            preview.setOptions(*previewOptions);
        preview.print(printer);
        return true;
    }
    // Fills "Нормы проектирования" as the user would and says whether OK was pressed; each
    // showing of the dialog calls it again. Without it the dialog is cancelled.
    std::function<bool(ProjectFormDialog&)> answerProjectForm;
    int projectFormShown = 0;
    bool editProjectForm(QWidget*, ProjectFormDialog& dialog) override
    {
        ++projectFormShown;
        return answerProjectForm ? answerProjectForm(dialog) : false;
    }
    std::function<bool(NormsDialog&)> answerNorms;
    int normsShown = 0;
    bool editNorms(QWidget*, NormsDialog& dialog) override
    {
        ++normsShown;
        return answerNorms ? answerNorms(dialog) : false;
    }
    // Fills "Калибровка" as the user would and says whether "Применить ε" was pressed. Without
    // it the dialog is closed.
    std::function<bool(CalibrationDialog&)> answerCalibration;
    int calibrationShown = 0;
    bool editCalibration(QWidget*, CalibrationDialog& dialog) override
    {
        ++calibrationShown;
        return answerCalibration ? answerCalibration(dialog) : false;
    }
    bool confirm(QWidget*, const QString& text) override
    {
        confirmations << text;
        return confirmAnswer;
    }
    bool confirmAnswer = false;
    QStringList confirmations;
    SaveAnswer askSave(QWidget*, const QString& text) override
    {
        questions << text;
        return saveAnswer;
    }
    QStringList recentProjects() override { return recent; }
    void setRecentProjects(const QStringList& paths) override { recent = paths; }
    SaveAnswer saveAnswer = SaveAnswer::Discard;
    QStringList questions;
    QStringList recent;
    int previews = 0;
    std::optional<SectionPrintOptions> previewOptions; // chosen "in the preview" before printing
};

} // namespace trassel::test
