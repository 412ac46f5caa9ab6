#pragma once
// The print preview of the geological section: Qt's preview window with the choice of how the
// section meets the sheets ("По высоте страницы", "Весь разрез на одной странице", "В масштабе")
// and, for the true scale, its two scales; every change redraws the preview.
#include "platform/qt_print_pages.h"

#include <QWidget>

class QComboBox;
class QPrinter;
class QSpinBox;

namespace trassel {

// The controls of the choice: the fit and the scales 1 : N and 1 : M, preset from the section.
class SectionPrintControls : public QWidget {
    Q_OBJECT
public:
    explicit SectionPrintControls(const SectionPrintSource& source, QWidget* parent = nullptr);

    QComboBox* cbPrintFit = nullptr;
    QSpinBox* seHorizontalScale = nullptr;
    QSpinBox* seVerticalScale = nullptr;

    SectionPrintOptions options() const;
    // Shows the options without announcing them; scales of 0 show the section's own.
    void setOptions(const SectionPrintOptions& options);

Q_SIGNALS:
    // The user changed the fit or a scale.
    void optionsChanged();

private:
    void updateEnabled();

    SectionPrintSource source_;
    double overlapMm_ = SectionPrintOptions{}.overlapMm;
};

// Opens the preview of the section on a printer, or prints it straight with the same options.
class SectionPrintPreview {
public:
    explicit SectionPrintPreview(SectionPrintSource source, QWidget* parent = nullptr);

    // Shows the preview of the section on `printer` until the user prints or closes it; returns
    // the dialog's result (QDialog::Accepted when printed). A printout from the preview that
    // failed throws its Error (or other exception) here; in the preview itself a failure is
    // shown on the sheet instead. The options chosen stay for the next call.
    int exec(QPrinter& printer);

    // Prints with the current options without any window (the batch path).
    void print(QPrinter& printer) const;

    // The options always carry the scales: the section's own until others are chosen.
    SectionPrintOptions options() const { return options_; }
    void setOptions(const SectionPrintOptions& options);

private:
    SectionPrintSource source_;
    QWidget* parent_;
    SectionPrintOptions options_;
};

} // namespace trassel
