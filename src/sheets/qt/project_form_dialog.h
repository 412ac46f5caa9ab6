#pragma once
// "Основная надпись": the project form whose texts every drawn sheet's title block and the
// report's title page carry. The dialog only shows and reads them; the command hands the form
// to the document as one undoable step.
#include "sheets/project_form.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace trassel {

class ProjectFormDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProjectFormDialog(const ProjectForm& form, QWidget* parent = nullptr);

    ProjectForm form() const;

    QLineEdit* edOrganisation = nullptr;
    QLineEdit* edObject = nullptr;
    QLineEdit* edLine = nullptr;
    QLineEdit* edTrack = nullptr;
    QLineEdit* edDeveloper = nullptr;
    QLineEdit* edChecker = nullptr;
    QLineEdit* edDate = nullptr;
    QCheckBox* cbDeviationPlot = nullptr;
};

} // namespace trassel
