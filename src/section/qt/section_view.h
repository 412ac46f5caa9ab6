#pragma once
// The page that shows the geological section: a white scroll area holding the image control.
#include <QImage>
#include <QPoint>
#include <QScrollArea>
#include <QWidget>

#include <cstdint>
#include <list>
#include <memory>

namespace trassel {

class DrawingRecord;
class TileCanvas;

// The image control: shows the section bitmap stretched to its own size (its size is set by the
// section commands, so after a drawing control coordinates are bitmap coordinates) and reports
// mouse presses and moves in its own coordinates. The bitmap is never held whole: the part in
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
    // Makes the missing tiles of a range at once, side by side.
    void prepare(int firstIndex, int lastIndex);
    void dropTiles();

    const DrawingRecord* record_ = nullptr;
    std::list<Tile> tiles_; // most recently used first
    std::uint64_t revision_ = 0;
    int tileHeight_ = 0;
};

// scrbxTrassel: the white scroll area with tracking scroll bars around imgSection.
class SectionView : public QScrollArea {
    Q_OBJECT
public:
    explicit SectionView(QWidget* parent = nullptr);

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

private:
    void placeImage();

    // The scrolled widget: imgSection at `inset_` pixels from its left edge, so that a
    // positive left is a margin that scrolls with the image.
    QWidget* content_ = nullptr;
    SectionImage* image_ = nullptr;
    int inset_ = 0;
};

} // namespace trassel
