#pragma once
// Red bands over the diagram where a layer is thinner than its norm: a transparent widget laid
// over the plot, so the bands follow the plot's axis but never enter its pictures, prints or
// exports. The stretches are read again when the document reports a change the analysis reads.
#include "base/signal.h"

#include <QList>
#include <QRect>
#include <QWidget>

#include <utility>
#include <vector>

class QCustomPlot;

namespace trassel {

class SurveyDocument;

class StretchBands : public QWidget {
    Q_OBJECT
public:
    // Lays itself over `plot` and follows its size and bottom axis.
    StretchBands(SurveyDocument& doc, QCustomPlot& plot);

    // The bands as painted now, in the plot's pixels, clipped to its axis rectangle.
    QList<QRect> bands();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void readStretches();

    SurveyDocument* doc_;
    QCustomPlot* plot_;
    std::vector<std::pair<double, double>> spans_; // failing stretches, in pickets along the axis
    bool stale_ = true;
    Subscription subscription_;
};

} // namespace trassel
