#pragma once
// The JSON of the section's annotation steps and of the drawing states their marks carry (the
// soil font is one of those too). AnnotationsOf and DrawAnnotations are in workspace.h.
#include "document/workspace.h"
#include "document/workspace_json.h"

#include "drawing/drawing_record.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace trassel::workspace {

OutJson PenJson(const PenState& pen);
OutJson BrushJson(const BrushState& brush);
OutJson FontJson(const FontState& font);
PenState ReadPen(const Reader& in, const Json& o, const std::string& at);
BrushState ReadBrush(const Reader& in, const Json& o, const std::string& at);
FontState ReadFont(const Reader& in, const Json& o, const std::string& at);

// The steps with the drawing states listed once ("states") and each mark naming its state by
// index ("steps"): a stroke is hundreds of short lines in one state.
OutJson AnnotationsJson(const std::vector<WorkspaceAnnotation>& annotations);

// Takes the marks of the annotation steps out of the parse as they are read, each as the mark
// it stands for: a project of many marks then holds them once, not as JSON several times their
// size. A mark it cannot read (and every one after it, and those of a file whose states come
// after its steps) is left to ReadAnnotations, which says what is wrong where, in file order.
class MarkTaker final : public ObjectTaker {
public:
    explicit MarkTaker(const Reader& in) : in_(in) { }
    const std::vector<std::string>& place() const override;
    std::optional<std::size_t> take(const Json& object, const std::vector<const Json*>& containers,
                                    const std::vector<std::size_t>& elements) override;
    void forget() override;
    // The marks taken of a step, the first of its marks; the steps are asked for in order,
    // each once.
    std::vector<WorkspaceMark> takenOf(std::size_t step);

private:
    static constexpr const char* kAt = "extras.annotations";

    const Reader& in_;
    std::vector<DrawState> states_;
    bool statesRead_ = false;
    bool stopped_ = false;
    std::deque<WorkspaceMark> marks_; // in the order of the file: no copy of them all as it grows
    std::vector<std::size_t> counts_; // by step, how many of its first marks are held
};

// The steps of `o`; the marks `taken` holds stand for the first marks of their steps.
std::vector<WorkspaceAnnotation> ReadAnnotations(const Reader& in, const Json& o, const std::string& at,
                                                 MarkTaker* taken = nullptr);

} // namespace trassel::workspace
