#pragma once
// A hand annotation of the section as one undoable step: a soil label, or a pen or eraser
// stroke from press to release. Its marks are a group of operations of the section's record;
// undoing hides the group and redoing shows it again, so nothing drawn since is disturbed. The
// section's next drawing removes every annotation, so a step of an earlier drawing no longer
// changes the picture.
#include "document/edit.h"

#include <cstdint>

namespace trassel {

class AnnotationEdit : public Edit {
public:
    AnnotationEdit(std::string text, std::uint64_t drawing, std::uint32_t group);
    std::uint32_t group() const { return group_; }
    // Whether the step made any mark at all.
    bool empty(const SurveyDocument& doc) const;

    void apply(SurveyDocument& doc) override;
    void revert(SurveyDocument& doc) override;
    std::size_t bytes() const override;

private:
    void show(SurveyDocument& doc, bool shown);

    std::uint64_t drawing_;
    std::uint32_t group_;
};

} // namespace trassel
