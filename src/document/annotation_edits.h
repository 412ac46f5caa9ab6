#pragma once
// A hand annotation of the section as one undoable step: a soil label, or a pen or eraser
// stroke from press to release. It keeps the pixels of the areas it touched before and after,
// in the order it touched them. The section's next drawing removes every annotation, so a
// step of an earlier drawing no longer changes the picture.
#include "document/edit.h"
#include "platform/canvas.h"

#include <cstdint>
#include <vector>

namespace trassel {

class AnnotationEdit : public Edit {
public:
    AnnotationEdit(std::string text, std::uint64_t drawing);
    // The pixels of one touched area: `before` grabbed before the mark, `after` once made.
    void add(int left, int top, Picture before, Picture after);
    bool empty() const { return patches_.empty(); }

    void apply(SurveyDocument& doc) override;
    void revert(SurveyDocument& doc) override;
    std::size_t bytes() const override;

private:
    struct Patch {
        int left;
        int top;
        Picture before;
        Picture after;
    };
    std::uint64_t drawing_;
    std::vector<Patch> patches_;
};

} // namespace trassel
