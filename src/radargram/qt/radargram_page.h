#pragma once
// The page "Радарограмма": the instrument radargram of the document drawn by its scene, with
// the controls of its display, time zero and permittivity, and the small table of traces tied
// to pickets. Every control hands its change to the document as an undoable edit; the page
// follows the document's change events, so an undo shows the former state in both.
#include "base/signal.h"
#include "diagram/diagram.h"
#include "radargram/radargram_overlay.h"
#include "radargram/radargram_scene.h"
#include "widgets/command_guard.h"

#include <QImage>
#include <QWidget>

#include <functional>

class QCheckBox;
class QPainter;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;
class QTableWidget;

namespace trassel {

class SurveyDocument;

// imgRadargram: paints the scene's picture of the traces in view (kept as an image until the
// scene makes another) and its scales; Ctrl+wheel zooms around the mouse on both axes, the
// wheel scrolls (down the traces while there is room, else along the line; with Shift along
// the line), a drag pans and a click names the trace under the mouse. The arrow keys and Delete
// go to the page as the diagram's keys.
class RadargramView : public QWidget {
    Q_OBJECT
public:
    explicit RadargramView(RadargramScene& scene, QWidget* parent = nullptr);

    // One notch of the wheel zooms by this factor or scrolls by this many pixels.
    static constexpr double kZoomStep = 1.25;
    static constexpr int kScrollStep = 40;

    // Paints what lies over the picture of the traces (the boundaries, the boreholes, the
    // cursor), clipped to it; never into the picture kept.
    std::function<void(QPainter&)> overlayPainter;

Q_SIGNALS:
    void traceClicked(std::int64_t trace);
    // A click (no drag) on the picture of the traces, with the keys held.
    void clicked(QPoint at, Qt::KeyboardModifiers modifiers);
    void keyDown(DiagramKey key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void syncSize();

    RadargramScene& scene_;
    QImage image_;
    std::uint64_t imageRevision_ = 0;
    QPoint dragFrom_;
    bool dragged_ = false;
};

class RadargramPage : public QWidget {
    Q_OBJECT
public:
    RadargramPage(SurveyDocument& doc, CommandGuard guard, QWidget* parent = nullptr);

    RadargramScene& scene() { return scene_; }
    RadargramView* imgRadargram = nullptr;
    // The display: gain kind and value, the automatic gain's window, contrast, colours.
    QComboBox* cbGain = nullptr;
    QDoubleSpinBox* seGainValue = nullptr;
    QDoubleSpinBox* seAgcWindow = nullptr;
    QDoubleSpinBox* seContrast = nullptr;
    QComboBox* cbColors = nullptr;
    QComboBox* cbChannel = nullptr;
    // The depth scale: the permittivity of the profile and time zero.
    QDoubleSpinBox* sePermittivity = nullptr;
    QDoubleSpinBox* seTimeZero = nullptr;
    // The ties: the table, the trace and its picket (or km and m), the file's marks.
    QTableWidget* sgTies = nullptr;
    QComboBox* cbMarks = nullptr;
    QSpinBox* seTieTrace = nullptr;
    QLineEdit* edTiePicket = nullptr;
    QLineEdit* edTieKm = nullptr;
    QLineEdit* edTieM = nullptr;
    QPushButton* btnTieAdd = nullptr;
    QPushButton* btnTieRemove = nullptr;
    // "Калибровка": the command's button beside the depth scale (the window gives it the action).
    QToolButton* btnCalibration = nullptr;
    QLabel* lblFile = nullptr;
    // "Притягивать к отражению": a Ctrl+click takes the strongest reflection near it.
    QCheckBox* cbSnap = nullptr;

    // "Привязать": the trace in seTieTrace to the picket typed (as a picket, "123.45" or
    // "123+45", or as km and m); Error in Russian for a text that is not a number.
    void btnTieAddClick();
    // "Удалить привязку": the tie of the row chosen in the table (or of the trace in the field).
    void btnTieRemoveClick();
    // A click on the picture: the diagram cursor to the nearest row of the working range;
    // with Ctrl the selected layer's depth at that row set to the depth clicked (moved to the
    // reflection's peak with cbSnap).
    void imgRadargramClick(QPoint at, Qt::KeyboardModifiers modifiers);
    // The arrow keys and Delete on the picture, exactly as on the diagram.
    void imgRadargramKeyDown(DiagramKey key);
    const RadargramOverlay& overlay() const { return overlay_; }

Q_SIGNALS:
    // The status line of a correction made here.
    void corrected(const QString& text);

private:
    // The table's boundaries read again as far as they changed.
    OverlayPlacement updateOverlay();
    void paintOverlay(QPainter& painter);
    // The cursor's trace brought into view.
    void followCursor();
    void modelChanged();
    void showModel();
    void changeDisplay();

    SurveyDocument& doc_;
    CommandGuard guard_;
    RadargramScene scene_;
    RadargramOverlay overlay_;
    Subscription subscription_;
};

} // namespace trassel
