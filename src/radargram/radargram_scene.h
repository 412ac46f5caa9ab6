#pragma once
// The instrument radargram as a picture: the file of the document's radargram model opened for
// reading, the part of it in view (zoomed and scrolled), the picture of that part (kept until
// the view or the display changes) and the scales around it: pickets along the top from the
// registration, time (ns) and depth (cm) on the left from time zero and the permittivity. The
// radargram page and trassel-render draw through this one scene.
#include "drawing/canvas.h"
#include "radargram/radargram_model.h"
#include "radargram/radargram_render.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace trassel {

class RadargramReader;

// The margins the scales take around the picture of the traces.
struct RadargramMargins {
    static constexpr int kLeft = 92; // time and depth labels
    static constexpr int kTop = 36;  // the picket scale and the marks
    static constexpr int kRight = 12;
    static constexpr int kBottom = 8;
};

// The part of the file in view: its first trace and sample at the picture's top-left corner and
// how many of each a pixel spans.
struct RadargramViewport {
    double firstTrace = 0;
    double tracesPerPixel = 1;
    double firstSample = 0;
    double samplesPerPixel = 1;
    bool operator==(const RadargramViewport&) const = default;
};

// A "nice" step for ticks at least `minStep` apart: 1, 2 or 5 times a power of ten.
double NiceStep(double minStep);

// "ПК123+45" for picket 123.45, "ПК123" for a whole one; metres rounded to whole ones.
std::string PicketScaleText(double picket);

// The picket a user types for a tie: "123.45" or "123+45" (picket 123 plus 45 m; "123+5" is
// 123.05). Error in Russian for anything else.
double ReadPicketText(std::string_view text);

class RadargramScene {
public:
    RadargramScene();
    ~RadargramScene();
    RadargramScene(const RadargramScene&) = delete;
    RadargramScene& operator=(const RadargramScene&) = delete;

    // Follows the document's model: a new file is opened (and shown whole); the same file keeps
    // the view. A file that cannot be read leaves the scene empty with the reader's message as
    // its fault(); a model without a file empties it.
    void setModel(const RadargramModel& model);
    // The same with a reader the caller opened for `model`'s file.
    void setModel(const RadargramModel& model, std::unique_ptr<RadargramReader> reader);
    const RadargramModel& model() const { return model_; }
    bool ready() const { return reader_ != nullptr && fault_.empty(); }
    // The file opened for reading while ready() (a click snapped to a reflection reads its trace).
    const RadargramReader* reader() const { return ready() ? reader_.get() : nullptr; }
    // Why the file of the model could not be read; empty when it could.
    const std::string& fault() const { return fault_; }

    // The size of the whole picture, scales included. A view of the whole file stays whole;
    // another keeps its first trace and sample and its zoom, limited to the file.
    void setSize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    int plotWidth() const;
    int plotHeight() const;

    const RadargramViewport& view() const { return view_; }
    void setView(const RadargramViewport& view);
    // Every trace across the width and the whole trace down the height.
    void showWhole();
    // Scrolls by pixels of the picture (right and down positive).
    void scrollBy(double dx, double dy);
    // Zooms by `fx` across and `fy` down (above 1 closer) keeping the file's point under (x, y)
    // of the picture where it is. Never closer than 16 pixels a trace or a sample, never farther
    // than the whole file.
    void zoomAt(int x, int y, double fx, double fy);
    // The trace and the sample under (x, y) of the picture (fractional; outside the file too).
    double traceAt(int x) const;
    double sampleAt(int y) const;

    // How the samples become colours: the model's display, time zero and the file's full scale.
    RasterStyle style() const;
    // The window of the file the picture of the traces shows.
    RasterWindow window() const;
    // The picture of the traces in view, made again only after a change of the view, the size,
    // the channel, time zero or the display.
    const Picture& raster();
    // Counts the pictures made: a view keeps its own copy while it stays the same.
    std::uint64_t rasterRevision() const { return rasterRevision_; }

    // White, the picture of the traces and the scales.
    void draw(Canvas& canvas);
    // The scales alone, around the picture's place (a view paints the picture itself).
    void drawScales(Canvas& canvas);

private:
    void adopt(const RadargramModel& model, std::unique_ptr<RadargramReader> reader, bool newFile);
    void clampView();

    RadargramModel model_;
    std::unique_ptr<RadargramReader> reader_; // null when the file could not be opened
    std::string fault_;
    double fullScale_ = 1;
    int width_ = 0;
    int height_ = 0;
    RadargramViewport view_;
    bool fitted_ = true; // the whole file in view until the user zooms or scrolls
    Picture raster_;
    std::optional<std::pair<RasterWindow, RasterStyle>> rasterOf_;
    int rasterChannel_ = -1;
    std::uint64_t rasterRevision_ = 0;
};

} // namespace trassel
