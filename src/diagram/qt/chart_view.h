#pragma once
// The diagram widget: draws a ChartModel and turns presses on points and keys into signals.
#include "base/signal.h"
#include "chart/chart_model.h"
#include "diagram/diagram.h"

// The plotting library's header still uses Qt's plain keywords, which the project switches off
// (QT_NO_KEYWORDS) so that `emit`, `signals`, `slots` and `foreach` never clash with other code.
#ifdef QT_NO_KEYWORDS
#define signals Q_SIGNALS
#define slots Q_SLOTS
#define emit Q_EMIT
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef signals
#undef slots
#undef emit
#undef foreach
#else
#include <qcustomplot.h>
#endif

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace trassel {

class ChartMarksLayer;

// A nearest point found under the mouse.
struct ChartHit {
    SeriesId series = 0;
    std::size_t index = 0;
};

// Renders the chart model (series, pointers, marks, axes) and writes wheel zooms and drag pans
// back into the model's axes. The model must outlive the view. It resyncs on the next pass of
// the event loop after the model changes, or at once through syncFromModel().
class ChartView : public QCustomPlot {
    Q_OBJECT
public:
    explicit ChartView(ChartModel& model, QWidget* parent = nullptr);
    ~ChartView() override;

    ChartModel& model() { return *model_; }

    // Brings the plot in line with the model now and queues a repaint.
    void syncFromModel();
    bool syncPending() const { return syncQueued_; }

    // The point drawn nearest to `pos` (widget pixels) within its marker, or a few pixels of
    // it; the series drawn on top wins a tie.
    std::optional<ChartHit> pointAt(const QPointF& pos) const;
    // Widget position of point `index` of `series` at the current ranges.
    QPointF pixelOf(SeriesId series, std::size_t index) const;

    // The plot graph drawing `series`, nullptr when it is not attached (for tests and tools).
    QCPGraph* graphOf(SeriesId series) const;
    // Marks drawn by the last paint (to see that hidden points cost nothing).
    std::size_t marksDrawn() const { return marksDrawn_; }

    // Windows virtual-key code of a Qt key: arrows 37..40, Delete 46, others unchanged.
    static DiagramKey diagramKeyFor(int qtKey);
    static ChartButton buttonFor(Qt::MouseButton button);

Q_SIGNALS:
    // A press over a point: the series, the point's index in X order, the button.
    void clickSeries(int series, int index, Qt::MouseButton button);
    // A key pressed while the chart has the focus, as a virtual-key code.
    void keyDown(trassel::DiagramKey key);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double click is a press on a point too.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class ChartMarksLayer;
    struct Drawn {
        QCPGraph* graph = nullptr;
        std::uint64_t dataRevision = ~std::uint64_t{0};
    };

    void pressed(QMouseEvent* event);
    void scheduleSync();
    void rebuildGraphs();
    void applyStyle(const ChartSeries& series, QCPGraph* graph) const;
    void copyData(const ChartSeries& series, QCPGraph* graph) const;
    QColor displayColor(const ChartSeries& series) const;
    void drawMarks(QCPPainter* painter);
    void axisRangeChanged(AxisId axis, const QCPRange& range);

    ChartModel* model_;
    Subscription subscription_;
    bool syncQueued_ = false;
    bool syncing_ = false;
    std::vector<SeriesId> drawnOrder_;
    std::unordered_map<SeriesId, Drawn> drawn_;
    ChartMarksLayer* marksLayer_ = nullptr;
    std::size_t marksDrawn_ = 0;
    std::vector<std::uint8_t> markCells_;
};

} // namespace trassel
