#include "sheets/qt/project_form_dialog.h"

#include "platform/qt_convert.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace trassel {
namespace {

QLineEdit* Field(QFormLayout* layout, const char* name, const char* label, const std::string& text)
{
    auto* edit = new QLineEdit(toQString(text));
    edit->setObjectName(QString::fromUtf8(name));
    edit->setMinimumWidth(360);
    layout->addRow(QString::fromUtf8(label), edit);
    return edit;
}

} // namespace

ProjectFormDialog::ProjectFormDialog(const ProjectForm& form, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ProjectFormDialog"));
    setWindowTitle(QStringLiteral("Основная надпись"));
    auto* fields = new QFormLayout;
    edOrganisation = Field(fields, "edOrganisation", "Организация", form.organisation);
    edObject = Field(fields, "edObject", "Объект", form.object);
    edLine = Field(fields, "edLine", "Линия", form.line);
    edTrack = Field(fields, "edTrack", "Путь", form.track);
    edDeveloper = Field(fields, "edDeveloper", "Разработал", form.developer);
    edChecker = Field(fields, "edChecker", "Проверил", form.checker);
    edDate = Field(fields, "edDate", "Дата", form.date);
    cbDeviationPlot = new QCheckBox(QStringLiteral("Отклонение от нормы и участки ниже нормы под разрезом"));
    cbDeviationPlot->setObjectName(QStringLiteral("cbDeviationPlot"));
    cbDeviationPlot->setChecked(form.deviationPlot);
    fields->addRow(cbDeviationPlot);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(buttons);
}

ProjectForm ProjectFormDialog::form() const
{
    ProjectForm f;
    f.organisation = toStdString(edOrganisation->text());
    f.object = toStdString(edObject->text());
    f.line = toStdString(edLine->text());
    f.track = toStdString(edTrack->text());
    f.developer = toStdString(edDeveloper->text());
    f.checker = toStdString(edChecker->text());
    f.date = toStdString(edDate->text());
    f.deviationPlot = cbDeviationPlot->isChecked();
    return f;
}

} // namespace trassel
