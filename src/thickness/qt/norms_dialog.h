#pragma once
// "Нормы проектирования": the design norms in editable tables and fields. The dialog only shows
// and reads them; the command hands what it read to the document as one undoable step.
#include "thickness/norms.h"

#include <QDialog>

#include <string>
#include <vector>

class QDoubleSpinBox;
class QTableWidget;

namespace trassel {

// A layer the norms may speak of: its depth column and the name it goes by without one of its own.
struct NormsLayer {
    int column = 0;
    std::string defaultName;
};

class NormsDialog : public QDialog {
    Q_OBJECT
public:
    NormsDialog(const DesignNorms& norms, std::vector<NormsLayer> layers, QWidget* parent = nullptr);

    // The norms as the controls hold them; an Error naming the table, row and field for a text
    // that is not what it should be. The document checks the rest.
    DesignNorms norms() const;

    QTableWidget* sgStretches = nullptr; // from, to (picket or km + m), track class, sleepers
    QTableWidget* sgBallast = nullptr;   // class 1..5 x wooden, concrete; an empty cell is no norm
    QTableWidget* sgLayerNorms = nullptr;
    QTableWidget* sgClasses = nullptr;
    QDoubleSpinBox* seSleeperBase = nullptr;
    QDoubleSpinBox* seTolerance = nullptr;
    QDoubleSpinBox* seMinLength = nullptr;
    QDoubleSpinBox* seJoinGap = nullptr;
    QDoubleSpinBox* sePrismWidth = nullptr;

    // Adds an empty design stretch after the last one; removes the current one.
    void addStretch();
    void removeStretch();
    // A condition class added after the chosen one, or the chosen one removed (one stays).
    void addConditionClass();
    void removeConditionClass();

private:
    DesignNorms base_; // what the controls do not show (layers of columns no longer in the list)
    std::vector<NormsLayer> layers_;
};

} // namespace trassel
