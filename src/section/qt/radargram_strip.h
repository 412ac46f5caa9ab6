#pragma once
// The instrument radargram above the section, on the section's own horizontal axis: each pixel
// column shows the traces registered under that column's pickets, the whole time window down
// the strip's height, with the checked layers' boundaries, the diagram cursor's line and a small
// depth scale. It scrolls and zooms with the section, and scrolling it scrolls the section. A
// view of the window's own: nothing of it goes into the section's picture, exports or prints.
#include "base/signal.h"
#include "radargram/radargram_overlay.h"
#include "radargram/radargram_render.h"
#include "radargram/radargram_scene.h"
#include "radargram/radargram_strip.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

namespace trassel {

class SectionView;
class SurveyDocument;

class RadargramStrip : public QWidget {
    Q_OBJECT
public:
    RadargramStrip(SurveyDocument& doc, SectionView& view, QWidget* parent = nullptr);

    // The strip's own axis: a picket's x in the strip, as the section is scrolled and zoomed now;
    // nothing while no section is drawn.
    std::optional<LineAxis> axis() const;
    // The traces under each column as last painted, and how many pictures were made: a paint
    // that changes nothing of the view, the display or the model makes none.
    const std::vector<TraceSpan>& columns() const { return columns_; }
    std::uint64_t renders() const { return renders_; }
    // Where the diagram cursor's line stands in the strip; nothing when it is not shown.
    std::optional<double> cursorX() const;
    // Where the boundaries and the boreholes are laid over the strip at `axis`.
    OverlayPlacement placement(const LineAxis& axis) const;

    // Makes the picture of the columns in view, if it is not the one kept (a paint does this).
    void prepare();

    static constexpr int kDefaultHeight = 220;
    // The least distance of two labels of the depth scale, pixels.
    static constexpr int kDepthLabelGap = 18;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Shown while the user asked for it and the document has a registered radargram.
    void follow();
    // Where the section's viewport begins, in the strip's x.
    int viewportLeft() const;
    void paintDepthScale(QPainter& painter);

    // What the picture kept was made from.
    struct Key {
        LineAxis axis;
        int width = 0;
        int height = 0;
        RasterStyle style;
        int channel = 0;
        const RadargramFile* file = nullptr;
        std::vector<TraceTie> ties;
        bool operator==(const Key&) const = default;
    };

    SurveyDocument* doc_;
    SectionView* view_;
    RadargramScene scene_; // the file open for reading and its display
    RadargramOverlay overlay_;
    Subscription subscription_;
    std::optional<Key> key_;
    QImage image_;
    std::vector<TraceSpan> columns_;
    ColumnRange traced_;
    std::uint64_t renders_ = 0;
    std::optional<int> dragX_;
};

} // namespace trassel
