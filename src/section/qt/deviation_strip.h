#pragma once
// The deviation plots under the section: for each layer that has a norm, its thickness minus the
// norm along the line (red below zero), on the section's own horizontal axis and scrolling and
// zooming with it. A view of its own: nothing of it goes into the section's bitmap or exports.
#include "base/signal.h"

#include <QWidget>

#include <cstddef>
#include <vector>

namespace trassel {

class SectionView;
class SurveyDocument;

class DeviationStrip : public QWidget {
    Q_OBJECT
public:
    DeviationStrip(SurveyDocument& doc, SectionView& view, QWidget* parent = nullptr);

    // Height of one layer's plot, pixels.
    static constexpr int kPlotHeight = 64;
    // The layers plotted (their numbers in the analysis, top to bottom); the strip hides when
    // there are none or the section is not drawn.
    const std::vector<std::size_t>& plotted() const { return plotted_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    SurveyDocument* doc_;
    SectionView* view_;
    std::vector<std::size_t> plotted_;
    Subscription subscription_;
};

} // namespace trassel
