#pragma once
// The layer panel beside the parameter pages: the picket column, the layer manager and the
// styles of the selected layer. Checking a layer and changing a style are undoable edits of
// the document; the panel asks for the redraws a style change needs.
#include "base/signal.h"
#include "layers/layers.h"
#include "widgets/command_guard.h"

#include <QWidget>

class QComboBox;
class QGroupBox;
class QMenu;
class QSpinBox;

namespace trassel {

class BrushStyleBox;
class ColorBox;
class LayerManagerView;
class SurveyDocument;
struct DocumentChange;

class LayerPanel : public QWidget {
    Q_OBJECT
public:
    LayerPanel(SurveyDocument& doc, CommandGuard guard, QWidget* parent = nullptr);
    ~LayerPanel() override;

    QComboBox* cmbX = nullptr;
    LayerManagerView* lwLayerManager = nullptr;
    QMenu* PopupMenuLV = nullptr; // filled with "Удалить слой" by the window that makes the actions
    QGroupBox* grbLayerProperties = nullptr;
    QSpinBox* seLineWidth = nullptr;
    ColorBox* clbLineColor = nullptr;
    BrushStyleBox* cmbBrushStyle = nullptr;
    ColorBox* clbBrushColor = nullptr;
    ColorBox* clbColorOfSeriesPoint = nullptr;

    void lwLayerManagerSelectItem(int entry);
    void seLineWidthChange();
    void clbLineColorChange();
    void cmbBrushStyleChange();
    void clbBrushColorChange();
    void clbColorOfSeriesPointChange();

private:
    QWidget* buildLayerProperties();
    void onDocumentChange(const DocumentChange& change);

    SurveyDocument* doc_;
    CommandGuard guard_;
    Subscription subscription_;
};

} // namespace trassel
