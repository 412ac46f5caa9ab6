#pragma once
// "Калибровка": the table of known depths (picket, the layer's depth column, the depth and where
// it was known from) with the fit recomputed as it is typed: each point's table depth and misfit
// beside it, each layer's permittivity with its spread below. The dialog only shows and reads;
// the command keeps the table and applies the fit through the document.
#include "radargram/calibration.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace trassel {

class CalibrationDialog : public QDialog {
    Q_OBJECT
public:
    // `fit` calibrates a table as the document stands (it may throw an Error in Russian);
    // `fromBoreholes` gives the rows the borehole table offers.
    CalibrationDialog(std::vector<KnownDepth> initial,
                      std::function<CalibrationResult(std::span<const KnownDepth>)> fit,
                      std::function<std::vector<KnownDepth>()> fromBoreholes, QWidget* parent = nullptr);

    // The rows that read; a row that does not is named in the results and left out.
    std::vector<KnownDepth> known() const;
    // The fit of the table as it stands, when it could be made.
    const std::optional<CalibrationResult>& result() const { return result_; }

    QTableWidget* sgKnownDepths = nullptr; // ПК, столбец, глубина, источник | в таблице, невязка
    QPlainTextEdit* memoCalibration = nullptr;
    QPushButton* btnFromBoreholes = nullptr;
    QPushButton* btnAddRow = nullptr;
    QPushButton* btnRemoveRow = nullptr;
    QPushButton* btnApply = nullptr;

    void setRows(const std::vector<KnownDepth>& known);
    // Fits the table again and shows it.
    void refit();

private:
    std::function<CalibrationResult(std::span<const KnownDepth>)> fit_;
    std::function<std::vector<KnownDepth>()> fromBoreholes_;
    std::optional<CalibrationResult> result_;
    std::vector<std::string> unread_;
    bool filling_ = false;
};

} // namespace trassel
