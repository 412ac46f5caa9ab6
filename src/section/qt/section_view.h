#pragma once
// The page that shows the geological section: a white scroll area holding the image control.
#include <QImage>
#include <QPoint>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QScrollArea>
#include <QWidget>

#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <vector>

namespace trassel {

class DrawingRecord;
class TileCanvas;

// The image control: shows the section bitmap stretched to its own size (its size is set by the
// section commands and the view's zoom) and reports mouse presses and moves in the coordinates
// the section commands gave it, whatever the zoom: after a drawing these are bitmap coordinates. The bitmap is never held whole: the part in
// view is replayed from the section's record in tiles, kept for a while for scrolling back.
class SectionImage : public QWidget {
    Q_OBJECT
public:
    explicit SectionImage(QWidget* parent = nullptr);

    ~SectionImage() override;

    // The record whose bitmap is shown; it must outlive this widget or be reset to nullptr.
    void setRecord(const DrawingRecord* record);
    const DrawingRecord* record() const { return record_; }
    // Repaints after the record changed: operations added at its end are painted onto the
    // tiles already made, anything else makes them again.
    void recordChanged();

    // While a drawing runs, the bitmap is shown at its own scale (times the zoom) instead of
    // stretched to the control: the control may already have the new drawing's size.
    void setRedrawing(bool redrawing);

    // The view's magnification: the control is this many times its given size.
    void setZoom(double zoom) { zoom_ = zoom; }
    double zoom() const { return zoom_; }
    // A thin vertical line at the section's x `x` (the diagram cursor's row), painted over the
    // bitmap by the control alone: the record, its exports and prints never hold it.
    void setMarker(std::optional<double> x);
    std::optional<double> marker() const { return marker_; }

    static constexpr int kTileWidth = 512;
    static constexpr std::size_t kMaxTiles = 48;

Q_SIGNALS:
    void mousePressed(QPoint pos, Qt::MouseButton button);
    // Sent for every move over the image, with or without a button held.
    void mouseMoved(QPoint pos, Qt::MouseButtons buttons);
    void mouseReleased(QPoint pos, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Tile {
        int index = 0;
        std::unique_ptr<TileCanvas> canvas;
        std::size_t ops = 0; // operations of the record replayed onto it
    };
    Tile& tile(int index);
    QPoint unzoomed(QPointF pos) const;
    // Makes the missing tiles of a range at once, side by side.
    void prepare(int firstIndex, int lastIndex);
    void dropTiles();

    const DrawingRecord* record_ = nullptr;
    std::list<Tile> tiles_; // most recently used first
    std::uint64_t revision_ = 0;
    int tileHeight_ = 0;
    double zoom_ = 1.0;
    bool redrawing_ = false;
    std::optional<double> marker_;
};

// The section's depths as the drawing placed them: the surface line's y, pixels per centimetre
// and the step of the scale's labels (see SectionParams).
struct DepthRulerScale {
    int surfaceY = 0;
    double pixelsPerCm = 0;
    int stepCm = 0;
    bool operator==(const DepthRulerScale&) const = default;
};

// The depth scale that stays at the left edge of the view while a long section is scrolled
// along: the labels of the drawing's own scale, at the same depths, drawn by the view over the
// section (the bitmap, its exports and its prints keep only their own scale).
class DepthRuler : public QWidget {
    Q_OBJECT
public:
    explicit DepthRuler(QWidget* parent = nullptr);
    // `top` and `bottom`: the section's top and bottom edges in the ruler's coordinates.
    void setScale(const DepthRulerScale& scale, double zoom, int top, int bottom);
    // Where each label stands (y in the ruler's coordinates) and what it says, top to bottom.
    struct Label {
        int y = 0;
        QString text;
    };
    std::vector<Label> labels() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DepthRulerScale scale_;
    double zoom_ = 1.0;
    int top_ = 0; // the section's top edge in the ruler's coordinates
    int bottom_ = 0;
};

// scrbxTrassel: the white scroll area with tracking scroll bars around imgSection.
//
// Ctrl+wheel zooms the section around the mouse; the wheel scrolls it (along the line when it
// fits the height, or with Shift); the depth ruler keeps the depths in sight.
class SectionView : public QScrollArea {
    Q_OBJECT
public:
    explicit SectionView(QWidget* parent = nullptr);

    static constexpr double kMinZoom = 0.1;
    static constexpr double kMaxZoom = 8.0;
    double zoom() const { return image_->zoom(); }
    // Magnifies the section to `zoom` (held within kMinZoom..kMaxZoom) keeping the section's
    // point under `anchor` (viewport coordinates) where it is.
    void setZoom(double zoom, QPoint anchor = {});
    // The part of the section in view, in the coordinates the section commands use.
    QRectF visibleSection() const;
    // The depth scale of the drawing shown; a scale without a step hides the ruler.
    void setDepthScale(const DepthRulerScale& scale);
    DepthRuler* depthRuler() const { return ruler_; }

    SectionImage* imageControl() const { return image_; }
    void setRecord(const DrawingRecord* record) { image_->setRecord(record); }
    // Gives the image control its size (SectionState's imageWidth and imageHeight) and repaints.
    void setImageSize(int width, int height);
    // Repaints the image control after the bitmap was drawn on.
    void refresh();
    // Puts imgSection's left edge `left` pixels from the left edge of the visible part of the
    // box, so that the section lines up with another picture: a positive value leaves a margin
    // before the image, a negative one scrolls the image that far (no further than it reaches).
    void setImageLeft(int left);
    // Where imgSection's left edge stands now, in the coordinates of the visible part of the box.
    int imageLeft() const;
    // Scrolls along the line so that the section's x (in the coordinates the section commands
    // use) stands a tenth of the view from its left edge, as far as the section reaches.
    void showSectionX(double x);

Q_SIGNALS:
    // The part of the section in view moved or grew (a scroll, a zoom, a resize).
    void shownChanged();

protected:
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeImage();
    void placeRuler();

    // The scrolled widget: imgSection at `inset_` pixels from its left edge, so that a
    // positive left is a margin that scrolls with the image.
    QWidget* content_ = nullptr;
    SectionImage* image_ = nullptr;
    int inset_ = 0;
    QSize imageSize_;
    DepthRuler* ruler_ = nullptr;
    DepthRulerScale depthScale_;
};

} // namespace trassel
