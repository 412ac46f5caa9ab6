#include "app/ui_services.h"

#include "platform/qt_text.h"
#include "radargram/qt/calibration_dialog.h"
#include "section/qt/section_print_preview.h"
#include "sheets/qt/project_form_dialog.h"
#include "thickness/qt/norms_dialog.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace trassel {

QString DialogServices::openFileName(QWidget* parent, const QString& filter, const QString& lastName)
{
    return QFileDialog::getOpenFileName(parent, QString(), lastName, filter);
}

QString DialogServices::saveFileName(QWidget* parent, const QString& proposedName, const QString& filter,
                                     const QString& defaultSuffix)
{
    QFileDialog dialog(parent, QString(), QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool DialogServices::editNorms(QWidget*, NormsDialog& dialog) { return dialog.exec() == QDialog::Accepted; }

bool DialogServices::editCalibration(QWidget*, CalibrationDialog& dialog) { return dialog.exec() == QDialog::Accepted; }
bool DialogServices::editProjectForm(QWidget*, ProjectFormDialog& dialog) { return dialog.exec() == QDialog::Accepted; }

QString DialogServices::folderName(QWidget* parent, const QString& caption)
{
    return QFileDialog::getExistingDirectory(parent, caption);
}

void DialogServices::message(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.exec();
}

void DialogServices::information(QWidget* parent, const QString& caption, const QString& text)
{
    QMessageBox::information(parent, caption, text);
}

void DialogServices::error(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, QApplication::applicationName(), text);
}

bool DialogServices::printerSetup(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool DialogServices::printPreview(QWidget*, SectionPrintPreview& preview, QPrinter& printer)
{
    return preview.exec(printer) == QDialog::Accepted;
}

bool DialogServices::confirm(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Trassel"), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    return box.exec() == QMessageBox::Yes;
}

UiServices::SaveAnswer DialogServices::askSave(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Trassel"), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Save);
    box.button(QMessageBox::Save)->setText(QStringLiteral("Сохранить"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("Не сохранять"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    switch (box.exec()) {
    case QMessageBox::Save: return SaveAnswer::Save;
    case QMessageBox::Discard: return SaveAnswer::Discard;
    default: return SaveAnswer::Cancel;
    }
}

// The list lives in the user's configuration folder ("recent.ini" of Trassel) and is read only
// when it is shown, never at start.
QStringList DialogServices::recentProjects()
{
    const QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Trassel"),
                             QStringLiteral("recent"));
    return settings.value(QStringLiteral("projects")).toStringList();
}

void DialogServices::setRecentProjects(const QStringList& paths)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Trassel"), QStringLiteral("recent"));
    settings.setValue(QStringLiteral("projects"), paths);
}

std::optional<ReadOnlyTarget> AskOverwriteReadOnly(UiServices& services, QWidget* parent, const QString& path)
{
    if (CheckTargetAccess(toLocalPath(path)) != TargetAccess::ReadOnly)
        return ReadOnlyTarget::Refuse;
    if (!services.confirm(parent, QStringLiteral("Файл доступен только для чтения: ") + QDir::toNativeSeparators(path) +
                                      QStringLiteral("\nПерезаписать его?")))
        return std::nullopt;
    return ReadOnlyTarget::Overwrite;
}

} // namespace trassel
