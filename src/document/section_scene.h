#pragma once
// The section as the document holds it: the drawing record that every drawing, "Выработки"
// and the annotation steps go into, the canvas state that carries over from one drawing to the
// next (the soil labels' font among it), and what has been drawn. The window, the print
// preview, the exports and the batch renderer all show this one record.
#include "base/progress.h"
#include "document/workspace.h"
#include "drawing/drawing_record.h"
#include "radargram/radargram_strip.h"
#include "section/section_renderer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace trassel {

class SurveyDocument;

class SectionScene {
public:
    explicit SectionScene(SurveyDocument& doc);
    SectionScene(const SectionScene&) = delete;
    SectionScene& operator=(const SectionScene&) = delete;
    ~SectionScene();

    // The toolkit's text metrics and resource bitmaps; until they are given the scene measures
    // text with plain metrics (enough for the core's tests, never for pictures shown to users).
    void setServices(CanvasServices* services);

    // The canvas and the record to draw on or export: the whole section (see `complete`).
    RecordingCanvas& canvas()
    {
        complete();
        return *canvas_;
    }
    const RecordingCanvas& canvas() const { return *canvas_; }
    // What a view paints from, as far as it is drawn.
    const DrawingRecord& record() const { return record_; }
    DrawingRecord& record()
    {
        complete();
        return record_;
    }

    // Whether the section shown was drawn by "Построить разрез полигонами", and "Выработки" over it.
    bool drawn() const { return drawn_; }
    bool boreholesDrawn() const { return boreholesDrawn_; }
    // Counts the drawings: an annotation belongs to the drawing it was made on.
    std::uint64_t drawing() const { return drawing_; }

    // How a redraw asked for by the document's rules is run: the window shows its progress and
    // lets the user stop it; without a runner it runs at once.
    using Job = std::function<void(const SectionProgress&)>;
    using Runner = std::function<void(const Job&)>;
    void setRunner(Runner runner) { runner_ = std::move(runner); }
    // A redraw through the runner (a parameter, a layer style, an undo, an open).
    void redraw();

    // ---- the part on screen first ----
    // The columns of the bitmap a view shows. When a view has said so and the window can run
    // the rest later (`setDeferrer`), a redraw of a long survey draws those columns at once
    // and the whole section when the deferred call comes, or as soon as anything needs it: the
    // record, the canvas, a drawing, an export. Pixel for pixel the same picture.
    void setShownColumns(const SectionWindow& window) { window_ = window; }
    const SectionWindow& shownColumns() const { return window_; }
    using Deferrer = std::function<void(std::function<void()>)>;
    void setDeferrer(Deferrer deferrer) { deferrer_ = std::move(deferrer); }
    // Whether only the columns drawn first are in the record, and which they are.
    bool partial() const { return partial_; }
    const SectionWindow& drawnColumns() const { return drawnWindow_; }
    // Draws the whole section if only a part is drawn.
    void complete();

    // "Построить разрез полигонами": every checked layer of the document, the last one first. A
    // drawing stopped through `progress` leaves the former section, annotations and all; one
    // that fails leaves what it drew and reports. After an open, the boreholes and the
    // annotation steps of the project are drawn over it as they were.
    void draw(const SectionProgress& progress = {});
    // The same over `params` and `layers` rather than the document's (a batch sheet).
    void draw(const SectionParams& params, const std::vector<SectionLayer>& layers,
              const SectionProgress& progress = {});
    // The x (in the section's pixels) where the last drawing put table row `row`, by the picket
    // column of the layer drawn on top and the scale and margins it was drawn at; nothing
    // when no section is drawn or the row's picket is not a number. The views mark the
    // diagram cursor's row there.
    std::optional<double> xOfRow(int row) const;
    // The section's horizontal axis as the last drawing laid it: any picket's x, in the same
    // coordinates as xOfRow; nothing when xOfRow would give nothing for the first row.
    std::optional<LineAxis> picketAxis() const;
    // "Построить разрез": the bitmap gets the width SectionWidth, nothing is drawn.
    void applyWidth();
    // "Выработки": the boreholes over the section as it stands, placed by the document's
    // parameters or by those a drawing of other rows used.
    void plotSkv();
    void plotSkv(const SectionParams& params);

    // ---- annotation steps ----
    // A new group for one step's marks.
    std::uint32_t newGroup() { return ++lastGroup_; }
    // The steps of the section shown, in the order they were made; after an open and before the
    // section is drawn again, the project's steps that wait for it.
    std::vector<WorkspaceAnnotation> annotations() const;

    // ---- a project put in place ----
    // What a project says about its section: whether it was drawn (with boreholes), the soil
    // font, and the annotation steps to draw over it again.
    struct Saved {
        bool drawn = false;
        bool boreholesDrawn = false;
        FontState soilFont;
        std::vector<WorkspaceAnnotation> annotations;
    };
    Saved saved() const;
    // Takes a project's section: the font at once; drawn or not, the scene waits for the
    // redraw that the open asks for (`redrawAfterOpen`).
    void restore(Saved saved);
    bool redrawAfterOpen() const { return restored_.drawn; }

private:
    void finishDrawing();
    bool drawShownFirst();
    void place(const SectionParams& params, const std::vector<SectionLayer>& layers);

    // Where a drawing started: what a stopped one goes back to.
    struct Start {
        RecordingCanvas::Snapshot canvas;
        SectionState state;
    };
    Start start() const;

    SurveyDocument* doc_;
    DrawingRecord record_;
    // The table's numbers the last drawings read: a parameter change draws from them at once.
    SectionReadings readings_;
    std::unique_ptr<CanvasServices> plainServices_;
    std::unique_ptr<RecordingCanvas> canvas_;
    Runner runner_;
    std::uint32_t lastGroup_ = 0;
    std::uint64_t drawing_ = 0;
    bool drawn_ = false;
    bool boreholesDrawn_ = false;
    Saved restored_; // a project's section waiting for its redraw
    SectionWindow window_;
    Deferrer deferrer_;
    bool partial_ = false;
    SectionWindow drawnWindow_;
    Start partialStart_; // the section before the part drawn first
    // How the last drawing placed the rows along the line.
    SectionParams placedBy_;
    int placedColumn_ = -1;
};

} // namespace trassel
